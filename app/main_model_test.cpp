// The main window model's commands and its handling of the work that comes back, driven with
// the real thread manager on scripted workers and timers on a manual clock.
#include <fstream>
#include <iterator>

#include "app/commands.h"
#include "app/main_model_test_support.h"
#include "app/settings_keys.h"

namespace corvane::testsupport {
namespace {

TEST_F(MainModelTest, GrabSkipsQueuedArticlesAndDropsThoseOfRemovedGroupsOrRules) {
    AddGroup("alt.pics");
    AddGroup("alt.gone");
    Start();
    model.SetThreadsSlider(0);  // nothing is dispatched, so queued articles stay queued
    Header(1, "a.jpg");
    Header(2, "b.jpg", "alt.gone");
    Header(3, "c.jpg");
    Header(4, "d.jpg", "alt.gone");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 4; }));
    app.Setup().m_groups.pop_back();  // alt.gone leaves the setup

    model.Rows().SelectAll();
    model.Execute(cmd::kGrabSelected);
    EXPECT_TRUE(Listed("a.jpg"));
    EXPECT_TRUE(Listed("c.jpg"));
    EXPECT_FALSE(Listed("b.jpg"));
    EXPECT_FALSE(Listed("d.jpg"));  // the row after a removed one is still visited
    EXPECT_EQ(model.OutstandingItems(), 2);
    EXPECT_EQ(model.QueuedLines(), 20);

    model.Rows().SelectAll();
    model.Execute(cmd::kGrabSelected);  // both are queued already
    model.Execute(cmd::kGrabAll);
    EXPECT_EQ(model.OutstandingItems(), 2);

    // A kill rule written meanwhile removes the author's article when it is grabbed.
    Header(5, "e.jpg", "alt.pics", "spammer@example.org");
    ASSERT_TRUE(PumpUntil([&] { return Listed("e.jpg"); }));
    SelectOnly({"e.jpg"});
    model.Execute(cmd::kKillPerson);
    model.Execute(cmd::kGrabSelected);
    EXPECT_FALSE(Listed("e.jpg"));
    ASSERT_EQ(app.Setup().m_criteriaGroups.size(), 1u);
    EXPECT_EQ(app.Services().SetupSnapshot()->m_criteriaGroups.size(), 1u);
}

