#include "work/thread_manager.h"

#include <algorithm>

#include "work/messages.h"

namespace corvane {

CThreadManager::CThreadManager() : m_thread([this] { Run(); }) {}

CThreadManager::~CThreadManager() {
    bool requested;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        requested = m_shutdownRequested;
    }
    if (!requested) Shutdown();
    WaitStopped();
    // Every worker has been told to quit by now: the idle ones at shutdown, the busy ones as
    // they reported their last item.
    for (auto& worker : m_workers) worker->Join();
}

void CThreadManager::Start(CMessageQueue& window, int workerCount, const WorkerFactory& makeWorker) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = &window;
    m_workerCount = workerCount;
    m_busy.assign(workerCount, 0);
    m_current.assign(workerCount, nullptr);
    m_workers.clear();
    for (int i = 0; i < workerCount; ++i) {
        m_workers.push_back(makeWorker(i));
        m_workers.back()->Attach(m_queue, i);
        m_workers.back()->StartThread();
    }
    m_allowed = 0;
    m_busyCount = 0;
    m_idleReported = true;
}

void CThreadManager::SetThreadCount(int allowed) {
    // Always posted: the count the manager holds lags behind the requests still in its queue,
    // so comparing with it would drop a request that undoes an earlier one (1, then 0).
    m_queue.Post(TM_SET_THREADS, allowed);
}

void CThreadManager::AddItem(std::unique_ptr<CWorkItem> item) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_stopped) {
        PostOwnedUntilAccepted(m_queue, TM_ADD_ITEM, 0, std::move(item));
    } else if (m_window) {
        // Nobody serves the manager's queue any more. The window is closing; should its queue
        // be full, the item goes with it rather than the window's thread waiting on itself.
        PostOwned(*m_window, UWM_ITEM_RETURNED, 0, item);
    }
}

void CThreadManager::RemoveItem(const CWorkItem* item) {
    m_queue.Post(TM_REMOVE_ITEM, 0, const_cast<CWorkItem*>(item));
}

void CThreadManager::EmptyQueue() { m_queue.Post(TM_EMPTY_QUEUE); }
void CThreadManager::CancelWorker(int index) { m_queue.Post(TM_CANCEL_WORKER, index); }
void CThreadManager::DisconnectIdle() { m_queue.Post(TM_DISCONNECT_IDLE); }
void CThreadManager::Pause() { m_queue.Post(TM_PAUSE); }
void CThreadManager::Resume() { m_queue.Post(TM_RESUME); }

void CThreadManager::Shutdown() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_shutdownRequested = true;
    }
    m_queue.Post(TM_SHUTDOWN);
}

void CThreadManager::SetWorkerControl(int index, WorkerControl kind, CWorkerDisplay* display) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (index >= 0 && index < m_workerCount) m_workers[index]->SetControls(kind, display);
}

int CThreadManager::QueuedCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_high.size() + m_medium.size() + m_low.size());
}

const CWorkItem* CThreadManager::GetWorkerItem(int index) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return index >= 0 && index < m_workerCount ? m_current[index] : nullptr;
}

void CThreadManager::WaitStopped() {
    if (m_thread.joinable()) m_thread.join();
}

void CThreadManager::Run() {
    SMessage message;
    bool going = true;
    while (going && m_queue.Get(message)) {
        std::vector<SPost> posts;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            going = Handle(message);
            posts.swap(m_outbox);
        }
        Deliver(posts);
    }
    // Items that raced with the end of the loop go back as if added during shutdown.
    std::vector<SPost> posts;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopped = true;
        while (m_queue.TryGet(message)) {
            if (message.number == TM_ADD_ITEM) ToWindow(UWM_ITEM_RETURNED, message.lParam, true);
        }
        posts.swap(m_outbox);
    }
    Deliver(posts);
}

void CThreadManager::Deliver(std::vector<SPost>& posts) {
    for (const SPost& post : posts) {
        if (post.number == kQuitMessage) {
            post.queue->PostQuit();
        } else if (post.untilAccepted) {
            post.queue->PostUntilAccepted(post.number, post.wParam, post.lParam);
        } else {
            post.queue->Post(post.number, post.wParam, post.lParam);
        }
    }
}

void CThreadManager::ToWindow(unsigned number, void* item, bool untilAccepted) {
    if (m_window) m_outbox.push_back(SPost{m_window, number, 0, item, untilAccepted});
}

bool CThreadManager::Handle(const SMessage& message) {
    switch (message.number) {
        case TM_ADD_ITEM:
            OnAddItem(std::unique_ptr<CWorkItem>(static_cast<CWorkItem*>(message.lParam)));
            return true;
        case TM_WORKER_DONE:
            return OnWorkerDone(message.wParam != 0,
                                std::unique_ptr<CWorkItem>(static_cast<CWorkItem*>(message.lParam)));
        case TM_SET_THREADS:
            // More than the pool cannot run; fewer than none is none.
            m_allowed = std::clamp(static_cast<int>(message.wParam), 0, m_workerCount);
            TakeNext();
            return true;
        case TM_RESUME:
            m_running = true;
            TakeNext();
            return true;
        case TM_PAUSE:
            m_running = false;
            return true;
        case TM_CANCEL_WORKER: {
            const auto index = message.wParam;
            if (index >= 0 && index < m_workerCount && m_busy[index]) m_workers[index]->SetCancel();
            return true;
        }
        case TM_REMOVE_ITEM:
            if (message.lParam) {
                OnRemoveItem(static_cast<const CWorkItem*>(message.lParam));
            } else {
                OnRemoveAll();
            }
            return true;
        case TM_EMPTY_QUEUE:
            ReturnQueued();
            return true;
        case TM_DISCONNECT_IDLE:
            for (int i = 0; i < m_workerCount; ++i) {
                if (!m_busy[i]) m_outbox.push_back(SPost{&m_workers[i]->Queue(), TM_DISCONNECT, 0, nullptr, true});
            }
            return true;
        case TM_SHUTDOWN:
            return OnShutdown();
        default:
            return true;
    }
}

