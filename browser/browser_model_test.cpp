#include "browser/browser_model.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "select/criteria_eval.h"

namespace corvane {
namespace {

class BrowserModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("corvane_browser_model_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // Logs a file (written to disk with `contents` unless null) and returns its path.
    std::string Log(const std::string& name, const std::string& author, const std::string& origin,
                    const char* contents = "") {
        const auto path = (m_dir / name).string();
        if (contents != nullptr) std::ofstream(path, std::ios::binary) << contents;
        auto entry = std::make_unique<CLogEntry>();
        entry->SetFileName(path);
        entry->SetNewsgroup("alt.binaries.test");
        entry->SetSubject("about " + name);
        entry->SetAuthor(author);
        entry->SetOrigin(origin);
        m_log.Add(std::move(entry));
        return path;
    }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    std::size_t LogSize() const { return m_log.Size(); }

    std::filesystem::path m_dir;
    CDownloadLog m_log;
    CRecordingPrompt m_prompt{false};
    CMemorySettingsStore m_store;
    int m_closedCalls = 0;
    CBrowserModel m_model{m_log, m_prompt, m_store, [this] { ++m_closedCalls; }};
};

TEST_F(BrowserModelTest, OpensOnTheStoredTabWithEverythingDisabled) {
    Log("b.jpg", "ann", "x.invalid");
    Log("A.gif", "bob", "y.invalid");
    Log("c.png", "ann", "x.invalid");

    m_model.Open();
    EXPECT_EQ(m_model.Tab(), EBrowserTab::kFilesDate);
    ASSERT_EQ(m_model.Tree().size(), 3u);
    EXPECT_EQ(m_model.Tree()[0].text, Path("c.png"));  // newest first
    EXPECT_EQ(m_model.Buttons(), SBrowserButtons{});
    EXPECT_TRUE(m_model.View().picturePath.empty());

    m_store.WriteInt("Data", "Curtab", 2);
    m_model.Open();
    EXPECT_EQ(m_model.Tab(), EBrowserTab::kFilesName);
    ASSERT_EQ(m_model.Tree().size(), 3u);
    EXPECT_EQ(m_model.Tree()[0].text, Path("A.gif"));
    EXPECT_EQ(m_model.Tree()[1].text, Path("b.jpg"));
    EXPECT_EQ(m_model.Tree()[2].text, Path("c.png"));

    m_store.WriteInt("Data", "Curtab", 9);
    m_model.Open();
    EXPECT_EQ(m_model.Tab(), EBrowserTab::kFilesDate);
}

TEST_F(BrowserModelTest, CloseStoresTabShrinkAndPlacementAndTellsTheMainWindow) {
    m_store.WriteInt("Data", "Shrink", 1);
    m_model.Open();
    EXPECT_TRUE(m_model.Shrink());
    EXPECT_EQ(m_model.Placement(), kBrowserPlacementDefaults);

    m_model.SelectTab(EBrowserTab::kOriginFile);
    m_model.SetShrink(false);
    SWindowPlacement moved = kBrowserPlacementDefaults;
    moved.left = 30;
    moved.right = 900;
    m_model.SetPlacement(moved);
    m_model.Close();

    EXPECT_EQ(m_closedCalls, 1);
    EXPECT_EQ(m_store.Value("Data", "Curtab"), "4");
    EXPECT_EQ(m_store.Value("Data", "Shrink"), "0");
    EXPECT_EQ(m_store.Value("Data", "wp2left"), "30");
    EXPECT_EQ(m_store.Value("Data", "wp2right"), "900");
    EXPECT_EQ(m_store.Value("Data", "wp2bottom"), "400");
    EXPECT_EQ(m_store.Value("Data", "wp2Length"), "44");
}

TEST_F(BrowserModelTest, ATxtFileShowsItsLinesAndATxtInMixedCaseIsAPicture) {
    Log("notes.txt", "ann", "x.invalid", "line one\r\nline two\r\n");
    Log("NOTES.TXT", "ann", "x.invalid", "upper\n");
    Log("odd.Txt", "bob", "y.invalid", "not shown as text\n");
    m_model.Open();  // newest first: odd.Txt, NOTES.TXT, notes.txt

    m_model.Select({2, SBrowserItemRef::kNone});
    EXPECT_TRUE(m_model.View().showList);
    EXPECT_EQ(m_model.View().lines, (std::vector<std::string>{"line one", "line two"}));

    m_model.Select({1, SBrowserItemRef::kNone});
    EXPECT_TRUE(m_model.View().showList);
    EXPECT_EQ(m_model.View().lines, (std::vector<std::string>{"upper"}));

    m_model.Select({0, SBrowserItemRef::kNone});
    EXPECT_FALSE(m_model.View().showList);
    EXPECT_TRUE(m_model.View().lines.empty());
    EXPECT_EQ(m_model.View().picturePath, Path("odd.Txt"));
}

TEST_F(BrowserModelTest, SelectingAFileFillsThePanesAndEnablesEveryCommand) {
    Log("a.jpg", "Ann <ann@example.invalid>", "news.example.invalid");
    m_model.Open();
    m_model.Select({0, SBrowserItemRef::kNone});

    const auto& panes = m_model.Panes();
    EXPECT_EQ(panes[0], "");
    EXPECT_EQ(panes[1], "alt.binaries.test");
    EXPECT_EQ(panes[2], "news.example.invalid");
    EXPECT_EQ(panes[3], "Ann <ann@example.invalid>");
    EXPECT_EQ(panes[4], "about a.jpg");
    EXPECT_EQ(m_model.Buttons(), (SBrowserButtons{true, true, true, true}));
    EXPECT_EQ(m_model.SelectedAuthor(), "Ann <ann@example.invalid>");
    EXPECT_EQ(m_model.SelectedOrigin(), "news.example.invalid");
    EXPECT_EQ(m_model.View().picturePath, Path("a.jpg"));
}

TEST_F(BrowserModelTest, ATextFileThatIsGoneShowsAnEmptyList) {
    Log("vanished.txt", "ann", "x.invalid", nullptr);
    m_model.Open();
    m_model.Select({0, SBrowserItemRef::kNone});
    EXPECT_TRUE(m_model.View().showList);
    EXPECT_TRUE(m_model.View().lines.empty());
    EXPECT_TRUE(m_model.Buttons().remove);
}

TEST_F(BrowserModelTest, AnAuthorNodeEnablesOnlyKillPersonWhichBansThatAuthor) {
    Log("a.jpg", "ann", "x.invalid");
    Log("b.jpg", "bob", "y.invalid");
    Log("c.jpg", "ann", "z.invalid");
    m_store.WriteInt("Data", "Curtab", 3);
    m_model.Open();
    ASSERT_EQ(m_model.Tree().size(), 2u);
    ASSERT_EQ(m_model.Tree()[0].children.size(), 2u);

    CSetup setup;
    m_model.Select({0, SBrowserItemRef::kNone});
    EXPECT_EQ(m_model.Buttons(), (SBrowserButtons{true, false, false, false}));
    EXPECT_FALSE(m_model.KillSite(setup));
    EXPECT_EQ(m_model.Remove(), CBrowserModel::ERemoveResult::kNothingSelected);
    EXPECT_TRUE(m_model.KillPerson(setup));

    ASSERT_EQ(setup.m_criteriaGroups.size(), 1u);
    const CCriteriaGroup& kill = *setup.m_criteriaGroups[0];
    EXPECT_EQ(kill.m_name, "Kill");
    ASSERT_EQ(kill.m_criteria.size(), 1u);
    EXPECT_EQ(kill.m_criteria[0]->m_field, CCriteria::kFieldAuthor);
    EXPECT_EQ(kill.m_criteria[0]->m_operator, kOpEqual);
    EXPECT_EQ(kill.m_criteria[0]->m_value, "ann");
    EXPECT_EQ(LogSize(), 3u);
}

TEST_F(BrowserModelTest, KillSiteOnAFileBansTheFilesOrigin) {
    Log("a.jpg", "ann", "x.invalid");
    Log("b.jpg", "bob", "y.invalid");
    m_store.WriteInt("Data", "Curtab", 4);
    m_model.Open();
    // Origin nodes: x.invalid, y.invalid; take bob's file below y.invalid.
    m_model.Select({1, 0});
    CSetup setup;
    EXPECT_TRUE(m_model.KillSite(setup));
    EXPECT_TRUE(m_model.KillPerson(setup));
    const CCriteriaGroup& kill = setup.FindKillGroup();
    ASSERT_EQ(kill.m_criteria.size(), 2u);
    EXPECT_EQ(kill.m_criteria[0]->m_field, CCriteria::kFieldOrigin);
    EXPECT_EQ(kill.m_criteria[0]->m_value, "y.invalid");
    EXPECT_EQ(kill.m_criteria[1]->m_field, CCriteria::kFieldAuthor);
    EXPECT_EQ(kill.m_criteria[1]->m_value, "bob");
}

TEST_F(BrowserModelTest, RemoveTakesTheEntryOutOfTheLogAndTheTreeButKeepsTheFile) {
    Log("a.jpg", "ann", "x.invalid");
    const auto kept = Log("b.jpg", "ann", "x.invalid");
    m_model.SelectTab(EBrowserTab::kPersonFile);
    m_model.Select({0, 1});

    EXPECT_EQ(m_model.Remove(), CBrowserModel::ERemoveResult::kRemoved);
    EXPECT_EQ(LogSize(), 1u);
    EXPECT_TRUE(std::filesystem::exists(kept));
    ASSERT_EQ(m_model.Tree().size(), 1u);
    ASSERT_EQ(m_model.Tree()[0].children.size(), 1u);
    EXPECT_EQ(m_model.Tree()[0].children[0].text, Path("a.jpg"));
    EXPECT_EQ(m_model.Entries().size(), 1u);
    EXPECT_FALSE(m_model.Buttons().remove);
    EXPECT_EQ(m_model.Remove(), CBrowserModel::ERemoveResult::kNothingSelected);

    m_model.Refresh();
    ASSERT_EQ(m_model.Tree()[0].children.size(), 1u);
    EXPECT_EQ(m_model.Tree()[0].children[0].text, Path("a.jpg"));
}

TEST_F(BrowserModelTest, RemoveFileDeletesTheFileTooEvenWhenItWasAlreadyGone) {
    const auto doomed = Log("a.jpg", "ann", "x.invalid");
    Log("gone.jpg", "ann", "x.invalid", nullptr);
    m_model.Open();

    m_model.Select({1, SBrowserItemRef::kNone});  // a.jpg, the older one
    EXPECT_EQ(m_model.RemoveFile(), CBrowserModel::ERemoveResult::kRemoved);
    EXPECT_FALSE(std::filesystem::exists(doomed));
    EXPECT_TRUE(m_model.View().picturePath.empty());

    m_model.Select({0, SBrowserItemRef::kNone});
    EXPECT_EQ(m_model.RemoveFile(), CBrowserModel::ERemoveResult::kRemoved);
    EXPECT_EQ(LogSize(), 0u);
    EXPECT_TRUE(m_model.Tree().empty());
}

TEST_F(BrowserModelTest, RemoveFileNeverDeletesADirectoryALogEntryNames) {
    std::filesystem::create_directories(m_dir / "folder");
    Log("folder", "ann", "x.invalid", nullptr);
    m_model.Open();
    m_model.Select({0, SBrowserItemRef::kNone});
    EXPECT_EQ(m_model.RemoveFile(), CBrowserModel::ERemoveResult::kFileNotDeleted);
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "folder"));
    EXPECT_EQ(LogSize(), 0u);
}

