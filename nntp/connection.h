#pragma once
// One NNTP connection of a worker: opening and greeting it, logging in when the server needs
// it, sending command lines and reading reply lines bounded by the time-out, the trace, and
// the worker row's status text, progress and activity image.
//
// A connection belongs to one worker thread and is used only there; once open it stays open
// between jobs. IsConnected may also be asked from the manager's thread, and SetControls is
// called from the main thread while the worker may be writing to the row, so those two are
// safe across threads. Any failure to send or read closes the connection.
#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "nntp/nntp_services.h"
#include "platform/line_reader.h"
#include "platform/timed_socket.h"
#include "work/worker_display.h"

namespace corvane {

class CNntpConnection {
public:
    // `cancel` is the worker's cancel flag: a connect or read that is waiting fails once it is set.
    CNntpConnection(int workerIndex, INntpServices& services, const std::atomic<int>* cancel = nullptr);
    ~CNntpConnection();
    CNntpConnection(const CNntpConnection&) = delete;
    CNntpConnection& operator=(const CNntpConnection&) = delete;

    // How opening a connection ended: a job treats a connection that never opened, one whose
    // server stopped answering and a refused login differently.
    enum class EConnect { kReady, kConnectFailed, kNoReply, kLoginRefused };

    // Opens and greets a connection unless one is open; true when it is ready for commands.
    bool Connect(const std::string& server, const std::string& user, const std::string& password,
                 bool loginRequired, int port);
    // The same, telling why it failed.
    EConnect ConnectAndGreet(const std::string& server, const std::string& user,
                             const std::string& password, bool loginRequired, int port);
    // Off for a job's extra connection: what its server says to the greeting, MODE READER and
    // AUTHINFO is not news the user asked for, so it stays out of the received-bytes total.
    void SetCountsGreetingBytes(bool counts) { m_countsGreetingBytes = counts; }
    // Closes an open connection; in any case shows the idle image.
    void Disconnect();
    // Closes an open connection without touching the row (the worker's thread is ending).
    void Close();
    bool IsConnected() const { return m_connected.load(); }

    // Sends the text as it stands (callers include the CR LF). A failure closes the connection,
    // which the caller notices at its next ReceiveLine.
    void SendLine(std::string_view text);
    // One reply line without its terminator. False on error, closed connection or time-out;
    // the connection is then closed.
    bool ReceiveLine(std::string& text);

    void SetControls(WorkerControl kind, CWorkerDisplay* display);
    // The control of that kind handed to the worker, or null.
    CWorkerDisplay* Control(WorkerControl kind) const;
    void SetStatusText(const std::string& text);
    void SetProgressRange(int minimum, int maximum);
    void SetProgress(int value);

    int WorkerIndex() const { return m_workerIndex; }
    // Why the last connect, send or read failed, for diagnostics.
    const std::string& LastError() const { return m_lastError; }

private:
    bool Open(const std::string& server, int port);
    EConnect Greet(const std::string& user, const std::string& password, bool loginRequired);
    bool Exchange(std::string_view command, std::string& reply);
    void CloseSocket();
    void Trace(bool sent, std::string_view line);

    const int m_workerIndex;
    INntpServices& m_services;
    const std::atomic<int>* m_cancel;

    std::unique_ptr<CTimedSocket> m_socket;
    std::unique_ptr<CLineReader> m_reader;
    std::atomic<bool> m_connected{false};
    std::string m_lastError;
    bool m_countsGreetingBytes = true;
    bool m_countingBytes = true;

    int m_activity = 0;
    int m_progressMinimum = 0;
    int m_progressMaximum = 0;
    int m_nextProgress = 0;
    std::array<std::atomic<CWorkerDisplay*>, 4> m_controls{};
};

}  // namespace corvane
