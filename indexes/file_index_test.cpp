#include "indexes/file_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "indexes/index_file.h"
#include "indexes/index_test_support.h"

namespace corvane {
namespace {

class FileIndexTest : public test::CIndexDirTest {
protected:
    CRecordingPrompt m_prompt;
};

TEST_F(FileIndexTest, NameAndLengthTogetherIdentifyAFile) {
    CFileIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open());
    EXPECT_TRUE(m_prompt.Messages().empty());
    EXPECT_TRUE(std::filesystem::exists(File("filedb.idx")));

    EXPECT_FALSE(index.FileKnown("pic.jpg", 1000));
    EXPECT_EQ(index.RememberFile("pic.jpg", 1000), 1);
    EXPECT_EQ(index.RememberFile("pic.jpg", 1001), 1) << "another length is another file";
    EXPECT_EQ(index.RememberFile("pic.jpg", 1000), 0) << "already known";
    EXPECT_TRUE(index.FileKnown("pic.jpg", 1000));
    EXPECT_TRUE(index.FileKnown("pic.jpg", 1001));
    EXPECT_FALSE(index.FileKnown("pic.jpg", 1002));
    EXPECT_FALSE(index.FileKnown("pic.jpeg", 1000));
    EXPECT_FALSE(index.FileKnown("", 1000));
}

TEST_F(FileIndexTest, NamesAgreeingInTheirFirstFiftyTwoBytesAreOneFile) {
    CFileIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open());
    const std::string name52(52, 'x');
    const std::string name60 = name52 + "-longer!";
    EXPECT_EQ(index.RememberFile(name52, 4096), 1);
    EXPECT_TRUE(index.FileKnown(name60, 4096));
    EXPECT_EQ(index.RememberFile(name60, 4096), 0);
    EXPECT_FALSE(index.FileKnown(name60, 4097));
}

TEST_F(FileIndexTest, KnownFilesSurviveReopeningInTheDefaultDirectory) {
    {
        CFileIndex index(m_prompt);  // the directory comes from CORVANE_HOME
        EXPECT_EQ(index.Path(), File("filedb.idx"));
        ASSERT_TRUE(index.Open());
        for (int i = 0; i < 300; ++i) {
            ASSERT_EQ(index.RememberFile("file" + std::to_string(i) + ".bin", i), 1);
        }
    }
    CFileIndex again(m_prompt, m_dir);
    ASSERT_TRUE(again.Open());
    for (int i = 0; i < 300; ++i)
        EXPECT_TRUE(again.FileKnown("file" + std::to_string(i) + ".bin", i));
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_F(FileIndexTest, ADamagedLeafIsReportedRepairedAndStillAnswers) {
    {
        CFileIndex index(m_prompt, m_dir);
        ASSERT_TRUE(index.Open());
        for (int i = 0; i < 200; ++i) index.RememberFile("f" + std::to_string(i), 7);
    }
    DamageFirstLeaf(File("filedb.idx"));

    CFileIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open());
    ASSERT_EQ(m_prompt.Messages(), std::vector<std::string>{"Error in filedb.idx, repairing"});
    for (int i = 0; i < 200; ++i) EXPECT_TRUE(index.FileKnown("f" + std::to_string(i), 7)) << i;
    EXPECT_EQ(index.RememberFile("f0", 7), 0);
    EXPECT_EQ(index.RememberFile("new", 7), 1);
    index.Close();

    m_prompt.Clear();
    ASSERT_TRUE(index.Open());
    EXPECT_TRUE(m_prompt.Messages().empty()) << "the repaired file passes the check";
    EXPECT_TRUE(index.FileKnown("new", 7));
}

TEST_F(FileIndexTest, UnusableFilesAreReplacedByANewIndex) {
    // A truncated file, then an index of another record layout: the library would read the
    // wrong number of bytes from our keys, so both must be replaced rather than used.
    WriteBytes(File("filedb.idx"), {1, 2, 3, 4, 5});
    {
        CFileIndex index(m_prompt, m_dir);
        ASSERT_TRUE(index.Open());
        EXPECT_EQ(index.RememberFile("a", 1), 1);
    }
    const SIndexLayout& other = kGroupIndexLayout;
    ASSERT_EQ(VindleCreateIndex(File("filedb.idx").c_str(), other.pageSize, other.keySize,
                                other.dataSize, other.auxSize, other.unique),
              1);
    CFileIndex index(m_prompt, m_dir);
    ASSERT_TRUE(index.Open());
    EXPECT_FALSE(index.FileKnown("a", 1));
    EXPECT_EQ(index.RememberFile("a", 1), 1);
    EXPECT_EQ(ReadBytes(File("filedb.idx"))[12], 56) << "the file has the file-key layout again";
    EXPECT_TRUE(m_prompt.Messages().empty());
}

TEST_F(FileIndexTest, ADirectoryThatCannotHoldTheFileIsFatal) {
    WriteBytes(File("blocker"), {'x'});
    CFileIndex index(m_prompt, File("blocker") + "/sub");
    EXPECT_FALSE(index.Open());
    EXPECT_EQ(m_prompt.Messages(),
              std::vector<std::string>{
                  "There has been a fatal error with the database,  Corvane will terminate"});
    EXPECT_FALSE(index.IsOpen());
    EXPECT_FALSE(index.FileKnown("a", 1));
    EXPECT_EQ(index.RememberFile("a", 1), 0);
}

}  // namespace
}  // namespace corvane
