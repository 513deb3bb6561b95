#include "select/article_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "select/criteria_eval.h"

namespace corvane {
namespace {

constexpr const char* kGroup = "alt.binaries.pictures";

struct QueueCall {
    CArticle* article;
    std::string group;
    std::int32_t priority;
};

class FakeQueue : public IArticleQueue {
public:
    void QueueArticle(CArticle& article, const CSetupGroup& group, std::int32_t priority) override {
        calls.push_back({&article, group.Name(), priority});
        article.SetQueued(true);
    }
    std::vector<QueueCall> calls;
};

class RecordingObserver : public IArticleListObserver {
public:
    void OnArticleInserted(std::size_t row, const CArticle& a) override {
        events.push_back("insert " + std::to_string(row) + " " + a.DisplaySubject());
    }
    void OnArticleChanged(const CArticle& a) override {
        events.push_back("change " + a.DisplaySubject());
    }
    void OnArticleRemoved(std::size_t row, const CArticle& a) override {
        events.push_back("remove " + std::to_string(row) + " " + a.DisplaySubject());
    }
    void OnArticlesRemoved(const std::unordered_set<const CArticle*>& gone) override {
        events.push_back("remove " + std::to_string(gone.size()) + " at once");
    }
    std::vector<std::string> events;
};

std::unique_ptr<CArticle> Header(std::int32_t number, std::string subject,
                                 std::string group = kGroup) {
    auto a = std::make_unique<CArticle>();
    a->SetArticleNumber(number);
    a->SetSubject(std::move(subject));
    a->SetNewsgroup(std::move(group));
    a->SetMessageId("<" + std::to_string(number) + "@example.org>");
    a->SetFrom("poster@example.org");
    a->SetLines(100);
    return a;
}

class ArticleStoreTest : public ::testing::Test {
protected:
    ArticleStoreTest() : store(setup) {
        AddGroup(kGroup);
        store.SetQueue(&queue);
        store.SetObserver(&observer);
    }

    CSetupGroup& AddGroup(const std::string& name) {
        auto g = std::make_unique<CSetupGroup>();
        g->SetName(name);
        setup.m_groups.push_back(std::move(g));
        return *setup.m_groups.back();
    }
    void AddRule(std::int32_t action, CCriteria condition) {
        auto g = std::make_unique<CCriteriaGroup>("rule", action, CCriteriaGroup::kLogicAnd);
        g->m_criteria.push_back(std::make_unique<CCriteria>(std::move(condition)));
        setup.m_criteriaGroups.push_back(std::move(g));
    }
    EIntakeOutcome Take(std::unique_ptr<CArticle> a) {
        return store.IntakeArticle(std::move(a)).outcome;
    }

