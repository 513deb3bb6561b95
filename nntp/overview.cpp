#include "nntp/overview.h"

#include <array>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <string>

#include "nntp/date_parse.h"
#include "setup/article.h"

namespace corvane {
namespace {

// Fields 0 to 8 are all a record takes; the rest of a line is never looked at.
constexpr int kFieldsUsed = 9;
constexpr int kSubjectField = 1;
constexpr int kFromField = 2;
constexpr int kDateField = 3;
constexpr int kMessageIdField = 4;
constexpr int kLinesField = 7;
constexpr int kXrefField = 8;
// "Xref: " in front of the server name.
constexpr size_t kXrefLabelLength = 6;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsXrefSeparator(char c) {
    return c == ' ' || c == ',';
}

std::int32_t ClampToInt32(long value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// Splits the first kFieldsUsed fields in one pass over the line.
std::array<std::string_view, kFieldsUsed> SplitFields(std::string_view line) {
    std::array<std::string_view, kFieldsUsed> fields{};
    size_t start = 0;
    for (int i = 0; i < kFieldsUsed; ++i) {
        const char* tab =
            static_cast<const char*>(std::memchr(line.data() + start, '\t', line.size() - start));
        const size_t end = tab != nullptr ? static_cast<size_t>(tab - line.data()) : line.size();
        fields[i] = line.substr(start, end - start);
        if (tab == nullptr) break;
        start = end + 1;
    }
    return fields;
}

}  // namespace

bool ReadLong(std::string_view text, size_t& pos, long& value) {
    size_t at = pos;
    while (at < text.size() && IsSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size() || !IsDigit(text[at])) return false;
    // Accumulated as a negative number, whose range is the larger, then turned round.
    long result = 0;
    bool saturated = false;
    for (; at < text.size() && IsDigit(text[at]); ++at) {
        const int digit = text[at] - '0';
        if (result < (LONG_MIN + digit) / 10) saturated = true;
        if (!saturated) result = result * 10 - digit;
    }
    if (saturated) {
        value = negative ? LONG_MIN : LONG_MAX;
    } else if (negative) {
        value = result;
    } else {
        value = result == LONG_MIN ? LONG_MAX : -result;
    }
    pos = at;
    return true;
}

bool ReadLong(std::string_view text, long& value) {
    size_t pos = 0;
    return ReadLong(text, pos, value);
}

std::string_view OverviewField(std::string_view line, int index) {
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) return {};
        start = tab + 1;
    }
    return line.substr(start, line.find('\t', start) - start);
}

bool ParseOverviewLine(std::string_view line, CArticle& article) {
    std::string_view xref;
    return ParseOverviewLine(line, article, xref);
}

bool ParseOverviewLine(std::string_view line, CArticle& article, std::string_view& xref) {
    long number = 0;
    if (!ReadLong(line, number) || number < 1 || number > INT32_MAX) return false;
    const auto fields = SplitFields(line);
    article.SetArticleNumber(static_cast<std::int32_t>(number));
    const std::string date = FormatArticleDate(fields[kDateField]);
    const std::string_view id = fields[kMessageIdField];
    CArticleTexts texts = article.Texts();
    texts.subject = fields[kSubjectField];
    texts.from = fields[kFromField];
    texts.date = date;
    texts.messageId = id.size() >= 2 ? id.substr(1, id.size() - 2) : std::string_view();
    article.SetTexts(texts);
    long lines = 0;
    article.SetLines(ReadLong(fields[kLinesField], lines) ? ClampToInt32(lines) : 0);
    xref = fields[kXrefField];
    return true;
}

std::string_view OriginFromPathLine(std::string_view line) {
    const size_t last = line.rfind('!');
    if (last == std::string_view::npos) return {};
    if (last > 0) {
        const size_t previous = line.rfind('!', last - 1);
        if (previous != std::string_view::npos)
            return line.substr(previous + 1, last - previous - 1);
    }
    // Two elements only: the site is the whole first element, after the article number.
    size_t start = 0;
    long ignored = 0;
    ReadLong(line, start, ignored);
    if (start < line.size() && line[start] == ' ') ++start;
    return start < last ? line.substr(start, last - start) : std::string_view();
}

CXrefEntries::CXrefEntries(std::string_view field) {
    if (field.size() <= kXrefLabelLength) return;
    const std::string_view rest = field.substr(kXrefLabelLength);
    // The server name comes first; without anything after it there are no entries.
    size_t at = 0;
    while (at < rest.size() && !IsXrefSeparator(rest[at])) ++at;
    if (at < rest.size()) m_rest = rest.substr(at + 1);
}

bool CXrefEntries::Next(std::string_view& group, std::int32_t& number) {
    while (!m_rest.empty()) {
        size_t end = 0;
        while (end < m_rest.size() && !IsXrefSeparator(m_rest[end])) ++end;
        const std::string_view entry = m_rest.substr(0, end);
        m_rest.remove_prefix(end < m_rest.size() ? end + 1 : end);
        const size_t colon = entry.find(':');
        if (colon == std::string_view::npos || colon == 0) continue;
        long value = 0;
        if (!ReadLong(entry.substr(colon + 1), value) || value < INT32_MIN || value > INT32_MAX) {
            continue;
        }
        group = entry.substr(0, colon);
        number = static_cast<std::int32_t>(value);
        return true;
    }
    return false;
}

bool ParseGroupReply(std::string_view reply, SGroupBounds& bounds) {
    if (reply.substr(0, 3) != "211") return false;
    size_t pos = 3;
    SGroupBounds read;
    if (!ReadLong(reply, pos, read.count) || !ReadLong(reply, pos, read.first) ||
        !ReadLong(reply, pos, read.last)) {
        return false;
    }
    for (const long number : {read.first, read.last}) {
        if (number < INT32_MIN || number > INT32_MAX) return false;
    }
    bounds = read;
    return true;
}

}  // namespace corvane
