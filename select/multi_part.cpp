#include "select/multi_part.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace corvane {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the leading decimal digits of text from pos; false when there are none or when the
// number does not fit 32 bits, since a counter that large is no real posting.
bool ReadNumber(std::string_view text, std::size_t& pos, std::int32_t& out) {
    const std::size_t start = pos;
    std::int64_t value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) return false;
        ++pos;
    }
    out = static_cast<std::int32_t>(value);
    return pos > start;
}

}  // namespace

CPartCounter ParseParts(std::string_view subject) {
    CPartCounter result;
    const std::size_t slash = subject.rfind('/');
    if (slash == std::string_view::npos || slash == 0 || slash + 1 >= subject.size()) return result;
    if (!IsDigit(subject[slash - 1]) || !IsDigit(subject[slash + 1])) return result;
    std::size_t first = slash - 1;
    while (first > 0 && IsDigit(subject[first - 1])) --first;
    if (first == 0) return result;

    std::size_t pos = first;
    std::int32_t n = 0;
    std::int32_t count = 0;
    if (!ReadNumber(subject, pos, n)) return result;
    ++pos;  // the slash: the digit run read above ends right before it
    if (!ReadNumber(subject, pos, count)) return result;
    if (count <= 1 || n > count) return result;

    result.multiPart = true;
    result.part = n;
    result.count = count;
    result.baseSubject = subject.substr(0, first);
    return result;
}

}  // namespace corvane
