#include "setup/setup_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/string_table.h"
#include "setup/sample_setup.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kNow = 1'800'000'000;
constexpr std::uint32_t kDay = 86400;

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

class SetupFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "cvnXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    bool OnlyMessageWas(int id) const {
        return m_prompt.Messages() == std::vector<std::string>{ResourceString(id)};
    }

    std::string m_dir;
    CRecordingPrompt m_prompt;
    CSetupFile m_file{m_prompt};
};

std::unique_ptr<CArticle> MakeArticle(const std::string& subject, std::int32_t number) {
    auto a = std::make_unique<CArticle>();
    a->SetSubject(subject);
    a->SetFrom("poster@example.test");
    a->SetMessageId("<" + subject + "@example.test>");
    a->SetNewsgroup("alt.binaries.pics");
    a->SetOrigin("news.example.test");
    a->SetLines(100 + number);
    a->SetArticleNumber(number);
    a->SetGroupCount(2);
    a->SetDate("Tue, 08 Dec 2026 09:00:00 GMT");
    a->SetAttachment(number % 2 == 0);
    return a;
}

// Everything a file holds, with parts missing from the multi-part records and enough
// message-IDs that some of the 17 buckets hold several keys.
void Fill(CSetupFileContents& c) {
    CSetup& s = *c.m_setup;
    s.SetNewsServer("news.example.test");
    s.SetUser("ann");
    s.SetPassword("pw");
    s.SetSavePath("/srv/news");
    s.m_port = 563;
    s.m_threads = 4;
    for (const char* name : {"alt.binaries.pics", "alt.binaries.sounds", "comp.test"}) {
        auto g = std::make_unique<CSetupGroup>();
        g->SetName(name);
        g->SetRelativePath(std::string("sub/") + name);
        g->m_enabled = 1;
        g->m_highestArticle = 5000;
        s.m_groups.push_back(std::move(g));
    }
    auto rule = std::make_unique<CCriteriaGroup>("Big", CCriteriaGroup::kActionInclude,
                                                 CCriteriaGroup::kLogicOr);
    rule->m_criteria.push_back(std::make_unique<CCriteria>(CCriteria::kFieldLines, 2, "500"));
    s.m_criteriaGroups.push_back(std::move(rule));

    for (int i = 0; i < 3; ++i) {
        auto e = std::make_unique<CLogEntry>();
        e->SetAuthor("author" + std::to_string(i));
        e->SetFileName("/srv/news/file" + std::to_string(i) + ".jpg");
        e->SetNewsgroup("alt.binaries.pics");
        e->SetSubject("subject " + std::to_string(i));
        e->SetOrigin("news.example.test");
        e->SetLines(10 * i);
        c.m_log.Add(std::move(e));
    }

    c.m_articles.push_back(MakeArticle("single one", 10));
    for (const char* base : {"holiday.rar", "album.zip"}) {
        auto m = std::make_unique<CMultiPartArticle>(4, base);
        m->AddPart(MakeArticle(std::string(base) + " (2/4)", 12), 2);
        m->AddPart(MakeArticle(std::string(base) + " (4/4)", 14), 4);
        c.m_multiParts.Set(base, m.get());
        c.m_articles.push_back(std::move(m));
    }
    c.m_articles.push_back(MakeArticle("single two", 20));

    for (std::uint32_t i = 0; i < 40; ++i)
        c.m_messageIds.Set("<id" + std::to_string(i) + "@x>",
                           std::make_unique<CMsgDetails>(kNow - i * 3600));

    for (std::int32_t n : {1, 2, 3, 7, 9}) c.m_ranges.RecordArticle("alt.binaries.pics", n);
    c.m_ranges.OnGroupFirst("comp.test", 40);
    c.m_ranges.RecordArticle("comp.test", 44);
}

