#pragma once
// The date templates and, worked out at compile time, which of them can possibly match a
// token of a given shape. Reading a token tries the templates in order until one matches, and
// a time of day like "12:34:56" would otherwise meet some thirty templates that are bound to
// fail; the shape (a leading "-" or not, the length of the digit run that follows, and the
// character after that run) rules most of them out before any is tried. Constants only: any
// thread may read them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

namespace corvane::date_detail {

// One letter per matching step. Tried in this order for every token; the order decides which
// reading a token gets, so it must not change.
constexpr std::array<std::string_view, 52> kTemplates = {
    "E_n_y",  "x",      "E_n",    "n_E",  "n",     "t:m:s_A", "t:m_A",  "t_A",   "y/N/D$",
    "y-N-D$", "4ND$",   "Y-N$",   "RND$", "-R=N$", "-R$",     "--N=D$", "N=DT",  "--N$",
    "---D$",  "DT",     "Y-d$",   "4d$",  "R=d$",  "-d$",     "dT",     "y-W-X", "yWX",
    "y=W",    "-r-W-X", "r-W-XT", "-rWX", "rWXT",  "-W=X",    "W=XT",   "-W",    "-w-X",
    "w-XT",   "---X$",  "XT",     "4$",   "T",     "h:m:s$",  "hms$",   "h:m$",  "hm$",
    "h$",     "-m:s$",  "-ms$",   "-m$",  "--s$",  "Y",       "Z",
};

using TemplateSet = uint64_t;  // bit i: template i
static_assert(kTemplates.size() <= 64);

// The character after a token's digit run, reduced to what any step can tell apart. Every
// byte of a class behaves the same in every step (case never matters to a step, and all
// separators other than those named are skipped alike by "_").
enum ShapeClass : uint8_t {
    kShapeEnd,
    kShapeMinus,
    kShapeSlash,
    kShapeColon,
    kShapeComma,
    kShapeDot,
    kShapePlus,
    kShapeT,
    kShapeW,
    kShapeA,
    kShapeP,
    kShapeOtherLetter,
    kShapeOtherSeparator,
    kShapeClassCount,
};

// Digit runs longer than this read the same as this long one: no template counts further
// digits one by one, and the steps that take a whole run end at the same character.
constexpr size_t kShapeMaxRun = 15;

namespace shape_detail {

// What the shape says of the character at a position: a digit, a known non-digit, the end
// of the text, or nothing at all (past the character after the run).
enum class Kind { kDigit, kChar, kEnd, kUnknown };

struct Shape {
    size_t lead;  // 1 when the token begins with "-", else 0
    size_t run;   // digits after the lead
    char after;   // a stand-in for the class of the character after the run; 0 for the end

