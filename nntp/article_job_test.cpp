// The article job against the test news server: files decoded byte for byte from single and
// multi-part postings, what reaches the main window and the manager, which commands go out,
// and how every skip and failure leaves the connection and the download directory.
#include "nntp/article_job.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "nntp/jobs.h"
#include "nntp/session_fixture.h"
#include "resources/string_table.h"
#include "select/criteria_eval.h"
#include "setup/article.h"
#include "store/attachment_decoder.h"
#include "work/messages.h"

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr int kWorkerIndex = 3;

Bytes RandomBytes(size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

char UuChar(unsigned value) {
    return value == 0 ? '`' : static_cast<char>(value + 32);
}

// Data lines of 45 bytes; a zero six-bit value is written as a backquote.
Lines UuencodeData(const Bytes& bytes) {
    Lines lines;
    for (size_t start = 0; start < bytes.size(); start += 45) {
        const size_t n = std::min<size_t>(45, bytes.size() - start);
        std::string line(1, UuChar(static_cast<unsigned>(n)));
        for (size_t i = 0; i < n; i += 3) {
            const unsigned a = bytes[start + i];
            const unsigned b = i + 1 < n ? bytes[start + i + 1] : 0;
            const unsigned c = i + 2 < n ? bytes[start + i + 2] : 0;
            line += UuChar(a >> 2);
            line += UuChar(((a << 4) | (b >> 4)) & 63);
            line += UuChar(((b << 2) | (c >> 6)) & 63);
            line += UuChar(c & 63);
        }
        lines.push_back(line);
    }
    return lines;
}

Lines Base64Data(const Bytes& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Lines lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        const unsigned v =
            (bytes[i] << 16) | (n > 1 ? bytes[i + 1] << 8 : 0) | (n > 2 ? bytes[i + 2] : 0);
        line += kAlphabet[(v >> 18) & 63];
        line += kAlphabet[(v >> 12) & 63];
        line += n > 1 ? kAlphabet[(v >> 6) & 63] : '=';
        line += n > 2 ? kAlphabet[v & 63] : '=';
        if (line.size() == 76) lines.push_back(std::exchange(line, {}));
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string Join(const Lines& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// Four header lines, any extra ones, and the blank line before the body.
std::string Headers(long number, const std::string& extra = "",
                    const std::string& newsgroups = "alt.bin") {
    return "From: poster@example.com\nSubject: post " + std::to_string(number) + "\nMessage-ID: <" +
           std::to_string(number) + "@example.com>\nNewsgroups: " + newsgroups + "\n" + extra +
           "\n";
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Bytes FileBytes(const std::string& path) {
    const std::string text = FileText(path);
    return Bytes(text.begin(), text.end());
}

// What the main window received. Saved decoders are taken over and released as the window
// would; a null pointer stands for "dropped by the rules".
struct SPosted {
    std::vector<unsigned> order;
    std::vector<void*> started;
    std::vector<AttachmentDecoder*> saved;

    ~SPosted() {
        for (AttachmentDecoder* decoder : saved) {
            if (decoder != nullptr) decoder->Release();
        }
    }
    int Count(unsigned message) const {
        return static_cast<int>(std::count(order.begin(), order.end(), message));
    }
};

class ArticleJobTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        m_save = m_dir + "/save";
        m_worker.Attach(m_manager, kWorkerIndex);
        m_worker.SetControls(WorkerControl::Status, &m_row);
        m_worker.SetControls(WorkerControl::Progress, &m_row);
        m_worker.SetControls(WorkerControl::Preview, &m_row);
        m_setup = std::make_shared<CSetup>();
        m_setup->m_showThumbnails = 0;
    }

    void TearDown() override {
        Drain();
        SessionTest::TearDown();
    }

    void Publish() { m_services.PublishSetup(std::make_shared<const CSetup>(*m_setup)); }

    // A rule of one condition.
    void AddRule(std::int32_t action, std::int32_t field, std::int32_t op, std::string value) {
        auto rule = std::make_unique<CCriteriaGroup>("rule", action, CCriteriaGroup::kLogicAnd);
        rule->m_criteria.push_back(std::make_unique<CCriteria>(field, op, std::move(value)));
        m_setup->m_criteriaGroups.push_back(std::move(rule));
    }

    std::unique_ptr<CArticle> Single(std::int32_t number, std::int32_t lines = 10) {
        auto article = std::make_unique<CArticle>();
        article->SetArticleNumber(number);
        article->SetMessageId(std::to_string(number) + "@example.com");
        article->SetSubject("post " + std::to_string(number));
        article->SetNewsgroup("alt.bin");
        article->SetLines(lines);
        return article;
    }

    std::unique_ptr<CMultiPartArticle> Posting(const std::vector<std::int32_t>& numbers) {
        auto posting = std::make_unique<CMultiPartArticle>(
            static_cast<std::int32_t>(numbers.size()), "photo.jpg");
        for (size_t i = 0; i < numbers.size(); ++i) {
            posting->AddPart(Single(numbers[i]), static_cast<std::int32_t>(i + 1));
        }
        return posting;
    }

    CWorkItem ItemFor(CArticle& article, int overwrite = 1) {
        CWorkItem item;
        item.window = &m_window;
        item.kind = static_cast<int>(WorkKind::Article);
        item.group = "alt.bin";
        item.article = &article;
        item.server = "127.0.0.1";
        item.port = m_server->Port();
        item.saveDirectory = m_save;
        item.overwrite = overwrite;
        return item;
    }

    bool Run(CArticle& article, int overwrite = 1) {
        m_services.SetServer("127.0.0.1", m_server->Port());
        Publish();
        CWorkItem item = ItemFor(article, overwrite);
        return m_worker.DoWork(item);
    }

    SPosted Drain() {
        SPosted posted;
        SMessage message;
        while (m_window.TryGet(message)) {
            posted.order.push_back(message.number);
            if (message.number == UWM_ARTICLE_STARTED) posted.started.push_back(message.lParam);
            if (message.number == UWM_ARTICLE_SAVED)
                posted.saved.push_back(static_cast<AttachmentDecoder*>(message.lParam));
        }
        return posted;
    }

    std::vector<std::string> SavedFiles() const {
        std::vector<std::string> names;
        if (!fs::exists(m_save)) return names;
        for (const auto& entry : fs::recursive_directory_iterator(m_save))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void WriteSpool(long number, const std::string& text) {
        testserver::WriteArticle(m_spool, "alt.bin", number, text);
    }

    // A uuencoded single article whose data lines follow "begin".
    void WriteUuArticle(long number, const Bytes& bytes, const std::string& name) {
        WriteSpool(number, Headers(number) + "begin 644 " + name + "\n" +
                               Join(UuencodeData(bytes)) + "`\nend\n");
    }

    std::string m_save;
    CMessageQueue m_window;
    CMessageQueue m_manager;
    CWorkerDisplay m_row;
    std::shared_ptr<CSetup> m_setup;
    CCorvaneWorker m_worker{kWorkerIndex, m_services, DefaultJobTable()};
};

// 45 x 30 + 14 bytes: the last data line's count character is ".", so it travels dot-stuffed.
TEST_F(ArticleJobTest, SingleUuencodedArticleIsSavedByteForByteAndHandedOver) {
    const Bytes bytes = RandomBytes(45 * 30 + 14, 1);
    ASSERT_EQ(UuencodeData(bytes).back()[0], '.');
    WriteUuArticle(3, bytes, "pic.jpg");
    StartServer();
    auto article = Single(3);

    ASSERT_TRUE(Run(*article));
    EXPECT_EQ(FileBytes(m_save + "/pic.jpg"), bytes);
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin", "HEAD 3", "BODY 3"}));
    EXPECT_TRUE(m_worker.IsConnected());
    EXPECT_EQ(article->FileName(), "pic.jpg");
    EXPECT_EQ(article->GroupCount(), 1);
    EXPECT_FALSE(article->Mismatch());

    SPosted posted = Drain();
    EXPECT_EQ(posted.order, (std::vector<unsigned>{UWM_ARTICLE_STARTED, UWM_ARTICLE_SAVED}));
    EXPECT_EQ(posted.started, (std::vector<void*>{article.get()}));
    ASSERT_EQ(posted.saved.size(), 1u);
    ASSERT_NE(posted.saved[0], nullptr);
    EXPECT_EQ(posted.saved[0]->Path(), m_save + "/pic.jpg");
    const CWorkerDisplay::SState row = m_row.State();
    EXPECT_EQ(row.status, "");
    EXPECT_EQ(row.progress, 0);
}

// Later parts carry a header that has the shape of a full uuencoded line: decoded as data it
// would put 45 stray bytes into the file.
TEST_F(ArticleJobTest, MultiPartPostingComesPartByPartOnOneConnection) {
    const Bytes bytes = RandomBytes(45 * 40 + 14, 2);
    const Lines data = UuencodeData(bytes);
    const std::string trap = "M-Tag: " + std::string(54, 'x');
    ASSERT_EQ(trap.size(), 61u);
    WriteSpool(5, Headers(5, "", "alt.bin,alt.other") + "begin 644 photo.jpg\n" +
                      Join(Lines(data.begin(), data.begin() + 15)));
    WriteSpool(6, Headers(6, trap + "\n") + Join(Lines(data.begin() + 15, data.begin() + 30)));
    WriteSpool(7, Headers(7, trap + "\n") + Join(Lines(data.begin() + 30, data.end())) + "end\n");
    StartServer();
    auto posting = Posting({5, 6, 7});

    ASSERT_TRUE(Run(*posting));
    EXPECT_EQ(FileBytes(m_save + "/photo.jpg"), bytes);
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin", "HEAD 5", "BODY 5", "HEAD 6",
                                    "BODY 6", "HEAD 7", "BODY 7"}));
    EXPECT_EQ(m_server->ConnectionsAccepted(), 1);
    EXPECT_EQ(posting->GroupCount(), 1) << "the last part's headers count";
    SPosted posted = Drain();
    EXPECT_EQ(posted.Count(UWM_ARTICLE_SAVED), 1);
    EXPECT_EQ(posted.order.back(), UWM_ARTICLE_SAVED);
}

