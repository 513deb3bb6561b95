#pragma once
// What the program's workers get from the application: the time-out and the server values of
// the setup as last published, the shared byte counter, the trace file while tracing is on,
// the newsgroup index and the file registry. The main thread publishes a fresh immutable copy
// of the setup whenever it changes (load, New, Options, a kill rule, a wizard, a switch), and
// workers read only that copy, so they never see a setup the main thread is editing.
#include <atomic>
#include <memory>
#include <mutex>

#include "app/throughput.h"
#include "nntp/nntp_services.h"

namespace corvane {

class CAppServices final : public INntpServices {
public:
    CAppServices(CThroughputCounters& throughput, CTraceLog& trace, INewsgroupStore* newsgroups,
                 IFileRegistry* registry)
        : m_throughput(throughput),
          m_trace(trace),
          m_newsgroups(newsgroups),
          m_registry(registry),
          m_setup(std::make_shared<const CSetup>()),
          m_timeoutMs(TimeoutOf(*m_setup)) {}

    // Main thread: takes a copy of the setup as it stands now.
    void PublishSetup(const CSetup& setup);

    // Read on every line a worker receives: kept apart from the snapshot, so that it costs
    // one atomic load rather than a lock and a shared count on the hot path.
    int TimeoutMs() const override { return m_timeoutMs.load(std::memory_order_relaxed); }
    void AddReceivedBytes(long bytes) override { m_throughput.AddBytes(bytes); }
    CTraceLog* Trace() override { return m_trace.IsEnabled() ? &m_trace : nullptr; }
    std::string NewsServer() const override { return SetupSnapshot()->NewsServer(); }
    int Port() const override { return SetupSnapshot()->m_port; }
    bool CollectCrosspostsOnce() const override {
        return SetupSnapshot()->m_crosspostsOnce != 0;
    }
    INewsgroupStore* Newsgroups() override { return m_newsgroups; }
    std::shared_ptr<const CSetup> SetupSnapshot() const override;
    IFileRegistry* FileRegistry() override { return m_registry; }

private:
    static int TimeoutOf(const CSetup& setup);

    CThroughputCounters& m_throughput;
    CTraceLog& m_trace;
    INewsgroupStore* const m_newsgroups;
    IFileRegistry* const m_registry;
    mutable std::mutex m_lock;
    std::shared_ptr<const CSetup> m_setup;  // under m_lock
    std::atomic<int> m_timeoutMs;
};

}  // namespace corvane
