// Reading a Date text: each token is matched against a fixed list of short templates, and the
// pieces found are merged; a piece that contradicts what is already known sends the token back
// to the next template.
#include "nntp/date_parse.h"

#include <array>
#include <string_view>

#include "nntp/date_fields.h"

namespace corvane {
namespace {

using date_detail::DateCursor;
using date_detail::DateNames;
using date_detail::IsDigit;
using date_detail::IsLetter;
using date_detail::ReadFixed;

// One letter per matching step; see ApplyStep. Tried in this order for every token.
constexpr std::array<std::string_view, 52> kTemplates = {
    "E_n_y",  "x",      "E_n",    "n_E",  "n",     "t:m:s_A", "t:m_A",  "t_A",   "y/N/D$",
    "y-N-D$", "4ND$",   "Y-N$",   "RND$", "-R=N$", "-R$",     "--N=D$", "N=DT",  "--N$",
    "---D$",  "DT",     "Y-d$",   "4d$",  "R=d$",  "-d$",     "dT",     "y-W-X", "yWX",
    "y=W",    "-r-W-X", "r-W-XT", "-rWX", "rWXT",  "-W=X",    "W=XT",   "-W",    "-w-X",
    "w-XT",   "---X$",  "XT",     "4$",   "T",     "h:m:s$",  "hms$",   "h:m$",  "hm$",
    "h$",     "-m:s$",  "-ms$",   "-m$",  "--s$",  "Y",       "Z",
};

static_assert(
    [] {
        for (std::string_view t : kTemplates) {
            if (t.empty()) return false;
        }
        return true;
    }(),
    "a template is missing from the list");

// What a token may begin with, so that templates which cannot match its first character are
// not tried at all; most tokens then meet only a handful of templates.
enum : uint8_t { kStartsDigit = 1, kStartsLetter = 2, kStartsPlus = 4, kStartsMinus = 8 };

constexpr uint8_t StartClasses(char step) {
    switch (step) {
        case '-':
            return kStartsMinus;
        case 'T':
        case 'w':
        case 'W':
        case 'n':
        case 'x':
            return kStartsLetter;
        case 'Z':
            return kStartsLetter | kStartsPlus | kStartsMinus;
        case '4':
        case 'Y':
        case 'y':
        case 'R':
        case 'r':
        case 'N':
        case 'D':
        case 'E':
        case 'd':
        case 'X':
        case 'h':
        case 'm':
        case 's':
        case 't':
            return kStartsDigit;
        default:
            return kStartsDigit | kStartsLetter | kStartsPlus | kStartsMinus;
    }
}

constexpr std::array<uint8_t, kTemplates.size()> kTemplateStarts = [] {
    std::array<uint8_t, kTemplates.size()> starts{};
    for (size_t i = 0; i < kTemplates.size(); ++i) starts[i] = StartClasses(kTemplates[i][0]);
    return starts;
}();

uint8_t TokenClass(char c) {
    if (IsDigit(c)) return kStartsDigit;
    if (IsLetter(c)) return kStartsLetter;
    return c == '+' ? kStartsPlus : kStartsMinus;
}

// "-mm:ss", "-mmss", "-mm" and "--ss" give a minute or second of an hour the writer left out.
// Once the result already holds an hour and a minute, such a piece can only repeat them (any
// other value conflicts anyway), whereas a sign and digits written after a time of day are
// the writer's zone: "12:05:00 -0500" would otherwise read as minute 05, second 00 and lose
// its zone. So these templates are passed over then, which leaves the token to "Z".
constexpr bool IsHourlessTime(std::string_view tmpl) {
    return tmpl == "-m:s$" || tmpl == "-ms$" || tmpl == "-m$" || tmpl == "--s$";
}

constexpr std::array<bool, kTemplates.size()> kHourless = [] {
    std::array<bool, kTemplates.size()> hourless{};
    for (size_t i = 0; i < kTemplates.size(); ++i) hourless[i] = IsHourlessTime(kTemplates[i]);
    return hourless;
}();

bool KnowsTimeOfDay(const PartialTime& t) {
    return t.hour != PartialTime::kUndefined && t.minute != PartialTime::kUndefined;
}

bool ReadName(DateCursor& c, DateNames table, int32_t& value) {
    value = date_detail::LookupName(c, table);
    if (value == -1) return false;
    date_detail::SkipLetters(c);
    return true;
}

bool ReadLetter(DateCursor& c, char upper, char lower) {
    if (c.At() != upper && c.At() != lower) return false;
    ++c.pos;
    return true;
}

// One or two digits: two only when the second character is a digit too.
bool ReadShort(DateCursor& c, int32_t lo, int32_t hi, int32_t& value) {
    return ReadFixed(c, IsDigit(c.At(1)) ? 2 : 1, lo, hi, value);
}

// "am" or "pm" (the "m" optional) turning the 12-hour clock of the piece into 0-23.
bool ReadMeridian(DateCursor& c, PartialTime& t) {
    const char ampm = date_detail::ToLower(c.At());
    if (ampm != 'a' && ampm != 'p') return false;
    ++c.pos;
    if (c.At() == 'm' || c.At() == 'M') ++c.pos;
    if (IsLetter(c.At()) || IsDigit(c.At())) return false;
    if (ampm == 'a' && t.hour == 12) t.hour = 0;
    if (ampm == 'p' && t.hour != 12) t.hour += 12;
    return true;
}

// A two-digit year, or failing that a year of four or more digits.
bool ReadYear(DateCursor& c, PartialTime& t) {
    if (IsDigit(c.At()) && IsDigit(c.At(1)) && !IsDigit(c.At(2))) {
        t.yearModulus = 100;
        return ReadFixed(c, 2, 0, 99, t.year);
    }
    return date_detail::ReadDigitRun(c, 4, t.year);
}

bool ReadShortYear(DateCursor& c, int digits, PartialTime& t) {
    t.yearModulus = digits == 2 ? 100 : 10;
    return ReadFixed(c, digits, 0, digits == 2 ? 99 : 9, t.year);
}

bool ReadOffsetField(DateCursor& c, int digits, int32_t lo, int32_t hi, int32_t& field) {
    if (!ReadFixed(c, digits, lo, hi, field)) return false;
    field -= 1;
    return true;
}

bool ReadHour(DateCursor& c, PartialTime& t) {
    int32_t seconds = 0;
    if (!date_detail::ReadDecimal(c, 0, 23, 3600, t.hour, seconds)) return false;
    t.minute = seconds / 60;
    t.second = seconds % 60;
    return true;
}

bool ReadSecond(DateCursor& c, PartialTime& t) {
    int32_t extra = 0;
    if (!date_detail::ReadDecimal(c, 0, 60, 1, t.second, extra)) return false;
    t.second += extra;
    return true;
}

bool ApplyStep(char step, DateCursor& c, PartialTime& t) {
    switch (step) {
        case '$':
            return !IsDigit(c.At());
        case '-':
        case '/':
        case ':':
            return ReadLetter(c, step, step);
        case '=':
            if (c.At() == '-') ++c.pos;
            return true;
        case '_':
            while (!c.AtEnd() && !IsLetter(*c.pos) && !IsDigit(*c.pos)) ++c.pos;
            return true;
        case 'T':
            return ReadLetter(c, 'T', 't');
        case 'w':
            return ReadLetter(c, 'W', 'w');
        case '4':
            return ReadFixed(c, 4, 0, 9999, t.year);
        case 'Y':
            return date_detail::ReadDigitRun(c, 4, t.year);
        case 'y':
            return ReadYear(c, t);
        case 'R':
            return ReadShortYear(c, 2, t);
        case 'r':
            return ReadShortYear(c, 1, t);
        case 'N':
            return ReadOffsetField(c, 2, 1, 12, t.month);
        case 'D':
            return ReadFixed(c, 2, 1, 31, t.day);
        case 'E':
            return ReadShort(c, 1, 31, t.day);
        case 'd':
            return ReadOffsetField(c, 3, 1, 366, t.yearday);
        case 'W':
            return ReadLetter(c, 'W', 'w') && ReadFixed(c, 2, 0, 53, t.yearWeek);
        case 'X':
            return ReadOffsetField(c, 1, 1, 7, t.weekday);
        case 'n':
            return ReadName(c, DateNames::kMonths, t.month);
        case 'x':
            return ReadName(c, DateNames::kWeekdays, t.weekday);
        case 'h':
            return ReadHour(c, t);
        case 'm':
            return date_detail::ReadDecimal(c, 0, 59, 60, t.minute, t.second);
        case 's':
            return ReadSecond(c, t);
        case 't':
            return ReadShort(c, 1, 12, t.hour);
        case 'A':
            return ReadMeridian(c, t);
        case 'Z':
            return date_detail::ReadZone(c, t.zone);
        default:
            return false;
    }
}

bool ApplyTemplate(std::string_view tmpl, DateCursor& c, PartialTime& piece) {
    piece = PartialTime{};
    for (char step : tmpl) {
        if (!ApplyStep(step, c, piece)) return false;
    }
    return true;
}

enum class TokenResult { kPiece, kEmpty, kNoMatch };

// The first template from `index` on that matches the token at c. On a piece, c is moved past
// it and index becomes the template after the one that matched, for a retry.
TokenResult ScanToken(DateCursor& c, size_t& index, const PartialTime& sofar, PartialTime& piece) {
    while (!c.AtEnd() && !IsLetter(*c.pos) && !IsDigit(*c.pos) && *c.pos != '+' && *c.pos != '-') {
        ++c.pos;
    }
    if (c.AtEnd()) return TokenResult::kEmpty;
    const uint8_t start = TokenClass(*c.pos);
    for (; index < kTemplates.size(); ++index) {
        if ((kTemplateStarts[index] & start) == 0) continue;
        if (kHourless[index] && KnowsTimeOfDay(sofar)) continue;
        DateCursor probe = c;
        if (ApplyTemplate(kTemplates[index], probe, piece)) {
            c = probe;
            ++index;
            return TokenResult::kPiece;
        }
    }
    return TokenResult::kNoMatch;
}

bool Conflicts(int32_t a, int32_t b) {
    return a != PartialTime::kUndefined && b != PartialTime::kUndefined && a != b;
}

void Take(int32_t from, int32_t& into) {
    if (from != PartialTime::kUndefined) into = from;
}

// Copies the piece into result unless a field known to both differs; false on a conflict.
bool Merge(const PartialTime& piece, PartialTime& result) {
    const bool zoneConflict = piece.zone != PartialTime::kNoZone &&
                              result.zone != PartialTime::kNoZone && piece.zone != result.zone;
    if (zoneConflict || Conflicts(piece.second, result.second) ||
        Conflicts(piece.minute, result.minute) || Conflicts(piece.hour, result.hour) ||
        Conflicts(piece.day, result.day) || Conflicts(piece.month, result.month) ||
        Conflicts(piece.year, result.year) || Conflicts(piece.weekday, result.weekday) ||
        Conflicts(piece.yearday, result.yearday) ||
        Conflicts(piece.yearModulus, result.yearModulus) ||
        Conflicts(piece.yearWeek, result.yearWeek)) {
        return false;
    }
    Take(piece.second, result.second);
    Take(piece.minute, result.minute);
    Take(piece.hour, result.hour);
    Take(piece.day, result.day);
    Take(piece.month, result.month);
    Take(piece.year, result.year);
    Take(piece.weekday, result.weekday);
    Take(piece.yearday, result.yearday);
    Take(piece.yearModulus, result.yearModulus);
    Take(piece.yearWeek, result.yearWeek);
    if (piece.zone != PartialTime::kNoZone) result.zone = piece.zone;
    return true;
}

}  // namespace

size_t ParseDateText(std::string_view text, PartialTime& out) {
    out = PartialTime{};
    const char* const begin = text.data();
    DateCursor at{begin, begin + text.size()};
    PartialTime piece;
    while (!at.AtEnd()) {
        size_t index = 0;
        DateCursor token = at;
        for (;;) {
            token = at;
            const TokenResult result = ScanToken(token, index, out, piece);
            if (result == TokenResult::kNoMatch) return size_t(at.pos - begin);
            if (result == TokenResult::kEmpty || Merge(piece, out)) break;
        }
        at = token;
    }
    return size_t(at.pos - begin);
}

}  // namespace corvane