// A posting seen in two groups joins parts listed from each; every part is asked for in the
// group its number belongs to.
TEST_F(ArticleJobTest, PartsListedFromAnotherGroupAreFetchedThere) {
    const Bytes bytes = RandomBytes(45 * 20 + 7, 3);
    const Lines data = UuencodeData(bytes);
    WriteSpool(5, Headers(5) + "begin 644 both.jpg\n" + Join(Lines(data.begin(), data.begin() + 10)));
    testserver::WriteArticle(m_spool, "alt.other", 2,
                             Headers(2) + Join(Lines(data.begin() + 10, data.end())) + "end\n");
    WriteSpool(2, Headers(2000) + "something else at the same number\n");
    StartServer();
    auto posting = std::make_unique<CMultiPartArticle>(2, "both.jpg");
    posting->AddPart(Single(5), 1);
    auto other = Single(2);
    other->SetNewsgroup("alt.other");
    posting->AddPart(std::move(other), 2);

    ASSERT_TRUE(Run(*posting));
    EXPECT_EQ(FileBytes(m_save + "/both.jpg"), bytes);
    EXPECT_FALSE(posting->Mismatch());
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin", "HEAD 5", "BODY 5",
                                    "GROUP alt.other", "HEAD 2", "BODY 2"}));
}

