#pragma once
// CLineChannel: the line-level wire of one server connection. Reads command lines with a
// length cap and writes reply lines with CR LF through a buffer, counting every line so that
// a connection can be cut after a given number of lines. It does not own the descriptor (the
// server closes it); only the session thread that owns the connection may call it.
#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::testserver {

class CLineChannel {
public:
    // Command lines longer than this (without line end) drop the client.
    static constexpr size_t kMaxLineBytes = 4096;

    // lineBudget < 0: unlimited; otherwise the connection ends after that many lines sent.
    CLineChannel(int fd, int lineBudget);

    enum class ERead { kLine, kClosed, kTooLong };
    // One line without its LF or CR LF.
    ERead ReadLine(std::string& line);

    // Each returns false when the connection must end: a send failed or the line budget is
    // spent (the last line allowed is still sent).
    bool SendLine(std::string_view text);
    bool SendDataLine(std::string_view text);  // dot-stuffed
    bool Flush();
    // Writes raw bytes unbuffered; for replies that are not lines at all.
    bool SendRaw(const char* data, size_t size);

private:
    int m_fd;
    int m_lineBudget;
    std::string m_in, m_out;
};

}  // namespace corvane::testserver