    CSetup setup;
    FakeQueue queue;
    RecordingObserver observer;
    CArticleStore store;
};

TEST_F(ArticleStoreTest, ManyRecordsLeaveInOnePassAndTheirPostingsAreForgotten) {
    Take(Header(1, "a.jpg"));
    Take(Header(2, "set.jpg (1/2)"));
    Take(Header(3, "b.jpg"));
    Take(Header(4, "c.jpg"));
    ASSERT_EQ(store.Articles().size(), 4u);
    CArticle* joined = store.FindMultiPart("set.jpg (");
    ASSERT_NE(joined, nullptr);
    CArticle stranger;  // not listed: passed over
    observer.events.clear();
    auto removed = store.RemoveArticles(
        {store.Articles()[0].get(), joined, store.Articles()[3].get(), &stranger});
    EXPECT_EQ(removed.size(), 3u);
    EXPECT_EQ(observer.events, std::vector<std::string>{"remove 4 at once"});
    ASSERT_EQ(store.Articles().size(), 1u);
    EXPECT_EQ(store.Articles()[0]->Subject(), "b.jpg");
    EXPECT_EQ(store.FindMultiPart("set.jpg ("), nullptr);
    // The posting starts afresh when its next part arrives.
    EXPECT_EQ(Take(Header(5, "set.jpg (2/2)")), EIntakeOutcome::kListed);
}

TEST_F(ArticleStoreTest, DuplicatesAreDroppedBeforeTheCriteria) {
    EXPECT_EQ(Take(Header(10, "one")), EIntakeOutcome::kListed);
    const auto rangesBefore = store.Ranges().Find(kGroup)->Ranges();
    // Same number, other message-ID: the number alone decides, and nothing is recorded.
    auto again = Header(10, "other");
    again->SetMessageId("<fresh@example.org>");
    EXPECT_EQ(Take(std::move(again)), EIntakeOutcome::kSeen);
    EXPECT_EQ(store.Ranges().Find(kGroup)->Ranges(), rangesBefore);
    // The same number in another group is another article.
    EXPECT_EQ(Take(Header(10, "one", "alt.other")), EIntakeOutcome::kListed);
    EXPECT_EQ(store.Articles().size(), 2u);
}

TEST_F(ArticleStoreTest, RejectedAndKnownArticlesStillRecordTheirNumber) {
    CSetupFileContents contents;
    contents.m_messageIds.Set("<known@example.org>", std::make_unique<CMsgDetails>(0u));
    store.TakeFrom(contents);
    auto known = Header(20, "known");
    known->SetMessageId("<known@example.org>");
    EXPECT_EQ(Take(std::move(known)), EIntakeOutcome::kKnownMessageId);
    EXPECT_TRUE(store.Ranges().IsArticleSeen(kGroup, 20));

    AddRule(CCriteriaGroup::kActionExclude, CCriteria(CCriteria::kFieldSubject, kOpEqual, "spam"));
    EXPECT_EQ(Take(Header(21, "spam")), EIntakeOutcome::kRejected);
    EXPECT_TRUE(store.Ranges().IsArticleSeen(kGroup, 21));
    EXPECT_TRUE(store.Articles().empty());
    EXPECT_TRUE(observer.events.empty());
}

TEST_F(ArticleStoreTest, PartsJoinInAnyOrder) {
    EXPECT_EQ(Take(Header(3, "pic.jpg (3/3)")), EIntakeOutcome::kListed);
    EXPECT_EQ(Take(Header(1, "pic.jpg (1/3)")), EIntakeOutcome::kJoined);
    EXPECT_EQ(Take(Header(2, "pic.jpg (2/3)")), EIntakeOutcome::kJoined);
    const std::vector<std::string> expected = {
        "insert 0 (Parts - 3 of 3) pic.jpg (",
        "change (Parts - 1,3 of 3) pic.jpg (",
        "change (Complete) pic.jpg (",
    };
    EXPECT_EQ(observer.events, expected);
    ASSERT_EQ(store.Articles().size(), 1u);
    const CArticle& record = *store.Articles()[0];
    EXPECT_EQ(record.Lines(), 300);
    EXPECT_EQ(record.ArticleNumber(), 1);
    EXPECT_EQ(store.FindMultiPart("pic.jpg ("), &record);
}

TEST_F(ArticleStoreTest, DescriptionRepeatedAndSurplusParts) {
    EXPECT_EQ(Take(Header(1, "set (0/2)")), EIntakeOutcome::kDescriptionPart);
    EXPECT_EQ(store.MultiPartCount(), 0u);
    EXPECT_TRUE(store.Articles().empty());

    Take(Header(2, "set (2/2)"));
    auto repost = Header(3, "set (2/2)");
    EXPECT_EQ(Take(std::move(repost)), EIntakeOutcome::kJoined);
    const auto* record = store.FindMultiPart("set (");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Part(2)->ArticleNumber(), 2);  // the first copy stays
    // A later posting under the same base with more parts keeps the first count.
    EXPECT_EQ(Take(Header(4, "set (3/3)")), EIntakeOutcome::kJoined);
    EXPECT_EQ(record->PartCount(), 2);
    EXPECT_EQ(record->Part(3), nullptr);
    EXPECT_EQ(store.Articles().size(), 1u);
}

TEST_F(ArticleStoreTest, SingleArticleForms) {
    const char* subjects[] = {"1/2 pictures", "file [1/1]", "x 7/3", "plain", "huge (1/70000)"};
    for (const char* s : subjects) {
        auto result =
            store.IntakeArticle(Header(static_cast<std::int32_t>(store.Articles().size() + 1), s));
        EXPECT_EQ(result.outcome, EIntakeOutcome::kListed) << s;
        ASSERT_NE(result.item, nullptr);
        EXPECT_FALSE(result.item->IsMultiPart()) << s;
        EXPECT_EQ(result.item->DisplaySubject(), s);
    }
    EXPECT_EQ(store.MultiPartCount(), 0u);
}

TEST_F(ArticleStoreTest, PostingKeepsTheAttachmentFlagOfItsFirstPart) {
    AddRule(CCriteriaGroup::kActionText, CCriteria(CCriteria::kFieldLines, kOpLess, "50"));
    auto first = Header(1, "notes (1/2)");
    first->SetLines(10);
    Take(std::move(first));
    Take(Header(2, "notes (2/2)"));  // 100 lines: stays an attachment
    const auto* record = store.FindMultiPart("notes (");
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->Attachment());
    EXPECT_TRUE(record->Part(2)->Attachment());
}