void ExpectSameArticle(const CArticle& a, const CArticle& b) {
    EXPECT_EQ(a.IsMultiPart(), b.IsMultiPart());
    EXPECT_EQ(a.Subject(), b.Subject());
    EXPECT_EQ(a.From(), b.From());
    EXPECT_EQ(a.MessageId(), b.MessageId());
    EXPECT_EQ(a.Newsgroup(), b.Newsgroup());
    EXPECT_EQ(a.Origin(), b.Origin());
    EXPECT_EQ(a.Lines(), b.Lines());
    EXPECT_EQ(a.ArticleNumber(), b.ArticleNumber());
    EXPECT_EQ(a.GroupCount(), b.GroupCount());
    EXPECT_EQ(a.Date(), b.Date());
    EXPECT_EQ(a.Attachment(), b.Attachment());
}

std::vector<std::string> LogLines(const CDownloadLog& log) {
    std::vector<std::string> lines;
    log.ForEach([&](const CLogEntry& e) {
        lines.push_back(e.Author() + "|" + e.FileName() + "|" + e.Newsgroup() + "|" +
                        std::to_string(e.Lines()) + "|" + e.Origin() + "|" + e.Subject());
    });
    return lines;
}

void ExpectSameContents(const CSetupFileContents& a, const CSetupFileContents& b) {
    EXPECT_EQ(a.m_setup->NewsServer(), b.m_setup->NewsServer());
    EXPECT_EQ(a.m_setup->Password(), b.m_setup->Password());
    EXPECT_EQ(a.m_setup->m_port, b.m_setup->m_port);
    EXPECT_EQ(a.m_setup->m_threads, b.m_setup->m_threads);
    ASSERT_EQ(a.m_setup->m_groups.size(), b.m_setup->m_groups.size());
    for (std::size_t i = 0; i < a.m_setup->m_groups.size(); ++i) {
        EXPECT_EQ(a.m_setup->m_groups[i]->Name(), b.m_setup->m_groups[i]->Name());
        EXPECT_EQ(a.m_setup->m_groups[i]->RelativePath(), b.m_setup->m_groups[i]->RelativePath());
    }
    ASSERT_EQ(a.m_setup->m_criteriaGroups.size(), b.m_setup->m_criteriaGroups.size());
    EXPECT_EQ(a.m_setup->m_criteriaGroups[0]->m_criteria[0]->m_value,
              b.m_setup->m_criteriaGroups[0]->m_criteria[0]->m_value);

    EXPECT_EQ(LogLines(a.m_log), LogLines(b.m_log));

    ASSERT_EQ(a.m_articles.size(), b.m_articles.size());
    for (std::size_t i = 0; i < a.m_articles.size(); ++i) {
        ExpectSameArticle(*a.m_articles[i], *b.m_articles[i]);
        if (!a.m_articles[i]->IsMultiPart()) continue;
        const auto& ma = static_cast<const CMultiPartArticle&>(*a.m_articles[i]);
        const auto& mb = static_cast<const CMultiPartArticle&>(*b.m_articles[i]);
        ASSERT_EQ(ma.PartCount(), mb.PartCount());
        for (std::int32_t n = 1; n <= ma.PartCount(); ++n) {
            ASSERT_EQ(ma.IsPresent(n), mb.IsPresent(n)) << n;
            if (ma.IsPresent(n)) ExpectSameArticle(*ma.Part(n), *mb.Part(n));
        }
    }

    ASSERT_EQ(a.m_messageIds.Size(), b.m_messageIds.Size());
    a.m_messageIds.ForEach([&](const std::string& key, const std::unique_ptr<CMsgDetails>& v) {
        const auto* other = b.m_messageIds.Find(key);
        ASSERT_NE(other, nullptr) << key;
        EXPECT_EQ((*other)->Time(), v->Time());
    });

    // Each multi-part key names the record of the list with that base subject.
    ASSERT_EQ(a.m_multiParts.Size(), b.m_multiParts.Size());
    b.m_multiParts.ForEach([&](const std::string& key, CMultiPartArticle* v) {
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->BaseSubject(), key);
        EXPECT_TRUE(std::ranges::any_of(b.m_articles, [v](const auto& p) { return p.get() == v; }));
    });

    ASSERT_EQ(a.m_ranges.Size(), b.m_ranges.Size());
    a.m_ranges.Groups().ForEach(
        [&](const std::string& group, const std::unique_ptr<CGroupRange>& r) {
            const CGroupRange* other = b.m_ranges.Find(group);
            ASSERT_NE(other, nullptr) << group;
            EXPECT_EQ(other->Ranges(), r->Ranges());
            EXPECT_EQ(other->LowWater(), r->LowWater());
        });
}

