#pragma once
// The file name/size index "filedb.idx": every attachment file that has been saved, by base
// name and length, so that a file fetched once can be recognised and removed when it comes
// again. Owns the index handle from Open until Close or destruction.
//
// Open and Close belong to the main thread (start and end of the program); FileKnown and
// RememberFile may be called from any thread, also while the main thread closes the index:
// a lock keeps every call away from a handle that is being closed.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/data_directory.h"
#include "platform/prompt.h"
#include "vindle.h"

namespace corvane {

class CFileIndex {
public:
    // `directory` holds "filedb.idx"; messages go to `prompt`, which must outlive this object.
    explicit CFileIndex(IPrompt& prompt, std::string directory = ProgramDataDirectory());
    ~CFileIndex();
    CFileIndex(const CFileIndex&) = delete;
    CFileIndex& operator=(const CFileIndex&) = delete;

    // Opens the index, creating it when there is none, and repairs it when its structure is
    // damaged ("Error in filedb.idx, repairing"). False after the fatal database message: the
    // caller must then end the program.
    bool Open();
    void Close();
    bool IsOpen() const;
    const std::string& Path() const { return m_path; }

    // Lengths are kept as 32 bits; a file of 4 GiB or more is known by its length modulo 4 GiB.
    // Both answer "not known" / 0 while the index is not open.
    bool FileKnown(const std::string& name, uint64_t length);
    // 1 = recorded now, 0 = it was known already.
    int RememberFile(const std::string& name, uint64_t length);

private:
    IPrompt& m_prompt;
    const std::string m_path;
    mutable std::mutex m_lock;
    VindleIndex* m_index = nullptr;  // guarded by m_lock
};

}  // namespace corvane
