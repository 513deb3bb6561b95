#include "nntp/date_convert.h"

namespace corvane::date_detail {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
int64_t FloorMod(int64_t a, int64_t b) {
    return a - FloorDiv(a, b) * b;
}

bool IsLeapYear(int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Leap years from year 1 up to and including `year` (negative for years before 1).
int64_t LeapYearsThrough(int64_t year) {
    return FloorDiv(year, 4) - FloorDiv(year, 100) + FloorDiv(year, 400);
}

constexpr int32_t kMonthStarts[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

int32_t DayOfYear(const CivilTime& t) {
    return kMonthStarts[t.month] + (t.month > 1 && IsLeapYear(t.year)) + t.day - 1;
}

void CivilFromDays(int64_t days, CivilTime& t) {
    // Counting from 1 March 0000 puts the leap day at the end of each year.
    const int64_t z = days + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shifted = (5 * dayOfYear + 2) / 153;  // 0 = March
    t.day = int32_t(dayOfYear - (153 * shifted + 2) / 5 + 1);
    t.month = int32_t(shifted < 10 ? shifted + 2 : shifted - 10);
    t.year = yearOfEra + era * 400 + (t.month <= 1);
}

bool FromTm(const struct tm& tm, CivilTime& out) {
    out.year = int64_t(tm.tm_year) + 1900;
    out.month = tm.tm_mon;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    out.weekday = tm.tm_wday;
    return true;
}

// Seconds from `have` to `want`, both valid and within kMaxAbsYear.
int64_t Difference(const CivilTime& want, const CivilTime& have) {
    const int64_t days = (want.year - have.year) * 365 +
                         (LeapYearsThrough(want.year - 1) - LeapYearsThrough(have.year - 1)) +
                         (DayOfYear(want) - DayOfYear(have));
    return ((days * 24 + (want.hour - have.hour)) * 60 + (want.minute - have.minute)) * 60 +
           (want.second - have.second);
}

bool SameTime(const CivilTime& a, const CivilTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

}  // namespace

int64_t DaysFromCivil(int64_t year, int32_t month, int32_t day) {
    const int64_t y = month <= 1 ? year - 1 : year;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yearOfEra = y - era * 400;
    const int64_t marchMonth = month <= 1 ? month + 10 : month - 2;
    const int64_t dayOfYear = (153 * marchMonth + 2) / 5;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + (day - 1);
}

int32_t DaysInMonth(int64_t year, int32_t month) {
    return kMonthStarts[month + 1] - kMonthStarts[month] + (month == 1 && IsLeapYear(year));
}

bool IsValidCivil(const CivilTime& t) {
    return t.year >= -kMaxAbsYear && t.year <= kMaxAbsYear && t.month >= 0 && t.month <= 11 &&
           t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 &&
           t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60;
}

void ShiftCivil(CivilTime& t, int64_t seconds) {
    if (seconds == 0) return;
    const int32_t leap = t.second == 60 ? 1 : 0;
    const int64_t clock = (int64_t(t.hour) * 60 + t.minute) * 60 + (t.second - leap) + seconds;
    const int64_t carry = FloorDiv(clock, kSecondsPerDay);
    const int64_t inDay = clock - carry * kSecondsPerDay;
    t.hour = int32_t(inDay / 3600);
    t.minute = int32_t(inDay / 60 % 60);
    t.second = int32_t(inDay % 60) + leap;
    if (carry == 0) return;
    if (t.weekday >= 0) t.weekday = int32_t(FloorMod(t.weekday + carry, 7));
    const int32_t weekday = t.weekday;
    CivilFromDays(DaysFromCivil(t.year, t.month, t.day) + carry, t);
    t.weekday = weekday;
}

bool BreakDownUtc(time_t t, CivilTime& out) {
    struct tm tm {};
    return gmtime_r(&t, &tm) != nullptr && FromTm(tm, out);
}

bool BreakDownLocal(time_t t, CivilTime& out) {
    struct tm tm {};
    return localtime_r(&t, &tm) != nullptr && FromTm(tm, out);
}

bool SearchSeconds(const CivilTime& want, BreakDownFn breakDown, time_t& guess, int64_t& found) {
    if (want.month < 0 || want.month > 11 || want.year < -kMaxAbsYear || want.year > kMaxAbsYear) {
        return false;
    }
    time_t t = guess;
    CivilTime have;
    for (int corrections = 0;; ++corrections) {
        if (!breakDown(t, have) || have.year < -kMaxAbsYear || have.year > kMaxAbsYear) {
            return false;
        }
        const int64_t difference = Difference(want, have);
        if (difference == 0) break;
        if (corrections == 7) return false;
        t += difference;
    }
    guess = t;
    if (!SameTime(want, have)) return false;
    if (want.weekday >= 0 && want.weekday != have.weekday) return false;
    found = t;
    return true;
}

bool UtcSeconds(const CivilTime& want, int64_t& found) {
    // UTC has no leap seconds here, so a second 60 never breaks down as asked.
    if (!IsValidCivil(want) || want.second == 60) return false;
    const int64_t days = DaysFromCivil(want.year, want.month, want.day);
    if (want.weekday >= 0 && want.weekday != FloorMod(days + 4, 7)) return false;  // 1970-01-01
    found = days * kSecondsPerDay + (int64_t(want.hour) * 60 + want.minute) * 60 + want.second;
    return true;
}

}  // namespace corvane::date_detail
