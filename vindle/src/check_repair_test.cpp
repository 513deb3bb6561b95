// The structural check on damaged files, and the rebuild from intact leaves.
#include <algorithm>
#include <functional>
#include <set>

#include "test_support.h"

using namespace vindle_test;

namespace {

constexpr uint32_t kPage = 4096, kKey = 56, kData = 4;

class CheckRepairTest : public ::testing::Test {
protected:
    // An index of n ordered keys, written to disk and closed.
    void Build(uint32_t n, uint32_t aux = 0, int unique = 1) {
        path = dir.File("repair.idx");
        ASSERT_EQ(VindleCreateIndex(path.c_str(), kPage, kKey, kData, aux, unique), 1);
        VindleIndex* index = VindleOpenIndex(path.c_str(), 32);
        ASSERT_NE(index, nullptr);
        for (uint32_t i = 0; i < n; ++i) {
            Bytes k = OrderedKey(i, kKey), d = DataFor(k, kData);
            ASSERT_EQ(VindleAddKey(index, k.data(), d.data()), 1);
        }
        if (aux) {
            Bytes a(aux, 0x5c);
            VindleSetAuxData(index, a.data());
        }
        ASSERT_EQ(VindleCheckIndex(index), 1);
        VindleCloseIndex(index);
        file = ReadFile(path);
    }
    uint8_t* PageAt(uint32_t n) { return file.data() + size_t(n) * kPage; }
    void Damage() { WriteFile(path, file); }

    // Opens, checks, repairs when damaged, and returns the records then present.
    std::vector<Record> CheckRepairScan(int expectCheck, uint32_t aux = 0) {
        VindleIndex* index = VindleOpenIndex(path.c_str(), 32);
        EXPECT_NE(index, nullptr);
        if (!index) return {};
        EXPECT_EQ(VindleCheckIndex(index), expectCheck);
        VindleRepairIndex(index, kPage, kKey, kData, aux, 1);
        EXPECT_EQ(VindleCheckIndex(index), 1);
        auto all = ScanAll(index, kKey, kData);
        VindleCloseIndex(index);
        return all;
    }

    // Record numbers of a leaf page of the built file.
    std::set<uint32_t> KeysOfLeaf(uint32_t page) {
        std::set<uint32_t> out;
        uint8_t* p = PageAt(page);
        for (uint32_t i = 0; i < Le32(p + 20); ++i) {
            const uint8_t* k = p + 24 + i * (kKey + kData);
            out.insert(uint32_t(k[0]) << 24 | uint32_t(k[1]) << 16 | uint32_t(k[2]) << 8 | k[3]);
        }
        return out;
    }

    // The last leaf of the chain, found by following Next Page from the first.
    static uint32_t LastLeaf(const Bytes& f) {
        uint32_t p = 2;
        while (Le32(f.data() + size_t(p) * kPage + 12) != 0)
            p = Le32(f.data() + size_t(p) * kPage + 12);
        return p;
    }

    static void ExpectOrderedAndIntact(const std::vector<Record>& all) {
        for (size_t i = 0; i < all.size(); ++i) {
            ASSERT_EQ(all[i].data, DataFor(all[i].key, kData));
            if (i) {
                ASSERT_LT(all[i - 1].key, all[i].key);
            }
        }
    }

