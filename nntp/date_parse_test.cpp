#include "nntp/date_parse.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "nntp/date_convert.h"
#include "tests/support/scoped_zone.h"

namespace corvane {
namespace {

// Seconds shown as a UTC calendar text, so expectations read as dates rather than numbers.
std::string Utc(int64_t seconds) {
    const time_t t = time_t(seconds);
    struct tm tm {};
    if (gmtime_r(&t, &tm) == nullptr) return "?";
    char out[32];
    return std::string(out, strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &tm));
}

std::string UtcOf(const char* text) {
    const int32_t t = StringToTime(text, 0, 0);
    return t == -1 ? "fail" : Utc(t);
}

using testsupport::ScopedZone;

struct DateCase {
    const char* text;
    const char* utc;  // "fail" when the text names no usable time
};

TEST(StringToTimeTest, ReadsCommonArticleDateForms) {
    const DateCase cases[] = {
        {"Mon, 23 Mar 1998 12:34:56 -0500", "1998-03-23 17:34:56"},
        {"23 Mar 98 12:34:56 GMT", "1998-03-23 12:34:56"},
        {"Monday, 23-Mar-98 12:34:56 GMT", "1998-03-23 12:34:56"},
        {"Mon Mar 23 12:34:56 1998", "1998-03-23 12:34:56"},
        {"1998-03-23T12:34:56", "1998-03-23 12:34:56"},
        {"1998-03-23T12:34:56Z", "1998-03-23 12:34:56"},
        {"19980323T123456", "1998-03-23 12:34:56"},
        {"98/03/23 12:34", "1998-03-23 12:34:00"},
        {"mon, 23 mar 1998 12:34:56 gmt", "1998-03-23 12:34:56"},
        {"MONDAY, 23 MARCH 1998 12:34:56 GMT", "1998-03-23 12:34:56"},
        {"Mon, 23 Mar 1998 12:34:56 +0000 (UTC)", "1998-03-23 12:34:56"},
        {"Mon,  23 Mar 1998   12:34:56 -0500 (EST)", "1998-03-23 17:34:56"},
        {"23 Mar 1998 12:34:56 GMT.  ", "1998-03-23 12:34:56"},
        {"23 Mar 1998 12:34:56 GMT,\t;", "1998-03-23 12:34:56"},
    };
    for (const DateCase& c : cases) EXPECT_EQ(UtcOf(c.text), c.utc) << c.text;
}

TEST(StringToTimeTest, AppliesZones) {
    const DateCase cases[] = {
        {"23 Mar 1998 12:34:56 EST", "1998-03-23 17:34:56"},
        {"23 Mar 1998 12:34:56 EDT", "1998-03-23 16:34:56"},
        {"23 Mar 1998 12:34:56 EST DST", "1998-03-23 16:34:56"},
        {"23 Mar 1998 12:34:56 ESTdst", "1998-03-23 16:34:56"},
        {"23 Mar 1998 12:34:56 +05:30", "1998-03-23 07:04:56"},
        {"23 Mar 1998 12:34:56 +0530", "1998-03-23 07:04:56"},
        {"23 Mar 1998 12:34:56 +05", "1998-03-23 07:34:56"},
        {"23 Mar 1998 12:34:56 -05:30:15", "1998-03-23 18:05:11"},
        {"23 Mar 1998 12:34:56 GMT+0100", "1998-03-23 11:34:56"},
        {"23 Mar 1998 12:34:56 CET", "1998-03-23 11:34:56"},
        {"23 Mar 1998 12:34:56 IST", "1998-03-23 07:04:56"},
        {"23 Mar 1998 12:34:56 NZDT", "1998-03-22 23:34:56"},
        {"23 Mar 1998 12:34:56 UT", "1998-03-23 12:34:56"},
        {"23 Mar 1998 12:34:56 +0100 (MET)", "1998-03-23 11:34:56"},
        // The day, month, year and the wanted weekday all carry across midnight.
        {"Thu, 31 Dec 1998 23:30:00 -0100", "1999-01-01 00:30:00"},
        {"Fri, 1 Jan 1999 00:30:00 +0100", "1998-12-31 23:30:00"},
        {"29 Feb 2000 23:00 -0200", "2000-03-01 01:00:00"},
    };
    for (const DateCase& c : cases) EXPECT_EQ(UtcOf(c.text), c.utc) << c.text;
}

// A numeric zone whose digits happen to repeat the minute and second of the time before it
// must still be read as the zone.
TEST(StringToTimeTest, ZoneMatchingTheTimeIsStillAZone) {
    const DateCase cases[] = {
        {"Mon, 23 Mar 1998 12:05:00 -0500", "1998-03-23 17:05:00"},
        {"23 Mar 1998 12:05 -0500", "1998-03-23 17:05:00"},
        {"23 Mar 1998 12:05:56 -05", "1998-03-23 17:05:56"},
        {"1998-03-23T12:05:00-05:00", "1998-03-23 17:05:00"},
        {"1998-03-23T10:30:00+10:30", "1998-03-23 00:00:00"},
    };
    for (const DateCase& c : cases) EXPECT_EQ(UtcOf(c.text), c.utc) << c.text;
}

TEST(StringToTimeTest, TwelveHourClock) {
    const DateCase cases[] = {
        {"23 Mar 1998 12:00 PM", "1998-03-23 12:00:00"},
        {"23 Mar 1998 12:00 AM", "1998-03-23 00:00:00"},
        {"23 Mar 1998 1:00 pm", "1998-03-23 13:00:00"},
        {"23 Mar 1998 11:59:59 p", "1998-03-23 23:59:59"},
        {"23 Mar 1998 9 am", "1998-03-23 09:00:00"},
        {"23 Mar 1998 1:00 pmx", "fail"},
        {"23 Mar 1998 13:00 pm", "fail"},
    };
    for (const DateCase& c : cases) EXPECT_EQ(UtcOf(c.text), c.utc) << c.text;
}

TEST(StringToTimeTest, FractionsRoundHalfToEven) {
    const DateCase cases[] = {
        // Only the fraction is rounded, so half a second always rounds to nothing.
        {"1998-03-23T12:34:55.5", "1998-03-23 12:34:55"},
        {"1998-03-23T12:34:56.5", "1998-03-23 12:34:56"},
        {"1998-03-23T12:34:56.51", "1998-03-23 12:34:57"},
        {"1998-03-23T12:34:56,4999", "1998-03-23 12:34:56"},
        {"1998-03-23T12:34.5", "1998-03-23 12:34:30"},
        {"1998-03-23T12.75", "1998-03-23 12:45:00"},
        {"1998-03-23T12.00125", "1998-03-23 12:00:04"},  // 4.5 seconds
        {"1998-03-23T12.00375", "1998-03-23 12:00:14"},  // 13.5 seconds
        {"1998-03-23T12:34:56.123456789012345678", "1998-03-23 12:34:56"},
        {"1998-03-23T12:34:56.1234567890123456789", "fail"},
        {"1998-03-23T12:34:59.6", "fail"},  // rounds to a second 60 that UTC never has
    };
    for (const DateCase& c : cases) EXPECT_EQ(UtcOf(c.text), c.utc) << c.text;
}

TEST(StringToTimeTest, RefusesWhatNamesNoTime) {
    const char* const texts[] = {
        "31 Apr 1998",
        "31 Apr 1998 22:00 -0500",  // shifting past midnight must not make it 1 May
        "29 Feb 1999",
        "Tue, 23 Mar 1998 12:00",
        "23 Mar 1998 12:34:56 CEST",
        "23 Foo 1998",
        "Mon, 23 Mar 1998 12:34:56 -0500 extra",
        "23 Mar 1998 12:34:56 GMT EST",
        "23 Mar 1998 12:34:56 +2400",
        "23 Mar 1998 12:34:56 +05:3",
        "23 Mar 1998 12:34:56 +053015",
        "23 Mar 1998 24:00",
        "23 Mar 1998 12:34:60",
        "",
        "   ",
        " ,;()  \t",
        "1 Jan 99999999999",
        "1 Jan 2147483647",
    };
    for (const char* text : texts) EXPECT_EQ(StringToTime(text, 0, 0), -1) << text;
}

TEST(StringToTimeTest, StaysWithinThirtyTwoBits) {
    EXPECT_EQ(UtcOf("19 Jan 2038 03:14:07 GMT"), "2038-01-19 03:14:07");
    EXPECT_EQ(UtcOf("19 Jan 2038 03:14:08 GMT"), "fail");
    EXPECT_EQ(UtcOf("13 Dec 1901 20:45:52 GMT"), "1901-12-13 20:45:52");
    EXPECT_EQ(UtcOf("13 Dec 1901 20:45:51 GMT"), "fail");
}

TEST(StringToTimeTest, DefaultsComeFromTheReferenceTime) {
    const int32_t reference = StringToTime("2010-07-15T10:20:30", 0, 0);
    ASSERT_EQ(Utc(reference), "2010-07-15 10:20:30");
    EXPECT_EQ(Utc(StringToTime("12:34", reference, 0)), "2010-07-15 12:34:00");
    EXPECT_EQ(Utc(StringToTime("Mar", reference, 0)), "2010-03-01 00:00:00");
    EXPECT_EQ(Utc(StringToTime("23 Mar", reference, 0)), "2010-03-23 00:00:00");
    EXPECT_EQ(Utc(StringToTime("1998", reference, 0)), "1998-01-01 00:00:00");
    // The century of a two-digit year is the reference's, so with the epoch it is the 1900s.
    EXPECT_EQ(UtcOf("23 Mar 05 12:00 GMT"), "1905-03-23 12:00:00");
    EXPECT_EQ(Utc(StringToTime("23 Mar 05 12:00 GMT", reference, 0)), "2005-03-23 12:00:00");
    // The reference is seen in the writer's zone: late on 15 July UTC is already the 16th at +0300.
    const int32_t late = StringToTime("2010-07-15T23:00:00", 0, 0);
    EXPECT_EQ(Utc(StringToTime("12:00 +0300", late, 0)), "2010-07-16 09:00:00");
    // Without a zone in the text, defaultZone applies.
    EXPECT_EQ(Utc(StringToTime("23 Mar 1998 12:00", 0, 3600)), "1998-03-23 11:00:00");
}

TEST(ParseDateTextTest, ReportsPiecesAndWhereItStopped) {
    PartialTime t;
    const std::string example = "Mon, 23 Mar 1998 12:34:56 -0500";
    EXPECT_EQ(ParseDateText(example, t), example.size());
    EXPECT_EQ(t.weekday, 1);
    EXPECT_EQ(t.day, 23);
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.year, 1998);
    EXPECT_EQ(t.yearModulus, PartialTime::kUndefined);
    EXPECT_EQ(t.hour, 12);
    EXPECT_EQ(t.minute, 34);
    EXPECT_EQ(t.second, 56);
    EXPECT_EQ(t.zone, -18000);
    EXPECT_EQ(t.isdst, PartialTime::kUndefined);

