#include "setup/sample_setup.h"

#include <string>
#include <vector>

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

using Bytes = std::vector<std::uint8_t>;

void Word(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Dword(Bytes& b, std::uint32_t v) {
    Word(b, static_cast<std::uint16_t>(v));
    Word(b, static_cast<std::uint16_t>(v >> 16));
}
void Str(Bytes& b, const std::string& s) {  // short strings only
    b.push_back(static_cast<std::uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}
void ClassRecord(Bytes& b, const std::string& name, std::uint16_t schema) {
    Word(b, 0xFFFF);
    Word(b, schema);
    Word(b, static_cast<std::uint16_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
}

}  // namespace

std::vector<std::uint8_t> SchemaOneSetupBytes(std::uint32_t msgIdTime) {
    Bytes b;
    ClassRecord(b, "CSetup", 1);  // class 1, object 2
    Dword(b, 0);
    Str(b, "old.server");
    Str(b, "");
    Str(b, "");
    Dword(b, 0);
    Dword(b, 2);
    Str(b, "/old");
    Word(b, 0);                     // groups
    Word(b, 0);                     // flat conditions
    Word(b, 1);                     // article list
    ClassRecord(b, "CArticle", 1);  // class 3, object 4
    Str(b, "from");
    Str(b, "subject");
    Dword(b, 42);
    Str(b, "<a@b>");
    Str(b, "alt.old");
    Str(b, "origin");
    Word(b, 1);  // message-ID map
    Str(b, "<a@b>");
    ClassRecord(b, "CMsgDetails", 1);
    Dword(b, msgIdTime);
    Word(b, 0);  // multi-part map
    return b;
}

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
