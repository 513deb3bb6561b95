#include "store/article_saved.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "indexes/file_index.h"
#include "platform/prompt.h"
#include "store/file_index_registry.h"
#include "store/sample_articles.h"
#include "store/store_test_support.h"

namespace corvane {
namespace {

using test::CDecoderRef;

class ArticleSavedTest : public test::CStoreDirTest {
protected:
    // An article with two uuencoded attachments, finished.
    AttachmentDecoder* TwoFiles(const std::string& first, const std::string& second) {
        AttachmentDecoder* decoder = NewDecoder();
        auto lines = UuencodedLines(SampleBytes(10, 1), first);
        const auto more = UuencodedLines(SampleBytes(20, 2), second);
        lines.insert(lines.end(), more.begin(), more.end());
        lines.push_back("-- signature");
        EXPECT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
        EXPECT_EQ(decoder->Finish(), EFeed::kGoOn);
        return decoder;
    }
    void Record(const AttachmentDecoder& chain, const std::string& subject, bool logging = true) {
        RecordSavedArticle(chain, subject, "news.example.org", "Poster <p@example.org>", 321,
                           logging, m_log);
    }
    std::vector<std::string> LoggedFiles() const {
        std::vector<std::string> files;
        m_log.ForEach([&](const CLogEntry& e) { files.push_back(e.FileName()); });
        return files;
    }

    CDownloadLog m_log;
};

TEST_F(ArticleSavedTest, EverySavedFileGetsALogEntryAndADescriptionLine) {
    CDecoderRef chain(TwoFiles("one.jpg", "two.jpg"));
    Record(*chain, "Holiday pictures (1/1)");
    EXPECT_EQ(ReadText(File("descript.ion")),
              "one.jpg Holiday pictures (1/1)\r\ntwo.jpg Holiday pictures (1/1)\r\n");
    ASSERT_EQ(LoggedFiles(), (std::vector<std::string>{File("one.jpg"), File("two.jpg")}));
    m_log.ForEach([&](const CLogEntry& e) {
        EXPECT_EQ(e.Newsgroup(), "alt.binaries.test");
        EXPECT_EQ(e.Subject(), "Holiday pictures (1/1)");
        EXPECT_EQ(e.Origin(), "news.example.org");
        EXPECT_EQ(e.Author(), "Poster <p@example.org>");
        EXPECT_EQ(e.Lines(), 321);
    });

    CDecoderRef later(TwoFiles("three.jpg", "four.jpg"));
    Record(*later, "More");
    EXPECT_EQ(ReadText(File("descript.ion")),
              "one.jpg Holiday pictures (1/1)\r\ntwo.jpg Holiday pictures (1/1)\r\n"
              "three.jpg More\r\nfour.jpg More\r\n")
        << "lines are only ever appended";
}

TEST_F(ArticleSavedTest, ASubjectWithLineBreaksStaysOnOneLine) {
    CDecoderRef chain(TwoFiles("a.jpg", "b.jpg"));
    Record(*chain, "evil\r\nc.jpg injected\rline\n");
    EXPECT_EQ(ReadText(File("descript.ion")),
              "a.jpg evil  c.jpg injected line \r\nb.jpg evil  c.jpg injected line \r\n");
}

TEST_F(ArticleSavedTest, DuplicatesAndLoggingOffLeaveNoTrace) {
    m_registry.m_useFileDatabase = true;
    m_registry.m_known.push_back(m_registry.MakeKey("two.jpg", 20));
    CDecoderRef chain(TwoFiles("one.jpg", "two.jpg"));
    ASSERT_TRUE(chain->Next()->Duplicate());
    Record(*chain, "s");
    EXPECT_EQ(LoggedFiles(), std::vector<std::string>{File("one.jpg")});
    EXPECT_EQ(ReadText(File("descript.ion")), "one.jpg s\r\n");

    CDecoderRef quiet(TwoFiles("three.jpg", "four.jpg"));
    Record(*quiet, "s", false);
    EXPECT_EQ(m_log.Size(), 1u);
    EXPECT_EQ(ReadText(File("descript.ion")), "one.jpg s\r\n");
}

TEST_F(ArticleSavedTest, AChainThatNeverOpenedAFileRecordsNothing) {
    CDecoderRef chain(NewDecoder());
    ASSERT_EQ(FeedAll(*chain, {"just", "text"}), EFeed::kGoOn);
    ASSERT_EQ(chain->Finish(), EFeed::kGoOn);
    Record(*chain, "s");
    EXPECT_EQ(m_log.Size(), 0u);
    EXPECT_FALSE(std::filesystem::exists(File("descript.ion")));
}

TEST_F(ArticleSavedTest, AnUnwritableDescriptionFileStillLogs) {
    std::filesystem::create_directories(File("descript.ion"));  // a directory in its way
    CDecoderRef chain(TwoFiles("one.jpg", "two.jpg"));
    Record(*chain, "s");
    EXPECT_EQ(m_log.Size(), 2u);
}

TEST_F(ArticleSavedTest, TheEntryAfterTheLimitDropsTheOldest) {
    for (std::size_t i = 0; i < CDownloadLog::kMaxEntries; ++i) {
        auto entry = std::make_unique<CLogEntry>();
        entry->SetFileName("old" + std::to_string(i));
        m_log.Add(std::move(entry));
    }
    CDecoderRef chain(NewDecoder());
    ASSERT_EQ(FeedAll(*chain, {"begin 644 new.jpg", "#0V%T", "end"}), EFeed::kGoOn);
    ASSERT_EQ(chain->Finish(), EFeed::kGoOn);
    Record(*chain, "s");
    std::vector<std::string> files = LoggedFiles();
    ASSERT_EQ(files.size(), CDownloadLog::kMaxEntries);
    EXPECT_EQ(files.front(), "old1");
    EXPECT_EQ(files.back(), File("new.jpg"));
}

TEST_F(ArticleSavedTest, TheRealFileIndexRecognisesTheSecondDownload) {
    CRecordingPrompt prompt;
    CFileIndex index(prompt, m_root);
    ASSERT_TRUE(index.Open());
    bool useDatabase = true;
    CFileIndexRegistry registry(index, [&] { return useDatabase; });
    const auto lines = UuencodedLines(SampleBytes(1234, 5), "again.jpg");

    auto download = [&]() {
        CDecoderRef decoder(AttachmentDecoder::Create(true, "alt.test", m_dir, true, 1, &registry));
        EXPECT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn);
        EXPECT_EQ(decoder->Finish(), EFeed::kGoOn);
        return decoder->Duplicate();
    };
    EXPECT_FALSE(download());
    EXPECT_TRUE(std::filesystem::exists(File("again.jpg")));
    EXPECT_TRUE(index.FileKnown("again.jpg", 1234));
    EXPECT_TRUE(download());
    EXPECT_FALSE(std::filesystem::exists(File("again.jpg")));
    useDatabase = false;
    EXPECT_FALSE(download());
    EXPECT_TRUE(std::filesystem::exists(File("again.jpg")));
    EXPECT_TRUE(prompt.Messages().empty());
}

}  // namespace
}  // namespace corvane
