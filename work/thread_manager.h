#pragma once
// The thread manager: a thread of its own that owns the three priority queues of waiting work
// items and the fixed pool of workers, decides which item runs next on which worker, and
// reports every item's end to the main window.
//
// The public operations are called on the main window's thread; each posts a message to the
// manager's thread or takes the lock for a short read or update. Every handler runs on the
// manager's thread under the lock and only collects what it has to post; the posts are made
// after the lock is released, so no handler ever waits on another thread while holding it.
//
// Items are owned by the queues while they wait, travel to a worker and back inside messages,
// and are handed to the main window with UWM_ITEM_DONE or UWM_ITEM_RETURNED.
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/message_queue.h"
#include "work/thread_worker.h"
#include "work/work_item.h"

namespace corvane {

class CThreadManager {
public:
    using WorkerFactory = std::function<std::unique_ptr<CThreadWorker>(int index)>;
    static constexpr int kMaxWorkers = 8;

    // Starts the manager's own thread; it serves messages until shutdown.
    CThreadManager();
    // Shuts down if that has not been done, and waits for every thread to end.
    ~CThreadManager();
    CThreadManager(const CThreadManager&) = delete;
    CThreadManager& operator=(const CThreadManager&) = delete;

    // Makes the pool and starts the workers' threads; allowed is 0 until SetThreadCount.
    void Start(CMessageQueue& window, int workerCount, const WorkerFactory& makeWorker);

    void SetThreadCount(int allowed);
    void AddItem(std::unique_ptr<CWorkItem> item);
    // Removes a waiting item, or cancels the worker running it; none means every item.
    void RemoveItem(const CWorkItem* item);
    void EmptyQueue();
    void CancelWorker(int index);
    void DisconnectIdle();
    void Pause();
    void Resume();
    void Shutdown();

    void SetWorkerControl(int index, WorkerControl kind, CWorkerDisplay* display);
    // The item worker `index` runs now, for locating it; not handed over.
    const CWorkItem* GetWorkerItem(int index) const;
    // Items waiting in the three queues (running ones not counted), for the status bar.
    int QueuedCount() const;

    // Waits until the manager's thread has ended (after UWM_MANAGER_STOPPED).
    void WaitStopped();

private:
    struct SPost {
        CMessageQueue* queue;
        unsigned number;
        intptr_t wParam;
        void* lParam;
        bool untilAccepted;
    };
    using ItemQueue = std::deque<std::unique_ptr<CWorkItem>>;

    void Run();
    // Handles one message under the lock; false when the manager's loop must end.
    bool Handle(const SMessage& message);
    void OnAddItem(std::unique_ptr<CWorkItem> item);
    bool OnWorkerDone(bool success, std::unique_ptr<CWorkItem> item);
    void OnRemoveItem(const CWorkItem* item);
    void OnRemoveAll();
    bool OnShutdown();
    void ReturnQueued();

    bool TakeNext();
    void Dispatch(std::unique_ptr<CWorkItem> item);
    int ChooseWorker() const;
    int FindWorkerRunning(const CWorkItem* item) const;
    void ToWindow(unsigned number, void* item = nullptr, bool untilAccepted = false);
    void Deliver(std::vector<SPost>& posts);

    CMessageQueue m_queue{SIZE_MAX};
    mutable std::mutex m_lock;
    std::vector<SPost> m_outbox;

    int m_busyCount = 0;
    ItemQueue m_high, m_medium, m_low;
    CMessageQueue* m_window = nullptr;
    bool m_shuttingDown = false;
    std::vector<unsigned char> m_busy;
    std::vector<const CWorkItem*> m_current;
    std::vector<std::unique_ptr<CThreadWorker>> m_workers;
    int m_allowed = 0;
    int m_workerCount = 0;
    bool m_idleReported = true;
    bool m_running = true;
    bool m_shutdownRequested = false;
    bool m_stopped = false;  // the loop has ended; set under the lock

    std::thread m_thread;
};

}  // namespace corvane
