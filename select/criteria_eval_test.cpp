#include "select/criteria_eval.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace corvane {
namespace {

using Groups = std::vector<std::unique_ptr<CCriteriaGroup>>;

std::unique_ptr<CArticle> MakeArticle(std::string subject, std::int32_t lines = 5) {
    auto a = std::make_unique<CArticle>();
    a->SetSubject(std::move(subject));
    a->SetFrom("poster@example.org");
    a->SetOrigin("news.example.org");
    a->SetNewsgroup("alt.binaries.test");
    a->SetLines(lines);
    return a;
}

std::unique_ptr<CCriteriaGroup> Rule(std::int32_t action, std::int32_t logic,
                                     std::vector<CCriteria> conditions) {
    auto g = std::make_unique<CCriteriaGroup>("rule", action, logic);
    for (auto& c : conditions) g->m_criteria.push_back(std::make_unique<CCriteria>(c));
    return g;
}

// A joined record with the given parts present out of count.
std::unique_ptr<CMultiPartArticle> MakePosting(const std::string& base, std::int32_t count,
                                               std::vector<std::int32_t> present) {
    auto m = std::make_unique<CMultiPartArticle>(count, base);
    for (std::int32_t n : present) m->AddPart(MakeArticle(base + "x", 10), n);
    return m;
}

struct OpCase {
    std::int32_t op;
    const char* value;
    int expected;
};

TEST(TestCriteriaTest, TextOperatorsOnTheSubject) {
    const auto article = MakeArticle("Holiday Photos");
    const OpCase cases[] = {
        {kOpEqual, "Holiday Photos", 1},
        {kOpEqual, "holiday photos", 0},
        {kOpNotEqual, "holiday photos", 1},
        {kOpNotEqual, "Holiday Photos", 0},
        {kOpGreater, "Holiday", 1},
        {kOpGreater, "Holiday Photos", 0},
        {kOpGreaterEqual, "Holiday Photos", 1},
        {kOpGreaterEqual, "I", 0},
        {kOpLess, "I", 1},
        {kOpLess, "Holiday", 0},
        {kOpLessEqual, "Holiday Photos", 1},
        {kOpLessEqual, "H", 0},
        {kOpLess, "\xe9", 1},  // unsigned: 0xE9 orders after every ASCII byte
        {kOpContains, "day Ph", 1},
        {kOpContains, "day ph", 0},
        {kOpContains, "", 1},
        {kOpNotContains, "day ph", 1},
        {kOpNotContains, "Photos", 0},
        {kOpEqualIgnoreCase, "HOLIDAY photos", 1},
        {kOpEqualIgnoreCase, "HOLIDAY", 0},
        {kOpNotEqualIgnoreCase, "HOLIDAY", 1},
        {kOpNotEqualIgnoreCase, "holiday PHOTOS", 0},
        {kOpContainsIgnoreCase, "DAY ph", 1},
        {kOpContainsIgnoreCase, "days", 0},
        {kOpNotContainsIgnoreCase, "days", 1},
        {kOpNotContainsIgnoreCase, "PHOTO", 0},
        {kOpBeginsWith, "Holi", 1},
        {kOpBeginsWith, "holi", 0},
        {kOpBeginsWith, "Holiday Photos!", 0},
        {kOpBeginsWith, "", 1},
        {kOpEndsWith, "Photos", 1},
        {kOpEndsWith, "photos", 0},
        {kOpEndsWith, "", 1},
        {kOpEndsWith, "My Holiday Photos", 0},
        {kOpBeginsWithIgnoreCase, "hOLI", 1},
        {kOpBeginsWithIgnoreCase, "Photos", 0},
        {kOpEndsWithIgnoreCase, "PHOTOS", 1},
        {kOpEndsWithIgnoreCase, "Holiday", 0},
        {16, "Holiday Photos", 0},
        {-1, "Holiday Photos", 0},
    };
    for (const OpCase& c : cases) {
        const CCriteria condition(CCriteria::kFieldSubject, c.op, c.value);
        EXPECT_EQ(TestCriteria(*article, condition), c.expected)
            << "operator " << c.op << " value '" << c.value << "'";
    }
}

TEST(TestCriteriaTest, NumberOperatorsOnLines) {
    const auto article = MakeArticle("s", 5);
    const OpCase cases[] = {
        {kOpEqual, "5", 1},
        {kOpEqual, "6", 0},
        {kOpNotEqual, "6", 1},
        {kOpGreater, "4", 1},
        {kOpGreater, "5", 0},
        {kOpGreaterEqual, "5", 1},
        {kOpLess, "6", 1},
        {kOpLess, "5", 0},
        {kOpLessEqual, "5", 1},
        {kOpLessEqual, "-1", 0},
        {kOpEqualIgnoreCase, "5", 1},
        {kOpNotEqualIgnoreCase, "5", 0},
        {kOpGreater, "10", 0},  // as numbers, not as text ("5" > "10" byte-wise)
        // A number has no text: every search matches and no prefix or suffix test does.
        {kOpContains, "5", 1},
        {kOpContains, "9", 1},
        {kOpNotContains, "5", 1},
        {kOpContainsIgnoreCase, "x", 1},
        {kOpNotContainsIgnoreCase, "5", 1},
        {kOpBeginsWith, "5", 0},
        {kOpEndsWith, "5", 0},
        {kOpBeginsWithIgnoreCase, "", 0},
        {kOpEndsWithIgnoreCase, "5", 0},
        // A value that is no decimal integer never matches a comparison.
        {kOpEqual, "five", 0},
        {kOpNotEqual, "five", 0},
        {kOpLess, "", 0},
    };
    for (const OpCase& c : cases) {
        const CCriteria condition(CCriteria::kFieldLines, c.op, c.value);
        EXPECT_EQ(TestCriteria(*article, condition), c.expected)
            << "operator " << c.op << " value '" << c.value << "'";
    }
}

TEST(TestCriteriaTest, FieldsReadTheirOwnValues) {
    auto article = MakeArticle("s");
    article->SetGroupCount(3);
    article->SetFileName("pic.jpg");
    const struct {
        std::int32_t field;
        const char* value;
    } cases[] = {
        {CCriteria::kFieldSender, "poster@example.org"},
        {CCriteria::kFieldAuthor, "poster@example.org"},
        {CCriteria::kFieldOrigin, "news.example.org"},
        {CCriteria::kFieldNewsgroup, "alt.binaries.test"},
        {CCriteria::kFieldGroupCount, "3"},
        {CCriteria::kFieldFilename, "pic.jpg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TestCriteria(*article, CCriteria(c.field, kOpEqual, c.value)), 1) << c.field;
        EXPECT_EQ(TestCriteria(*article, CCriteria(c.field, kOpEqual, "other")), 0) << c.field;
    }
}

TEST(TestCriteriaTest, MissingValuesAreNotApplicable) {
    const auto single = MakeArticle("s");  // group count unknown, no file name
    EXPECT_EQ(TestCriteria(*single, CCriteria(CCriteria::kFieldGroupCount, kOpLess, "3")), 2);
    EXPECT_EQ(TestCriteria(*single, CCriteria(CCriteria::kFieldFilename, kOpContains, "")), 2);
    EXPECT_EQ(TestCriteria(*single, CCriteria(99, kOpEqual, "s")), 2);

    const auto partial = MakePosting("pic (", 3, {1, 3});
    EXPECT_EQ(TestCriteria(*partial, CCriteria(CCriteria::kFieldLines, kOpGreater, "0")), 2);
    const auto whole = MakePosting("pic (", 2, {1, 2});
    EXPECT_EQ(TestCriteria(*whole, CCriteria(CCriteria::kFieldLines, kOpEqual, "20")), 1);
}

TEST(TestCriteriaTest, JoinedPostingsAreTestedByTheirDisplaySubject) {
    const CCriteria beginsVacation(CCriteria::kFieldSubject, kOpBeginsWith, "Vacation");
    EXPECT_EQ(TestCriteria(*MakeArticle("Vacation (1/2)"), beginsVacation), 1);
    EXPECT_EQ(TestCriteria(*MakePosting("Vacation (", 2, {1}), beginsVacation), 0);
    EXPECT_EQ(TestCriteria(*MakePosting("Vacation (", 2, {1, 2}), beginsVacation), 0);
    EXPECT_EQ(TestCriteria(*MakePosting("Vacation (", 2, {1, 2}),
                           CCriteria(CCriteria::kFieldSubject, kOpBeginsWith, "(Complete) Vac")),
              1);
    EXPECT_EQ(
        TestCriteria(*MakePosting("Vacation (", 3, {2}),
                     CCriteria(CCriteria::kFieldSubject, kOpEqual, "(Parts - 2 of 3) Vacation (")),
        1);
}

TEST(TestCriteriaTest, IgnoreCaseSearchSeesOnly1999BytesOfEither) {
    const std::string longValue = std::string(1999, 'a') + "tail that is never compared";
    const auto article = MakeArticle(std::string(1999, 'A'));
    EXPECT_EQ(TestCriteria(*article, CCriteria(0, kOpContainsIgnoreCase, longValue)), 1);
    EXPECT_EQ(TestCriteria(*article, CCriteria(0, kOpNotContainsIgnoreCase, longValue)), 0);
    // The case-sensitive search has no such window.
    EXPECT_EQ(
        TestCriteria(*MakeArticle(std::string(1999, 'a')), CCriteria(0, kOpContains, longValue)),
        0);
    // Nor has ignore-case equality.
    EXPECT_EQ(TestCriteria(*article, CCriteria(0, kOpEqualIgnoreCase, longValue)), 0);
    const auto lateMatch = MakeArticle(std::string(1999, 'x') + "needle");
    EXPECT_EQ(TestCriteria(*lateMatch, CCriteria(0, kOpContainsIgnoreCase, "NEEDLE")), 0);
    EXPECT_EQ(TestCriteria(*lateMatch, CCriteria(0, kOpContains, "needle")), 1);
}

// Conditions with known results: 1 = matches, 0 = does not, 2 = not applicable.
CCriteria Yes() {
    return CCriteria(CCriteria::kFieldSubject, kOpContains, "");
}
CCriteria No() {
    return CCriteria(CCriteria::kFieldSubject, kOpEqual, "never");
}
CCriteria Na() {
    return CCriteria(CCriteria::kFieldGroupCount, kOpLess, "3");
}

TEST(TestGroupTest, CombinesConditionsByLogic) {
    using L = std::vector<CCriteria>;
    const struct {
        std::int32_t logic;
        L conditions;
        int expected;
    } cases[] = {
        {CCriteriaGroup::kLogicAnd, L{}, 1},
        {CCriteriaGroup::kLogicOr, L{}, 0},
        {CCriteriaGroup::kLogicAnd, L{Yes(), Yes()}, 1},
        {CCriteriaGroup::kLogicAnd, L{Yes(), Na()}, 2},
        {CCriteriaGroup::kLogicAnd, L{Na(), Yes()}, 2},
        {CCriteriaGroup::kLogicAnd, L{Na(), No()}, 0},
        {CCriteriaGroup::kLogicAnd, L{No(), Na()}, 0},
        {CCriteriaGroup::kLogicOr, L{No(), No()}, 0},
        {CCriteriaGroup::kLogicOr, L{No(), Na()}, 2},
        {CCriteriaGroup::kLogicOr, L{Na(), No()}, 2},
        {CCriteriaGroup::kLogicOr, L{Na(), Yes()}, 1},
        {CCriteriaGroup::kLogicOr, L{Yes(), No()}, 1},
    };
    for (const auto& c : cases) {
        auto article = MakeArticle("s");
        const auto group = Rule(CCriteriaGroup::kActionInclude, c.logic, c.conditions);
        EXPECT_EQ(TestGroup(*article, *group), c.expected)
            << "logic " << c.logic << ", " << c.conditions.size() << " conditions";
        EXPECT_EQ(TestGroup(*article, *Rule(CCriteriaGroup::kActionExclude, c.logic, c.conditions)),
                  c.expected);
    }
}

TEST(TestGroupTest, ActionsApplyOnExactMatchAndAlwaysAnswerOne) {
    const struct {
        std::int32_t action;
        bool attachment;
        std::int32_t priority;
    } cases[] = {
        {CCriteriaGroup::kActionAttachment, true, 2},
        {CCriteriaGroup::kActionText, false, 2},
        {CCriteriaGroup::kActionHighPriority, true, 1},
        {CCriteriaGroup::kActionMediumPriority, true, 2},
        {CCriteriaGroup::kActionLowPriority, true, 3},
    };
    // Each article starts away from what its action would set.
    const auto startFor = [](const auto& c) {
        auto article = MakeArticle("s");
        const bool setsFlag = c.action <= CCriteriaGroup::kActionText;
        article->SetAttachment(setsFlag ? !c.attachment : c.attachment);
        article->SetPriority(setsFlag ? c.priority : (c.priority == 2 ? 3 : 2));
        return article;
    };
    for (const auto& c : cases) {
        for (const CCriteria& condition : {No(), Na()}) {
            auto article = startFor(c);
            const bool flagBefore = article->Attachment();
            const std::int32_t priorityBefore = article->Priority();
            EXPECT_EQ(TestGroup(*article, *Rule(c.action, 0, {condition})), 1) << c.action;
            EXPECT_EQ(article->Attachment(), flagBefore) << "no effect without a match";
            EXPECT_EQ(article->Priority(), priorityBefore) << "no effect without a match";
        }
        auto article = startFor(c);
        EXPECT_EQ(TestGroup(*article, *Rule(c.action, 0, {Yes()})), 1);
        EXPECT_EQ(article->Attachment(), c.attachment) << c.action;
        EXPECT_EQ(article->Priority(), c.priority) << c.action;
    }
    // An action code the page does not know answers its result and changes nothing.
    auto article = MakeArticle("s");
    EXPECT_EQ(TestGroup(*article, *Rule(9, 0, {No()})), 0);
    EXPECT_EQ(TestGroup(*article, *Rule(9, 0, {Na()})), 2);
}

TEST(ApplyCriteriaTest, IncludeAndExcludeRules) {
    using A = std::int32_t;
    const A inc = CCriteriaGroup::kActionInclude;
    const A exc = CCriteriaGroup::kActionExclude;
    const A orL = CCriteriaGroup::kLogicOr;
    const CCriteria fewGroups(CCriteria::kFieldGroupCount, kOpLess, "3");
    const struct {
        const char* name;
        std::vector<std::tuple<A, A, std::vector<CCriteria>>> rules;
        bool wanted;
    } cases[] = {
        {"no rules", {}, true},
        {"empty And include", {{inc, 0, {}}}, true},
        {"empty Or include", {{inc, orL, {}}}, false},
        {"not applicable include passes", {{inc, 0, {fewGroups}}}, true},
        {"not applicable exclude keeps", {{exc, 0, {fewGroups}}}, true},
        {"one of two includes", {{inc, 0, {No()}}, {inc, 0, {Yes()}}}, true},
        {"no include matches", {{inc, 0, {No()}}, {inc, orL, {No(), No()}}}, false},
        {"exclude wins over include", {{inc, 0, {Yes()}}, {exc, orL, {No(), Yes()}}}, false},
        {"exclude that does not match", {{exc, 0, {Yes(), No()}}}, true},
        {"empty Or exclude", {{exc, orL, {}}}, true},
        {"empty And exclude", {{exc, 0, {}}}, false},
        {"action rules never reject", {{CCriteriaGroup::kActionText, 0, {No()}}}, true},
    };
    for (const auto& c : cases) {
        Groups groups;
        for (const auto& [action, logic, conditions] : c.rules)
            groups.push_back(Rule(action, logic, conditions));
        auto article = MakeArticle("s");
        EXPECT_EQ(ApplyCriteria(*article, groups), c.wanted) << c.name;
    }
}

TEST(ApplyCriteriaTest, LaterActionRuleWins) {
    Groups highThenLow;
    highThenLow.push_back(Rule(CCriteriaGroup::kActionHighPriority, 0, {Yes()}));
    highThenLow.push_back(Rule(CCriteriaGroup::kActionLowPriority, 0, {Yes()}));
    auto a = MakeArticle("s");
    EXPECT_TRUE(ApplyCriteria(*a, highThenLow));
    EXPECT_EQ(a->Priority(), CArticle::kPriorityLow);

    Groups lowThenHigh;
    lowThenHigh.push_back(Rule(CCriteriaGroup::kActionLowPriority, 0, {Yes()}));
    lowThenHigh.push_back(Rule(CCriteriaGroup::kActionInclude, 0, {Yes()}));
    lowThenHigh.push_back(Rule(CCriteriaGroup::kActionHighPriority, 0, {Yes()}));
    lowThenHigh.push_back(Rule(CCriteriaGroup::kActionText, 0, {Yes()}));
    lowThenHigh.push_back(Rule(CCriteriaGroup::kActionAttachment, 0, {No()}));
    auto b = MakeArticle("s");
    EXPECT_TRUE(ApplyCriteria(*b, lowThenHigh));
    EXPECT_EQ(b->Priority(), CArticle::kPriorityHigh);
    EXPECT_FALSE(b->Attachment());
}

TEST(ApplyCriteriaTest, ActionsTakeEffectEvenOnARejectedArticle) {
    Groups groups;
    groups.push_back(Rule(CCriteriaGroup::kActionText, 0, {Yes()}));
    groups.push_back(Rule(CCriteriaGroup::kActionHighPriority, 0, {Yes()}));
    groups.push_back(Rule(CCriteriaGroup::kActionInclude, CCriteriaGroup::kLogicOr, {}));
    auto a = MakeArticle("s");
    EXPECT_FALSE(ApplyCriteria(*a, groups));
    EXPECT_FALSE(a->Attachment());
    EXPECT_EQ(a->Priority(), CArticle::kPriorityHigh);
}

TEST(ApplyCriteriaTest, NoRulesKeepFlags) {
    auto a = MakeArticle("s");
    a->SetAttachment(false);
    a->SetPriority(CArticle::kPriorityLow);
    EXPECT_TRUE(ApplyCriteria(*a, Groups{}));
    EXPECT_FALSE(a->Attachment());
    EXPECT_EQ(a->Priority(), CArticle::kPriorityLow);
}

}  // namespace
}  // namespace corvane
