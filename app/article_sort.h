#pragma once
// The orders of the main window's article list, one per column title. Holds no state: the
// caller owns the rows and the records they point at, and keeps them unchanged for the call.
// Main thread only, because the records are the window's. Sorting reorders the caller's row
// pointers in place and hands nothing else back.
//
// Texts are compared ignoring case by folding them to lower case first. The folding knows
// ASCII letters and the two-byte UTF-8 forms of the Latin-1 Supplement and Latin Extended-A
// letters (so "É" and "é" compare equal); every other byte, including the bytes of a text
// that is not UTF-8, compares as it is. After folding, texts compare byte by byte, unsigned.
#include <string>
#include <string_view>
#include <vector>

#include "setup/article.h"

namespace corvane {

// The column titles of the article list, in their order on screen.
inline constexpr int kColumnGroup = 0;
inline constexpr int kColumnSubject = 1;
inline constexpr int kColumnDate = 2;
inline constexpr int kColumnFrom = 3;
inline constexpr int kColumnLines = 4;
inline constexpr int kColumnOrigin = 5;
inline constexpr int kColumnCount = 6;

// The text with its letters folded to lower case as described above. Find uses it too, so
// that both commands agree on which letters are the same.
std::string FoldCase(std::string_view text);

// The part of a subject its column sorts by: a reply ("RE:" in any case, then one more
// character, usually a blank) sorts by what follows, so it lands beside its original.
std::string_view SubjectSortText(std::string_view subject);

// Negative, zero or positive as a sorts before, with or after b under the column's order.
// A column outside 0-5 finds every pair equal.
int CompareArticles(int column, const CArticle& a, const CArticle& b);

// Ascending by the column; the order of equal rows is kept. A column outside 0-5 leaves the
// rows as they are. Each row's key is built once, so a million rows sort in about a second.
void SortArticleRows(std::vector<CArticle*>& rows, int column);

}  // namespace corvane
