#pragma once
// The Find dialog's state: the search text, "Match case", the row the next search starts at
// and the label of the Find button. It lives only while the dialog is open and owns nothing
// but those values. Main thread only. The article list takes part through IFindRows, which
// the window implements over its rows as shown; the state keeps no row and no subject after a
// press, and tells the user the count of Find All through the IPrompt it is given.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/prompt.h"

namespace corvane {

// The rows of the article list in the order they are shown.
class IFindRows {
public:
    virtual ~IFindRows() = default;
    virtual std::size_t RowCount() const = 0;
    // The Subject column of the row as shown, with the prefix of a multi-part posting.
    virtual std::string SubjectAt(std::size_t row) const = 0;
    // Adds the row to the selection (other rows stay selected) and gives it the focus.
    virtual void SelectAndFocus(std::size_t row) = 0;
    virtual void ScrollIntoView(std::size_t row) = 0;
};

inline constexpr std::string_view kFindLabel = "&Find";
inline constexpr std::string_view kFindNextLabel = "Find &Next";

// The text Find All shows: "<count> articles selected.".
std::string ArticlesSelectedText(std::size_t count);

class CFindState {
public:
    // Typing in the text field starts the search again from the top.
    void SetSearchText(std::string_view text);
    // Applies from the next press on; where the search stands does not change.
    void SetMatchCase(bool on);

    // Selects the next matching row from the current position and answers it. Answers nothing
    // when no row is left to match; the next press then starts at the first row.
    std::optional<std::size_t> PressFind(IFindRows& rows);
    // Selects every matching row, tells the user how many, and answers the count. The next
    // Find press then reports the end, and the press after it starts from the top.
    std::size_t PressFindAll(IFindRows& rows, IPrompt& prompt);

    const std::string& SearchText() const { return m_searchText; }
    bool MatchCase() const { return m_matchCase; }
    std::size_t Position() const { return m_position; }
    std::string_view ButtonLabel() const { return m_findNext ? kFindNextLabel : kFindLabel; }

private:
    // The search text as it is compared: folded once when it or match case changes, so that a
    // press over many rows folds each subject and nothing else.
    void PrepareNeedle();
    bool Matches(std::string_view subject) const;

    std::string m_searchText;
    std::string m_needle;
    bool m_matchCase = false;
    std::size_t m_position = 0;
    bool m_findNext = false;  // the button reads "Find &Next" rather than "&Find"
};

}  // namespace corvane
