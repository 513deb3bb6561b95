#include "tools/cvndump/sample_setup.h"

#include <string>

namespace corvane {

namespace {

std::unique_ptr<CArticle> SampleArticle(const std::string& subject, std::int32_t number) {
    auto a = std::make_unique<CArticle>();
    a->SetSubject(subject);
    a->SetFrom("sam@example.test");
    a->SetMessageId("<" + std::to_string(number) + "@example.test>");
    a->SetNewsgroup("alt.binaries.sample");
    a->SetOrigin("news.example.test");
    a->SetLines(1000 + number);
    a->SetArticleNumber(number);
    a->SetDate("Mon, 07 Dec 2026 12:00:00 GMT");
    return a;
}

}  // namespace

void FillSampleSetup(CSetupFileContents& c, std::uint32_t now) {
    CSetup& s = *c.m_setup;
    s.SetNewsServer("news.example.test");
    s.SetUser("sam");
    s.SetSavePath("/srv/corvane");
    for (const char* name : {"alt.binaries.sample", "alt.test"}) {
        auto g = std::make_unique<CSetupGroup>();
        g->SetName(name);
        g->m_enabled = 1;
        s.m_groups.push_back(std::move(g));
    }
    auto rule = std::make_unique<CCriteriaGroup>("Kill", CCriteriaGroup::kActionExclude,
                                                 CCriteriaGroup::kLogicOr);
    rule->m_criteria.push_back(std::make_unique<CCriteria>(CCriteria::kFieldSubject, 0, "spam"));
    s.m_criteriaGroups.push_back(std::move(rule));

    auto entry = std::make_unique<CLogEntry>();
    entry->SetFileName("/srv/corvane/picture.jpg");
    entry->SetSubject("picture.jpg (1/1)");
    entry->SetNewsgroup("alt.binaries.sample");
    c.m_log.Add(std::move(entry));

    c.m_articles.push_back(SampleArticle("picture.jpg (1/1)", 7));
    auto m = std::make_unique<CMultiPartArticle>(3, "archive.rar");
    m->AddPart(SampleArticle("archive.rar (1/3)", 8), 1);
    m->AddPart(SampleArticle("archive.rar (3/3)", 10), 3);
    c.m_multiParts.Set("archive.rar", m.get());
    c.m_articles.push_back(std::move(m));

    for (std::uint32_t i = 0; i < 20; ++i)
        c.m_messageIds.Set("<" + std::to_string(i) + "@example.test>",
                           std::make_unique<CMsgDetails>(now - i * 60));
    for (std::int32_t n : {5, 6, 7, 10}) c.m_ranges.RecordArticle("alt.binaries.sample", n);
    c.m_ranges.OnGroupFirst("alt.test", 100);
}

}  // namespace corvane
