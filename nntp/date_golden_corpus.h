#pragma once
// The Date texts the date reader's recorded answers were taken from: the shapes news servers
// hand out, the fuzz seeds, texts built step by step from every template, names, and
// deterministic mutations of all of these. Text i depends only on (seed, i), through a fixed
// generator, so the set is the same on every standard library and can be rebuilt in blocks.
// Owns nothing; any thread may call it. Used by the golden test and by whoever re-records it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <string>
#include <string_view>

#include "nntp/date_parse.h"
#include "nntp/date_templates.h"

namespace corvane::date_golden {

// Local time while recording and comparing: a zone with daylight saving, so that the local
// search meets both its gaps and its repeated hours. A rule string needs no zone database.
constexpr const char* kZoneRule = "CET-1CEST,M3.5.0,M10.5.0/3";

class CRandom {
public:
    explicit CRandom(uint64_t state) : m_state(state) {}

    uint64_t Next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In [0, n); n > 0. The slight bias of a modulus does not matter for test texts.
    uint64_t Below(uint64_t n) { return Next() % n; }
    bool OneIn(uint64_t n) { return Below(n) == 0; }
    template <typename T, size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

private:
    uint64_t m_state;
};

constexpr const char* kSeedTexts[] = {
    "Mon, 23 Mar 1998 12:34:56 -0500",
    "Mon, 23 Mar 1998 12:05:00 -0500",
    "23 Mar 98 12:34:56 GMT",
    "Monday, 23-Mar-98 12:34:56 GMT",
    "Mon Mar 23 12:34:56 1998",
    "1998-03-23T12:34:56",
    "1998-03-23T12:34:56.25+05:30",
    "19980323T123456Z",
    "98/03/23 12:34",
    "23 Mar 1998 12:34:56 EST DST",
    "23 Mar 1998 12:34:56 NZDT+0030",
    "Tue, 31 Dec 2030 23:59:59 +0000 (UTC)",
    "23 Mar 1998 1:00 pm lt",
    "12:00 AM",
    "1998-082",
    "98-082",
    "1998-W13-1",
    "1998W131",
    "-8-W13-7",
    "-W13-2",
    "-w-3",
    "--03-23",
    "---23",
    "--0323T",
    "12.00125",
    "12:34.5",
    "-05:30:15",
    "31 Apr 1998",
    "  ,;  ",
    "",
    "Sun, 06 Nov 1994 08:49:37 GMT",
    "Sunday, 06-Nov-94 08:49:37 GMT",
    "Sun Nov  6 08:49:37 1994",
    "Mon, 23 Mar 1998 12:34:56 +0000 (UTC)",
    "1994-11-06T08:49:37.123456789012345678901Z",
};

constexpr const char* kNames[] = {
    "Jan",  "February", "mar",      "APRIL",  "May",  "jun",     "Jul",  "August", "Sept",
    "oct",  "Nov",      "December", "Sun",    "mon",  "Tuesday", "WED",  "thu",    "Friday",
    "sat",  "GMT",      "UTC",      "UT",     "Z",    "z",       "cut",  "EST",    "EDT",
    "PST",  "PDT",      "CST",      "CDT",    "MST",  "MDT",     "HST",  "HAST",   "hadt",
    "AKST", "akdt",     "AST",      "ADT",    "NST",  "NDT",     "BST",  "WET",    "MET",
    "CET",  "EET",      "IST",      "JST",    "JDT",  "KST",     "KDT",  "NZST",   "NZDT",
    "lt",   "LT",       "ESTDST",   "estdst", "gmtx", "Ja",      "ma",   "xyz",    "Q",
    "utcx", "nzs",      "mo",       "DST",    "dst",  "am",      "PM",   "a",      "p",
    "T",    "t",        "W",        "w",      "Mond", "junk",    "Zulu", "mont",   "Sunda",
};

constexpr const char* kSeparators[] = {" ", ", ", "  ", ",", "\t", ". ", " (", ") ", "; ", ""};

// Bytes the reader treats specially, plus a few it must merely pass over.
constexpr char kAlphabet[] =
    "0123456789012345678901234567890123456789 ,.:;-+/()TtWwZzAaPpMmDdSsEeGgUuLlNnJjFf\t\r\n";

inline std::string Digits(CRandom& r, int count, uint64_t below) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*llu", count, (unsigned long long)r.Below(below));
    return std::string(buf).substr(0, size_t(count) + (r.OneIn(16) ? 1 : 0));
}

inline std::string Fraction(CRandom& r) {
    if (!r.OneIn(4)) return {};
    std::string f = r.OneIn(2) ? "." : ",";
    const int n = int(r.Below(r.OneIn(8) ? 24 : 4));
    for (int i = 0; i < n; ++i) f += char('0' + r.Below(10));
    return f;
}

