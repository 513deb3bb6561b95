// The group-headers and group-refresh jobs against the test news server: what reaches the main
// window, which commands go out on which connection, and how each failure ends the job.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <thread>

#include "tests/support/local_time.h"
#include "nntp/group_headers_job.h"
#include "nntp/group_number.h"
#include "nntp/group_refresh_job.h"
#include "nntp/jobs.h"
#include "nntp/session_fixture.h"
#include "setup/article.h"
#include "work/messages.h"

namespace corvane {
namespace {

using testsupport::LocalDisplayDate;

using Lines = std::vector<std::string>;
using Pairs = std::vector<std::pair<std::string, std::int32_t>>;

Pairs ChainPairs(const CGroupNumber& first) {
    Pairs pairs;
    for (const CGroupNumber* node = &first; node != nullptr; node = node->Next()) {
        pairs.emplace_back(node->Group(), node->Number());
    }
    return pairs;
}

// What the main window received, taken over as the window would.
struct SPosted {
    std::vector<unsigned> order;
    std::vector<std::unique_ptr<CArticle>> articles;
    std::vector<std::unique_ptr<CGroupNumber>> firsts;
    std::vector<std::unique_ptr<CGroupNumber>> crossposts;

    void Take(const SMessage& message) {
        order.push_back(message.number);
        if (message.number == UWM_ARTICLE_HEADER) {
            articles.emplace_back(static_cast<CArticle*>(message.lParam));
        } else if (message.number == UWM_GROUP_FIRST) {
            firsts.emplace_back(static_cast<CGroupNumber*>(message.lParam));
        } else if (message.number == UWM_CROSSPOSTS) {
            crossposts.emplace_back(static_cast<CGroupNumber*>(message.lParam));
        }
    }
};

std::string Article(int n, const std::string& path, const std::string& date, int bodyLines,
                    const std::string& extraHeaders = "") {
    std::string text = "Path: " + path + "\nFrom: poster" + std::to_string(n) +
                       "@example.com\nSubject: file" + std::to_string(n) +
                       ".jpg (1/1)\nDate: " + date + "\nMessage-ID: <" + std::to_string(n) +
                       "@example.com>\n" + extraHeaders + "\n";
    for (int i = 0; i < bodyLines; ++i) text += "line\n";
    return text;
}

class GroupJobsTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        testserver::WriteArticle(m_spool, "alt.bin", 3,
                                 Article(3, "a!b!c", "Mon, 23 Mar 1998 12:34:56 -0500", 4));
        testserver::WriteArticle(m_spool, "alt.bin", 4,
                                 Article(4, "host!user", "23 Mar 98 12:34:56 GMT", 2,
                                         "Xref: corvane.test alt.bin:4 alt.other:9\n"));
        testserver::WriteArticle(m_spool, "alt.bin", 5,
                                 Article(5, "hostonly", "Mon, 23 Mar 1998 12:34:56 -0500", 0));
        std::filesystem::create_directories(m_spool + "/alt.empty");
        m_worker.SetControls(WorkerControl::Status, &m_row);
        m_worker.SetControls(WorkerControl::Progress, &m_row);
    }

    // Whatever a test left in the window is the window's, and freed with it.
    void TearDown() override {
        Drain();
        SessionTest::TearDown();
    }

    void StartServerAt(const testserver::SBehaviour& behaviour = {}) {
        StartServer(behaviour);
        m_services.SetServer("127.0.0.1", m_server->Port());
    }

    std::unique_ptr<CWorkItem> Item(const std::string& group,
                                    WorkKind kind = WorkKind::GroupHeaders) {
        auto item = std::make_unique<CWorkItem>();
        item->window = &m_window;
        item->group = group;
        item->kind = static_cast<int>(kind);
        item->server = "127.0.0.1";
        item->port = m_server->Port();
        item->attachmentFlag = 1;
        return item;
    }

    SPosted Drain() {
        SPosted posted;
        SMessage message;
        while (m_window.TryGet(message)) posted.Take(message);
        return posted;
    }

