// The group-list job against the test news server, with a newsgroup store of the test's own.
#include "nntp/group_list_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <tuple>

#include "nntp/jobs.h"
#include "nntp/session_fixture.h"

namespace corvane {
namespace {

using Lines = std::vector<std::string>;

class CFakeNewsgroupStore final : public INewsgroupStore {
public:
    struct SStore {
        std::string server;
        std::vector<std::string> names;
        uint32_t date;
        uint32_t time;
    };

    uint32_t StoredDate() override { return m_date; }
    uint32_t StoredTime() override { return m_time; }
    void StoreNewsgroups(const std::string& server, const std::vector<std::string>& names,
                         uint32_t date, uint32_t time) override {
        stores.push_back({server, names, date, time});
        if (onStore) onStore();
    }

    uint32_t m_date = 0;
    uint32_t m_time = 0;
    std::vector<SStore> stores;
    std::function<void()> onStore;
};

class GroupListJobTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        // With the fixture's alt.test, 25 groups.
        for (int i = 0; i < 24; ++i) {
            std::filesystem::create_directories(m_spool + "/alt.g" + std::to_string(10 + i));
        }
        m_services.SetNewsgroups(&m_store);
        m_worker.SetControls(WorkerControl::Status, &m_row);
    }

    std::unique_ptr<CWorkItem> Item() {
        auto item = std::make_unique<CWorkItem>();
        item->kind = static_cast<int>(WorkKind::GroupList);
        item->server = "127.0.0.1";
        item->port = m_server->Port();
        return item;
    }

    std::vector<std::string> AllStoredNames() const {
        std::vector<std::string> names;
        for (const auto& store : m_store.stores)
            names.insert(names.end(), store.names.begin(), store.names.end());
        return names;
    }

    CFakeNewsgroupStore m_store;
    CWorkerDisplay m_row;
    CCorvaneWorker m_worker{1, m_services, DefaultJobTable()};
};

TEST_F(GroupListJobTest, AFullListIsStoredInBatchesAndOnlyTheLastCarriesTheStartMoment) {
    StartServer();
    m_store.m_time = 123456;  // a time without a date still asks for the whole list
    const SListStamp before = LocalListStamp(std::time(nullptr));
    ASSERT_TRUE(m_worker.DoWork(*Item()));
    const SListStamp after = LocalListStamp(std::time(nullptr));

    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "LIST"}));
    ASSERT_EQ(m_store.stores.size(), 3u);
    EXPECT_EQ(m_store.stores[0].names.size(), 11u);
    EXPECT_EQ(m_store.stores[1].names.size(), 11u);
    EXPECT_EQ(m_store.stores[2].names.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(m_store.stores[i].date, 0u);
        EXPECT_EQ(m_store.stores[i].time, 0u);
    }
    const auto& last = m_store.stores[2];
    EXPECT_EQ(last.server, "127.0.0.1");
    // The moment the retrieval started, read from the same clock just before and after.
    EXPECT_NE(last.date, 0u);
    EXPECT_LE(std::tie(before.date, before.time), std::tie(last.date, last.time));
    EXPECT_LE(std::tie(last.date, last.time), std::tie(after.date, after.time));

    const std::vector<std::string> names = AllStoredNames();
    ASSERT_EQ(names.size(), 25u);
    EXPECT_EQ(names.front(), "alt.g10");
    EXPECT_EQ(names.back(), "alt.test");
    EXPECT_EQ(m_row.State().status, "");
    EXPECT_TRUE(m_worker.IsConnected());
}

TEST_F(GroupListJobTest, AnUpdateSendsNewgroupsWithSixDigitsEach) {
    StartServer();
    m_store.m_date = 50105;  // 5 January 2005
    m_store.m_time = 90807;
    ASSERT_TRUE(m_worker.DoWork(*Item()));
    EXPECT_EQ(CommandsOf(1), (Lines{"MODE READER", "NEWGROUPS 050105 090807"}));
    // Every group of the spool was made after 2005.
    EXPECT_EQ(AllStoredNames().size(), 25u);
    EXPECT_NE(m_store.stores.back().date, 0u);
}

TEST_F(GroupListJobTest, AnErrorReplyClosesTheConnection) {
    testserver::SBehaviour behaviour;
    behaviour.requireAuth = true;  // LIST without login gets 480
    StartServer(behaviour);
    EXPECT_FALSE(m_worker.DoWork(*Item()));
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_TRUE(m_store.stores.empty());
    EXPECT_EQ(m_row.State().status, "");
}

TEST_F(GroupListJobTest, AListCutShortKeepsTheBatchesStoredWithoutADate) {
    testserver::SBehaviour behaviour;
    behaviour.dropAfterLines = 3 + 15;  // greeting, MODE READER, LIST reply, then 15 names
    StartServer(behaviour);
    EXPECT_FALSE(m_worker.DoWork(*Item()));
    ASSERT_EQ(m_store.stores.size(), 1u);
    EXPECT_EQ(m_store.stores[0].names.size(), 11u);
    EXPECT_EQ(m_store.stores[0].date, 0u);
    EXPECT_EQ(m_row.State().status, "Receive error");
    EXPECT_FALSE(m_worker.IsConnected());
}

TEST_F(GroupListJobTest, ACancelStopsTheListWithoutRecordingItComplete) {
    StartServer();
    m_store.onStore = [this] { m_worker.SetCancel(); };
    EXPECT_FALSE(m_worker.DoWork(*Item()));
    ASSERT_EQ(m_store.stores.size(), 1u);
    EXPECT_EQ(m_store.stores[0].date, 0u);
    EXPECT_FALSE(m_worker.IsConnected());
    EXPECT_EQ(m_row.State().status, "");
}

TEST_F(GroupListJobTest, WithoutANewsgroupIndexNothingIsAsked) {
    StartServer();
    m_services.SetNewsgroups(nullptr);
    EXPECT_FALSE(m_worker.DoWork(*Item()));
    EXPECT_EQ(m_server->ConnectionsAccepted(), 0);
}

TEST(GroupListWordTest, TheFirstWordIsTheGroupAndBlankLinesHaveNone) {
    EXPECT_EQ(FirstWord("alt.binaries.test.small 0000000020 0000000001 y"),
              "alt.binaries.test.small");
    EXPECT_EQ(FirstWord("  \talt.x\t5 1 y"), "alt.x");
    EXPECT_EQ(FirstWord("alt.y"), "alt.y");
    EXPECT_EQ(FirstWord(""), "");
    EXPECT_EQ(FirstWord("    "), "");
    EXPECT_EQ(FirstWord(" \t "), "");
    const std::string huge(100000, 'g');
    EXPECT_EQ(FirstWord(huge + " 1 1 y"), huge.substr(0, kMaxGroupNameLength));
}

TEST(GroupListWordTest, TheStampIsTheLocalDateAndTimeAsNumbers) {
    std::tm local{};
    local.tm_year = 2005 - 1900;
    local.tm_mon = 0;
    local.tm_mday = 5;
    local.tm_hour = 9;
    local.tm_min = 8;
    local.tm_sec = 7;
    local.tm_isdst = -1;
    const SListStamp stamp = LocalListStamp(std::mktime(&local));
    EXPECT_EQ(stamp.date, 50105u);
    EXPECT_EQ(stamp.time, 90807u);
    local.tm_year = 1999 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 31;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 58;
    const SListStamp late = LocalListStamp(std::mktime(&local));
    EXPECT_EQ(late.date, 991231u);
    EXPECT_EQ(late.time, 235958u);
}

}  // namespace
}  // namespace corvane
