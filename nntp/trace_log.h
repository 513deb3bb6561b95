#pragma once
// The trace file "dbgtrace": every line the workers send to and receive from the news server,
// for diagnosing a conversation. Off at start; once switched on it stays on for the run.
// Nothing in the program reads it.
//
// Any thread may append. Each record is written whole by one open-append-close under a lock,
// so that records of eight workers never mix within a line and the file is complete on disk
// after each one. A record that cannot be written is dropped: tracing must never disturb a
// connection.
#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

namespace corvane {

class CTraceLog {
public:
    static constexpr const char* kDefaultPath = "dbgtrace";
    static constexpr const char* kVersion = "Version: 2.0.17";

    explicit CTraceLog(std::string path = kDefaultPath);

    // Switches tracing on and appends the start line (again on every call).
    void Enable();
    bool IsEnabled() const { return m_enabled.load(std::memory_order_relaxed); }

    // One line the worker `slot` sent (keeping its own line end) or received (without one).
    void Traffic(int slot, bool sent, std::string_view line);
    // Appends the text as it stands; false when it could not be written.
    bool Append(std::string_view text);

private:
    const std::string m_path;
    std::atomic<bool> m_enabled{false};
    std::mutex m_lock;
};

}  // namespace corvane
