#pragma once
// The clock the engine reads ticks from: milliseconds of a monotonic clock, through an
// interface so that tests move time by hand. Any thread may read it.
#include <atomic>
#include <chrono>
#include <cstdint>

namespace corvane {

class IClock {
public:
    virtual ~IClock() = default;
    virtual int64_t NowMs() const = 0;
};

class CSteadyClock final : public IClock {
public:
    int64_t NowMs() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

// Time stands still until a test moves it.
class CManualClock final : public IClock {
public:
    explicit CManualClock(int64_t startMs = 0) : m_now(startMs) {}
    int64_t NowMs() const override { return m_now.load(); }
    void Advance(int64_t ms) { m_now += ms; }

private:
    std::atomic<int64_t> m_now;
};

}  // namespace corvane
