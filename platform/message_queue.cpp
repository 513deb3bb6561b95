#include "platform/message_queue.h"

#include <thread>

namespace corvane {

CMessageQueue::CMessageQueue(size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

bool CMessageQueue::Post(unsigned number, intptr_t wParam, void* lParam) {
    bool wake;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_messages.size() >= m_capacity) return false;
        m_messages.push_back(SMessage{number, wParam, lParam});
        wake = m_waiting > 0;
    }
    // A header job posts a message per overview line; waking a receiver that is busy anyway
    // would cost a system call each time.
    if (wake) m_arrived.notify_one();
    return true;
}

void CMessageQueue::PostQuit() {
    bool wake;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_messages.push_back(SMessage{kQuitMessage, 0, nullptr});
        wake = m_waiting > 0;
    }
    if (wake) m_arrived.notify_one();
}

void CMessageQueue::PostUntilAccepted(unsigned number, intptr_t wParam, void* lParam) {
    // A full queue drains as its thread works; a short sleep lets it catch up without the
    // sender spinning on the lock.
    while (!Post(number, wParam, lParam)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CMessageQueue::TakeLocked(SMessage& message) {
    message = m_messages.front();
    m_messages.pop_front();
}

bool CMessageQueue::Get(SMessage& message) {
    std::unique_lock<std::mutex> guard(m_lock);
    ++m_waiting;
    m_arrived.wait(guard, [this] { return !m_messages.empty(); });
    --m_waiting;
    TakeLocked(message);
    return message.number != kQuitMessage;
}

bool CMessageQueue::GetFor(SMessage& message, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> guard(m_lock);
    ++m_waiting;
    const bool arrived = m_arrived.wait_for(guard, wait, [this] { return !m_messages.empty(); });
    --m_waiting;
    if (!arrived) {
        message = SMessage{};
        return false;
    }
    TakeLocked(message);
    return true;
}

bool CMessageQueue::TryGet(SMessage& message) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_messages.empty()) {
        message = SMessage{};
        return false;
    }
    TakeLocked(message);
    return true;
}

size_t CMessageQueue::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages.size();
}

}  // namespace corvane
