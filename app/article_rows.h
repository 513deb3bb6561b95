#pragma once
// The article list as the window shows it: the rows in screen order (arrival order until the
// user sorts by a column; new rows always go to the end), which rows are selected, and the
// current article (the row that last had the focus). It follows the article store through
// IArticleListObserver and passes every change on to the view that draws it, if any.
// Main thread only; it never owns a record: the article store does.
#include <cstddef>
#include <unordered_set>
#include <vector>

#include "app/find_state.h"
#include "select/article_list_events.h"

namespace corvane {

// What a view of the rows is told beyond the store's own row events.
class IArticleRowsView : public IArticleListObserver {
public:
    // The order or the whole content changed: redraw everything.
    virtual void OnRowsReset() {}
    virtual void OnSelectionChanged() {}
    virtual void OnScrollTo(std::size_t /*row*/) {}
};

class CArticleRows final : public IArticleListObserver, public IFindRows {
public:
    void SetView(IArticleRowsView* view) { m_view = view; }

    // IArticleListObserver, from the store.
    void OnArticleInserted(std::size_t row, const CArticle& article) override;
    void OnArticleChanged(const CArticle& article) override;
    void OnArticleRemoved(std::size_t row, const CArticle& article) override;
    void OnArticlesRemoved(const std::unordered_set<const CArticle*>& gone) override;

    // The rows are the store's list again, in its order (after a load, a reset or New).
    void Rebuild(const std::vector<std::unique_ptr<CArticle>>& articles);
    void SortBy(int column);

    std::size_t Count() const { return m_rows.size(); }
    CArticle* At(std::size_t row) const { return m_rows[row]; }
    // Screen position of the record; Count() when it is not shown.
    std::size_t RowOf(const CArticle* article) const;
    const std::vector<CArticle*>& Rows() const { return m_rows; }

    // Selection, as the user makes it.
    void Select(std::size_t row, bool selected);
    void SelectAll();
    void SelectNone();
    bool IsSelected(const CArticle* article) const { return m_selected.count(article) != 0; }
    bool AnySelected() const { return !m_selected.empty(); }
    // The selected records in screen order.
    std::vector<CArticle*> Selected() const;
    // The row that received the focus; its record becomes the current article.
    void Focus(std::size_t row);
    CArticle* Current() const { return m_current; }

    // IFindRows, for the Find dialog.
    std::size_t RowCount() const override { return m_rows.size(); }
    std::string SubjectAt(std::size_t row) const override;
    void SelectAndFocus(std::size_t row) override;
    void ScrollIntoView(std::size_t row) override;

private:
    std::vector<CArticle*> m_rows;
    std::unordered_set<const CArticle*> m_selected;
    CArticle* m_current = nullptr;
    IArticleRowsView* m_view = nullptr;
};

}  // namespace corvane
