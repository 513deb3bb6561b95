// The group jobs against a real news server: the records of the seeded small group, with
// dates, origins and crossposts, and the server's group list, compared with the manifest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>

#include "tests/support/local_time.h"
#include "nntp/group_list_job.h"
#include "nntp/group_number.h"
#include "nntp/jobs.h"
#include "setup/article.h"
#include "tests/support/json.h"
#include "tests/support/news_fixture.h"
#include "work/messages.h"

namespace corvane {
namespace {

using testsupport::LocalDisplayDate;

using testsupport::CJson;
using Pairs = std::vector<std::pair<std::string, std::int32_t>>;

const std::string kSmall = "alt.binaries.test.small";

// The posting site is the path element before the user part.
std::string SecondToLast(const std::string& path) {
    std::vector<std::string> elements;
    size_t start = 0;
    for (size_t bang; (bang = path.find('!', start)) != std::string::npos; start = bang + 1) {
        elements.push_back(path.substr(start, bang - start));
    }
    elements.push_back(path.substr(start));
    return elements.size() >= 2 ? elements[elements.size() - 2] : std::string();
}

class CRecordingStore final : public INewsgroupStore {
public:
    uint32_t StoredDate() override { return 0; }
    uint32_t StoredTime() override { return 0; }
    void StoreNewsgroups(const std::string&, const std::vector<std::string>& names, uint32_t date,
                         uint32_t) override {
        m_names.insert(names.begin(), names.end());
        m_lastDate = date;
    }
    std::set<std::string> m_names;
    uint32_t m_lastDate = 0;
};

class GroupJobsFixtureTest : public testsupport::CNewsFixture {
protected:

    std::unique_ptr<CWorkItem> Item(const std::string& group, WorkKind kind, int port) {
        auto item = std::make_unique<CWorkItem>();
        item->window = &m_window;
        item->group = group;
        item->kind = static_cast<int>(kind);
        item->server = m_host;
        item->port = port;
        item->attachmentFlag = 1;
        m_services.SetServer(m_host, port);
        return item;
    }

    int Port() const { return static_cast<int>(m_manifest["server"]["port"].Long()); }

    CBasicNntpServices m_services{30000};
    CMessageQueue m_window;
    CWorkerDisplay m_row;
};

TEST_F(GroupJobsFixtureTest, HeadersOfTheSmallGroupMatchTheCorpus) {
    CCorvaneWorker worker(0, m_services, DefaultJobTable());
    worker.SetControls(WorkerControl::Status, &m_row);
    ASSERT_TRUE(worker.DoWork(*Item(kSmall, WorkKind::GroupHeaders, Port())))
        << m_row.State().status;

    std::vector<std::unique_ptr<CArticle>> articles;
    Pairs crossposts;
    std::unique_ptr<CGroupNumber> first;
    SMessage message;
    while (m_window.TryGet(message)) {
        if (message.number == UWM_ARTICLE_HEADER)
            articles.emplace_back(static_cast<CArticle*>(message.lParam));
        if (message.number == UWM_GROUP_FIRST)
            first.reset(static_cast<CGroupNumber*>(message.lParam));
        if (message.number == UWM_CROSSPOSTS) {
            std::unique_ptr<CGroupNumber> chain(static_cast<CGroupNumber*>(message.lParam));
            for (const CGroupNumber* node = chain.get(); node; node = node->Next()) {
                crossposts.emplace_back(node->Group(), node->Number());
            }
        }
    }
    const CJson& group = m_manifest["groups"][kSmall];
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Number(), group["low"].Long());
    const CJson& expected = group["articles"];
    ASSERT_EQ(articles.size(), expected.Size());
    Pairs expectedCrossposts;
    for (size_t i = 0; i < articles.size(); ++i) {
        const CArticle& article = *articles[i];
        const CJson& want = expected[i];
        SCOPED_TRACE("article " + std::to_string(want["number"].Long()));
        EXPECT_EQ(article.ArticleNumber(), want["number"].Long());
        EXPECT_EQ(article.Subject(), want["subject"].String());
        EXPECT_EQ(article.From(), want["from"].String());
        EXPECT_EQ(article.Date(), LocalDisplayDate(static_cast<std::time_t>(want["date_epoch"].Long())));
        const std::string id = want["message_id"].String();
        EXPECT_EQ(article.MessageId(), id.substr(1, id.size() - 2));
        EXPECT_EQ(article.Lines(), want["lines"].Long());
        EXPECT_EQ(article.Origin(), SecondToLast(want["path"].String()));
        EXPECT_EQ(article.Newsgroup(), kSmall);
        for (const auto& [name, number] : want["xref_groups"].Members()) {
            if (name != kSmall)
                expectedCrossposts.emplace_back(name, static_cast<std::int32_t>(number.Long()));
        }
    }
    EXPECT_EQ(crossposts, expectedCrossposts);
    EXPECT_EQ(m_row.State().status, "");
    EXPECT_TRUE(worker.IsConnected());
}

TEST_F(GroupJobsFixtureTest, BothConnectionsLogInWhereTheServerRequiresIt) {
    const int authPort = static_cast<int>(m_manifest["server"]["auth_port"].Long());
    CCorvaneWorker worker(1, m_services, DefaultJobTable());
    worker.SetControls(WorkerControl::Status, &m_row);
    auto item = Item(kSmall, WorkKind::GroupHeaders, authPort);
    item->loginRequired = 1;
    item->user = m_manifest["server"]["user"].String();
    item->password = m_manifest["server"]["password"].String();
    item->startNumber = m_manifest["groups"][kSmall]["high"].Long();
    ASSERT_TRUE(worker.DoWork(*item)) << m_row.State().status;
    int headers = 0;
    SMessage message;
    while (m_window.TryGet(message)) {
        if (message.number == UWM_ARTICLE_HEADER) {
            std::unique_ptr<CArticle> article(static_cast<CArticle*>(message.lParam));
            EXPECT_FALSE(article->Origin().empty());
            ++headers;
        } else if (message.number == UWM_GROUP_FIRST || message.number == UWM_CROSSPOSTS) {
            delete static_cast<CGroupNumber*>(message.lParam);
        }
    }
    // The start number is inclusive: the highest article comes again.
    EXPECT_EQ(headers, 1);

    // A wrong password ends the job on the path connection, with both connections closed.
    item->password += "x";
    EXPECT_FALSE(worker.DoWork(*item));
    EXPECT_FALSE(worker.IsConnected());
}

TEST_F(GroupJobsFixtureTest, TheGroupListHoldsEveryGroupOfTheCorpus) {
    CRecordingStore store;
    m_services.SetNewsgroups(&store);
    CCorvaneWorker worker(2, m_services, DefaultJobTable());
    ASSERT_TRUE(worker.DoWork(*Item("", WorkKind::GroupList, Port())));
    for (const auto& [name, group] : m_manifest["groups"].Members()) {
        EXPECT_TRUE(store.m_names.count(name)) << name;
    }
    EXPECT_NE(store.m_lastDate, 0u);
}

}  // namespace
}  // namespace corvane
