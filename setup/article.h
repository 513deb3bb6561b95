#pragma once
// What the program knows about one wanted article (CArticle) and about one posting whose parts
// are being joined (CMultiPartArticle). The article list owns both kinds; a multi-part record
// owns its present parts, and the multi-part map only refers to records of the list. A header
// worker fills a new record and hands it whole to the main thread, which owns it from then on;
// workers get copies of the values they need in their work items, never listed records. The
// work item an article points at is not owned here.
// A group holds millions of these, so a record keeps its texts in one packed block and shares
// its newsgroup name with every record of the group. Text views handed out by a record stay
// valid until one of its texts is set again.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "setup/archive.h"
#include "setup/packed_texts.h"
#include "setup/shared_text.h"

namespace corvane {

class CWorkItem;

// All texts of a record at once: one repack instead of one per text.
struct CArticleTexts {
    std::string_view subject;
    std::string_view from;
    std::string_view messageId;
    std::string_view date;
    std::string_view origin;
    std::string_view fileName;
};

class CArticle : public CSerializable {
public:
    static constexpr std::uint16_t kSchema = 5;
    static constexpr std::int32_t kPriorityHigh = 1;
    static constexpr std::int32_t kPriorityMedium = 2;
    static constexpr std::int32_t kPriorityLow = 3;
    static constexpr std::int32_t kGroupCountUnknown = -1;

    CArticle() = default;
    // Records live in owning lists and the list view points at them; a copy would carry the
    // pending work item and, for a multi-part record, its parts twice.
    CArticle(const CArticle&) = delete;
    CArticle& operator=(const CArticle&) = delete;

