#include "app/app_services.h"

#include <algorithm>

namespace corvane {

void CAppServices::PublishSetup(const CSetup& setup) {
    auto copy = std::make_shared<const CSetup>(setup);
    m_timeoutMs.store(TimeoutOf(setup), std::memory_order_relaxed);
    std::lock_guard<std::mutex> guard(m_lock);
    m_setup = std::move(copy);
}

std::shared_ptr<const CSetup> CAppServices::SetupSnapshot() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_setup;
}

int CAppServices::TimeoutOf(const CSetup& setup) {
    // A setup file can hold any number: keep the time-out between one minute and a day.
    const int minutes = std::clamp(setup.m_timeOutMinutes, 1, 24 * 60);
    return minutes * 60000;
}

}  // namespace corvane
