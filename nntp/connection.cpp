#include "nntp/connection.h"

namespace corvane {

CNntpConnection::CNntpConnection(int workerIndex, INntpServices& services,
                                 const std::atomic<int>* cancel)
    : m_workerIndex(workerIndex), m_services(services), m_cancel(cancel) {}

CNntpConnection::~CNntpConnection() { Close(); }

bool CNntpConnection::Connect(const std::string& server, const std::string& user,
                              const std::string& password, bool loginRequired, int port) {
    return ConnectAndGreet(server, user, password, loginRequired, port) == EConnect::kReady;
}

CNntpConnection::EConnect CNntpConnection::ConnectAndGreet(const std::string& server,
                                                           const std::string& user,
                                                           const std::string& password,
                                                           bool loginRequired, int port) {
    if (IsConnected()) return EConnect::kReady;
    if (!Open(server, port)) return EConnect::kConnectFailed;
    m_countingBytes = m_countsGreetingBytes;
    const EConnect outcome = Greet(user, password, loginRequired);
    m_countingBytes = true;
    if (outcome != EConnect::kReady) Disconnect();
    return outcome;
}

bool CNntpConnection::Open(const std::string& server, int port) {
    auto socket = std::make_unique<CTimedSocket>();
    socket->SetCancelFlag(m_cancel);
    if (!socket->Connect(server, port, m_services.TimeoutMs())) {
        m_lastError = socket->LastError();
        return false;
    }
    m_reader = std::make_unique<CLineReader>(*socket);
    m_socket = std::move(socket);
    m_connected = true;
    return true;
}

CNntpConnection::EConnect CNntpConnection::Greet(const std::string& user,
                                                 const std::string& password, bool loginRequired) {
    std::string reply;
    // The greeting's code is not looked at, nor is the answer to MODE READER: a server that
    // refuses the command is still used.
    if (!ReceiveLine(reply)) return EConnect::kNoReply;
    if (!Exchange("MODE READER\r\n", reply)) return EConnect::kNoReply;
    if (!loginRequired) return EConnect::kReady;
    // Whatever the server says to the user name, the password comes next.
    if (!Exchange("AUTHINFO USER " + user + "\r\n", reply)) return EConnect::kNoReply;
    if (!Exchange("AUTHINFO PASS " + password + "\r\n", reply)) return EConnect::kNoReply;
    if (reply.compare(0, 3, "281") != 0) {
        m_lastError = "login refused: " + reply;
        return EConnect::kLoginRefused;
    }
    return EConnect::kReady;
}

bool CNntpConnection::Exchange(std::string_view command, std::string& reply) {
    SendLine(command);
    return ReceiveLine(reply);
}

void CNntpConnection::CloseSocket() {
    m_connected = false;
    m_reader.reset();
    m_socket.reset();
}

void CNntpConnection::Disconnect() {
    CloseSocket();
    if (CWorkerDisplay* activity = Control(WorkerControl::Activity)) {
        activity->SetActivityImage(kActivityIdleImage);
    }
}

void CNntpConnection::Close() { CloseSocket(); }

void CNntpConnection::SendLine(std::string_view text) {
    if (!IsConnected()) return;
    Trace(true, text);
    if (!m_socket->SendAll(text.data(), text.size())) {
        m_lastError = "send failed: " + m_socket->LastError();
        Disconnect();
    }
}

bool CNntpConnection::ReceiveLine(std::string& text) {
    if (!IsConnected()) {
        if (m_lastError.empty()) m_lastError = "not connected";
        return false;
    }
    if (!m_reader->ReadLine(text, m_services.TimeoutMs())) {
        m_lastError = "receive failed: " + m_reader->LastError();
        Disconnect();
        return false;
    }
    Trace(false, text);
    if (m_countingBytes) m_services.AddReceivedBytes(static_cast<long>(text.size()) + 1);
    m_activity = (m_activity + 1) % 8;
    if (m_activity == 1) {
        if (CWorkerDisplay* activity = Control(WorkerControl::Activity)) {
            activity->SetActivityImage(kActivityActiveImage);
        }
    }
    return true;
}

void CNntpConnection::Trace(bool sent, std::string_view line) {
    if (CTraceLog* trace = m_services.Trace(); trace && trace->IsEnabled()) {
        trace->Traffic(m_workerIndex, sent, line);
    }
}

void CNntpConnection::SetControls(WorkerControl kind, CWorkerDisplay* display) {
    const auto index = static_cast<size_t>(kind);
    if (index < m_controls.size()) m_controls[index].store(display);
}

CWorkerDisplay* CNntpConnection::Control(WorkerControl kind) const {
    return m_controls[static_cast<size_t>(kind)].load();
}

void CNntpConnection::SetStatusText(const std::string& text) {
    if (CWorkerDisplay* status = Control(WorkerControl::Status)) status->SetStatusText(text);
}

void CNntpConnection::SetProgressRange(int minimum, int maximum) {
    m_progressMinimum = minimum;
    m_progressMaximum = maximum;
    m_nextProgress = 0;
}

void CNntpConnection::SetProgress(int value) {
    // The control moves at most once per twentieth of the range; 0 always resets it.
    if (value != 0 && value < m_nextProgress) return;
    const long span = static_cast<long>(m_progressMaximum) - m_progressMinimum;
    m_nextProgress = static_cast<int>(value + span / kProgressSteps);
    const long divisor = span == 0 ? 1 : span;
    if (CWorkerDisplay* progress = Control(WorkerControl::Progress)) {
        progress->SetProgress(static_cast<int>(static_cast<long long>(value) * kProgressSteps / divisor));
    }
}

}  // namespace corvane
