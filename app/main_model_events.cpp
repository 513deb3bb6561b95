// The main window model's side of the worker protocol: what it does with every notification
// the thread manager and the workers post, and with its own timers.
#include <algorithm>
#include <vector>

#include "app/main_model.h"
#include "app/settings_keys.h"
#include "app/status_text.h"
#include "nntp/group_number.h"
#include "store/article_saved.h"

namespace corvane {

namespace {

constexpr const char* kDiskFullText =
    "The path where you are storing your downloads has run out of space.  Corvane has emptied "
    "the download queue.";

}  // namespace

void CMainModel::OnItemBack(std::unique_ptr<CWorkItem> item, bool done) {
    if (!item) return;
    --m_outstanding;
    if (item->article == nullptr) return;
    if (auto it = m_detached.find(item.get()); it != m_detached.end()) {
        m_detached.erase(it);  // the record left the list while the item was out
        return;
    }
    CArticle& article = *item->article;
    m_queuedLines = std::max<std::int64_t>(0, m_queuedLines - article.Lines());
    // A download that found another message-ID at the number keeps the article listed.
    const bool keep = !done || article.Mismatch();
    if (keep) {
        ArticleBack(article);
    } else {
        m_store.RemoveArticle(article);  // the returned record is freed here
    }
}

void CMainModel::ArticleBack(CArticle& article) {
    article.SetQueued(false);
    article.SetPriority(CArticle::kPriorityMedium);
    article.SetDownloading(false);
    article.SetWorkItem(nullptr);
    m_rows.OnArticleChanged(article);
    if (article.RemoveWhenDone()) m_store.RemoveArticle(article);
}

void CMainModel::OnQueueIdle() {
    if (m_wizardRunning) m_view.OnWizardWorkFinished();
    m_idle = true;
    m_app.Throughput().EndBusy();
    // The notification may be older than items queued since (headers handled just before it
    // queue downloads automatically): close only when nothing is out at this moment; the
    // manager reports idle again once those items are done.
    if (AutoMode() && m_app.Setup().m_threads > 0 && m_outstanding == 0 && !m_closing)
        RequestClose();
}

void CMainModel::OnManagerStopped() {
    m_dialup.HangUp(m_app.Setup());
    End();
}

void CMainModel::OnDiskFull() {
    StopAll();
    for (unsigned id : {1u, 4u, 2u}) m_timers.KillTimer(id);
    m_app.Prompt().ShowMessage(kDiskFullText);
    Save();
    m_closing = true;
    m_manager.Shutdown();
}

void CMainModel::OnArticleSaved(AttachmentDecoder* chain) {
    if (chain == nullptr) return;
    // The decoder names its article by group and number; the record is still listed (its
    // item comes back after this message) or kept aside when it left the list meanwhile.
    const CArticle* article = nullptr;
    auto matches = [chain](const CArticle& a) {
        return a.WorkItem() != nullptr && a.ArticleNumber() == chain->ArticleNumber() &&
               a.Newsgroup() == chain->BaseName();
    };
    for (const auto& listed : m_store.Articles()) {
        if (matches(*listed)) {
            article = listed.get();
            break;
        }
    }
    for (const auto& [item, detached] : m_detached) {
        if (article == nullptr && matches(*detached)) article = detached.get();
    }
    if (article != nullptr) {
        RecordSavedArticle(*chain, article->DisplaySubject(), article->Origin(), article->From(),
                           article->Lines(), m_app.Setup().m_logDownloads != 0, m_app.Log());
    } else {
        RecordSavedArticle(*chain, {}, {}, {}, 0, m_app.Setup().m_logDownloads != 0,
                           m_app.Log());
    }
    chain->Release();
}

void CMainModel::OnGroupFirst(std::unique_ptr<CGroupNumber> first) {
    if (first) m_store.Ranges().OnGroupFirst(first->Group(), first->Number());
}

void CMainModel::OnCrossposts(std::unique_ptr<CGroupNumber> chain) {
    std::vector<CGroupRangeMap::Crosspost> pairs;
    for (const CGroupNumber* node = chain.get(); node != nullptr; node = node->Next())
        pairs.emplace_back(node->Group(), node->Number());
    m_store.OnCrossposts(pairs);
}

void CMainModel::OnTimer(unsigned id) {
    switch (id) {
        case 1:
            TakeSavePathField();
            ShowQueueCounts();
            break;
        case 2:
            if (FileName().empty()) break;
            m_timers.KillTimer(2);
            Save();
            StartTimer(2, static_cast<std::int64_t>(m_app.Setup().m_autoSaveMinutes) * 60000);
            break;
        case 4:
            EmptyQueue();
            m_timers.KillTimer(4);
            break;
        case 5:
            OnDelayedStart();
            break;
        case 7:
            m_timers.KillTimer(7);
            if (m_app.Settings().ReadInt(kSectionData, kKeyWizard, kDefaultWizard) != 0)
                RunWizard();
            break;
        case 10:
            ShowThroughput();
            break;
        case 15:
            OnWatchdog();
            break;
        default:
            break;
    }
}

void CMainModel::ShowQueueCounts() {
    SetPane(2, QueuedWorkText(m_manager.QueuedCount()));
    SetPane(3, QueuedLinesText(m_queuedLines));
}

void CMainModel::ShowThroughput() {
    const double cps = m_app.Throughput().Throughput();
    SetPane(1, CpsText(cps));
    if (const auto seconds = QueueSeconds(m_queuedLines, cps)) SetPane(7, QueueTimeText(*seconds));
}

}  // namespace corvane