TEST_F(ArticleStoreTest, HighestNumberFollowsTheListedItem) {
    CSetupGroup& twin = AddGroup(kGroup);  // a second entry of the same name
    CSetupGroup& other = AddGroup("alt.other");
    CSetupGroup& first = *setup.m_groups[0];
    Take(Header(200, "scan (2/2)"));
    EXPECT_EQ(first.m_highestArticle, 200);
    EXPECT_EQ(twin.m_highestArticle, 200);
    EXPECT_EQ(other.m_highestArticle, 0);
    // Part 1 makes the record's number 150: lower, so nothing falls back.
    Take(Header(150, "scan (1/2)"));
    EXPECT_EQ(first.m_highestArticle, 200);
    Take(Header(300, "single"));
    EXPECT_EQ(first.m_highestArticle, 300);
    // A rejected header does not raise it.
    AddRule(CCriteriaGroup::kActionExclude, CCriteria(0, kOpEqual, "no"));
    Take(Header(400, "no"));
    EXPECT_EQ(first.m_highestArticle, 300);
}

TEST_F(ArticleStoreTest, AutoQueueTakesCompleteItemsAtTheirPriority) {
    setup.m_autoQueueArticles = 1;
    AddGroup(kGroup);  // queued under the first group only: then it is no longer unqueued
    AddRule(CCriteriaGroup::kActionHighPriority, CCriteria(0, kOpContains, "urgent"));
    auto urgent = store.IntakeArticle(Header(1, "urgent stuff")).item;
    auto plain = store.IntakeArticle(Header(2, "plain stuff")).item;
    Take(Header(3, "set (1/2)"));
    ASSERT_EQ(queue.calls.size(), 2u);
    EXPECT_EQ(queue.calls[0].article, urgent);
    EXPECT_EQ(queue.calls[0].priority, CArticle::kPriorityHigh);
    EXPECT_EQ(queue.calls[0].group, kGroup);
    EXPECT_EQ(queue.calls[1].article, plain);
    EXPECT_EQ(queue.calls[1].priority, CArticle::kPriorityMedium);
    // The incomplete posting waits for its last part.
    auto joined = store.IntakeArticle(Header(4, "set (2/2)")).item;
    ASSERT_EQ(queue.calls.size(), 3u);
    EXPECT_EQ(queue.calls[2].article, joined);
    EXPECT_EQ(observer.events.back(), "change (Complete) set (");
}

TEST_F(ArticleStoreTest, AutoQueueOffQueuesNothing) {
    Take(Header(1, "single"));
    Take(Header(2, "two (1/2)"));
    Take(Header(3, "two (2/2)"));
    EXPECT_TRUE(queue.calls.empty());
    EXPECT_EQ(store.Articles().size(), 2u);
}

TEST_F(ArticleStoreTest, AutoQueueDropsItemsOfGroupsNotInTheSetup) {
    setup.m_autoQueueArticles = 1;
    EXPECT_EQ(Take(Header(1, "stray", "alt.gone")), EIntakeOutcome::kNoSuchGroup);
    // An incomplete posting stays listed until its last part completes it.
    EXPECT_EQ(Take(Header(2, "odd (1/2)", "alt.gone")), EIntakeOutcome::kListed);
    Take(Header(5, "keep"));
    EXPECT_EQ(Take(Header(3, "odd (2/2)", "alt.gone")), EIntakeOutcome::kNoSuchGroup);
    EXPECT_EQ(store.FindMultiPart("odd ("), nullptr);
    ASSERT_EQ(store.Articles().size(), 1u);
    EXPECT_EQ(store.Articles()[0]->Subject(), "keep");
    EXPECT_EQ(observer.events.back(), "remove 0 (Complete) odd (");
    // A new part of the same base starts a new record.
    EXPECT_EQ(Take(Header(4, "odd (1/2)", "alt.gone")), EIntakeOutcome::kListed);
    EXPECT_EQ(store.MultiPartCount(), 1u);
}

TEST_F(ArticleStoreTest, CrosspostsMarkOnlySetupGroups) {
    const std::vector<CGroupRangeMap::Crosspost> pairs = {{kGroup, 77}, {"alt.elsewhere", 5}};
    store.OnCrossposts(pairs);
    EXPECT_EQ(Take(Header(77, "crossposted")), EIntakeOutcome::kSeen);
    EXPECT_EQ(store.Ranges().Find("alt.elsewhere"), nullptr);
    EXPECT_EQ(Take(Header(5, "here", "alt.elsewhere")), EIntakeOutcome::kListed);
}