void CThreadManager::OnAddItem(std::unique_ptr<CWorkItem> item) {
    if (!item) return;
    if (m_shuttingDown) {
        ToWindow(UWM_ITEM_RETURNED, item.release(), true);
        return;
    }
    if (m_busyCount < m_allowed && m_running) {
        Dispatch(std::move(item));
        return;
    }
    switch (item->priority) {
        case 0: m_high.push_front(std::move(item)); break;
        case 1: m_high.push_back(std::move(item)); break;
        case 2: m_medium.push_back(std::move(item)); break;
        default: m_low.push_back(std::move(item)); break;
    }
}

bool CThreadManager::OnWorkerDone(bool success, std::unique_ptr<CWorkItem> item) {
    const int index = FindWorkerRunning(item.get());
    if (index >= 0) {
        m_busy[index] = 0;
        m_current[index] = nullptr;
        --m_busyCount;
    }
    // The item goes back whatever happens to the post: a lost item would leave its article
    // marked as queued for good, so the post is repeated until the window takes it.
    ToWindow(success ? UWM_ITEM_DONE : UWM_ITEM_RETURNED, item.release(), true);
    if (m_shuttingDown) {
        if (index >= 0) m_outbox.push_back(SPost{&m_workers[index]->Queue(), kQuitMessage, 0, nullptr, true});
        if (m_busyCount == 0) {
            ToWindow(UWM_MANAGER_STOPPED);
            return false;
        }
        return true;
    }
    if (!TakeNext() && m_busyCount == 0 && m_running && !m_idleReported) {
        ToWindow(UWM_QUEUE_IDLE);
        m_idleReported = true;
    }
    return true;
}

void CThreadManager::OnRemoveItem(const CWorkItem* item) {
    for (ItemQueue* queue : {&m_high, &m_medium, &m_low}) {
        for (auto it = queue->begin(); it != queue->end(); ++it) {
            if (it->get() == item) {
                ToWindow(UWM_ITEM_RETURNED, it->release(), true);
                queue->erase(it);
                return;
            }
        }
    }
    const int index = FindWorkerRunning(item);
    if (index >= 0) m_outbox.push_back(SPost{&m_queue, TM_CANCEL_WORKER, index, nullptr, true});
}

void CThreadManager::OnRemoveAll() {
    ReturnQueued();
    for (int i = 0; i < m_workerCount; ++i) {
        if (m_busy[i]) m_outbox.push_back(SPost{&m_queue, TM_CANCEL_WORKER, i, nullptr, true});
    }
}

void CThreadManager::ReturnQueued() {
    for (ItemQueue* queue : {&m_high, &m_medium, &m_low}) {
        while (!queue->empty()) {
            ToWindow(UWM_ITEM_RETURNED, queue->front().release(), true);
            queue->pop_front();
        }
    }
}

bool CThreadManager::OnShutdown() {
    OnRemoveAll();
    m_shuttingDown = true;
    for (int i = 0; i < m_workerCount; ++i) {
        if (!m_busy[i]) m_outbox.push_back(SPost{&m_workers[i]->Queue(), kQuitMessage, 0, nullptr, true});
    }
    if (m_busyCount == 0) {
        ToWindow(UWM_MANAGER_STOPPED);
        return false;
    }
    return true;
}

bool CThreadManager::TakeNext() {
    if (m_busyCount >= m_allowed || !m_running) return false;
    for (ItemQueue* queue : {&m_high, &m_medium, &m_low}) {
        if (!queue->empty()) {
            std::unique_ptr<CWorkItem> item = std::move(queue->front());
            queue->pop_front();
            Dispatch(std::move(item));
            return true;
        }
    }
    return false;
}

int CThreadManager::ChooseWorker() const {
    for (int i = 0; i < m_workerCount; ++i) {
        if (!m_busy[i] && m_workers[i]->IsConnected()) return i;
    }
    for (int i = 0; i < m_allowed && i < m_workerCount; ++i) {
        if (!m_busy[i]) return i;
    }
    return -1;
}

void CThreadManager::Dispatch(std::unique_ptr<CWorkItem> item) {
    // With fewer busy workers than allowed, one of the first `allowed` workers is idle.
    const int index = ChooseWorker();
    ++m_busyCount;
    m_current[index] = item.get();
    m_busy[index] = 1;
    m_workers[index]->ClearCancel();
    m_outbox.push_back(SPost{&m_workers[index]->Queue(), TM_DO_ITEM, 0, item.release(), true});
    if (m_idleReported) {
        ToWindow(UWM_QUEUE_BUSY);
        m_idleReported = false;
    }
}

int CThreadManager::FindWorkerRunning(const CWorkItem* item) const {
    for (int i = 0; i < m_workerCount; ++i) {
        if (m_current[i] == item && m_busy[i]) return i;
    }
    return -1;
}

}  // namespace corvane
