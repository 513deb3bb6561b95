#pragma once
// What a worker's NNTP connection needs from the application: the time-out of a blocking call
// (read afresh at each call, so a changed setup takes effect at once), the shared total of
// received bytes, and the trace file. Called from every worker thread at once, so each
// implementation must be safe for that.
#include <atomic>

#include "nntp/trace_log.h"

namespace corvane {

class INntpServices {
public:
    virtual ~INntpServices() = default;
    virtual int TimeoutMs() const = 0;
    virtual void AddReceivedBytes(long bytes) = 0;
    // Null when the program keeps no trace file.
    virtual CTraceLog* Trace() = 0;
};

// The services as plain values: for tools, tests and the headless front end's defaults.
class CBasicNntpServices final : public INntpServices {
public:
    explicit CBasicNntpServices(int timeoutMs = 60000, CTraceLog* trace = nullptr)
        : m_timeoutMs(timeoutMs), m_trace(trace) {}
    int TimeoutMs() const override { return m_timeoutMs.load(); }
    void AddReceivedBytes(long bytes) override { m_received += bytes; }
    CTraceLog* Trace() override { return m_trace; }

    void SetTimeoutMs(int ms) { m_timeoutMs = ms; }
    long ReceivedBytes() const { return m_received.load(); }

private:
    std::atomic<int> m_timeoutMs;
    std::atomic<long> m_received{0};
    CTraceLog* m_trace;
};

}  // namespace corvane