void ExpectLoadFailed(const CSetupFileContents& c) {
    EXPECT_TRUE(c.m_fileName.empty());
    EXPECT_EQ(c.m_setup->m_port, 119);
    EXPECT_TRUE(c.m_setup->m_groups.empty());
    EXPECT_TRUE(c.m_setup->NewsServer().empty());
}

// ---- layout ------------------------------------------------------------------------------

TEST_F(SetupFileTest, EmptySetupIsTheDocumented131Bytes) {
    CSetupFileContents c;
    ASSERT_TRUE(m_file.Save(c, Path("empty.cvn")));
    const Bytes bytes = ReadBytes(Path("empty.cvn"));
    ASSERT_EQ(bytes.size(), 131u);
    const Bytes head = {0xFF, 0xFF, 0x10, 0x00, 0x06, 0x00, 'C', 'S', 'e', 't', 'u', 'p'};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
    // The setup record alone, then five empty counts for the items after it.
    CArchive record;
    record.WriteObject(c.m_setup.get());
    Bytes expected = record.Bytes();
    expected.resize(expected.size() + 10, 0);
    EXPECT_EQ(bytes, expected);

    CSetupFileContents back;
    ASSERT_TRUE(m_file.Load(back, Path("empty.cvn"), kNow));
    EXPECT_EQ(back.m_fileName, Path("empty.cvn"));
    EXPECT_EQ(back.m_setup->m_logPresent, 1);
    EXPECT_EQ(back.m_setup->m_rangesPresent, 1);
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_F(SetupFileTest, TempFileSitsBesideTheSetupFileWithExtensionTmp) {
    EXPECT_EQ(CSetupFile::TempPathFor("/a/b/news.cvn"), "/a/b/news.tmp");
    EXPECT_EQ(CSetupFile::TempPathFor("/a/b.d/news"), "/a/b.d/news.tmp");
    EXPECT_EQ(CSetupFile::TempPathFor("news.cvn"), "news.tmp");
    EXPECT_EQ(CSetupFile::TempPathFor("/a/.hidden"), "/a/.hidden.tmp");
    EXPECT_EQ(CSetupFile::TempPathFor("/a/news.tmp"), "/a/news.tmp.tmp");
}

// ---- round trips -------------------------------------------------------------------------

TEST_F(SetupFileTest, EveryItemComesBackAndTwoCyclesGiveTheOriginalBytes) {
    CSetupFileContents original;
    Fill(original);
    ASSERT_TRUE(m_file.Save(original, Path("full.cvn")));
    EXPECT_FALSE(std::filesystem::exists(Path("full.tmp")));
    const Bytes first = ReadBytes(Path("full.cvn"));

    CSetupFileContents loaded;
    ASSERT_TRUE(m_file.Load(loaded, Path("full.cvn"), kNow));
    EXPECT_EQ(loaded.m_fileName, Path("full.cvn"));
    ExpectSameContents(original, loaded);
    // The map names the loaded record, whose missing parts are still missing.
    ASSERT_NE(loaded.m_multiParts.Find("album.zip"), nullptr);
    EXPECT_FALSE((*loaded.m_multiParts.Find("album.zip"))->IsPresent(1));

    // A reader inserts pairs in file order, so keys sharing a bucket come out reversed once
    // and in their first order after a second cycle.
    ASSERT_TRUE(m_file.Save(loaded, Path("second.cvn")));
    const Bytes second = ReadBytes(Path("second.cvn"));
    EXPECT_EQ(second.size(), first.size());
    EXPECT_NE(second, first);
    CSetupFileContents again;
    ASSERT_TRUE(m_file.Load(again, Path("second.cvn"), kNow));
    ASSERT_TRUE(m_file.Save(again, Path("third.cvn")));
    EXPECT_EQ(ReadBytes(Path("third.cvn")), first);
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_F(SetupFileTest, LoadReplacesEverythingHeldBefore) {
    CSetupFileContents small;
    small.m_setup->SetNewsServer("small.test");
    ASSERT_TRUE(m_file.Save(small, Path("small.cvn")));
    CSetupFileContents c;
    Fill(c);
    ASSERT_TRUE(m_file.Load(c, Path("small.cvn"), kNow));
    EXPECT_EQ(c.m_setup->NewsServer(), "small.test");
    EXPECT_EQ(c.m_log.Size(), 0u);
    EXPECT_TRUE(c.m_articles.empty());
    EXPECT_TRUE(c.m_messageIds.Empty());
    EXPECT_TRUE(c.m_multiParts.Empty());
    EXPECT_EQ(c.m_ranges.Size(), 0u);
}

TEST_F(SetupFileTest, SaveDropsRangesOfGroupsThatLeftTheSetup) {
    CSetupFileContents c;
    Fill(c);
    c.m_ranges.RecordArticle("alt.gone", 5);
    c.m_ranges.RecordArticle("Comp.Test", 6);  // names compare case-sensitively
    ASSERT_TRUE(m_file.Save(c, Path("purge.cvn")));
    EXPECT_EQ(c.m_ranges.Find("alt.gone"), nullptr);
    EXPECT_EQ(c.m_ranges.Find("Comp.Test"), nullptr);
    EXPECT_EQ(c.m_ranges.Size(), 2u);

    CSetupFileContents back;
    ASSERT_TRUE(m_file.Load(back, Path("purge.cvn"), kNow));
    EXPECT_EQ(back.m_ranges.Size(), 2u);
    EXPECT_EQ(back.m_ranges.Find("alt.gone"), nullptr);
    EXPECT_TRUE(back.m_ranges.IsArticleSeen("comp.test", 44));
}

TEST_F(SetupFileTest, MessageIdsOlderThanSevenWholeDaysAreForgotten) {
    CSetupFileContents c;
    c.m_messageIds.Set("<edge>", std::make_unique<CMsgDetails>(kNow - 7 * kDay - 23 * 3600));
    c.m_messageIds.Set("<last-second>", std::make_unique<CMsgDetails>(kNow - 8 * kDay + 1));
    c.m_messageIds.Set("<eight>", std::make_unique<CMsgDetails>(kNow - 8 * kDay));
    c.m_messageIds.Set("<old>", std::make_unique<CMsgDetails>(kNow - 30 * kDay));
    c.m_messageIds.Set("<future>", std::make_unique<CMsgDetails>(kNow + kDay));
    c.m_messageIds.Set("<null>", nullptr);  // written as a null reference, dropped on load
    ASSERT_TRUE(m_file.Save(c, Path("ids.cvn")));

    CSetupFileContents back;
    ASSERT_TRUE(m_file.Load(back, Path("ids.cvn"), kNow));
    EXPECT_NE(back.m_messageIds.Find("<edge>"), nullptr);
    EXPECT_NE(back.m_messageIds.Find("<last-second>"), nullptr);
    EXPECT_NE(back.m_messageIds.Find("<future>"), nullptr);
    EXPECT_EQ(back.m_messageIds.Find("<eight>"), nullptr);
    EXPECT_EQ(back.m_messageIds.Find("<old>"), nullptr);
    EXPECT_EQ(back.m_messageIds.Find("<null>"), nullptr);
    EXPECT_EQ(back.m_messageIds.Size(), 3u);
}

// ---- older files -------------------------------------------------------------------------

// Without the log and range items, the article list follows the setup directly and the file
// ends after the multi-part map.
TEST_F(SetupFileTest, SchemaOneFileHasNoLogAndNoRanges) {
    Bytes b = SchemaOneSetupBytes(kNow - kDay);
    WriteBytes(Path("old.cvn"), b);

    CSetupFileContents c;
    ASSERT_TRUE(m_file.Load(c, Path("old.cvn"), kNow));
    EXPECT_EQ(c.m_setup->NewsServer(), "old.server");
    EXPECT_EQ(c.m_setup->m_port, 119);
    EXPECT_EQ(c.m_setup->m_autoSaveMinutes, 1);
    EXPECT_EQ(c.m_setup->m_logPresent, 0);
    EXPECT_EQ(c.m_setup->m_rangesPresent, 0);
    ASSERT_EQ(c.m_articles.size(), 1u);
    EXPECT_EQ(c.m_articles[0]->Subject(), "subject");
    EXPECT_EQ(c.m_articles[0]->Lines(), 42);
    EXPECT_NE(c.m_messageIds.Find("<a@b>"), nullptr);
    ASSERT_EQ(c.m_setup->m_criteriaGroups.size(), 1u);
    EXPECT_EQ(c.m_setup->m_criteriaGroups[0]->m_name, "Convert");
    EXPECT_TRUE(m_prompt.Messages().empty());

    // Written again it is a current file with both items present.
    ASSERT_TRUE(m_file.Save(c, Path("new.cvn")));
    CSetupFileContents back;
    ASSERT_TRUE(m_file.Load(back, Path("new.cvn"), kNow));
    EXPECT_EQ(back.m_setup->m_logPresent, 1);
    EXPECT_EQ(back.m_setup->m_rangesPresent, 1);
    EXPECT_EQ(back.m_articles.size(), 1u);
}

// ---- bad files ---------------------------------------------------------------------------

TEST_F(SetupFileTest, MissingFileOrDirectoryGivesADefaultSetupAndNoName) {
    for (const std::string& path : {Path("absent.cvn"), m_dir}) {
        m_prompt.Clear();
        CSetupFileContents c;
        Fill(c);
        c.m_fileName = "previous.cvn";
        EXPECT_FALSE(m_file.Load(c, path, kNow));
        EXPECT_TRUE(OnlyMessageWas(kIdsSetupLoadFailed));
        ExpectLoadFailed(c);
        EXPECT_TRUE(c.m_articles.empty());
    }
}

TEST_F(SetupFileTest, EveryTruncationFailsCleanlyAndKeepsWhatCameBefore) {
    CSetupFileContents original;
    Fill(original);
    ASSERT_TRUE(m_file.Save(original, Path("full.cvn")));
    const Bytes full = ReadBytes(Path("full.cvn"));
    for (std::size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE("length " + std::to_string(length));
        WriteBytes(Path("cut.cvn"), Bytes(full.begin(), full.begin() + static_cast<long>(length)));
        m_prompt.Clear();
        CSetupFileContents c;
        ASSERT_FALSE(m_file.Load(c, Path("cut.cvn"), kNow));
        ASSERT_TRUE(OnlyMessageWas(kIdsSetupLoadFailed));
        ExpectLoadFailed(c);
        c.m_multiParts.ForEach([&](const std::string&, CMultiPartArticle* v) {
            ASSERT_TRUE(
                std::ranges::any_of(c.m_articles, [v](const auto& p) { return p.get() == v; }));
        });
        // Cut inside the range map, the earlier items are all there.
        if (length == full.size() - 1) {
            EXPECT_EQ(c.m_log.Size(), 3u);
            EXPECT_EQ(c.m_articles.size(), 4u);
            EXPECT_EQ(c.m_messageIds.Size(), 40u);
            EXPECT_EQ(c.m_multiParts.Size(), 2u);
        }
    }
}

TEST_F(SetupFileTest, NewerSchemaAndStrayMultiPartValuesAreRefused) {
    CSetupFileContents original;
    Fill(original);
    ASSERT_TRUE(m_file.Save(original, Path("full.cvn")));
    Bytes newer = ReadBytes(Path("full.cvn"));
    newer[2] = CSetup::kSchema + 1;
    CSetupFileContents c;
    EXPECT_FALSE(m_file.LoadFromBytes(c, newer, kNow));
    EXPECT_TRUE(OnlyMessageWas(kIdsSetupLoadFailed));
    ExpectLoadFailed(c);

    // A map value naming a part inside a record, rather than a record of the list, would be
    // freed with its record while the map still named it.
    CSetupFileContents stray;
    auto outer = std::make_unique<CMultiPartArticle>(2, "outer");
    auto inner = std::make_unique<CMultiPartArticle>(1, "inner");
    stray.m_multiParts.Set("inner", inner.get());
    stray.m_multiParts.Set("outer", outer.get());
    stray.m_multiParts.Set("none", nullptr);
    outer->AddPart(std::move(inner), 1);
    stray.m_articles.push_back(std::move(outer));
    m_prompt.Clear();
    CSetupFileContents back;
    EXPECT_FALSE(m_file.LoadFromBytes(back, CSetupFile::ToBytes(stray), kNow));
    EXPECT_TRUE(OnlyMessageWas(kIdsSetupLoadFailed));
    EXPECT_EQ(back.m_multiParts.Find("inner"), nullptr);
    back.m_multiParts.ForEach([&](const std::string&, CMultiPartArticle* v) {
        EXPECT_TRUE(
            std::ranges::any_of(back.m_articles, [v](const auto& p) { return p.get() == v; }));
    });

    // A null value carries nothing and goes quietly.
    stray.m_articles[0] = std::make_unique<CMultiPartArticle>(2, "outer");
    stray.m_multiParts.Clear();
    stray.m_multiParts.Set("none", nullptr);
    stray.m_multiParts.Set("outer", static_cast<CMultiPartArticle*>(stray.m_articles[0].get()));
    m_prompt.Clear();
    EXPECT_TRUE(m_file.LoadFromBytes(back, CSetupFile::ToBytes(stray), kNow));
    EXPECT_TRUE(m_prompt.Messages().empty());
    EXPECT_EQ(back.m_multiParts.Size(), 1u);
    ASSERT_NE(back.m_multiParts.Find("outer"), nullptr);
    EXPECT_EQ(*back.m_multiParts.Find("outer"), back.m_articles[0].get());
}

// ---- failing saves -----------------------------------------------------------------------

TEST_F(SetupFileTest, FailedSaveShowsTheMessageAndKeepsThePreviousFile) {
    CSetupFileContents c;
    Fill(c);
    const std::string path = Path("keep.cvn");
    ASSERT_TRUE(m_file.Save(c, path));
    const Bytes previous = ReadBytes(path);
    c.m_setup->SetNewsServer("changed.test");

    // The temporary file cannot be created where a directory has its name.
    ASSERT_TRUE(std::filesystem::create_directory(Path("keep.tmp")));
    EXPECT_FALSE(m_file.Save(c, path));
    EXPECT_TRUE(OnlyMessageWas(kIdsSetupSaveFailed));
    EXPECT_EQ(ReadBytes(path), previous);
    EXPECT_TRUE(std::filesystem::is_directory(Path("keep.tmp")));
    std::filesystem::remove(Path("keep.tmp"));

    // A multi-part map value missing from the list cannot be written as a reference.
    m_prompt.Clear();
    CMultiPartArticle unlisted(2, "unlisted");
    c.m_multiParts.Set("unlisted", &unlisted);
    EXPECT_FALSE(m_file.Save(c, path));
    EXPECT_TRUE(OnlyMessageWas(kIdsSetupSaveFailed));
    EXPECT_EQ(ReadBytes(path), previous);
    EXPECT_FALSE(std::filesystem::exists(Path("keep.tmp")));
    c.m_multiParts.Remove("unlisted");

    // The same state saves once the obstacle is gone, replacing the file.
    m_prompt.Clear();
    ASSERT_TRUE(m_file.Save(c, path));
    EXPECT_NE(ReadBytes(path), previous);
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_F(SetupFileTest, SaveAsIntoAMissingDirectoryFailsButTakesTheName) {
    CSetupFileContents c;
    const std::string path = Path("no/such/dir/x.cvn");
    EXPECT_FALSE(m_file.SaveAs(c, path));
    EXPECT_TRUE(OnlyMessageWas(kIdsSetupSaveFailed));
    EXPECT_EQ(c.m_fileName, path);
    EXPECT_FALSE(std::filesystem::exists(Path("no")));

    m_prompt.Clear();
    ASSERT_TRUE(m_file.SaveAs(c, Path("x.tmp")));
    EXPECT_EQ(c.m_fileName, Path("x.tmp"));
    EXPECT_EQ(ReadBytes(Path("x.tmp")).size(), 131u);
    EXPECT_FALSE(std::filesystem::exists(Path("x.tmp.tmp")));
}

}  // namespace
}  // namespace corvane
