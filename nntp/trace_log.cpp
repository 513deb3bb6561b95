#include "nntp/trace_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace corvane {

CTraceLog::CTraceLog(std::string path) : m_path(std::move(path)) {}

void CTraceLog::Enable() {
    m_enabled.store(true);
    Append(std::string("Starting Trace - ") + kVersion + "\n");
}

void CTraceLog::Traffic(int slot, bool sent, std::string_view line) {
    if (!IsEnabled()) return;
    char head[32];
    const int length = std::snprintf(head, sizeof head, "%.2d : %s ", slot, sent ? "->" : "<-");
    std::string record;
    record.reserve(static_cast<size_t>(length) + line.size() + 1);
    record.append(head, static_cast<size_t>(length));
    record.append(line);
    record.push_back('\n');
    Append(record);
}

bool CTraceLog::Append(std::string_view text) {
    std::lock_guard<std::mutex> guard(m_lock);
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool written = true;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            written = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return written;
}

}  // namespace corvane
