#include "store/file_index_registry.h"

#include <string>

namespace corvane {

bool CFileIndexRegistry::UseFileDatabase() {
    return m_useFileDatabase && m_useFileDatabase();
}

bool CFileIndexRegistry::FileKnown(std::string_view name, std::uint64_t length) {
    return m_index.FileKnown(std::string(name), length);
}

void CFileIndexRegistry::RememberFile(std::string_view name, std::uint64_t length) {
    m_index.RememberFile(std::string(name), length);
}

}  // namespace corvane
