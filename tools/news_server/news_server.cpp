#include "tools/news_server/news_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "tools/news_server/session.h"

namespace corvane::testserver {
namespace {

// Resolves a numeric IPv4 or IPv6 address; the test server never looks names up.
bool MakeAddress(const std::string& host, int port, sockaddr_storage& address, socklen_t& length) {
    std::memset(&address, 0, sizeof address);
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof(sockaddr_in);
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof(sockaddr_in6);
        return true;
    }
    return false;
}

int BoundPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    }
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

int Listen(const std::string& host, int port) {
    sockaddr_storage address;
    socklen_t length = 0;
    if (port < 0 || port > 65535 || !MakeAddress(host, port, address, length)) return -1;
    const int fd = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 64) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

CNewsTestServer::CNewsTestServer(std::string spoolDirectory) : m_spool(std::move(spoolDirectory)) {}

CNewsTestServer::~CNewsTestServer() {
    Stop();
}

bool CNewsTestServer::Start(const std::string& bindAddress, int port) {
    std::lock_guard lock(m_mutex);
    if (m_listenFd >= 0) return false;
    const int fd = Listen(bindAddress, port);
    if (fd < 0) return false;
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0) {
        close(fd);
        return false;
    }
    m_listenFd = fd;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_port = BoundPort(fd);
    m_stopping = false;
    m_acceptThread = std::thread(&CNewsTestServer::AcceptLoop, this);
    return true;
}

int CNewsTestServer::Port() const {
    std::lock_guard lock(m_mutex);
    return m_port;
}

void CNewsTestServer::Stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_listenFd < 0) return;
        m_stopping = true;
        const char wake = 'x';
        if (write(m_wakeWrite, &wake, 1) != 1) {
            // The pipe is empty and ours; a failed write leaves the accept loop waiting, which
            // the shutdown of the listener below still ends.
        }
        shutdown(m_listenFd, SHUT_RDWR);
    }
    m_acceptThread.join();
    std::list<std::shared_ptr<SConnection>> connections;
    {
        std::lock_guard lock(m_mutex);
        // Shut down, not closed: the session thread still reads and writes the descriptor,
        // and closing it here would let the number be reused under its feet.
        for (const auto& connection : m_connections) {
            if (!connection->closed) shutdown(connection->fd, SHUT_RDWR);
        }
        connections.swap(m_connections);
    }
    for (const auto& connection : connections) connection->thread.join();
    std::lock_guard lock(m_mutex);
    close(m_listenFd);
    close(m_wakeRead);
    close(m_wakeWrite);
    m_listenFd = m_wakeRead = m_wakeWrite = -1;
}

void CNewsTestServer::SetBehaviour(const SBehaviour& behaviour) {
    std::lock_guard lock(m_mutex);
    m_behaviour = behaviour;
}

std::vector<CNewsTestServer::SCommand> CNewsTestServer::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

int CNewsTestServer::ConnectionsAccepted() const {
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

void CNewsTestServer::ClearLog() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void CNewsTestServer::AcceptLoop() {
    int listenFd, wakeFd;
    {
        std::lock_guard lock(m_mutex);
        listenFd = m_listenFd;
        wakeFd = m_wakeRead;
    }
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents != 0) return;
        if (fds[0].revents & (POLLERR | POLLNVAL)) return;
        if (fds[0].revents & POLLIN) AcceptOne();
        JoinFinished();
    }
}

void CNewsTestServer::AcceptOne() {
    int listenFd;
    {
        std::lock_guard lock(m_mutex);
        listenFd = m_listenFd;
    }
    const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    std::lock_guard lock(m_mutex);
    if (m_stopping) {
        close(fd);
        return;
    }
    auto connection = std::make_shared<SConnection>();
    connection->fd = fd;
    const int ordinal = ++m_accepted;
    connection->thread =
        std::thread(&CNewsTestServer::Serve, this, connection, ordinal, m_behaviour);
    m_connections.push_back(std::move(connection));
}

void CNewsTestServer::Serve(std::shared_ptr<SConnection> connection, int ordinal,
                            SBehaviour behaviour) {
    int fd;
    {
        std::lock_guard lock(m_mutex);
        fd = connection->fd;
    }
    CSession session(fd, std::move(behaviour), m_spool,
                     [this, ordinal](const std::string& line) { Log(ordinal, line); });
    session.Run();
    std::lock_guard lock(m_mutex);
    close(fd);
    connection->closed = true;
}

// Joins the threads of connections that ended, so a long-running server does not pile them up.
void CNewsTestServer::JoinFinished() {
    std::list<std::shared_ptr<SConnection>> finished;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            auto next = std::next(it);
            if ((*it)->closed) finished.splice(finished.end(), m_connections, it);
            it = next;
        }
    }
    for (const auto& connection : finished) connection->thread.join();
}

void CNewsTestServer::Log(int ordinal, const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_log.push_back(SCommand{ordinal, line});
}

void WriteArticle(const std::string& spool, const std::string& group, long number,
                  const std::string& text) {
    namespace fs = std::filesystem;
    const fs::path directory = fs::path(spool) / group;
    fs::create_directories(directory);
    // Written under a name the server ignores, then renamed: a running server never reads
    // half an article.
    const fs::path temporary = directory / (".writing-" + std::to_string(number));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
    }
    fs::rename(temporary, directory / std::to_string(number));
}

}  // namespace corvane::testserver
