#include "platform/timer_service.h"

#include <algorithm>

namespace corvane {

bool CTimerSchedule::Set(unsigned id, int intervalMs, int64_t nowMs) {
    if (intervalMs <= 0) return false;
    m_timers[id] = STimer{intervalMs, nowMs + intervalMs};
    return true;
}

bool CTimerSchedule::Kill(unsigned id) { return m_timers.erase(id) > 0; }

std::vector<unsigned> CTimerSchedule::TakeDue(int64_t nowMs) {
    std::vector<std::pair<int64_t, unsigned>> due;
    for (auto& [id, timer] : m_timers) {
        if (timer.dueMs <= nowMs) {
            due.emplace_back(timer.dueMs, id);
            timer.dueMs = nowMs + timer.intervalMs;
        }
    }
    std::sort(due.begin(), due.end());
    std::vector<unsigned> ids;
    ids.reserve(due.size());
    for (const auto& entry : due) ids.push_back(entry.second);
    return ids;
}

bool CTimerSchedule::NextDue(int64_t& dueMs) const {
    if (m_timers.empty()) return false;
    dueMs = m_timers.begin()->second.dueMs;
    for (const auto& entry : m_timers) dueMs = std::min(dueMs, entry.second.dueMs);
    return true;
}

CThreadTimerService::CThreadTimerService(CMessageQueue& owner)
    : m_owner(owner), m_thread([this] { Run(); }) {}

CThreadTimerService::~CThreadTimerService() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool CThreadTimerService::SetTimer(unsigned id, int intervalMs) {
    bool set;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        set = m_schedule.Set(id, intervalMs, m_clock.NowMs());
    }
    m_changed.notify_all();
    return set;
}

bool CThreadTimerService::KillTimer(unsigned id) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_schedule.Kill(id);
}

void CThreadTimerService::Run() {
    std::unique_lock<std::mutex> guard(m_lock);
    while (!m_stopping) {
        int64_t due = 0;
        if (!m_schedule.NextDue(due)) {
            m_changed.wait(guard);
            continue;
        }
        const int64_t now = m_clock.NowMs();
        if (due > now) {
            m_changed.wait_for(guard, std::chrono::milliseconds(due - now));
            continue;
        }
        // A full owner queue loses this expiry; the timer fires again an interval later.
        for (unsigned id : m_schedule.TakeDue(now)) m_owner.Post(kTimerMessage, id);
    }
}

CManualTimerService::CManualTimerService(CManualClock& clock, CMessageQueue& owner)
    : m_clock(clock), m_owner(owner) {}

bool CManualTimerService::SetTimer(unsigned id, int intervalMs) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_schedule.Set(id, intervalMs, m_clock.NowMs());
}

bool CManualTimerService::KillTimer(unsigned id) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_schedule.Kill(id);
}

void CManualTimerService::Advance(int64_t ms) {
    std::lock_guard<std::mutex> guard(m_lock);
    const int64_t end = m_clock.NowMs() + ms;
    int64_t due = 0;
    while (m_schedule.NextDue(due) && due <= end) {
        m_clock.Advance(std::max<int64_t>(0, due - m_clock.NowMs()));
        for (unsigned id : m_schedule.TakeDue(m_clock.NowMs())) m_owner.Post(kTimerMessage, id);
    }
    m_clock.Advance(end - m_clock.NowMs());
}

}  // namespace corvane
