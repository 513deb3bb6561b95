// Reading a Date text: each token is matched against a fixed list of short templates, and the
// pieces found are merged; a piece that contradicts what is already known sends the token back
// to the next template.
#include "nntp/date_parse.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>
#include <utility>

#include "nntp/date_fields.h"
#include "nntp/date_templates.h"

namespace corvane {
namespace {

using date_detail::DateCursor;
using date_detail::DateNames;
using date_detail::IsDigit;
using date_detail::IsLetter;
using date_detail::ReadFixed;

using date_detail::kTemplates;
using date_detail::TemplateSet;

// Tokens that begin with a letter or a "+" meet only the templates whose first step takes one;
// digits and "-" are sorted further by the shape of the token (see date_templates.h).
constexpr TemplateSet StartingWith(bool (*accepts)(char step)) {
    TemplateSet set = 0;
    for (size_t i = 0; i < kTemplates.size(); ++i) {
        if (accepts(kTemplates[i][0])) set |= TemplateSet(1) << i;
    }
    return set;
}
constexpr TemplateSet kLetterTemplates = StartingWith([](char step) {
    return step == 'T' || step == 'w' || step == 'W' || step == 'n' || step == 'x' || step == 'Z';
});
constexpr TemplateSet kPlusTemplates = StartingWith([](char step) { return step == 'Z'; });

TemplateSet Candidates(const DateCursor& c) {
    const char first = *c.pos;
    if (IsLetter(first)) return kLetterTemplates;
    if (first == '+') return kPlusTemplates;
    const bool minus = first == '-';
    const char* const run = c.pos + (minus ? 1 : 0);
    const char* after = run;
    while (after < c.end && IsDigit(*after)) ++after;
    const size_t length = std::min(size_t(after - run), date_detail::kShapeMaxRun);
    const date_detail::ShapeClass cls =
        after == c.end ? date_detail::kShapeEnd : date_detail::ClassOf(*after);
    return (minus ? date_detail::kMinusTokenTemplates
                  : date_detail::kDigitTokenTemplates)[length][cls];
}

// "-mm:ss", "-mmss", "-mm" and "--ss" give a minute or second of an hour the writer left out.
// Once the result already holds an hour and a minute, such a piece can only repeat them (any
// other value conflicts anyway), whereas a sign and digits written after a time of day are
// the writer's zone: "12:05:00 -0500" would otherwise read as minute 05, second 00 and lose
// its zone. So these templates are passed over then, which leaves the token to "Z".
constexpr bool IsHourlessTime(std::string_view tmpl) {
    return tmpl == "-m:s$" || tmpl == "-ms$" || tmpl == "-m$" || tmpl == "--s$";
}

constexpr TemplateSet kHourlessSet = [] {
    TemplateSet set = 0;
    for (size_t i = 0; i < kTemplates.size(); ++i) {
        if (IsHourlessTime(kTemplates[i])) set |= TemplateSet(1) << i;
    }
    return set;
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

// Always inlined: every template below calls it with a constant step, so the switch folds
// away and a template runs as straight code.
[[gnu::always_inline]] inline bool ApplyStep(char step, DateCursor& c, PartialTime& t) {
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

template <size_t I, size_t... K>
bool ApplySteps(DateCursor& c, PartialTime& piece, std::index_sequence<K...>) {
    return (ApplyStep(kTemplates[I][K], c, piece) && ...);
}

// Template I from a fresh piece; one function per template, so that trying a template costs
// one call rather than a dispatch per letter.
template <size_t I>
bool ApplyTemplate(DateCursor& c, PartialTime& piece) {
    piece = PartialTime{};
    return ApplySteps<I>(c, piece, std::make_index_sequence<kTemplates[I].size()>{});
}

using TemplateFn = bool (*)(DateCursor& c, PartialTime& piece);

constexpr auto kApplyTemplate = []<size_t... I>(std::index_sequence<I...>) {
    return std::array<TemplateFn, sizeof...(I)>{&ApplyTemplate<I>...};
}
(std::make_index_sequence<kTemplates.size()>{});

// The first candidate template from `index` on that matches the token at c. On a match, c is
// moved past the token and index becomes the template after the one that matched, for a retry.
bool MatchToken(DateCursor& c, TemplateSet candidates, size_t& index, const PartialTime& sofar,
                PartialTime& piece) {
    if (index >= kTemplates.size()) return false;
    candidates &= ~((TemplateSet(1) << index) - 1);
    if (KnowsTimeOfDay(sofar)) candidates &= ~kHourlessSet;
    for (; candidates != 0; candidates &= candidates - 1) {
        index = size_t(std::countr_zero(candidates));
        DateCursor probe = c;
        if (kApplyTemplate[index](probe, piece)) {
            c = probe;
            ++index;
            return true;
        }
    }
    return false;
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
        DateCursor start = at;
        while (!start.AtEnd() && !IsLetter(*start.pos) && !IsDigit(*start.pos) &&
               *start.pos != '+' && *start.pos != '-') {
            ++start.pos;
        }
        if (start.AtEnd()) return text.size();
        const TemplateSet candidates = Candidates(start);
        size_t index = 0;
        for (;;) {
            DateCursor token = start;
            if (!MatchToken(token, candidates, index, out, piece)) return size_t(at.pos - begin);
            if (Merge(piece, out)) {
                at = token;
                break;
            }
        }
    }
    return size_t(at.pos - begin);
}

}  // namespace corvane
