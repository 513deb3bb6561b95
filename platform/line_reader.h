#pragma once
// Splits the bytes of a transport into the text lines the news server answers with. It owns a
// 64 KiB buffer and the part of a line still waiting for its end; it borrows the transport,
// which must outlive it. Used by the one thread that owns the transport. Each line is handed
// over without its terminator and exactly as it came (a "." line is just another line).
#include <memory>
#include <cstddef>
#include <string>

#include "platform/timed_socket.h"

namespace corvane {

class CLineReader {
public:
    // Large enough that a body streaming in is read with few system calls; an article of
    // 500 KB takes about eight reads rather than a hundred and twenty.
    static constexpr size_t kBufferSize = 64 * 1024;
    // A line longer than this is a receive failure: a broken or hostile server that sends bytes
    // without a line end must not exhaust memory; 1 MiB is far above any real header or body line.
    static constexpr size_t kMaxLineLength = 1 << 20;

    explicit CLineReader(ITransport& transport);
    CLineReader(const CLineReader&) = delete;
    CLineReader& operator=(const CLineReader&) = delete;

    // One line without its terminator: LF, CR LF or a lone CR. timeoutMs bounds each wait for
    // more bytes. False when the connection closed before any character of the line arrived,
    // on a transport failure (error, time-out or cancel; the characters of the line read so far
    // are kept for the next call), or on a line over kMaxLineLength, after which every call
    // fails. A line cut short by the connection closing is returned; the next call fails.
    bool ReadLine(std::string& line, int timeoutMs);
    // "closed", "receive failed", "line too long".
    const std::string& LastError() const { return m_lastError; }

private:
    // Moves the buffered bytes up to the next terminator into line. True when the line is
    // complete; false when the buffer ran out first (or the line grew too long).
    bool TakeFromBuffer(std::string& line);
    bool Fail(const char* why);

    ITransport& m_transport;
    std::unique_ptr<char[]> m_buffer;
    size_t m_begin = 0;
    size_t m_end = 0;
    // The previous line ended at a CR that was the last byte received: an LF arriving next
    // belongs to that terminator.
    bool m_dropLeadingLf = false;
    bool m_closed = false;
    bool m_broken = false;
    // Characters of a line whose read failed part way, so that a retry loses nothing.
    std::string m_carry;
    std::string m_lastError;
};

}  // namespace corvane
