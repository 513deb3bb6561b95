#include "setup/article.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "setup/group_range.h"
#include "setup/log_entry.h"
#include "setup/msg_details.h"

namespace corvane {

namespace {

// The texts of the Subject column of a joined posting.
constexpr std::string_view kCompletePrefix = "(Complete) ";
constexpr std::string_view kPartsPrefix = "(Parts - ";
constexpr std::string_view kPartsSuffixFormat = " of {}) ";

bool ReadFlag(CArchive& ar) {
    return ar.ReadDword() != 0;
}

// Appends "a" or "a-b" for the run of present parts a..b.
void AppendRun(std::string& out, std::int32_t first, std::int32_t last) {
    if (!out.empty()) out += ',';
    out += std::to_string(first);
    if (last > first) out += '-' + std::to_string(last);
}

}  // namespace

int CArticle::StateImage() const {
    if (m_mismatch) return 14;
    return QueueStateImage(0, 6);
}

int CArticle::QueueStateImage(int textBase, int attachmentBase) const {
    // The image list orders its text images idle, queued, downloading, but its attachment
    // images idle, downloading, queued.
    if (m_attachment) {
        if (m_downloading) return attachmentBase + 1;
        return m_queued ? attachmentBase + 2 : attachmentBase;
    }
    if (m_downloading) return textBase + 2;
    return m_queued ? textBase + 1 : textBase;
}

CArticleTexts CArticle::Texts() const {
    const CPackedTexts::Views v = m_texts.GetAll();
    return {v[kSubject], v[kFrom], v[kMessageId], v[kDate], v[kOrigin], FileName()};
}

void CArticle::SetTexts(const CArticleTexts& t) {
    CPackedTexts::Views v;
    v[kSubject] = t.subject;
    v[kFrom] = t.from;
    v[kMessageId] = t.messageId;
    v[kDate] = t.date;
    v[kOrigin] = t.origin;
    m_texts.SetAll(v);
    SetFileName(t.fileName);
}

void CArticle::SetFileName(std::string_view v) {
    if (v.empty()) {
        m_fileName.reset();
    } else if (m_fileName) {
        m_fileName->assign(v);
    } else {
        m_fileName = std::make_unique<std::string>(v);
    }
}

void CArticle::SetNewsgroup(std::string_view v) {
    // Records of one group are named alike over and over; the pool is asked only on a change.
    if (v != Newsgroup()) m_newsgroup = CSharedText(v);
}

CArticle* CArticle::NextPart() {
    m_partCursor = 0;
    return this;
}

void CArticle::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        const CArticleTexts t = Texts();
        ar.WriteString(t.from);
        ar.WriteString(t.subject);
        ar.WriteInt(m_lines);
        ar.WriteString(t.messageId);
        ar.WriteString(Newsgroup());
        ar.WriteString(t.origin);
        ar.WriteDword(m_attachment ? 1 : 0);
        ar.WriteInt(m_articleNumber);
        ar.WriteInt(m_groupCount);
        ar.WriteString(t.date);
        return;
    }
    const std::uint16_t schema = ar.Schema();
    const std::string from = ar.ReadString();
    const std::string subject = ar.ReadString();
    m_lines = ar.ReadInt();
    const std::string messageId = ar.ReadString();
    SetNewsgroup(ar.ReadString());
    const std::string origin = ar.ReadString();
    m_attachment = schema >= 2 ? ReadFlag(ar) : true;
    m_articleNumber = schema >= 3 ? ar.ReadInt() : 0;
    m_groupCount = schema >= 4 ? ar.ReadInt() : kGroupCountUnknown;
    const std::string date = schema >= 5 ? ar.ReadString() : std::string();
    SetTexts({subject, from, messageId, date, origin, {}});
}

CMultiPartArticle::CMultiPartArticle(std::int32_t partCount, std::string_view baseSubject)
    : m_partCount(partCount) {
    SetSubject(baseSubject);
    const std::size_t slots = partCount > 0 ? static_cast<std::size_t>(partCount) : 0;
    m_parts.resize(slots);
    m_present.assign(slots, 0);
}

void CMultiPartArticle::AddPart(std::unique_ptr<CArticle> part, std::int32_t n) {
    // 64 bits: n - 1 of INT32_MIN does not exist in 32.
    const std::int64_t slot = std::int64_t{n} - 1;
    if (!part || slot < 0 || slot >= std::int64_t{m_partCount}) return;
    const auto index = static_cast<std::size_t>(slot);
    if (m_present[index] != 0) return;
    // The parts of one posting nearly always share group, poster and origin: copying only
    // what differs spares a repack per part.
    if (!m_newsgroup.SameCopy(part->SharedNewsgroup())) m_newsgroup = part->SharedNewsgroup();
    CArticleTexts texts = Texts();
    const std::string_view origin = part->Origin();
    const std::string_view from = part->From();
    if (texts.origin != origin || texts.from != from) {
        texts.origin = origin;
        texts.from = from;
        SetTexts(texts);
    }
    m_parts[index] = std::move(part);
    m_present[index] = 1;
}

const CArticle* CMultiPartArticle::Part(std::int32_t n) const {
    const std::int64_t slot = std::int64_t{n} - 1;
    if (slot < 0 || slot >= static_cast<std::int64_t>(m_parts.size())) return nullptr;
    return m_parts[static_cast<std::size_t>(slot)].get();
}

