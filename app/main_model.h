#pragma once
// The main window as a model: everything the window holds and does, without a windowing
// system. It owns the thread manager and its eight worker rows, the article store with the
// rows as shown, the status panes and the main window's timers, and it carries out every
// command and every notification the manager and the workers post to the window's queue.
// A front end (the Qt window, or the headless loop of `corvane -nogui`) draws it, feeds it the
// user's commands and passes it every message of Queue().
//
// Main thread only. Work items are made here and handed to the manager; they come back with
// UWM_ITEM_DONE / UWM_ITEM_RETURNED and are freed here. The current setup belongs to the
// application object; this model replaces it whole on New, Open, Options and a failed load.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "app/application.h"
#include "app/article_rows.h"
#include "app/auto_settings.h"
#include "app/command_line.h"
#include "app/commands.h"
#include "app/find_state.h"
#include "dialup/dialup.h"
#include "dialup/work_gate.h"
#include "nntp/corvane_worker.h"
#include "nntp/group_number.h"
#include "platform/message_queue.h"
#include "platform/timer_service.h"
#include "select/article_store.h"
#include "store/attachment_decoder.h"
#include "work/thread_manager.h"
#include "work/worker_display.h"

namespace corvane {

// What the setup wizard hands back when it finishes.
struct SWizardValues {
    std::string server;
    std::string user;
    std::string password;
    bool requiresLogin = false;
    int port = 119;
    std::string group;  // empty: no group is added
};

// What the window shows and the dialogs it opens. Every method has a default, so a front end
// implements only what it has; the defaults are what a front end without dialogs does.
class IMainView {
public:
    virtual ~IMainView() = default;
    virtual void OnGroupsChanged() {}
    // The Save Path field and the Threads slider must show the model again.
    virtual void OnFieldsChanged() {}
    virtual void OnPaneChanged(int /*pane*/, const std::string& /*text*/) {}
    virtual void OnThumbnailsTabEnabled(bool /*enabled*/) {}
    // The work queued by the setup wizard's download page has finished.
    virtual void OnWizardWorkFinished() {}
    // The window has ended: the front end leaves its loop.
    virtual void OnEnded() {}

    enum class EWizardResult { kFinished, kCancelled, kUnavailable };
    virtual EWizardResult RunWizard(SWizardValues& /*values*/) {
        return EWizardResult::kUnavailable;
    }
    // Edits the copy; true on OK.
    virtual bool RunOptions(CSetup& /*copy*/) { return false; }
    virtual EAutoResult RunAutoDialog(CAutoDialogModel& /*dialog*/) { return EAutoResult::kEscape; }
    virtual void RunFindDialog(CFindState& /*find*/) {}
    // False when the window cannot be opened here.
    virtual bool OpenBrowser() { return false; }
    virtual void RunImport() {}
    virtual void ShowAbout() {}
    virtual void ShowHelp() {}
    virtual void SetLargeToolbar(bool /*large*/) {}
};

class CMainModel final : public IArticleQueue, public IGroupRefreshRequester {
public:
    static constexpr int kWorkerSlots = CThreadManager::kMaxWorkers;
    static constexpr int kPaneCount = 8;
    // A window queue this long makes the header jobs wait for the window rather than pile
    // up records faster than intake takes them.
    static constexpr std::size_t kQueueCapacity = 10000;

    // `queue` is the window's: the manager, the workers, the dial-up service and the timers
    // post to it, and the front end passes each of its messages to HandleMessage.
    // `dialupService` may be null (direct connection). The workers are the program's own
    // unless a test gives a factory of its own.
    CMainModel(CApplication& app, CMessageQueue& queue, ITimerService& timers, IMainView& view,
               IDialupService* dialupService = nullptr, CThreadManager::WorkerFactory workers = {});
    ~CMainModel() override;
    CMainModel(const CMainModel&) = delete;
    CMainModel& operator=(const CMainModel&) = delete;

    CMessageQueue& Queue() { return m_queue; }
    void Initialise(const SCommandLine& commandLine);
    // One message of Queue(); timers arrive as kTimerMessage with the timer id.
    void HandleMessage(const SMessage& message);
    bool Ended() const { return m_ended; }
    // The window ended on the fatal database message: the program ends without clean-up.
    bool EndedFatally() const { return m_fatal; }
    // The user answered Yes to the force question: the front ends the process at once.
    bool EndedByForce() const { return m_forced; }

    // Commands by their number.
    void Execute(int command);
    bool IsEnabled(int command) const;
    bool IsChecked(int command) const;
    // The menu text of commands whose text changes (the group menu's Enable entry).
    std::string CommandText(int command) const;

    // The controls the user edits directly.
    void SetSavePathField(const std::string& path);
    void SetThreadsSlider(int position);
    void SelectGroupRow(int row);
    void GroupRowDoubleClicked(int row);
    void CancelWorkerRow(int slot);
    // The row of the article that worker slot runs, scrolled into view; Count() if none.
    std::size_t LocateWorkerRow(int slot);
    void SortByColumn(int column) { m_rows.SortBy(column); }
    void RequestClose();

    // The window's end, also by force: the front end leaves its loop.
    void End();
    // Hooks for the dialogs: the model takes the finished values.
    void ApplyOptions(std::unique_ptr<CSetup> copy);
    void ApplyWizard(IMainView::EWizardResult result, const SWizardValues& values);
    void StartAutoMode();
    // The setup wizard's download page: opens the newsgroup index of the wizard's server and
    // queues a group-list item built from the wizard's values (not the setup's). False when
    // no connection can be had. The end of the work arrives as IMainView::OnWizardWorkFinished.
    bool QueueWizardGroupList(const SWizardValues& values);
    // The names of the open newsgroup index, in byte order (the wizard's group page).
    std::vector<std::string> NewsgroupNames() { return m_app.Newsgroups().AllGroups(); }

