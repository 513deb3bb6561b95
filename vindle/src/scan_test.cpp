// Scans: exact lookups, ranges in both directions, get-previous, and scans that start in one
// leaf and continue in another.
#include <algorithm>
#include <map>

#include "test_support.h"

using namespace vindle_test;

namespace {

constexpr uint32_t kKey = 56, kData = 4;

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("scan.idx");
        ASSERT_EQ(VindleCreateIndex(path.c_str(), 4096, kKey, kData, 0, 1), 1);
        index = VindleOpenIndex(path.c_str(), 64);
        ASSERT_NE(index, nullptr);
    }
    void TearDown() override { VindleCloseIndex(index); }

    void Add(uint32_t n) {
        Bytes k = OrderedKey(n, kKey), d = DataFor(k, kData);
        ASSERT_EQ(VindleAddKey(index, k.data(), d.data()), 1);
    }
    // Keys (as numbers) that a scan yields while its fetches return 1.
    std::vector<uint32_t> Collect(VindleScan* scan, bool next, size_t limit = 100000) {
        std::vector<uint32_t> out;
        Bytes k(kKey), d(kData);
        while (out.size() < limit && (next ? VindleScanGetNext(scan, k.data(), d.data())
                                           : VindleScanGetPrev(scan, k.data(), d.data()))) {
            EXPECT_EQ(d, DataFor(k, kData));
            out.push_back(uint32_t(k[0]) << 24 | uint32_t(k[1]) << 16 | uint32_t(k[2]) << 8 | k[3]);
        }
        return out;
    }
    std::vector<uint32_t> Range(uint32_t from, uint32_t to, bool next = true) {
        Bytes a = OrderedKey(from, kKey), b = OrderedKey(to, kKey);
        VindleScan* scan = VindleCreateScanRange(index, a.data(), b.data());
        auto out = Collect(scan, next);
        VindleScanClose(scan);
        return out;
    }

    CScratchDir dir;
    std::string path;
    VindleIndex* index = nullptr;
};

TEST_F(ScanTest, EmptyIndexYieldsNothing) {
    VindleScan* scan = VindleCreateScan(index);
    Bytes k(kKey), d(kData);
    EXPECT_EQ(VindleScanGetNext(scan, k.data(), d.data()), 0);
    EXPECT_EQ(VindleScanGetPrev(scan, k.data(), d.data()), 0);
    VindleScanClose(scan);
    EXPECT_TRUE(Range(5, 5).empty());
}

TEST_F(ScanTest, ExactLookupFindsPresentKeysOnly) {
    for (uint32_t i = 0; i < 300; ++i) Add(i * 2);
    for (uint32_t i = 0; i < 600; ++i) {
        auto got = Range(i, i);
        if (i % 2 == 0)
            ASSERT_EQ(got, std::vector<uint32_t>{i});
        else
            ASSERT_TRUE(got.empty()) << i;
    }
}

TEST_F(ScanTest, StartKeyPastTheLastKeyOfALeafBeginsInTheNextLeaf) {
    // 68 even keys: the first leaf holds 0..64, the second begins at 66.
    for (uint32_t i = 0; i < 68; ++i) Add(i * 2);
    EXPECT_EQ(Range(65, 70), (std::vector<uint32_t>{66, 68, 70}));
    EXPECT_EQ(Range(63, 67), (std::vector<uint32_t>{64, 66}));
}

TEST_F(ScanTest, DescendingScansRunFromStartDownToEnd) {
    for (uint32_t i = 0; i < 200; ++i) Add(i * 3);
    EXPECT_EQ(Range(10, 0), (std::vector<uint32_t>{9, 6, 3, 0}));
    // Across leaf boundaries, and starting below every key of the leaf it lands in.
    auto down = Range(599, 90);
    ASSERT_EQ(down.size(), 170u);
    EXPECT_EQ(down.front(), 597u);
    EXPECT_EQ(down.back(), 90u);
    EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend()));
    EXPECT_EQ(Range(98, 97), std::vector<uint32_t>{});
    EXPECT_EQ(Range(99, 97), std::vector<uint32_t>{99});
}

TEST_F(ScanTest, GetPreviousWalksBackToTheStartKey) {
    for (uint32_t i = 0; i < 150; ++i) Add(i);
    Bytes a = OrderedKey(20, kKey), b = OrderedKey(120, kKey);
    VindleScan* scan = VindleCreateScanRange(index, a.data(), b.data());
    auto forward = Collect(scan, true, 80);  // 20 .. 99
    ASSERT_EQ(forward.back(), 99u);
    auto back = Collect(scan, false);
    ASSERT_FALSE(back.empty());
    EXPECT_EQ(back.front(), 98u);
    EXPECT_EQ(back.back(), 20u);
    EXPECT_EQ(back.size(), 79u);
    VindleScanClose(scan);

    // A descending scan's get-previous runs forward, bounded by its start key.
    scan = VindleCreateScanRange(index, b.data(), a.data());
    auto down = Collect(scan, true, 10);  // 120 .. 111
    ASSERT_EQ(down.back(), 111u);
    auto up = Collect(scan, false);
    EXPECT_EQ(up, (std::vector<uint32_t>{112, 113, 114, 115, 116, 117, 118, 119, 120}));
    VindleScanClose(scan);
}

TEST_F(ScanTest, RandomRangesAgreeWithAnOrderedModel) {
    std::mt19937 rng(7);
    std::vector<uint32_t> keys;
    for (uint32_t i = 0; i < 5000; ++i) keys.push_back(rng() % 100000);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<uint32_t> shuffled = keys;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    for (uint32_t k : shuffled) Add(k);
    for (int round = 0; round < 200; ++round) {
        uint32_t a = rng() % 100500, b = rng() % 100500;
        std::vector<uint32_t> expected;
        for (uint32_t k : keys)
            if (k >= std::min(a, b) && k <= std::max(a, b)) expected.push_back(k);
        if (b < a) std::reverse(expected.begin(), expected.end());
        ASSERT_EQ(Range(a, b), expected) << a << " -> " << b;
    }
}

TEST_F(ScanTest, ARecordAddedDuringAScanDoesNotDerailIt) {
    for (uint32_t i = 0; i < 67; ++i) Add(i * 2);
    VindleScan* scan = VindleCreateScan(index);
    Bytes k(kKey), d(kData);
    ASSERT_EQ(VindleScanGetNext(scan, k.data(), d.data()), 1);
    for (uint32_t i = 0; i < 200; ++i) Add(1000 + i);  // splits the leaf under the scan
    std::vector<uint32_t> rest = Collect(scan, true);
    VindleScanClose(scan);
    EXPECT_TRUE(std::is_sorted(rest.begin(), rest.end()));
    EXPECT_GE(rest.size(), 200u);
    EXPECT_EQ(rest.back(), 1199u);
}

}  // namespace