inline std::string Zone(CRandom& r) {
    static constexpr const char* kZoneNames[] = {"GMT", "UTC", "EST", "edt", "Z",  "ut",    "NZDT",
                                                 "lt",  "pst", "CET", "jst", "xx", "ESTDST"};
    std::string z;
    const int kind = int(r.Below(6));
    if (kind != 0) z = r.Pick(kZoneNames);
    if (kind == 2) z += r.OneIn(2) ? " DST" : " dst";
    if (kind == 0 || kind >= 3) {
        z += r.OneIn(2) ? "+" : "-";
        z += Digits(r, 2, 26);
        if (r.OneIn(2)) z += ":";
        if (!r.OneIn(3)) z += Digits(r, 2, 62);
        if (r.OneIn(4)) z += ":" + Digits(r, 2, 62);
    }
    return z;
}

// Text for one step of a template: usually what it accepts, sometimes just out of range.
inline std::string Step(CRandom& r, char step) {
    switch (step) {
        case '$':
            return r.OneIn(6) ? "7" : "";
        case '-':
        case '/':
        case ':':
            return r.OneIn(12) ? "." : std::string(1, step);
        case '=':
            return r.OneIn(2) ? "-" : "";
        case '_':
            return r.Pick(kSeparators);
        case 'T':
            return r.OneIn(2) ? "T" : "t";
        case 'w':
        case 'W':
            return std::string(r.OneIn(2) ? "W" : "w") + (step == 'W' ? Digits(r, 2, 56) : "");
        case '4':
            return Digits(r, 4, 10000);
        case 'Y':
            return Digits(r, 4 + int(r.Below(4)), 10000000);
        case 'y':
            return r.OneIn(2) ? Digits(r, 2, 100) : Digits(r, 4, 10000);
        case 'R':
            return Digits(r, 2, 100);
        case 'r':
        case 'X':
            return Digits(r, 1, 10);
        case 'N':
            return Digits(r, 2, 14);
        case 'D':
            return Digits(r, 2, 33);
        case 'E':
        case 't':
            return Digits(r, 1 + int(r.Below(2)), 33);
        case 'd':
            return Digits(r, 3, 368);
        case 'n':
        case 'x':
            return r.Pick(kNames);
        case 'h':
        case 'm':
        case 's':
            return Digits(r, 2, r.OneIn(4) ? 100 : 61) + Fraction(r);
        case 'A':
            return r.Pick(kNames) + std::string(r.OneIn(3) ? "" : " ");
        case 'Z':
            return Zone(r);
        default:
            return {};
    }
}

inline std::string FromTemplates(CRandom& r) {
    std::string text;
    const int tokens = 1 + int(r.Below(4));
    for (int i = 0; i < tokens; ++i) {
        if (i > 0 || r.OneIn(8)) text += r.Pick(kSeparators);
        const std::string_view steps = date_detail::kTemplates[r.Below(date_detail::kTemplates.size())];
        for (const char step : steps) text += Step(r, step);
    }
    return text;
}