    CMessageQueue m_window;
    CWorkerDisplay m_row;
    CCorvaneWorker m_worker{4, m_services, DefaultJobTable()};
};

TEST_F(GroupJobsTest, HeadersArriveWithEveryFieldOriginAndCrossposts) {
    StartServerAt();
    auto item = Item("alt.bin");
    ASSERT_TRUE(m_worker.DoWork(*item));
    SPosted posted = Drain();

    ASSERT_EQ(posted.firsts.size(), 1u);
    EXPECT_EQ(ChainPairs(*posted.firsts[0]), (Pairs{{"alt.bin", 3}}));
    EXPECT_EQ(posted.order.front(), UWM_GROUP_FIRST);
    ASSERT_EQ(posted.articles.size(), 3u);
    const CArticle& first = *posted.articles[0];
    EXPECT_EQ(first.ArticleNumber(), 3);
    EXPECT_EQ(first.Subject(), "file3.jpg (1/1)");
    EXPECT_EQ(first.From(), "poster3@example.com");
    EXPECT_EQ(first.Date(), LocalDisplayDate(890674496));
    EXPECT_EQ(first.MessageId(), "3@example.com");
    EXPECT_EQ(first.Lines(), 4);
    EXPECT_EQ(first.Origin(), "b");
    EXPECT_EQ(first.Newsgroup(), "alt.bin");
    EXPECT_TRUE(first.Attachment());
    EXPECT_EQ(posted.articles[1]->Date(), LocalDisplayDate(890656496));
    EXPECT_EQ(posted.articles[1]->Origin(), "host");
    EXPECT_EQ(posted.articles[2]->Origin(), "");
    EXPECT_EQ(posted.articles[2]->Lines(), 0);
    // The one crosspost is pending at the end and goes after the last record.
    ASSERT_EQ(posted.crossposts.size(), 1u);
    EXPECT_EQ(ChainPairs(*posted.crossposts[0]), (Pairs{{"alt.other", 9}}));
    EXPECT_EQ(posted.order.back(), UWM_CROSSPOSTS);

    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin", "XOVER 3-5"}));
    EXPECT_EQ(CommandsOf(2), (Lines{"MODE READER", "GROUP alt.bin", "XHDR PATH 3-5"}));
    EXPECT_EQ(m_row.State().status, "");
    EXPECT_EQ(m_row.State().progress, 0);
    // The worker's connection stays for the next job; the path connection is gone.
    EXPECT_TRUE(m_worker.IsConnected());
    item->attachmentFlag = 0;
    item->startNumber = 4;
    ASSERT_TRUE(m_worker.DoWork(*item));
    posted = Drain();
    ASSERT_EQ(posted.articles.size(), 2u);
    EXPECT_FALSE(posted.articles[0]->Attachment());
    EXPECT_EQ(CommandsOf(1).back(), "XOVER 4-5");
    EXPECT_EQ(CommandsOf(3), (Lines{"MODE READER", "GROUP alt.bin", "XHDR PATH 4-5"}));
    EXPECT_EQ(m_server->ConnectionsAccepted(), 3);
}

TEST_F(GroupJobsTest, ThePathConnectionsGreetingIsNotCountedAsReceivedNews) {
    StartServerAt();
    ASSERT_TRUE(m_worker.DoWork(*Item("alt.bin")));
    const long jobBytes = m_services.ReceivedBytes();

    // The same exchanges by hand: everything on the first connection counts, on the second
    // only what follows the greeting, MODE READER and its reply.
    CBasicNntpServices counted;
    auto readAll = [](CNntpConnection& connection, const std::string& command, size_t lines) {
        connection.SendLine(command);
        std::string line;
        for (size_t i = 0; i < lines; ++i) ASSERT_TRUE(connection.ReceiveLine(line));
    };
    CNntpConnection main(0, counted);
    ASSERT_TRUE(main.Connect("127.0.0.1", "", "", false, m_server->Port()));
    readAll(main, "GROUP alt.bin\r\n", 1);
    readAll(main, "XOVER 3-5\r\n", 5);
    CNntpConnection paths(0, counted);
    ASSERT_TRUE(paths.Connect("127.0.0.1", "", "", false, m_server->Port()));
    const long greeting =
        static_cast<long>(std::string("200 Corvane test server ready (posting ok)").size() +
                          std::string("200 reader mode").size() + 2);
    readAll(paths, "GROUP alt.bin\r\n", 1);
    readAll(paths, "XHDR PATH 3-5\r\n", 4);  // the reply and the three paths, not the "."
    EXPECT_EQ(jobBytes, counted.ReceivedBytes() - greeting);
}

