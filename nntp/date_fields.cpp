#include "nntp/date_fields.h"

#include <array>
#include <limits>
#include <span>

#include "nntp/date_parse.h"

namespace corvane::date_detail {
namespace {

struct NameEntry {
    const char* name;  // up to four lower-case letters; "" ends the table
    int32_t value;
};

constexpr NameEntry kMonthNames[] = {
    {"jan", 0}, {"feb", 1}, {"mar", 2}, {"apr", 3},  {"may", 4},  {"jun", 5}, {"jul", 6},
    {"aug", 7}, {"sep", 8}, {"oct", 9}, {"nov", 10}, {"dec", 11}, {"", -1},
};

constexpr NameEntry kWeekdayNames[] = {
    {"sun", 0}, {"mon", 1}, {"tue", 2}, {"wed", 3}, {"thu", 4}, {"fri", 5}, {"sat", 6}, {"", -1},
};

// Minutes east of UTC. The order matters: a word takes the first entry it begins with, so
// "utc" must come before "ut".
constexpr NameEntry kZoneNames[] = {
    {"hst", -600}, {"hast", -600}, {"hadt", -540}, {"akst", -540}, {"akdt", -480},
    {"pst", -480}, {"pdt", -420},  {"mst", -420},  {"mdt", -360},  {"cst", -360},
    {"cdt", -300}, {"est", -300},  {"edt", -240},  {"ast", -240},  {"adt", -180},
    {"nst", -210}, {"ndt", -150},  {"utc", 0},     {"cut", 0},     {"ut", 0},
    {"z", 0},      {"gmt", 0},     {"bst", 60},    {"wet", 0},     {"met", 60},
    {"cet", 60},   {"eet", 120},   {"ist", 330},   {"jst", 540},   {"jdt", 600},
    {"kst", 540},  {"kdt", 600},   {"nzst", 720},  {"nzdt", 780},  {"lt", kLocalTimeName},
    {"", -1},
};

// A table entry with its letters packed into one word, first letter lowest, for comparing a
// whole name at once.
struct PackedName {
    uint32_t name;
    uint32_t mask;  // 0xff per letter of the name; 0 ends the table
    int32_t value;
};

template <size_t N>
constexpr std::array<PackedName, N> Pack(const NameEntry (&entries)[N]) {
    std::array<PackedName, N> packed{};
    for (size_t i = 0; i < N; ++i) {
        packed[i].value = entries[i].value;
        for (size_t k = 0; entries[i].name[k] != '\0'; ++k) {
            packed[i].name |= uint32_t(uint8_t(entries[i].name[k])) << (8 * k);
            packed[i].mask |= 0xffu << (8 * k);
        }
    }
    return packed;
}

constexpr auto kPackedMonths = Pack(kMonthNames);
constexpr auto kPackedWeekdays = Pack(kWeekdayNames);
constexpr auto kPackedZones = Pack(kZoneNames);

std::span<const PackedName> PackedTable(DateNames table) {
    switch (table) {
        case DateNames::kMonths:
            return kPackedMonths;
        case DateNames::kWeekdays:
            return kPackedWeekdays;
        case DateNames::kZones:
            break;
    }
    return kPackedZones;
}

// 10^18 is the largest power of ten a fraction's denominator may reach in 64 bits.
constexpr int kMaxFractionDigits = 18;

// The optional fraction after a number, as a count of `resolution` units rounded half to
// even. Fractions too long to compute exactly are refused rather than guessed at.
bool ReadFraction(DateCursor& c, int64_t resolution, int32_t& fraction) {
    fraction = 0;
    if ((c.At() != ',' && c.At() != '.') || !IsDigit(c.At(1))) return true;
    ++c.pos;
    int64_t numerator = 0;
    int64_t denominator = 1;
    for (int n = 0; IsDigit(c.At()); ++n, ++c.pos) {
        if (n == kMaxFractionDigits) return false;
        numerator = numerator * 10 + (c.At() - '0');
        denominator *= 10;
    }
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    if (numerator > kMax / resolution) return false;
    const int64_t scaled = numerator * resolution;
    if (scaled > kMax - denominator / 2) return false;
    int64_t rounded = (scaled + denominator / 2) / denominator;
    const bool exactHalf = (scaled + denominator / 2) % denominator == 0;
    if (exactHalf && rounded % 2 == 1) --rounded;
    if (rounded > std::numeric_limits<int32_t>::max()) return false;
    fraction = int32_t(rounded);
    return true;
}

bool IsDst(const DateCursor& c, size_t offset) {
    return ToLower(c.At(offset)) == 'd' && ToLower(c.At(offset + 1)) == 's' &&
           ToLower(c.At(offset + 2)) == 't';
}

// "+hh", "+hh:", "+hhmm", "+hh:mm" or "+hh:mm:ss" (or "-"), applied to base.
bool ReadNumericZone(DateCursor& c, int32_t base, int32_t& zone) {
    const bool minus = c.At() == '-';
    ++c.pos;
    int32_t hours = 0, minutes = 0, seconds = 0;
    if (!ReadFixed(c, 2, 0, 23, hours)) return false;
    const bool colon = c.At() == ':';
    if (colon) ++c.pos;
    if (IsDigit(c.At()) && !ReadFixed(c, 2, 0, 59, minutes)) return false;
    if (colon && c.At() == ':' && IsDigit(c.At(1))) {
        ++c.pos;
        if (!ReadFixed(c, 2, 0, 59, seconds)) return false;
    }
    if (IsDigit(c.At())) return false;
    const int32_t offset = hours * 3600 + minutes * 60 + seconds;
    zone = minus ? base - offset : base + offset;
    return true;
}

}  // namespace

bool ReadDecimal(DateCursor& c, int32_t lo, int32_t hi, int64_t resolution, int32_t& value,
                 int32_t& fraction) {
    return ReadFixed(c, 2, lo, hi, value) && ReadFraction(c, resolution, fraction);
}

int32_t LookupName(const DateCursor& c, DateNames table) {
    // Up to four characters, ending just after the first non-letter. An entry matches a word
    // that begins with all of its letters ("mon" matches "Monday"), so the first entry wins.
    // Packed four to a word, unused bytes zero: no name letter is zero, so comparing the bytes
    // an entry has also checks that enough characters were taken.
    // No name begins with anything but a letter; most digits meet a name step here.
    if (c.AtEnd() || !IsLetter(*c.pos)) return -1;
    uint32_t word = 0;
    const size_t available = size_t(c.end - c.pos);
    for (size_t taken = 0; taken < 4 && taken < available; ++taken) {
        const char ch = c.pos[taken];
        word |= uint32_t(uint8_t(ToLower(ch))) << (8 * taken);
        if (!IsLetter(ch)) break;
    }
    for (const PackedName& entry : PackedTable(table)) {
        if (entry.mask == 0) return entry.value;
        if ((word & entry.mask) == entry.name) return entry.value;
    }
    return -1;
}

bool ReadZone(DateCursor& c, int32_t& zone) {
    if (c.At() == '+' || c.At() == '-') return ReadNumericZone(c, 0, zone);
    const int32_t minutes = LookupName(c, DateNames::kZones);
    if (minutes == -1) return false;
    const char* word = c.pos;
    SkipLetters(c);
    if (minutes == kLocalTimeName) {
        zone = PartialTime::kLocalZone;
        return true;
    }
    zone = minutes * 60;
    const size_t length = size_t(c.pos - word);
    if (length >= 3 && IsDst(DateCursor{word, c.end}, length - 3)) {
        zone += 3600;
        return true;
    }
    while (IsBlank(c.At())) ++c.pos;
    if (IsDst(c, 0)) {
        zone += 3600;
        c.pos += 3;
        return true;
    }
    if (c.At() == '+' || c.At() == '-') return ReadNumericZone(c, zone, zone);
    return true;
}

}  // namespace corvane::date_detail
