#pragma once
// One downloaded file as the download log remembers it (CLogEntry), and the log itself
// (CDownloadLog), which owns its entries in the order they were made and keeps at most
// kMaxEntries of them. The application object owns the log. Its lock guards the list because
// the main window appends while the attachment browser reads; the entries handed to a
// visitor stay valid only while the visit lasts.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "setup/archive.h"

namespace corvane {

class CLogEntry : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 1;

    std::string_view ClassName() const override { return "CLogEntry"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    // Full path of the decoded file.
    const std::string& FileName() const { return m_fileName; }
    void SetFileName(std::string v) { m_fileName = std::move(v); }
    // The work item's group, as handed to the decoder.
    const std::string& Newsgroup() const { return m_newsgroup; }
    void SetNewsgroup(std::string v) { m_newsgroup = std::move(v); }
    // The article's display subject.
    const std::string& Subject() const { return m_subject; }
    void SetSubject(std::string v) { m_subject = std::move(v); }
    const std::string& Origin() const { return m_origin; }
    void SetOrigin(std::string v) { m_origin = std::move(v); }
    // The article's From text.
    const std::string& Author() const { return m_author; }
    void SetAuthor(std::string v) { m_author = std::move(v); }
    std::int32_t Lines() const { return m_lines; }
    void SetLines(std::int32_t v) { m_lines = v; }

private:
    std::string m_fileName;
    std::string m_newsgroup;
    std::string m_subject;
    std::string m_origin;
    std::string m_author;
    std::int32_t m_lines = 0;
};

class CDownloadLog {
public:
    static constexpr std::size_t kMaxEntries = 30000;

    // Appends, then frees the oldest entries until no more than kMaxEntries remain.
    void Add(std::unique_ptr<CLogEntry> entry);
    void Clear();
    std::size_t Size() const;
    // Frees the entry if the log holds it; false when it does not.
    bool Remove(const CLogEntry* entry);

    // Visits the entries oldest first under the lock.
    template <class F>
    void ForEach(F&& f) const {
        std::lock_guard lock(m_mutex);
        for (const auto& entry : m_entries) f(*entry);
    }

    // The list as the setup file holds it. Loading appends to what is there (the load
    // empties the log first); entries read before a failure stay.
    void Serialize(CArchive& ar);

private:
    void TrimLocked();

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<CLogEntry>> m_entries;  // oldest first
};

}  // namespace corvane
