#pragma once
// The window's timers on the Qt event loop: each id is a QTimer that posts kTimerMessage with
// the id to the window's queue, which the window drains like every other message, so a timer
// is handled in the same order as the workers' notifications. An id has at most one message
// waiting in the queue: while a dialog holds up the queue, a timer that keeps falling due
// still gives one expiry afterwards, not a burst. Main thread only (QTimer belongs to the
// thread that made it); the timers stop when the service is destroyed.
#include <QObject>
#include <map>
#include <memory>
#include <set>

#include "platform/message_queue.h"
#include "platform/timer_service.h"

class QTimer;

namespace corvane {

class CQtTimerService final : public QObject, public ITimerService {
public:
    explicit CQtTimerService(CMessageQueue& owner, QObject* parent = nullptr);
    ~CQtTimerService() override;
    bool SetTimer(unsigned id, int intervalMs) override;
    bool KillTimer(unsigned id) override;
    bool IsRunning(unsigned id) const;
    // Whoever takes a timer's message from the queue says so, and the id may post again.
    void Delivered(unsigned id);

private:
    CMessageQueue& m_owner;
    std::map<unsigned, std::unique_ptr<QTimer>> m_timers;
    std::set<unsigned> m_waiting;
};

}  // namespace corvane
