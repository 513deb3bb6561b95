#pragma once
// What the article store tells the outside while it takes in headers: a list view model
// follows the rows through IArticleListObserver, and the download queue takes the wanted
// articles through IArticleQueue. Both are implemented by the main window's side and called
// on the main thread only, from inside the store's operations; the records passed stay owned
// by the store.
#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "setup/article.h"
#include "setup/setup_group.h"

namespace corvane {

class IArticleListObserver {
public:
    virtual ~IArticleListObserver() = default;
    // A new row at the end of the list (row is its index).
    virtual void OnArticleInserted(std::size_t row, const CArticle& article) = 0;
    // The row's subject, lines or image may have changed.
    virtual void OnArticleChanged(const CArticle& article) = 0;
    // The row is about to leave the list; the record is still alive during the call.
    virtual void OnArticleRemoved(std::size_t row, const CArticle& article) = 0;
    // Many rows are about to leave at once (the records are still alive during the call);
    // a list view redraws once rather than once per row.
    virtual void OnArticlesRemoved(const std::unordered_set<const CArticle*>& gone) {
        (void)gone;
    }
};

class IArticleQueue {
public:
    virtual ~IArticleQueue() = default;
    // Makes a download work item for the article under the group, at the given priority, and
    // marks the article queued, so that the same article is not queued twice.
    virtual void QueueArticle(CArticle& article, const CSetupGroup& group,
                              std::int32_t priority) = 0;
};

}  // namespace corvane
