// The main window's commands as Qt actions: the five menus, the two context menus, the
// toolbar and the accelerators all trigger the same numbers through the model.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QToolBar>

#include "gui/icons.h"
#include "gui/main_window.h"

namespace corvane {

namespace {

constexpr int kSeparator = 0;

struct SAccelerator {
    int command;
    QKeySequence keys;
};

// The accelerator table; Exit carries Alt+F4 so the menu shows it beside Exit.
std::vector<SAccelerator> Accelerators() {
    return {
        {cmd::kSelectAll, QKeySequence(Qt::CTRL | Qt::Key_A)},
        {cmd::kAutomate, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A)},
        {cmd::kBrowse, QKeySequence(Qt::CTRL | Qt::Key_B)},
        {cmd::kCancelSelected, QKeySequence(Qt::CTRL | Qt::Key_C)},
        {cmd::kSelectNone, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {cmd::kFind, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {cmd::kOptions, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {cmd::kKillPerson, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {cmd::kKillSite, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {cmd::kRemoveSelected, QKeySequence(Qt::Key_Delete)},
        {cmd::kHelp, QKeySequence(Qt::Key_F1)},
        {cmd::kExit, QKeySequence(Qt::ALT | Qt::Key_F4)},
    };
}

const std::vector<int> kFileMenu = {cmd::kNew,    cmd::kOpen, cmd::kSave,
                                    cmd::kSaveAs, kSeparator, cmd::kExit};
const std::vector<int> kGroupsMenu = {cmd::kDoAllGroups, cmd::kDoGroup, cmd::kGroupList, kSeparator,
                                      cmd::kReset};
const std::vector<int> kArticlesMenu = {
    cmd::kSelectAll,      cmd::kSelectNone,     cmd::kGrabSelected,
    cmd::kGrabAll,        cmd::kTextAttachment, kSeparator,
    cmd::kRemoveSelected, cmd::kCancelSelected, cmd::kStopAll,
    cmd::kEmptyQueue,     kSeparator,           cmd::kKillPerson,
    cmd::kKillSite,       kSeparator,           cmd::kFind};
const std::vector<int> kToolsMenu = {
    cmd::kBrowse, cmd::kAutomate, cmd::kImport,     kSeparator, cmd::kEmptyLog,
    kSeparator,   cmd::kOptions,  cmd::kShowWizard, kSeparator, cmd::kLargeToolbar};
const std::vector<int> kHelpMenu = {cmd::kHelp, kSeparator, cmd::kAbout};
const std::vector<int> kToolbar = {
    cmd::kNew,         cmd::kOpen,       cmd::kSave,         kSeparator,      cmd::kOptions,
    cmd::kAutomate,    cmd::kBrowse,     kSeparator,         cmd::kGroupList, cmd::kDoGroup,
    cmd::kDoAllGroups, kSeparator,       cmd::kGrabSelected, cmd::kGrabAll,   cmd::kRemoveSelected,
    cmd::kStopAll,     cmd::kEmptyQueue, kSeparator,         cmd::kKillSite,  cmd::kKillPerson,
    kSeparator,        cmd::kHelp,       cmd::kExit};

struct SContextEntry {
    int command;
    const char* text;
};
const std::vector<SContextEntry> kArticleContext = {{cmd::kGrabSelected, "Download Article"},
                                                    {cmd::kDownloadFirst, "Download Article First"},
                                                    {cmd::kGrabAll, "Download all articles"},
                                                    {cmd::kCancelSelected, "Cancel Download"},
                                                    {cmd::kRemoveSelected, "Remove"},
                                                    {cmd::kTextAttachment, "Text  <--> Attachment"},
                                                    {kSeparator, nullptr},
                                                    {cmd::kKillPerson, "Kill Person"},
                                                    {cmd::kKillSite, "Kill Site"},
                                                    {kSeparator, nullptr},
                                                    {cmd::kFind, "Find"}};
const std::vector<SContextEntry> kGroupContext = {{cmd::kDoGroup, "Process Group"},
                                                  {cmd::kDoAllGroups, "Process all groups"},
                                                  {kSeparator, nullptr},
                                                  {cmd::kEnable, "Enable"},
                                                  {kSeparator, nullptr},
                                                  {cmd::kGroupList, "Download/Update Group List"}};

}  // namespace

void CMainWindow::BuildActions() {
    for (const cmd::SCommandInfo& info : cmd::CommandTable()) {
        auto* action = new QAction(
            QString::fromUtf8(info.menuText.data(), static_cast<int>(info.menuText.size())), this);
        action->setObjectName(QString("command%1").arg(info.id));
        action->setData(info.id);
        // Only toolbar buttons show hints; an action without a hint shows its text.
        if (!info.hint.empty()) {
            action->setToolTip(
                QString::fromUtf8(info.hint.data(), static_cast<int>(info.hint.size())));
        }
        action->setIcon(icons::Command(info.id, m_largeToolbar));
        action->setCheckable(info.id == cmd::kShowWizard || info.id == cmd::kLargeToolbar);
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        m_actions[info.id] = action;
    }
    for (const SAccelerator& accelerator : Accelerators()) {
        QAction* action = Action(accelerator.command);
        if (action == nullptr) continue;
        action->setShortcut(accelerator.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    // Ctrl+Enter on either Enter key grabs the selection.
    if (QAction* grab = Action(cmd::kGrabSelected); grab != nullptr) {
        grab->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
        grab->setShortcutContext(Qt::WindowShortcut);
        addAction(grab);
    }
}

QAction* CMainWindow::Action(int command) const {
    auto it = m_actions.find(command);
    return it == m_actions.end() ? nullptr : it->second;
}

QMenu* CMainWindow::AddMenu(QMenu* menu, const std::vector<int>& commands) {
    for (int command : commands) {
        if (command == kSeparator) {
            menu->addSeparator();
        } else if (QAction* action = Action(command); action != nullptr) {
            menu->addAction(action);
        }
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainWindow::UpdateActions);
    return menu;
}

void CMainWindow::BuildMenus() {
    auto add = [this](const char* title, const char* name, const std::vector<int>& commands) {
        QMenu* menu = menuBar()->addMenu(title);
        menu->setObjectName(name);
        AddMenu(menu, commands);
    };
    add("&File", "fileMenu", kFileMenu);
    add("&Groups", "groupsMenu", kGroupsMenu);
    add("&Articles", "articlesMenu", kArticlesMenu);
    add("&Tools", "toolsMenu", kToolsMenu);
    add("&Help", "helpMenu", kHelpMenu);
}

void CMainWindow::BuildToolbar() {
    m_toolbar = addToolBar("Toolbar");
    m_toolbar->setObjectName("toolbar");
    m_toolbar->setMovable(false);
    for (int command : kToolbar) {
        if (command == kSeparator) {
            m_toolbar->addSeparator();
        } else if (QAction* action = Action(command); action != nullptr) {
            m_toolbar->addAction(action);
        }
    }
    SetLargeToolbar(m_largeToolbar);
}

void CMainWindow::SetLargeToolbar(bool large) {
    m_largeToolbar = large;
    if (m_toolbar == nullptr) return;
    m_toolbar->setIconSize(large ? QSize(icons::kToolbarLargeWidth, icons::kToolbarLargeHeight)
                                 : QSize(icons::kToolbarSmallWidth, icons::kToolbarSmallHeight));
    for (const auto& [id, action] : m_actions) action->setIcon(icons::Command(id, large));
}

void CMainWindow::UpdateActions() {
    if (m_model == nullptr) return;
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(m_model->IsEnabled(id));
        if (action->isCheckable()) action->setChecked(m_model->IsChecked(id));
    }
}

namespace {

// Builds a context menu whose entries have their own texts but the commands' numbers.
void FillContextMenu(QMenu& menu, const std::vector<SContextEntry>& entries,
                     const CMainModel& model, const std::function<void(int)>& run) {
    for (const SContextEntry& entry : entries) {
        if (entry.command == kSeparator) {
            menu.addSeparator();
            continue;
        }
        QString text = entry.text;
        if (entry.command == cmd::kEnable)
            text = QString::fromStdString(model.CommandText(entry.command));
        QAction* action = menu.addAction(text);
        action->setObjectName(QString("context%1").arg(entry.command));
        action->setEnabled(model.IsEnabled(entry.command));
        const int command = entry.command;
        QObject::connect(action, &QAction::triggered, &menu, [run, command] { run(command); });
    }
}

}  // namespace

std::unique_ptr<QMenu> CMainWindow::ArticleContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName("articleContextMenu");
    FillContextMenu(*menu, kArticleContext, *m_model, [this](int id) { RunCommand(id); });
    return menu;
}

std::unique_ptr<QMenu> CMainWindow::GroupContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName("groupContextMenu");
    FillContextMenu(*menu, kGroupContext, *m_model, [this](int id) { RunCommand(id); });
    return menu;
}

void CMainWindow::ShowArticleMenu(const QPoint& position) {
    ArticleContextMenu()->exec(m_articleView->viewport()->mapToGlobal(position));
}

void CMainWindow::ShowGroupMenu(const QPoint& position) {
    GroupContextMenu()->exec(m_groupView->viewport()->mapToGlobal(position));
}

}  // namespace corvane
