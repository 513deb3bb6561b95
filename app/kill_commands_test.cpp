#include "app/kill_commands.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "select/criteria_eval.h"

namespace corvane {
namespace {

std::unique_ptr<CArticle> MakeArticle(std::string from, std::string origin) {
    auto article = std::make_unique<CArticle>();
    article->SetSubject("holiday.jpg");
    article->SetFrom(from);
    article->SetOrigin(origin);
    article->SetNewsgroup("alt.pictures");
    return article;
}

void ExpectCondition(const CCriteria& c, std::int32_t field, const std::string& value) {
    EXPECT_EQ(c.m_field, field);
    EXPECT_EQ(c.m_operator, kOpEqual);
    EXPECT_EQ(c.m_value, value);
}

TEST(KillCommands, KillSiteOnASetupWithoutARuleMakesOneKillRuleThatLaterKillsReuse) {
    CSetup setup;
    setup.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>(
        "Pictures", CCriteriaGroup::kActionInclude, CCriteriaGroup::kLogicOr));
    // Excluding, but with And: not a kill rule.
    setup.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>(
        "Spam", CCriteriaGroup::kActionExclude, CCriteriaGroup::kLogicAnd));
    const auto article = MakeArticle("joe@example.invalid", "news.example.invalid");

    KillSite(setup, *article);
    ASSERT_EQ(setup.m_criteriaGroups.size(), 3u);
    const CCriteriaGroup& kill = *setup.m_criteriaGroups.back();
    EXPECT_EQ(kill.m_name, "Kill");
    EXPECT_EQ(kill.m_action, CCriteriaGroup::kActionExclude);
    EXPECT_EQ(kill.m_logic, CCriteriaGroup::kLogicOr);
    ASSERT_EQ(kill.m_criteria.size(), 1u);
    ExpectCondition(*kill.m_criteria[0], CCriteria::kFieldOrigin, "news.example.invalid");

    KillPerson(setup, *article);
    KillSite(setup, *article);
    ASSERT_EQ(setup.m_criteriaGroups.size(), 3u);
    ASSERT_EQ(kill.m_criteria.size(), 3u);
    ExpectCondition(*kill.m_criteria[1], CCriteria::kFieldAuthor, "joe@example.invalid");
    ExpectCondition(*kill.m_criteria[2], CCriteria::kFieldOrigin, "news.example.invalid");
    EXPECT_TRUE(setup.m_criteriaGroups[0]->m_criteria.empty());
    EXPECT_TRUE(setup.m_criteriaGroups[1]->m_criteria.empty());
}

TEST(KillCommands, KillPersonTwiceAddsTwoIdenticalConditionsToTheFirstKillRule) {
    CSetup setup;
    setup.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>(
        "Blocked", CCriteriaGroup::kActionExclude, CCriteriaGroup::kLogicOr));
    setup.m_criteriaGroups.push_back(std::make_unique<CCriteriaGroup>(
        "Blocked too", CCriteriaGroup::kActionExclude, CCriteriaGroup::kLogicOr));
    const auto article = MakeArticle("Ann <ann@example.invalid>", "host.invalid");

    KillPerson(setup, *article);
    KillPerson(setup, *article);
    ASSERT_EQ(setup.m_criteriaGroups.size(), 2u);
    const CCriteriaGroup& first = *setup.m_criteriaGroups[0];
    ASSERT_EQ(first.m_criteria.size(), 2u);
    ExpectCondition(*first.m_criteria[0], CCriteria::kFieldAuthor, "Ann <ann@example.invalid>");
    ExpectCondition(*first.m_criteria[1], CCriteria::kFieldAuthor, "Ann <ann@example.invalid>");
    EXPECT_TRUE(setup.m_criteriaGroups[1]->m_criteria.empty());
}

TEST(KillCommands, TheNewRuleRejectsTheAuthorsNextPosting) {
    CSetup setup;
    const auto killed = MakeArticle("spammer@example.invalid", "a.invalid");
    KillPerson(setup, *killed);

    auto next = MakeArticle("spammer@example.invalid", "b.invalid");
    auto other = MakeArticle("friend@example.invalid", "a.invalid");
    EXPECT_FALSE(ApplyCriteria(*next, setup.m_criteriaGroups));
    EXPECT_TRUE(ApplyCriteria(*other, setup.m_criteriaGroups));
}

}  // namespace
}  // namespace corvane
