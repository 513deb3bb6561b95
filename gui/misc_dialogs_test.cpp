// The Auto, Find and Import dialogs, the import's progress window and the help window, driven
// through their real widgets.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gui/auto_dialog.h"
#include "gui/find_dialog.h"
#include "gui/help_window.h"
#include "gui/import_dialog.h"

namespace corvane {
namespace {

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Clicks near the left edge: a check box or choice stretched across its row answers only over
// its box and text, not at the middle of the row.
void Click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void Retype(QLineEdit* field, const char* text) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, QString::fromUtf8(text));
}

// Closes the next message box that comes up (while a handler waits in it) and keeps its text.
class CMessageBoxCatcher : public QObject {
public:
    CMessageBoxCatcher() {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            m_texts.push_back(box->text().toStdString());
            box->accept();
        });
        m_timer.start();
    }
    const std::vector<std::string>& Texts() const { return m_texts; }

private:
    QTimer m_timer;
    std::vector<std::string> m_texts;
};

CSetup AutoSetup() {
    CSetup setup;
    setup.m_delayStart = 1;
    setup.m_delayStartSeconds = 3723;  // 01:02:03
    setup.m_shutDownMode = CSetup::kNoShutDown;
    setup.m_shutDownAfterSeconds = 60;
    setup.m_autoQueueArticles = 1;
    setup.m_processArticlesBeforeGroups = 0;
    setup.m_hideWhileDownloading = 1;
    setup.m_queueEverythingOnEngage = 1;
    return setup;
}

TEST(AutoDialog, ShowsTheSetupAndDisablesWhatCannotBeChosen) {
    const CSetup setup = AutoSetup();
    CAutoDialogModel model(setup, /*dialupConnected=*/false);
    CAutoDialog dialog(nullptr, model);
    EXPECT_EQ(dialog.windowTitle(), "Auto");
    EXPECT_FALSE(Child<QCheckBox>(dialog, "hangUpWhenFinished")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(dialog, "hideWhileDownloading")->isEnabled());
    EXPECT_TRUE(Child<QCheckBox>(dialog, "hideWhileDownloading")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(dialog, "delayStart")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(dialog, "delayStartTime")->text(), "01:02:03");
    EXPECT_EQ(Child<QLineEdit>(dialog, "shutDownAfterTime")->text(), "00:01:00");
    // A stored mode that is neither choice leaves both buttons off.
    EXPECT_FALSE(Child<QRadioButton>(dialog, "shutDownAfter")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(dialog, "shutDownWhenIdle")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(dialog, "processArticlesBeforeGroups")->isChecked());

    CAutoDialogModel connected(setup, /*dialupConnected=*/true);
    CAutoDialog withLine(nullptr, connected);
    EXPECT_TRUE(Child<QCheckBox>(withLine, "hangUpWhenFinished")->isEnabled());
}

TEST(AutoDialog, EngageWithAnInvalidTimeStaysOpenWithTheFieldFocused) {
    const CSetup setup = AutoSetup();
    CAutoDialogModel model(setup, false);
    CAutoDialog dialog(nullptr, model);
    dialog.show();
    QLineEdit* shutDown = Child<QLineEdit>(dialog, "shutDownAfterTime");
    Retype(shutDown, "00:60:00");
    {
        CMessageBoxCatcher catcher;
        Click(Child<QPushButton>(dialog, "engageButton"));
        EXPECT_EQ(catcher.Texts(), std::vector<std::string>{"Invalid Time"});
    }
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(model.IsOpen());
    EXPECT_EQ(dialog.focusWidget(), shutDown);

    // The delay field comes first, so it is the one blamed when both are wrong.
    QLineEdit* delay = Child<QLineEdit>(dialog, "delayStartTime");
    Retype(delay, "1:00:00");
    {
        CMessageBoxCatcher catcher;
        Click(Child<QPushButton>(dialog, "closeButton"));
        EXPECT_EQ(catcher.Texts(), std::vector<std::string>{"Invalid Time"});
    }
    EXPECT_EQ(dialog.focusWidget(), delay);

    Retype(delay, "00:00:05");
    Retype(shutDown, "23:59:59");
    Click(Child<QRadioButton>(dialog, "shutDownAfter"));
    Click(Child<QPushButton>(dialog, "engageButton"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Outcome(), EAutoResult::kEngage);
    CSetup applied(setup);
    model.ApplyTo(applied);
    EXPECT_EQ(applied.m_delayStartSeconds, 5);
    EXPECT_EQ(applied.m_shutDownAfterSeconds, 86399);
    EXPECT_EQ(applied.m_shutDownMode, CSetup::kShutDownAfterTime);
}

TEST(AutoDialog, EscapeKeepsTheValuesItWasOpenedWith) {
    const CSetup setup = AutoSetup();
    CAutoDialogModel model(setup, true);
    CAutoDialog dialog(nullptr, model);
    dialog.show();
    Click(Child<QCheckBox>(dialog, "hangUpWhenFinished"));
    Click(Child<QCheckBox>(dialog, "delayStart"));
    Click(Child<QRadioButton>(dialog, "shutDownWhenIdle"));
    Retype(Child<QLineEdit>(dialog, "delayStartTime"), "05:00:00");
    // The edits took hold before Escape, so it is Escape that drops them.
    ASSERT_TRUE(Child<QCheckBox>(dialog, "hangUpWhenFinished")->isChecked());
    ASSERT_FALSE(Child<QCheckBox>(dialog, "delayStart")->isChecked());
    ASSERT_TRUE(Child<QRadioButton>(dialog, "shutDownWhenIdle")->isChecked());
    QTest::keyClick(&dialog, Qt::Key_Escape);

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Outcome(), EAutoResult::kEscape);
    CSetup applied(setup);
    applied.m_delayStart = 0;
    applied.m_shutDownMode = CSetup::kShutDownAfterTime;
    model.ApplyTo(applied);
    EXPECT_EQ(applied.m_autoHangUp, 0);
    EXPECT_EQ(applied.m_delayStart, 1);
    EXPECT_EQ(applied.m_delayStartSeconds, 3723);
    EXPECT_EQ(applied.m_shutDownMode, CSetup::kNoShutDown);
}

