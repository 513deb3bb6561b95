#include "indexes/index_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

#include "platform/data_directory.h"

namespace corvane {
namespace {

constexpr size_t kHeadBytes = 48;
constexpr size_t kMaxServerNameBytes = 240;  // plus ".idx" stays below the usual 255

uint32_t Le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The library takes the record sizes from the file itself and reads that many bytes from our
// key, data and aux buffers; a foreign index under our name would make it read past them, so such
// a file counts as unusable, like a damaged one.
bool HasForeignLayout(const std::string& path, const SIndexLayout& layout) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char head[kHeadBytes];
    ssize_t got = read(fd, head, sizeof head);
    close(fd);
    if (got != static_cast<ssize_t>(sizeof head)) return false;  // the library refuses it itself
    if (Le32(head + 40) != 2) return false;
    return Le32(head + 8) != layout.pageSize || Le32(head + 12) != layout.keySize ||
           Le32(head + 16) != layout.dataSize || Le32(head + 36) != layout.auxSize ||
           (Le32(head + 44) != 0) != (layout.unique != 0);
}

// The library ends the process when it cannot create a file; finding that out first lets the
// caller show the fatal message and stop in order instead.
bool CanCreate(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    close(fd);
    return true;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

SOpenedIndex OpenOrCreateIndex(const std::string& path, const SIndexLayout& layout,
                               unsigned existingBuffers, unsigned createdBuffers) {
    SOpenedIndex opened;
    if (!HasForeignLayout(path, layout)) {
        opened.handle = VindleOpenIndex(path.c_str(), existingBuffers);
        if (opened.handle) return opened;
    }
    MakeDirectoryPath(DirectoryOf(path));
    if (!CanCreate(path)) return opened;
    VindleCreateIndex(path.c_str(), layout.pageSize, layout.keySize, layout.dataSize,
                      layout.auxSize, layout.unique);
    opened.handle = VindleOpenIndex(path.c_str(), createdBuffers);
    opened.created = opened.handle != nullptr;
    return opened;
}

void CheckAndRepairIndex(VindleIndex* handle, const SIndexLayout& layout,
                         const std::string& repairText, std::vector<std::string>& messages) {
    if (VindleCheckIndex(handle) == 1) return;
    messages.push_back(repairText);
    VindleRepairIndex(handle, layout.pageSize, layout.keySize, layout.dataSize, layout.auxSize,
                      layout.unique);
}

std::string FileIndexPath(const std::string& directory) {
    return directory + "/filedb.idx";
}

std::string NewsgroupIndexPath(const std::string& directory, const std::string& server) {
    std::string name = server.substr(0, kMaxServerNameBytes);
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f) name[i] = '_';
        if (c == '.' && i + 1 < name.size() && name[i + 1] == '.') name[i] = name[i + 1] = '_';
    }
    return directory + "/" + name + ".idx";
}

}  // namespace corvane
