#include "select/article_store.h"

#include <utility>

#include "select/criteria_eval.h"
#include "select/multi_part.h"

namespace corvane {

CArticleStore::CArticleStore(CSetup& setup) : m_setup(&setup) {}

void CArticleStore::Reserve(std::size_t articles) {
    m_articles.reserve(m_articles.size() + articles);
    // Most postings have several parts, so this over-reserves the joined records; a rehash
    // in the middle of a large group costs more than the spare buckets.
    m_multiParts.reserve(m_multiParts.size() + articles / 2);
}

CIntakeResult CArticleStore::IntakeArticle(std::unique_ptr<CArticle> article) {
    if (!article) return {EIntakeOutcome::kRejected};
    const std::string& group = article->Newsgroup();
    const std::int32_t number = article->ArticleNumber();
    if (m_ranges.IsArticleSeen(group, number)) return {EIntakeOutcome::kSeen};
    m_ranges.RecordArticle(group, number);
    if (IsKnownMessageId(article->MessageId())) return {EIntakeOutcome::kKnownMessageId};
    if (!ApplyCriteria(*article, m_setup->m_criteriaGroups)) return {EIntakeOutcome::kRejected};

    bool isNew = false;
    bool dropped = false;
    CArticle* item = JoinOrList(std::move(article), isNew, dropped);
    if (dropped) return {EIntakeOutcome::kDescriptionPart};
    if (!isNew && m_observer) m_observer->OnArticleChanged(*item);

    RaiseHighestNumbers(*item);
    if (m_setup->m_autoQueueArticles != 0 && item->IsComplete() && !item->Queued()) {
        if (!AutoQueue(*item)) return {EIntakeOutcome::kNoSuchGroup};
    }
    return {isNew ? EIntakeOutcome::kListed : EIntakeOutcome::kJoined, item};
}

CArticle* CArticleStore::JoinOrList(std::unique_ptr<CArticle> article, bool& isNew, bool& dropped) {
    const CPartCounter counter = ParseParts(*article);
    if (!counter.multiPart || counter.count > kMaxPartCount) {
        isNew = true;
        return Append(std::move(article));
    }
    if (counter.part == 0) {
        dropped = true;
        return nullptr;
    }
    return JoinPart(std::move(article), counter.part, counter.count, counter.baseSubject, isNew);
}

CArticle* CArticleStore::JoinPart(std::unique_ptr<CArticle> article, std::int32_t n,
                                  std::int32_t count, std::string_view base, bool& isNew) {
    // base views the article's subject, so it is used up before the article moves on.
    if (auto it = m_multiParts.find(base); it != m_multiParts.end()) {
        CMultiPartArticle* record = *it;
        record->AddPart(std::move(article), n);
        isNew = false;
        return record;
    }
    auto record = std::make_unique<CMultiPartArticle>(count, base);
    // The posting is text or attachment as its first arriving part was judged.
    record->SetAttachment(article->Attachment());
    record->AddPart(std::move(article), n);
    CMultiPartArticle* raw = record.get();
    m_multiParts.insert(raw);
    isNew = true;
    return Append(std::move(record));
}

CArticle* CArticleStore::Append(std::unique_ptr<CArticle> record) {
    CArticle* raw = record.get();
    m_articles.push_back(std::move(record));
    if (m_observer) m_observer->OnArticleInserted(m_articles.size() - 1, *raw);
    return raw;
}

void CArticleStore::RaiseHighestNumbers(const CArticle& item) {
    const std::int32_t number = item.ArticleNumber();
    for (const auto& group : m_setup->m_groups) {
        if (group->Name() == item.Newsgroup() && group->m_highestArticle < number)
            group->m_highestArticle = number;
    }
}

bool CArticleStore::AutoQueue(CArticle& item) {
    bool groupFound = false;
    for (const auto& group : m_setup->m_groups) {
        if (group->Name() != item.Newsgroup()) continue;
        groupFound = true;
        if (m_queue == nullptr || item.Queued() || !item.IsComplete()) continue;
        m_queue->QueueArticle(item, *group, item.Priority());
        if (m_observer) m_observer->OnArticleChanged(item);
    }
    if (!groupFound) RemoveArticle(item);  // the returned record is freed here
    return groupFound;
}

void CArticleStore::OnCrossposts(std::span<const CGroupRangeMap::Crosspost> pairs) {
    std::vector<std::string> names;
    names.reserve(m_setup->m_groups.size());
    for (const auto& group : m_setup->m_groups) names.push_back(group->Name());
    m_ranges.OnCrossposts(pairs, names);
}

std::size_t CArticleStore::RowOf(const CArticle& article) const {
    // Intake takes off only the record it has just appended, so the search starts at the end.
    for (std::size_t row = m_articles.size(); row > 0; --row)
        if (m_articles[row - 1].get() == &article) return row - 1;
    return m_articles.size();
}

std::unique_ptr<CArticle> CArticleStore::RemoveArticle(const CArticle& article) {
    const std::size_t row = RowOf(article);
    if (row == m_articles.size()) return nullptr;
    if (article.IsMultiPart()) {
        auto it = m_multiParts.find(article.Subject());
        if (it != m_multiParts.end() && *it == &article) m_multiParts.erase(it);
    }
    if (m_observer) m_observer->OnArticleRemoved(row, article);
    std::unique_ptr<CArticle> owned = std::move(m_articles[row]);
    m_articles.erase(m_articles.begin() + static_cast<std::ptrdiff_t>(row));
    return owned;
}

CMultiPartArticle* CArticleStore::FindMultiPart(std::string_view baseSubject) const {
    auto it = m_multiParts.find(baseSubject);
    return it == m_multiParts.end() ? nullptr : *it;
}

bool CArticleStore::IsKnownMessageId(std::string_view messageId) const {
    // Most setups carry no message-IDs, and then a header costs no hashing here.
    return !m_messageIdKeys.empty() && m_messageIdKeys.contains(messageId);
}

}  // namespace corvane
