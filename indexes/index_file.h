#pragma once
// Opening one of the program's index files the way both indexes need it: open, create when
// there is no usable file, check, repair when the check fails. Also where the files live.
// Callers serialise calls on one handle themselves; the texts for the user are returned, not
// shown, so that callers can show them once they hold no lock of their own.
#include <string>
#include <vector>

#include "vindle.h"

namespace corvane {

inline constexpr const char* kFatalDatabaseMessage =
    "There has been a fatal error with the database,  Corvane will terminate";

struct SIndexLayout {
    unsigned pageSize;
    unsigned keySize;
    unsigned dataSize;
    unsigned auxSize;
    int unique;
};

inline constexpr SIndexLayout kFileIndexLayout{4096, 56, 4, 0, 1};
inline constexpr SIndexLayout kGroupIndexLayout{4096, 128, 4, 8, 1};

struct SOpenedIndex {
    VindleIndex* handle = nullptr;  // null: not even a new file could be opened
    bool created = false;           // the file was made just now and is empty
};

// Opens `path` with `existingBuffers`; when that fails, or the file is an index of another
// layout, creates it anew and opens it with `createdBuffers`. Makes the directory if needed.
SOpenedIndex OpenOrCreateIndex(const std::string& path, const SIndexLayout& layout,
                               unsigned existingBuffers, unsigned createdBuffers);

// Runs the structural check; when it fails, adds `repairText` to `messages` and rebuilds the
// file in place (the handle stays valid, the aux data is zero afterwards).
void CheckAndRepairIndex(VindleIndex* handle, const SIndexLayout& layout,
                         const std::string& repairText, std::vector<std::string>& messages);

std::string FileIndexPath(const std::string& directory);

// The server name with ".idx". The name comes from a setup file, so every character that could
// lead out of the directory ('/', '\\', "..", control bytes) is replaced by '_', and an over-long
// name is cut so that the file name stays within what the file system accepts.
std::string NewsgroupIndexPath(const std::string& directory, const std::string& server);

}  // namespace corvane
