#include "platform/timer_service.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

std::vector<intptr_t> TimerIds(CMessageQueue& queue) {
    std::vector<intptr_t> ids;
    SMessage message;
    while (queue.TryGet(message)) {
        EXPECT_EQ(message.number, kTimerMessage);
        ids.push_back(message.wParam);
    }
    return ids;
}

TEST(ManualTimerService, FiresEachIntervalInTimeOrderUntilKilled) {
    CManualClock clock(1000);
    CMessageQueue queue;
    CManualTimerService timers(clock, queue);
    ASSERT_TRUE(timers.SetTimer(1, 300));
    ASSERT_TRUE(timers.SetTimer(2, 500));
    EXPECT_FALSE(timers.SetTimer(3, 0));

    timers.Advance(299);
    EXPECT_TRUE(TimerIds(queue).empty());
    timers.Advance(701);  // now 2000: timer 1 at 1300, 1600, 1900; timer 2 at 1500, 2000
    EXPECT_EQ(TimerIds(queue), (std::vector<intptr_t>{1, 2, 1, 1, 2}));
    EXPECT_EQ(clock.NowMs(), 2000);

    EXPECT_TRUE(timers.KillTimer(1));
    EXPECT_FALSE(timers.KillTimer(1));
    timers.Advance(500);
    EXPECT_EQ(TimerIds(queue), (std::vector<intptr_t>{2}));
}

TEST(ManualTimerService, SettingARunningTimerRestartsIt) {
    CManualClock clock;
    CMessageQueue queue;
    CManualTimerService timers(clock, queue);
    timers.SetTimer(15, 1000);
    timers.Advance(900);
    timers.SetTimer(15, 1000);  // now due at 1900, not 1000
    timers.Advance(900);
    EXPECT_TRUE(TimerIds(queue).empty());
    timers.Advance(100);
    EXPECT_EQ(TimerIds(queue), (std::vector<intptr_t>{15}));
}

TEST(ThreadTimerService, PostsToItsOwnerUntilKilled) {
    CMessageQueue queue;
    CThreadTimerService timers(queue);
    ASSERT_TRUE(timers.SetTimer(7, 5));
    SMessage message;
    ASSERT_TRUE(queue.GetFor(message, std::chrono::seconds(10)));
    EXPECT_EQ(message.number, kTimerMessage);
    EXPECT_EQ(message.wParam, 7);
    EXPECT_TRUE(timers.KillTimer(7));
}

}  // namespace
}  // namespace corvane
