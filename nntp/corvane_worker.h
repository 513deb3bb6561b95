#pragma once
// The program's worker: a worker thread that owns one NNTP connection, kept open between jobs,
// and runs the job that belongs to each item's kind. The jobs come from a table so that each
// job lives in a file of its own; a kind without a job is refused (the item goes back to the
// main window as not done).
//
// It lives here rather than beside the generic worker because it needs the news client, and
// the news client needs work items.
#include <functional>
#include <map>

#include "nntp/connection.h"
#include "work/thread_worker.h"

namespace corvane {

class CCorvaneWorker;
using NntpJob = std::function<bool(CCorvaneWorker& worker, CWorkItem& item)>;
using CJobTable = std::map<WorkKind, NntpJob>;

class CCorvaneWorker final : public CThreadWorker {
public:
    CCorvaneWorker(int index, INntpServices& services, CJobTable jobs);
    ~CCorvaneWorker() override;

    void SetControls(WorkerControl kind, CWorkerDisplay* display) override;
    bool IsConnected() const override { return m_connection.IsConnected(); }
    void Disconnect() override { m_connection.Disconnect(); }
    bool DoWork(CWorkItem& item) override;

    CNntpConnection& Connection() { return m_connection; }
    INntpServices& Services() { return m_services; }
    // Every job starts so: "Connecting", then the item's connection values; "Connect failed"
    // when that does not work.
    bool ConnectFor(const CWorkItem& item);
    // A cancelled job closes its connection so that the next job starts afresh.
    bool CheckCancelled();
    // The flag a job's own further connections wait on, so that a cancel ends their reads too.
    const std::atomic<int>* CancelFlagForConnections() const { return &CancelFlag(); }

protected:
    void OnThreadExit() override { m_connection.Close(); }

private:
    INntpServices& m_services;
    const CJobTable m_jobs;
    CNntpConnection m_connection;
};

}  // namespace corvane
