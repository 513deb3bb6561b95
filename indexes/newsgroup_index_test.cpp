#include "indexes/newsgroup_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "indexes/index_test_support.h"

namespace corvane {
namespace {

std::vector<std::string> Names(const std::string& stem, int count, int first = 0) {
    std::vector<std::string> names;
    for (int i = first; i < first + count; ++i) names.push_back(stem + std::to_string(1000 + i));
    return names;
}

bool Contains(const std::vector<std::string>& all, const std::string& name) {
    return std::find(all.begin(), all.end(), name) != all.end();
}

class NewsgroupIndexTest : public test::CIndexDirTest {
protected:
    CRecordingPrompt m_prompt;
};

TEST_F(NewsgroupIndexTest, SwitchingServersClosesTheOldIndexAndOpensTheNewFile) {
    CNewsgroupIndex index(m_prompt, m_dir);
    EXPECT_FALSE(index.IsOpen());
    ASSERT_TRUE(index.Open("news.one"));
    EXPECT_TRUE(std::filesystem::exists(File("news.one.idx")));
    index.StoreNewsgroups("news.one", {"alt.a", "alt.b"}, 240105, 93000);

    ASSERT_TRUE(index.Open("news.two"));
    EXPECT_EQ(index.Server(), "news.two");
    EXPECT_TRUE(std::filesystem::exists(File("news.two.idx")));
    EXPECT_EQ(index.StoredDate(), 0u);
    EXPECT_EQ(index.StoredTime(), 0u);
    EXPECT_TRUE(index.AllGroups().empty());

    ASSERT_TRUE(index.Open("news.one"));
    EXPECT_EQ(index.AllGroups(), (std::vector<std::string>{"alt.a", "alt.b"}));
    EXPECT_EQ(index.StoredDate(), 240105u);
    EXPECT_EQ(index.StoredTime(), 93000u);

    ASSERT_TRUE(index.Open(""));
    EXPECT_FALSE(index.IsOpen());
    EXPECT_EQ(index.Server(), "");
    EXPECT_EQ(index.StoredDate(), 0u);
    EXPECT_TRUE(index.AllGroups().empty());
    EXPECT_TRUE(index.GroupsBelow("alt").empty());
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_F(NewsgroupIndexTest, AnInterruptedRetrievalKeepsItsBatchesAndClearsTheDate) {
    CNewsgroupIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open("news.one"));
    index.StoreNewsgroups("news.one", Names("old.", 5), 240105, 93000);

    // The job stores whenever more than ten names are collected; it is cancelled after the
    // 30th name, so the 8 names of its unfinished batch are never stored.
    std::vector<std::string> received = Names("new.", 30);
    for (size_t at = 0; at + 11 <= received.size(); at += 11) {
        std::vector<std::string> batch(received.begin() + at, received.begin() + at + 11);
        index.StoreNewsgroups("news.one", batch, 0, 0);
    }
    EXPECT_EQ(index.StoredDate(), 0u);
    EXPECT_EQ(index.StoredTime(), 0u);
    index.Close();

    ASSERT_TRUE(index.Open("news.one"));
    EXPECT_EQ(index.StoredDate(), 0u) << "the next retrieval asks for the full list";
    std::vector<std::string> all = index.AllGroups();
    EXPECT_EQ(all.size(), 5u + 22u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(Contains(all, received[i]), i < 22) << received[i];
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
}

TEST_F(NewsgroupIndexTest, DateAndTimeSurviveReopeningAsLittleEndianAuxData) {
    {
        CNewsgroupIndex index(m_prompt);  // CORVANE_HOME decides the directory
        index.StoreNewsgroups("news.one", {"alt.a", "alt.a"}, 50105, 91500);
        EXPECT_EQ(index.Server(), "news.one") << "a store opens the index when none is open";
    }
    std::vector<uint8_t> head = test::CIndexDirTest::ReadBytes(File("news.one.idx"));
    ASSERT_GE(head.size(), 56u);
    EXPECT_EQ(std::vector<uint8_t>(head.begin() + 48, head.begin() + 56),
              (std::vector<uint8_t>{0xB9, 0xC3, 0x00, 0x00, 0x6C, 0x65, 0x01, 0x00}));

    CNewsgroupIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open("news.one"));
    EXPECT_EQ(index.StoredDate(), 50105u);
    EXPECT_EQ(index.StoredTime(), 91500u);
    EXPECT_EQ(index.AllGroups(), std::vector<std::string>{"alt.a"});
}

TEST_F(NewsgroupIndexTest, BrowsingBelowANodeListsExactlyTheNamesUnderIt) {
    CNewsgroupIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open("news.one"));
    index.StoreNewsgroups("news.one",
                          {"comp.lang.c", "alt.binaries.pictures", "alt.binaries", "alt.bin",
                           "alt.binaries.sounds.mp3", "alt.binariez", "alt.test", "",
                           std::string("alt.binaries.") + std::string(200, 'l')},
                          0, 0);
    std::string longName = std::string("alt.binaries.") + std::string(115, 'l');
    EXPECT_EQ(
        index.GroupsBelow("alt.binaries"),
        (std::vector<std::string>{longName, "alt.binaries.pictures", "alt.binaries.sounds.mp3"}));
    EXPECT_EQ(index.AllGroups(),
              (std::vector<std::string>{"alt.bin", "alt.binaries", longName,
                                        "alt.binaries.pictures", "alt.binaries.sounds.mp3",
                                        "alt.binariez", "alt.test", "comp.lang.c"}));
    EXPECT_TRUE(index.GroupsBelow("alt.binaries.pictures").empty());
    EXPECT_EQ(index.GroupsBelow("comp").size(), 1u);
}

TEST_F(NewsgroupIndexTest, ADamagedIndexIsRepairedAndKeepsTheDateInMemory) {
    {
        CNewsgroupIndex index(m_prompt, m_dir);
        index.StoreNewsgroups("news.one", Names("alt.g", 100), 240105, 93000);
    }
    DamageFirstLeaf(File("news.one.idx"));

    CNewsgroupIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open("news.one"));
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Error in group index, repairing"});
    EXPECT_EQ(index.StoredDate(), 240105u);
    EXPECT_EQ(index.AllGroups(), Names("alt.g", 100));