// Each part rewrites its record's poster and origin, which moves the record's texts; the
// record must still be found by its base subject, also after the map has grown.
TEST_F(ArticleStoreTest, JoinedRecordsStayFoundWhilePartsRewriteTheirTexts) {
    constexpr int kPostings = 200;
    std::int32_t number = 1;
    for (int n = 1; n <= 3; ++n) {
        for (int p = 0; p < kPostings; ++p) {
            auto a =
                Header(number++, "file" + std::to_string(p) + ".rar (" + std::to_string(n) + "/3)");
            a->SetFrom("poster " + std::string(static_cast<std::size_t>(n) * 40, 'x'));
            a->SetOrigin("origin" + std::to_string(n));
            EXPECT_EQ(Take(std::move(a)),
                      n == 1 ? EIntakeOutcome::kListed : EIntakeOutcome::kJoined);
        }
    }
    ASSERT_EQ(store.MultiPartCount(), static_cast<std::size_t>(kPostings));
    for (int p = 0; p < kPostings; ++p) {
        const std::string base = "file" + std::to_string(p) + ".rar (";
        const CMultiPartArticle* record = store.FindMultiPart(base);
        ASSERT_NE(record, nullptr) << base;
        EXPECT_TRUE(record->IsComplete()) << base;
        EXPECT_EQ(record->Subject(), base);
        EXPECT_EQ(record->Origin(), "origin3");
    }
    auto removed = store.RemoveArticle(*store.FindMultiPart("file7.rar ("));
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(store.FindMultiPart("file7.rar ("), nullptr);
    EXPECT_NE(store.FindMultiPart("file8.rar ("), nullptr);
}

TEST_F(ArticleStoreTest, RemoveArticleFreesTheBaseSubject) {
    Take(Header(1, "first"));
    Take(Header(2, "two (1/2)"));
    CArticle* record = store.FindMultiPart("two (");
    auto removed = store.RemoveArticle(*record);
    EXPECT_EQ(removed.get(), record);
    EXPECT_EQ(store.FindMultiPart("two ("), nullptr);
    EXPECT_EQ(store.RemoveArticle(*removed), nullptr);  // no longer listed
    EXPECT_EQ(Take(Header(3, "two (2/2)")), EIntakeOutcome::kListed);
    EXPECT_EQ(store.Articles().size(), 2u);
}

TEST_F(ArticleStoreTest, StateMovesToAndFromTheFileContents) {
    store.SetRefreshRequester(nullptr);
    Take(Header(1, "single"));
    Take(Header(2, "pair (1/2)"));
    CSetupFileContents contents;
    store.GiveTo(contents);
    EXPECT_TRUE(store.Articles().empty());
    EXPECT_EQ(contents.m_articles.size(), 2u);
    ASSERT_NE(contents.m_multiParts.Find("pair ("), nullptr);
    EXPECT_NE(contents.m_ranges.Find(kGroup), nullptr);

    // Saved and loaded: the bytes a save writes come back as the same state.
    contents.m_messageIds.Set("<old@example.org>", std::make_unique<CMsgDetails>(1u));
    const auto bytes = CSetupFile::ToBytes(contents);
    EXPECT_FALSE(bytes.empty());

    store.TakeFrom(contents);
    EXPECT_TRUE(contents.m_articles.empty());
    EXPECT_TRUE(store.IsKnownMessageId("<old@example.org>"));
    EXPECT_FALSE(store.IsKnownMessageId("<new@example.org>"));
    EXPECT_EQ(Take(Header(2, "again")), EIntakeOutcome::kSeen);
    EXPECT_EQ(Take(Header(3, "pair (2/2)")), EIntakeOutcome::kJoined);
    EXPECT_TRUE(store.Articles()[1]->IsComplete());
}

TEST_F(ArticleStoreTest, ResetForgetsEverything) {
    Take(Header(9, "x (1/2)"));
    store.Reset();
    EXPECT_TRUE(store.Articles().empty());
    EXPECT_EQ(store.MultiPartCount(), 0u);
    EXPECT_EQ(setup.m_groups[0]->m_highestArticle, 0);
    EXPECT_EQ(Take(Header(9, "x (1/2)")), EIntakeOutcome::kListed);
}

}  // namespace
}  // namespace corvane