bool CMultiPartArticle::IsPresent(std::int32_t n) const {
    const std::int64_t slot = std::int64_t{n} - 1;
    if (slot < 0 || slot >= static_cast<std::int64_t>(m_present.size())) return false;
    return m_present[static_cast<std::size_t>(slot)] != 0;
}

bool CMultiPartArticle::IsComplete() const {
    return std::ranges::all_of(m_present, [](std::uint16_t f) { return f != 0; });
}

int CMultiPartArticle::StateImage() const {
    if (!IsComplete()) return m_attachment ? 12 : 13;
    return QueueStateImage(3, 9);
}

std::int32_t CMultiPartArticle::ArticleNumber() const {
    for (const auto& part : m_parts)
        if (part) return part->ArticleNumber();
    return 0;
}

std::int32_t CMultiPartArticle::Lines() const {
    // The counts come from the server; a sum past the 32-bit range shows as the maximum.
    std::int64_t sum = 0;
    for (const auto& part : m_parts)
        if (part) sum += part->Lines();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(std::clamp(sum, kMin, kMax));
}

std::string CMultiPartArticle::DisplaySubject() const {
    if (IsComplete()) return std::string(kCompletePrefix).append(Subject());
    std::string list;
    std::int32_t runStart = 0;  // first part of the current run, 0 outside a run
    const auto count = static_cast<std::int32_t>(m_present.size());
    for (std::int32_t n = 1; n <= count; ++n) {
        const bool present = m_present[static_cast<std::size_t>(n - 1)] != 0;
        if (present && runStart == 0) runStart = n;
        if (!present && runStart != 0) {
            AppendRun(list, runStart, n - 1);
            runStart = 0;
        }
    }
    if (runStart != 0) AppendRun(list, runStart, count);
    std::string suffix(kPartsSuffixFormat);
    suffix.replace(suffix.find("{}"), 2, std::to_string(m_partCount));
    return std::string(kPartsPrefix).append(list).append(suffix).append(Subject());
}

CArticle* CMultiPartArticle::NextPart() {
    const std::int64_t slot = std::int64_t{m_partCursor} - 1;
    CArticle* part = nullptr;
    if (slot >= 0 && slot < static_cast<std::int64_t>(m_parts.size()))
        part = m_parts[static_cast<std::size_t>(slot)].get();
    // Past the last slot (or from a cursor nobody started) the walk is over.
    if (slot < 0 || slot + 1 >= static_cast<std::int64_t>(m_parts.size())) {
        m_partCursor = 0;
    } else {
        ++m_partCursor;
    }
    return part;
}

void CMultiPartArticle::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        const CArticleTexts t = Texts();
        ar.WriteString(t.subject);
        ar.WriteInt(m_partCount);
        ar.WriteString(t.from);
        ar.WriteString(t.subject);
        ar.WriteInt(0);  // a joined record's lines are always its parts' sum
        ar.WriteString(t.messageId);
        ar.WriteString(Newsgroup());
        ar.WriteString(t.origin);
        ar.WriteDword(m_attachment ? 1 : 0);
        ar.WriteInt(m_groupCount);
        ar.SerializeArray(m_parts);
        ar.SerializeWords(m_present);
        return;
    }
    const std::uint16_t schema = ar.Schema();
    const std::string subject = ar.ReadString();
    m_partCount = ar.ReadInt();
    const std::string from = ar.ReadString();
    ar.ReadString();  // the base subject once more
    ar.ReadInt();     // lines, ignored
    const std::string messageId = ar.ReadString();
    SetNewsgroup(ar.ReadString());
    const std::string origin = ar.ReadString();
    m_attachment = ReadFlag(ar);
    m_groupCount = schema >= 2 ? ar.ReadInt() : kGroupCountUnknown;
    SetTexts({subject, from, messageId, {}, origin, {}});
    ReadParts(ar);
}

void CMultiPartArticle::ReadParts(CArchive& ar) {
    m_parts.clear();
    m_present.clear();
    ar.SerializeArray(m_parts);
    ar.SerializeWords(m_present);
    // Every operation indexes both arrays by part number up to the count, so a file whose
    // arrays disagree with its count cannot be used.
    const std::size_t slots = m_partCount > 0 ? static_cast<std::size_t>(m_partCount) : 0;
    if (m_parts.size() != slots || m_present.size() != slots)
        throw CArchiveException(EArchiveError::kBadIndex);
    for (std::size_t i = 0; i < slots; ++i) {
        // A joined record inside a joined record is nothing this program makes.
        if (m_parts[i] && m_parts[i]->IsMultiPart())
            throw CArchiveException(EArchiveError::kBadClass);
        // The slot is the truth: a flag without a part would never be filled, a part without
        // a flag would be replaced by a second copy.
        m_present[i] = m_parts[i] ? 1 : 0;
    }
}

void RegisterArticleRecordClasses(CClassRegistry& registry) {
    registry.Register<CArticle>("CArticle", CArticle::kSchema);
    registry.Register<CMultiPartArticle>("CMultiPartArticle", CMultiPartArticle::kSchema);
    registry.Register<CMsgDetails>("CMsgDetails", CMsgDetails::kSchema);
    registry.Register<CLogEntry>("CLogEntry", CLogEntry::kSchema);
    registry.Register<CGroupRange>("CGroupRange", CGroupRange::kSchema);
    registry.Register<CGroupRangeEntry>("CGroupRangeEntry", CGroupRangeEntry::kSchema);
}

}  // namespace corvane