TEST_F(MainModelTest, QueuedArticlesLeaveOnlyWhenTheirItemsComeBack) {
    AddGroup("alt.pics");
    Start();
    model.SetThreadsSlider(0);
    Header(1, "a.jpg");
    Header(2, "b.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 2; }));
    SelectOnly({"a.jpg"});
    model.Execute(cmd::kGrabSelected);
    CArticle* a = Find("a.jpg");
    ASSERT_TRUE(a->Queued());

    // Text <--> Attachment leaves the queued one alone and flips the other.
    model.Rows().SelectAll();
    const bool bWas = Find("b.jpg")->Attachment();
    model.Execute(cmd::kTextAttachment);
    EXPECT_TRUE(a->Attachment());
    EXPECT_NE(Find("b.jpg")->Attachment(), bWas);

    // Remove: the unqueued one goes now, the queued one when its item returns.
    model.Execute(cmd::kRemoveSelected);
    EXPECT_FALSE(Listed("b.jpg"));
    EXPECT_TRUE(Listed("a.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return !Listed("a.jpg"); }));
    EXPECT_EQ(model.OutstandingItems(), 0);
    EXPECT_EQ(model.QueuedLines(), 0);
}

TEST_F(MainModelTest, ReturnedAndMismatchedArticlesStayListedAtMediumPriority) {
    AddGroup("alt.pics");
    Start();
    script.SetResult("fails.jpg", false);
    Header(1, "fails.jpg");
    Header(2, "done.jpg");
    Header(3, "other.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 3; }));
    Find("fails.jpg")->SetPriority(CArticle::kPriorityHigh);
    script.Hold("other.jpg");
    model.Execute(cmd::kGrabAll);
    ASSERT_TRUE(script.WaitStarted("other.jpg"));
    Find("other.jpg")->SetMismatch(true);  // as the article job marks it
    script.Release("other.jpg");
    ASSERT_TRUE(PumpUntil([&] { return Quiet(); }));

    EXPECT_FALSE(Listed("done.jpg"));
    for (const char* kept : {"fails.jpg", "other.jpg"}) {
        CArticle* article = Find(kept);
        ASSERT_NE(article, nullptr) << kept;
        EXPECT_FALSE(article->Queued());
        EXPECT_FALSE(article->Downloading());
        EXPECT_EQ(article->WorkItem(), nullptr);
        EXPECT_EQ(article->Priority(), CArticle::kPriorityMedium);
    }
    EXPECT_EQ(model.QueuedLines(), 0);
}

TEST_F(MainModelTest, ThreadsAtZeroHoldTheQueueAndNewRowsGoToTheEnd) {
    AddGroup("alt.pics");
    Start();
    model.SetThreadsSlider(0);
    EXPECT_EQ(app.Setup().m_threads, 0);
    Header(1, "b.jpg");
    Header(2, "a.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 2; }));
    model.SortByColumn(1);
    EXPECT_EQ(model.Rows().At(0)->Subject(), "a.jpg");
    Header(3, "0-first-by-name.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 3; }));
    EXPECT_EQ(model.Rows().At(2)->Subject(), "0-first-by-name.jpg");

    model.Execute(cmd::kGrabAll);
    // Timer 1 shows the queue once the manager has taken the items in.
    EXPECT_TRUE(PumpUntil([&] {
        Advance(1000);
        return model.Pane(2) == "Queued Work: 00003";
    }));
    EXPECT_EQ(model.Pane(3), "Queued Lines: 0000030");
    EXPECT_TRUE(script.Started().empty());
    model.SetThreadsSlider(2);
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 0; }));
}

TEST_F(MainModelTest, SaveWithoutNameAsksAndACancelWritesAnEmptyLastFile) {
    settings.WriteString(kSectionData, kKeyLastFile, "");
    settings.WriteInt(kSectionData, kKeyWizard, 0);
    Start();
    Advance(10 * 60000);  // timer 2 without a file name: nothing asked, nothing written
    EXPECT_TRUE(prompt.FileDialogs().empty());

    settings.WriteString(kSectionData, kKeyLastFile, "/somewhere/old.cvn");
    model.Execute(cmd::kSave);
    EXPECT_EQ(prompt.FileDialogs().size(), 1u);
    EXPECT_EQ(settings.ReadString(kSectionData, kKeyLastFile, "x"), "");

    const std::string path = m_dir + "/mine.cvn";
    prompt.AddFileAnswer(path);
    model.Execute(cmd::kSave);
    EXPECT_EQ(model.FileName(), path);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(settings.ReadString(kSectionData, kKeyLastFile, ""), path);

    // Save As names the file but leaves LastFile alone.
    const std::string other = m_dir + "/other.cvn";
    prompt.AddFileAnswer(other);
    model.Execute(cmd::kSaveAs);
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(settings.ReadString(kSectionData, kKeyLastFile, ""), path);
}

TEST_F(MainModelTest, AFileThatCannotBeReadIsNeverOverwrittenWithoutTheUserChoosingIt) {
    const std::string path = m_dir + "/broken.cvn";
    const std::string garbage = "this is not a setup file";
    std::ofstream(path) << garbage;
    prompt.SetAnswer(false);  // "save the current setup?" No
    prompt.AddFileAnswer(path);
    Start();
    model.Execute(cmd::kOpen);
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0], "Error loading setup file");
    EXPECT_EQ(model.FileName(), "");

    Advance(10 * 60000);   // the automatic save
    model.RequestClose();  // idle: the exit save asks for a name, which is cancelled
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), garbage);
    EXPECT_TRUE(PumpUntil([&] { return model.Ended(); }));
}

