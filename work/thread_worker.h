#pragma once
// A worker: a thread with its own message queue that runs one work item at a time for the
// thread manager. TM_DO_ITEM runs DoWork and reports the result with TM_WORKER_DONE; the item
// travels back with that message. TM_DISCONNECT closes the connection; the quit message ends
// the thread. Subclasses run on the worker's thread only, except IsConnected, which the
// manager asks from its own thread and which must therefore be safe to call from there.
#include <atomic>
#include <thread>

#include "platform/message_queue.h"
#include "work/work_item.h"
#include "work/worker_display.h"

namespace corvane {

class CThreadWorker {
public:
    CThreadWorker();
    virtual ~CThreadWorker();
    CThreadWorker(const CThreadWorker&) = delete;
    CThreadWorker& operator=(const CThreadWorker&) = delete;

    // Called by the manager before the thread starts.
    void Attach(CMessageQueue& managerQueue, int index);
    void StartThread();
    // Tells the thread to quit and waits for it; a subclass calls it in its destructor.
    void Stop();
    // Waits for the thread to end (after the quit message). A subclass's thread must have
    // ended before the subclass is destroyed, since the thread calls its virtual operations.
    void Join();

    CMessageQueue& Queue() { return m_queue; }
    // The manager's queue, for a job that must tell the manager something itself (a full
    // disk pauses the queue). Only valid once attached.
    CMessageQueue& ManagerQueue() { return *m_managerQueue; }
    int Index() const { return m_index; }

    // Set by the manager when the user cancels the running job; jobs poll it once per line.
    // The manager also clears it when it hands the worker a new item, so that a cancel meant
    // for the previous job, arriving just as that job ended, cannot reach the next one.
    void SetCancel() { m_cancel.store(1); }
    void ClearCancel() { m_cancel.store(0); }
    bool IsCancelled() const { return m_cancel.load() != 0; }

    virtual void SetControls(WorkerControl kind, CWorkerDisplay* display);
    virtual bool IsConnected() const;
    virtual void Disconnect();
    virtual bool DoWork(CWorkItem& item);

protected:
    // The thread is ending: close what is open without touching the worker's row.
    virtual void OnThreadExit();
    const std::atomic<int>& CancelFlag() const { return m_cancel; }

private:
    void Run();

    int m_index = 0;
    CMessageQueue* m_managerQueue = nullptr;
    std::atomic<int> m_cancel{0};
    CMessageQueue m_queue{SIZE_MAX};
    std::thread m_thread;
};

}  // namespace corvane
