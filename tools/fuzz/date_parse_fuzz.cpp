// libFuzzer target: article Date texts from untrusted bytes. Reading must stay inside the text
// and give fields in their ranges; a converted time must not depend on defaults the text
// overrides, must move by exactly the default zone when the text has none, and its display
// form must read back as the same time.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "nntp/date_parse.h"

namespace {

using corvane::PartialTime;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool InRange(int32_t field, int32_t lo, int32_t hi) {
    return field == PartialTime::kUndefined || (field >= lo && field <= hi);
}

void CheckFields(const PartialTime& t) {
    // A rounded fraction may push a minute or second one past its written range.
    Check(InRange(t.second, 0, 61) && InRange(t.minute, 0, 60) && InRange(t.hour, 0, 23));
    Check(InRange(t.day, 1, 31) && InRange(t.month, 0, 11) && InRange(t.weekday, 0, 6));
    Check(InRange(t.yearday, 0, 365) && InRange(t.yearWeek, 0, 53) && t.isdst == -1);
    Check(t.yearModulus == -1 || t.yearModulus == 10 || t.yearModulus == 100);
    Check(t.year >= -1 && (t.yearModulus == -1 || t.year < t.yearModulus));
    // A named zone with a numeric adjustment stays within two days either way.
    Check(t.zone == PartialTime::kNoZone || t.zone == PartialTime::kLocalZone ||
          (t.zone > -2 * 86400 && t.zone < 2 * 86400));
}

uint32_t Hash(std::string_view text) {
    uint32_t h = 2166136261u;
    for (char c : text) h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

// Texts that fix their own zone and full date cannot depend on the defaults at all, and
// texts without a zone must move by exactly the default zone.
void CheckDefaults(std::string_view text, const PartialTime& t, int32_t atEpochUtc) {
    const bool fullDate = t.year != -1 && t.yearModulus == -1 && t.month != -1 && t.day != -1;
    if (!fullDate) return;
    const uint32_t h = Hash(text);
    const int64_t otherTime = int64_t(h % 4'000'000'000u) - 2'000'000'000;
    const int otherZone = int(h % 172'799) - 86'399;
    if (t.zone != PartialTime::kNoZone) {
        Check(corvane::StringToTime(text, otherTime, otherZone) == atEpochUtc);
        return;
    }
    const int32_t shifted = corvane::StringToTime(text, otherTime, otherZone);
    if (shifted != -1 && atEpochUtc != -1)
        Check(int64_t(shifted) == int64_t(atEpochUtc) - otherZone);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Local time is UTC here, so display forms read back as the same seconds.
    setenv("TZ", "UTC", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PartialTime parsed;
    const size_t stop = corvane::ParseDateText(text, parsed);
    Check(stop <= size);
    const int32_t seconds = corvane::StringToTime(text, 0, 0);
    const std::string shown = corvane::FormatArticleDate(text);
    Check(shown.empty() || shown.size() == 19);
    if (stop != size) {
        Check(seconds == -1 && shown.empty());
        return 0;
    }
    CheckFields(parsed);
    if (parsed == PartialTime{}) Check(seconds == -1);
    CheckDefaults(text, parsed, seconds);
    if (seconds >= 0) {
        Check(!shown.empty());
        Check(corvane::StringToTime(shown, 0, 0) == seconds);
    } else {
        Check(shown.empty());
    }
    return 0;
}
