#include "setup/log_entry.h"

#include <algorithm>

namespace corvane {

void CLogEntry::Serialize(CArchive& ar) {
    ar.Transfer(m_author);
    ar.Transfer(m_fileName);
    ar.Transfer(m_newsgroup);
    ar.Transfer(m_lines);
    ar.Transfer(m_origin);
    ar.Transfer(m_subject);
}

void CDownloadLog::Add(std::unique_ptr<CLogEntry> entry) {
    if (!entry) return;
    std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
    TrimLocked();
}

void CDownloadLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

std::size_t CDownloadLog::Size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

bool CDownloadLog::Remove(const CLogEntry* entry) {
    std::lock_guard lock(m_mutex);
    const auto it = std::ranges::find_if(
        m_entries, [entry](const std::unique_ptr<CLogEntry>& e) { return e.get() == entry; });
    if (it == m_entries.end()) return false;
    m_entries.erase(it);
    return true;
}

void CDownloadLog::Serialize(CArchive& ar) {
    std::lock_guard lock(m_mutex);
    // No trim after loading: the archive may still name the entries it read until the load
    // ends, so a hand-made list over the limit shrinks at the next Add instead.
    ar.SerializeList(m_entries);
}

void CDownloadLog::TrimLocked() {
    if (m_entries.size() <= kMaxEntries) return;
    const auto excess = static_cast<std::ptrdiff_t>(m_entries.size() - kMaxEntries);
    m_entries.erase(m_entries.begin(), m_entries.begin() + excess);
}

}  // namespace corvane
