// The setup dialogs driven as a user would: real widgets offscreen, the sheet and the wizard
// opened by the main window model's own commands, modal dialogs answered from the event loop
// they run in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <mutex>

#include "app/main_model_test_support.h"
#include "gui/criteria_dialogs.h"
#include "gui/icons.h"
#include "gui/newsgroup_chooser.h"
#include "gui/options_sheet.h"
#include "gui/setup_wizard.h"
#include "resources/string_table.h"

namespace corvane {
namespace {

using testsupport::MakeTempDir;

template <class T>
T* Child(QWidget* parent, const char* name) {
    T* child = parent == nullptr ? nullptr : parent->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

template <class T>
T* Modal() {
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

// A test that went wrong must not leave a modal loop waiting for a click that never comes.
void CloseModals() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        QApplication::processEvents();
    }
}

// Runs `step` on the modal dialog of type T once it is running its own loop; a dialog that
// never opens leaves the step unrun (and the test's expectations unmet) after a few seconds.
template <class T>
void WhenModal(std::function<void(T*)> step) {
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, step] {
        T* dialog = Modal<T>();
        if (dialog == nullptr && ++*ticks < 5000) return;
        timer->stop();
        timer->deleteLater();
        if (dialog != nullptr) step(dialog);
        // A step that stopped at a failed assertion leaves its dialog open: close it so the
        // test ends and reports.
        if (::testing::Test::HasFatalFailure()) CloseModals();
    });
    timer->start();
}

