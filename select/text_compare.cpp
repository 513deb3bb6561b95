#include "select/text_compare.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace corvane {

namespace {

bool EqualFolded(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (FoldUpper(a[i]) != FoldUpper(b[i])) return false;
    return true;
}

constexpr unsigned char FoldLower(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + ('a' - 'A')) : b;
}

// The next c at or after from within [begin, begin + span); null when there is none.
const char* FindFrom(const char* from, char c, const char* begin, std::size_t span) {
    const std::size_t offset = static_cast<std::size_t>(from - begin);
    if (offset >= span) return nullptr;
    return static_cast<const char*>(std::memchr(from, c, span - offset));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && EqualFolded(a.data(), b.data(), a.size());
}

bool BeginsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool BeginsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualFolded(text.data(), prefix.data(), prefix.size());
}

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualFolded(text.data() + (text.size() - suffix.size()), suffix.data(), suffix.size());
}

bool ContainsIgnoreCase(std::string_view text, std::string_view needle) {
    text = text.substr(0, std::min(text.size(), kIgnoreCaseSearchLimit));
    needle = needle.substr(0, std::min(needle.size(), kIgnoreCaseSearchLimit));
    if (needle.empty()) return true;
    if (needle.size() > text.size()) return false;
    // Candidates are found by their first byte, in either case, with memchr, which scans
    // many bytes at a time; only candidates are compared in full.
    const char upper = static_cast<char>(FoldUpper(needle[0]));
    const char lower = static_cast<char>(FoldLower(needle[0]));
    const char* const begin = text.data();
    const std::size_t span = text.size() - needle.size() + 1;  // positions a match can start at
    const char* nextUpper = FindFrom(begin, upper, begin, span);
    const char* nextLower = upper == lower ? nullptr : FindFrom(begin, lower, begin, span);
    while (nextUpper != nullptr || nextLower != nullptr) {
        const bool takeUpper =
            nextLower == nullptr || (nextUpper != nullptr && nextUpper < nextLower);
        const char*& next = takeUpper ? nextUpper : nextLower;
        if (EqualFolded(next + 1, needle.data() + 1, needle.size() - 1)) return true;
        next = FindFrom(next + 1, takeUpper ? upper : lower, begin, span);
    }
    return false;
}

int CompareBytes(std::string_view a, std::string_view b) {
    // char_traits<char> orders bytes as unsigned char, which is the order wanted here.
    return a.compare(b);
}

bool ParseDecimal(std::string_view text, std::int32_t& value) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    // Accumulated in 64 bits and checked per digit, so no length of digits can overflow.
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace corvane
