#include "platform/line_reader.h"

#include <cstring>
#include <utility>

namespace corvane {

CLineReader::CLineReader(ITransport& transport)
    : m_transport(transport), m_buffer(new char[kBufferSize]) {}

bool CLineReader::Fail(const char* why) {
    m_lastError = why;
    return false;
}

bool CLineReader::ReadLine(std::string& line, int timeoutMs) {
    if (m_broken) return Fail("line too long");
    line.clear();
    line.swap(m_carry);
    for (;;) {
        if (TakeFromBuffer(line)) return true;
        if (m_broken) {
            std::string().swap(line);  // up to a megabyte the caller has no use for
            return Fail("line too long");
        }
        if (m_closed) {
            // Characters without a terminator before the end are still a line; after them,
            // or with nothing at all, the connection is done.
            if (!line.empty()) return true;
            return Fail("closed");
        }
        const long got = m_transport.ReceiveSome(m_buffer.get(), kBufferSize, timeoutMs);
        if (got < 0) {
            m_carry = std::move(line);
            line.clear();
            return Fail("receive failed");
        }
        m_begin = 0;
        m_end = static_cast<size_t>(got);
        if (got == 0) m_closed = true;
    }
}

bool CLineReader::TakeFromBuffer(std::string& line) {
    if (m_begin < m_end && m_dropLeadingLf) {
        if (m_buffer[m_begin] == '\n') ++m_begin;
        m_dropLeadingLf = false;
    }
    const char* start = m_buffer.get() + m_begin;
    const size_t available = m_end - m_begin;
    // Two memchr passes beat a byte loop on megabyte bodies; the CR search stops at the LF.
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', available));
    const size_t beforeLf = lf != nullptr ? static_cast<size_t>(lf - start) : available;
    const auto* cr = static_cast<const char*>(std::memchr(start, '\r', beforeLf));
    const char* end = cr != nullptr ? cr : lf;
    const size_t span = end != nullptr ? static_cast<size_t>(end - start) : available;
    if (span > kMaxLineLength - line.size()) {
        m_broken = true;
        return false;
    }
    line.append(start, span);
    if (end == nullptr) {
        m_begin = m_end;
        return false;
    }
    m_begin += span + 1;
    if (end == cr) {
        if (m_begin < m_end) {
            if (m_buffer[m_begin] == '\n') ++m_begin;
        } else {
            // Waiting for the byte after the CR could block on a server that sent a lone CR.
            m_dropLeadingLf = true;
        }
    }
    return true;
}

}  // namespace corvane
