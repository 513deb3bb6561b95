#include "gui/qt_timer_service.h"

#include <QTimer>

namespace corvane {

CQtTimerService::CQtTimerService(CMessageQueue& owner, QObject* parent)
    : QObject(parent), m_owner(owner) {}

CQtTimerService::~CQtTimerService() = default;

bool CQtTimerService::SetTimer(unsigned id, int intervalMs) {
    if (intervalMs <= 0) return false;
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, this, [this, id] {
            if (!m_waiting.insert(id).second) return;
            // A full queue drops the post; the next expiry tries again.
            if (!m_owner.Post(kTimerMessage, static_cast<int>(id))) m_waiting.erase(id);
        });
    }
    // Starting a running timer restarts its interval from now.
    timer->start(intervalMs);
    return true;
}

bool CQtTimerService::KillTimer(unsigned id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end() || !it->second->isActive()) return false;
    it->second->stop();
    return true;
}

void CQtTimerService::Delivered(unsigned id) {
    m_waiting.erase(id);
}

bool CQtTimerService::IsRunning(unsigned id) const {
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

}  // namespace corvane