TEST_F(ArticleJobTest, MimeBase64AttachmentIsSaved) {
    const Bytes bytes = RandomBytes(5000, 3);
    WriteSpool(8,
               Headers(8, "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"zz\"\n") +
                   "--zz\nContent-Type: text/plain\n\nsee attached\n--zz\n"
                   "Content-Type: image/gif; name=\"b.gif\"\n"
                   "Content-Transfer-Encoding: base64\n\n" +
                   Join(Base64Data(bytes)) + "--zz--\n");
    StartServer();
    auto article = Single(8);

    ASSERT_TRUE(Run(*article));
    EXPECT_EQ(FileBytes(m_save + "/b.gif"), bytes);
    EXPECT_EQ(SavedFiles(), Lines{"b.gif"});
}

// Lines of a text article that look like replies or headers are only text; the server's
// Message-ID header is the job's to check and stays out of the file.
TEST_F(ArticleJobTest, TextArticleKeepsBodyLinesThatLookLikeRepliesOrHeaders) {
    WriteSpool(9, Headers(9) +
                      "430 not a reply\nMessage-ID: <someone.else@example.com>\n"
                      "..two dots\n.one dot\n");
    StartServer();
    auto article = Single(9);
    article->SetAttachment(false);

    ASSERT_TRUE(Run(*article));
    const std::string text = FileText(m_save + "/alt.bin.9.txt");
    EXPECT_TRUE(
        text.ends_with("430 not a reply\r\nMessage-ID: <someone.else@example.com>\r\n"
                       "..two dots\r\n.one dot\r\n"))
        << text;
    EXPECT_EQ(text.find("<9@example.com>"), std::string::npos) << text;
    EXPECT_FALSE(article->Mismatch());
}

