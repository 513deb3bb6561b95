// The bytes on disk and the growth of the tree: new files, leaf and non-leaf splits, root
// growth, unique rejection, equal keys, aux data, the whole free map, refused files.
#include <algorithm>
#include <map>
#include <set>

#include "test_support.h"

using namespace vindle_test;

namespace {

constexpr uint32_t kPage = 4096, kKey = 56, kData = 4;

struct Page {
    const uint8_t* p;
    uint32_t U32(size_t off) const { return Le32(p + off); }
    uint8_t Type() const { return p[4]; }
};

Page PageOf(const Bytes& file, uint32_t n, uint32_t pageSize = kPage) {
    return Page{file.data() + size_t(n) * pageSize};
}

bool AllZero(const uint8_t* p, size_t n) {
    return std::all_of(p, p + n, [](uint8_t b) { return b == 0; });
}

class IndexTest : public ::testing::Test {
protected:
    VindleIndex* CreateAndOpen(uint32_t page = kPage, uint32_t key = kKey, uint32_t data = kData,
                               uint32_t aux = 0, int unique = 1, unsigned buffers = 64) {
        path = dir.File("test.idx");
        EXPECT_EQ(VindleCreateIndex(path.c_str(), page, key, data, aux, unique), 1);
        VindleIndex* index = VindleOpenIndex(path.c_str(), buffers);
        EXPECT_NE(index, nullptr);
        return index;
    }
    int Add(VindleIndex* index, Bytes key, uint32_t dataSize = kData) {
        Bytes data = DataFor(key, dataSize);
        return VindleAddKey(index, key.data(), data.data());
    }

    CScratchDir dir;
    std::string path;
};

TEST_F(IndexTest, NewFileIsThreePagesLaidOutExactly) {
    VindleIndex* index = CreateAndOpen();
    EXPECT_EQ(VindleCheckIndex(index), 1);
    EXPECT_EQ(VindleCloseIndex(index), 1);

    Bytes file = ReadFile(path);
    ASSERT_EQ(file.size(), 3u * kPage);
    Page head = PageOf(file, 0);
    EXPECT_EQ(head.U32(0), 0u);
    EXPECT_EQ(head.Type(), 1);
    EXPECT_EQ(head.U32(8), kPage);
    EXPECT_EQ(head.U32(12), kKey);
    EXPECT_EQ(head.U32(16), kData);
    EXPECT_EQ(head.U32(20), 4048u);  // free map size
    EXPECT_EQ(head.U32(24), 0u);
    EXPECT_EQ(head.U32(28), 1u);  // root
    EXPECT_EQ(head.U32(32), 0u);
    EXPECT_EQ(head.U32(36), 0u);
    EXPECT_EQ(head.U32(40), 2u);  // format version
    EXPECT_EQ(head.U32(44), 1u);  // unique
    EXPECT_EQ(head.p[48], 0x07);  // pages 0, 1, 2 in use
    EXPECT_TRUE(AllZero(head.p + 49, kPage - 49));
    EXPECT_TRUE(AllZero(head.p + 5, 3));

    Page root = PageOf(file, 1);
    EXPECT_EQ(root.U32(0), 1u);
    EXPECT_EQ(root.Type(), 2);
    EXPECT_EQ(root.U32(8), 0u);   // parent
    EXPECT_EQ(root.U32(12), 1u);  // last level
    EXPECT_EQ(root.U32(16), 1u);  // one entry
    EXPECT_TRUE(AllZero(root.p + 20, kKey));
    EXPECT_EQ(root.U32(20 + kKey), 2u);
    EXPECT_TRUE(AllZero(root.p + 24 + kKey, kPage - 24 - kKey));

    Page leaf = PageOf(file, 2);
    EXPECT_EQ(leaf.U32(0), 2u);
    EXPECT_EQ(leaf.Type(), 3);
    EXPECT_EQ(leaf.U32(8), 1u);
    EXPECT_EQ(leaf.U32(12), 0u);
    EXPECT_EQ(leaf.U32(16), 0u);
    EXPECT_EQ(leaf.U32(20), 0u);
    EXPECT_TRUE(AllZero(leaf.p + 24, kPage - 24));
}

TEST_F(IndexTest, RecordsLandAtTheirOffsetsAndAddsReachTheDiskAtClose) {
    VindleIndex* index = CreateAndOpen();
    Bytes a = OrderedKey(7, kKey), b = OrderedKey(3, kKey);
    ASSERT_EQ(Add(index, a), 1);
    ASSERT_EQ(Add(index, b), 1);
    // Two dirty pages of 64 buffers: nothing written yet.
    EXPECT_EQ(PageOf(ReadFile(path), 2).U32(20), 0u);
    VindleCloseIndex(index);

    Bytes file = ReadFile(path);
    Page leaf = PageOf(file, 2);
    ASSERT_EQ(leaf.U32(20), 2u);
    EXPECT_EQ(Bytes(leaf.p + 24, leaf.p + 24 + kKey), b);
    EXPECT_EQ(Bytes(leaf.p + 24 + kKey, leaf.p + 24 + kKey + kData), DataFor(b, kData));
    EXPECT_EQ(Bytes(leaf.p + 24 + 60, leaf.p + 24 + 60 + kKey), a);
    EXPECT_TRUE(AllZero(leaf.p + 24 + 120, kPage - 144));
}

TEST_F(IndexTest, KeysCompareAsUnsignedBytesOverTheWholeKey) {
    VindleIndex* index = CreateAndOpen();
    Bytes zero(kKey, 0), afterZero(kKey, 0), high(kKey, 0), low(kKey, 0);
    afterZero[40] = 1;  // differs only after leading zero bytes
    high[0] = 0x80;     // must sort after 0x7f (unsigned comparison)
    low[0] = 0x7f;
    EXPECT_EQ(Add(index, high), 1);
    EXPECT_EQ(Add(index, afterZero), 1);
    EXPECT_EQ(Add(index, low), 1);
    EXPECT_EQ(Add(index, zero), 1);
    EXPECT_EQ(Add(index, zero), 0);
    EXPECT_EQ(Add(index, afterZero), 0);
    auto all = ScanAll(index, kKey, kData);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].key, zero);
    EXPECT_EQ(all[1].key, afterZero);
    EXPECT_EQ(all[2].key, low);
    EXPECT_EQ(all[3].key, high);
    VindleCloseIndex(index);
}

