#include "select/criteria_eval.h"

#include <string>
#include <string_view>

#include "select/text_compare.h"

namespace corvane {

namespace {

bool IsActionRule(std::int32_t action) {
    return action != CCriteriaGroup::kActionInclude && action != CCriteriaGroup::kActionExclude;
}

bool TextMatches(std::string_view value, std::int32_t op, std::string_view wanted) {
    switch (op) {
        case kOpEqual:
            return value == wanted;
        case kOpNotEqual:
            return value != wanted;
        case kOpGreater:
            return CompareBytes(value, wanted) > 0;
        case kOpGreaterEqual:
            return CompareBytes(value, wanted) >= 0;
        case kOpLess:
            return CompareBytes(value, wanted) < 0;
        case kOpLessEqual:
            return CompareBytes(value, wanted) <= 0;
        case kOpContains:
            return value.find(wanted) != std::string_view::npos;
        case kOpNotContains:
            return value.find(wanted) == std::string_view::npos;
        case kOpEqualIgnoreCase:
            return EqualsIgnoreCase(value, wanted);
        case kOpNotEqualIgnoreCase:
            return !EqualsIgnoreCase(value, wanted);
        case kOpContainsIgnoreCase:
            return ContainsIgnoreCase(value, wanted);
        case kOpNotContainsIgnoreCase:
            return !ContainsIgnoreCase(value, wanted);
        case kOpBeginsWith:
            return BeginsWith(value, wanted);
        case kOpEndsWith:
            return EndsWith(value, wanted);
        case kOpBeginsWithIgnoreCase:
            return BeginsWithIgnoreCase(value, wanted);
        case kOpEndsWithIgnoreCase:
            return EndsWithIgnoreCase(value, wanted);
        default:
            return false;
    }
}

// A number has no text to search or to begin with: the searches always match and the
// prefix tests never do, whatever the condition value says.
bool NumberMatches(std::int32_t value, std::int32_t op, std::string_view wanted) {
    switch (op) {
        case kOpContains:
        case kOpNotContains:
        case kOpContainsIgnoreCase:
        case kOpNotContainsIgnoreCase:
            return true;
        case kOpBeginsWith:
        case kOpEndsWith:
        case kOpBeginsWithIgnoreCase:
        case kOpEndsWithIgnoreCase:
            return false;
        default:
            break;
    }
    std::int32_t v = 0;
    if (!ParseDecimal(wanted, v)) return false;
    switch (op) {
        case kOpEqual:
        case kOpEqualIgnoreCase:
            return value == v;
        case kOpNotEqual:
        case kOpNotEqualIgnoreCase:
            return value != v;
        case kOpGreater:
            return value > v;
        case kOpGreaterEqual:
            return value >= v;
        case kOpLess:
            return value < v;
        case kOpLessEqual:
            return value <= v;
        default:
            return false;
    }
}

int FromBool(bool match) {
    return match ? kCriteriaMatch : kCriteriaNoMatch;
}

int TestSubject(const CArticle& article, const CCriteria& condition) {
    // A single article's display subject is its subject, so it is read in place; only a
    // joined posting has to build its prefixed text.
    if (!article.IsMultiPart())
        return FromBool(TextMatches(article.Subject(), condition.m_operator, condition.m_value));
    const std::string shown = article.DisplaySubject();
    return FromBool(TextMatches(shown, condition.m_operator, condition.m_value));
}

void ApplyAction(CArticle& article, std::int32_t action) {
    switch (action) {
        case CCriteriaGroup::kActionAttachment:
            article.SetAttachment(true);
            break;
        case CCriteriaGroup::kActionText:
            article.SetAttachment(false);
            break;
        case CCriteriaGroup::kActionHighPriority:
            article.SetPriority(CArticle::kPriorityHigh);
            break;
        case CCriteriaGroup::kActionMediumPriority:
            article.SetPriority(CArticle::kPriorityMedium);
            break;
        case CCriteriaGroup::kActionLowPriority:
            article.SetPriority(CArticle::kPriorityLow);
            break;
        default:
            break;
    }
}

// And: any 0 decides; a 2 among 1s weakens the result to 2.
int CombineAnd(const CArticle& article, const CCriteriaGroup& group) {
    int result = kCriteriaMatch;
    for (const auto& condition : group.m_criteria) {
        const int r = TestCriteria(article, *condition);
        if (r == kCriteriaNoMatch) return kCriteriaNoMatch;
        if (!(result == kCriteriaMatch && r == kCriteriaMatch)) result = kCriteriaNotApplicable;
    }
    return result;
}

// Or: any 1 decides; a 2 lifts a 0 to 2.
int CombineOr(const CArticle& article, const CCriteriaGroup& group) {
    int result = kCriteriaNoMatch;
    for (const auto& condition : group.m_criteria) {
        const int r = TestCriteria(article, *condition);
        if (r == kCriteriaMatch) return kCriteriaMatch;
        if (r != kCriteriaNoMatch) result = kCriteriaNotApplicable;
    }
    return result;
}

void RunActionRules(CArticle& article, std::span<const std::unique_ptr<CCriteriaGroup>> groups) {
    for (const auto& group : groups)
        if (IsActionRule(group->m_action)) TestGroup(article, *group);
}

}  // namespace

int TestCriteria(const CArticle& article, const CCriteria& condition) {
    const std::int32_t op = condition.m_operator;
    const std::string_view wanted = condition.m_value;
    switch (condition.m_field) {
        case CCriteria::kFieldSubject:
            return TestSubject(article, condition);
        case CCriteria::kFieldLines:
            if (article.IsMultiPart() && !article.IsComplete()) return kCriteriaNotApplicable;
            return FromBool(NumberMatches(article.Lines(), op, wanted));
        case CCriteria::kFieldSender:
        case CCriteria::kFieldAuthor:
            return FromBool(TextMatches(article.From(), op, wanted));
        case CCriteria::kFieldOrigin:
            return FromBool(TextMatches(article.Origin(), op, wanted));
        case CCriteria::kFieldNewsgroup:
            return FromBool(TextMatches(article.Newsgroup(), op, wanted));
        case CCriteria::kFieldGroupCount:
            if (article.GroupCount() == CArticle::kGroupCountUnknown) return kCriteriaNotApplicable;
            return FromBool(NumberMatches(article.GroupCount(), op, wanted));
        case CCriteria::kFieldFilename:
            if (article.FileName().empty()) return kCriteriaNotApplicable;
            return FromBool(TextMatches(article.FileName(), op, wanted));
        default:
            return kCriteriaNotApplicable;
    }
}

int TestGroup(CArticle& article, const CCriteriaGroup& group) {
    // A logic code the Criteria page does not offer is read as And, the default of a rule.
    const int result = group.m_logic == CCriteriaGroup::kLogicOr ? CombineOr(article, group)
                                                                 : CombineAnd(article, group);
    if (result == kCriteriaMatch) ApplyAction(article, group.m_action);
    const std::int32_t action = group.m_action;
    if (action >= CCriteriaGroup::kActionAttachment && action <= CCriteriaGroup::kActionLowPriority)
        return kCriteriaMatch;
    return result;
}

bool ApplyCriteria(CArticle& article, std::span<const std::unique_ptr<CCriteriaGroup>> groups) {
    RunActionRules(article, groups);

    bool anyInclude = false;
    bool included = false;
    for (const auto& group : groups) {
        if (group->m_action != CCriteriaGroup::kActionInclude) continue;
        anyInclude = true;
        // An Include rule has no effect to apply, so once one passes the rest need no test.
        if (!included && TestGroup(article, *group) != kCriteriaNoMatch) included = true;
    }
    if (anyInclude && !included) return false;

    for (const auto& group : groups) {
        if (group->m_action != CCriteriaGroup::kActionExclude) continue;
        if (TestGroup(article, *group) == kCriteriaMatch) return false;
    }

    RunActionRules(article, groups);
    return true;
}

}  // namespace corvane
