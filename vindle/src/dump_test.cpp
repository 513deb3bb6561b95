// The text dump: exact lines for the head page, the free map, non-leaf and leaf pages.
#include <fcntl.h>

#include "test_support.h"

using namespace vindle_test;

namespace {

// Runs a dump with standard output sent to a file, and returns what it printed.
std::string CaptureDump(VindleIndex* index, const std::string& into) {
    fflush(stdout);
    int saved = dup(1);
    int fd = open(into.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    close(fd);
    VindleDumpIndex(index);
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    Bytes b = ReadFile(into);
    return std::string(b.begin(), b.end());
}

std::string FreeMapRows(int rows, const std::string& first) {
    std::string out;
    for (int r = 0; r < rows; ++r) {
        char label[16];
        snprintf(label, sizeof label, "%.4x  ", r * 64);
        std::string bits = r == 0 ? first : "";
        bits.resize(64, '.');
        out += label + bits + "\n";
    }
    return out;
}

TEST(DumpTest, PrintsHeadRootAndLeavesInItsOwnFormat) {
    CScratchDir dir;
    std::string path = dir.File("dump.idx");
    ASSERT_EQ(VindleCreateIndex(path.c_str(), 128, 8, 4, 0, 1), 1);
    VindleIndex* index = VindleOpenIndex(path.c_str(), 16);
    ASSERT_NE(index, nullptr);
    const std::string rule = "------------------\n";
    const std::string headLines = rule + "Head Page 1c #0\n" + rule +
                                  "Data Size 4\nKey  Size 8\nPage Size 128\nFree Map Size 80\n"
                                  "Next Free Map 0\nFree Map Seq  0\n";

    EXPECT_EQ(CaptureDump(index, dir.File("out1")),
              headLines + "Root Page 1\n" + FreeMapRows(10, "XXX") + rule + "NL Page 2c #1\n" +
                  rule + "Parent Page 0\nNo Keys 1\nLastLevel 1\n -> 2\n" + rule +
                  "Leaf Page 3c #2\n" + rule +
                  "Parent Page 1\nNo Keys 0\nPrevious Page 0\nNext     Page 0\n");

    // Nine records split the leaf (capacity 8); keys print up to their first zero byte.
    const char* words[] = {"apple", "banana", "cherry", "damson",  "elder",
                           "fig",   "grape",  "hazel",  "iceberg!"};
    for (const char* w : words) {
        Bytes k(8, 0), d(4, 0);
        memcpy(k.data(), w, strlen(w));
        memcpy(d.data(), w, 2);
        ASSERT_EQ(VindleAddKey(index, k.data(), d.data()), 1);
    }
    std::string leaf2 = rule + "Leaf Page 3c #2\n" + rule +
                        "Parent Page 1\nNo Keys 4\nPrevious Page 0\nNext     Page 3\n"
                        "apple -> ap\nbanana -> ba\ncherry -> ch\ndamson -> da\n";
    std::string leaf3 = rule + "Leaf Page 3c #3\n" + rule +
                        "Parent Page 1\nNo Keys 5\nPrevious Page 2\nNext     Page 0\n"
                        "elder -> el\nfig -> fi\ngrape -> gr\nhazel -> ha\niceberg! -> ic\n";
    EXPECT_EQ(CaptureDump(index, dir.File("out2")),
              headLines + "Root Page 1\n" + FreeMapRows(10, "XXXX") + rule + "NL Page 2c #1\n" +
                  rule + "Parent Page 0\nNo Keys 2\nLastLevel 1\n -> 2\nelder -> 3\n" + leaf2 +
                  leaf3);
    VindleCloseIndex(index);
}

}  // namespace