TEST_F(GroupJobsTest, AStartBelowTheServersFirstNumberFetchesFromTheFirst) {
    StartServerAt();
    auto item = Item("alt.bin");
    item->startNumber = 1;
    ASSERT_TRUE(m_worker.DoWork(*item));
    EXPECT_EQ(CommandsOf(1).back(), "XOVER 3-5");
    EXPECT_EQ(Drain().articles.size(), 3u);
}

TEST_F(GroupJobsTest, AnEmptyOrUnreadableGroupEndsWithoutAListing) {
    StartServerAt();
    ASSERT_TRUE(m_worker.DoWork(*Item("alt.empty")));  // "211 0 1 0"
    EXPECT_TRUE(Drain().order.empty());
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.empty"}));
    EXPECT_EQ(CommandsOf(2), (Lines{"MODE READER", "GROUP alt.empty"}));

    for (const char* reply : {"211 0 0 0", "211 5 0 0 alt.bin", "211 junk", "211"}) {
        testserver::SBehaviour behaviour;
        behaviour.groupReply = reply;
        m_server->SetBehaviour(behaviour);
        m_server->ClearLog();
        m_worker.Disconnect();
        m_row.SetStatusText("stale");
        ASSERT_TRUE(m_worker.DoWork(*Item("alt.bin"))) << reply;
        EXPECT_TRUE(Drain().order.empty()) << reply;
        for (const auto& command : m_server->Commands()) {
            EXPECT_EQ(command.line.find("XOVER"), std::string::npos) << reply;
            EXPECT_EQ(command.line.find("XHDR"), std::string::npos) << reply;
        }
        EXPECT_EQ(m_row.State().status, "") << reply;
        EXPECT_TRUE(m_worker.IsConnected()) << reply;
    }
}

TEST_F(GroupJobsTest, AServerWithoutPathHeadersStillGivesEveryRecord) {
    testserver::SBehaviour behaviour;
    behaviour.noXhdr = true;
    StartServerAt(behaviour);
    ASSERT_TRUE(m_worker.DoWork(*Item("alt.bin")));
    const SPosted posted = Drain();
    ASSERT_EQ(posted.articles.size(), 3u);
    for (const auto& article : posted.articles) {
        EXPECT_EQ(article->Origin(), "");
        EXPECT_FALSE(article->Subject().empty());
    }
}

TEST_F(GroupJobsTest, TwentyFiveCrosspostsGoInBatchesOfTwelveTwelveAndOne) {
    std::string xref = "Xref: corvane.test alt.bin:6";
    for (int i = 0; i < 25; ++i)
        xref += " alt.x" + std::to_string(i) + ":" + std::to_string(100 + i);
    testserver::WriteArticle(m_spool, "alt.bin", 6,
                             Article(6, "a!b", "23 Mar 98 12:34:56 GMT", 1, xref + "\n"));
    std::filesystem::remove(m_spool + "/alt.bin/4");  // its own crosspost would join the batches
    StartServerAt();
    ASSERT_TRUE(m_worker.DoWork(*Item("alt.bin")));
    SPosted posted = Drain();
    ASSERT_EQ(posted.crossposts.size(), 3u);
    EXPECT_EQ(posted.crossposts[0]->Followers(), 11);
    EXPECT_EQ(posted.crossposts[1]->Followers(), 11);
    EXPECT_EQ(ChainPairs(*posted.crossposts[2]), (Pairs{{"alt.x24", 124}}));
    EXPECT_EQ(ChainPairs(*posted.crossposts[0]).front(),
              (std::pair<std::string, std::int32_t>{"alt.x0", 100}));
    EXPECT_EQ(posted.order,
              (std::vector<unsigned>{UWM_GROUP_FIRST, UWM_ARTICLE_HEADER, UWM_ARTICLE_HEADER,
                                     UWM_CROSSPOSTS, UWM_CROSSPOSTS, UWM_ARTICLE_HEADER,
                                     UWM_CROSSPOSTS}));

    m_services.SetCollectCrosspostsOnce(false);
    ASSERT_TRUE(m_worker.DoWork(*Item("alt.bin")));
    posted = Drain();
    EXPECT_EQ(posted.articles.size(), 3u);
    EXPECT_TRUE(posted.crossposts.empty());
}

