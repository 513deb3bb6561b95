// The group jobs as the program runs them: through the thread manager on workers with the
// default job table, and the group list into the real newsgroup index.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>

#include "indexes/newsgroup_index.h"
#include "nntp/corvane_worker.h"
#include "nntp/group_number.h"
#include "nntp/jobs.h"
#include "nntp/session_fixture.h"
#include "platform/prompt.h"
#include "setup/article.h"
#include "tests/support/local_time.h"
#include "tools/news_server/news_server.h"
#include "work/messages.h"
#include "work/thread_manager.h"

namespace corvane {
namespace {

using namespace std::chrono_literals;
using testsupport::LocalDisplayDate;

std::string Article(int number, const std::string& path) {
    return "Path: " + path + "\nFrom: poster@example.com\nSubject: picture " +
           std::to_string(number) + ".jpg (1/1)\nDate: 23 Mar 98 12:34:56 GMT\nMessage-ID: <" +
           std::to_string(number) + "@example.com>\n\nbegin 644 x\nend\n";
}

void WriteCreated(const std::string& spool, const std::string& group, std::time_t when) {
    char stamp[32];
    std::tm utc{};
    gmtime_r(&when, &utc);
    std::strftime(stamp, sizeof stamp, "%Y%m%d %H%M%S", &utc);
    std::ofstream(spool + "/" + group + "/.created") << stamp;
}

class GroupWorkTest : public LoopbackNewsTest {
protected:
    void StartServer(const testserver::SBehaviour& behaviour = {}) {
        LoopbackNewsTest::StartServer(behaviour);
        m_services.SetServer("127.0.0.1", m_server->Port());
    }
    std::unique_ptr<CWorkItem> Item(int kind, const std::string& group = {}) {
        auto item = std::make_unique<CWorkItem>();
        item->window = &m_window;
        item->kind = kind;
        item->group = group;
        item->server = "127.0.0.1";
        item->port = m_server->Port();
        return item;
    }
    CMessageQueue m_window;
};

TEST_F(GroupWorkTest, GroupHeadersRunThroughTheManagerOnTheDefaultJobs) {
    for (int number = 5; number <= 7; ++number) {
        testserver::WriteArticle(
            m_spool, "alt.pictures", number,
            Article(number, "news.example!site" + std::to_string(number) + "!user"));
    }
    StartServer();
    CThreadManager manager;
    manager.Start(m_window, 8, [this](int index) {
        return std::make_unique<CCorvaneWorker>(index, m_services, DefaultJobTable());
    });
    manager.SetThreadCount(1);
    manager.AddItem(Item(static_cast<int>(WorkKind::GroupHeaders), "alt.pictures"));

    std::vector<unsigned> numbers;
    std::vector<std::string> subjects, origins;
    SMessage message;
    while (m_window.GetFor(message, 10s) && message.number != UWM_QUEUE_IDLE) {
        numbers.push_back(message.number);
        if (message.number == UWM_ARTICLE_HEADER) {
            std::unique_ptr<CArticle> article(static_cast<CArticle*>(message.lParam));
            subjects.emplace_back(article->Subject());
            origins.emplace_back(article->Origin());
            EXPECT_EQ(article->Date(), LocalDisplayDate(890656496));  // 23 Mar 98 12:34:56 GMT
        } else if (message.number == UWM_GROUP_FIRST) {
            std::unique_ptr<CGroupNumber> first(static_cast<CGroupNumber*>(message.lParam));
            EXPECT_EQ(first->Group(), "alt.pictures");
            EXPECT_EQ(first->Number(), 5);
        } else if (message.number == UWM_ITEM_DONE || message.number == UWM_ITEM_RETURNED) {
            delete static_cast<CWorkItem*>(message.lParam);
        }
    }
    EXPECT_EQ(numbers,
              (std::vector<unsigned>{UWM_QUEUE_BUSY, UWM_GROUP_FIRST, UWM_ARTICLE_HEADER,
                                     UWM_ARTICLE_HEADER, UWM_ARTICLE_HEADER, UWM_ITEM_DONE}));
    EXPECT_EQ(subjects, (std::vector<std::string>{"picture 5.jpg (1/1)", "picture 6.jpg (1/1)",
                                                  "picture 7.jpg (1/1)"}));
    EXPECT_EQ(origins, (std::vector<std::string>{"site5", "site6", "site7"}));
}

class GroupListIndexTest : public GroupWorkTest {
protected:
    void SetUp() override {
        GroupWorkTest::SetUp();
        m_index = std::make_unique<CNewsgroupIndex>(m_prompt, m_dir);
        m_services.SetNewsgroups(m_index.get());
        const std::time_t longAgo = std::time(nullptr) - 400 * 86400;
        for (int i = 0; i < 30; ++i) {
            const std::string group = "alt.binaries.g" + std::to_string(100 + i);
            testserver::WriteArticle(m_spool, group, 1, Article(1, "a!b"));
            WriteCreated(m_spool, group, longAgo);
        }
    }
    void TearDown() override {
        m_index.reset();
        GroupWorkTest::TearDown();
    }
    bool RunList(CCorvaneWorker& worker) {
        return worker.DoWork(*Item(static_cast<int>(WorkKind::GroupList)));
    }

