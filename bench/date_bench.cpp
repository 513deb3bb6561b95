// date_bench: StringToTime over 100,000 Date texts of the shapes news servers hand out,
// beside the C library's strptime + timegm on the same texts (for the shapes a short list of
// strptime formats can read). Prints both rates, how many texts each read, and how often
// they disagree where both read a text, and how often StringToTime misses the instant the
// text was generated from. It prints figures and asserts none.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "nntp/date_parse.h"

namespace {

struct Sample {
    std::string text;
    int64_t instant;  // the seconds the text was written from
};

struct NamedZone {
    const char* name;
    int offset;  // seconds east
};

constexpr NamedZone kNamedZones[] = {
    {"GMT", 0},      {"UTC", 0},      {"EST", -18000}, {"EDT", -14400}, {"PST", -28800},
    {"PDT", -25200}, {"CET", 3600},   {"MET", 3600},   {"JST", 32400},  {"IST", 19800},
    {"BST", 3600},   {"CST", -21600}, {"Z", 0},        {"UT", 0},       {"EET", 7200},
};

constexpr int kNumericZones[] = {0,     -18000, -14400, -25200, 3600,  7200,
                                 19800, 32400,  34200,  -10800, 20700, -12600};

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Numeric(int offset, bool colon) {
    char buf[16];
    const int a = offset < 0 ? -offset : offset;
    std::snprintf(buf, sizeof buf, colon ? "%c%02d:%02d" : "%c%02d%02d", offset < 0 ? '-' : '+',
                  a / 3600, a / 60 % 60);
    return buf;
}

// One text for the instant, in the shape `form`, written in the zone of `offset` seconds.
std::string Write(int form, int64_t instant, int offset, const char* zoneName) {
    const time_t wall = time_t(instant + offset);
    struct tm t {};
    gmtime_r(&wall, &t);
    const int year = t.tm_year + 1900;
    char b[128];
    const char* day = kDays[t.tm_wday];
    const char* mon = kMonths[t.tm_mon];
    switch (form) {
        case 0:  // mail and news headers with a numeric zone
            std::snprintf(b, sizeof b, "%s, %02d %s %d %02d:%02d:%02d %s", day, t.tm_mday, mon,
                          year, t.tm_hour, t.tm_min, t.tm_sec, Numeric(offset, false).c_str());
            break;
        case 1:  // the same without the weekday and with a one-digit day
            std::snprintf(b, sizeof b, "%d %s %d %02d:%02d:%02d %s", t.tm_mday, mon, year,
                          t.tm_hour, t.tm_min, t.tm_sec, Numeric(offset, false).c_str());
            break;
        case 2:  // a named zone
            std::snprintf(b, sizeof b, "%s, %d %s %d %02d:%02d:%02d %s", day, t.tm_mday, mon, year,
                          t.tm_hour, t.tm_min, t.tm_sec, zoneName);
            break;
        case 3:  // a two-digit year
            std::snprintf(b, sizeof b, "%02d %s %02d %02d:%02d:%02d %s", t.tm_mday, mon, year % 100,
                          t.tm_hour, t.tm_min, t.tm_sec, zoneName);
            break;
        case 4:  // the old news form
            std::snprintf(b, sizeof b, "%s, %02d-%s-%02d %02d:%02d:%02d GMT", kLongDays[t.tm_wday],
                          t.tm_mday, mon, year % 100, t.tm_hour, t.tm_min, t.tm_sec);
            break;
        case 5:  // the C library's form, always UTC
            std::snprintf(b, sizeof b, "%s %s %2d %02d:%02d:%02d %d", day, mon, t.tm_mday,
                          t.tm_hour, t.tm_min, t.tm_sec, year);
            break;
        case 6:  // ISO 8601
            std::snprintf(b, sizeof b, "%d-%02d-%02dT%02d:%02d:%02d%s", year, t.tm_mon + 1,
                          t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                          offset == 0 ? "Z" : Numeric(offset, true).c_str());
            break;
        case 7:  // a comment after the zone
            std::snprintf(b, sizeof b, "%s, %d %s %d %02d:%02d:%02d %s (%s)", day, t.tm_mday, mon,
                          year, t.tm_hour, t.tm_min, t.tm_sec, Numeric(offset, false).c_str(),
                          zoneName);
            break;
        default:  // odd spacing
            std::snprintf(b, sizeof b, "%s,  %d %s %d  %02d:%02d:%02d   %s ", day, t.tm_mday, mon,
                          year, t.tm_hour, t.tm_min, t.tm_sec, Numeric(offset, false).c_str());
            break;
    }
    return b;
}

std::vector<Sample> MakeCorpus(size_t count) {
    std::mt19937_64 random(19980323);
    std::vector<Sample> corpus;
    corpus.reserve(count);
    const int64_t from1980 = 315532800, to2030 = 1893456000, to2000 = 946684800;
    for (size_t i = 0; i < count; ++i) {
        const int form = int(random() % 9);
        // Two-digit years read as the 1900s, so those texts come from before 2000.
        const bool shortYear = form == 3 || form == 4;
        const int64_t hi = shortYear ? to2000 - 86400 : to2030;
        const int64_t instant = from1980 + int64_t(random() % uint64_t(hi - from1980));
        const NamedZone& named = kNamedZones[random() % std::size(kNamedZones)];
        int offset = kNumericZones[random() % std::size(kNumericZones)];
        if (form == 2 || form == 3) offset = named.offset;
        if (form == 4 || form == 5) offset = 0;
        const char* comment = form == 7 && offset == 0 ? "UTC" : named.name;
        Sample s{Write(form, instant, offset, comment), instant};
        // A comment naming another zone than the offset contradicts it, which no writer does.
        if (form == 7 && offset != 0) s.text = s.text.substr(0, s.text.find(" ("));
        corpus.push_back(std::move(s));
    }
    return corpus;
}

constexpr const char* kFormats[] = {
    "%a, %d %b %Y %H:%M:%S %z",  "%d %b %Y %H:%M:%S %z",  "%a, %d %b %Y %H:%M:%S GMT",
    "%a, %d %b %Y %H:%M:%S UTC", "%d %b %y %H:%M:%S GMT", "%A, %d-%b-%y %H:%M:%S GMT",
    "%a %b %d %H:%M:%S %Y",      "%Y-%m-%dT%H:%M:%S%z",   "%a, %d %b %Y %H:%M:%S %z (UTC)",
    "%d %b %y %H:%M:%S %z",
};

bool ViaStrptime(const std::string& text, int64_t& out) {
    for (const char* format : kFormats) {
        struct tm t {};
        const char* end = strptime(text.c_str(), format, &t);
        if (end == nullptr) continue;
        while (*end == ' ') ++end;
        // %Y happily reads "98" as the year 98; let a %y format have it instead.
        if (*end != '\0' || t.tm_year < 0) continue;
        const long offset = t.tm_gmtoff;  // timegm resets it
        out = int64_t(timegm(&t)) - offset;
        return true;
    }
    return false;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

template <typename Fn>
double BestOfThree(Fn&& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, Seconds(std::chrono::steady_clock::now() - start));
    }
    return best;
}

}  // namespace

