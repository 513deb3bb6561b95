#include "app/article_sort.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace corvane {

namespace {

constexpr bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// The lower-case letter of an upper-case Latin-1 Supplement or Latin Extended-A code point;
// any other code point is returned as it is. Dotted capital I (U+0130) stays: its lower case
// is a plain "i" of a different length, and the dotless small i (U+0131) has no pair here.
constexpr std::uint32_t LowerLatin(std::uint32_t c) {
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c == 0x178) return 0xFF;
    if (c == 0x130) return c;
    const bool evenUpper = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1)) return c + 1;
    return c;
}

// How many bytes the UTF-8 character starting at text[i] takes: the length of a well-formed
// sequence, otherwise 1, so that a stray byte is skipped alone.
std::size_t CharLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (i + length > text.size()) return 1;
    for (std::size_t k = 1; k < length; ++k)
        if (!IsContinuation(static_cast<unsigned char>(text[i + k]))) return 1;
    return length;
}

std::string SortKey(int column, const CArticle& article) {
    switch (column) {
        case kColumnGroup:
            return FoldCase(article.Newsgroup());
        case kColumnSubject:
            return FoldCase(SubjectSortText(article.DisplaySubject()));
        case kColumnDate:
            return FoldCase(article.Date());
        case kColumnFrom:
            return FoldCase(article.From());
        case kColumnOrigin:
            return FoldCase(article.Origin());
        default:
            return {};
    }
}

template <typename Key>
void SortByKey(std::vector<CArticle*>& rows, Key keyOf) {
    using KeyType = decltype(keyOf(*rows.front()));
    std::vector<std::pair<KeyType, CArticle*>> keyed;
    keyed.reserve(rows.size());
    for (CArticle* row : rows) keyed.emplace_back(keyOf(*row), row);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
}

}  // namespace

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto b = static_cast<unsigned char>(folded[i]);
        if (b >= 'A' && b <= 'Z') {
            folded[i] = static_cast<char>(b + ('a' - 'A'));
            continue;
        }
        // Every letter with a pair here is a two-byte sequence led by C3, C4 or C5, and so is
        // its lower case, so folding never changes the text's length.
        if (b < 0xC3 || b > 0xC5 || i + 1 >= folded.size()) continue;
        const auto next = static_cast<unsigned char>(folded[i + 1]);
        if (!IsContinuation(next)) continue;
        const std::uint32_t lower = LowerLatin(((b & 0x1Fu) << 6) | (next & 0x3Fu));
        folded[i] = static_cast<char>(0xC0 | (lower >> 6));
        folded[i + 1] = static_cast<char>(0x80 | (lower & 0x3F));
        ++i;
    }
    return folded;
}

std::string_view SubjectSortText(std::string_view subject) {
    if (subject.size() < 3) return subject;
    const bool reply = (subject[0] == 'R' || subject[0] == 'r') &&
                       (subject[1] == 'E' || subject[1] == 'e') && subject[2] == ':';
    if (!reply) return subject;
    if (subject.size() == 3) return {};
    return subject.substr(3 + CharLength(subject, 3));
}

int CompareArticles(int column, const CArticle& a, const CArticle& b) {
    if (column == kColumnLines) {
        const std::int32_t x = a.Lines();
        const std::int32_t y = b.Lines();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (column < 0 || column >= kColumnCount) return 0;
    const int order = SortKey(column, a).compare(SortKey(column, b));
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

void SortArticleRows(std::vector<CArticle*>& rows, int column) {
    if (column < 0 || column >= kColumnCount || rows.size() < 2) return;
    if (column == kColumnLines) {
        SortByKey(rows, [](const CArticle& a) { return a.Lines(); });
    } else {
        SortByKey(rows, [column](const CArticle& a) { return SortKey(column, a); });
    }
}

}  // namespace corvane
