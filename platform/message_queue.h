#pragma once
// The message queue of one thread: the only way threads talk. A message is a number, one
// integer and one pointer-sized value, served first-in first-out. Any thread may post; only
// the owning thread takes messages out.
//
// The queue is bounded, so a post can fail; the sender then still owns whatever the pointer
// refers to and may repeat the post (PostUntilAccepted) or drop it. The quit message is the
// exception: it is always accepted, so that a thread can always be told to end.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

namespace corvane {

// The number that ends a thread's message loop.
inline constexpr unsigned kQuitMessage = 0x0012;
// The number of a timer expiry; the integer is the timer's id.
inline constexpr unsigned kTimerMessage = 0x0113;

struct SMessage {
    unsigned number = 0;
    intptr_t wParam = 0;
    void* lParam = nullptr;
};

class CMessageQueue {
public:
    // Room for as many messages as a busy thread's queue should ever need to hold.
    static constexpr size_t kDefaultCapacity = 10000;

    explicit CMessageQueue(size_t capacity = kDefaultCapacity);
    CMessageQueue(const CMessageQueue&) = delete;
    CMessageQueue& operator=(const CMessageQueue&) = delete;

    // False when the queue is full; nothing is queued then.
    bool Post(unsigned number, intptr_t wParam = 0, void* lParam = nullptr);
    // Queued behind what is there already, whatever the capacity.
    void PostQuit();
    // Repeats the post until the queue takes it; the sender waits briefly between tries.
    void PostUntilAccepted(unsigned number, intptr_t wParam = 0, void* lParam = nullptr);

    // Waits for the next message. False when it is the quit message.
    bool Get(SMessage& message);
    // Take the next message, the quit message included, if one arrives within the wait / is
    // there now. False when none was taken (message.number is then 0).
    bool GetFor(SMessage& message, std::chrono::milliseconds wait);
    bool TryGet(SMessage& message);

    size_t Size() const;
    size_t Capacity() const { return m_capacity; }

private:
    void TakeLocked(SMessage& message);

    const size_t m_capacity;
    mutable std::mutex m_lock;
    std::condition_variable m_arrived;
    std::deque<SMessage> m_messages;
    size_t m_waiting = 0;  // receivers blocked in Get or GetFor
};

// Posts an owned object: on success the receiver owns it and `object` is left empty; on
// failure `object` still holds it.
template <typename T>
bool PostOwned(CMessageQueue& queue, unsigned number, intptr_t wParam, std::unique_ptr<T>& object) {
    if (!queue.Post(number, wParam, object.get())) return false;
    object.release();
    return true;
}

// Posts an owned object, repeating until the queue takes it.
template <typename T>
void PostOwnedUntilAccepted(CMessageQueue& queue, unsigned number, intptr_t wParam,
                            std::unique_ptr<T> object) {
    queue.PostUntilAccepted(number, wParam, object.release());
}

}  // namespace corvane
