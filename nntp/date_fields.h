#pragma once
// The small readers the date templates are built from: fixed-width numbers, numbers with a
// decimal fraction, month / weekday / zone names, and zone offsets. They own nothing and keep
// no state, so any thread may call them. Each takes a cursor into the Date text and, on a
// match, moves it past what it read; on a mismatch it returns false and the cursor is left
// wherever it got to, because the caller then abandons the whole template.
#include <cstddef>
#include <cstdint>
#include <limits>

namespace corvane::date_detail {

// A read position in a Date text that is not NUL-terminated; At() past the end yields '\0',
// which no reader accepts as a letter, digit or sign.
struct DateCursor {
    const char* pos;
    const char* end;

    bool AtEnd() const { return pos >= end; }
    char At(size_t offset = 0) const { return offset < size_t(end - pos) ? pos[offset] : '\0'; }
};

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline char ToLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
inline bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Exactly `digits` digits whose value lies in [lo, hi]. Inline, as every template step that
// reads a number comes here with a constant width.
inline bool ReadFixed(DateCursor& c, int digits, int32_t lo, int32_t hi, int32_t& value) {
    int32_t v = 0;
    for (int i = 0; i < digits; ++i) {
        if (!IsDigit(c.At(i))) return false;
        v = v * 10 + (c.At(i) - '0');
    }
    if (v < lo || v > hi) return false;
    c.pos += digits;
    value = v;
    return true;
}

// A run of at least minDigits digits that fits in 31 bits.
inline bool ReadDigitRun(DateCursor& c, int minDigits, int32_t& value) {
    int64_t v = 0;
    int n = 0;
    for (; IsDigit(c.At()); ++n, ++c.pos) {
        v = v * 10 + (c.At() - '0');
        if (v > std::numeric_limits<int32_t>::max()) return false;
    }
    if (n < minDigits) return false;
    value = int32_t(v);
    return true;
}

// Two digits in [lo, hi], then an optional "," or "." fraction scaled to `resolution` units
// and rounded half to even; fraction is 0 when none is written.
bool ReadDecimal(DateCursor& c, int32_t lo, int32_t hi, int64_t resolution, int32_t& value,
                 int32_t& fraction);

// The names a Date text may spell out; lookups match any word that begins with a name.
enum class DateNames { kMonths, kWeekdays, kZones };

// The zone table's value for "lt", which is a marker rather than an offset.
constexpr int32_t kLocalTimeName = 1;

// The value of the first table entry the word at c begins with (month 0-11, weekday 0-6, zone
// in minutes east), or -1. Does not move the cursor.
int32_t LookupName(const DateCursor& c, DateNames table);

inline void SkipLetters(DateCursor& c) {
    while (IsLetter(c.At())) ++c.pos;
}

// A zone name (optionally with daylight saving and a numeric adjustment) or a signed numeric
// offset; zone is in seconds east of UTC, or the local-time marker for "lt".
bool ReadZone(DateCursor& c, int32_t& zone);

}  // namespace corvane::date_detail
