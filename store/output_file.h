#pragma once
// One file a decoder writes: created (or, with overwrite, replaced) through a write buffer and
// either closed whole or discarded. Owns the descriptor and the buffer; belongs to the thread
// that feeds the decoder. Never follows a symbolic link at the final name, so a link planted in
// a download directory cannot redirect a download elsewhere.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace corvane {

class COutputFile {
public:
    // Larger than the 4096 bytes downloads used to be written with: on 200 MB of uuencoded
    // payload the decode benchmark spent about 40% less time with 64 KiB, mostly in fewer
    // write calls. The buffer exists only while a file is open, so a chain of many
    // attachments holds one at a time.
    static constexpr std::size_t kBufferSize = 65536;

    enum class EOpen { kOk, kExists, kDiskFull, kFailed };

    COutputFile() = default;
    ~COutputFile();  // closes without deleting
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Without `overwrite` an existing file (or anything else at that name) is left alone and
    // kExists comes back. kDiskFull when the file system is out of space or quota.
    EOpen Open(const std::string& path, bool overwrite);
    bool IsOpen() const { return m_fd >= 0; }

    // Room for `n` bytes (at most kBufferSize) at the end of the buffer, flushing first when
    // needed; null when that flush failed. Commit then counts the bytes actually filled in.
    std::uint8_t* Reserve(std::size_t n);
    void Commit(std::size_t n) { m_used += n; }
    bool Write(const void* data, std::size_t n);

    // Writes what is buffered and closes; false when any write failed, and the file is then
    // left for the caller to Discard. `length` receives the bytes the file holds.
    bool Close(std::uint64_t& length);
    // Drops what is buffered, closes and deletes the file.
    void Discard();

private:
    bool Flush();

    int m_fd = -1;
    bool m_failed = false;
    std::string m_path;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_written = 0;
};

// Whether an errno value means the storage ran out (space or quota).
bool IsOutOfSpace(int error);

}  // namespace corvane
