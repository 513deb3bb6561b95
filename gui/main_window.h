#pragma once
// The desktop main window: draws the main window model and routes the user's actions to it.
// It owns the widgets only: the group and article lists (over the list models), the Save
// Path field and Threads slider, the eight worker rows and thumbnails, the menus, the
// toolbar, the accelerators and the status bar. Every decision is the model's; the window
// passes commands by number to CMainModel::Execute and shows what the model says.
//
// Main thread only. Workers never reach a widget: the worker rows are polled from
// CWorkerDisplay on a timer and repaint only what changed. The dialogs the model asks for
// belong to other parts of the desktop and are handed in as functions (SMainWindowDialogs);
// a missing one behaves as the model's default (nothing is shown).
//
// Lifetime: make the window, then the model with the window as its view, then Attach(); call
// Detach() before the model is destroyed. Closing the window only asks the model to close;
// the window hides itself when the model ends (OnEnded).
#include <QMainWindow>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/main_model.h"
#include "app/settings_keys.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QSlider;
class QTabWidget;
class QTableView;
class QTimer;
class QToolBar;
class QToolButton;

namespace corvane {

class CArticleTableModel;
class CGroupTableModel;

// The stored placement as Qt geometry: the normal rectangle (the default one when the stored
// values cannot be a window's) and whether the window was maximised.
QRect PlacementNormalRect(const SWindowPlacement& placement);
bool PlacementMaximized(const SWindowPlacement& placement);
// The placement to store; the fields Qt has no use for keep their previous values.
SWindowPlacement PlacementOf(const QRect& normal, bool maximized, bool minimized,
                             const SWindowPlacement& previous);

// The windows the main window opens for the model. Each may be left empty.
struct SMainWindowDialogs {
    std::function<IMainView::EWizardResult(QWidget*, CMainModel&, SWizardValues&)> runWizard;
    // Tells the open wizard that its download page's work has finished.
    std::function<void()> wizardWorkFinished;
    std::function<bool(QWidget*, CSetup&, ISettingsStore&)> runOptions;
    std::function<EAutoResult(QWidget*, CAutoDialogModel&)> runAuto;
    std::function<void(QWidget*, CFindState&, IFindRows&, IPrompt&)> runFind;
    // Opens the attachment browser without waiting; false when it cannot be opened.
    std::function<bool(QWidget*, CMainModel&)> openBrowser;
    std::function<void(QWidget*, CApplication&)> runImport;
    std::function<void(QWidget*)> showHelp;
    // The About box; empty: the window's own.
    std::function<void(QWidget*)> showAbout;
};

class CMainWindow final : public QMainWindow, public IMainView {
    Q_OBJECT
public:
    static constexpr int kWorkerPollMs = 150;
    static constexpr int kIdleCheckMs = 500;

    explicit CMainWindow(CApplication& app, QWidget* parent = nullptr);
    ~CMainWindow() override;

    // Builds the widgets over the model and restores the placement and the column widths.
    void Attach(CMainModel& model);
    // Lets go of the model before it is destroyed: writes the placement and the widths and
    // drops the list models (they are the model's rows' view).
    void Detach();
    void SetDialogs(SMainWindowDialogs dialogs) { m_dialogs = std::move(dialogs); }
    // Writes the placement and the column widths (also done once when the model ends).
    void SavePlacementAndWidths();

    // The command's action (menus and toolbar share it); null for unknown numbers.
    QAction* Action(int command) const;
    // Re-evaluates enabling, check marks and the Enable entry's text of every action.
    void UpdateActions();
    // Takes the worker rows' states now instead of waiting for the poll.
    void PollWorkerRows();
    bool LargeToolbar() const { return m_largeToolbar; }
    // The context menus as they would open now (texts and enabling evaluated).
    std::unique_ptr<QMenu> ArticleContextMenu();
    std::unique_ptr<QMenu> GroupContextMenu();

    // IMainView.
    void OnGroupsChanged() override;
    void OnFieldsChanged() override;
    void OnPaneChanged(int pane, const std::string& text) override;
    void OnThumbnailsTabEnabled(bool enabled) override;
    void OnWizardWorkFinished() override;
    void OnEnded() override;
    EWizardResult RunWizard(SWizardValues& values) override;
    bool RunOptions(CSetup& copy) override;
    EAutoResult RunAutoDialog(CAutoDialogModel& dialog) override;
    void RunFindDialog(CFindState& find) override;
    bool OpenBrowser() override;
    void RunImport() override;
    void ShowAbout() override;
    void ShowHelp() override;
    void SetLargeToolbar(bool large) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct SWorkerRow {
        QLabel* activity = nullptr;
        QLabel* label = nullptr;
        QProgressBar* progress = nullptr;
        QToolButton* thumbnail = nullptr;
        std::uint64_t change = ~std::uint64_t{0};
        std::uint64_t previewShows = ~std::uint64_t{0};
        std::string previewPath;
        bool previewStale = false;
        int activityImage = -1;
    };

    // Layout (main_window.cpp).
    QWidget* BuildTopArea();
    QWidget* BuildArticleList();
    void ConnectArticleSelection();
    void SyncSelectionFromModel();
    void ScrollToRow(int row);

    // Menus, toolbar, accelerators (main_window_menus.cpp).
    void BuildActions();
    void BuildMenus();
    void BuildToolbar();
    void ShowArticleMenu(const QPoint& position);
    void ShowGroupMenu(const QPoint& position);
    QMenu* AddMenu(QMenu* menu, const std::vector<int>& commands);
    void RunCommand(int command);

    // Worker rows and the status bar (main_window_workers.cpp).
    QWidget* BuildWorkerTabs();
    QWidget* BuildWorkerRow(int slot);
    QWidget* BuildThumbnail(int slot);
    QToolButton* RowButton(int command, const QIcon& icon, const QString& name);
    void ShowWorkerState(int slot, const CWorkerDisplay::SState& state);
    // Loads a changed preview into its thumbnail, but only while the Thumbnails tab is shown:
    // reading a picture ten times per article is wasted on a hidden tab.
    void ShowPreview(int slot);
    void ShowStalePreviews();
    void BuildStatusBar();
    void OnIdleCheck();

    // Placement and column widths (main_window_placement.cpp).
    void RestorePlacementAndWidths();

    CApplication& m_app;
    CMainModel* m_model = nullptr;
    SMainWindowDialogs m_dialogs;
    CGroupTableModel* m_groupModel = nullptr;
    CArticleTableModel* m_articleModel = nullptr;
    QTableView* m_groupView = nullptr;
    QTableView* m_articleView = nullptr;
    QLineEdit* m_savePath = nullptr;
    QSlider* m_threads = nullptr;
    QTabWidget* m_tabs = nullptr;
    QToolBar* m_toolbar = nullptr;
    std::array<QLabel*, CMainModel::kPaneCount> m_panes{};
    std::array<SWorkerRow, CMainModel::kWorkerSlots> m_rows{};
    int m_nextPreviewSlot = 0;  // where the next poll starts reading stale previews
    std::map<int, QAction*> m_actions;
    QTimer* m_workerPoll = nullptr;
    QTimer* m_idleCheck = nullptr;
    bool m_largeToolbar = true;
    bool m_syncingSelection = false;
    bool m_placementSaved = false;
};

}  // namespace corvane
