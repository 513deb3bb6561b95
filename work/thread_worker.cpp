#include "work/thread_worker.h"

#include <memory>

#include "work/messages.h"

namespace corvane {

CThreadWorker::CThreadWorker() = default;

CThreadWorker::~CThreadWorker() { Stop(); }

void CThreadWorker::Stop() {
    if (m_thread.joinable()) {
        m_queue.PostQuit();
        m_thread.join();
    }
}

void CThreadWorker::Attach(CMessageQueue& managerQueue, int index) {
    m_managerQueue = &managerQueue;
    m_index = index;
}

void CThreadWorker::StartThread() { m_thread = std::thread([this] { Run(); }); }

void CThreadWorker::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void CThreadWorker::SetControls(WorkerControl, CWorkerDisplay*) {}
bool CThreadWorker::IsConnected() const { return false; }
void CThreadWorker::Disconnect() {}
bool CThreadWorker::DoWork(CWorkItem&) { return true; }
void CThreadWorker::OnThreadExit() {}

void CThreadWorker::Run() {
    SMessage message;
    while (m_queue.Get(message)) {
        if (message.number == TM_DO_ITEM) {
            std::unique_ptr<CWorkItem> item(static_cast<CWorkItem*>(message.lParam));
            const bool done = item && DoWork(*item);
            m_cancel.store(0);
            PostOwnedUntilAccepted(*m_managerQueue, TM_WORKER_DONE, done ? 1 : 0, std::move(item));
        } else if (message.number == TM_DISCONNECT) {
            Disconnect();
        }
    }
    OnThreadExit();
}

}  // namespace corvane
