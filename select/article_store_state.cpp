// The article store's whole-state operations: Reset and the hand-over to and from the
// setup file's contents.
#include <utility>

#include "select/article_store.h"

namespace corvane {

void CArticleStore::SetRefreshRequester(IGroupRefreshRequester* requester) {
    m_refreshRequester = requester;
    m_ranges.SetRefreshRequester(requester);
}

void CArticleStore::Reset() {
    // The maps only view the records and their keys, so they go before what they view.
    m_multiParts.clear();
    m_messageIdKeys.clear();
    m_messageIds.Clear();
    m_ranges.Reset();
    m_articles.clear();
    for (const auto& group : m_setup->m_groups) group->m_highestArticle = 0;
}

void CArticleStore::TakeFrom(CSetupFileContents& contents) {
    m_multiParts.clear();
    m_messageIdKeys.clear();
    m_articles = std::move(contents.m_articles);
    contents.m_articles.clear();
    m_messageIds = std::move(contents.m_messageIds);
    contents.m_messageIds.Clear();
    m_ranges = std::move(contents.m_ranges);
    contents.m_ranges.Reset();
    m_ranges.SetRefreshRequester(m_refreshRequester);
    // The file's map names each joined record under the text it was saved with; intake looks
    // records up by their base subject, so that is the key kept (the first record wins).
    m_multiParts.reserve(contents.m_multiParts.Size());
    contents.m_multiParts.ForEach([this](const std::string&, CMultiPartArticle* record) {
        if (record != nullptr) m_multiParts.insert(record);
    });
    contents.m_multiParts.Clear();
    IndexMessageIds();
}

void CArticleStore::GiveTo(CSetupFileContents& contents) {
    contents.ClearArticleState();
    // Records enter the file's map in list order, the order they were made in.
    for (const auto& article : m_articles) {
        if (!article->IsMultiPart()) continue;
        CMultiPartArticle* record = FindMultiPart(article->Subject());
        if (record == article.get())
            contents.m_multiParts.Set(std::string(record->Subject()), record);
    }
    m_multiParts.clear();
    m_messageIdKeys.clear();
    contents.m_articles = std::move(m_articles);
    m_articles.clear();
    contents.m_messageIds = std::move(m_messageIds);
    m_messageIds.Clear();
    contents.m_ranges = std::move(m_ranges);
    m_ranges.Reset();
}

std::vector<std::unique_ptr<CArticle>> CArticleStore::RemoveArticles(
    const std::unordered_set<const CArticle*>& articles) {
    std::vector<std::unique_ptr<CArticle>> removed;
    if (articles.empty()) return removed;
    if (m_observer) m_observer->OnArticlesRemoved(articles);
    for (const CArticle* article : articles) {
        if (!article->IsMultiPart()) continue;
        auto it = m_multiParts.find(article->Subject());
        if (it != m_multiParts.end() && *it == article) m_multiParts.erase(it);
    }
    auto kept = m_articles.begin();
    for (auto& article : m_articles) {
        if (articles.count(article.get())) {
            removed.push_back(std::move(article));
        } else {
            if (&*kept != &article) *kept = std::move(article);
            ++kept;
        }
    }
    m_articles.erase(kept, m_articles.end());
    return removed;
}

void CArticleStore::IndexMessageIds() {
    m_messageIdKeys.reserve(m_messageIds.Size());
    m_messageIds.ForEach([this](const std::string& key, const std::unique_ptr<CMsgDetails>&) {
        m_messageIdKeys.emplace(key);
    });
}

}  // namespace corvane