    CScratchDir dir;
    std::string path;
    Bytes file;
};

TEST_F(CheckRepairTest, RepairOfAValidIndexKeepsEveryRecordOnceAndClearsAux) {
    Build(3000, 8);
    auto all = CheckRepairScan(1, 8);
    ASSERT_EQ(all.size(), 3000u);
    ExpectOrderedAndIntact(all);
    for (uint32_t i = 0; i < 3000; ++i) ASSERT_EQ(all[i].key, OrderedKey(i, kKey));
    VindleIndex* index = VindleOpenIndex(path.c_str(), 8);
    Bytes aux(8, 0xff);
    VindleGetAuxData(index, aux.data());
    EXPECT_EQ(aux, Bytes(8, 0));
    VindleCloseIndex(index);
}

TEST_F(CheckRepairTest, TrashedRootFailsTheCheckAndRepairRestoresEveryLeaf) {
    Build(1000);
    uint32_t root = Le32(file.data() + 28);
    std::fill(PageAt(root), PageAt(root) + kPage, 0xA5);
    PageAt(root)[4] = 3;  // now claims to be a leaf, with an absurd count
    Damage();
    auto all = CheckRepairScan(0);
    ASSERT_EQ(all.size(), 1000u);
    ExpectOrderedAndIntact(all);
}

TEST_F(CheckRepairTest, ALeafWithAnImpossibleCountIsDroppedWithItsRecords) {
    Build(1000);
    uint32_t victim = 5;
    ASSERT_EQ(PageAt(victim)[4], 3);
    std::set<uint32_t> lost = KeysOfLeaf(victim);
    ASSERT_FALSE(lost.empty());
    PutLe32(PageAt(victim) + 20, 68);
    Damage();
    auto all = CheckRepairScan(0);
    EXPECT_EQ(all.size(), 1000u - lost.size());
    ExpectOrderedAndIntact(all);
    for (const Record& r : all) {
        uint32_t n = uint32_t(r.key[0]) << 24 | uint32_t(r.key[1]) << 16 | uint32_t(r.key[2]) << 8 |
                     r.key[3];
        ASSERT_EQ(lost.count(n), 0u);
    }
}

TEST_F(CheckRepairTest, DamagedLinksFailTheCheckWithoutReadingOutsideTheFile) {
    Build(400);
    const Bytes good = file;
    uint32_t pages = uint32_t(good.size() / kPage), root = Le32(good.data() + 28);
    struct Case {
        const char* what;
        std::function<void()> damage;
    } cases[] = {
        {"head type", [&] { PageAt(0)[4] = 2; }},
        {"free map size", [&] { PutLe32(PageAt(0) + 20, 4000); }},
        {"free map seq", [&] { PutLe32(PageAt(0) + 32, 1); }},
        {"root beyond the file", [&] { PutLe32(PageAt(0) + 28, pages + 10); }},
        {"root has a parent", [&] { PutLe32(PageAt(root) + 8, 2); }},
        {"child beyond the file", [&] { PutLe32(PageAt(root) + 20 + kKey, 99999); }},
        {"child listed twice",
         [&] { PutLe32(PageAt(root) + 20 + 60 + kKey, Le32(PageAt(root) + 20 + kKey)); }},
        {"leaf next is not a leaf", [&] { PutLe32(PageAt(2) + 12, root); }},
        {"leaf previous beyond the file", [&] { PutLe32(PageAt(3) + 16, pages); }},
        {"leaf without parent", [&] { PutLe32(PageAt(2) + 8, 0); }},
        {"leaf number wrong", [&] { PutLe32(PageAt(2), 7); }},
        {"too many entries", [&] { PutLe32(PageAt(root) + 16, 68); }},
        {"root without entries", [&] { PutLe32(PageAt(root) + 16, 0); }},
        {"leaves chained into a ring", [&] { PutLe32(PageAt(2) + 16, LastLeaf(good)); }},
        {"a leaf missing from its parent",
         [&] { PutLe32(PageAt(root) + 16, Le32(PageAt(root) + 16) - 1); }},
        {"root points at itself", [&] { PutLe32(PageAt(root) + 20 + kKey, root); }},
    };
    for (const Case& c : cases) {
        file = good;
        c.damage();
        Damage();
        VindleIndex* index = VindleOpenIndex(path.c_str(), 16);
        ASSERT_NE(index, nullptr) << c.what;
        EXPECT_EQ(VindleCheckIndex(index), 0) << c.what;
        VindleCloseIndex(index);
    }
}

// A free map that claims pages of the file are free must not get them overwritten.
TEST_F(CheckRepairTest, AFreeMapWithCleanedBitsNeverHandsOutPagesInUse) {
    Build(400);
    uint32_t pages = uint32_t(file.size() / kPage);
    ASSERT_GT(pages % 8, 1u);  // the last byte of the map in use covers pages of the file
    PageAt(0)[48] = 0;                    // head, root and first leaf "free"
    PageAt(0)[48 + (pages - 1) / 8] = 0;  // and the last pages of the file
    Damage();
    VindleIndex* index = VindleOpenIndex(path.c_str(), 32);
    ASSERT_NE(index, nullptr);
    for (uint32_t i = 400; i < 800; ++i) {
        Bytes k = OrderedKey(i, kKey), d = DataFor(k, kData);
        ASSERT_EQ(VindleAddKey(index, k.data(), d.data()), 1);
    }
    EXPECT_EQ(VindleCheckIndex(index), 1);
    auto all = ScanAll(index, kKey, kData);
    EXPECT_EQ(all.size(), 800u);
    ExpectOrderedAndIntact(all);
    VindleCloseIndex(index);
    Bytes after = ReadFile(path);
    EXPECT_EQ(after[4], 1);  // still the head page
    EXPECT_EQ(Le32(after.data() + 8), kPage);
}

TEST_F(CheckRepairTest, RepairWithoutAWritableTemporaryDirectoryChangesNothing) {
    Build(500);
    uint32_t root = Le32(file.data() + 28);
    PageAt(root)[4] = 7;
    Damage();
    const char* old = getenv("TMPDIR");
    std::string saved = old ? old : "";
    setenv("TMPDIR", dir.File("no-such-dir").c_str(), 1);
    VindleIndex* index = VindleOpenIndex(path.c_str(), 16);
    VindleRepairIndex(index, kPage, kKey, kData, 0, 1);
    EXPECT_EQ(VindleCheckIndex(index), 0);
    VindleCloseIndex(index);
    if (old)
        setenv("TMPDIR", saved.c_str(), 1);
    else
        unsetenv("TMPDIR");
    EXPECT_EQ(ReadFile(path), file);
}

TEST_F(CheckRepairTest, RepairKeepsEqualKeysOfANonUniqueIndex) {
    path = dir.File("dups.idx");
    ASSERT_EQ(VindleCreateIndex(path.c_str(), kPage, kKey, kData, 0, 0), 1);
    VindleIndex* index = VindleOpenIndex(path.c_str(), 16);
    Bytes k = OrderedKey(9, kKey), d = DataFor(k, kData);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(VindleAddKey(index, k.data(), d.data()), 1);
    VindleRepairIndex(index, kPage, kKey, kData, 0, 0);
    EXPECT_EQ(ScanAll(index, kKey, kData).size(), 3u);
    // Repaired into a unique index, the copies fold into one.
    VindleRepairIndex(index, kPage, kKey, kData, 0, 1);
    EXPECT_EQ(ScanAll(index, kKey, kData).size(), 1u);
    VindleCloseIndex(index);
}

}  // namespace
