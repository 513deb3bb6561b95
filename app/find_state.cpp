#include "app/find_state.h"

#include "app/article_sort.h"

namespace corvane {

std::string ArticlesSelectedText(std::size_t count) {
    return std::to_string(count) + " articles selected.";
}

void CFindState::SetSearchText(std::string_view text) {
    m_searchText = std::string(text);
    m_findNext = false;
    m_position = 0;
    PrepareNeedle();
}

void CFindState::SetMatchCase(bool on) {
    m_matchCase = on;
    PrepareNeedle();
}

void CFindState::PrepareNeedle() {
    m_needle = m_matchCase ? m_searchText : FoldCase(m_searchText);
}

bool CFindState::Matches(std::string_view subject) const {
    if (m_needle.empty()) return true;
    if (m_matchCase) return subject.find(m_needle) != std::string_view::npos;
    return FoldCase(subject).find(m_needle) != std::string::npos;
}

std::optional<std::size_t> CFindState::PressFind(IFindRows& rows) {
    // Rows may have come or gone since the last press, so the count is read anew. A position
    // at or past the end would examine an empty text, which can only end the search.
    const std::size_t count = rows.RowCount();
    while (m_position < count && !Matches(rows.SubjectAt(m_position))) ++m_position;
    if (m_position >= count) {
        m_findNext = false;
        m_position = 0;
        return std::nullopt;
    }
    const std::size_t found = m_position;
    rows.SelectAndFocus(found);
    rows.ScrollIntoView(found);
    m_findNext = true;
    ++m_position;
    return found;
}

std::size_t CFindState::PressFindAll(IFindRows& rows, IPrompt& prompt) {
    m_findNext = false;
    m_position = 0;
    std::size_t matched = 0;
    const std::size_t count = rows.RowCount();
    for (std::size_t row = 0; row < count; ++row) {
        if (!Matches(rows.SubjectAt(row))) continue;
        rows.SelectAndFocus(row);
        ++matched;
    }
    m_position = count;
    prompt.ShowMessage(ArticlesSelectedText(matched));
    return matched;
}

}  // namespace corvane
