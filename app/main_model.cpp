// The main window model: construction, initialisation, the message dispatch, the command
// router with its enabling rules, and the controls the user edits directly.
#include "app/main_model.h"

#include <algorithm>

#include "app/settings_keys.h"
#include "indexes/index_file.h"
#include "nntp/jobs.h"
#include "work/messages.h"

namespace corvane {

CMainModel::CMainModel(CApplication& app, CMessageQueue& queue, ITimerService& timers,
                       IMainView& view, IDialupService* dialupService,
                       CThreadManager::WorkerFactory workers)
    : m_app(app),
      m_queue(queue),
      m_timers(timers),
      m_view(view),
      m_workerFactory(std::move(workers)),
      m_dialup(dialupService, m_queue, app.Prompt()),
      m_store(app.Setup()) {
    if (!m_workerFactory) {
        m_workerFactory = [&app](int index) {
            return std::make_unique<CCorvaneWorker>(index, app.Services(), DefaultJobTable());
        };
    }
    m_store.SetQueue(this);
    m_store.SetObserver(&m_rows);
    m_store.SetRefreshRequester(this);
}

CMainModel::~CMainModel() {
    // Items still out come back as messages; the manager is stopped first so that none is
    // posted after the queue is drained, and every record they carry is freed.
    m_manager.Shutdown();
    m_manager.WaitStopped();
    SMessage message;
    while (m_queue.TryGet(message)) {
        if (message.number == UWM_ITEM_DONE || message.number == UWM_ITEM_RETURNED) {
            delete static_cast<CWorkItem*>(message.lParam);
        } else if (message.number == UWM_ARTICLE_HEADER) {
            delete static_cast<CArticle*>(message.lParam);
        } else if (message.number == UWM_GROUP_FIRST || message.number == UWM_CROSSPOSTS) {
            delete static_cast<CGroupNumber*>(message.lParam);
        } else if (message.number == UWM_ARTICLE_SAVED && message.lParam != nullptr) {
            static_cast<AttachmentDecoder*>(message.lParam)->Release();
        }
    }
}

void CMainModel::Initialise(const SCommandLine& commandLine) {
    m_commandLine = commandLine;
    m_savePath = m_app.DefaultSavePath();
    m_app.Setup().SetSavePath(m_savePath);
    for (int pane : {0, 1, 2, 4, 5, 6, 7}) SetPane(pane, std::string());

    m_manager.Start(m_queue, kWorkerSlots, m_workerFactory);
    for (int slot = 0; slot < kWorkerSlots; ++slot) {
        for (WorkerControl kind : {WorkerControl::Status, WorkerControl::Progress,
                                   WorkerControl::Activity, WorkerControl::Preview}) {
            m_manager.SetWorkerControl(slot, kind, &m_workerRows[static_cast<std::size_t>(slot)]);
        }
    }
    m_manager.SetThreadCount(1);

    const std::string file = !commandLine.fileName.empty()
                                 ? commandLine.fileName
                                 : m_app.Settings().ReadString(kSectionData, kKeyLastFile, kDefaultLastFile);
    if (!file.empty()) {
        m_timers.KillTimer(2);
        Load(file);
    } else {
        StartTimer(7, 1000);
    }
    StartTimer(1, 1000);
    StartTimer(2, static_cast<std::int64_t>(m_app.Setup().m_autoSaveMinutes) * 60000);
    StartTimer(10, 3000);
    ApplyThumbnailsOption();

    ApplySwitches(commandLine, m_app.Setup());
    m_app.PublishSetup();
    m_view.OnFieldsChanged();
    if (commandLine.autoRequested && commandLine.autoStartPending) {
        m_autoMode[0] = m_autoMode[1] = true;  // the switch's two flags, set together
        StartAutoMode();
    }
}

void CMainModel::HandleMessage(const SMessage& message) {
    switch (message.number) {
        case kTimerMessage:
            OnTimer(static_cast<unsigned>(message.wParam));
            break;
        case UWM_ITEM_DONE:
        case UWM_ITEM_RETURNED:
            OnItemBack(std::unique_ptr<CWorkItem>(static_cast<CWorkItem*>(message.lParam)),
                       message.number == UWM_ITEM_DONE);
            break;
        case UWM_QUEUE_BUSY:
            m_app.Throughput().StartBusy();
            m_idle = false;
            break;
        case UWM_QUEUE_IDLE:
            OnQueueIdle();
            break;
        case UWM_MANAGER_STOPPED:
            OnManagerStopped();
            break;
        case UWM_ARTICLE_HEADER:
            m_store.IntakeArticle(std::unique_ptr<CArticle>(static_cast<CArticle*>(message.lParam)));
            break;
        case UWM_ARTICLE_STARTED:
            if (auto* article = static_cast<CArticle*>(message.lParam)) {
                article->SetDownloading(true);
                m_rows.OnArticleChanged(*article);
            }
            break;
        case UWM_DIALUP_STATE:
            m_dialup.OnDialupState(message.lParam != nullptr, m_gate);
            SetPane(4, message.lParam != nullptr ? "Connected" : m_dialup.LastErrorText());
            break;
        case UWM_ARTICLE_SAVED:
            OnArticleSaved(static_cast<AttachmentDecoder*>(message.lParam));
            break;
        case UWM_DISK_FULL:
            OnDiskFull();
            break;
        case UWM_GROUP_FIRST:
            OnGroupFirst(std::unique_ptr<CGroupNumber>(static_cast<CGroupNumber*>(message.lParam)));
            break;
        case UWM_CROSSPOSTS:
            OnCrossposts(std::unique_ptr<CGroupNumber>(static_cast<CGroupNumber*>(message.lParam)));
            break;
        default:
            break;
    }
    TakeDeferredIndexMessages();
}

void CMainModel::Execute(int command) {
    if (!IsEnabled(command)) return;
    if (const int slot = cmd::CancelButtonSlot(command); slot >= 0) return CancelWorkerRow(slot);
    if (const int slot = cmd::LocateButtonSlot(command); slot >= 0) {
        LocateWorkerRow(slot);
        return;
    }
    switch (command) {
        case cmd::kNew: return New();
        case cmd::kOpen: return Open();
        case cmd::kSave: return Save();
        case cmd::kSaveAs: return SaveAs();
        case cmd::kExit: return RequestClose();
        case cmd::kDoAllGroups: return DoAllGroups();
        case cmd::kDoGroup: return DoGroup();
        case cmd::kGroupList: return QueueGroupList();
        case cmd::kReset: return Reset();
        case cmd::kSelectAll: return m_rows.SelectAll();
        case cmd::kSelectNone: return m_rows.SelectNone();
        case cmd::kGrabSelected: return GrabArticles(m_rows.Selected(), -1);
        case cmd::kDownloadFirst: return GrabArticles(m_rows.Selected(), 0);
        case cmd::kGrabAll: return GrabArticles(m_rows.Rows(), -1);
        case cmd::kTextAttachment: return ToggleTextAttachment();
        case cmd::kRemoveSelected: return RemoveSelected();
        case cmd::kCancelSelected: return CancelSelected();
        case cmd::kStopAll: return StopAll();
        case cmd::kEmptyQueue: return EmptyQueue();
        case cmd::kKillPerson: return Kill(true);
        case cmd::kKillSite: return Kill(false);
        case cmd::kFind: {
            CFindState find;
            m_view.RunFindDialog(find);
            return;
        }
        case cmd::kBrowse:
            m_browserOpen = m_view.OpenBrowser();
            return;
        case cmd::kAutomate: return Automate();
        case cmd::kImport: return m_view.RunImport();
        case cmd::kEmptyLog: return EmptyLog();
        case cmd::kOptions: {
            auto copy = std::make_unique<CSetup>(m_app.Setup());
            if (m_view.RunOptions(*copy)) ApplyOptions(std::move(copy));
            return;
        }
        case cmd::kShowWizard: {
            auto& settings = m_app.Settings();
            settings.WriteInt(kSectionData, kKeyWizard,
                              settings.ReadInt(kSectionData, kKeyWizard, 1) == 0 ? 1 : 0);
            return;
        }
        case cmd::kLargeToolbar: {
            auto& settings = m_app.Settings();
            const int large = settings.ReadInt(kSectionData, kKeyBigTool, 1) == 0 ? 1 : 0;
            settings.WriteInt(kSectionData, kKeyBigTool, large);
            m_view.SetLargeToolbar(large != 0);
            return;
        }
        case cmd::kHelp: return m_view.ShowHelp();
        case cmd::kAbout: return m_view.ShowAbout();
        case cmd::kEnable: return ToggleGroupEnabled();
        default: return;  // the default button and unknown numbers do nothing
    }
}

bool CMainModel::IsEnabled(int command) const {
    const bool articleChosen = m_rows.AnySelected() && m_rows.Current() != nullptr;
    switch (command) {
        case cmd::kNew:
        case cmd::kOpen:
            return m_idle;
        case cmd::kDoGroup:
            return SelectedSetupGroup() != nullptr;
        case cmd::kGrabSelected:
        case cmd::kTextAttachment:
        case cmd::kRemoveSelected:
        case cmd::kKillPerson:
        case cmd::kKillSite:
            return articleChosen;
        case cmd::kCancelSelected:
            return m_rows.AnySelected() && m_rows.Current() != nullptr && m_rows.Current()->Queued();
        case cmd::kBrowse:
            return !m_browserOpen;
        default:
            return true;
    }
}

bool CMainModel::IsChecked(int command) const {
    if (command == cmd::kShowWizard)
        return m_app.Settings().ReadInt(kSectionData, kKeyWizard, 1) != 0;
    if (command == cmd::kLargeToolbar)
        return m_app.Settings().ReadInt(kSectionData, kKeyBigTool, 1) != 0;
    return false;
}

std::string CMainModel::CommandText(int command) const {
    if (command == cmd::kEnable) {
        const CSetupGroup* group = SelectedSetupGroup();
        if (group == nullptr) return "Enable";
        return group->m_enabled != 0 ? "Disable Group" : "Enable Group";
    }
    const cmd::SCommandInfo* info = cmd::FindCommand(command);
    return info != nullptr ? std::string(info->menuText) : std::string();
}

void CMainModel::SetSavePathField(const std::string& path) {
    m_savePath = path;
    m_app.Setup().SetSavePath(path);
}

void CMainModel::SetThreadsSlider(int position) {
    position = std::clamp(position, 0, kWorkerSlots);
    m_app.Setup().m_threads = position;
    m_manager.SetThreadCount(position);
}

void CMainModel::SelectGroupRow(int row) { m_selectedGroup = row; }

void CMainModel::GroupRowDoubleClicked(int row) {
    m_selectedGroup = row;
    DoGroup();
}

void CMainModel::CancelWorkerRow(int slot) {
    if (slot >= 0 && slot < kWorkerSlots) m_manager.CancelWorker(slot);
}

std::size_t CMainModel::LocateWorkerRow(int slot) {
    if (slot < 0 || slot >= kWorkerSlots) return m_rows.Count();
    const CWorkItem* item = m_manager.GetWorkerItem(slot);
    if (item == nullptr || item->article == nullptr) return m_rows.Count();
    const std::size_t row = m_rows.RowOf(item->article);
    if (row < m_rows.Count()) m_rows.ScrollIntoView(row);
    return row;
}

void CMainModel::StartTimer(unsigned id, std::int64_t ms) {
    // A setup file can hold any interval; a timer cannot wait longer than an int of ms. An
    // interval of 0 (an auto-save of 0 minutes) starts nothing rather than firing nonstop.
    if (ms <= 0) {
        m_timers.KillTimer(id);
        return;
    }
    m_timers.SetTimer(id, static_cast<int>(std::min<std::int64_t>(ms, INT32_MAX)));
}

void CMainModel::TakeSavePathField() { m_app.Setup().SetSavePath(m_savePath); }

void CMainModel::ShowSavePathInModel() {
    m_savePath = m_app.Setup().SavePath();
    m_view.OnFieldsChanged();
}

const CSetupGroup* CMainModel::FindSetupGroup(std::string_view name) const {
    for (const auto& group : m_app.Setup().m_groups) {
        if (group->Name() == name) return group.get();
    }
    return nullptr;
}

CSetupGroup* CMainModel::SelectedSetupGroup() const {
    // The row number may be stale (it is not reset when the list is rebuilt): a row that does
    // not exist names no group.
    const auto& groups = m_app.Setup().m_groups;
    if (m_selectedGroup < 0 || static_cast<std::size_t>(m_selectedGroup) >= groups.size())
        return nullptr;
    return groups[static_cast<std::size_t>(m_selectedGroup)].get();
}

void CMainModel::ApplyThumbnailsOption() {
    m_view.OnThumbnailsTabEnabled(m_app.Setup().m_showThumbnails != 0);
}

void CMainModel::SetPane(int pane, std::string text) {
    if (pane < 0 || pane >= kPaneCount) return;
    auto& slot = m_panes[static_cast<std::size_t>(pane)];
    if (slot == text) return;
    slot = std::move(text);
    m_view.OnPaneChanged(pane, slot);
}

void CMainModel::TakeDeferredIndexMessages() {
    for (const std::string& text : m_app.Newsgroups().TakeDeferredMessages()) {
        m_app.Prompt().ShowMessage(text);
        if (text == kFatalDatabaseMessage) {
            m_fatal = true;
            End();
        }
    }
}

}  // namespace corvane