TEST(AutoDialog, CloseTakesTheEditsWithoutEngaging) {
    const CSetup setup = AutoSetup();
    CAutoDialogModel model(setup, false);
    CAutoDialog dialog(nullptr, model);
    dialog.show();
    Click(Child<QRadioButton>(dialog, "shutDownWhenIdle"));
    Click(Child<QCheckBox>(dialog, "queueEverythingOnEngage"));
    Click(Child<QPushButton>(dialog, "closeButton"));
    EXPECT_EQ(dialog.Outcome(), EAutoResult::kClose);
    CSetup applied(setup);
    model.ApplyTo(applied);
    EXPECT_EQ(applied.m_shutDownMode, CSetup::kShutDownWhenIdle);
    EXPECT_EQ(applied.m_queueEverythingOnEngage, 0);
}

TEST(AutoDialog, RunAnswersEscapeWhenTheModalDialogIsDismissed) {
    const CSetup setup = AutoSetup();
    CAutoDialogModel model(setup, false);
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), "autoDialog");
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(RunAutoDialog(nullptr, model), EAutoResult::kEscape);
    EXPECT_FALSE(model.IsOpen());
}

TEST(AutoDialog, HelpOpensTheManualAtAutoMode) {
    const CSetup setup = AutoSetup();
    CAutoDialogModel model(setup, false);
    CAutoDialog dialog(nullptr, model);
    dialog.show();
    Click(Child<QPushButton>(dialog, "helpButton"));
    auto* help = dialog.findChild<CHelpWindow*>("helpWindow");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Browser()->textCursor().block().text(), "Auto mode");
    EXPECT_TRUE(model.IsOpen());
}

// Article rows as the main window would show them, remembering what was selected.
class CFakeRows : public IFindRows {
public:
    explicit CFakeRows(std::vector<std::string> subjects) : m_subjects(std::move(subjects)) {}
    std::size_t RowCount() const override { return m_subjects.size(); }
    std::string SubjectAt(std::size_t row) const override { return m_subjects.at(row); }
    void SelectAndFocus(std::size_t row) override { m_selected.insert(row); }
    void ScrollIntoView(std::size_t row) override { m_scrolledTo = row; }

    std::set<std::size_t> m_selected;
    std::size_t m_scrolledTo = 999;

private:
    std::vector<std::string> m_subjects;
};

TEST(FindDialog, TheFindButtonReadsFindNextUntilTheMatchesRunOut) {
    CFindState state;
    CFakeRows rows({"ABC.JPG", "other", "xabc.gif"});
    CRecordingPrompt prompt;
    CFindDialog dialog(nullptr, state, rows, prompt);
    dialog.show();
    QPushButton* find = Child<QPushButton>(dialog, "findButton");
    EXPECT_EQ(find->text(), "&Find");
    QTest::keyClicks(Child<QLineEdit>(dialog, "findText"), "abc");

    Click(find);
    EXPECT_EQ(find->text(), "Find &Next");
    EXPECT_EQ(rows.m_selected, (std::set<std::size_t>{0}));
    Click(find);
    EXPECT_EQ(rows.m_selected, (std::set<std::size_t>{0, 2}));
    EXPECT_EQ(rows.m_scrolledTo, 2u);
    Click(find);
    EXPECT_EQ(find->text(), "&Find");

    // Editing the text starts over: the label goes back at once.
    Click(find);
    EXPECT_EQ(find->text(), "Find &Next");
    QTest::keyClick(Child<QLineEdit>(dialog, "findText"), Qt::Key_Backspace);
    EXPECT_EQ(find->text(), "&Find");
    EXPECT_EQ(state.SearchText(), "ab");
    EXPECT_TRUE(prompt.Messages().empty());
}

