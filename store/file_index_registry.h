#pragma once
// The decoders' view of the real file name/size index: forwards to CFileIndex, which locks
// itself, and reads the "use the file name/size index" option through a callback the
// application gives, because the option lives in the setup the main thread may replace.
// Any thread may call; the index and the callback must outlive this object.
#include <functional>
#include <utility>

#include "indexes/file_index.h"
#include "store/file_registry.h"

namespace corvane {

class CFileIndexRegistry : public IFileRegistry {
public:
    CFileIndexRegistry(CFileIndex& index, std::function<bool()> useFileDatabase)
        : m_index(index), m_useFileDatabase(std::move(useFileDatabase)) {}

    bool UseFileDatabase() override;
    bool FileKnown(std::string_view name, std::uint64_t length) override;
    void RememberFile(std::string_view name, std::uint64_t length) override;

private:
    CFileIndex& m_index;
    std::function<bool()> m_useFileDatabase;
};

}  // namespace corvane
