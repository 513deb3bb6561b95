// Queueing work over a dial-up line: nothing is queued when no line can be had, and work
// queued while the line is being dialled waits until it is up.
#include "app/commands.h"
#include "app/main_model_test_support.h"
#include "dialup/fake_dialup_service.h"

namespace corvane::testsupport {
namespace {

class DialupModelTest : public ::testing::Test {
protected:
    DialupModelTest()
        : m_dir(MakeTempDir()),
          app(settings, prompt, clock, m_dir),
          timers(clock, queue),
          model(app, queue, timers, view, &service,
                [this](int) { return std::make_unique<CScriptedWorker>(script); }) {
        model.Initialise({});
        app.Setup().SetDialUpEntry("Provider");
        auto group = std::make_unique<CSetupGroup>();
        group->SetName("alt.pics");
        group->m_enabled = 1;
        app.Setup().m_groups.push_back(std::move(group));
    }
    ~DialupModelTest() override { std::filesystem::remove_all(m_dir); }
    void Pump(std::chrono::milliseconds span) {
        const auto until = std::chrono::steady_clock::now() + span;
        SMessage message;
        while (std::chrono::steady_clock::now() < until) {
            if (queue.GetFor(message, std::chrono::milliseconds(5))) model.HandleMessage(message);
        }
    }

    std::string m_dir;
    CMemorySettingsStore settings;
    CRecordingPrompt prompt{false};
    CManualClock clock;
    CApplication app;
    CMessageQueue queue{CMainModel::kQueueCapacity};
    CManualTimerService timers;
    IMainView view;
    CJobScript script;
    CFakeDialupService service;
    CMainModel model;
};

TEST_F(DialupModelTest, NoLineMeansNothingIsQueued) {
    service.SetDialAnswer(633, 0);
    model.Execute(cmd::kDoAllGroups);
    model.Execute(cmd::kGroupList);
    EXPECT_EQ(model.OutstandingItems(), 0);
    EXPECT_EQ(service.DialCount(), 2);
}

TEST_F(DialupModelTest, WorkQueuedWhileDiallingStartsWhenTheLineIsUp) {
    service.SetDialAnswer(0, 42);
    model.Execute(cmd::kDoAllGroups);
    EXPECT_EQ(model.OutstandingItems(), 1);
    Pump(std::chrono::milliseconds(50));
    EXPECT_TRUE(script.Started().empty());  // the manager holds it while the line is dialled

    service.ReportFromServiceThread(kDialStateConnected, 0);
    Pump(std::chrono::milliseconds(20));
    EXPECT_EQ(model.Pane(4), "Connected");
    EXPECT_TRUE(script.WaitStarted("2 alt.pics"));
}

TEST_F(DialupModelTest, ALostLineGivesAllWorkBack) {
    service.SetDialAnswer(0, 42);
    model.SetThreadsSlider(0);
    model.Execute(cmd::kDoAllGroups);
    service.ReportFromServiceThread(kDialStateConnected, 0);
    Pump(std::chrono::milliseconds(20));
    service.SetErrorText(629, "The line went away");
    service.ReportFromServiceThread(kDialStateDisconnected, 629);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (model.OutstandingItems() != 0 && std::chrono::steady_clock::now() < until)
        Pump(std::chrono::milliseconds(10));
    EXPECT_EQ(model.OutstandingItems(), 0);
    EXPECT_EQ(model.Pane(4), model.Dialup().LastErrorText());
    EXPECT_FALSE(model.Pane(4).empty());
}

}  // namespace
}  // namespace corvane::testsupport
