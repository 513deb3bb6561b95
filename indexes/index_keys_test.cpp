#include "indexes/index_keys.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "indexes/index_file.h"

namespace corvane {
namespace {

TEST(IndexKeysTest, FileKeyIsNamePaddedToFiftyTwoThenLittleEndianLength) {
    FileKey key = MakeFileKey("pic.jpg", 0x01020304);
    EXPECT_EQ(std::string(key.begin(), key.begin() + 7), "pic.jpg");
    for (size_t i = 7; i < 52; ++i) EXPECT_EQ(key[i], 0) << "byte " << i;
    EXPECT_EQ(key[52], 0x04);
    EXPECT_EQ(key[53], 0x03);
    EXPECT_EQ(key[54], 0x02);
    EXPECT_EQ(key[55], 0x01);

    EXPECT_EQ(MakeFileKey("/save/alt.pictures/pic.jpg", 0x01020304), key)
        << "only the base name counts";
}

TEST(IndexKeysTest, LongFileNamesAreCutAtFiftyTwoBytesWithoutTerminator) {
    std::string exact(52, 'n');
    std::string longer = exact + "-part-two";
    EXPECT_EQ(MakeFileKey(exact, 99), MakeFileKey(longer, 99));
    EXPECT_NE(MakeFileKey(exact, 99), MakeFileKey(exact, 100));
    FileKey key = MakeFileKey(longer, 0);
    EXPECT_EQ(key[51], 'n');
    EXPECT_NE(MakeFileKey(std::string(51, 'n'), 99), MakeFileKey(exact, 99));
}

TEST(IndexKeysTest, GroupKeysRoundTripAndBoundScans) {
    GroupKey key = MakeGroupKey("alt.binaries");
    EXPECT_EQ(GroupNameFromKey(key), "alt.binaries");
    EXPECT_EQ(key[12], 0);
    EXPECT_EQ(key[127], 0);

    GroupKey upper = MakeGroupKey("alt.binaries", 0xFF);
    EXPECT_EQ(upper[11], 's');
    EXPECT_EQ(upper[12], 0xFF);
    EXPECT_EQ(upper[127], 0xFF);

    std::string huge(200, 'g');
    GroupKey cut = MakeGroupKey(huge);
    EXPECT_EQ(GroupNameFromKey(cut), std::string(128, 'g'));
}

TEST(IndexKeysTest, RetrievalStampIsTwoLittleEndianWords) {
    GroupAux aux = PackRetrievalStamp(50105, 93000);  // 5 January 2005, 09:30:00
    EXPECT_EQ(aux, (GroupAux{0xB9, 0xC3, 0x00, 0x00, 0x48, 0x6B, 0x01, 0x00}));
    uint32_t date = 1, time = 1;
    UnpackRetrievalStamp(aux, date, time);
    EXPECT_EQ(date, 50105u);
    EXPECT_EQ(time, 93000u);
}

TEST(IndexKeysTest, ServerNamesCannotLeaveTheDataDirectory) {
    namespace fs = std::filesystem;
    for (const std::string server :
         {"../../etc/passwd", "..", "a/../../b", "..\\..\\x", "news\nhost", "/abs/path"}) {
        fs::path path = NewsgroupIndexPath("/data/Corvane", server);
        EXPECT_EQ(path.parent_path(), "/data/Corvane") << server;
        EXPECT_EQ(path.filename().string().find(".."), std::string::npos) << server;
        EXPECT_EQ(path.extension(), ".idx") << server;
    }
    EXPECT_EQ(NewsgroupIndexPath("/d", "news.example.com"), "/d/news.example.com.idx");
    EXPECT_EQ(NewsgroupIndexPath("/d", std::string(1000, 's')).size(), 3 + 240 + 4u);
    EXPECT_EQ(FileIndexPath("/d"), "/d/filedb.idx");
}

}  // namespace
}  // namespace corvane
