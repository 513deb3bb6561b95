// The main window model's work commands: making work items and handing them to the thread
// manager (group headers, group list, group refresh, article downloads), and the commands that
// edit the article list and the queue.
#include <unordered_set>
#include <utility>

#include "app/kill_commands.h"
#include "app/main_model.h"
#include "select/criteria_eval.h"

namespace corvane {

std::unique_ptr<CWorkItem> CMainModel::MakeItem(WorkKind kind, int priority) const {
    const CSetup& setup = m_app.Setup();
    auto item = std::make_unique<CWorkItem>();
    item->window = const_cast<CMessageQueue*>(&m_queue);
    item->kind = static_cast<int>(kind);
    item->priority = priority;
    item->loginRequired = setup.m_requiresLogin;
    item->user = setup.User();
    item->password = setup.Password();
    item->server = setup.NewsServer();
    item->port = setup.m_port;
    item->saveDirectory = setup.SavePath();
    return item;
}

std::string CMainModel::SaveDirectoryFor(const CSetupGroup& group) const {
    std::string directory = m_app.Setup().SavePath();
    if (!group.RelativePath().empty()) {
        if (!directory.empty() && directory.back() != '/') directory += '/';
        directory += group.RelativePath();
    }
    return directory;
}

bool CMainModel::ReadyToQueue() { return m_dialup.ReadyToQueue(m_app.Setup(), m_gate); }

void CMainModel::HandOver(std::unique_ptr<CWorkItem> item) {
    ++m_outstanding;
    m_manager.AddItem(std::move(item));
}

void CMainModel::QueueArticle(CArticle& article, const CSetupGroup& group, std::int32_t priority) {
    if (!ReadyToQueue()) return;
    auto item = MakeItem(WorkKind::Article, priority < 0 ? article.Priority() : priority);
    item->group = group.Name();
    item->article = &article;
    item->saveDirectory = SaveDirectoryFor(group);
    item->overwrite = m_app.Setup().m_overwrite;
    article.SetMismatch(false);
    article.SetQueued(true);
    article.SetWorkItem(item.get());
    HandOver(std::move(item));
    m_queuedLines += article.Lines();
}

void CMainModel::QueueGroupHeaders(const CSetupGroup& group) {
    if (!ReadyToQueue()) return;
    auto item = MakeItem(WorkKind::GroupHeaders, CArticle::kPriorityMedium);
    item->group = group.Name();
    item->attachmentFlag = group.m_type;
    item->startNumber = group.m_highestArticle;
    HandOver(std::move(item));
}

void CMainModel::RequestGroupRefresh(const std::string& group) {
    if (!ReadyToQueue()) return;
    auto item = MakeItem(WorkKind::GroupRefresh, CArticle::kPriorityMedium);
    item->group = group;
    HandOver(std::move(item));
}

void CMainModel::DoGroup() {
    const CSetupGroup* group = SelectedSetupGroup();
    if (group == nullptr) return;
    QueueGroupHeaders(*group);
    m_view.OnGroupsChanged();
}

void CMainModel::DoAllGroups() {
    for (const auto& group : m_app.Setup().m_groups) {
        if (group->m_enabled != 0) QueueGroupHeaders(*group);
    }
}

void CMainModel::QueueGroupList() {
    if (ReadyToQueue()) HandOver(MakeItem(WorkKind::GroupList, CArticle::kPriorityHigh));
    TakeSavePathField();
}

bool CMainModel::QueueWizardGroupList(const SWizardValues& values) {
    m_app.Newsgroups().Open(values.server);
    TakeDeferredIndexMessages();
    if (!ReadyToQueue()) return false;
    auto item = MakeItem(WorkKind::GroupList, CArticle::kPriorityHigh);
    item->server = values.server;
    item->port = values.port;
    item->user = values.user;
    item->password = values.password;
    item->loginRequired = values.requiresLogin ? 1 : 0;
    HandOver(std::move(item));
    return true;
}

void CMainModel::GrabArticles(const std::vector<CArticle*>& articles, std::int32_t priority) {
    // Rejected records leave the list in one pass at the end, so the pass walks a copy and a
    // large list is not shifted once per rejected row.
    const std::vector<CArticle*> pass = articles;
    const CSetup& setup = m_app.Setup();
    std::vector<CArticle*> rejected;
    for (CArticle* article : pass) {
        const CSetupGroup* group = FindSetupGroup(article->Newsgroup());
        if (group == nullptr) {
            rejected.push_back(article);
            continue;
        }
        // A queued record belongs to its job, which writes the values the rules set and
        // checks the rules itself before it downloads: it is not evaluated here meanwhile.
        if (article->Queued()) continue;
        if (!ApplyCriteria(*article, setup.m_criteriaGroups)) {
            rejected.push_back(article);
            continue;
        }
        if (article->IsComplete()) {
            QueueArticle(*article, *group, priority);
            m_rows.OnArticleChanged(*article);
        }
    }
    DiscardArticles(rejected);
    TakeSavePathField();
}

void CMainModel::DiscardArticles(const std::vector<CArticle*>& articles) {
    const std::unordered_set<const CArticle*> gone(articles.begin(), articles.end());
    for (auto& owned : m_store.RemoveArticles(gone)) {
        if (CWorkItem* item = owned->WorkItem()) {
            m_queuedLines -= owned->Lines();
            m_manager.RemoveItem(item);
            m_detached[item] = std::move(owned);
        }
    }
}

void CMainModel::RemoveSelected() {
    std::unordered_set<const CArticle*> gone;
    for (CArticle* article : m_rows.Selected()) {
        if (article->Queued() && article->WorkItem() != nullptr) {
            article->SetRemoveWhenDone(true);
            m_manager.RemoveItem(article->WorkItem());
        } else {
            gone.insert(article);
        }
    }
    m_store.RemoveArticles(gone);  // the returned records are freed here
}

void CMainModel::CancelSelected() {
    for (CArticle* article : m_rows.Selected()) {
        if (!article->Queued() || article->WorkItem() == nullptr) continue;
        m_manager.RemoveItem(article->WorkItem());
        m_rows.OnArticleChanged(*article);
    }
}

void CMainModel::ToggleTextAttachment() {
    for (CArticle* article : m_rows.Selected()) {
        if (article->Queued()) continue;
        article->SetAttachment(!article->Attachment());
        m_rows.OnArticleChanged(*article);
    }
}

void CMainModel::StopAll() {
    EmptyQueue();
    for (int slot = 0; slot < kWorkerSlots; ++slot) m_manager.CancelWorker(slot);
}

void CMainModel::EmptyQueue() {
    m_manager.EmptyQueue();
    TakeSavePathField();
}

void CMainModel::Reset() {
    m_app.Log().Clear();
    ClearArticleState();
}

void CMainModel::EmptyLog() {
    if (m_app.Prompt().AskYesNo("Are you sure? This will completely empty the log"))
        m_app.Log().Clear();
}

void CMainModel::ToggleGroupEnabled() {
    CSetupGroup* group = SelectedSetupGroup();
    if (group == nullptr) return;
    group->m_enabled = group->m_enabled != 0 ? 0 : 1;
    m_app.PublishSetup();
    m_view.OnGroupsChanged();
}

void CMainModel::Kill(bool person) {
    const CArticle* current = m_rows.Current();
    if (current == nullptr) return;
    if (person) {
        KillPerson(m_app.Setup(), *current);
    } else {
        KillSite(m_app.Setup(), *current);
    }
    m_app.PublishSetup();
}

}  // namespace corvane
