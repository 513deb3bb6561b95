#include "indexes/file_index.h"

#include <vector>

#include "indexes/index_file.h"
#include "indexes/index_keys.h"

namespace corvane {
namespace {
constexpr unsigned kBuffers = 100;
constexpr const char* kRepairMessage = "Error in filedb.idx, repairing";
}  // namespace

CFileIndex::CFileIndex(IPrompt& prompt, std::string directory)
    : m_prompt(prompt), m_path(FileIndexPath(directory)) {}

CFileIndex::~CFileIndex() {
    Close();
}

bool CFileIndex::Open() {
    std::vector<std::string> messages;
    bool opened = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_index) {
            SOpenedIndex index = OpenOrCreateIndex(m_path, kFileIndexLayout, kBuffers, kBuffers);
            m_index = index.handle;
            if (m_index) CheckAndRepairIndex(m_index, kFileIndexLayout, kRepairMessage, messages);
        }
        opened = m_index != nullptr;
    }
    if (!opened) messages.push_back(kFatalDatabaseMessage);
    // Shown without the lock: a dialog may run events that reach this index again.
    for (const std::string& text : messages) m_prompt.ShowMessage(text);
    return opened;
}

void CFileIndex::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_index) VindleCloseIndex(m_index);
    m_index = nullptr;
}

bool CFileIndex::IsOpen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_index != nullptr;
}

bool CFileIndex::FileKnown(const std::string& name, uint64_t length) {
    FileKey key = MakeFileKey(name, static_cast<uint32_t>(length));
    FileKey found;
    IndexData data;
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_index) return false;
    // A scan from the key to itself yields a record only when that exact key is stored.
    VindleScan* scan = VindleCreateScan(m_index, key.data(), key.data());
    bool known = VindleScanGetNext(scan, found.data(), data.data()) == 1;
    VindleScanClose(scan);
    return known;
}

int CFileIndex::RememberFile(const std::string& name, uint64_t length) {
    FileKey key = MakeFileKey(name, static_cast<uint32_t>(length));
    IndexData data{};
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_index) return 0;
    return VindleAddKey(m_index, key.data(), data.data());
}

}  // namespace corvane
