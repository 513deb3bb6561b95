#pragma once
// Calendar arithmetic behind StringToTime: a full broken-down time, shifting it by a number of
// seconds, and finding the seconds value it names, either directly (UTC) or by searching with
// the platform's break-down function (local time). Stateless apart from the guess the caller
// passes in, so any thread may call it; the public entry keeps one guess per thread.
#include <cstdint>
#include <ctime>

namespace corvane::date_detail {

// A broken-down time with every field present. The year is the full year and is kept in
// 64 bits so that shifting and century arithmetic on hostile years cannot overflow.
struct CivilTime {
    int64_t year = 1970;
    int32_t month = 0;  // January = 0
    int32_t day = 1;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;    // 60 is a leap second
    int32_t weekday = -1;  // Sunday = 0; -1 when none is wanted
};

// Years this far out cannot name a 32-bit time; refusing them early keeps the day arithmetic
// nowhere near overflow.
constexpr int64_t kMaxAbsYear = 1'000'000;

// Day number of a date, 1970-01-01 being 0; day may lie outside the month and counts on.
int64_t DaysFromCivil(int64_t year, int32_t month, int32_t day);
int32_t DaysInMonth(int64_t year, int32_t month);

// True when the date exists and the time of day is in range (second 60 allowed).
bool IsValidCivil(const CivilTime& t);

// Moves a valid time by `seconds`, carrying through days (and the wanted weekday), months
// and years; a leap second stays a leap second.
void ShiftCivil(CivilTime& t, int64_t seconds);

// Breaks t down into out, as gmtime_r or localtime_r would; false when it cannot.
using BreakDownFn = bool (*)(time_t t, CivilTime& out);
bool BreakDownUtc(time_t t, CivilTime& out);
bool BreakDownLocal(time_t t, CivilTime& out);

// The seconds value that breaks down to `want`, found by correcting the guess at most seven
// times; the guess is updated to the value found. False when there is none or the weekday
// differs from a wanted one.
bool SearchSeconds(const CivilTime& want, BreakDownFn breakDown, time_t& guess, int64_t& found);

// The same answer as SearchSeconds with BreakDownUtc, computed from the calendar directly.
bool UtcSeconds(const CivilTime& want, int64_t& found);

}  // namespace corvane::date_detail