    // What the window shows.
    const CSetup& Setup() const { return m_app.Setup(); }
    CApplication& App() { return m_app; }
    const std::string& FileName() const { return m_app.Document().m_fileName; }
    const std::string& SavePathField() const { return m_savePath; }
    int ThreadsSlider() const { return m_app.Setup().m_threads; }
    int SelectedGroup() const { return m_selectedGroup; }
    const std::string& Pane(int pane) const { return m_panes[static_cast<std::size_t>(pane)]; }
    CArticleRows& Rows() { return m_rows; }
    const CArticleStore& Store() const { return m_store; }
    CArticleStore& Store() { return m_store; }
    bool Idle() const { return m_idle; }
    std::int64_t QueuedLines() const { return m_queuedLines; }
    bool AutoMode() const { return m_autoMode[0] && m_autoMode[1]; }
    bool Closing() const { return m_closing; }
    bool BrowserOpen() const { return m_browserOpen; }
    void SetBrowserClosed() { m_browserOpen = false; }
    bool WizardRunning() const { return m_wizardRunning; }
    const CWorkerDisplay& WorkerRow(int slot) const { return m_workerRows[slot]; }
    CThreadManager& Manager() { return m_manager; }
    CDialup& Dialup() { return m_dialup; }
    // Items handed to the manager that have not come back yet.
    int OutstandingItems() const { return m_outstanding; }
    // The download log's own file name derived from the setup file's path.
    const std::string& LogName() const { return m_logName; }

    // IArticleQueue: queue an article download (a negative priority: the article's own).
    void QueueArticle(CArticle& article, const CSetupGroup& group, std::int32_t priority) override;
    // IGroupRefreshRequester.
    void RequestGroupRefresh(const std::string& group) override;

private:
    // Files (main_model_files.cpp).
    void Save();
    void SaveAs();
    void Open();
    void New();
    bool WriteSetup(const std::string& path, bool direct);
    void Load(const std::string& path);
    void InstallSetup(std::unique_ptr<CSetup> setup);
    void ClearArticleState();
    // Takes the records off the list and frees them; one that a work item still names has
    // its item cancelled and is kept until the item comes back.
    void DiscardArticles(const std::vector<CArticle*>& articles);
    void AfterSetupReplaced();
    // The newsgroup index follows the setup's news server: another server closes the old
    // server's index and opens (or creates) the new one's, no server leaves none open. A
    // group-list update then asks for the groups new since that server's own last list.
    void FollowNewsServer();
    void AskToSaveCurrent();
    void RunWizard();

    // Work (main_model_work.cpp).
    std::unique_ptr<CWorkItem> MakeItem(WorkKind kind, int priority) const;
    std::string SaveDirectoryFor(const CSetupGroup& group) const;
    bool ReadyToQueue();
    void HandOver(std::unique_ptr<CWorkItem> item);
    void QueueGroupHeaders(const CSetupGroup& group);
    void DoGroup();
    void DoAllGroups();
    void QueueGroupList();
    void GrabArticles(const std::vector<CArticle*>& articles, std::int32_t priority);
    void RemoveSelected();
    void CancelSelected();
    void ToggleTextAttachment();
    void StopAll();
    void EmptyQueue();
    void Reset();
    void EmptyLog();
    void ToggleGroupEnabled();
    void Kill(bool person);

    // Notifications (main_model_events.cpp).
    void OnItemBack(std::unique_ptr<CWorkItem> item, bool done);
    void ArticleBack(CArticle& article);
    void OnQueueIdle();
    void OnManagerStopped();
    void OnDiskFull();
    void OnArticleSaved(AttachmentDecoder* chain);
    void OnGroupFirst(std::unique_ptr<CGroupNumber> first);
    void OnCrossposts(std::unique_ptr<CGroupNumber> chain);
    void OnTimer(unsigned id);
    void ShowQueueCounts();
    void ShowThroughput();
    void SetPane(int pane, std::string text);
    void TakeDeferredIndexMessages();

    // Auto mode and closing (main_model_auto.cpp).
    void Automate();
    void QueueEverything();
    void StartShutDownTimer();
    void OnDelayedStart();
    void OnWatchdog();

    void StartTimer(unsigned id, std::int64_t ms);
    void TakeSavePathField();
    void ShowSavePathInModel();
    const CSetupGroup* FindSetupGroup(std::string_view name) const;
    CSetupGroup* SelectedSetupGroup() const;
    void ApplyThumbnailsOption();

    CApplication& m_app;
    CMessageQueue& m_queue;
    ITimerService& m_timers;
    IMainView& m_view;
    CThreadManager m_manager;
    CThreadManager::WorkerFactory m_workerFactory;
    CThreadManagerGate m_gate{m_manager};
    CDialup m_dialup;
    std::array<CWorkerDisplay, kWorkerSlots> m_workerRows;
    CArticleStore m_store;
    CArticleRows m_rows;
    std::array<std::string, kPaneCount> m_panes;
    SCommandLine m_commandLine;

    std::string m_savePath;
    std::string m_logName;
    int m_selectedGroup = -1;
    bool m_idle = true;
    std::int64_t m_queuedLines = 0;
    int m_outstanding = 0;
    bool m_autoMode[2] = {false, false};
    bool m_browserOpen = false;
    bool m_wizardRunning = false;
    bool m_closing = false;
    bool m_ended = false;
    bool m_fatal = false;
    bool m_forced = false;
    // Records taken off the list while their work items were out, freed when those return.
    std::unordered_map<const CWorkItem*, std::unique_ptr<CArticle>> m_detached;
};

}  // namespace corvane
