#include "platform/timed_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <memory>
#include <system_error>

namespace corvane {

namespace {

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

long long DeadlineFrom(int timeoutMs) {
    return timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
}

struct CAddrInfoFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Connect waits through poll() on a non-blocking socket; afterwards the socket blocks, so
// that a send to a slow reader simply takes as long as the reader needs.
bool MakeBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

CTimedSocket::CTimedSocket() = default;

CTimedSocket::~CTimedSocket() {
    Close();
}

void CTimedSocket::Close() {
    if (m_fd >= 0) {
        // A close interrupted by a signal has still released the descriptor on Linux;
        // retrying could close a descriptor another thread has just been given.
        ::close(m_fd);
        m_fd = -1;
    }
}

bool CTimedSocket::IsCancelled() const {
    return m_cancel != nullptr && m_cancel->load(std::memory_order_acquire) != 0;
}

void CTimedSocket::FailErrno(int error) {
    std::string text = std::generic_category().message(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    m_lastError = text;
}

CTimedSocket::EWait CTimedSocket::WaitFor(short events, long long deadlineMs) {
    for (;;) {
        if (IsCancelled()) return EWait::kCancelled;
        int slice = kCancelPollMs;
        if (deadlineMs >= 0) {
            const long long left = std::max(0LL, deadlineMs - NowMs());
            slice = static_cast<int>(std::min<long long>(left, slice));
        }
        pollfd entry{m_fd, events, 0};
        const int ready = ::poll(&entry, 1, slice);
        if (ready > 0) return EWait::kReady;
        if (ready < 0 && errno != EINTR) {
            FailErrno(errno);
            return EWait::kFailed;
        }
        // Checked after the poll so that a zero time-out still takes data already waiting.
        if (deadlineMs >= 0 && NowMs() >= deadlineMs) return EWait::kTimedOut;
    }
}

bool CTimedSocket::Connect(const std::string& host, int port, int timeoutMs) {
    Close();
    if (host.empty()) {
        Fail("no host name");
        return false;
    }
    if (port < 1 || port > 65535) {
        Fail("bad port " + std::to_string(port));
        return false;
    }
    const long long deadline = DeadlineFrom(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0) {
        Fail(std::string("host not found: ") + ::gai_strerror(lookup));
        return false;
    }
    std::unique_ptr<addrinfo, CAddrInfoFree> list(found);
    Fail("no address for host");
    for (const addrinfo* address = list.get(); address != nullptr; address = address->ai_next) {
        const EWait outcome = ConnectOne(*address, deadline);
        if (outcome == EWait::kReady) {
            m_lastError.clear();
            return true;
        }
        Close();
        // Only a refused or unreachable address lets the next one have a go; the time-out
        // covers the whole connect, and a cancel ends it.
        if (outcome != EWait::kFailed) break;
    }
    return false;
}

CTimedSocket::EWait CTimedSocket::ConnectOne(const addrinfo& address, long long deadlineMs) {
    m_fd = ::socket(address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                    address.ai_protocol);
    if (m_fd < 0) {
        FailErrno(errno);
        return EWait::kFailed;
    }
    if (::connect(m_fd, address.ai_addr, address.ai_addrlen) != 0) {
        // An interrupted non-blocking connect carries on in the background like one in progress.
        if (errno != EINPROGRESS && errno != EINTR) {
            FailErrno(errno);
            return EWait::kFailed;
        }
        const EWait waited = WaitFor(POLLOUT, deadlineMs);
        if (waited != EWait::kReady) {
            FailWait(waited);
            return waited;
        }
        int error = 0;
        socklen_t size = sizeof(error);
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        if (error != 0) {
            FailErrno(error);
            return EWait::kFailed;
        }
    }
    if (!MakeBlocking(m_fd)) {
        FailErrno(errno);
        return EWait::kFailed;
    }
    // Commands are single short lines that each wait for their answer: holding one back until
    // the previous segment is acknowledged only adds a round of delayed acknowledgement.
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return EWait::kReady;
}

void CTimedSocket::FailWait(EWait outcome) {
    if (outcome == EWait::kTimedOut) Fail("timed out");
    if (outcome == EWait::kCancelled) Fail("cancelled");
    // kFailed has already said why.
}

bool CTimedSocket::SendAll(const char* data, size_t length) {
    if (m_fd < 0) {
        Fail("not connected");
        return false;
    }
    while (length > 0) {
        const ssize_t sent = ::send(m_fd, data, length, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            FailErrno(errno);
            return false;
        }
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

long CTimedSocket::ReceiveSome(char* buffer, size_t capacity, int timeoutMs) {
    if (m_fd < 0) {
        Fail("not connected");
        return -1;
    }
    if (capacity == 0) {
        // Zero would read as "peer closed" to the caller.
        Fail("no room to receive into");
        return -1;
    }
    // Data that is already there is taken at once: while an article streams in, the wait
    // (and its system call) is needed only when the reader has caught up with the server.
    // A cancel is still seen by the job, which looks at its flag on every line.
    const ssize_t ready = ::recv(m_fd, buffer, capacity, MSG_DONTWAIT);
    if (ready >= 0) return static_cast<long>(ready);
    if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
        FailErrno(errno);
        return -1;
    }
    // About to wait for an answer: acknowledge at once what arrives, so that a server holding
    // the small last piece of a reply until its earlier data is acknowledged (Nagle) is not
    // kept waiting for the delayed acknowledgement. The kernel drops this mode by itself.
    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    const long long deadline = DeadlineFrom(timeoutMs);
    for (;;) {
        const EWait waited = WaitFor(POLLIN, deadline);
        if (waited != EWait::kReady) {
            FailWait(waited);
            return -1;
        }
        const ssize_t got = ::recv(m_fd, buffer, capacity, MSG_DONTWAIT);
        if (got >= 0) return static_cast<long>(got);
        // A readiness report without data (or a signal) sends us back to waiting.
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            FailErrno(errno);
            return -1;
        }
    }
}

}  // namespace corvane
