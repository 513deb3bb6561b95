#include "app/throughput.h"

namespace corvane {

void CThroughputCounters::AddBytes(std::int64_t bytes) {
    m_bytes.fetch_add(bytes, std::memory_order_relaxed);
}

void CThroughputCounters::StartBusy() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_busy) return;
    m_busy = true;
    m_busySince = m_clock.NowMs();
}

void CThroughputCounters::EndBusy() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_busy) return;
    m_busyMs += m_clock.NowMs() - m_busySince;
    m_busy = false;
}

double CThroughputCounters::Throughput() const {
    std::lock_guard<std::mutex> guard(m_lock);
    std::int64_t ms = m_busyMs;
    if (m_busy) ms += m_clock.NowMs() - m_busySince;
    if (ms <= 0) return 0.0;
    return static_cast<double>(m_bytes.load(std::memory_order_relaxed)) * 1000.0 /
           static_cast<double>(ms);
}

std::int64_t CThroughputCounters::Bytes() const {
    return m_bytes.load(std::memory_order_relaxed);
}

}  // namespace corvane