TEST_F(MainModelTest, OpenLoadsWhatSaveWrote) {
    AddGroup("alt.pics");
    Start();
    model.SetThreadsSlider(0);
    Header(7, "kept.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 1; }));
    const std::string path = m_dir + "/round.cvn";
    prompt.AddFileAnswer(path);
    model.Execute(cmd::kSave);
    model.SetThreadsSlider(3);
    model.Execute(cmd::kReset);
    EXPECT_EQ(model.Rows().Count(), 0u);

    prompt.AddFileAnswer(path);
    model.Execute(cmd::kOpen);
    EXPECT_EQ(model.FileName(), path);
    ASSERT_EQ(model.Rows().Count(), 1u);
    EXPECT_EQ(model.Rows().At(0)->Subject(), "kept.jpg");
    EXPECT_EQ(model.ThreadsSlider(), 0);
    Header(7, "again.jpg");  // the number is in the loaded ranges
    PumpFor(std::chrono::milliseconds(20));
    EXPECT_EQ(model.Rows().Count(), 1u);
}

TEST_F(MainModelTest, TheNewsgroupIndexFollowsTheSetupsNewsServer) {
    app.Setup().SetNewsServer("news.one.example");
    Start();
    const std::string path = m_dir + "/one.cvn";
    prompt.AddFileAnswer(path);
    model.Execute(cmd::kSave);

    // The options sheet names another server: its own index opens.
    auto copy = std::make_unique<CSetup>(app.Setup());
    copy->SetNewsServer("news.two.example");
    model.ApplyOptions(std::move(copy));
    EXPECT_EQ(app.Newsgroups().Server(), "news.two.example");
    EXPECT_TRUE(app.Newsgroups().IsOpen());

    // Loading the saved setup goes back to the first server's index.
    prompt.AddFileAnswer(path);
    model.Execute(cmd::kOpen);
    EXPECT_EQ(app.Newsgroups().Server(), "news.one.example");
    EXPECT_TRUE(app.Newsgroups().IsOpen());

    // A new setup names no server and leaves no index open.
    model.Execute(cmd::kNew);
    EXPECT_EQ(app.Newsgroups().Server(), "");
    EXPECT_FALSE(app.Newsgroups().IsOpen());
    EXPECT_FALSE(model.EndedFatally());
}

TEST_F(MainModelTest, GroupCommandsWithoutASelectedRowDoNothing) {
    AddGroup("alt.pics");
    Start();
    EXPECT_FALSE(model.IsEnabled(cmd::kDoGroup));
    model.Execute(cmd::kDoGroup);
    model.Execute(cmd::kEnable);
    model.GroupRowDoubleClicked(-1);
    EXPECT_EQ(model.CommandText(cmd::kEnable), "Enable");
    model.SelectGroupRow(5);  // a row number left over from a longer list
    model.Execute(cmd::kEnable);
    EXPECT_EQ(model.OutstandingItems(), 0);
    EXPECT_EQ(app.Setup().m_groups[0]->m_enabled, 1);

    model.SelectGroupRow(0);
    EXPECT_EQ(model.CommandText(cmd::kEnable), "Disable Group");
    model.Execute(cmd::kEnable);
    EXPECT_EQ(app.Setup().m_groups[0]->m_enabled, 0);
    EXPECT_EQ(model.CommandText(cmd::kEnable), "Enable Group");
    model.SetThreadsSlider(0);
    model.Execute(cmd::kDoGroup);      // a disabled group can still be done by hand
    model.Execute(cmd::kDoAllGroups);  // but Do All skips it
    EXPECT_EQ(model.OutstandingItems(), 1);
}

TEST_F(MainModelTest, GroupFirstAndCrosspostsFeedTheRanges) {
    AddGroup("alt.pics");
    Start();
    queue.PostUntilAccepted(UWM_GROUP_FIRST, 0, new CGroupNumber("alt.pics", 50));
    auto chain = std::make_unique<CGroupNumber>("alt.pics", 70);
    chain->Append(std::make_unique<CGroupNumber>("alt.unknown", 3));
    queue.PostUntilAccepted(UWM_CROSSPOSTS, 0, chain.release());
    PumpFor(std::chrono::milliseconds(20));
    const CGroupRange* range = model.Store().Ranges().Find("alt.pics");
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->LowWater(), 50);
    EXPECT_TRUE(range->Contains(70));
    EXPECT_EQ(model.Store().Ranges().Find("alt.unknown"), nullptr);
    Header(70, "crossposted.jpg");  // already taken in through its other group
    Header(71, "new.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 1; }));
    EXPECT_TRUE(Listed("new.jpg"));
    EXPECT_EQ(app.Setup().m_groups[0]->m_highestArticle, 71);
}

TEST_F(MainModelTest, ResetWhileAJobRunsKeepsItsRecordUntilTheItemReturns) {
    AddGroup("alt.pics");
    Start();
    script.Hold("busy.jpg");
    Header(1, "busy.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 1; }));
    model.Execute(cmd::kGrabAll);
    ASSERT_TRUE(script.WaitStarted("busy.jpg"));
    model.Execute(cmd::kReset);
    EXPECT_EQ(model.Rows().Count(), 0u);
    EXPECT_EQ(model.QueuedLines(), 0);
    // The reset cancelled the job; the item comes back naming the record it kept.
    ASSERT_TRUE(PumpUntil([&] { return Quiet(); }));
}

TEST_F(MainModelTest, ThroughputCountsBeyondTwoGigabytes) {
    Start();
    queue.PostUntilAccepted(UWM_QUEUE_BUSY);
    PumpFor(std::chrono::milliseconds(10));
    app.Throughput().AddBytes(3'000'000'000LL);
    app.Throughput().AddBytes(3'000'000'000LL);
    Advance(3000);  // timer 10
    EXPECT_EQ(model.Pane(1), "cps: 2000000000");
}

TEST_F(MainModelTest, ClosingWhileIdleSavesWithoutAskingAndBusyNoKeepsRunning) {
    AddGroup("alt.pics");
    const std::string path = m_dir + "/close.cvn";
    settings.WriteString(kSectionData, kKeyLastFile, path);
    {
        CSetupFileContents contents;
        contents.m_setup->SetNewsServer("news.example");
        CRecordingPrompt quiet;
        ASSERT_TRUE(CSetupFile(quiet).Save(contents, path));
    }
    Start();
    EXPECT_EQ(model.FileName(), path);
    script.Hold("slow.jpg");
    AddGroup("alt.pics");
    Header(1, "slow.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 1; }));
    model.Execute(cmd::kGrabAll);
    ASSERT_TRUE(script.WaitStarted("slow.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return !model.Idle(); }));
    EXPECT_FALSE(model.IsEnabled(cmd::kOpen));
    EXPECT_FALSE(model.IsEnabled(cmd::kNew));

    prompt.SetAnswer(false);
    model.RequestClose();
    EXPECT_EQ(prompt.Questions().size(), 1u);
    EXPECT_FALSE(model.Closing());
    Advance(1000);
    EXPECT_EQ(model.Pane(3), "Queued Lines: 0000010");  // timer 1 still runs

    script.Release("slow.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Idle(); }));
    prompt.Clear();
    model.RequestClose();
    EXPECT_TRUE(prompt.Questions().empty());
    EXPECT_TRUE(PumpUntil([&] { return model.Ended(); }));
    EXPECT_TRUE(view.ended);
    EXPECT_FALSE(model.EndedByForce());
}

TEST_F(MainModelTest, TheForceQuestionComesAWholeIntervalAfterANoHoweverLongItWasOpen) {
    AddGroup("alt.pics");
    Start();
    script.Hold("stuck.jpg");
    Header(1, "stuck.jpg");
    ASSERT_TRUE(PumpUntil([&] { return model.Rows().Count() == 1; }));
    model.Execute(cmd::kGrabAll);
    ASSERT_TRUE(script.WaitStarted("stuck.jpg"));
    ASSERT_TRUE(PumpUntil([&] { return !model.Idle(); }));
    prompt.SetAnswer(true);  // stop everything and close
    model.RequestClose();
    ASSERT_TRUE(model.Closing());

    // Only the timers' messages are handled here: the workers' news that the manager has
    // stopped would end the window before the watchdog asks.
    std::vector<SMessage> held;
    auto handleTimers = [&](std::int64_t ms) {
        timers.Advance(ms);
        SMessage message;
        while (queue.TryGet(message)) {
            if (message.number == kTimerMessage) {
                model.HandleMessage(message);
            } else {
                held.push_back(message);
            }
        }
    };
    prompt.Clear();
    prompt.SetAnswer(false);
    bool first = true;
    // The user leaves the first question open for half a minute.
    prompt.SetWhileAsking([&] {
        if (first) timers.Advance(35000);
        first = false;
    });
    handleTimers(10000);
    EXPECT_EQ(prompt.Questions().size(), 1u);
    handleTimers(9999);
    EXPECT_EQ(prompt.Questions().size(), 1u);
    handleTimers(1);
    ASSERT_EQ(prompt.Questions().size(), 2u);
    EXPECT_FALSE(model.Ended());
    prompt.SetAnswer(true);
    handleTimers(10000);
    EXPECT_EQ(prompt.Questions().size(), 3u);
    EXPECT_TRUE(model.Ended());
    EXPECT_TRUE(model.EndedByForce());
    for (const SMessage& message : held) model.HandleMessage(message);
    script.Release("stuck.jpg");
    EXPECT_TRUE(PumpUntil([&] { return model.OutstandingItems() == 0; }));
}

}  // namespace
}  // namespace corvane::testsupport
