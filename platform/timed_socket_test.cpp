#include "platform/timed_socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>

#include "platform/line_reader.h"

namespace corvane {
namespace {

constexpr int kGenerousMs = 10000;

// A descriptor that closes itself.
class CFd {
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    ~CFd() { Reset(); }
    CFd(CFd&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    CFd& operator=(CFd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int Get() const { return m_fd; }
    void Reset() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

// A TCP socket bound to a loopback address on a port the kernel picks. It listens only when
// asked, so that an unlistened one gives a port that refuses connections.
class CLoopbackServer {
public:
    explicit CLoopbackServer(int family = AF_INET) : m_fd(::socket(family, SOCK_STREAM, 0)) {
        sockaddr_storage address{};
        socklen_t size = 0;
        if (family == AF_INET6) {
            auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
            v6.sin6_family = AF_INET6;
            v6.sin6_addr = in6addr_loopback;
            size = sizeof(v6);
        } else {
            auto& v4 = reinterpret_cast<sockaddr_in&>(address);
            v4.sin_family = AF_INET;
            v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            size = sizeof(v4);
        }
        if (m_fd.Get() < 0 ||
            ::bind(m_fd.Get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::getsockname(m_fd.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            m_fd.Reset();
            return;
        }
        m_port = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                                          : reinterpret_cast<sockaddr_in&>(address).sin_port);
    }

    bool Ok() const { return m_fd.Get() >= 0; }
    int Port() const { return m_port; }
    bool Listen(int backlog = 4) { return ::listen(m_fd.Get(), backlog) == 0; }
    // Gives up after a while so that a test whose client never came still ends.
    CFd Accept() {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        if (::poll(&entry, 1, kGenerousMs) != 1) return CFd();
        return CFd(::accept(m_fd.Get(), nullptr, nullptr));
    }

private:
    CFd m_fd;
    int m_port = 0;
};

bool SendText(int fd, const std::string& text) {
    return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

// Reads until the peer closes (or a read fails) and returns everything.
std::string ReceiveUntilClosed(int fd) {
    std::string all;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::recv(fd, chunk, sizeof(chunk), 0);
        if (got <= 0) return all;
        all.append(chunk, static_cast<size_t>(got));
    }
}

// Greets, then echoes back whatever the client sent before it closed its side.
void GreetAndCollect(CLoopbackServer& server, std::string& received) {
    CFd peer = server.Accept();
    if (peer.Get() < 0) return;
    SendText(peer.Get(), "200 ready\r\n");
    received = ReceiveUntilClosed(peer.Get());
}

// Connects to host, reads the greeting through a line reader and sends one command.
void ExpectConversation(const std::string& host, CLoopbackServer& server) {
    ASSERT_TRUE(server.Listen());
    std::string received;
    std::thread peer([&] { GreetAndCollect(server, received); });
    {
        CTimedSocket socket;
        const bool connected = socket.Connect(host, server.Port(), kGenerousMs);
        EXPECT_TRUE(connected) << host << ": " << socket.LastError();
        if (connected) {
            EXPECT_TRUE(socket.IsOpen());
            CLineReader reader(socket);
            std::string line;
            EXPECT_TRUE(reader.ReadLine(line, kGenerousMs)) << reader.LastError();
            EXPECT_EQ(line, "200 ready");
            EXPECT_TRUE(socket.SendAll("QUIT\r\n", 6)) << socket.LastError();
        }
    }  // destruction closes, which ends the peer's collecting
    peer.join();
    EXPECT_EQ(received, "QUIT\r\n") << host;
}

TEST(TimedSocket, ConnectsByAddressAndByName) {
    CLoopbackServer byAddress;
    ASSERT_TRUE(byAddress.Ok());
    ExpectConversation("127.0.0.1", byAddress);
    // "localhost" may resolve to ::1 before 127.0.0.1: the refused first address is skipped.
    CLoopbackServer byName;
    ASSERT_TRUE(byName.Ok());
    ExpectConversation("localhost", byName);
}

TEST(TimedSocket, ConnectsOverIpv6) {
    CLoopbackServer server(AF_INET6);
    if (!server.Ok()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    ExpectConversation("::1", server);
}

TEST(TimedSocket, RefusedConnectFailsAndLeavesSocketClosed) {
    CLoopbackServer notListening;
    ASSERT_TRUE(notListening.Ok());
    CTimedSocket socket;
    EXPECT_FALSE(socket.Connect("127.0.0.1", notListening.Port(), kGenerousMs));
    EXPECT_EQ(socket.LastError(), "connection refused");
    EXPECT_FALSE(socket.IsOpen());
}

TEST(TimedSocket, RejectsBadArgumentsAndUseWhileClosed) {
    CTimedSocket socket;
    EXPECT_FALSE(socket.Connect("", 119, kGenerousMs));
    EXPECT_FALSE(socket.Connect("127.0.0.1", 0, kGenerousMs));
    EXPECT_FALSE(socket.Connect("127.0.0.1", 65536, kGenerousMs));
    EXPECT_FALSE(socket.Connect("127.0.0.1", -1, kGenerousMs));
    EXPECT_FALSE(socket.IsOpen());

    char buffer[16];
    EXPECT_FALSE(socket.SendAll("x", 1));
    EXPECT_EQ(socket.LastError(), "not connected");
    EXPECT_EQ(socket.ReceiveSome(buffer, sizeof(buffer), 0), -1);
    EXPECT_EQ(socket.LastError(), "not connected");
}

TEST(TimedSocket, ReceiveTimesOutOnSilentPeerThenSeesClose) {
    CLoopbackServer server;
    ASSERT_TRUE(server.Ok() && server.Listen());
    CTimedSocket socket;
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port(), kGenerousMs)) << socket.LastError();
    CFd peer = server.Accept();

    char buffer[64];
    EXPECT_EQ(socket.ReceiveSome(buffer, sizeof(buffer), 200), -1);
    EXPECT_EQ(socket.LastError(), "timed out");
    EXPECT_TRUE(socket.IsOpen());
    EXPECT_EQ(socket.ReceiveSome(buffer, 0, 200), -1);  // no room is not "closed"

    ASSERT_TRUE(SendText(peer.Get(), "late"));
    EXPECT_EQ(socket.ReceiveSome(buffer, sizeof(buffer), kGenerousMs), 4);
    EXPECT_EQ(std::string(buffer, 4), "late");
    peer.Reset();
    EXPECT_EQ(socket.ReceiveSome(buffer, sizeof(buffer), kGenerousMs), 0);
}

// A listener with a backlog of 0 takes one connection into its queue and then ignores
// further attempts, which is how a server that never answers looks from the client.
class CUnansweringServer {
public:
    bool Start() {
        if (!m_server.Ok() || !m_server.Listen(0)) return false;
        m_filler = CFd(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(m_server.Port()));
        return ::connect(m_filler.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) ==
               0;
    }
    int Port() const { return m_server.Port(); }

private:
    CLoopbackServer m_server;
    CFd m_filler;
};

TEST(TimedSocket, ConnectToUnansweringServerTimesOut) {
    CUnansweringServer server;
    ASSERT_TRUE(server.Start());
    CTimedSocket socket;
    const bool connected = socket.Connect("127.0.0.1", server.Port(), 200);
    if (connected) GTEST_SKIP() << "this kernel accepted beyond a full backlog";
    EXPECT_EQ(socket.LastError(), "timed out");
    EXPECT_FALSE(socket.IsOpen());
}

// Sets the flag once the test's socket has had time to start waiting.
std::thread CancelSoon(std::atomic<int>& flag) {
    return std::thread([&flag] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        flag.store(1, std::memory_order_release);
    });
}

TEST(TimedSocket, CancelFlagEndsConnectThatHasNoTimeLimit) {
    CUnansweringServer server;
    ASSERT_TRUE(server.Start());
    std::atomic<int> cancel{0};
    CTimedSocket socket;
    socket.SetCancelFlag(&cancel);
    std::thread canceller = CancelSoon(cancel);
    const bool connected = socket.Connect("127.0.0.1", server.Port(), -1);
    canceller.join();
    if (connected) GTEST_SKIP() << "this kernel accepted beyond a full backlog";
    EXPECT_EQ(socket.LastError(), "cancelled");
    EXPECT_FALSE(socket.IsOpen());
}

TEST(TimedSocket, CancelFlagEndsReceiveThatHasNoTimeLimit) {
    CLoopbackServer server;
    ASSERT_TRUE(server.Ok() && server.Listen());
    std::atomic<int> cancel{0};
    CTimedSocket socket;
    socket.SetCancelFlag(&cancel);
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port(), kGenerousMs)) << socket.LastError();
    CFd peer = server.Accept();
    std::thread canceller = CancelSoon(cancel);
    char buffer[64];
    EXPECT_EQ(socket.ReceiveSome(buffer, sizeof(buffer), -1), -1);
    canceller.join();
    EXPECT_EQ(socket.LastError(), "cancelled");
    // The flag stays set: the next wait fails at once rather than hanging.
    EXPECT_EQ(socket.ReceiveSome(buffer, sizeof(buffer), -1), -1);
}

TEST(TimedSocket, LargeSendToSlowReaderCompletes) {
    CLoopbackServer server;
    ASSERT_TRUE(server.Ok() && server.Listen());
    std::string payload(16 << 20, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7 + (i >> 12));
    std::string received;
    std::thread reader([&] {
        CFd peer = server.Accept();
        char chunk[1000];
        for (int reads = 0;; ++reads) {
            const ssize_t got = ::recv(peer.Get(), chunk, sizeof(chunk), 0);
            if (got <= 0) break;
            received.append(chunk, static_cast<size_t>(got));
            if (reads % 64 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    {
        CTimedSocket socket;
        ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port(), kGenerousMs)) << socket.LastError();
        EXPECT_TRUE(socket.SendAll(payload.data(), payload.size())) << socket.LastError();
    }
    reader.join();
    EXPECT_EQ(received.size(), payload.size());
    EXPECT_TRUE(received == payload);
}

TEST(TimedSocket, SendToVanishedPeerFailsWithoutSignal) {
    // The default action of SIGPIPE ends the process, so this test dies if a send raises it.
    const auto previous = std::signal(SIGPIPE, SIG_DFL);
    CLoopbackServer server;
    ASSERT_TRUE(server.Ok() && server.Listen());
    CTimedSocket socket;
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port(), kGenerousMs)) << socket.LastError();
    server.Accept().Reset();
    char buffer[16];
    ASSERT_EQ(socket.ReceiveSome(buffer, sizeof(buffer), kGenerousMs), 0);

    // The first send may still be taken by the kernel; the peer's reset fails a later one.
    const std::string block(64 * 1024, 'b');
    bool failed = false;
    for (int attempt = 0; attempt < 20 && !failed; ++attempt) {
        failed = !socket.SendAll(block.data(), block.size());
    }
    EXPECT_TRUE(failed);
    EXPECT_FALSE(socket.LastError().empty());
    std::signal(SIGPIPE, previous);
}

}  // namespace
}  // namespace corvane