// With no file opened after it, the flag stays; a file opened later clears it again.
TEST_F(ArticleJobTest, MessageIdOfAnotherArticleSetsTheMismatchFlag) {
    WriteSpool(10, Headers(10) + "just words, no attachment\n");
    WriteUuArticle(11, RandomBytes(100, 4), "late.jpg");
    StartServer();
    auto wrongText = Single(10);
    wrongText->SetMessageId("elsewhere@example.com");
    auto wrongFile = Single(11);
    wrongFile->SetMessageId("elsewhere@example.com");

    ASSERT_TRUE(Run(*wrongText));
    EXPECT_TRUE(wrongText->Mismatch());
    ASSERT_TRUE(Run(*wrongFile));
    EXPECT_FALSE(wrongFile->Mismatch());
    EXPECT_TRUE(fs::exists(m_save + "/late.jpg"));
}

using ArticleSkipTest = ArticleJobTest;

// Part 2 is gone from the server: part 1's file is deleted and part 3 is never asked for.
TEST_F(ArticleSkipTest, GonePartEndsTheArticleWithSuccessAndNothingSaved) {
    const Lines data = UuencodeData(RandomBytes(45 * 20, 5));
    WriteSpool(5,
               Headers(5) + "begin 644 gone.jpg\n" + Join(Lines(data.begin(), data.begin() + 10)));
    WriteSpool(6, Headers(6) + Join(Lines(data.begin() + 10, data.end())));
    WriteSpool(7, Headers(7) + "end\n");
    testserver::SBehaviour behaviour;
    behaviour.goneArticles = {6};
    StartServer(behaviour);
    CTraceLog trace(m_dir + "/dbgtrace");
    trace.Enable();
    CBasicNntpServices traced(5000, &trace);
    CCorvaneWorker worker{kWorkerIndex, traced, DefaultJobTable()};
    worker.Attach(m_manager, kWorkerIndex);
    auto posting = Posting({5, 6, 7});
    CWorkItem item = ItemFor(*posting);

    ASSERT_TRUE(worker.DoWork(item));
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin", "HEAD 5", "BODY 5", "HEAD 6"}));
    EXPECT_TRUE(worker.IsConnected());
    EXPECT_EQ(SavedFiles(), Lines{});
    EXPECT_EQ(Drain().Count(UWM_ARTICLE_SAVED), 0);
    const std::string records = FileText(m_dir + "/dbgtrace");
    EXPECT_TRUE(records.ends_with("03 : <- 430 No such article\n03 : -> Skip reason = 4\n\n"))
        << records;
}