    EXPECT_EQ(ParseDateText("23 Mar 98", t), 9u);
    EXPECT_EQ(t.year, 98);
    EXPECT_EQ(t.yearModulus, 100);
    EXPECT_EQ(t.zone, PartialTime::kNoZone);

    EXPECT_EQ(ParseDateText("12:00 lt", t), 8u);
    EXPECT_EQ(t.zone, PartialTime::kLocalZone);

    EXPECT_EQ(ParseDateText("  ", t), 2u);
    EXPECT_EQ(t, PartialTime{});

    // The unknown word stops the scan right after the last piece that was read.
    EXPECT_EQ(ParseDateText("23 Mar 1998 bogus 12:00", t), 11u);
}

struct WeekCase {
    const char* text;
    int32_t year, yearModulus, yearWeek, weekday, yearday;
};

TEST(ParseDateTextTest, WeekAndDayOfYearForms) {
    const int32_t u = PartialTime::kUndefined;
    const WeekCase cases[] = {
        {"1998-082", 1998, u, u, u, 81}, {"1998082", 1998, u, u, u, 81},
        {"98-082", 98, 100, u, u, 81},   {"1998-W13-1", 1998, u, 13, 0, u},
        {"1998W131", 1998, u, 13, 0, u}, {"1998-W13", 1998, u, 13, u, u},
        {"-8-W13-7", 8, 10, 13, 6, u},   {"-W13-2", u, u, 13, 1, u},
        {"-w-3", u, u, u, 2, u},         {"1998-366", 1998, u, u, u, 365},
    };
    for (const WeekCase& c : cases) {
        PartialTime t;
        ASSERT_EQ(ParseDateText(c.text, t), std::string_view(c.text).size()) << c.text;
        EXPECT_EQ(t.year, c.year) << c.text;
        EXPECT_EQ(t.yearModulus, c.yearModulus) << c.text;
        EXPECT_EQ(t.yearWeek, c.yearWeek) << c.text;
        EXPECT_EQ(t.weekday, c.weekday) << c.text;
        EXPECT_EQ(t.yearday, c.yearday) << c.text;
    }
    PartialTime t;
    EXPECT_NE(ParseDateText("1998-367", t), 8u);
    EXPECT_NE(ParseDateText("1998-W54", t), 8u);
}