TEST_F(GroupJobsTest, ARefusedGroupClosesTheConnectionAndShowsTheReply) {
    StartServerAt();
    EXPECT_FALSE(m_worker.DoWork(*Item("alt.none")));
    EXPECT_EQ(m_row.State().status, "411 No such group alt.none");
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_server->ConnectionsAccepted(), 1);
    EXPECT_TRUE(Drain().order.empty());
}

TEST_F(GroupJobsTest, AListingCutShortFailsButKeepsRecordsAndPendingCrossposts) {
    testserver::SBehaviour behaviour;
    // Greeting, MODE READER, GROUP, the listing's reply and two lines on either connection.
    behaviour.dropAfterLines = 6;
    StartServerAt(behaviour);
    EXPECT_FALSE(m_worker.DoWork(*Item("alt.bin")));
    EXPECT_EQ(m_row.State().status, "Receive error");
    EXPECT_FALSE(m_worker.IsConnected());
    const SPosted posted = Drain();
    ASSERT_EQ(posted.articles.size(), 2u);
    EXPECT_EQ(posted.articles[1]->Origin(), "host");
    ASSERT_EQ(posted.crossposts.size(), 1u);
    EXPECT_EQ(ChainPairs(*posted.crossposts[0]), (Pairs{{"alt.other", 9}}));
}

TEST_F(GroupJobsTest, ARefusedPasswordOnThePathConnectionClosesBoth) {
    testserver::SBehaviour behaviour;
    behaviour.requireAuth = true;
    StartServerAt(behaviour);
    auto item = Item("alt.bin");
    item->loginRequired = 1;
    item->user = "tester";
    item->password = "secret";
    // The worker's own connection logs in; the path connection, opened later, is refused.
    ASSERT_TRUE(
        m_worker.Connection().Connect("127.0.0.1", "tester", "secret", true, m_server->Port()));
    behaviour.refusePassword = true;
    m_server->SetBehaviour(behaviour);
    EXPECT_FALSE(m_worker.DoWork(*item));
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_row.State().status, "alt.bin");
    EXPECT_TRUE(Drain().order.empty());
}

TEST_F(GroupJobsTest, APathConnectionThatNeverAnswersEndsWithReceiveError) {
    StartServerAt();
    ASSERT_TRUE(m_worker.Connection().Connect("127.0.0.1", "", "", false, m_server->Port()));
    testserver::SBehaviour silent;
    silent.silentAfterCommands = 0;
    m_server->SetBehaviour(silent);
    m_services.SetTimeoutMs(200);
    EXPECT_TRUE(m_worker.DoWork(*Item("alt.bin")));
    EXPECT_EQ(m_row.State().status, "Receive error");
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_TRUE(Drain().articles.empty());
}

TEST_F(GroupJobsTest, APathConnectionWithoutTheGroupShowsGroupUnknown) {
    StartServerAt();
    ASSERT_TRUE(m_worker.Connection().Connect("127.0.0.1", "", "", false, m_server->Port()));
    testserver::SBehaviour locked;
    locked.requireAuth = true;  // the path connection, without login, gets 480 for GROUP
    m_server->SetBehaviour(locked);
    EXPECT_TRUE(m_worker.DoWork(*Item("alt.bin")));
    EXPECT_EQ(m_row.State().status, "Group unknown");
    EXPECT_TRUE(m_worker.IsConnected());
    EXPECT_EQ(CommandsOf(2), (Lines{"MODE READER", "GROUP alt.bin"}));
    EXPECT_TRUE(Drain().order.empty());
}

