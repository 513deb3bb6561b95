#pragma once
// Deciding which articles are wanted: one condition against an article (TestCriteria), one
// rule with its action (TestGroup), and the whole rule list in its four passes
// (ApplyCriteria). Holds no state. The caller must keep the article and the rules alive and
// unchanged for the call, which is why the main thread calls these on its own records and a
// worker calls them only on a copy of the rules it owns. The only things handed back are the
// result and the article's attachment flag and priority, which the actions change in place.
#include <cstdint>
#include <memory>
#include <span>

#include "setup/article.h"
#include "setup/criteria.h"

namespace corvane {

// Results of testing a condition or a rule.
inline constexpr int kCriteriaNoMatch = 0;
inline constexpr int kCriteriaMatch = 1;
// The article has no value for the field (an unknown group count, a file name outside a
// download, the lines of an incomplete posting). Such a result never rejects on its own.
inline constexpr int kCriteriaNotApplicable = 2;

// Operator codes of a condition, in the order the Criteria page lists them.
enum ECriteriaOperator : std::int32_t {
    kOpEqual = 0,
    kOpNotEqual = 1,
    kOpGreater = 2,
    kOpGreaterEqual = 3,
    kOpLess = 4,
    kOpLessEqual = 5,
    kOpContains = 6,
    kOpNotContains = 7,
    kOpEqualIgnoreCase = 8,
    kOpNotEqualIgnoreCase = 9,
    kOpContainsIgnoreCase = 10,
    kOpNotContainsIgnoreCase = 11,
    kOpBeginsWith = 12,
    kOpEndsWith = 13,
    kOpBeginsWithIgnoreCase = 14,
    kOpEndsWithIgnoreCase = 15,
};

// 0, 1 or 2 for one condition. An unknown field code counts as a field the article has no
// value for (2); an unknown operator never matches; a number field whose condition value is
// not a decimal integer never matches an operator that needs the number.
int TestCriteria(const CArticle& article, const CCriteria& condition);

// 0, 1 or 2 for one rule; a result of exactly 1 applies the rule's action to the article.
// Attachment, text and priority rules always answer 1, so that they never reject.
int TestGroup(CArticle& article, const CCriteriaGroup& group);

// Whether the article is wanted under the rules, in list order. The action rules run before
// and after the filters, so the last matching action rule in the list decides.
bool ApplyCriteria(CArticle& article, std::span<const std::unique_ptr<CCriteriaGroup>> groups);

}  // namespace corvane
