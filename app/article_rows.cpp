#include "app/article_rows.h"

#include <algorithm>

#include "app/article_sort.h"

namespace corvane {

void CArticleRows::OnArticleInserted(std::size_t, const CArticle& article) {
    // The store's row is its arrival position; on screen a new row always goes to the end,
    // whatever order the user sorted by.
    m_rows.push_back(const_cast<CArticle*>(&article));
    if (m_view) m_view->OnArticleInserted(m_rows.size() - 1, article);
}

void CArticleRows::OnArticleChanged(const CArticle& article) {
    if (m_view) m_view->OnArticleChanged(article);
}

void CArticleRows::OnArticleRemoved(std::size_t, const CArticle& article) {
    const std::size_t row = RowOf(&article);
    if (row == m_rows.size()) return;
    if (m_view) m_view->OnArticleRemoved(row, article);
    m_selected.erase(&article);
    if (m_current == &article) m_current = nullptr;
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
}

void CArticleRows::OnArticlesRemoved(const std::unordered_set<const CArticle*>& gone) {
    std::erase_if(m_rows, [&gone](const CArticle* article) { return gone.count(article) != 0; });
    for (const CArticle* article : gone) m_selected.erase(article);
    if (m_current != nullptr && gone.count(m_current)) m_current = nullptr;
    if (m_view) m_view->OnRowsReset();
}

void CArticleRows::Rebuild(const std::vector<std::unique_ptr<CArticle>>& articles) {
    m_rows.clear();
    m_rows.reserve(articles.size());
    for (const auto& article : articles) m_rows.push_back(article.get());
    m_selected.clear();
    m_current = nullptr;
    if (m_view) m_view->OnRowsReset();
}

void CArticleRows::SortBy(int column) {
    SortArticleRows(m_rows, column);
    if (m_view) m_view->OnRowsReset();
}

std::size_t CArticleRows::RowOf(const CArticle* article) const {
    return static_cast<std::size_t>(std::find(m_rows.begin(), m_rows.end(), article) -
                                    m_rows.begin());
}

void CArticleRows::Select(std::size_t row, bool selected) {
    if (row >= m_rows.size()) return;
    if (selected) {
        m_selected.insert(m_rows[row]);
    } else {
        m_selected.erase(m_rows[row]);
    }
    if (m_view) m_view->OnSelectionChanged();
}

void CArticleRows::SelectAll() {
    m_selected.clear();
    m_selected.insert(m_rows.begin(), m_rows.end());
    // Every row takes the focus in turn, so the last one keeps it.
    if (!m_rows.empty()) m_current = m_rows.back();
    if (m_view) m_view->OnSelectionChanged();
}

void CArticleRows::SelectNone() {
    m_selected.clear();
    if (m_view) m_view->OnSelectionChanged();
}

std::vector<CArticle*> CArticleRows::Selected() const {
    std::vector<CArticle*> selected;
    if (m_selected.empty()) return selected;
    for (CArticle* article : m_rows) {
        if (m_selected.count(article)) selected.push_back(article);
    }
    return selected;
}

void CArticleRows::Focus(std::size_t row) {
    if (row < m_rows.size()) m_current = m_rows[row];
}

std::string CArticleRows::SubjectAt(std::size_t row) const {
    return row < m_rows.size() ? m_rows[row]->DisplaySubject() : std::string();
}

void CArticleRows::SelectAndFocus(std::size_t row) {
    if (row >= m_rows.size()) return;
    m_selected.insert(m_rows[row]);
    m_current = m_rows[row];
    if (m_view) m_view->OnSelectionChanged();
}

void CArticleRows::ScrollIntoView(std::size_t row) {
    if (m_view) m_view->OnScrollTo(row);
}

}  // namespace corvane