TEST(ParseDateTextTest, FractionsSetTheSmallerFields) {
    struct {
        const char* text;
        int32_t hour, minute, second;
    } const cases[] = {
        {"12:34:56.5", 12, 34, 56}, {"12:34:55.5", 12, 34, 55}, {"12:34.25", 12, 34, 15},
        {"12.75", 12, 45, 0},       {"12.00125", 12, 0, 4},     {"12:34:60", 12, 34, 60},
    };
    for (const auto& c : cases) {
        PartialTime t;
        ASSERT_EQ(ParseDateText(c.text, t), std::string_view(c.text).size()) << c.text;
        EXPECT_EQ(t.hour, c.hour) << c.text;
        EXPECT_EQ(t.minute, c.minute) << c.text;
        EXPECT_EQ(t.second, c.second) << c.text;
    }
}

TEST(FormatArticleDateTest, ShowsUtcDatesUnderUtc) {
    ScopedZone zone("UTC");
    EXPECT_EQ(FormatArticleDate("Mon, 23 Mar 1998 12:34:56 -0500"), "1998-03-23 17:34:56");
    EXPECT_EQ(FormatArticleDate("1 Jan 1970 00:00:00 GMT"), "1970-01-01 00:00:00");
    EXPECT_EQ(FormatArticleDate("31 Dec 1969 23:59:59 GMT"), "");
    EXPECT_EQ(FormatArticleDate("23 Mar 1960 12:00 GMT"), "");
    EXPECT_EQ(FormatArticleDate("23 Mar 05 12:00 GMT"), "");  // 1905
    EXPECT_EQ(FormatArticleDate(""), "");
    EXPECT_EQ(FormatArticleDate(" \t "), "");
    EXPECT_EQ(FormatArticleDate("31 Apr 1998"), "");
}