TEST_F(GroupJobsTest, ThePathConnectionFailingToOpenEndsWithoutSuccess) {
    StartServerAt();
    m_services.SetServer("127.0.0.1", 1);
    EXPECT_FALSE(m_worker.DoWork(*Item("alt.bin")));
    EXPECT_EQ(m_row.State().status, "alt.bin");
    EXPECT_TRUE(m_worker.IsConnected());
}

TEST_F(GroupJobsTest, CancelStopsAtTheNextOverviewLineAndKeepsWhatWasPosted) {
    for (int n = 10; n < 60; ++n) {
        testserver::WriteArticle(m_spool, "alt.many", n,
                                 Article(n, "a!b!c", "23 Mar 98 12:34:56 GMT", 1));
    }
    StartServerAt();
    // Room for one message: the job waits at each post until the test takes the last one.
    CMessageQueue window(1);
    auto item = Item("alt.many");
    item->window = &window;
    bool result = false;
    std::atomic<bool> done{false};
    std::thread job([&] {
        result = m_worker.DoWork(*item);
        done = true;
    });
    SPosted posted;
    SMessage message;
    EXPECT_TRUE(window.GetFor(message, std::chrono::seconds(10)));
    posted.Take(message);
    EXPECT_EQ(message.number, UWM_GROUP_FIRST);
    // Once the first record is in the queue the job is at most past the next line's cancel
    // check, waiting to post that line's record.
    for (int i = 0; i < 10000 && window.Size() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(window.Size(), 1u);
    m_worker.SetCancel();
    while (!done) {
        if (window.GetFor(message, std::chrono::milliseconds(10))) posted.Take(message);
    }
    job.join();
    while (window.TryGet(message)) posted.Take(message);
    EXPECT_TRUE(result);
    EXPECT_GE(posted.articles.size(), 1u);
    EXPECT_LE(posted.articles.size(), 2u);
    if (!posted.articles.empty()) {
        EXPECT_EQ(posted.articles[0]->ArticleNumber(), 10);
    }
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_row.State().status, "");
}

TEST_F(GroupJobsTest, RefreshReportsTheFirstNumber) {
    StartServerAt();
    ASSERT_TRUE(m_worker.DoWork(*Item("alt.bin", WorkKind::GroupRefresh)));
    SPosted posted = Drain();
    ASSERT_EQ(posted.firsts.size(), 1u);
    EXPECT_EQ(ChainPairs(*posted.firsts[0]), (Pairs{{"alt.bin", 3}}));
    EXPECT_EQ(m_row.State().status, "");
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "GROUP alt.bin"}));

    // An empty group reports nothing and is no failure.
    ASSERT_TRUE(m_worker.DoWork(*Item("alt.empty", WorkKind::GroupRefresh)));
    EXPECT_TRUE(Drain().order.empty());
    // A refused group closes the connection.
    EXPECT_FALSE(m_worker.DoWork(*Item("alt.none", WorkKind::GroupRefresh)));
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_row.State().status, "");
}

TEST_F(GroupJobsTest, RefreshWithASuccessOtherThan211ShowsGroupUnknown) {
    testserver::SBehaviour behaviour;
    behaviour.groupReply = "215 not what was asked";
    StartServerAt(behaviour);
    EXPECT_TRUE(m_worker.DoWork(*Item("alt.bin", WorkKind::GroupRefresh)));
    EXPECT_EQ(m_row.State().status, "Group unknown");
    EXPECT_TRUE(m_worker.IsConnected());
    EXPECT_TRUE(Drain().order.empty());

    behaviour.groupReply = "211 junk";
    m_server->SetBehaviour(behaviour);
    m_worker.Disconnect();
    EXPECT_TRUE(m_worker.DoWork(*Item("alt.bin", WorkKind::GroupRefresh)));
    EXPECT_EQ(m_row.State().status, "");
    EXPECT_TRUE(Drain().order.empty());
}

}  // namespace
}  // namespace corvane