// The shapes real headers take, written from an instant between 1900 and 2100.
inline std::string HeaderShape(CRandom& r) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const time_t instant = time_t(int64_t(r.Below(6'311'390'400ull)) - 2'208'988'800ll);
    struct tm t {};
    gmtime_r(&instant, &t);
    const int year = t.tm_year + 1900;
    // Now and then a weekday that does not fit the date.
    const char* day = kDays[r.OneIn(10) ? int(r.Below(7)) : t.tm_wday];
    const char* mon = kMonths[t.tm_mon];
    const std::string zone = Zone(r);
    char b[160];
    switch (r.Below(9)) {
        case 0:
            std::snprintf(b, sizeof b, "%s, %02d %s %d %02d:%02d:%02d %s", day, t.tm_mday, mon,
                          year, t.tm_hour, t.tm_min, t.tm_sec, zone.c_str());
            break;
        case 1:
            std::snprintf(b, sizeof b, "%d %s %d %02d:%02d:%02d %s", t.tm_mday, mon, year,
                          t.tm_hour, t.tm_min, t.tm_sec, zone.c_str());
            break;
        case 2:
            std::snprintf(b, sizeof b, "%s, %d %s %d %02d:%02d:%02d GMT", day, t.tm_mday, mon, year,
                          t.tm_hour, t.tm_min, t.tm_sec);
            break;
        case 3:
            std::snprintf(b, sizeof b, "%02d %s %02d %02d:%02d:%02d %s", t.tm_mday, mon, year % 100,
                          t.tm_hour, t.tm_min, t.tm_sec, zone.c_str());
            break;
        case 4:
            std::snprintf(b, sizeof b, "%sday, %02d-%s-%02d %02d:%02d:%02d GMT", day, t.tm_mday,
                          mon, year % 100, t.tm_hour, t.tm_min, t.tm_sec);
            break;
        case 5:
            std::snprintf(b, sizeof b, "%s %s %2d %02d:%02d:%02d %d", day, mon, t.tm_mday,
                          t.tm_hour, t.tm_min, t.tm_sec, year);
            break;
        case 6:
            std::snprintf(b, sizeof b, "%d-%02d-%02dT%02d:%02d:%02d%s", year, t.tm_mon + 1,
                          t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, zone.c_str());
            break;
        case 7:
            std::snprintf(b, sizeof b, "%s, %d %s %d %02d:%02d:%02d %s (%s)", day, t.tm_mday, mon,
                          year, t.tm_hour, t.tm_min, t.tm_sec, zone.c_str(), r.Pick(kNames));
            break;
        default:
            std::snprintf(b, sizeof b, "%s,  %d %s %d  %02d:%02d:%02d   %s ", day, t.tm_mday, mon,
                          year, t.tm_hour, t.tm_min, t.tm_sec, zone.c_str());
            break;
    }
    return b;
}

inline std::string Noise(CRandom& r) {
    std::string text;
    const size_t n = r.Below(40);
    for (size_t i = 0; i < n; ++i) {
        if (r.OneIn(8)) {
            text += r.Pick(kNames);
        } else if (r.OneIn(40)) {
            text += char(r.OneIn(2) ? '\0' : char(0x80 + r.Below(128)));
        } else {
            text += kAlphabet[r.Below(sizeof kAlphabet - 1)];
        }
    }
    return text;
}

// Cuts, swaps, duplicates and replaces pieces of a text, a few times over.
inline std::string Mutate(CRandom& r, std::string text) {
    const int rounds = 1 + int(r.Below(3));
    for (int i = 0; i < rounds; ++i) {
        const size_t at = text.empty() ? 0 : r.Below(text.size() + 1);
        switch (r.Below(6)) {
            case 0:
                text.resize(at);
                break;
            case 1:
                text.insert(at, 1, kAlphabet[r.Below(sizeof kAlphabet - 1)]);
                break;
            case 2:
                if (at < text.size()) text[at] = kAlphabet[r.Below(sizeof kAlphabet - 1)];
                break;
            case 3:
                if (at < text.size()) text.erase(at, 1 + r.Below(3));
                break;
            case 4: {  // swap the words on either side of a space
                const size_t space = text.find(' ', at);
                if (space == std::string::npos) break;
                const size_t before = text.rfind(' ', space == 0 ? 0 : space - 1);
                const size_t from = before == std::string::npos || before >= space ? 0 : before + 1;
                size_t after = text.find(' ', space + 1);
                if (after == std::string::npos) after = text.size();
                text = text.substr(0, from) + text.substr(space + 1, after - space - 1) + " " +
                       text.substr(from, space - from) + text.substr(after);
                break;
            }
            default: {
                const size_t length = r.Below(8);
                text.insert(at, text.substr(r.Below(text.size() + 1), length));
                break;
            }
        }
    }
    return text;
}

// Text number `index` of the set named by `seed`.
inline std::string Text(uint64_t seed, uint64_t index) {
    constexpr uint64_t kSeedCount = std::size(kSeedTexts);
    if (index < kSeedCount) return kSeedTexts[index];
    CRandom r(seed ^ (index * 0xD1B54A32D192ED03ull));
    r.Next();
    switch (r.Below(10)) {
        case 0:
        case 1:
        case 2:
            return HeaderShape(r);
        case 3:
        case 4:
            return FromTemplates(r);
        case 5:
            return Mutate(r, HeaderShape(r));
        case 6:
            return Mutate(r, FromTemplates(r));
        case 7:
            return Mutate(r, kSeedTexts[r.Below(kSeedCount)]);
        case 8:
            return Noise(r);
        default:
            return r.Pick(kNames) + std::string(r.Pick(kSeparators)) + FromTemplates(r);
    }
}

// One running digest over everything the reader says about a text: where it stopped, every
// field, and the seconds under several default times and zones, local time among them.
class CDigest {
public:
    void Add(int64_t v) {
        for (int i = 0; i < 8; ++i) m_hash = (m_hash ^ uint8_t(uint64_t(v) >> (8 * i))) * kPrime;
    }
    void AddText(std::string_view text) {
        Add(int64_t(text.size()));
        PartialTime t;
        Add(int64_t(ParseDateText(text, t)));
        for (int32_t field : {t.second, t.minute, t.hour, t.day, t.month, t.year, t.weekday,
                              t.yearday, t.isdst, t.yearModulus, t.yearWeek, t.zone}) {
            Add(field);
        }
        Add(StringToTime(text, 0, 0));
        Add(StringToTime(text, 1'234'567'890, 5 * 3600 + 1800));
        Add(StringToTime(text, -2'000'000'000, -8 * 3600));
        Add(StringToTime(text, 951'782'400, PartialTime::kLocalZone));
    }
    uint64_t Value() const { return m_hash; }

private:
    static constexpr uint64_t kPrime = 0x100000001B3ull;
    uint64_t m_hash = 0xCBF29CE484222325ull;
};

// The digest of texts [first, first + count) of the set named by seed, read in order on the
// calling thread (the local search's starting guess carries from one text to the next).
inline uint64_t BlockDigest(uint64_t seed, uint64_t first, uint64_t count) {
    CDigest digest;
    for (uint64_t i = first; i < first + count; ++i) digest.AddText(Text(seed, i));
    return digest.Value();
}

}  // namespace corvane::date_golden
