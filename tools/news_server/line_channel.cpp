#include "tools/news_server/line_channel.h"

#include <sys/socket.h>

#include <cerrno>

namespace corvane::testserver {
namespace {

// Replies are flushed at their end anyway; this only bounds memory for long listings.
constexpr size_t kFlushAt = 64 * 1024;

}  // namespace

CLineChannel::CLineChannel(int fd, int lineBudget) : m_fd(fd), m_lineBudget(lineBudget) {}

CLineChannel::ERead CLineChannel::ReadLine(std::string& line) {
    for (;;) {
        const size_t end = m_in.find('\n');
        if (end != std::string::npos) {
            if (end > kMaxLineBytes + 1) return ERead::kTooLong;
            line.assign(m_in, 0, end);
            m_in.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.size() > kMaxLineBytes) return ERead::kTooLong;
            return ERead::kLine;
        }
        if (m_in.size() > kMaxLineBytes + 1) return ERead::kTooLong;
        char buffer[4096];
        const ssize_t got = recv(m_fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return ERead::kClosed;
        m_in.append(buffer, static_cast<size_t>(got));
    }
}

bool CLineChannel::SendLine(std::string_view text) {
    if (m_lineBudget == 0) {
        Flush();
        return false;
    }
    m_out.append(text);
    m_out.append("\r\n");
    if (m_lineBudget > 0 && --m_lineBudget == 0) {
        Flush();
        return false;
    }
    return m_out.size() < kFlushAt || Flush();
}

bool CLineChannel::SendDataLine(std::string_view text) {
    if (text.empty() || text[0] != '.') return SendLine(text);
    return SendLine("." + std::string(text));
}

bool CLineChannel::Flush() {
    const bool sent = SendRaw(m_out.data(), m_out.size());
    m_out.clear();
    return sent;
}

bool CLineChannel::SendRaw(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(m_fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace corvane::testserver
