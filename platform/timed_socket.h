#pragma once
// The worker's connection to the news server: a TCP stream socket whose connect and reads are
// bounded by the user's time-out and by the worker's cancel flag, while sends are not bounded.
// It owns one file descriptor and closes it on failure of Connect and on destruction. One
// thread uses it (the worker that owns it); only the cancel flag is written from elsewhere.
// ITransport is what the line reader reads from, so that an encrypted transport can take the
// socket's place without the reader knowing.
#include <atomic>
#include <cstddef>
#include <string>

struct addrinfo;

namespace corvane {

// Byte transport under the line reader, so that another transport (TLS) can slot in later.
class ITransport {
public:
    virtual ~ITransport() = default;
    // Writes every byte; not bounded by any time-out. False on failure (peer gone, closed).
    virtual bool SendAll(const char* data, size_t length) = 0;
    // Waits at most timeoutMs (negative = no limit) for data. Returns the number of bytes read
    // (> 0), 0 when the peer closed the connection, -1 on error, time-out or cancel.
    virtual long ReceiveSome(char* buffer, size_t capacity, int timeoutMs) = 0;
    virtual void Close() = 0;
};

class CTimedSocket final : public ITransport {
public:
    CTimedSocket();
    ~CTimedSocket() override;
    CTimedSocket(const CTimedSocket&) = delete;
    CTimedSocket& operator=(const CTimedSocket&) = delete;

    // Host name (every address it resolves to is tried in turn) or numeric IPv4/IPv6 address.
    // The whole connect over all addresses is bounded by timeoutMs (negative = no limit); the
    // name lookup itself is not, as the resolver offers no way to bound it. Closes any socket
    // already open first. False on failure, time-out or cancel; the socket is then closed.
    bool Connect(const std::string& host, int port, int timeoutMs);
    // A peer that has gone away makes this fail; it never raises SIGPIPE.
    bool SendAll(const char* data, size_t length) override;
    // A time-out or cancel leaves the socket open: the caller decides whether to close it.
    long ReceiveSome(char* buffer, size_t capacity, int timeoutMs) override;
    void Close() override;
    bool IsOpen() const { return m_fd >= 0; }

    // A flag owned by the worker that the user's cancel sets (non-zero) from another thread.
    // While connect or receive waits it is looked at every 100 ms at most; once it is set the
    // call fails like a time-out. May be null (the default).
    void SetCancelFlag(const std::atomic<int>* flag) { m_cancel = flag; }
    // Why the last call failed, for diagnostics: "timed out", "cancelled", "connection refused".
    const std::string& LastError() const { return m_lastError; }

    // The longest a wait goes without looking at the cancel flag.
    static constexpr int kCancelPollMs = 100;

private:
    enum class EWait { kReady, kTimedOut, kCancelled, kFailed };

    // kReady when connected; kFailed lets the caller try the next address.
    EWait ConnectOne(const ::addrinfo& address, long long deadlineMs);
    // Waits until the descriptor reports one of the events, the deadline (steady-clock ms,
    // negative = none) passes, or the cancel flag is set.
    EWait WaitFor(short events, long long deadlineMs);
    bool IsCancelled() const;
    void Fail(const std::string& why) { m_lastError = why; }
    void FailErrno(int error);
    void FailWait(EWait outcome);

    int m_fd = -1;
    const std::atomic<int>* m_cancel = nullptr;
    std::string m_lastError;
};

}  // namespace corvane
