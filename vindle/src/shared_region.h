#pragma once
// A named POSIX shared-memory region mapped for reading and writing. Owned by one object of
// one process; the region itself lives on until it is unlinked.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vindle {

class CSharedRegion {
public:
    CSharedRegion() = default;
    ~CSharedRegion() { Unmap(); }
    CSharedRegion(const CSharedRegion&) = delete;
    CSharedRegion& operator=(const CSharedRegion&) = delete;

    // Creates a new zero-filled region; false (errno set) when it exists or cannot be made.
    bool Create(const std::string& name, size_t size);
    // Maps an existing region whole; false (errno set) when there is none or it is unusable.
    bool Attach(const std::string& name);
    void Unmap();

    static bool Unlink(const std::string& name);

    uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    bool Mapped() const { return m_data != nullptr; }

private:
    bool MapFd(int fd, size_t size);

    uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

// The shm_open name of an index file's cache: the file's absolute path with every separator
// replaced by an underscore, shortened with a hash when it would exceed the name limit.
std::string RegionNameForPath(const std::string& canonicalPath, int collisionRound = 0);

// The absolute, symlink-free form of a path, so that every way of naming one file maps to
// one cache. Works for files that do not exist yet (their directory is resolved instead).
std::string CanonicalPath(const std::string& path);

}  // namespace vindle
