#include "tools/news_server/clock_text.h"

#include <strings.h>

#include <cctype>
#include <cstdio>

namespace corvane::testserver {
namespace {

bool AllDigits(const std::string& text, size_t length) {
    if (text.size() != length) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

int Digits(const std::string& text, size_t from, size_t count) {
    int value = 0;
    for (size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
}

// Fills a broken-down time from 8-digit date and 6-digit time texts, rejecting values no
// calendar has (mktime/timegm would quietly roll them over).
std::optional<std::tm> BrokenDown(int year, const std::string& mmdd, const std::string& hms) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = Digits(mmdd, 0, 2) - 1;
    tm.tm_mday = Digits(mmdd, 2, 2);
    tm.tm_hour = Digits(hms, 0, 2);
    tm.tm_min = Digits(hms, 2, 2);
    tm.tm_sec = Digits(hms, 4, 2);
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31) return std::nullopt;
    if (tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 60) return std::nullopt;
    return tm;
}

std::optional<std::time_t> Moment(int year, const std::string& mmdd, const std::string& hms,
                                  bool utc) {
    auto tm = BrokenDown(year, mmdd, hms);
    if (!tm) return std::nullopt;
    tm->tm_isdst = -1;
    const std::time_t moment = utc ? timegm(&*tm) : std::mktime(&*tm);
    if (moment == static_cast<std::time_t>(-1)) return std::nullopt;
    return moment;
}

}  // namespace

std::optional<std::time_t> ParseCreatedStamp(const std::string& text) {
    char date[16] = {}, time[16] = {};
    if (std::sscanf(text.c_str(), " %15s %15s", date, time) != 2) return std::nullopt;
    const std::string d = date, t = time;
    if (!AllDigits(d, 8) || !AllDigits(t, 6)) return std::nullopt;
    return Moment(Digits(d, 0, 4), d.substr(4), t, true);
}

std::optional<std::time_t> ParseNewgroupsMoment(const std::vector<std::string>& arguments,
                                                std::time_t now) {
    if (arguments.size() < 2 || arguments.size() > 3) return std::nullopt;
    bool utc = false;
    if (arguments.size() == 3) {
        if (strcasecmp(arguments[2].c_str(), "GMT") != 0) return std::nullopt;
        utc = true;
    }
    const std::string& date = arguments[0];
    const std::string& time = arguments[1];
    if (!AllDigits(time, 6)) return std::nullopt;
    if (AllDigits(date, 8)) return Moment(Digits(date, 0, 4), date.substr(4), time, utc);
    if (!AllDigits(date, 6)) return std::nullopt;
    std::tm today{};
    gmtime_r(&now, &today);
    const int thisYear = today.tm_year + 1900;
    const int yy = Digits(date, 0, 2);
    int year = thisYear - thisYear % 100 + yy;
    if (yy > thisYear % 100) year -= 100;
    return Moment(year, date.substr(2), time, utc);
}

std::string DateReply(std::time_t now) {
    std::tm tm{};
    gmtime_r(&now, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "111 %04d%02d%02d%02d%02d%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return text;
}

}  // namespace corvane::testserver