    constexpr Kind KindAt(size_t p) const {
        if (p < lead) return Kind::kChar;
        if (p < lead + run) return Kind::kDigit;
        if (p == lead + run) return after == 0 ? Kind::kEnd : Kind::kChar;
        return Kind::kUnknown;
    }
    constexpr char CharAt(size_t p) const { return p < lead ? '-' : after; }
};

constexpr char kStandIns[kShapeClassCount] = {0,   '-', '/', ':', ',', '.', '+',
                                              'T', 'W', 'a', 'p', 'q', ' '};

constexpr bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

enum class Outcome { kFails, kGoesOn, kMayMatch };

// Fixed-width digits: the shape can tell when one is missing, never whether a value fits.
constexpr Outcome Digits(const Shape& s, size_t& p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const Kind k = s.KindAt(p + i);
        if (k == Kind::kUnknown) return Outcome::kMayMatch;
        if (k != Kind::kDigit) return Outcome::kFails;
    }
    p += n;
    return Outcome::kGoesOn;
}

// A step that needs one of two characters.
constexpr Outcome Literal(const Shape& s, size_t& p, char a, char b) {
    const Kind k = s.KindAt(p);
    if (k == Kind::kUnknown) return Outcome::kMayMatch;
    if (k != Kind::kChar || (s.CharAt(p) != a && s.CharAt(p) != b)) return Outcome::kFails;
    ++p;
    return Outcome::kGoesOn;
}

// The digits left in the run from p, or -1 when the run reaches past what the shape knows.
constexpr long RunFrom(const Shape& s, size_t p) {
    size_t n = 0;
    while (s.KindAt(p + n) == Kind::kDigit) ++n;
    return s.KindAt(p + n) == Kind::kUnknown ? -1 : long(n);
}

// The step's effect on the shape, mirroring ApplyStep; anything the shape cannot decide is
// a possible match, so the filter never drops a template that could have matched.
constexpr Outcome Step(const Shape& s, size_t& p, char step) {
    const Kind k = s.KindAt(p);
    if (k == Kind::kUnknown) return Outcome::kMayMatch;
    const bool digit = k == Kind::kDigit;
    const char c = digit ? '0' : s.CharAt(p);
    switch (step) {
        case '$':
            return digit ? Outcome::kFails : Outcome::kGoesOn;
        case '-':
        case '/':
        case ':':
            return Literal(s, p, step, step);
        case '=':
            if (k == Kind::kChar && c == '-') ++p;
            return Outcome::kGoesOn;
        case '_':
            if (k == Kind::kChar && !IsLetter(c)) return Outcome::kMayMatch;  // skips on
            return Outcome::kGoesOn;
        case 'T':
            return Literal(s, p, 'T', 't');
        case 'w':
            return Literal(s, p, 'W', 'w');
        case 'W': {
            const Outcome o = Literal(s, p, 'W', 'w');
            return o == Outcome::kGoesOn ? Digits(s, p, 2) : o;
        }
        case '4':
            return Digits(s, p, 4);
        case 'R':
        case 'N':
        case 'D':
            return Digits(s, p, 2);
        case 'r':
        case 'X':
            return Digits(s, p, 1);
        case 'd':
            return Digits(s, p, 3);
        case 'E':
        case 't': {
            if (!digit) return Outcome::kFails;
            const Kind next = s.KindAt(p + 1);
            if (next == Kind::kUnknown) return Outcome::kMayMatch;
            p += next == Kind::kDigit ? 2 : 1;
            return Outcome::kGoesOn;
        }
        case 'Y':
        case 'y': {
            const long n = RunFrom(s, p);
            if (n < 0) return Outcome::kMayMatch;
            if (n >= 4 || (step == 'y' && n == 2)) {
                p += size_t(n);
                return Outcome::kGoesOn;
            }
            return Outcome::kFails;
        }
        case 'h':
        case 'm':
        case 's': {
            const Outcome o = Digits(s, p, 2);
            if (o != Outcome::kGoesOn) return o;
            const Kind f = s.KindAt(p);
            if (f == Kind::kUnknown) return Outcome::kMayMatch;
            // A fraction reaches past the shape.
            if (f == Kind::kChar && (s.CharAt(p) == ',' || s.CharAt(p) == '.')) {
                return Outcome::kMayMatch;
            }
            return Outcome::kGoesOn;
        }
        case 'n':
        case 'x':
            // Every name begins with a letter.
            return k == Kind::kChar && IsLetter(c) ? Outcome::kMayMatch : Outcome::kFails;
        case 'A':
            return k == Kind::kChar && (c == 'a' || c == 'A' || c == 'p' || c == 'P')
                       ? Outcome::kMayMatch
                       : Outcome::kFails;
        case 'Z':
            return k == Kind::kChar && (IsLetter(c) || c == '+' || c == '-') ? Outcome::kMayMatch
                                                                             : Outcome::kFails;
        default:
            return Outcome::kFails;
    }
}

constexpr bool MayMatch(std::string_view tmpl, const Shape& s) {
    size_t p = 0;
    for (char step : tmpl) {
        const Outcome o = Step(s, p, step);
        if (o == Outcome::kFails) return false;
        if (o == Outcome::kMayMatch) return true;
    }
    return true;
}

using ShapeRow = std::array<TemplateSet, kShapeClassCount>;
using ShapeTable = std::array<ShapeRow, kShapeMaxRun + 1>;

constexpr ShapeRow MakeRow(size_t lead, size_t run) {
    ShapeRow row{};
    for (size_t cls = 0; cls < kShapeClassCount; ++cls) {
        const Shape shape{lead, run, kStandIns[cls]};
        TemplateSet set = 0;
        for (size_t i = 0; i < kTemplates.size(); ++i) {
            if (MayMatch(kTemplates[i], shape)) set |= TemplateSet(1) << i;
        }
        row[cls] = set;
    }
    return row;
}

// One constant per row, so that no single constant evaluation grows past what compilers allow.
template <size_t Lead, size_t Run>
inline constexpr ShapeRow kRow = MakeRow(Lead, Run);

template <size_t Lead, size_t... Run>
constexpr ShapeTable MakeTable(std::index_sequence<Run...>) {
    return ShapeTable{kRow<Lead, Run>...};
}

// Past some length a run reads the same however long it is; the cap must lie beyond that.
static_assert(kRow<0, kShapeMaxRun> == kRow<0, kShapeMaxRun - 1>);
static_assert(kRow<1, kShapeMaxRun> == kRow<1, kShapeMaxRun - 1>);

}  // namespace shape_detail

// Templates that may match a token of digits, or of "-" and digits, by run length (capped at
// kShapeMaxRun) and the class of the character after the run.
inline constexpr shape_detail::ShapeTable kDigitTokenTemplates =
    shape_detail::MakeTable<0>(std::make_index_sequence<kShapeMaxRun + 1>{});
inline constexpr shape_detail::ShapeTable kMinusTokenTemplates =
    shape_detail::MakeTable<1>(std::make_index_sequence<kShapeMaxRun + 1>{});

constexpr ShapeClass ClassOf(char c) {
    switch (c) {
        case '-':
            return kShapeMinus;
        case '/':
            return kShapeSlash;
        case ':':
            return kShapeColon;
        case ',':
            return kShapeComma;
        case '.':
            return kShapeDot;
        case '+':
            return kShapePlus;
        case 'T':
        case 't':
            return kShapeT;
        case 'W':
        case 'w':
            return kShapeW;
        case 'A':
        case 'a':
            return kShapeA;
        case 'P':
        case 'p':
            return kShapeP;
        default:
            return shape_detail::IsLetter(c) ? kShapeOtherLetter : kShapeOtherSeparator;
    }
}

}  // namespace corvane::date_detail
