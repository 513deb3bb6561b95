#pragma once
// The throughput counters of the status bar: bytes received by every worker since the program
// started, and the time spent busy (closed periods plus the open one). Workers add bytes from
// their own threads; the main window opens and closes busy periods and reads the rate. One
// lock covers all of it. Bytes are counted in 64 bits so that a long run never wraps into a
// negative rate.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/clock.h"

namespace corvane {

class CThroughputCounters {
public:
    explicit CThroughputCounters(const IClock& clock) : m_clock(clock) {}

    void AddBytes(std::int64_t bytes);
    // Does nothing when a period is already open.
    void StartBusy();
    // Does nothing when no period is open.
    void EndBusy();
    // Bytes per second of busy time; 0 when there has been none.
    double Throughput() const;
    std::int64_t Bytes() const;

private:
    const IClock& m_clock;
    // Every worker adds to it on every line, so it is an atomic of its own rather than one
    // more taker of the lock.
    std::atomic<std::int64_t> m_bytes{0};
    mutable std::mutex m_lock;
    std::int64_t m_busyMs = 0;
    std::int64_t m_busySince = 0;
    bool m_busy = false;
};

}  // namespace corvane
