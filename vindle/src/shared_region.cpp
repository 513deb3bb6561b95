#include "shared_region.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vindle {

bool CSharedRegion::MapFd(int fd, size_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    int saved = errno;
    close(fd);
    if (p == MAP_FAILED) {
        errno = saved;
        return false;
    }
    m_data = static_cast<uint8_t*>(p);
    m_size = size;
    return true;
}

bool CSharedRegion::Create(const std::string& name, size_t size) {
    Unmap();
    int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return false;
    if (ftruncate(fd, off_t(size)) != 0) {
        int saved = errno;
        close(fd);
        shm_unlink(name.c_str());
        errno = saved;
        return false;
    }
    if (!MapFd(fd, size)) {
        int saved = errno;
        shm_unlink(name.c_str());
        errno = saved;
        return false;
    }
    return true;
}

bool CSharedRegion::Attach(const std::string& name) {
    Unmap();
    int fd = shm_open(name.c_str(), O_RDWR, 0600);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        close(fd);
        errno = EINVAL;
        return false;
    }
    return MapFd(fd, size_t(st.st_size));
}

void CSharedRegion::Unmap() {
    if (m_data) munmap(m_data, m_size);
    m_data = nullptr;
    m_size = 0;
}

bool CSharedRegion::Unlink(const std::string& name) {
    return shm_unlink(name.c_str()) == 0;
}

static uint64_t Fnv1a(const std::string& s) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string RegionNameForPath(const std::string& canonicalPath, int collisionRound) {
    std::string name = canonicalPath;
    for (char& c : name)
        if (c == '/') c = '_';
    constexpr size_t kKeep = 200;  // well below NAME_MAX with room for the hash
    if (name.size() > kKeep || collisionRound > 0) {
        char hash[40];
        snprintf(hash, sizeof hash, ".%016llx.%d",
                 static_cast<unsigned long long>(Fnv1a(canonicalPath)), collisionRound);
        if (name.size() > kKeep) name = name.substr(name.size() - kKeep);
        name += hash;
    }
    return "/" + name;
}

std::string CanonicalPath(const std::string& path) {
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf)) return buf;
    std::string dir = ".", base = path;
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos) {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
    if (realpath(dir.c_str(), buf)) {
        std::string d = buf;
        return d == "/" ? "/" + base : d + "/" + base;
    }
    return path;
}

}  // namespace vindle
