#pragma once
// CNewsTestServer: a scripted news server on loopback for protocol tests. It owns the
// listening socket, one thread per accepted connection and the log of every command line
// received. Any thread may call any method; Commands() may be read while sessions run.
// Articles come from a spool directory read at every command, so a test may add articles
// while the server runs (WriteArticle below writes them so a reader never sees half a file).
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/news_server/behaviour.h"

namespace corvane::testserver {

class CNewsTestServer {
public:
    explicit CNewsTestServer(std::string spoolDirectory);
    ~CNewsTestServer();
    CNewsTestServer(const CNewsTestServer&) = delete;
    CNewsTestServer& operator=(const CNewsTestServer&) = delete;

    // Binds and listens; port 0 takes any free port. False when running already or the
    // address cannot be bound.
    bool Start(const std::string& bindAddress = "127.0.0.1", int port = 0);
    int Port() const;
    // Closes the listener and every connection and joins all threads.
    void Stop();
    // Applies to connections accepted afterwards.
    void SetBehaviour(const SBehaviour& behaviour);

    // A command line as received, without its CR LF; connection 1 is the first accepted.
    struct SCommand {
        int connection;
        std::string line;
    };
    std::vector<SCommand> Commands() const;
    int ConnectionsAccepted() const;
    void ClearLog();

private:
    struct SConnection {
        int fd = -1;
        bool closed = false;  // the fd is closed and may be reused: never touch it again
        std::thread thread;
    };

    void AcceptLoop();
    void AcceptOne();
    void Serve(std::shared_ptr<SConnection> connection, int ordinal, SBehaviour behaviour);
    void JoinFinished();
    void Log(int ordinal, const std::string& line);

    const std::string m_spool;
    mutable std::mutex m_mutex;
    SBehaviour m_behaviour;
    std::vector<SCommand> m_log;
    int m_accepted = 0;
    bool m_stopping = false;
    std::list<std::shared_ptr<SConnection>> m_connections;
    int m_listenFd = -1;
    int m_wakeRead = -1, m_wakeWrite = -1;
    int m_port = 0;
    std::thread m_acceptThread;
};

// Test helper: writes <spool>/<group>/<number> with the given article text (headers, blank
// line, body; "\n" line ends are fine, the server sends CR LF).
void WriteArticle(const std::string& spool, const std::string& group, long number,
                  const std::string& text);

}  // namespace corvane::testserver