TEST(FormatArticleDateTest, ShowsLocalTime) {
    ScopedZone zone("EST5EDT,M4.1.0,M10.5.0");
    EXPECT_EQ(FormatArticleDate("Mon, 23 Mar 1998 12:34:56 -0500"), "1998-03-23 12:34:56");
    EXPECT_EQ(FormatArticleDate("1 Jul 1998 12:00:00 GMT"), "1998-07-01 08:00:00");
    // The epoch itself is still 1969 on this side of Greenwich.
    EXPECT_EQ(FormatArticleDate("1 Jan 1970 00:00:00 GMT"), "1969-12-31 19:00:00");
}

TEST(StringToTimeTest, LocalTimeMarker) {
    {
        ScopedZone zone("UTC");
        EXPECT_EQ(UtcOf("23 Mar 1998 12:34:56 lt"), "1998-03-23 12:34:56");
    }
    ScopedZone zone("EST5EDT,M4.1.0,M10.5.0");
    EXPECT_EQ(UtcOf("23 Mar 1998 12:34:56 lt"), "1998-03-23 17:34:56");
    EXPECT_EQ(UtcOf("1 Jul 1998 12:00 LT"), "1998-07-01 16:00:00");
    // 02:30 does not exist on the morning the clocks go forward.
    EXPECT_EQ(UtcOf("5 Apr 1998 02:30 lt"), "fail");
    EXPECT_EQ(UtcOf("Tue, 23 Mar 1998 12:00 lt"), "fail");
    // A text without a zone is UTC whatever the local zone.
    EXPECT_EQ(UtcOf("23 Mar 1998 12:34:56"), "1998-03-23 12:34:56");
}

// Every worker thread converts with its own starting guess; the answers must not depend on
// what other threads converted meanwhile.
TEST(StringToTimeTest, ThreadsAgree) {
    ScopedZone zone("EST5EDT,M4.1.0,M10.5.0");
    const char* const texts[] = {"23 Mar 1998 12:34:56 lt", "1 Jul 2030 08:00 lt",
                                 "5 Nov 1971 23:59:59 lt", "Mon, 23 Mar 1998 12:34:56 -0500"};
    std::vector<int32_t> expected;
    for (const char* text : texts) expected.push_back(StringToTime(text, 0, 0));
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int w = 0; w < 4; ++w) {
        threads.emplace_back([&, w] {
            for (int round = 0; round < 200; ++round) {
                const size_t i = size_t(round + w) % std::size(texts);
                if (StringToTime(texts[i], 0, 0) != expected[i]) ++mismatches[w];
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// The direct UTC calculation must succeed and fail exactly where the search over gmtime does,
// including days a month does not have, leap seconds and weekdays that do not match.
TEST(DateConvertTest, DirectUtcMatchesTheSearch) {
    using date_detail::CivilTime;
    time_t guess = 0;
    int agreed = 0;
    for (int64_t year : {1899, 1900, 1969, 1970, 1999, 2000, 2004, 2037, 2100}) {
        for (int32_t month = 0; month < 12; ++month) {
            for (int32_t day : {0, 1, 28, 29, 30, 31, 32}) {
                for (int32_t weekday = -1; weekday < 7; weekday += 3) {
                    for (int32_t second : {0, 59, 60}) {
                        const CivilTime want{year, month, day, 23, 59, second, weekday};
                        int64_t direct = -1, searched = -1;
                        const bool d = date_detail::UtcSeconds(want, direct);
                        const bool s = date_detail::SearchSeconds(want, date_detail::BreakDownUtc,
                                                                  guess, searched);
                        ASSERT_EQ(d, s) << year << '-' << month << '-' << day << " s" << second
                                        << " w" << weekday;
                        if (d) {
                            ASSERT_EQ(direct, searched);
                            ++agreed;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(agreed, 500);
}

}  // namespace
}  // namespace corvane