TEST_F(IndexTest, SixtyEighthRecordSplitsTheLeaf) {
    VindleIndex* index = CreateAndOpen();
    for (uint32_t i = 0; i < 67; ++i) ASSERT_EQ(Add(index, OrderedKey(2 * i, kKey)), 1);
    VindleCloseIndex(index);
    Bytes file = ReadFile(path);
    ASSERT_EQ(file.size(), 3u * kPage);
    EXPECT_EQ(PageOf(file, 2).U32(20), 67u);

    // A key smaller than the middle: the old leaf keeps 33 and takes the new one.
    index = VindleOpenIndex(path.c_str(), 64);
    ASSERT_EQ(Add(index, OrderedKey(1, kKey)), 1);
    VindleCloseIndex(index);
    file = ReadFile(path);
    ASSERT_EQ(file.size(), 4u * kPage);
    Page left = PageOf(file, 2), right = PageOf(file, 3), root = PageOf(file, 1);
    EXPECT_EQ(left.U32(20), 34u);
    EXPECT_EQ(left.U32(12), 3u);  // next
    EXPECT_EQ(right.Type(), 3);
    EXPECT_EQ(right.U32(0), 3u);
    EXPECT_EQ(right.U32(8), 1u);   // parent
    EXPECT_EQ(right.U32(12), 0u);  // next
    EXPECT_EQ(right.U32(16), 2u);  // previous
    EXPECT_EQ(right.U32(20), 34u);
    EXPECT_EQ(Bytes(right.p + 24, right.p + 24 + kKey), OrderedKey(66, kKey));
    EXPECT_EQ(root.U32(16), 2u);
    EXPECT_EQ(Bytes(root.p + 20 + 60, root.p + 20 + 60 + kKey), OrderedKey(66, kKey));
    EXPECT_EQ(root.U32(20 + 60 + kKey), 3u);
    EXPECT_EQ(PageOf(file, 0).p[48], 0x0f);
}