TEST(FindDialog, ReturnInTheTextFieldPressesFind) {
    CFindState state;
    CFakeRows rows({"one", "two"});
    CRecordingPrompt prompt;
    CFindDialog dialog(nullptr, state, rows, prompt);
    dialog.show();
    QLineEdit* text = Child<QLineEdit>(dialog, "findText");
    QTest::keyClicks(text, "two");
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(rows.m_selected, (std::set<std::size_t>{1}));
    EXPECT_TRUE(dialog.isVisible());
}

TEST(FindDialog, FindAllTellsTheCountAndHonoursMatchCase) {
    CFindState state;
    CFakeRows rows({"ABC.JPG", "other", "xabc.gif"});
    CRecordingPrompt prompt;
    CFindDialog dialog(nullptr, state, rows, prompt);
    dialog.show();
    QTest::keyClicks(Child<QLineEdit>(dialog, "findText"), "abc");
    Click(Child<QCheckBox>(dialog, "matchCase"));
    Click(Child<QPushButton>(dialog, "findAllButton"));
    EXPECT_EQ(prompt.Messages(), std::vector<std::string>{"1 articles selected."});
    EXPECT_EQ(rows.m_selected, (std::set<std::size_t>{2}));
    EXPECT_EQ(Child<QPushButton>(dialog, "findButton")->text(), "&Find");

    Click(Child<QCheckBox>(dialog, "matchCase"));
    Click(Child<QPushButton>(dialog, "findAllButton"));
    EXPECT_EQ(prompt.Messages().back(), "2 articles selected.");

    Click(Child<QPushButton>(dialog, "closeButton"));
    EXPECT_FALSE(dialog.isVisible());
}

// The file name/size index in memory; can run an action when a given file is remembered.
class CMemoryRegistry : public IFileRegistry {
public:
    bool UseFileDatabase() override { return true; }
    bool FileKnown(std::string_view name, std::uint64_t length) override {
        return m_files.count({std::string(name), length}) != 0;
    }
    void RememberFile(std::string_view name, std::uint64_t length) override {
        m_files.insert({std::string(name), length});
        if (++m_calls == m_actAt && m_action) m_action();
    }

    std::set<std::pair<std::string, std::uint64_t>> m_files;
    int m_calls = 0;
    int m_actAt = 0;
    std::function<void()> m_action;
};

void WriteFile(const QString& path, int size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(size, 'x'));
}

TEST(ImportProgress, CancelInADeepFolderKeepsWhatWasAddedAndSaysSo) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString deep = root.path() + "/a/b/c";
    ASSERT_TRUE(QDir().mkpath(deep));
    for (int i = 0; i < 5; ++i) WriteFile(deep + QString("/pic%1.jpg").arg(i), 10 + i);

    CImportProgressWindow progress(nullptr);
    progress.show();
    CMemoryRegistry registry;
    // The click waits in the window's queue like a real one until the import lets it run.
    registry.m_actAt = 2;
    registry.m_action = [&progress] {
        QMetaObject::invokeMethod(progress.findChild<QPushButton*>("importCancelButton"), "click",
                                  Qt::QueuedConnection);
    };
    CRecordingPrompt prompt;
    const int count = ImportFileData(root.path().toStdString() + "/", SImportOptions{}, registry,
                                     progress, prompt);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(registry.m_files.size(), 2u);
    EXPECT_TRUE(progress.WasCancelled());
    EXPECT_EQ(Child<QLabel>(progress, "importProgressText")->text(), "Progress Cancelled");
    EXPECT_EQ(prompt.Messages(), std::vector<std::string>{"Imported 2 files."});
}

TEST(ImportProgress, EscapeCancelsButLeavesTheWindowToTheImport) {
    CImportProgressWindow progress(nullptr);
    progress.show();
    EXPECT_EQ(progress.windowTitle(), "Importing...");
    EXPECT_FALSE(progress.Cancelled());
    QTest::keyClick(&progress, Qt::Key_Escape);
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_TRUE(progress.isVisible());
}

class ImportDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(m_root.path() + "/sub"));
        WriteFile(m_root.path() + "/a.JPG", 3);
        WriteFile(m_root.path() + "/notes.txt", 4);
        WriteFile(m_root.path() + "/sub/b.Png", 5);
    }
    std::string Root() const { return m_root.path().toStdString(); }

    QTemporaryDir m_root;
    CMemoryRegistry m_registry;
    CRecordingPrompt m_prompt;
    CMemorySettingsStore m_settings;
};

TEST_F(ImportDialogTest, StartsAtTheStoredFolderAndRemembersAChosenOne) {
    m_settings.WriteString("Data", "BrowsePath", "/stored/place");
    CImportDialog dialog(nullptr, m_registry, m_prompt, &m_settings, "/default");
    QLineEdit* path = Child<QLineEdit>(dialog, "importPath");
    EXPECT_EQ(path->text(), "/stored/place");
    EXPECT_TRUE(Child<QCheckBox>(dialog, "importSubdirectories")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(dialog, "importImagesOnly")->isChecked());

    std::string offered;
    bool answer = false;
    dialog.SetFolderChooser([&](std::string& folder) {
        offered = folder;
        folder = "/chosen";
        return answer;
    });
    QPushButton* browse = Child<QPushButton>(dialog, "importBrowseButton");
    Click(browse);
    EXPECT_EQ(offered, "/stored/place");
    EXPECT_EQ(path->text(), "/stored/place");
    answer = true;
    Click(browse);
    EXPECT_EQ(path->text(), "/chosen");
    EXPECT_EQ(m_settings.Value("Data", "BrowsePath"), "/chosen");

    CMemorySettingsStore empty;
    CImportDialog fresh(nullptr, m_registry, m_prompt, &empty, "/default");
    EXPECT_EQ(Child<QLineEdit>(fresh, "importPath")->text(), "/default");
}

TEST_F(ImportDialogTest, OkImportsWithTheChosenOptions) {
    CImportDialog dialog(nullptr, m_registry, m_prompt, &m_settings, Root());
    dialog.show();
    Click(Child<QPushButton>(dialog, "importOkButton"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.LastCount(), 2);
    EXPECT_EQ(m_registry.m_files,
              (std::set<std::pair<std::string, std::uint64_t>>{{"a.JPG", 3}, {"b.Png", 5}}));
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Imported 2 files."});

    // All files of the top folder only: the folder itself is taken as an entry, and a.JPG is
    // known already.
    CImportDialog again(nullptr, m_registry, m_prompt, &m_settings, Root() + "/");
    again.show();
    Click(Child<QCheckBox>(again, "importSubdirectories"));
    Click(Child<QRadioButton>(again, "importAllFiles"));
    Click(Child<QPushButton>(again, "importOkButton"));
    EXPECT_EQ(again.LastCount(), 2);
    EXPECT_EQ(m_registry.m_files.count({"notes.txt", 4}), 1u);
    EXPECT_EQ(m_registry.m_files.count({"sub", 0}), 1u);
    EXPECT_EQ(m_prompt.Messages().back(), "Imported 2 files.");
}

TEST_F(ImportDialogTest, CancelImportsNothing) {
    CImportDialog dialog(nullptr, m_registry, m_prompt, &m_settings, Root());
    dialog.show();
    Click(Child<QPushButton>(dialog, "importCancel"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.LastCount(), -1);
    EXPECT_TRUE(m_registry.m_files.empty());
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST(HelpWindow, OpensOnATopicAndIsReusedForTheNext) {
    QWidget owner;
    owner.show();
    ShowHelp(&owner, "find");
    auto* help = owner.findChild<CHelpWindow*>("helpWindow");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->Browser()->textCursor().block().text(), "Finding articles");

    ShowHelp(&owner, "wizard");
    EXPECT_EQ(owner.findChildren<CHelpWindow*>().size(), 1);
    EXPECT_EQ(help->Browser()->textCursor().block().text(), "Setting up a server");

    // An unknown topic shows the manual from the top.
    ShowHelp(&owner, "no such topic");
    EXPECT_EQ(help->Browser()->textCursor().position(), 0);
}

TEST(HelpWindow, EveryTopicTheProgramAsksForHasAHeading) {
    CHelpWindow help(nullptr);
    for (const char* topic : {"auto", "find", "options", "wizard", "commandline", "browser"}) {
        EXPECT_TRUE(help.GoToTopic(topic)) << topic;
    }
    EXPECT_FALSE(help.GoToTopic("nonsense"));
    EXPECT_FALSE(help.GoToTopic(""));
    EXPECT_TRUE(help.Browser()->toPlainText().contains("corvane -nogui -auto"));
}

}  // namespace
}  // namespace corvane
