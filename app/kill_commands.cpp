#include "app/kill_commands.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "select/criteria_eval.h"

namespace corvane {

namespace {

void AddKillCondition(CSetup& setup, std::int32_t field, std::string_view value) {
    setup.FindKillGroup().m_criteria.push_back(
        std::make_unique<CCriteria>(field, kOpEqual, std::string(value)));
}

}  // namespace

void KillPerson(CSetup& setup, const CArticle& article) {
    AddKillCondition(setup, CCriteria::kFieldAuthor, article.From());
}

void KillSite(CSetup& setup, const CArticle& article) {
    AddKillCondition(setup, CCriteria::kFieldOrigin, article.Origin());
}

void KillPerson(CSetup& setup, std::string_view author) {
    AddKillCondition(setup, CCriteria::kFieldAuthor, author);
}

void KillSite(CSetup& setup, std::string_view origin) {
    AddKillCondition(setup, CCriteria::kFieldOrigin, origin);
}

}  // namespace corvane