    // The rebuild zeroed the file's copy; the next store writes the values it is given.
    index.StoreNewsgroups("news.one", {"alt.more"}, 240106, 100);
    index.Close();
    m_prompt.Clear();
    ASSERT_TRUE(index.Open("news.one"));
    EXPECT_TRUE(m_prompt.Messages().empty());
    EXPECT_EQ(index.StoredDate(), 240106u);
    EXPECT_EQ(index.StoredTime(), 100u);
    EXPECT_EQ(index.AllGroups().size(), 101u);
}

TEST_F(NewsgroupIndexTest, AStoreForAnotherServerGoesToThatServersFile) {
    CNewsgroupIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open("news.two"));
    index.StoreNewsgroups("news.one", {"alt.late"}, 240105, 93000);
    EXPECT_EQ(index.Server(), "news.two");
    EXPECT_TRUE(index.AllGroups().empty());
    EXPECT_EQ(index.StoredDate(), 0u);

    ASSERT_TRUE(index.Open("news.one"));
    EXPECT_EQ(index.AllGroups(), std::vector<std::string>{"alt.late"});
    EXPECT_EQ(index.StoredDate(), 240105u);
    EXPECT_TRUE(index.TakeDeferredMessages().empty());
}

TEST_F(NewsgroupIndexTest, HostileServerNamesStayInsideTheDirectory) {
    const std::string outside = m_dir + "/outside";
    ASSERT_TRUE(std::filesystem::create_directory(outside));
    CNewsgroupIndex index(m_prompt, outside + "/data");
    ASSERT_TRUE(index.Open("../escape"));
    EXPECT_TRUE(std::filesystem::exists(outside + "/data/___escape.idx"));
    EXPECT_FALSE(std::filesystem::exists(outside + "/escape.idx"));
}

TEST_F(NewsgroupIndexTest, AnUnusableDirectoryIsFatalOnOpenAndDeferredOnAStore) {
    WriteBytes(File("blocker"), {'x'});
    CNewsgroupIndex index(m_prompt, File("blocker"));
    EXPECT_FALSE(index.Open("news.one"));
    EXPECT_EQ(m_prompt.Messages(),
              std::vector<std::string>{
                  "There has been a fatal error with the database,  Corvane will terminate"});
    EXPECT_FALSE(index.IsOpen());

    index.StoreNewsgroups("news.one", {"alt.a"}, 1, 1);
    EXPECT_EQ(index.TakeDeferredMessages().size(), 1u);
    EXPECT_TRUE(index.TakeDeferredMessages().empty());
    EXPECT_EQ(m_prompt.Messages().size(), 1u) << "a worker's store shows nothing itself";
}

// Workers keep storing while the main thread switches the open index between two servers and
// none; every name must land in its own server's file and no call may touch a closed handle.
TEST_F(NewsgroupIndexTest, WorkersStoringWhileTheMainThreadSwitchesServers) {
    CNewsgroupIndex index(m_prompt, m_dir);
    const std::string servers[] = {"news.one", "news.two"};
    constexpr int kWorkers = 4, kBatches = 40, kBatchSize = 6, kMinSwitches = 60;
    std::atomic<bool> go{false};
    std::atomic<int> running{kWorkers};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            while (!go) std::this_thread::yield();
            for (int b = 0; b < kBatches; ++b) {
                const std::string stem = "w" + std::to_string(w) + ".b" + std::to_string(b) + ".";
                index.StoreNewsgroups(servers[(w + b) % 2], Names(stem, kBatchSize), 0, 0);
                index.StoredDate();
            }
            --running;
        });
    }
    go = true;
    for (int round = 0; round < kMinSwitches || running > 0; ++round) {
        EXPECT_TRUE(index.Open(round % 3 == 2 ? std::string() : servers[round % 3]));
        index.AllGroups();
    }
    for (std::thread& t : workers) t.join();

    for (int s = 0; s < 2; ++s) {
        ASSERT_TRUE(index.Open(servers[s]));
        std::vector<std::string> all = index.AllGroups();
        std::set<std::string> expected;
        for (int w = 0; w < kWorkers; ++w) {
            for (int b = 0; b < kBatches; ++b) {
                if ((w + b) % 2 != s) continue;
                const std::string stem = "w" + std::to_string(w) + ".b" + std::to_string(b) + ".";
                for (const std::string& name : Names(stem, kBatchSize)) expected.insert(name);
            }
        }
        EXPECT_EQ(std::set<std::string>(all.begin(), all.end()), expected) << servers[s];
        EXPECT_EQ(all.size(), expected.size());
    }
    EXPECT_TRUE(m_prompt.Messages().empty());
    EXPECT_TRUE(index.TakeDeferredMessages().empty());
}

}  // namespace
}  // namespace corvane
