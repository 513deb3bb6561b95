#pragma once
// Timers by id, as the main window uses them: a started timer posts a timer message (number
// kTimerMessage, integer = id) to its owner's queue every interval until it is killed.
// Starting a running id restarts it with the new interval. Called from the owner's thread.
//
// CThreadTimerService runs the timers on a thread of its own against the steady clock;
// CManualTimerService fires them only when a test advances its manual clock.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/message_queue.h"

namespace corvane {

class ITimerService {
public:
    virtual ~ITimerService() = default;
    // False when the interval is not positive.
    virtual bool SetTimer(unsigned id, int intervalMs) = 0;
    // False when no such timer runs.
    virtual bool KillTimer(unsigned id) = 0;
};

// The running timers and when each is next due. Not locked: its owners lock around it.
class CTimerSchedule {
public:
    bool Set(unsigned id, int intervalMs, int64_t nowMs);
    bool Kill(unsigned id);
    // Ids of the timers due at or before nowMs, in the order they fell due; each is rearmed one
    // interval after now, so a late owner gets one expiry, not a burst of missed ones.
    std::vector<unsigned> TakeDue(int64_t nowMs);
    // When the next timer falls due; false when none runs.
    bool NextDue(int64_t& dueMs) const;

private:
    struct STimer {
        int intervalMs;
        int64_t dueMs;
    };
    std::map<unsigned, STimer> m_timers;
};

class CThreadTimerService final : public ITimerService {
public:
    explicit CThreadTimerService(CMessageQueue& owner);
    ~CThreadTimerService() override;
    bool SetTimer(unsigned id, int intervalMs) override;
    bool KillTimer(unsigned id) override;

private:
    void Run();

    CMessageQueue& m_owner;
    CSteadyClock m_clock;
    std::mutex m_lock;
    std::condition_variable m_changed;
    CTimerSchedule m_schedule;
    bool m_stopping = false;
    std::thread m_thread;
};

class CManualTimerService final : public ITimerService {
public:
    CManualTimerService(CManualClock& clock, CMessageQueue& owner);
    bool SetTimer(unsigned id, int intervalMs) override;
    bool KillTimer(unsigned id) override;
    // Moves the clock forward step by step, posting every expiry that falls within the span in
    // the order of its time.
    void Advance(int64_t ms);

private:
    CManualClock& m_clock;
    CMessageQueue& m_owner;
    std::mutex m_lock;
    CTimerSchedule m_schedule;
};

}  // namespace corvane