TEST_F(IndexTest, SplitSendsALargerKeyToTheNewLeaf) {
    VindleIndex* index = CreateAndOpen();
    for (uint32_t i = 0; i < 68; ++i) ASSERT_EQ(Add(index, OrderedKey(i, kKey)), 1);
    VindleCloseIndex(index);
    Bytes file = ReadFile(path);
    EXPECT_EQ(PageOf(file, 2).U32(20), 33u);
    EXPECT_EQ(PageOf(file, 3).U32(20), 35u);
}

TEST_F(IndexTest, RootSplitRaisesTheTree) {
    VindleIndex* index = CreateAndOpen();
    const uint32_t n = 4000;  // enough leaves to overflow one non-leaf of 67 entries
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(Add(index, OrderedKey(i, kKey)), 1);
    EXPECT_EQ(VindleCheckIndex(index), 1);
    auto all = ScanAll(index, kKey, kData);
    ASSERT_EQ(all.size(), n);
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(all[i].key, OrderedKey(i, kKey));
    VindleCloseIndex(index);

    Bytes file = ReadFile(path);
    uint32_t rootNo = PageOf(file, 0).U32(28);
    ASSERT_NE(rootNo, 1u);
    Page root = PageOf(file, rootNo);
    EXPECT_EQ(root.Type(), 2);
    EXPECT_EQ(root.U32(8), 0u);
    EXPECT_EQ(root.U32(12), 0u);  // children are non-leaf pages
    EXPECT_GE(root.U32(16), 2u);
    EXPECT_EQ(PageOf(file, 1).U32(8), rootNo);  // the old root hangs below the new one
    EXPECT_TRUE(AllZero(root.p + 20, kKey));    // leftmost separator stays all zeros
}

TEST_F(IndexTest, RandomKeysStayOrderedUniqueAndFindable) {
    VindleIndex* index = CreateAndOpen(kPage, kKey, kData, 0, 1, 32);  // evictions happen
    std::mt19937_64 rng(42);
    std::set<Bytes> model;
    for (int i = 0; i < 30000; ++i) {
        Bytes k = RandomKey(rng, kKey);
        if (i % 7 == 0) k[0] = 0;  // crowd some keys together
        int expected = model.insert(k).second ? 1 : 0;
        ASSERT_EQ(Add(index, k), expected);
    }
    for (const Bytes& k : model) ASSERT_EQ(Add(index, k), 0);
    EXPECT_EQ(VindleCheckIndex(index), 1);
    auto all = ScanAll(index, kKey, kData);
    ASSERT_EQ(all.size(), model.size());
    size_t i = 0;
    for (const Bytes& k : model) {
        ASSERT_EQ(all[i].key, k);
        ASSERT_EQ(all[i].data, DataFor(k, kData));
        ++i;
    }
    VindleCloseIndex(index);
}

