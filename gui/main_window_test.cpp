// The main window driven through its real widgets, offscreen: menus and their enabling, the
// context menus, the accelerators, the file commands through the prompt's dialogs, the tabs,
// the placement and column widths, and closing.
#include <QAbstractItemModel>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "app/commands.h"
#include "app/settings_keys.h"
#include "gui/main_window_test_support.h"

namespace corvane::testsupport {
namespace {

using namespace std::chrono_literals;

// The command numbers of a menu in order, 0 for a separator.
std::vector<int> MenuCommands(const QMenu& menu) {
    std::vector<int> ids;
    for (QAction* action : menu.actions())
        ids.push_back(action->isSeparator() ? 0 : action->data().toInt());
    return ids;
}

QMenu* MenuNamed(CMainWindow& window, const char* name) {
    return window.findChild<QMenu*>(name);
}

QAction* ContextEntry(QMenu& menu, int command) {
    return menu.findChild<QAction*>(QString("context%1").arg(command));
}

void ClickRow(QTableView& view, int row) {
    const QRect rect = view.visualRect(view.model()->index(row, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

class MainWindowTest : public ::testing::Test {
protected:
    void ListArticles(int count) {
        for (int n = 1; n <= count; ++n) h.Header(n, "file" + std::to_string(n) + ".jpg");
        ASSERT_TRUE(h.PumpUntil([&] { return h.model.Rows().Count() == std::size_t(count); }));
    }
    QTableView& Articles() { return *h.window.findChild<QTableView*>("articleList"); }
    QTableView& Groups() { return *h.window.findChild<QTableView*>("groupList"); }

    CWindowHarness h;
};

TEST_F(MainWindowTest, MenusHoldTheCommandsInOrderWithTheirTexts) {
    h.Start();
    const QList<QAction*> titles = h.window.menuBar()->actions();
    ASSERT_EQ(titles.size(), 5);
    EXPECT_EQ(titles[0]->text(), "&File");
    EXPECT_EQ(titles[1]->text(), "&Groups");
    EXPECT_EQ(titles[2]->text(), "&Articles");
    EXPECT_EQ(titles[3]->text(), "&Tools");
    EXPECT_EQ(titles[4]->text(), "&Help");
    EXPECT_EQ(MenuCommands(*MenuNamed(h.window, "fileMenu")),
              (std::vector<int>{1070, 1047, 1048, 32780, 0, 32833}));
    EXPECT_EQ(MenuCommands(*MenuNamed(h.window, "groupsMenu")),
              (std::vector<int>{1044, 1041, 1060, 0, 1058}));
    EXPECT_EQ(MenuCommands(*MenuNamed(h.window, "articlesMenu")),
              (std::vector<int>{32826, 32832, 1059, 1013, 1100, 0, 1035, 1141, 1067, 1068, 0, 1074,
                                1073, 0, 32825}));
    EXPECT_EQ(MenuCommands(*MenuNamed(h.window, "toolsMenu")),
              (std::vector<int>{1162, 1002, 32831, 0, 32834, 0, 1124, 32815, 0, 32827}));
    EXPECT_EQ(MenuCommands(*MenuNamed(h.window, "helpMenu")), (std::vector<int>{57670, 0, 32783}));

    EXPECT_EQ(h.window.Action(cmd::kNew)->text(), "&New");
    EXPECT_EQ(h.window.Action(cmd::kTextAttachment)->text(), "Text  <--> Attachment");
    EXPECT_EQ(h.window.Action(cmd::kDoAllGroups)->toolTip(), "Process all enabled newsgroups");
    EXPECT_EQ(h.window.Action(cmd::kGrabSelected)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_EQ(h.window.Action(cmd::kAutomate)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    EXPECT_EQ(h.window.Action(cmd::kExit)->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));

    // The toolbar: 17 buttons in groups, Exit last on the large toolbar.
    QToolBar* toolbar = h.window.findChild<QToolBar*>("toolbar");
    std::vector<int> buttons;
    for (QAction* action : toolbar->actions())
        buttons.push_back(action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(buttons, (std::vector<int>{1070, 1047, 1048, 0,    1124, 1002,  1162, 0,
                                         1060, 1041, 1044, 0,    1059, 1013,  1035, 1067,
                                         1068, 0,    1073, 1074, 0,    57670, 32833}));
}

TEST_F(MainWindowTest, ArticleCommandsNeedASelectionWithACurrentRow) {
    h.Start();
    ListArticles(3);
    QMenu* articles = MenuNamed(h.window, "articlesMenu");
    emit articles->aboutToShow();
    for (int id :
         {cmd::kGrabSelected, cmd::kRemoveSelected, cmd::kKillPerson, cmd::kCancelSelected})
        EXPECT_FALSE(h.window.Action(id)->isEnabled()) << id;
    EXPECT_TRUE(h.window.Action(cmd::kGrabAll)->isEnabled());

    ClickRow(Articles(), 1);
    ASSERT_TRUE(h.model.Rows().Current() != nullptr);
    EXPECT_EQ(h.model.Rows().Current()->Subject(), "file2.jpg");
    emit articles->aboutToShow();
    EXPECT_TRUE(h.window.Action(cmd::kGrabSelected)->isEnabled());
    EXPECT_TRUE(h.window.Action(cmd::kRemoveSelected)->isEnabled());
    // Not queued yet: nothing to cancel.
    EXPECT_FALSE(h.window.Action(cmd::kCancelSelected)->isEnabled());

    // The context menu reads the same state, under its own texts.
    std::unique_ptr<QMenu> context = h.window.ArticleContextMenu();
    ASSERT_NE(ContextEntry(*context, cmd::kGrabSelected), nullptr);
    EXPECT_EQ(ContextEntry(*context, cmd::kGrabSelected)->text(), "Download Article");
    EXPECT_TRUE(ContextEntry(*context, cmd::kGrabSelected)->isEnabled());
    EXPECT_EQ(ContextEntry(*context, cmd::kDownloadFirst)->text(), "Download Article First");
    EXPECT_EQ(ContextEntry(*context, cmd::kCancelSelected)->text(), "Cancel Download");
    EXPECT_FALSE(ContextEntry(*context, cmd::kCancelSelected)->isEnabled());
    EXPECT_EQ(context->actions().size(), 11);
}

TEST_F(MainWindowTest, NewAndOpenAreDisabledWhileWorkRuns) {
    h.AddGroup("alt.pics");
    h.Start();
    ListArticles(1);
    h.script.Hold("file1.jpg");
    ClickRow(Articles(), 0);
    // Double-clicking the row grabs it.
    const QRect rect = Articles().visualRect(Articles().model()->index(0, 1));
    QTest::mouseDClick(Articles().viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    ASSERT_TRUE(h.script.WaitStarted("file1.jpg"));
    ASSERT_TRUE(h.PumpUntil([&] { return !h.model.Idle(); }));

    QMenu* file = MenuNamed(h.window, "fileMenu");
    emit file->aboutToShow();
    EXPECT_FALSE(h.window.Action(cmd::kNew)->isEnabled());
    EXPECT_FALSE(h.window.Action(cmd::kOpen)->isEnabled());
    EXPECT_TRUE(h.window.Action(cmd::kSave)->isEnabled());
    // A disabled action does nothing even when triggered from code.
    h.window.Action(cmd::kOpen)->trigger();
    EXPECT_TRUE(h.fileDialogs.empty());

    // The queued article can be cancelled from the Articles menu now.
    emit MenuNamed(h.window, "articlesMenu")->aboutToShow();
    EXPECT_TRUE(h.window.Action(cmd::kCancelSelected)->isEnabled());

    h.script.Release("file1.jpg");
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.Idle() && h.model.OutstandingItems() == 0; }));
    // The toolbar follows on its own once the window is idle again.
    ASSERT_TRUE(h.PumpUntil([&] { return h.window.Action(cmd::kNew)->isEnabled(); }));
    EXPECT_TRUE(h.window.Action(cmd::kOpen)->isEnabled());
}

TEST_F(MainWindowTest, GroupListSelectionDrivesTheGroupCommandsAndTheEnableEntry) {
    h.AddGroup("alt.on", true);
    h.AddGroup("alt.off", false);
    h.Start();
    ASSERT_EQ(Groups().model()->rowCount(), 2);
    std::unique_ptr<QMenu> menu = h.window.GroupContextMenu();
    // No row chosen yet: Process Group is off and Enable does nothing harmful.
    EXPECT_FALSE(ContextEntry(*menu, cmd::kDoGroup)->isEnabled());
    EXPECT_EQ(ContextEntry(*menu, cmd::kDoAllGroups)->text(), "Process all groups");

    ClickRow(Groups(), 1);
    EXPECT_EQ(h.model.SelectedGroup(), 1);
    menu = h.window.GroupContextMenu();
    EXPECT_EQ(ContextEntry(*menu, cmd::kEnable)->text(), "Enable Group");
    EXPECT_TRUE(ContextEntry(*menu, cmd::kDoGroup)->isEnabled());
    ContextEntry(*menu, cmd::kEnable)->trigger();
    EXPECT_EQ(h.app.Setup().m_groups[1]->m_enabled, 1);
    EXPECT_EQ(Groups().model()->index(1, 1).data().toString(), "Enabled");
    EXPECT_EQ(h.window.GroupContextMenu()->findChild<QAction*>("context32835")->text(),
              "Disable Group");

    // A double click processes the group: its headers job is queued.
    h.script.Hold("2 alt.off");
    const QRect rect = Groups().visualRect(Groups().model()->index(1, 0));
    // A double click begins with a press on the same cell.
    QTest::mouseClick(Groups().viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(Groups().viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    EXPECT_TRUE(h.script.WaitStarted("2 alt.off"));
    h.script.Release("2 alt.off");
}

TEST_F(MainWindowTest, AcceleratorsFireTheirCommands) {
    h.AddGroup("alt.pics");
    h.Start();
    ListArticles(3);
    ASSERT_TRUE(h.ShowActive());
    Articles().setFocus();

    QTest::keyClick(&Articles(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(h.model.Rows().Selected().size(), 3u);
    QTest::keyClick(&Articles(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(h.model.Rows().Selected().empty());
    EXPECT_TRUE(Articles().selectionModel()->selectedRows().isEmpty());

    ClickRow(Articles(), 0);
    QTest::keyClick(&Articles(), Qt::Key_Delete);
    EXPECT_EQ(h.model.Rows().Count(), 2u);
    EXPECT_EQ(Articles().model()->rowCount(), 2);

    // Ctrl+Enter grabs; with threads at 0 the item waits in the queue.
    h.model.SetThreadsSlider(0);
    ClickRow(Articles(), 0);
    QTest::keyClick(&Articles(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(h.model.OutstandingItems(), 1);
    EXPECT_TRUE(h.model.Rows().At(0)->Queued());
    // Ctrl+C cancels the selected download.
    QTest::keyClick(&Articles(), Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.OutstandingItems() == 0; }));

    // Enter and Escape leave the window as it is.
    QTest::keyClick(&h.window, Qt::Key_Escape);
    QTest::keyClick(&h.window, Qt::Key_Return);
    EXPECT_TRUE(h.window.isVisible());
    EXPECT_FALSE(h.model.Closing());
}

TEST_F(MainWindowTest, OptionsAndHelpAcceleratorsOpenTheirDialogs) {
    int helps = 0;
    int options = 0;
    SMainWindowDialogs dialogs;
    dialogs.showHelp = [&](QWidget*) { ++helps; };
    dialogs.runOptions = [&](QWidget*, CSetup& copy, ISettingsStore&) {
        ++options;
        copy.m_showThumbnails = 0;
        return true;
    };
    h.window.SetDialogs(dialogs);
    h.Start();
    ASSERT_TRUE(h.ShowActive());
    QTabWidget* tabs = h.window.findChild<QTabWidget*>("workerTabs");
    tabs->setCurrentIndex(1);
    EXPECT_TRUE(tabs->tabBar()->isEnabled());

    QTest::keyClick(&h.window, Qt::Key_F1);
    EXPECT_EQ(helps, 1);
    QTest::keyClick(&h.window, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(options, 1);
    // The sheet switched thumbnails off: back to the Threads tab, and the bar is disabled.
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_FALSE(tabs->tabBar()->isEnabled());
    EXPECT_EQ(tabs->tabText(0), "Threads");
    EXPECT_EQ(tabs->tabText(1), "Thumbnails");
}

TEST_F(MainWindowTest, SaveAsAndOpenGoThroughTheFileDialogs) {
    h.AddGroup("alt.saved");
    h.Start();
    const std::string path = h.m_dir + "/mine.cvn";
    h.fileAnswers = {path};
    h.window.Action(cmd::kSaveAs)->trigger();
    ASSERT_EQ(h.fileDialogs, std::vector<IPrompt::EFileDialog>{IPrompt::EFileDialog::kSave});
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(h.model.FileName(), path);

    // New asks to save first (No), then the group list is empty.
    h.window.Action(cmd::kNew)->trigger();
    EXPECT_EQ(h.questions.size(), 1u);
    EXPECT_EQ(Groups().model()->rowCount(), 0);

    h.fileAnswers = {path};
    h.window.Action(cmd::kOpen)->trigger();
    ASSERT_EQ(h.fileDialogs.size(), 2u);
    EXPECT_EQ(h.fileDialogs[1], IPrompt::EFileDialog::kOpen);
    ASSERT_EQ(Groups().model()->rowCount(), 1);
    EXPECT_EQ(Groups().model()->index(0, 0).data().toString(), "alt.saved");
    EXPECT_TRUE(h.messages.empty());

    // A cancelled open dialog changes nothing.
    h.window.Action(cmd::kOpen)->trigger();
    EXPECT_EQ(h.model.FileName(), path);
}

TEST_F(MainWindowTest, FieldsFollowTheModelAndFeedIt) {
    h.Start();
    QLineEdit* savePath = h.window.findChild<QLineEdit*>("savePath");
    QSlider* threads = h.window.findChild<QSlider*>("threadsSlider");
    EXPECT_EQ(savePath->text().toStdString(), h.model.SavePathField());
    EXPECT_EQ(threads->minimum(), 0);
    EXPECT_EQ(threads->maximum(), 8);

    savePath->clear();
    QTest::keyClicks(savePath, "/tmp/elsewhere");
    EXPECT_EQ(h.model.SavePathField(), "/tmp/elsewhere");
    EXPECT_EQ(h.app.Setup().SavePath(), "/tmp/elsewhere");

    threads->setValue(5);
    EXPECT_EQ(h.app.Setup().m_threads, 5);
    // Options replaced the setup: the slider shows the new count.
    SMainWindowDialogs dialogs;
    dialogs.runOptions = [](QWidget*, CSetup& copy, ISettingsStore&) {
        copy.m_threads = 2;
        return true;
    };
    h.window.SetDialogs(dialogs);
    h.window.Action(cmd::kOptions)->trigger();
    h.model.SetThreadsSlider(h.model.Setup().m_threads);
    h.window.OnFieldsChanged();
    EXPECT_EQ(threads->value(), 2);
}

TEST_F(MainWindowTest, StatusBarHasEightPanesAndShowsThem) {
    h.Start();
    for (int pane = 0; pane < CMainModel::kPaneCount; ++pane)
        ASSERT_NE(h.window.findChild<QLabel*>(QString("pane%1").arg(pane)), nullptr) << pane;
    h.window.OnPaneChanged(4, "Connected");
    EXPECT_EQ(h.window.findChild<QLabel*>("pane4")->text(), "Connected");
    EXPECT_TRUE(h.window.findChild<QLabel*>("pane0")->text().isEmpty());
    // Out-of-range panes from a damaged message are ignored.
    h.window.OnPaneChanged(8, "x");
    h.window.OnPaneChanged(-1, "x");
}

TEST_F(MainWindowTest, LargeToolbarCommandSwitchesTheButtonSize) {
    h.Start();
    QToolBar* toolbar = h.window.findChild<QToolBar*>("toolbar");
    EXPECT_EQ(toolbar->iconSize(), QSize(32, 30));
    emit MenuNamed(h.window, "toolsMenu")->aboutToShow();
    EXPECT_TRUE(h.window.Action(cmd::kLargeToolbar)->isChecked());
    h.window.Action(cmd::kLargeToolbar)->trigger();
    EXPECT_EQ(toolbar->iconSize(), QSize(16, 15));
    EXPECT_EQ(h.settings.ReadInt(kSectionData, kKeyBigTool, 1), 0);
    emit MenuNamed(h.window, "toolsMenu")->aboutToShow();
    EXPECT_FALSE(h.window.Action(cmd::kLargeToolbar)->isChecked());
}

TEST_F(MainWindowTest, ClosingAsksTheModelAndTheWindowGoesWhenItEnds) {
    h.Start();
    ASSERT_TRUE(h.ShowActive());
    h.window.close();
    // The close request went to the model; the window stays until the model has ended.
    EXPECT_TRUE(h.model.Closing());
    EXPECT_TRUE(h.window.isVisible());
    ASSERT_TRUE(h.PumpUntil([&] { return h.model.Ended(); }));
    EXPECT_FALSE(h.window.isVisible());
    // Idle close: no question, the save dialog was offered for the untitled setup.
    EXPECT_TRUE(h.questions.empty());
    EXPECT_EQ(h.fileDialogs.size(), 1u);
    // The placement was written on the way out.
    EXPECT_NE(h.settings.ReadInt(kSectionData, "wpright", -12345), -12345);
}

TEST(MainWindowPlacement, StoredValuesMapOntoGeometry) {
    SWindowPlacement stored = kMainPlacementDefaults;
    stored.left = 40;
    stored.top = 30;
    stored.right = 840;
    stored.bottom = 630;
    EXPECT_EQ(PlacementNormalRect(stored), QRect(40, 30, 800, 600));
    EXPECT_FALSE(PlacementMaximized(stored));
    stored.showCmd = 3;
    EXPECT_TRUE(PlacementMaximized(stored));

    // Rectangles no window could have fall back to the defaults.
    SWindowPlacement broken = stored;
    broken.right = broken.left - 5;
    EXPECT_EQ(PlacementNormalRect(broken), QRect(0, 0, 773, 470));
    broken = stored;
    broken.bottom = 2000000000;
    broken.top = -2000000000;
    EXPECT_EQ(PlacementNormalRect(broken), QRect(0, 0, 773, 470));

    // Saving keeps the fields Qt has no use for.
    SWindowPlacement previous = kMainPlacementDefaults;
    previous.flags = 2;
    previous.minX = 7;
    const SWindowPlacement saved = PlacementOf(QRect(10, 20, 300, 200), true, false, previous);
    EXPECT_EQ(saved.flags, 2);
    EXPECT_EQ(saved.minX, 7);
    EXPECT_EQ(saved.showCmd, 3);
    EXPECT_EQ(saved.left, 10);
    EXPECT_EQ(saved.top, 20);
    EXPECT_EQ(saved.right, 310);
    EXPECT_EQ(saved.bottom, 220);
    EXPECT_EQ(PlacementOf(QRect(0, 0, 200, 200), false, false, previous).showCmd, 1);
}

TEST(MainWindowPlacement, ColumnWidthsAndPlacementAreRestoredAndWritten) {
    CWindowHarness h;
    // The harness read the defaults; a second window over settings with stored values
    // shows those.
    h.settings.WriteInt(kSectionColumns, kColumnSubject.name, 333);
    h.settings.WriteInt(kSectionColumns, kColumnStatus.name, -4);  // damaged: default
    SavePlacement(h.settings, kMainPlacementPrefix,
                  SWindowPlacement{44, 0, 1, -1, -1, -1, -1, 50, 60, 650, 560});
    CMainWindow second(h.app);
    CJobScript script;
    CMessageQueue queue(100);
    CManualTimerService timers(h.clock, queue);
    {
        CMainModel model(h.app, queue, timers, second, nullptr,
                         [&script](int) { return std::make_unique<CScriptedWorker>(script); });
        second.Attach(model);
        auto* articles = second.findChild<QTableView*>("articleList");
        auto* groups = second.findChild<QTableView*>("groupList");
        EXPECT_EQ(articles->columnWidth(1), 333);
        EXPECT_EQ(groups->columnWidth(1), kColumnStatus.defaultWidth);
        EXPECT_EQ(groups->columnWidth(0), kColumnGroup.defaultWidth);
        EXPECT_EQ(second.geometry().size(), QSize(600, 500));

        articles->setColumnWidth(4, 77);
        second.Detach();
    }
    EXPECT_EQ(h.settings.ReadInt(kSectionColumns, kColumnLines.name, 0), 77);
    EXPECT_EQ(h.settings.ReadInt(kSectionColumns, kColumnSubject.name, 0), 333);
    EXPECT_EQ(LoadPlacement(h.settings, kMainPlacementPrefix).right -
                  LoadPlacement(h.settings, kMainPlacementPrefix).left,
              600);
}

}  // namespace
}  // namespace corvane::testsupport
