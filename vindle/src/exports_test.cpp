// The library's face to the program: exactly the exported functions, and failures that end
// the process through the program's reporter with their fixed texts, leaving the next user
// of the index able to recover it.
#include <stdio.h>

#include <algorithm>
#include <set>

#include "test_support.h"

using namespace vindle_test;

// The program's reporter. This test program defines it; the tree tests rely on the default.
extern "C" void VindleReportFatal(const char* text) {
    fprintf(stderr, "reporter got: %s\n", text);
    fflush(stderr);
}

namespace {

void AddOrdered(VindleIndex* index, uint32_t from, uint32_t to) {
    for (uint32_t i = from; i < to; ++i) {
        Bytes k = OrderedKey(i, 8), d = DataFor(k, 4);
        VindleAddKey(index, k.data(), d.data());
    }
}

std::set<std::string> ExportedNames() {
    std::set<std::string> names;
    std::string cmd = std::string("nm -D --defined-only ") + VINDLE_LIBRARY;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return names;
    char line[512];
    while (fgets(line, sizeof line, p)) {
        char addr[64], type[8], name[256];
        if (sscanf(line, "%63s %7s %255s", addr, type, name) == 3) names.insert(name);
    }
    pclose(p);
    return names;
}

TEST(ExportsTest, TheLibraryExportsExactlyItsFunctionTable) {
    std::set<std::string> expected = {
        "VindleCreateIndex", "VindleOpenIndex",  "VindleCloseIndex",      "VindleAddKey",
        "VindleCheckIndex",  "VindleCreateScan", "VindleCreateScanRange", "VindleScanGetNext",
        "VindleScanGetPrev", "VindleScanClose",  "VindleGetAuxData",      "VindleSetAuxData",
        "VindleDumpIndex",   "VindleRepairIndex"};
    EXPECT_EQ(ExportedNames(), expected);
}

TEST(ExportsTest, FailuresReachTheReporterWithTheirTextsAndEndTheProcess) {
    CScratchDir dir;
    std::string path = dir.File("nobuffers.idx");
    ASSERT_EQ(VindleCreateIndex(path.c_str(), 4096, 56, 4, 0, 1), 1);
    VindleIndex* index = VindleOpenIndex(path.c_str(), 0);  // a cache without buffers
    ASSERT_NE(index, nullptr);
    Bytes k(56, 1), d(4, 2);
    // The check first: once a process has died inside a change, the check fails without
    // reading anything.
    EXPECT_EXIT(VindleCheckIndex(index), ::testing::ExitedWithCode(1),
                "reporter got: BufferException in VindleCheckIndex 6 - Corvane will terminate\\.");
    EXPECT_EXIT(VindleAddKey(index, k.data(), d.data()), ::testing::ExitedWithCode(1),
                "^reporter got: BufferException in VindleAddKey 6 - Corvane will terminate\\.\n$");
    EXPECT_EXIT(VindleCreateScanRange(index, k.data(), k.data()), ::testing::ExitedWithCode(1),
                "reporter got: BufferException in VindleCreateScan 6 - Corvane will terminate\\.");
    EXPECT_EXIT(VindleGetAuxData(index, d.data()), ::testing::ExitedWithCode(1),
                "reporter got: BufferException in VindleGetAuxData 6 - Corvane will terminate\\.");
    EXPECT_EXIT(VindleCreateIndex(dir.File("no/such/dir.idx").c_str(), 4096, 56, 4, 0, 1),
                ::testing::ExitedWithCode(1),
                "reporter got: VindleException in VindleCreateIndex 1 - Corvane will terminate\\.");
    VindleCloseIndex(index);
}

// A process that dies in the middle of changing an index (here: the free map runs out) holds
// the library mutex when it goes. The next caller must get the mutex, and the check must send
// the index to repair, which keeps every record of every intact leaf.
TEST(ExportsTest, AProcessDyingInsideAnAddLeavesAnIndexTheNextUserRepairs) {
    CScratchDir dir;
    std::string path = dir.File("full.idx");
    ASSERT_EQ(VindleCreateIndex(path.c_str(), 128, 8, 4, 0, 1), 1);
    VindleIndex* index = VindleOpenIndex(path.c_str(), 64);
    ASSERT_NE(index, nullptr);
    const uint32_t safe = 1000;  // far below what 640 pages hold
    for (uint32_t i = 0; i < safe; ++i) {
        Bytes k = OrderedKey(i, 8), d = DataFor(k, 4);
        ASSERT_EQ(VindleAddKey(index, k.data(), d.data()), 1);
    }
    EXPECT_EXIT(AddOrdered(index, safe, 100000), ::testing::ExitedWithCode(1), "VindleAddKey 5");

    EXPECT_EQ(VindleCheckIndex(index), 0);
    VindleRepairIndex(index, 128, 8, 4, 0, 1);
    EXPECT_EQ(VindleCheckIndex(index), 1);
    // The dead process's own adds were in the shared cache: they may be there too.
    auto all = ScanAll(index, 8, 4);
    ASSERT_GE(all.size(), safe);
    for (uint32_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(all[i].key, OrderedKey(i, 8));
        ASSERT_EQ(all[i].data, DataFor(all[i].key, 4));
    }
    VindleCloseIndex(index);
}

TEST(ExportsTest, NullHandlesAreRefusedQuietly) {
    Bytes k(56), d(4);
    EXPECT_EQ(VindleOpenIndex(nullptr, 8), nullptr);
    EXPECT_EQ(VindleAddKey(nullptr, k.data(), d.data()), 0);
    EXPECT_EQ(VindleCheckIndex(nullptr), 0);
    EXPECT_EQ(VindleCreateScan(nullptr), nullptr);
    EXPECT_EQ(VindleScanGetNext(nullptr, k.data(), d.data()), 0);
    VindleScanClose(nullptr);
    EXPECT_EQ(VindleCloseIndex(nullptr), 0);
}

}  // namespace
