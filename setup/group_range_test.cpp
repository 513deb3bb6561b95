// Article-number ranges: Add against a plain set of numbers, the low-water collapse, the numbers
// at the ends of the 32-bit range, and the map's refresh request, crossposts and purge.
#include "setup/group_range.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>

using namespace corvane;

namespace {

using Ranges = std::vector<CGroupRangeEntry>;
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

CGroupRange Build(std::initializer_list<std::int32_t> numbers) {
    CGroupRange range;
    for (std::int32_t n : numbers) range.Add(n);
    return range;
}

TEST(GroupRangeAdd, MergesExtendsAndInserts) {
    CGroupRange range = Build({5, 7});
    EXPECT_EQ(range.Ranges(), (Ranges{{5, 5}, {7, 7}}));
    range.Add(6);  // extends [5, 5] and then swallows [7, 7]
    EXPECT_EQ(range.Ranges(), (Ranges{{5, 7}}));

    range = Build({10, 9, 3});
    EXPECT_EQ(range.Ranges(), (Ranges{{3, 3}, {9, 10}}));
    for (std::int32_t n : {6, 4, 8, 7}) range.Add(n);
    EXPECT_EQ(range.Ranges(), (Ranges{{3, 4}, {6, 10}}));
    range.Add(5);
    range.Add(5);
    EXPECT_EQ(range.Ranges(), (Ranges{{3, 10}}));
}

TEST(GroupRangeAdd, BelowTheMarkIsIgnored) {
    CGroupRange range = Build({10, 11});
    range.SetLowWater(15);
    range.Add(14);
    EXPECT_TRUE(range.Ranges().empty());
    EXPECT_FALSE(range.Contains(14));
    range.Add(16);
    range.Add(15);
    EXPECT_EQ(range.Ranges(), (Ranges{{15, 16}}));
}

TEST(GroupRangeLowWater, CollapsesEverythingBelowTheMark) {
    CGroupRange range;
    for (std::int32_t n = 10; n <= 20; ++n) range.Add(n);
    for (std::int32_t n = 50; n <= 150; ++n) range.Add(n);
    range.SetLowWater(100);
    EXPECT_EQ(range.Ranges(), (Ranges{{0, 150}}));
    EXPECT_TRUE(range.Contains(5));

    range = Build({120, 121});
    range.SetLowWater(100);
    EXPECT_EQ(range.Ranges(), (Ranges{{0, 100}, {120, 121}}));

    range = Build({10, 11});
    range.SetLowWater(100);
    EXPECT_TRUE(range.Ranges().empty());
    EXPECT_EQ(range.LowWater(), 100);

    // The collapse may leave two adjacent ranges; they are not joined.
    range = Build({101, 102});
    range.SetLowWater(100);
    EXPECT_EQ(range.Ranges(), (Ranges{{0, 100}, {101, 102}}));
}

TEST(GroupRangeLowWater, NegativeMarkKeepsTheListInOrder) {
    CGroupRange range;
    range.SetLowWater(-20);
    for (std::int32_t n : {-10, -9, 3}) range.Add(n);
    range.SetLowWater(-9);
    EXPECT_EQ(range.Ranges(), (Ranges{{-10, -9}, {3, 3}}));
    range.SetLowWater(-1);
    EXPECT_EQ(range.Ranges(), (Ranges{{3, 3}}));
}

TEST(GroupRangeAdd, NumbersAtTheEndsOfTheRange) {
    CGroupRange range;
    range.SetLowWater(kMin);
    for (std::int32_t n : {kMin + 1, kMax - 3, kMax, kMin, kMax - 1}) range.Add(n);
    EXPECT_EQ(range.Ranges(), (Ranges{{kMin, kMin + 1}, {kMax - 3, kMax - 3}, {kMax - 1, kMax}}));
    EXPECT_TRUE(range.Contains(kMin));
    EXPECT_FALSE(range.Contains(kMax - 2));
    range.SetLowWater(kMax);
    EXPECT_EQ(range.Ranges(), (Ranges{{0, kMax}}));

    CGroupRangeMap map;
    map.OnGroupFirst("g", kMin);
    map.RecordArticle("g", kMin);
    EXPECT_TRUE(map.IsArticleSeen("g", kMin));
    map.OnGroupFirst("h", kMax);
    EXPECT_EQ(map.Find("h")->LowWater(), kMax);
    EXPECT_TRUE(map.Find("h")->Ranges().empty());
}

// Numbers from three clusters (both ends and around zero) so that merges happen often and the
// neighbour arithmetic is exercised where it could overflow.
TEST(GroupRangeAdd, MatchesASetOfAddedNumbers) {
    std::mt19937 random(20261208);
    const std::int32_t bases[] = {kMin, -40, kMax - 79};
    for (int round = 0; round < 20; ++round) {
        CGroupRange range;
        range.SetLowWater(kMin);
        std::set<std::int32_t> model;
        for (int i = 0; i < 150; ++i) {
            const std::int32_t n = bases[random() % 3] + static_cast<std::int32_t>(random() % 80);
            range.Add(n);
            model.insert(n);
        }
        Ranges expected;
        for (std::int32_t n : model) {
            if (!expected.empty() && std::int64_t{expected.back().high} + 1 == n) {
                expected.back().high = n;
            } else {
                expected.push_back({n, n});
            }
        }
        ASSERT_EQ(range.Ranges(), expected) << "round " << round;
        for (std::int32_t base : bases) {
            for (std::int32_t k = 0; k < 80; ++k) {
                ASSERT_EQ(range.Contains(base + k), model.contains(base + k)) << base + k;
            }
        }
    }
}

struct CRecordingRequester : IGroupRefreshRequester {
    std::vector<std::string> requests;
    void RequestGroupRefresh(const std::string& group) override { requests.push_back(group); }
};

TEST(GroupRangeMap, OneRefreshRequestWhenAGroupPassesAHundredRanges) {
    CRecordingRequester requester;
    CGroupRangeMap map(&requester);
    for (std::int32_t i = 1; i <= 100; ++i) map.RecordArticle("g", 2 * i);
    EXPECT_TRUE(requester.requests.empty());
    map.RecordArticle("g", 202);
    EXPECT_EQ(requester.requests, std::vector<std::string>{"g"});
    map.RecordArticle("g", 204);
    EXPECT_EQ(requester.requests.size(), 1u);

    map.OnGroupFirst("g", 150);  // [0, 150] and the 27 singles from 152 up
    EXPECT_EQ(map.Find("g")->Ranges().size(), 28u);
    EXPECT_EQ(map.Find("g")->Ranges().front(), (CGroupRangeEntry{0, 150}));
    EXPECT_FALSE(map.IsArticleSeen("g", 151));

    // As after a reload: a long list with a clear flag asks again at its next number, even one
    // it already holds; without a requester it waits until there is one.
    CGroupRange loaded;
    for (std::int32_t i = 1; i <= 101; ++i) loaded.Add(2 * i);
    map.Insert("g", std::move(loaded));
    map.SetRefreshRequester(nullptr);
    map.RecordArticle("g", 2);
    map.SetRefreshRequester(&requester);
    map.RecordArticle("g", 2);
    EXPECT_EQ(requester.requests.size(), 2u);
}

TEST(GroupRangeMap, GroupFirstCrosspostsPurgeAndReset) {
    CGroupRangeMap map;
    EXPECT_FALSE(map.IsArticleSeen("a", 1));
    map.OnGroupFirst("a", 1000);
    EXPECT_TRUE(map.Find("a")->Ranges().empty());
    map.RecordArticle("a", 999);
    EXPECT_FALSE(map.IsArticleSeen("a", 999));

    const std::string setup[] = {"b", "c"};
    const CGroupRangeMap::Crosspost pairs[] = {{"b", 5}, {"B", 6}, {"x", 7}, {"b", 6}};
    map.OnCrossposts(pairs, setup);
    EXPECT_EQ(map.Find("b")->Ranges(), (Ranges{{5, 6}}));
    EXPECT_EQ(map.Find("B"), nullptr);
    EXPECT_EQ(map.Find("x"), nullptr);

    map.PurgeGroupsNotIn(setup);
    EXPECT_EQ(map.Size(), 1u);
    EXPECT_TRUE(map.IsArticleSeen("b", 5));
    map.Reset();
    EXPECT_EQ(map.Size(), 0u);
}

}  // namespace