// Presses the button that opens a message box and gives back the box's text, closing it.
QString MessageFrom(const std::function<void()>& press) {
    QString text = "(no message box)";
    WhenModal<QMessageBox>([&text](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    press();
    return text;
}

// The sheet's buttons take clicks only on the tab that shows them.
void ShowTab(QWidget* sheet, const char* page) {
    auto* pages = Child<QTabWidget>(sheet, "pages");
    if (pages) pages->setCurrentWidget(Child<QWidget>(sheet, page));
}

// A radio button takes a click only on its mark and label, not across the row it spans.
void ClickRadio(QWidget* parent, const char* name) {
    auto* radio = Child<QWidget>(parent, name);
    if (radio) QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
}

void ClickOk(QWidget* dialog) {
    auto* buttons = Child<QDialogButtonBox>(dialog, "buttons");
    if (buttons) QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

class CDialogView : public testsupport::CRecordingView {
public:
    bool RunOptions(CSetup& copy) override { return RunOptionsSheet(nullptr, copy, *settings); }
    EWizardResult RunWizard(SWizardValues& values) override {
        return RunSetupWizard(nullptr, *model, values);
    }
    void OnWizardWorkFinished() override { NotifyWizardWorkFinished(); }
    ISettingsStore* settings = nullptr;
    CMainModel* model = nullptr;
};

// What the workers were handed: the group-list download's values among them.
struct SSeenItems {
    CNewsgroupIndex* index = nullptr;  // where a group-list job stores the server's names
    std::vector<std::string> serverGroups;
    std::mutex lock;
    std::vector<int> kinds;
    std::vector<int> ports;
    std::vector<std::string> servers;
};

class CRecordingWorker final : public CThreadWorker {
public:
    explicit CRecordingWorker(SSeenItems& seen) : m_seen(seen) {}
    ~CRecordingWorker() override { Stop(); }
    bool DoWork(CWorkItem& item) override {
        if (item.Kind() == WorkKind::GroupList && m_seen.index != nullptr)
            m_seen.index->StoreNewsgroups(item.server, m_seen.serverGroups, 1, 1);
        std::lock_guard<std::mutex> guard(m_seen.lock);
        m_seen.kinds.push_back(item.kind);
        m_seen.ports.push_back(item.port);
        m_seen.servers.push_back(item.server);
        return true;
    }

private:
    SSeenItems& m_seen;
};

class SetupDialogsTest : public ::testing::Test {
protected:
    SetupDialogsTest()
        : m_dir(MakeTempDir()),
          app(settings, prompt, clock, m_dir),
          timers(clock, queue),
          model(app, queue, timers, view, nullptr,
                [this](int) { return std::make_unique<CRecordingWorker>(seen); }) {
        seen.index = &app.Newsgroups();
        seen.serverGroups = {"alt.Pics.x", "alt.pics.a", "comp.lang.c", "rec.pics"};
        view.settings = &settings;
        view.model = &model;
        model.Initialise({});
        Pump();
    }
    ~SetupDialogsTest() override {
        CloseModals();
        std::filesystem::remove_all(m_dir);
    }

    void Pump() {
        SMessage message;
        while (queue.TryGet(message)) model.HandleMessage(message);
    }
    // Lets both the toolkit and the window's queue run until the condition holds.
    bool PumpUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 2000 && !done(); ++i) {
            QApplication::processEvents();
            Pump();
            QTest::qWait(5);
        }
        return done();
    }
    void AddSetupGroup(const std::string& name) {
        auto group = std::make_unique<CSetupGroup>();
        group->SetName(name);
        app.Setup().m_groups.push_back(std::move(group));
    }

    std::string m_dir;
    CMemorySettingsStore settings;
    CRecordingPrompt prompt{false};
    CManualClock clock{1000000};
    CApplication app;
    CMessageQueue queue{CMainModel::kQueueCapacity};
    CManualTimerService timers;
    CDialogView view;
    SSeenItems seen;
    CMainModel model;
};

// Adds a group through the chooser and a rule through the Criteria Group dialog.
void AddGroupAndRule(QWidget* sheet) {
    ShowTab(sheet, "groupsPage");
    WhenModal<CGroupEditDialog>([](CGroupEditDialog* chooser) {
        QTest::keyClicks(Child<QLineEdit>(chooser, "groupName"), "alt.added");
        ClickOk(chooser);
    });
    QTest::mouseClick(Child<QPushButton>(sheet, "groupAdd"), Qt::LeftButton);
    WhenModal<CCriteriaGroupDialog>([](CCriteriaGroupDialog* dialog) {
        QTest::keyClicks(Child<QLineEdit>(dialog, "criteriaName"), "Drop");
        Child<QComboBox>(dialog, "criteriaAction")->setCurrentIndex(1);
        ClickRadio(dialog, "logicOr");
        ClickOk(dialog);
    });
    ShowTab(sheet, "criteriaPage");
    QTest::mouseClick(Child<QPushButton>(sheet, "criteriaGroupAdd"), Qt::LeftButton);
}

TEST_F(SetupDialogsTest, CancellingTheSheetAfterAddsLeavesTheSetupUnchangedAndOkKeepsThem) {
    AddSetupGroup("alt.first");
    int listedInSheet = 0;
    WhenModal<COptionsSheet>([&](COptionsSheet* sheet) {
        EXPECT_EQ(sheet->windowTitle(), "Options");
        AddGroupAndRule(sheet);
        listedInSheet = Child<QTreeWidget>(sheet, "groupList")->topLevelItemCount();
        sheet->reject();
    });
    model.Execute(cmd::kOptions);
    EXPECT_EQ(listedInSheet, 2);
    ASSERT_EQ(app.Setup().m_groups.size(), 1u);
    EXPECT_EQ(app.Setup().m_groups[0]->Name(), "alt.first");
    EXPECT_TRUE(app.Setup().m_criteriaGroups.empty());

    WhenModal<COptionsSheet>([&](COptionsSheet* sheet) {
        AddGroupAndRule(sheet);
        ClickOk(sheet);
    });
    model.Execute(cmd::kOptions);
    ASSERT_EQ(app.Setup().m_groups.size(), 2u);
    EXPECT_EQ(app.Setup().m_groups[1]->Name(), "alt.added");
    EXPECT_EQ(app.Setup().m_groups[1]->m_enabled, 1);
    ASSERT_EQ(app.Setup().m_criteriaGroups.size(), 1u);
    EXPECT_EQ(app.Setup().m_criteriaGroups[0]->m_name, "Drop");
    EXPECT_EQ(app.Setup().m_criteriaGroups[0]->m_action, CCriteriaGroup::kActionExclude);
    EXPECT_EQ(app.Setup().m_criteriaGroups[0]->m_logic, CCriteriaGroup::kLogicOr);
}

TEST(SetupDialogs, CriteriaDialogRefusesOkWithoutFieldAndOperator) {
    CCriteriaDialog dialog(nullptr, {});
    dialog.show();
    auto* field = Child<QComboBox>(&dialog, "criteriaField");
    auto* op = Child<QComboBox>(&dialog, "criteriaOperator");
    EXPECT_EQ(field->currentIndex(), -1);
    EXPECT_EQ(field->itemText(6), "No. Groups");
    EXPECT_EQ(op->itemText(15), "Ends with (ignore case)");
    ClickOk(&dialog);
    EXPECT_TRUE(dialog.isVisible());
    field->setCurrentIndex(CCriteria::kFieldLines);
    ClickOk(&dialog);
    EXPECT_TRUE(dialog.isVisible());
    field->setCurrentIndex(-1);
    op->setCurrentIndex(4);
    ClickOk(&dialog);
    EXPECT_TRUE(dialog.isVisible());
    field->setCurrentIndex(CCriteria::kFieldLines);
    QTest::keyClicks(Child<QLineEdit>(&dialog, "criteriaValue"), "100");
    ClickOk(&dialog);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const SConditionInput values = dialog.Values();
    EXPECT_EQ(values.field, CCriteria::kFieldLines);
    EXPECT_EQ(values.op, 4);
    EXPECT_EQ(values.value, "100");
}

TEST(SetupDialogs, CriteriaGroupDialogNeedsActionNameAndLogicBeforeOk) {
    CCriteriaGroupDialog dialog(nullptr, {});
    dialog.show();
    auto* name = Child<QLineEdit>(&dialog, "criteriaName");
    auto* action = Child<QComboBox>(&dialog, "criteriaAction");
    ASSERT_EQ(action->count(), 7);
    EXPECT_EQ(action->itemText(5), "Med. Priority");
    QTest::keyClicks(name, "Keep");
    action->setCurrentIndex(0);
    ClickOk(&dialog);  // no logic button yet
    EXPECT_TRUE(dialog.isVisible());
    ClickRadio(&dialog, "logicAnd");
    name->clear();
    ClickOk(&dialog);  // no name
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(name, "Keep");
    action->setCurrentIndex(-1);
    ClickOk(&dialog);  // no action
    EXPECT_TRUE(dialog.isVisible());
    action->setCurrentIndex(0);
    ClickOk(&dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(SetupDialogs, SheetRefusesAPortOutside1To32768AndKeepsOneWithin) {
    CSetup copy;
    CMemorySettingsStore settings;
    COptionsSheet sheet(nullptr, copy, settings);
    sheet.show();
    auto* port = Child<QLineEdit>(&sheet, "port");
    auto* pages = Child<QTabWidget>(&sheet, "pages");
    ASSERT_EQ(pages->count(), 5);
    EXPECT_EQ(pages->tabText(1), "Dial Up");
    EXPECT_EQ(port->text(), "119");
    port->setText("32769");
    const QString message = MessageFrom([&] { ClickOk(&sheet); });
    EXPECT_EQ(message, "Please enter an integer between 1 and 32768.");
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(pages->currentIndex(), 2);
    EXPECT_EQ(copy.m_port, 119);
    port->setText("32768");
    ClickOk(&sheet);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(copy.m_port, 32768);
}

TEST(SetupDialogs, SheetForcesDirectConnectionAndKeepsColumnWidths) {
    CSetup copy;
    CMemorySettingsStore settings;
    settings.WriteInt(kSectionColumns, "cwSGroup", 111);
    {
        COptionsSheet sheet(nullptr, copy, settings);
        auto* direct = Child<QWidget>(&sheet, "directConnection");
        EXPECT_TRUE(qobject_cast<QAbstractButton*>(direct)->isChecked());
        EXPECT_FALSE(direct->isEnabled());
        EXPECT_FALSE(Child<QWidget>(&sheet, "dialupEntry")->isEnabled());
        EXPECT_FALSE(Child<QWidget>(&sheet, "redial")->isEnabled());
        auto* groups = Child<QTreeWidget>(&sheet, "groupList");
        EXPECT_EQ(groups->columnWidth(0), 111);
        EXPECT_EQ(groups->columnWidth(1), 120);
        Child<QTreeWidget>(&sheet, "conditionList")->setColumnWidth(2, 99);
        sheet.reject();
    }
    EXPECT_EQ(copy.m_directConnection, 1);
    EXPECT_EQ(settings.Value(kSectionColumns, "cwCValue"), "99");
    EXPECT_EQ(settings.Value(kSectionColumns, "cwSGroup"), "111");
}

TEST(SetupDialogs, GroupsPageEnablesDisablesEditsAndRemoves) {
    CSetup copy;
    auto group = std::make_unique<CSetupGroup>();
    group->SetName("alt.one");
    copy.m_groups.push_back(std::move(group));
    CMemorySettingsStore settings;
    COptionsSheet sheet(nullptr, copy, settings);
    sheet.show();
    ShowTab(&sheet, "groupsPage");
    auto* list = Child<QTreeWidget>(&sheet, "groupList");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    // Each group shows its type's icon, as in the main window.
    EXPECT_EQ(list->topLevelItem(0)->icon(0).pixmap(16, 16).toImage(),
              icons::GroupType(CSetupGroup::kTypeAttachment).pixmap(16, 16).toImage());
    list->setCurrentItem(list->topLevelItem(0));
    QTest::mouseClick(Child<QPushButton>(&sheet, "groupEnable"), Qt::LeftButton);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Enabled");
    WhenModal<CGroupEditDialog>([](CGroupEditDialog* edit) {
        EXPECT_EQ(edit->windowTitle(), "Edit Group");
        ClickRadio(edit, "typeText");
        QTest::keyClicks(Child<QLineEdit>(edit, "relativePath"), "pics");
        ClickOk(edit);
    });
    QTest::mouseClick(Child<QPushButton>(&sheet, "groupEdit"), Qt::LeftButton);
    EXPECT_EQ(list->topLevelItem(0)->text(2), "pics");
    EXPECT_EQ(copy.m_groups[0]->m_type, CSetupGroup::kTypeText);
    QTest::mouseClick(Child<QPushButton>(&sheet, "groupDisable"), Qt::LeftButton);
    EXPECT_EQ(copy.m_groups[0]->m_enabled, 0);
    QTest::mouseClick(Child<QPushButton>(&sheet, "groupRemove"), Qt::LeftButton);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_TRUE(copy.m_groups.empty());
}

TEST_F(SetupDialogsTest, WizardHoldsOnEmptyServerAndCarriesTheTypedPortToDownloadAndSetup) {
    QString serverMessage;
    QString groupMessage;
    bool directForced = false;
    bool heldWhileRunning = false;
    bool freedAfter = false;
    WhenModal<CSetupWizard>([&](CSetupWizard* wizard) {
        wizard->next();
        ASSERT_EQ(wizard->currentId(), 1);
        auto* direct = Child<QAbstractButton>(wizard, "directConnection");
        directForced = direct->isChecked() && !direct->isEnabled();
        wizard->next();
        ASSERT_EQ(wizard->currentId(), 2);
        serverMessage = MessageFrom([&] { wizard->next(); });
        ASSERT_EQ(wizard->currentId(), 2);
        QTest::keyClicks(Child<QLineEdit>(wizard, "newsServer"), "news.example");
        Child<QSpinBox>(wizard, "port")->setValue(8119);
        wizard->next();
        ASSERT_EQ(wizard->currentId(), 3);
        QTest::mouseClick(Child<QPushButton>(wizard, "downloadButton"), Qt::LeftButton);
        heldWhileRunning = !wizard->button(QWizard::NextButton)->isEnabled() &&
                           !Child<QPushButton>(wizard, "downloadButton")->isEnabled();
        freedAfter =
            PumpUntil([&] { return Child<QPushButton>(wizard, "downloadButton")->isEnabled(); });
        EXPECT_TRUE(wizard->button(QWizard::NextButton)->isEnabled());
        // The page's worker row showed the worker's activity picture.
        EXPECT_FALSE(Child<QLabel>(wizard, "downloadActivity")->pixmap().isNull());
        wizard->next();
        ASSERT_EQ(wizard->currentId(), 4);
        groupMessage = MessageFrom([&] { wizard->next(); });
        ASSERT_EQ(wizard->currentId(), 4);
        // The downloaded names, filtered (case-sensitive) once the filter's timer fires.
        auto* list = Child<QTreeWidget>(wizard, "groupNames");
        EXPECT_EQ(list->topLevelItemCount(), 4);
        auto* timer = wizard->findChild<QTimer*>("filterTimer");
        ASSERT_NE(timer, nullptr);
        QTest::keyClicks(Child<QLineEdit>(wizard, "groupFilter"), "pics");
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), 2000);
        EXPECT_EQ(list->topLevelItemCount(), 4);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !timer->isActive(); }, 10000));
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "alt.pics.a");
        list->setCurrentItem(list->topLevelItem(1));
        EXPECT_EQ(Child<QLineEdit>(wizard, "groupName")->text(), "rec.pics");
        wizard->next();
        ASSERT_EQ(wizard->currentId(), 5);
        EXPECT_EQ(wizard->button(QWizard::FinishButton)->text(), "Done");
        wizard->button(QWizard::FinishButton)->click();
    });
    model.Execute(cmd::kNew);
    EXPECT_TRUE(directForced);
    EXPECT_EQ(serverMessage, "You must enter a news server.");
    EXPECT_EQ(groupMessage, "You must enter a news group.");
    EXPECT_TRUE(heldWhileRunning);
    EXPECT_TRUE(freedAfter);
    {
        std::lock_guard<std::mutex> guard(seen.lock);
        ASSERT_EQ(seen.kinds.size(), 1u);
        EXPECT_EQ(seen.kinds[0], static_cast<int>(WorkKind::GroupList));
        EXPECT_EQ(seen.ports[0], 8119);
        EXPECT_EQ(seen.servers[0], "news.example");
    }
    EXPECT_EQ(app.Setup().m_port, 8119);
    EXPECT_EQ(app.Setup().NewsServer(), "news.example");
    EXPECT_EQ(app.Setup().m_directConnection, 1);
    ASSERT_EQ(app.Setup().m_groups.size(), 1u);
    EXPECT_EQ(app.Setup().m_groups[0]->Name(), "rec.pics");
    EXPECT_EQ(app.Setup().m_groups[0]->m_enabled, 1);
}

TEST_F(SetupDialogsTest, CancellingTheWizardAddsNoGroupAndLeavesAFreshSetup) {
    WhenModal<CSetupWizard>([&](CSetupWizard* wizard) {
        wizard->next();
        wizard->next();
        QTest::keyClicks(Child<QLineEdit>(wizard, "newsServer"), "news.example");
        wizard->next();
        wizard->next();
        ASSERT_EQ(wizard->currentId(), 4);
        // An empty name does not pass; the user gives up instead.
        const QString message = MessageFrom([&] { wizard->next(); });
        EXPECT_EQ(message, "You must enter a news group.");
        wizard->reject();
    });
    model.Execute(cmd::kNew);
    EXPECT_TRUE(app.Setup().m_groups.empty());
    EXPECT_EQ(app.Setup().NewsServer(), "");
    std::lock_guard<std::mutex> guard(seen.lock);
    EXPECT_TRUE(seen.kinds.empty());
}

}  // namespace
}  // namespace corvane