TEST_F(ArticleSkipTest, BodyGoneAfterItsHeadersIsAGonePartToo) {
    WriteUuArticle(12, RandomBytes(300, 6), "half.jpg");
    testserver::SBehaviour behaviour;
    behaviour.missingBodies = {12};
    StartServer(behaviour);
    auto article = Single(12);

    ASSERT_TRUE(Run(*article));
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin", "HEAD 12", "BODY 12"}));
    EXPECT_TRUE(m_worker.IsConnected());
    EXPECT_EQ(SavedFiles(), Lines{});
}

TEST_F(ArticleSkipTest, RulesCheckedBeforeAnythingIsSent) {
    WriteUuArticle(13, RandomBytes(300, 7), "never.jpg");
    StartServer();
    AddRule(CCriteriaGroup::kActionExclude, CCriteria::kFieldSubject, kOpEqual, "post 13");
    auto article = Single(13);

    ASSERT_TRUE(Run(*article));
    EXPECT_EQ(m_server->ConnectionsAccepted(), 0);
    EXPECT_TRUE(Drain().order.empty());
}

// Unknown at queueing time, the number of groups comes with the headers (skip reason 1).
TEST_F(ArticleSkipTest, CrosspostFoundInTheHeadersDropsTheArticleAndKeepsTheConnection) {
    WriteSpool(14, Headers(14, "", "alt.bin,alt.a,alt.b") + "begin 644 x.jpg\n`\nend\n");
    StartServer();
    AddRule(CCriteriaGroup::kActionExclude, CCriteria::kFieldGroupCount, kOpGreater, "2");
    auto article = Single(14);

    ASSERT_TRUE(Run(*article));
    EXPECT_EQ(article->GroupCount(), 3);
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin", "HEAD 14"}));
    EXPECT_TRUE(m_worker.IsConnected());
    SPosted posted = Drain();
    EXPECT_EQ(posted.saved, (std::vector<AttachmentDecoder*>{nullptr}));
    EXPECT_EQ(SavedFiles(), Lines{});
}

// The file name becomes known in the body (skip reason 3): the rest of the body is not read.
TEST_F(ArticleSkipTest, FileNameRefusedByTheRulesDropsTheArticleAndClosesTheConnection) {
    WriteUuArticle(15, RandomBytes(4500, 8), "setup.exe");
    StartServer();
    AddRule(CCriteriaGroup::kActionExclude, CCriteria::kFieldFilename, kOpEndsWith, ".exe");
    auto article = Single(15);

    ASSERT_TRUE(Run(*article));
    EXPECT_EQ(article->FileName(), "setup.exe");
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(Drain().saved, (std::vector<AttachmentDecoder*>{nullptr}));
    EXPECT_EQ(SavedFiles(), Lines{});
}

// Skip reason 2: the existing file is left as it was.
TEST_F(ArticleSkipTest, ExistingFileWithoutOverwriteIsRefusedAndKept) {
    WriteUuArticle(16, RandomBytes(900, 9), "kept.jpg");
    StartServer();
    fs::create_directories(m_save);
    std::ofstream(m_save + "/kept.jpg") << "old";
    auto article = Single(16);

    ASSERT_TRUE(Run(*article, /*overwrite=*/0));
    EXPECT_EQ(FileText(m_save + "/kept.jpg"), "old");
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(Drain().Count(UWM_ARTICLE_SAVED), 0);
}

TEST_F(ArticleJobTest, ConnectionDroppedInTheBodyFailsAndLeavesNoFile) {
    WriteUuArticle(17, RandomBytes(45 * 100, 10), "cut.jpg");
    testserver::SBehaviour behaviour;
    // Greeting, MODE READER, GROUP, the HEAD block (reply, 4 headers, "."), then the BODY
    // reply, "begin" and a few data lines.
    behaviour.dropAfterLines = 3 + 6 + 1 + 1 + 20;
    StartServer(behaviour);
    auto article = Single(17);

    EXPECT_FALSE(Run(*article));
    EXPECT_EQ(SavedFiles(), Lines{});
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_row.State().status, ResourceString(kIdsReceiveError));
    EXPECT_EQ(Drain().Count(UWM_ARTICLE_SAVED), 0);
}

