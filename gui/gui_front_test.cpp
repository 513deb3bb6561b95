// The pieces of the desktop front end: the timers on the Qt event loop and the pump that
// hands the window's queue to the model.
#include "gui/gui_front.h"

#include <QSignalSpy>
#include <set>

#include "gui/main_window_test_support.h"
#include "gui/qt_timer_service.h"

namespace corvane::testsupport {
namespace {

TEST(QtTimerService, TimersPostTheirIdToTheQueueUntilKilled) {
    CMessageQueue queue(16);
    CQtTimerService timers(queue);
    EXPECT_FALSE(timers.SetTimer(3, 0));
    EXPECT_FALSE(timers.SetTimer(3, -5));
    EXPECT_FALSE(timers.KillTimer(3));

    ASSERT_TRUE(timers.SetTimer(3, 5));
    ASSERT_TRUE(timers.SetTimer(9, 5));
    std::set<intptr_t> seen;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        SMessage message;
        while (queue.TryGet(message)) {
            EXPECT_EQ(message.number, kTimerMessage);
            seen.insert(message.wParam);
        }
        return seen.size() == 2;
    }));
    EXPECT_EQ(seen, (std::set<intptr_t>{3, 9}));

    EXPECT_TRUE(timers.KillTimer(3));
    EXPECT_FALSE(timers.IsRunning(3));
    EXPECT_TRUE(timers.IsRunning(9));
    EXPECT_FALSE(timers.KillTimer(3));
    // Restarting a killed id works again.
    EXPECT_TRUE(timers.SetTimer(3, 50));
    EXPECT_TRUE(timers.IsRunning(3));
}

TEST(QtTimerService, AnIdWaitsInTheQueueOnceUntilItsMessageIsTaken) {
    CMessageQueue queue(64);
    CQtTimerService timers(queue);
    ASSERT_TRUE(timers.SetTimer(4, 1));
    // Nobody drains the queue for a while, as when a dialog is open: one message, not dozens.
    QTest::qWait(60);
    SMessage message;
    ASSERT_TRUE(queue.TryGet(message));
    EXPECT_EQ(message.wParam, 4);
    EXPECT_FALSE(queue.TryGet(message));
    // Taken and reported: the id posts again.
    timers.Delivered(4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return queue.TryGet(message); }));
    EXPECT_EQ(message.wParam, 4);
}

TEST(QueuePump, HandsQueuedMessagesToTheModelAndSignalsTheEndOnce) {
    CWindowHarness h;
    h.AddGroup("alt.pics");
    h.Start();
    CQueuePump pump(h.model);
    QSignalSpy ended(&pump, &CQueuePump::Ended);
    h.Header(1, "one.jpg");
    h.Header(2, "two.jpg");
    EXPECT_FALSE(pump.PumpOnce());
    EXPECT_EQ(h.model.Rows().Count(), 2u);
    EXPECT_EQ(ended.count(), 0);

    h.model.End();
    EXPECT_TRUE(pump.PumpOnce());
    EXPECT_TRUE(pump.PumpOnce());
    EXPECT_EQ(ended.count(), 1);
    // The model's end hid the window.
    EXPECT_FALSE(h.window.isVisible());
}

TEST(QueuePump, EachTimerMessageItHandsOnLetsThatTimerPostAgain) {
    CWindowHarness h;
    h.Start();
    CQtTimerService timers(h.queue);
    CQueuePump pump(h.model, &timers);
    ASSERT_TRUE(timers.SetTimer(77, 1));  // an id the window has no use for
    QTest::qWait(30);
    EXPECT_EQ(h.queue.Size(), 1u);
    pump.PumpOnce();
    EXPECT_EQ(h.queue.Size(), 0u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.queue.Size() == 1u; }));
}

TEST(QueuePump, RunsOnTheEventLoopOnceStarted) {
    CWindowHarness h;
    h.AddGroup("alt.pics");
    h.Start();
    CQueuePump pump(h.model);
    pump.Start();
    h.Header(1, "one.jpg");
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.model.Rows().Count() == 1; }));
}

}  // namespace
}  // namespace corvane::testsupport
