#include "app/status_text.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "tests/support/scoped_zone.h"

namespace corvane {
namespace {

using testsupport::ScopedZone;

TEST(StatusText, CountsArePaddedWithZeros) {
    EXPECT_EQ(CpsText(0.0), "cps: 000000");
    EXPECT_EQ(CpsText(1234.5), "cps: 001234");  // even halves round to even
    EXPECT_EQ(CpsText(1234.51), "cps: 001235");
    EXPECT_EQ(CpsText(12345678.0), "cps: 12345678");
    EXPECT_EQ(QueuedWorkText(0), "Queued Work: 00000");
    EXPECT_EQ(QueuedWorkText(42), "Queued Work: 00042");
    EXPECT_EQ(QueuedWorkText(123456), "Queued Work: 123456");
    EXPECT_EQ(QueuedLinesText(9876), "Queued Lines: 0009876");
    EXPECT_EQ(QueuedLinesText(-5), "Queued Lines: -0000005");
}

TEST(StatusText, StartAndStopTimesAreLocalTimesOfDay) {
    {
        ScopedZone zone("UTC");
        EXPECT_EQ(StartTimeText(3661), "Start time: 01:01:01");
        EXPECT_EQ(StopTimeText(86399), "Stop time: 23:59:59");
    }
    ScopedZone zone("EST5");
    EXPECT_EQ(StartTimeText(3661), "Start time: 20:01:01");
    EXPECT_EQ(StopTimeText(5 * 3600), "Stop time: 00:00:00");
}

TEST(StatusText, QueueTimeShowsHoursWithinTheDay) {
    EXPECT_EQ(QueueTimeText(0), "Queue time: 00:00:00");
    EXPECT_EQ(QueueTimeText(3725), "Queue time: 01:02:05");
    EXPECT_EQ(QueueTimeText(86399), "Queue time: 23:59:59");
    EXPECT_EQ(QueueTimeText(86400 + 61), "Queue time: 00:01:01");
    EXPECT_EQ(QueueTimeText(-30), "Queue time: 00:00:00");
    EXPECT_EQ(QueueTimeText(std::numeric_limits<long long>::max()), "Queue time: 15:30:07");
}

TEST(StatusText, QueueSecondsNeedsAThroughputAboveAHundredthOfAByte) {
    EXPECT_EQ(QueueSeconds(1000, 0.0), std::nullopt);
    EXPECT_EQ(QueueSeconds(1000, 0.01), std::nullopt);
    EXPECT_EQ(QueueSeconds(1000, -5.0), std::nullopt);
    EXPECT_EQ(QueueSeconds(1000, std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(QueueSeconds(0, 100.0), 0);
    EXPECT_EQ(QueueSeconds(100, 62.0), 100);
    // 1000 lines of 62 bytes at 3000 bytes a second: 20.67 s, cut to 20.
    EXPECT_EQ(QueueSeconds(1000, 3000.0), 20);
    EXPECT_EQ(QueueSeconds(1, 0.02), 3100);
    EXPECT_EQ(QueueSeconds(std::numeric_limits<long long>::max(), 0.02),
              std::numeric_limits<long long>::max());
}

}  // namespace
}  // namespace corvane
