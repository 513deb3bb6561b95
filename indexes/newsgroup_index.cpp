#include "indexes/newsgroup_index.h"

#include <utility>

#include "indexes/index_file.h"
#include "indexes/index_keys.h"

namespace corvane {
namespace {
constexpr unsigned kExistingBuffers = 500;
constexpr unsigned kCreatedBuffers = 100;
constexpr const char* kRepairMessage = "Error in group index, repairing";
}  // namespace

CNewsgroupIndex::CNewsgroupIndex(IPrompt& prompt, std::string directory)
    : m_prompt(prompt), m_directory(std::move(directory)) {}

CNewsgroupIndex::~CNewsgroupIndex() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_index) VindleCloseIndex(m_index);
}

VindleIndex* CNewsgroupIndex::OpenServerIndex(const std::string& server, uint32_t& date,
                                              uint32_t& time, std::vector<std::string>& messages) {
    SOpenedIndex opened = OpenOrCreateIndex(NewsgroupIndexPath(m_directory, server),
                                            kGroupIndexLayout, kExistingBuffers, kCreatedBuffers);
    if (!opened.handle) {
        messages.push_back(kFatalDatabaseMessage);
        return nullptr;
    }
    GroupAux aux{};
    if (opened.created) VindleSetAuxData(opened.handle, aux.data());
    VindleGetAuxData(opened.handle, aux.data());
    UnpackRetrievalStamp(aux, date, time);
    // The rebuild zeroes the aux block on disk; the values just read stay in memory and are
    // written back with the next store.
    CheckAndRepairIndex(opened.handle, kGroupIndexLayout, kRepairMessage, messages);
    return opened.handle;
}

void CNewsgroupIndex::SwitchTo(const std::string& server, std::vector<std::string>& messages) {
    if (m_index) VindleCloseIndex(m_index);
    m_index = nullptr;
    m_server.clear();
    m_date = m_time = 0;
    if (server.empty()) return;
    m_index = OpenServerIndex(server, m_date, m_time, messages);
    if (m_index) m_server = server;
}

bool CNewsgroupIndex::Open(const std::string& server) {
    std::vector<std::string> messages;
    bool ok = true;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (server != m_server) {
            SwitchTo(server, messages);
            ok = server.empty() || m_index != nullptr;
        }
    }
    // Shown without the lock: a dialog may run events that browse this index.
    for (const std::string& text : messages) m_prompt.ShowMessage(text);
    return ok;
}

bool CNewsgroupIndex::IsOpen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_index != nullptr;
}

std::string CNewsgroupIndex::Server() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_server;
}

uint32_t CNewsgroupIndex::StoredDate() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_date;
}

uint32_t CNewsgroupIndex::StoredTime() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_time;
}

void CNewsgroupIndex::AddNames(VindleIndex* index, const std::vector<std::string>& names) {
    IndexData data{};
    for (const std::string& name : names) {
        // An all-zero key would list as a nameless group.
        if (name.empty()) continue;
        GroupKey key = MakeGroupKey(name);
        VindleAddKey(index, key.data(), data.data());
    }
}

void CNewsgroupIndex::StoreNewsgroups(const std::string& server,
                                      const std::vector<std::string>& names, uint32_t date,
                                      uint32_t time) {
    if (server.empty()) return;
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_index) {
        SwitchTo(server, m_deferred);
        if (!m_index) return;  // the fatal message is waiting for the main thread
    }
    GroupAux aux = PackRetrievalStamp(date, time);
    if (NewsgroupIndexPath(m_directory, server) == NewsgroupIndexPath(m_directory, m_server)) {
        AddNames(m_index, names);
        m_date = date;
        m_time = time;
        VindleSetAuxData(m_index, aux.data());
        return;
    }
    uint32_t ignoredDate = 0, ignoredTime = 0;
    VindleIndex* other = OpenServerIndex(server, ignoredDate, ignoredTime, m_deferred);
    if (!other) return;
    AddNames(other, names);
    VindleSetAuxData(other, aux.data());
    VindleCloseIndex(other);
}

std::vector<std::string> CNewsgroupIndex::Scan(const std::string& node, bool below) {
    std::vector<std::string> out;
    GroupKey start = MakeGroupKey(node, 0x00), end = MakeGroupKey(node, 0xFF);
    GroupKey key;
    IndexData data;
    std::string prefix = GroupNameFromKey(MakeGroupKey(node));
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_index) return out;
    VindleScan* scan =
        below ? VindleCreateScan(m_index, start.data(), end.data()) : VindleCreateScan(m_index);
    while (VindleScanGetNext(scan, key.data(), data.data()) == 1) {
        std::string name = GroupNameFromKey(key);
        if (!below ||
            (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0)) {
            out.push_back(std::move(name));
        }
    }
    VindleScanClose(scan);
    return out;
}

std::vector<std::string> CNewsgroupIndex::AllGroups() {
    return Scan(std::string(), false);
}

std::vector<std::string> CNewsgroupIndex::GroupsBelow(const std::string& node) {
    return Scan(node, true);
}

std::vector<std::string> CNewsgroupIndex::TakeDeferredMessages() {
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_deferred, {});
}

}  // namespace corvane
