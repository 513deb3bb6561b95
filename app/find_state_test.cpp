#include "app/find_state.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
namespace {

// The article list as Find sees it, recording what Find did to it.
class CFakeRows : public IFindRows {
public:
    explicit CFakeRows(std::vector<std::string> subjects) : m_subjects(std::move(subjects)) {}

    std::size_t RowCount() const override { return m_subjects.size(); }
    std::string SubjectAt(std::size_t row) const override { return m_subjects.at(row); }
    void SelectAndFocus(std::size_t row) override { m_selected.push_back(row); }
    void ScrollIntoView(std::size_t row) override { m_scrolled.push_back(row); }

    std::vector<std::string> m_subjects;
    std::vector<std::size_t> m_selected;
    std::vector<std::size_t> m_scrolled;
};

using Rows = std::vector<std::size_t>;

TEST(FindState, StartsEmptyAtTheTopWithFindLabel) {
    CFindState find;
    EXPECT_EQ(find.SearchText(), "");
    EXPECT_FALSE(find.MatchCase());
    EXPECT_EQ(find.Position(), 0u);
    EXPECT_EQ(find.ButtonLabel(), "&Find");
}

TEST(FindState, EmptyTextSelectsOneRowPerPressThenWraps) {
    CFakeRows rows({"a", "b", "c"});
    CFindState find;
    EXPECT_EQ(find.PressFind(rows), 0u);
    EXPECT_EQ(find.ButtonLabel(), "Find &Next");
    EXPECT_EQ(find.PressFind(rows), 1u);
    EXPECT_EQ(find.PressFind(rows), 2u);
    EXPECT_EQ(find.Position(), 3u);
    // The position past the end examines an empty text: the end is reported, not a row.
    EXPECT_EQ(find.PressFind(rows), std::nullopt);
    EXPECT_EQ(find.ButtonLabel(), "&Find");
    EXPECT_EQ(find.Position(), 0u);
    EXPECT_EQ(find.PressFind(rows), 0u);
    EXPECT_EQ(rows.m_selected, (Rows{0, 1, 2, 0}));
    EXPECT_EQ(rows.m_scrolled, (Rows{0, 1, 2, 0}));
}

TEST(FindState, AfterTheLastMatchTheNextPressStartsAtTheTop) {
    CFakeRows rows({"cat.jpg", "dog.jpg", "cat2.jpg", "bird.gif"});
    CFindState find;
    find.SetSearchText("cat");
    EXPECT_EQ(find.PressFind(rows), 0u);
    EXPECT_EQ(find.PressFind(rows), 2u);
    EXPECT_EQ(find.Position(), 3u);
    EXPECT_EQ(find.PressFind(rows), std::nullopt);
    EXPECT_EQ(find.ButtonLabel(), "&Find");
    EXPECT_EQ(find.Position(), 0u);
    EXPECT_EQ(find.PressFind(rows), 0u);
    EXPECT_EQ(rows.m_selected, (Rows{0, 2, 0}));
}

TEST(FindState, NoMatchAtAllReportsTheEndAndSelectsNothing) {
    CFakeRows rows({"one", "two"});
    CFindState find;
    find.SetSearchText("zebra");
    EXPECT_EQ(find.PressFind(rows), std::nullopt);
    EXPECT_EQ(find.ButtonLabel(), "&Find");
    EXPECT_EQ(find.Position(), 0u);
    EXPECT_TRUE(rows.m_selected.empty());
    EXPECT_TRUE(rows.m_scrolled.empty());
}

TEST(FindState, EmptyListReportsTheEndForEverySearch) {
    CFakeRows rows({});
    CFindState find;
    EXPECT_EQ(find.PressFind(rows), std::nullopt);
    find.SetSearchText("x");
    EXPECT_EQ(find.PressFind(rows), std::nullopt);
    EXPECT_EQ(find.Position(), 0u);
}

TEST(FindState, EditingTheTextResetsLabelAndPosition) {
    CFakeRows rows({"x1", "x2", "x3"});
    CFindState find;
    find.SetSearchText("x");
    find.PressFind(rows);
    find.PressFind(rows);
    ASSERT_EQ(find.Position(), 2u);
    find.SetSearchText("x3");
    EXPECT_EQ(find.ButtonLabel(), "&Find");
    EXPECT_EQ(find.Position(), 0u);
    EXPECT_EQ(find.PressFind(rows), 2u);
}

TEST(FindState, TogglingMatchCaseKeepsThePosition) {
    CFakeRows rows({"abc", "ABC", "abc"});
    CFindState find;
    find.SetSearchText("abc");
    EXPECT_EQ(find.PressFind(rows), 0u);
    find.SetMatchCase(true);
    EXPECT_EQ(find.Position(), 1u);
    EXPECT_EQ(find.ButtonLabel(), "Find &Next");
    EXPECT_EQ(find.PressFind(rows), 2u);
}

TEST(FindState, MatchCaseDecidesWhetherAbcFindsAbcJpg) {
    CFakeRows rows({"ABC.JPG"});
    CFindState find;
    find.SetSearchText("abc");
    EXPECT_EQ(find.PressFind(rows), 0u);

    CFindState exact;
    exact.SetSearchText("abc");
    exact.SetMatchCase(true);
    EXPECT_EQ(exact.PressFind(rows), std::nullopt);
    exact.SetSearchText("ABC");
    EXPECT_EQ(exact.PressFind(rows), 0u);
}

TEST(FindState, IgnoringCaseFoldsLatinLettersToo) {
    CFakeRows rows({"Caf\xC3\x89 photos"});  // "CafÉ photos" in UTF-8
    CFindState find;
    find.SetSearchText("caf\xC3\xA9");
    EXPECT_EQ(find.PressFind(rows), 0u);
}

TEST(FindState, MatchesAnywhereInTheShownSubject) {
    CFakeRows rows({"(Complete) holiday.jpg", "(Parts - 1-2 of 3) beach.jpg"});
    CFindState find;
    find.SetSearchText("parts - 1");
    EXPECT_EQ(find.PressFind(rows), 1u);
}

TEST(FindState, RowsAddedWhileOpenAreSearchedToo) {
    CFakeRows rows({"a"});
    CFindState find;
    find.SetSearchText("new");
    EXPECT_EQ(find.PressFind(rows), std::nullopt);
    rows.m_subjects.push_back("new one");
    EXPECT_EQ(find.PressFind(rows), 1u);
}

TEST(FindState, FindAllSelectsEveryMatchAndSaysHowMany) {
    CFakeRows rows({"pic1.jpg", "text", "PIC2.JPG", "pic3.gif"});
    CRecordingPrompt prompt;
    CFindState find;
    find.SetSearchText("pic");
    EXPECT_EQ(find.PressFind(rows), 0u);
    rows.m_selected.clear();

    EXPECT_EQ(find.PressFindAll(rows, prompt), 3u);
    EXPECT_EQ(rows.m_selected, (Rows{0, 2, 3}));
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0], "3 articles selected.");
    EXPECT_EQ(find.ButtonLabel(), "&Find");
    EXPECT_EQ(find.Position(), 4u);
}

TEST(FindState, FindAfterFindAllReportsTheEndThenStartsOver) {
    CFakeRows rows({"pic1", "pic2"});
    CRecordingPrompt prompt;
    CFindState find;
    find.SetSearchText("pic");
    find.PressFindAll(rows, prompt);
    rows.m_selected.clear();
    EXPECT_EQ(find.PressFind(rows), std::nullopt);
    EXPECT_TRUE(rows.m_selected.empty());
    EXPECT_EQ(find.PressFind(rows), 0u);
}

TEST(FindState, FindAllWithNoMatchSaysZeroAndSelectsNothing) {
    CFakeRows rows({"one", "two"});
    CRecordingPrompt prompt;
    CFindState find;
    find.SetSearchText("three");
    EXPECT_EQ(find.PressFindAll(rows, prompt), 0u);
    EXPECT_TRUE(rows.m_selected.empty());
    ASSERT_EQ(prompt.Messages().size(), 1u);
    EXPECT_EQ(prompt.Messages()[0], "0 articles selected.");
}

}  // namespace
}  // namespace corvane