TEST_F(BrowserModelTest, RemovingAnEntryTheLogNoLongerHoldsLeavesTheLogAlone) {
    Log("a.jpg", "ann", "x.invalid");
    m_model.Open();
    m_model.Select({0, SBrowserItemRef::kNone});
    m_log.Clear();  // a setup file was loaded meanwhile
    Log("new.jpg", "bob", "y.invalid");

    EXPECT_EQ(m_model.Remove(), CBrowserModel::ERemoveResult::kNotLogged);
    EXPECT_EQ(LogSize(), 1u);
    EXPECT_TRUE(m_model.Tree().empty());
}

TEST_F(BrowserModelTest, EmptyLogAnsweredNoChangesNothing) {
    const auto path = Log("a.jpg", "ann", "x.invalid");
    Log("b.txt", "bob", "y.invalid", "text\n");
    m_model.Open();
    m_model.Select({0, SBrowserItemRef::kNone});
    const SBrowserButtons before = m_model.Buttons();

    EXPECT_FALSE(m_model.EmptyLog());
    ASSERT_EQ(m_prompt.Questions().size(), 1u);
    EXPECT_EQ(m_prompt.Questions()[0], "Are you sure? This will completely empty the log");
    EXPECT_EQ(LogSize(), 2u);
    EXPECT_EQ(m_model.Tree().size(), 2u);
    EXPECT_EQ(m_model.Buttons(), before);
    EXPECT_EQ(m_model.View().lines, (std::vector<std::string>{"text"}));
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(BrowserModelTest, EmptyLogAnsweredYesEmptiesTheLogButKeepsTheFiles) {
    const auto path = Log("a.jpg", "ann", "x.invalid");
    m_model.Open();
    m_prompt.SetAnswer(true);
    EXPECT_TRUE(m_model.EmptyLog());
    EXPECT_EQ(LogSize(), 0u);
    EXPECT_TRUE(m_model.Tree().empty());
    EXPECT_TRUE(m_model.Entries().empty());
    EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(BrowserModelTest, RefreshShowsEntriesAddedSinceTheWindowOpened) {
    m_model.Open();
    EXPECT_TRUE(m_model.Tree().empty());
    Log("late.jpg", "ann", "x.invalid");
    EXPECT_TRUE(m_model.Tree().empty());
    m_model.Refresh();
    ASSERT_EQ(m_model.Tree().size(), 1u);
    EXPECT_EQ(m_model.Tree()[0].text, Path("late.jpg"));
}

TEST_F(BrowserModelTest, SelectionsAreIgnoredWhileTheTreeIsBuiltAndOutsideIt) {
    Log("a.jpg", "ann", "x.invalid");
    m_model.Open();
    m_model.SetTreeBuilding(true);
    m_model.Select({0, SBrowserItemRef::kNone});
    EXPECT_EQ(m_model.Buttons(), SBrowserButtons{});
    EXPECT_TRUE(m_model.View().picturePath.empty());
    m_model.SetTreeBuilding(false);
    m_model.Select({5, SBrowserItemRef::kNone});
    EXPECT_EQ(m_model.Buttons(), SBrowserButtons{});
}

TEST_F(BrowserModelTest, ExpandingANodeSwitchesItsIconAndFilesHaveNone) {
    Log("a.jpg", "ann", "x.invalid");
    m_model.SelectTab(EBrowserTab::kPersonFile);
    m_model.SetExpanded({0, SBrowserItemRef::kNone}, true);
    EXPECT_EQ(m_model.Tree()[0].icon, kIconExpanded);
    m_model.SetExpanded({0, 0}, true);
    EXPECT_EQ(m_model.Tree()[0].children[0].icon, kIconPicture);
    m_model.SetExpanded({0, SBrowserItemRef::kNone}, false);
    EXPECT_EQ(m_model.Tree()[0].icon, kIconCollapsed);
}

}  // namespace
}  // namespace corvane
