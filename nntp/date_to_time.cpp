// From a parsed Date text to seconds since the epoch, and on to the display form the article
// records keep.
#include <cstdint>
#include <ctime>
#include <limits>

#include "nntp/date_convert.h"
#include "nntp/date_parse.h"

namespace corvane {
namespace {

using date_detail::CivilTime;

// The last local time found on this thread: consecutive article dates lie close together, so
// the search usually needs a single correction from here. Per thread, because eight workers
// format dates at once.
thread_local time_t t_localGuess = 0;

bool NamesNothing(const PartialTime& p) {
    return PartialTime{} == p;
}

// The date the text leaves out comes from defaultTime as seen in the writer's zone (or in
// local time for "lt").
bool Reference(int64_t defaultTime, int64_t zone, bool local, CivilTime& ref) {
    const time_t t = time_t(defaultTime);
    if (local) return date_detail::BreakDownLocal(t, ref);
    if (!date_detail::BreakDownUtc(t, ref) && !date_detail::BreakDownLocal(t, ref)) return false;
    date_detail::ShiftCivil(ref, zone);
    return true;
}

// The full time the text asks for, in the writer's zone: a two-digit year takes the century of
// the reference, and a missing year takes the reference's year (and month, and day, as far as
// those are missing too). Whatever is still missing is the start of its period.
bool Requested(const PartialTime& p, int64_t defaultTime, int64_t zone, bool local,
               CivilTime& want) {
    const auto given = [](int32_t field) { return field != PartialTime::kUndefined; };
    want.year = p.year;
    want.month = given(p.month) ? p.month : 0;
    want.day = given(p.day) ? p.day : 1;
    if (given(p.yearModulus) || !given(p.year)) {
        CivilTime ref;
        if (!Reference(defaultTime, zone, local, ref)) return false;
        if (given(p.yearModulus)) {
            want.year = p.year + p.yearModulus * (ref.year / p.yearModulus);
        } else {
            want.year = ref.year;
            if (!given(p.month)) {
                want.month = ref.month;
                if (!given(p.day)) want.day = ref.day;
            }
        }
    }
    want.hour = given(p.hour) ? p.hour : 0;
    want.minute = given(p.minute) ? p.minute : 0;
    want.second = given(p.second) ? p.second : 0;
    want.weekday = p.weekday;
    return true;
}

}  // namespace

int32_t StringToTime(std::string_view text, int64_t defaultTime, int defaultZone) {
    PartialTime parsed;
    if (ParseDateText(text, parsed) != text.size()) return -1;
    // Blank text (or text of bare separators) names no time; reading it as the default time
    // would date every article without a Date as the epoch.
    if (NamesNothing(parsed)) return -1;
    const int64_t zone = parsed.zone == PartialTime::kNoZone ? defaultZone : parsed.zone;
    const bool local = zone == PartialTime::kLocalZone;
    CivilTime want;
    if (!Requested(parsed, defaultTime, zone, local, want)) return -1;
    // A day the month does not have stays impossible whatever the zone: shifting it across
    // midnight must not turn 31 April into 1 May.
    if (!date_detail::IsValidCivil(want)) return -1;
    int64_t found = 0;
    if (local) {
        if (!date_detail::SearchSeconds(want, date_detail::BreakDownLocal, t_localGuess, found)) {
            return -1;
        }
    } else {
        date_detail::ShiftCivil(want, -zone);
        if (!date_detail::UtcSeconds(want, found)) return -1;
    }
    if (found < std::numeric_limits<int32_t>::min() ||
        found > std::numeric_limits<int32_t>::max()) {
        return -1;
    }
    return int32_t(found);
}

std::string FormatArticleDate(std::string_view text) {
    const int32_t seconds = StringToTime(text, 0, 0);
    if (seconds < 0) return {};
    const time_t t = seconds;
    struct tm tm {};
    if (localtime_r(&t, &tm) == nullptr) return {};
    char out[32];
    const size_t n = strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &tm);
    return std::string(out, n);
}

}  // namespace corvane
