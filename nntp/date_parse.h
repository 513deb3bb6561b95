#pragma once
// Article dates: free Date text from the overview data ('Mon, 23 Mar 1998 12:34:56 -0500',
// '23 Mar 98 12:34:56 GMT', '1998-03-23T12:34:56', ...) turned into a partial broken-down time,
// into seconds since the epoch, and into the fixed local display form the article records keep.
// The parser owns no state; the conversion keeps only a per-thread starting guess for its local
// time search, so every function here may be called from any thread at the same time. Callers
// get plain values back and nothing is reported: a date that cannot be read is simply absent.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// A broken-down time in which every field may be missing. Fields hold -1 when the text did
// not give them, except the zone, which has its own two markers.
struct PartialTime {
    static constexpr int32_t kUndefined = -1;
    static constexpr int32_t kNoZone = -86400;     // the text named no zone
    static constexpr int32_t kLocalZone = -86401;  // the text said "lt": the reader's local time

    int32_t second = kUndefined;  // 0-60, 60 being a leap second
    int32_t minute = kUndefined;
    int32_t hour = kUndefined;
    int32_t day = kUndefined;    // of the month, 1-31
    int32_t month = kUndefined;  // January = 0
    int32_t year = kUndefined;   // as written: the full year, or its last digits (see yearModulus)
    int32_t weekday = kUndefined;      // Sunday = 0
    int32_t yearday = kUndefined;      // 1 January = 0
    int32_t isdst = kUndefined;        // never read from the text
    int32_t yearModulus = kUndefined;  // 100 for a two-digit year, 10 for a one-digit year
    int32_t yearWeek = kUndefined;     // 0-53
    int32_t zone = kNoZone;            // seconds east of UTC, or one of the markers

    bool operator==(const PartialTime&) const = default;
};

// Reads the whole of text into out (reset first). Returns the position where reading stopped;
// the text is a date only when that is text.size().
size_t ParseDateText(std::string_view text, PartialTime& out);

// Seconds since 1970-01-01 00:00:00 UTC, or -1 when the text is no date, names a time that
// does not exist, names nothing at all, or lies outside the signed 32-bit range. defaultZone
// (seconds east of UTC) applies when the text names no zone; defaultTime supplies the year,
// month and day the text leaves out, and the century of a two-digit year.
int32_t StringToTime(std::string_view text, int64_t defaultTime, int defaultZone);

// "%Y-%m-%d %H:%M:%S" in the local time of this machine, reading text with the epoch as the
// default time and UTC as the default zone; empty when the text is no date or lies before 1970.
std::string FormatArticleDate(std::string_view text);

}  // namespace corvane