TEST_F(IndexTest, RejectedDuplicateLeavesTheFileAsItWas) {
    VindleIndex* index = CreateAndOpen();
    Bytes k = OrderedKey(5, kKey);
    ASSERT_EQ(Add(index, k), 1);
    VindleCloseIndex(index);
    Bytes before = ReadFile(path);
    index = VindleOpenIndex(path.c_str(), 64);
    Bytes otherData(kData, 0xEE);
    EXPECT_EQ(VindleAddKey(index, k.data(), otherData.data()), 0);
    VindleCloseIndex(index);
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(IndexTest, EqualKeysOfANonUniqueIndexComeBackInAddOrder) {
    VindleIndex* index = CreateAndOpen(kPage, kKey, kData, 0, 0);
    Bytes same = OrderedKey(500, kKey);
    // Neighbours on both sides, and enough equal keys to span several leaves.
    for (uint32_t i = 0; i < 100; ++i) ASSERT_EQ(Add(index, OrderedKey(i * 10 + 1, kKey)), 1);
    for (uint32_t i = 0; i < 250; ++i) {
        Bytes data(kData);
        PutLe32(data.data(), i);
        ASSERT_EQ(VindleAddKey(index, same.data(), data.data()), 1);
    }
    EXPECT_EQ(VindleCheckIndex(index), 1);
    VindleScan* scan = VindleCreateScanRange(index, same.data(), same.data());
    Bytes k(kKey), d(kData);
    uint32_t seen = 0;
    while (VindleScanGetNext(scan, k.data(), d.data())) {
        ASSERT_EQ(k, same);
        ASSERT_EQ(Le32(d.data()), seen) << "equal keys out of add order";
        ++seen;
    }
    VindleScanClose(scan);
    EXPECT_EQ(seen, 250u);
    VindleCloseIndex(index);
}

TEST_F(IndexTest, AuxDataIsKeptInTheHeadPage) {
    VindleIndex* index = CreateAndOpen(kPage, 128, 4, 8, 1);
    Bytes aux(8, 0xAA);
    VindleGetAuxData(index, aux.data());
    EXPECT_EQ(aux, Bytes(8, 0));
    Bytes set = {1, 2, 3, 4, 5, 6, 7, 8};
    VindleSetAuxData(index, set.data());
    VindleCloseIndex(index);

    Bytes file = ReadFile(path);
    EXPECT_EQ(Bytes(file.begin() + 48, file.begin() + 56), set);
    EXPECT_EQ(PageOf(file, 0).U32(20), 4040u);
    EXPECT_EQ(file[56], 0x07);  // the free map follows the aux data

    index = VindleOpenIndex(path.c_str(), 16);
    Bytes got(8);
    VindleGetAuxData(index, got.data());
    EXPECT_EQ(got, set);
    VindleCloseIndex(index);
}

TEST_F(IndexTest, PagesAreAllocatedFromEveryBitOfTheFreeMap) {
    // Page 128, no aux: a free map of 80 bytes, room for 640 pages; leaves of 8 records.
    const uint32_t page = 128, key = 8, data = 4;
    VindleIndex* index = CreateAndOpen(page, key, data, 0, 1, 64);
    const uint32_t n = 1500;
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(Add(index, OrderedKey(i, key), data), 1);
    EXPECT_EQ(VindleCheckIndex(index), 1);
    EXPECT_EQ(ScanAll(index, key, data).size(), n);
    VindleCloseIndex(index);
    EXPECT_GT(ReadFile(path).size() / page, 80u);
}

TEST_F(IndexTest, AFullFreeMapEndsTheProgramWithCodeFive) {
    const uint32_t page = 128, key = 8, data = 4;
    VindleIndex* index = CreateAndOpen(page, key, data, 0, 1, 64);
    EXPECT_EXIT(
        {
            for (uint32_t i = 0; i < 100000; ++i) Add(index, OrderedKey(i, key), data);
        },
        ::testing::ExitedWithCode(1),
        "^VindleException in VindleAddKey 5 - Corvane will terminate\\.\n$");
    VindleCloseIndex(index);
}

TEST_F(IndexTest, OpenRefusesWhatIsNotAnIndexOfThisFormat) {
    EXPECT_EQ(VindleOpenIndex(dir.File("missing.idx").c_str(), 8), nullptr);

    std::string shortFile = dir.File("short.idx");
    WriteFile(shortFile, Bytes(47, 0));
    EXPECT_EQ(VindleOpenIndex(shortFile.c_str(), 8), nullptr);

    VindleIndex* index = CreateAndOpen();
    VindleCloseIndex(index);
    Bytes file = ReadFile(path);
    PutLe32(&file[40], 3);
    WriteFile(path, file);
    EXPECT_EQ(VindleOpenIndex(path.c_str(), 8), nullptr);

    // Sizes no page could hold are refused instead of being computed with.
    PutLe32(&file[40], 2);
    PutLe32(&file[8], 0);
    WriteFile(path, file);
    EXPECT_EQ(VindleOpenIndex(path.c_str(), 8), nullptr);
    PutLe32(&file[8], kPage);
    PutLe32(&file[12], 5000);
    WriteFile(path, file);
    EXPECT_EQ(VindleOpenIndex(path.c_str(), 8), nullptr);
}

TEST_F(IndexTest, CreateReplacesAnExistingFile) {
    VindleIndex* index = CreateAndOpen();
    for (uint32_t i = 0; i < 500; ++i) Add(index, OrderedKey(i, kKey));
    VindleCloseIndex(index);
    ASSERT_GT(ReadFile(path).size(), 3u * kPage);
    ASSERT_EQ(VindleCreateIndex(path.c_str(), kPage, kKey, kData, 0, 1), 1);
    EXPECT_EQ(ReadFile(path).size(), 3u * kPage);
    index = VindleOpenIndex(path.c_str(), 8);
    EXPECT_TRUE(ScanAll(index, kKey, kData).empty());
    VindleCloseIndex(index);
}

}  // namespace
