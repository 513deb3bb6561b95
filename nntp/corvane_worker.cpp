#include "nntp/corvane_worker.h"

#include "resources/string_table.h"

namespace corvane {

CCorvaneWorker::CCorvaneWorker(int index, INntpServices& services, CJobTable jobs)
    : m_services(services), m_jobs(std::move(jobs)), m_connection(index, services, &CancelFlag()) {}

CCorvaneWorker::~CCorvaneWorker() { Stop(); }

void CCorvaneWorker::SetControls(WorkerControl kind, CWorkerDisplay* display) {
    m_connection.SetControls(kind, display);
}

bool CCorvaneWorker::DoWork(CWorkItem& item) {
    const auto job = m_jobs.find(item.Kind());
    if (job == m_jobs.end()) return false;
    return job->second(*this, item);
}

bool CCorvaneWorker::ConnectFor(const CWorkItem& item) {
    m_connection.SetStatusText(ResourceString(kIdsConnecting));
    if (m_connection.Connect(item.server, item.user, item.password, item.loginRequired != 0, item.port)) {
        return true;
    }
    m_connection.SetStatusText(ResourceString(kIdsConnectFailed));
    return false;
}

bool CCorvaneWorker::CheckCancelled() {
    if (!IsCancelled()) return false;
    m_connection.Disconnect();
    return true;
}

}  // namespace corvane
