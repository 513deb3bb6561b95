#include "store/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvane {

bool IsOutOfSpace(int error) {
    return error == ENOSPC || error == EDQUOT;
}

COutputFile::~COutputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

COutputFile::EOpen COutputFile::Open(const std::string& path, bool overwrite) {
    if (m_fd >= 0) return EOpen::kFailed;
    // O_EXCL makes "does it exist" and "create it" one step, so a file that appears meanwhile
    // is not overwritten either.
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == EEXIST) return EOpen::kExists;
        return IsOutOfSpace(errno) ? EOpen::kDiskFull : EOpen::kFailed;
    }
    m_fd = fd;
    m_path = path;
    m_failed = false;
    m_used = 0;
    m_written = 0;
    m_buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize);
    return EOpen::kOk;
}

std::uint8_t* COutputFile::Reserve(std::size_t n) {
    if (!m_buffer || (m_used + n > kBufferSize && !Flush())) return nullptr;
    return m_buffer.get() + m_used;
}

bool COutputFile::Write(const void* data, std::size_t n) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (n > 0) {
        const std::size_t chunk = n < kBufferSize ? n : kBufferSize;
        std::uint8_t* out = Reserve(chunk);
        if (out == nullptr) return false;
        std::memcpy(out, bytes, chunk);
        Commit(chunk);
        bytes += chunk;
        n -= chunk;
    }
    return true;
}

bool COutputFile::Flush() {
    if (m_failed || m_fd < 0) return false;
    std::size_t done = 0;
    while (done < m_used) {
        const ssize_t n = ::write(m_fd, m_buffer.get() + done, m_used - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_failed = true;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    m_written += m_used;
    m_used = 0;
    return true;
}

bool COutputFile::Close(std::uint64_t& length) {
    if (m_fd < 0) return false;
    const bool flushed = Flush();
    // A network file system may report a full disk only when the file is closed.
    if (::close(m_fd) != 0 && errno != EINTR) m_failed = true;
    m_fd = -1;
    m_buffer.reset();
    length = m_written;
    return flushed && !m_failed;
}

void COutputFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty()) ::unlink(m_path.c_str());
    m_path.clear();
    m_buffer.reset();
    m_used = 0;
}

}  // namespace corvane
