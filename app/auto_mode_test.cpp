// Auto mode: engaging through the dialog and the switch, the delayed start, the shut-down time,
// cancelling, and ending the program when the work is done.
#include "app/commands.h"
#include "app/main_model_test_support.h"

namespace corvane::testsupport {
namespace {

class AutoModeTest : public MainModelTest {
protected:
    void Engage(const std::function<void(CAutoDialogModel::SControls&)>& edit) {
        view.autoAnswer = EAutoResult::kEngage;
        view.editAuto = [edit](CAutoDialogModel& dialog) {
            edit(dialog.m_controls);
            ASSERT_FALSE(dialog.Press(EAutoResult::kEngage).has_value());
        };
        model.Execute(cmd::kAutomate);
    }
    int HeaderItems() {
        int count = 0;
        for (const auto& name : script.Started()) count += name.rfind("2 ", 0) == 0;
        return count;
    }
};

TEST_F(AutoModeTest, EngageQueuesEverythingAndClosesWhenTheWorkIsDone) {
    AddGroup("alt.pics");
    AddGroup("alt.off", false);
    app.Setup().m_autoQueueArticles = 1;
    Start();
    script.Hold("2 alt.pics");
    Engage([](auto& c) {
        c.delayStart = false;
        c.queueEverythingOnEngage = true;
        c.shutDownMode = CSetup::kShutDownWhenIdle;
    });
    EXPECT_TRUE(model.AutoMode());
    ASSERT_TRUE(script.WaitStarted("2 alt.pics"));
    // The headers arrive while the group job still runs; each is queued automatically.
    Header(1, "one.jpg");
    Header(2, "two.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.OutstandingItems() == 3; }));
    script.Release("2 alt.pics");
    ASSERT_TRUE(PumpUntil([&] { return model.Ended(); }));
    EXPECT_EQ(HeaderItems(), 1);  // the disabled group is not done
    EXPECT_EQ(model.Rows().Count(), 0u);
    EXPECT_TRUE(prompt.Questions().empty());
}

TEST_F(AutoModeTest, AnIdleNoticeOlderThanNewlyQueuedWorkDoesNotClose) {
    AddGroup("alt.pics");
    app.Setup().m_autoQueueArticles = 1;
    Start();
    model.SetThreadsSlider(1);
    Engage([](auto& c) { c.queueEverythingOnEngage = false; });
    // The manager went idle, but a header handled before its notice queued a download.
    Header(1, "late.jpg");
    script.Hold("late.jpg");
    queue.PostUntilAccepted(UWM_QUEUE_IDLE);
    PumpFor(std::chrono::milliseconds(30));
    EXPECT_FALSE(model.Closing());
    ASSERT_TRUE(script.WaitStarted("late.jpg"));
    script.Release("late.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Ended(); }));
    EXPECT_FALSE(Listed("late.jpg"));
}

TEST_F(AutoModeTest, ThreadsAtZeroNeverClose) {
    AddGroup("alt.pics");
    Start();
    model.SetThreadsSlider(0);
    Engage([](auto&) {});
    queue.PostUntilAccepted(UWM_QUEUE_IDLE);
    PumpFor(std::chrono::milliseconds(30));
    EXPECT_FALSE(model.Closing());
}

TEST_F(AutoModeTest, DelayedStartQueuesOnlyWhenItsTimerFires) {
    AddGroup("alt.pics");
    Start();
    model.SetThreadsSlider(0);
    Engage([](auto& c) {
        c.delayStart = true;
        c.delayStartTime = "00:00:30";
        c.queueEverythingOnEngage = true;
        c.shutDownMode = CSetup::kShutDownAfterTime;
        c.shutDownAfterTime = "01:00:00";
    });
    EXPECT_EQ(model.OutstandingItems(), 0);
    EXPECT_EQ(model.Pane(5).rfind("Start time: ", 0), 0u);
    EXPECT_EQ(model.Pane(6), "");  // the shut-down time counts from the delayed start
    Advance(29000);
    EXPECT_EQ(model.OutstandingItems(), 0);
    Advance(1000);
    EXPECT_EQ(model.OutstandingItems(), 1);
    EXPECT_EQ(model.Pane(5), "");
    EXPECT_EQ(model.Pane(6).rfind("Stop time: ", 0), 0u);
}

TEST_F(AutoModeTest, ZeroTimesFireAtTheNextTick) {
    AddGroup("alt.pics");
    Start();
    model.SetThreadsSlider(0);
    Engage([](auto& c) {
        c.delayStart = true;
        c.delayStartTime = "00:00:00";
        c.shutDownMode = CSetup::kShutDownAfterTime;
        c.shutDownAfterTime = "00:00:00";
    });
    EXPECT_EQ(model.OutstandingItems(), 0);
    Advance(1);  // the delayed start queues the group
    EXPECT_EQ(model.OutstandingItems(), 1);
    Advance(1);  // the shut-down time empties the queue again
    ASSERT_TRUE(PumpUntil([&] { return model.OutstandingItems() == 0; }));
}

TEST_F(AutoModeTest, CancellingClearsThePanesAndStopsTheTimersButNotTheWork) {
    AddGroup("alt.pics");
    Start();
    model.SetThreadsSlider(0);
    Engage([](auto& c) {
        c.delayStart = false;
        c.shutDownMode = CSetup::kShutDownAfterTime;
        c.shutDownAfterTime = "00:10:00";
    });
    EXPECT_EQ(model.OutstandingItems(), 1);
    EXPECT_FALSE(model.Pane(6).empty());
    prompt.SetAnswer(true);
    model.Execute(cmd::kAutomate);
    ASSERT_EQ(prompt.Questions().size(), 1u);
    EXPECT_EQ(prompt.Questions()[0], "Corvane is currently in Auto mode.  Would you like to cancel?");
    EXPECT_FALSE(model.AutoMode());
    EXPECT_EQ(model.Pane(5), "");
    EXPECT_EQ(model.Pane(6), "");
    Advance(11 * 60000);  // timer 4 no longer empties the queue
    EXPECT_EQ(model.OutstandingItems(), 1);
}

TEST_F(AutoModeTest, EscapeKeepsTheSetupAndDoesNotEngage) {
    Start();
    view.autoAnswer = EAutoResult::kEscape;
    view.editAuto = [](CAutoDialogModel& dialog) {
        dialog.m_controls.delayStart = true;
        dialog.m_controls.delayStartTime = "24:00:00";
        EXPECT_TRUE(dialog.Press(EAutoResult::kEngage).has_value());  // "Invalid Time"
        dialog.Press(EAutoResult::kEscape);
    };
    model.Execute(cmd::kAutomate);
    EXPECT_FALSE(model.AutoMode());
    EXPECT_EQ(app.Setup().m_delayStart, 0);
}

TEST_F(AutoModeTest, TheSwitchesApplyToTheLoadedSetupAndAutoStartsIt) {
    AddGroup("alt.pics");
    const std::string path = m_dir + "/auto.cvn";
    {
        CSetupFileContents contents;
        auto group = std::make_unique<CSetupGroup>();
        group->SetName("alt.pics");
        group->m_enabled = 1;
        contents.m_setup->m_groups.push_back(std::move(group));
        contents.m_setup->m_threads = 0;
        CRecordingPrompt quiet;
        ASSERT_TRUE(CSetupFile(quiet).Save(contents, path));
    }
    SCommandLine line = ParseCommandLine({"-S:3600", "/F:0", "-auto", path});
    Start(line);
    EXPECT_TRUE(model.AutoMode());
    EXPECT_EQ(app.Setup().m_delayStart, 1);
    EXPECT_EQ(app.Setup().m_delayStartSeconds, 3600);
    EXPECT_EQ(app.Setup().m_shutDownMode, CSetup::kShutDownWhenIdle);
    EXPECT_EQ(model.OutstandingItems(), 0);
    Advance(3600 * 1000);
    EXPECT_EQ(model.OutstandingItems(), 1);
    EXPECT_TRUE(script.Started().empty());  // the file's thread count of 0 holds it
}

TEST_F(AutoModeTest, UpperCaseAutoIsNotTheSwitch) {
    Start(ParseCommandLine({"-AUTO"}));
    EXPECT_FALSE(model.AutoMode());
}

}  // namespace
}  // namespace corvane::testsupport
