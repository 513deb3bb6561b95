#pragma once
// What the program knows about one wanted article (CArticle) and about one posting whose parts
// are being joined (CMultiPartArticle). The article list owns both kinds; a multi-part record
// owns its present parts, and the multi-part map only refers to records of the list. Main
// thread only: workers get copies of the values they need in their work items, never these
// records. The work item an article points at is not owned here.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "setup/archive.h"

namespace corvane {

class CWorkItem;

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
    virtual std::string DisplaySubject() const { return m_subject; }
    virtual std::int32_t Lines() const { return m_lines; }
    // Every record answers true; kept so callers written against either kind need no test.
    virtual bool IsValid() const { return true; }
    // Walks the articles to download: set the cursor with StartParts, call until the cursor
    // is back at 0. A single article hands out itself once; a null return is a missing part.
    virtual CArticle* NextPart();
    virtual std::string BaseSubject() const { return {}; }

    void StartParts() { m_partCursor = 1; }
    std::int32_t PartCursor() const { return m_partCursor; }

    const std::string& Date() const { return m_date; }
    void SetDate(std::string v) { m_date = std::move(v); }
    bool Mismatch() const { return m_mismatch; }
    void SetMismatch(bool v) { m_mismatch = v; }
    bool RemoveWhenDone() const { return m_removeWhenDone; }
    void SetRemoveWhenDone(bool v) { m_removeWhenDone = v; }
    const std::string& Newsgroup() const { return m_newsgroup; }
    void SetNewsgroup(std::string v) { m_newsgroup = std::move(v); }
    const std::string& MessageId() const { return m_messageId; }
    void SetMessageId(std::string v) { m_messageId = std::move(v); }
    const std::string& Subject() const { return m_subject; }
    void SetSubject(std::string v) { m_subject = std::move(v); }
    const std::string& From() const { return m_from; }
    void SetFrom(std::string v) { m_from = std::move(v); }
    void SetLines(std::int32_t v) { m_lines = v; }
    std::int32_t GroupCount() const { return m_groupCount; }
    void SetGroupCount(std::int32_t v) { m_groupCount = v; }
    const std::string& Origin() const { return m_origin; }
    void SetOrigin(std::string v) { m_origin = std::move(v); }
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
    const std::string& FileName() const { return m_fileName; }
    void SetFileName(std::string v) { m_fileName = std::move(v); }

protected:
    // The image of a not-incomplete record: the two kinds differ only in the base index of
    // their attachment and text rows.
    int QueueStateImage(int textBase, int attachmentBase) const;

    std::string m_date;
    bool m_mismatch = false;
    bool m_removeWhenDone = false;
    std::string m_newsgroup;
    std::string m_messageId;
    std::string m_subject;  // the base subject in a multi-part record
    std::string m_from;
    std::int32_t m_lines = 0;
    std::int32_t m_groupCount = kGroupCountUnknown;
    std::string m_origin;
    bool m_queued = false;
    bool m_downloading = false;
    bool m_attachment = true;
    std::int32_t m_articleNumber = 0;
    std::int32_t m_priority = kPriorityMedium;
    CWorkItem* m_workItem = nullptr;  // not owned
    std::string m_fileName;
    std::int32_t m_partCursor = 0;
};

class CMultiPartArticle : public CArticle {
public:
    static constexpr std::uint16_t kSchema = 2;

    CMultiPartArticle() = default;
    // Both arrays get one empty slot per announced part; a count of 0 or less gives none.
    CMultiPartArticle(std::int32_t partCount, std::string baseSubject);

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
    std::string BaseSubject() const override { return m_subject; }

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