// The server goes silent after part 1 with its file open; the cancel must end the waiting
// read itself (the time-out is far beyond any test run, and would show "Receive error").
TEST_F(ArticleJobTest, CancelWhileWaitingForTheServerFailsAndLeavesNoFile) {
    const Lines data = UuencodeData(RandomBytes(45 * 20, 11));
    WriteSpool(5, Headers(5) + "begin 644 stop.jpg\n" + Join(data));
    WriteSpool(6, Headers(6) + "end\n");
    testserver::SBehaviour behaviour;
    behaviour.silentAfterCommands = 4;  // MODE READER, GROUP, HEAD 5, BODY 5
    StartServer(behaviour);
    m_services.SetTimeoutMs(600000);
    auto posting = Posting({5, 6});
    std::thread canceller([this] {
        // Bounded, so that a job that never gets there cannot hang the test.
        for (int tries = 0; tries < 4000; ++tries) {
            const auto commands = CommandsOf(1);
            if (!commands.empty() && commands.back() == "HEAD 6") break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        m_worker.SetCancel();
    });

    const bool result = Run(*posting);
    canceller.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(SavedFiles(), Lines{});
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_row.State().status, "");
    EXPECT_EQ(Drain().Count(UWM_ARTICLE_SAVED), 0);
}

// The record counts 100 lines; the server sends 4 headers and "." (lines 1-5), "begin" (6),
// 92 data lines, "`", "end" (100) and ".". Every tenth from line 10 on falls after "begin",
// so the preview is refreshed ten times, the most an article may ask for.
TEST_F(ArticleJobTest, PreviewFollowsEachTenthOfTheArticle) {
    WriteUuArticle(18, RandomBytes(45 * 92, 12), "grow.jpg");
    StartServer();
    m_setup->m_showThumbnails = 1;
    auto article = Single(18, 100);

    ASSERT_TRUE(Run(*article));
    const CWorkerDisplay::SState row = m_row.State();
    EXPECT_EQ(row.previewShows, 10u);
    EXPECT_EQ(row.previewPath, "") << "cleared at the end";

    m_setup->m_showThumbnails = 0;
    auto again = Single(18, 100);
    ASSERT_TRUE(Run(*again, 1));
    EXPECT_EQ(m_row.State().previewShows, 10u) << "no preview with thumbnails off";
}

class ArticleDiskFullTest : public ArticleJobTest {
protected:
    void SetUp() override {
        ArticleJobTest::SetUp();
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs";
        fs::create_directories(m_save);
        if (::mount("corvane-art", m_save.c_str(), "tmpfs", 0, "size=64k") != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
        }
        m_mounted = true;
    }
    void TearDown() override {
        if (m_mounted) ::umount2(m_save.c_str(), MNT_DETACH);
        ArticleJobTest::TearDown();
    }
    bool m_mounted = false;
};

TEST_F(ArticleDiskFullTest, FullDiskPausesTheQueueTellsTheWindowAndLeavesNoFile) {
    WriteUuArticle(19, RandomBytes(300 * 1024, 13), "huge.jpg");
    StartServer();
    auto article = Single(19);

    EXPECT_FALSE(Run(*article));
    EXPECT_EQ(SavedFiles(), Lines{});
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_row.State().status, ResourceString(kIdsDiskFull));
    SPosted posted = Drain();
    EXPECT_EQ(posted.Count(UWM_DISK_FULL), 1);
    EXPECT_EQ(posted.Count(UWM_ARTICLE_SAVED), 0);
    SMessage message;
    ASSERT_TRUE(m_manager.TryGet(message));
    EXPECT_EQ(message.number, TM_PAUSE);
}

}  // namespace
}  // namespace corvane