    std::string_view ClassName() const override { return "CArticle"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    // The index into the main window's article images.
    virtual int StateImage() const;
    virtual std::int32_t ArticleNumber() const { return m_articleNumber; }
    virtual bool IsComplete() const { return true; }
    virtual bool IsMultiPart() const { return false; }
    // The Subject column and the text the subject criteria and Find look at.
    virtual std::string DisplaySubject() const { return std::string(Subject()); }
    virtual std::int32_t Lines() const { return m_lines; }
    // Every record answers true; kept so callers written against either kind need no test.
    virtual bool IsValid() const { return true; }
    // Walks the articles to download: set the cursor with StartParts, call until the cursor
    // is back at 0. A single article hands out itself once; a null return is a missing part.
    virtual CArticle* NextPart();
    virtual std::string BaseSubject() const { return {}; }

    void StartParts() { m_partCursor = 1; }
    std::int32_t PartCursor() const { return m_partCursor; }

    std::string_view Subject() const { return Text(kSubject); }
    void SetSubject(std::string_view v) { m_texts.Set(kSubject, v); }
    std::string_view From() const { return Text(kFrom); }
    void SetFrom(std::string_view v) { m_texts.Set(kFrom, v); }
    std::string_view MessageId() const { return Text(kMessageId); }
    void SetMessageId(std::string_view v) { m_texts.Set(kMessageId, v); }
    std::string_view Date() const { return Text(kDate); }
    void SetDate(std::string_view v) { m_texts.Set(kDate, v); }
    std::string_view Origin() const { return Text(kOrigin); }
    void SetOrigin(std::string_view v) { m_texts.Set(kOrigin, v); }
    // Set by the article job on its worker thread while the record is listed: it lives apart
    // from the packed texts, so that setting it never moves the texts the window shows.
    std::string_view FileName() const { return m_fileName ? std::string_view(*m_fileName) : std::string_view(); }
    void SetFileName(std::string_view v);
    CArticleTexts Texts() const;
    void SetTexts(const CArticleTexts& texts);
    // The packed block, for memory accounting only.
    const CPackedTexts& PackedTexts() const { return m_texts; }

    const std::string& Newsgroup() const { return m_newsgroup.Str(); }
    void SetNewsgroup(std::string_view v);
    // A worker taking in a whole group names it once and hands every record the same copy.
    void SetNewsgroup(const CSharedText& v) { m_newsgroup = v; }
    const CSharedText& SharedNewsgroup() const { return m_newsgroup; }

    bool Mismatch() const { return m_mismatch; }
    void SetMismatch(bool v) { m_mismatch = v; }
    bool RemoveWhenDone() const { return m_removeWhenDone; }
    void SetRemoveWhenDone(bool v) { m_removeWhenDone = v; }
    void SetLines(std::int32_t v) { m_lines = v; }
    std::int32_t GroupCount() const { return m_groupCount; }
    void SetGroupCount(std::int32_t v) { m_groupCount = v; }
    bool Queued() const { return m_queued; }
    void SetQueued(bool v) { m_queued = v; }
    bool Downloading() const { return m_downloading; }
    void SetDownloading(bool v) { m_downloading = v; }
    bool Attachment() const { return m_attachment; }
    void SetAttachment(bool v) { m_attachment = v; }
    void SetArticleNumber(std::int32_t v) { m_articleNumber = v; }
    std::int32_t Priority() const { return m_priority; }
    void SetPriority(std::int32_t v) { m_priority = v; }
    CWorkItem* WorkItem() const { return m_workItem; }
    void SetWorkItem(CWorkItem* v) { m_workItem = v; }

protected:
    // The image of a not-incomplete record: the two kinds differ only in the base index of
    // their attachment and text rows.
    int QueueStateImage(int textBase, int attachmentBase) const;

    // Slots of the packed block.
    enum : std::size_t { kSubject, kFrom, kMessageId, kDate, kOrigin };
    std::string_view Text(std::size_t slot) const { return m_texts.Get(slot); }

    // Pointers and counts first, flags last: nothing pads between them.
    CPackedTexts m_texts;  // subject holds the base subject in a multi-part record
    CSharedText m_newsgroup;
    CWorkItem* m_workItem = nullptr;  // not owned
    std::unique_ptr<std::string> m_fileName;  // null until a file name is known
    std::int32_t m_lines = 0;
    // The article job writes the group count, the rules' priority and the flags below on its
    // worker thread while the window may read them (a row's image, an automatic save), so
    // they are atomics.
    std::atomic<std::int32_t> m_groupCount = kGroupCountUnknown;
    std::int32_t m_articleNumber = 0;
    std::atomic<std::int32_t> m_priority = kPriorityMedium;
    std::int32_t m_partCursor = 0;
    // Bytes of their own, never sharing a memory location with the window's flags below.
    std::atomic<bool> m_mismatch = false;
    std::atomic<bool> m_attachment = true;
    bool m_removeWhenDone : 1 = false;
    bool m_queued : 1 = false;
    bool m_downloading : 1 = false;
};

class CMultiPartArticle : public CArticle {
public:
    static constexpr std::uint16_t kSchema = 2;

    CMultiPartArticle() = default;
    // Both arrays get one empty slot per announced part; a count of 0 or less gives none.
    CMultiPartArticle(std::int32_t partCount, std::string_view baseSubject);

    std::string_view ClassName() const override { return "CMultiPartArticle"; }
    std::uint16_t Schema() const override { return kSchema; }
    void Serialize(CArchive& ar) override;

    int StateImage() const override;
    std::int32_t ArticleNumber() const override;
    bool IsComplete() const override;
    bool IsMultiPart() const override { return true; }
    std::string DisplaySubject() const override;
    std::int32_t Lines() const override;
    CArticle* NextPart() override;
    std::string BaseSubject() const override { return std::string(Subject()); }

    // Takes the part as part number n (from 1). A number beyond the count, or a part already
    // held, frees the offered article: the first copy of a part is the one downloaded.
    void AddPart(std::unique_ptr<CArticle> part, std::int32_t n);

    std::int32_t PartCount() const { return m_partCount; }
    // Part n (from 1), null when missing or out of range.
    const CArticle* Part(std::int32_t n) const;
    bool IsPresent(std::int32_t n) const;

private:
    void ReadParts(CArchive& ar);

    std::vector<std::unique_ptr<CArticle>> m_parts;  // slot n - 1 holds part n
    std::vector<std::uint16_t> m_present;            // 1 where the slot holds a part
    std::int32_t m_partCount = 0;
};

// Makes the article and range records loadable from a setup file.
void RegisterArticleRecordClasses(CClassRegistry& registry);

}  // namespace corvane
