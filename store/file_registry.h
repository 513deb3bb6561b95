#pragma once
// What an attachment decoder needs from the program when it completes a file: the "use the file
// name/size index" option and the index itself. Implementations are called on worker threads
// (several at once) and by the import on the main thread, so they must be thread-safe; they own
// nothing the decoder hands them (names are copied if kept).
#include <cstdint>
#include <string_view>

namespace corvane {

class IFileRegistry {
public:
    virtual ~IFileRegistry() = default;
    // The setup option, read at each completion so a change takes effect for the next file.
    virtual bool UseFileDatabase() = 0;
    virtual bool FileKnown(std::string_view name, std::uint64_t length) = 0;
    virtual void RememberFile(std::string_view name, std::uint64_t length) = 0;
};

// What feeding a line (or finishing) tells the article job.
enum class EFeed {
    kGiveUp = 0,    // the article cannot be saved: abort the decoder and stop this article
    kGoOn = 1,      // keep feeding
    kDiskFull = 2,  // a file could not be created or written for lack of space (or a write
                    // error): abort the decoder and report the disk as full
};

}  // namespace corvane
