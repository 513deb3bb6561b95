#pragma once
// What a worker's jobs need from the application: the time-out of a blocking call and the
// values of the current setup (read afresh at each use, so a changed setup takes effect at
// once), the shared total of received bytes, the trace file, the newsgroup index, the file
// name/size index and the thumbnail area of each worker row. Called from every worker thread
// at once, so each implementation must be safe for that.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "nntp/newsgroup_store.h"
#include "nntp/trace_log.h"
#include "setup/setup.h"
#include "store/file_registry.h"

namespace corvane {

class INntpServices {
public:
    virtual ~INntpServices() = default;
    virtual int TimeoutMs() const = 0;
    virtual void AddReceivedBytes(long bytes) = 0;
    // Null when the program keeps no trace file.
    virtual CTraceLog* Trace() = 0;
    // The current setup's news server and port (the header job's second connection uses them).
    virtual std::string NewsServer() const = 0;
    virtual int Port() const = 0;
    // The current setup's "Collect crossposts once only".
    virtual bool CollectCrosspostsOnce() const = 0;
    // Null when no newsgroup index is kept.
    virtual INewsgroupStore* Newsgroups() = 0;
    // The setup as it stands, as one immutable copy: the application publishes a fresh one
    // whenever the setup or its rules change, so a worker that holds it sees one consistent
    // rule list however the main thread replaces the setup meanwhile. Null: no setup, every
    // article is wanted.
    virtual std::shared_ptr<const CSetup> SetupSnapshot() const = 0;
    // Where decoders look up and record completed files; null when no index is kept.
    virtual IFileRegistry* FileRegistry() = 0;
};

// The services as plain values: for tools, tests and the headless front end's defaults.
class CBasicNntpServices final : public INntpServices {
public:
    explicit CBasicNntpServices(int timeoutMs = 60000, CTraceLog* trace = nullptr)
        : m_timeoutMs(timeoutMs), m_trace(trace) {}
    int TimeoutMs() const override { return m_timeoutMs.load(); }
    void AddReceivedBytes(long bytes) override { m_received += bytes; }
    CTraceLog* Trace() override { return m_trace; }
    std::string NewsServer() const override {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_server;
    }
    int Port() const override { return m_port.load(); }
    bool CollectCrosspostsOnce() const override { return m_crosspostsOnce.load(); }
    INewsgroupStore* Newsgroups() override { return m_newsgroups.load(); }
    std::shared_ptr<const CSetup> SetupSnapshot() const override {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_setup;
    }
    IFileRegistry* FileRegistry() override { return m_registry.load(); }

    void SetTimeoutMs(int ms) { m_timeoutMs = ms; }
    void SetServer(const std::string& server, int port) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_server = server;
        m_port = port;
    }
    void SetCollectCrosspostsOnce(bool on) { m_crosspostsOnce = on; }
    void SetNewsgroups(INewsgroupStore* store) { m_newsgroups = store; }
    // Replaces the published setup; holders of the previous one keep it until they let go.
    void PublishSetup(std::shared_ptr<const CSetup> setup) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_setup = std::move(setup);
    }
    void SetFileRegistry(IFileRegistry* registry) { m_registry = registry; }
    long ReceivedBytes() const { return m_received.load(); }

private:
    std::atomic<int> m_timeoutMs;
    std::atomic<long> m_received{0};
    CTraceLog* m_trace;
    mutable std::mutex m_lock;
    std::string m_server = "127.0.0.1";
    std::atomic<int> m_port{119};
    std::atomic<bool> m_crosspostsOnce{true};
    std::atomic<INewsgroupStore*> m_newsgroups{nullptr};
    std::shared_ptr<const CSetup> m_setup;
    std::atomic<IFileRegistry*> m_registry{nullptr};
};

}  // namespace corvane