int main() {
    const std::vector<Sample> corpus = MakeCorpus(100'000);
    std::vector<int64_t> ours(corpus.size(), -1), theirs(corpus.size(), -1);
    std::vector<char> ourOk(corpus.size()), theirOk(corpus.size());

    const double ourTime = BestOfThree([&] {
        for (size_t i = 0; i < corpus.size(); ++i) {
            const int32_t t = corvane::StringToTime(corpus[i].text, 0, 0);
            ours[i] = t;
            ourOk[i] = t != -1;
        }
    });
    // Where the time goes: reading the text alone, without the calendar conversion.
    size_t parsedCount = 0;
    const double parseTime = BestOfThree([&] {
        parsedCount = 0;
        corvane::PartialTime t;
        for (const Sample& s : corpus)
            parsedCount += corvane::ParseDateText(s.text, t) == s.text.size();
    });
    const double theirTime = BestOfThree([&] {
        for (size_t i = 0; i < corpus.size(); ++i)
            theirOk[i] = ViaStrptime(corpus[i].text, theirs[i]);
    });

    size_t ourCount = 0, theirCount = 0, both = 0, disagree = 0, wrong = 0;
    for (size_t i = 0; i < corpus.size(); ++i) {
        ourCount += ourOk[i] != 0;
        theirCount += theirOk[i] != 0;
        if (ourOk[i] && ours[i] != corpus[i].instant) {
            if (++wrong <= 5) std::printf("  misread: '%s'\n", corpus[i].text.c_str());
        }
        if (ourOk[i] && theirOk[i]) {
            ++both;
            if (ours[i] != theirs[i] && ++disagree <= 5) {
                std::printf("  disagree: '%s'\n", corpus[i].text.c_str());
            }
        }
    }
    const double n = double(corpus.size());
    std::printf("corpus: %zu Date texts, best of 3 runs\n", corpus.size());
    std::printf("StringToTime:      %12.0f dates/s, read %zu\n", n / ourTime, ourCount);
    std::printf("  of which reading: %12.0f dates/s (ParseDateText alone, read %zu)\n",
                n / parseTime, parsedCount);
    std::printf("strptime + timegm: %12.0f dates/s, read %zu (%zu formats tried per text)\n",
                n / theirTime, theirCount, std::size(kFormats));
    std::printf("ratio StringToTime / strptime: %.2fx\n", theirTime / ourTime);
    std::printf("read by both: %zu, disagreements: %zu\n", both, disagree);
    std::printf("StringToTime results that differ from the generated instant: %zu\n", wrong);
    return 0;
}