    CRecordingPrompt m_prompt;
    std::unique_ptr<CNewsgroupIndex> m_index;
};

TEST_F(GroupListIndexTest, ListFillsTheIndexAndNewgroupsUpdatesIt) {
    StartServer();
    CCorvaneWorker worker(0, m_services, DefaultJobTable());
    ASSERT_TRUE(RunList(worker));
    EXPECT_EQ(m_index->AllGroups().size(), 30u);
    EXPECT_NE(m_index->StoredDate(), 0u);

    testserver::WriteArticle(m_spool, "alt.binaries.new", 1, Article(1, "a!b"));
    WriteCreated(m_spool, "alt.binaries.new", std::time(nullptr) + 3600);
    ASSERT_TRUE(RunList(worker));
    const auto commands = CommandsOf(1);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[1], "LIST");
    EXPECT_TRUE(std::regex_match(commands[2], std::regex("NEWGROUPS [0-9]{6} [0-9]{6}")))
        << commands[2];
    const auto groups = m_index->AllGroups();
    EXPECT_EQ(groups.size(), 31u);
    EXPECT_NE(std::find(groups.begin(), groups.end(), "alt.binaries.new"), groups.end());

    // The index keeps the date across a reopen.
    const uint32_t date = m_index->StoredDate();
    m_index->Close();
    ASSERT_TRUE(m_index->Open("127.0.0.1"));
    EXPECT_EQ(m_index->StoredDate(), date);
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_F(GroupListIndexTest, AnInterruptedRetrievalLeavesDateZeroAndTheNextOneListsAgain) {
    testserver::SBehaviour behaviour;
    behaviour.dropAfterLines = 3 + 30 - 5;  // greeting, MODE READER, LIST reply, then 25 names
    StartServer(behaviour);
    CCorvaneWorker worker(0, m_services, DefaultJobTable());
    EXPECT_FALSE(RunList(worker));
    EXPECT_EQ(m_index->AllGroups().size(), 22u) << "two batches of 11 were stored on the way";
    EXPECT_EQ(m_index->StoredDate(), 0u);
    EXPECT_EQ(m_index->StoredTime(), 0u);

    m_server->Stop();
    StartServer();
    ASSERT_TRUE(RunList(worker));
    EXPECT_EQ(CommandsOf(2).back(), "LIST");
    EXPECT_EQ(m_index->AllGroups().size(), 30u);
    EXPECT_NE(m_index->StoredDate(), 0u);
}

}  // namespace
}  // namespace corvane
