// Runs the decoder against a file system that really is full: a small tmpfs mounted for the
// test, which needs root. Without it the tests skip and say why.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "store/attachment_decoder.h"
#include "store/sample_articles.h"
#include "store/store_test_support.h"

namespace corvane {
namespace {

using test::CDecoderRef;

class DiskFullTest : public test::CStoreDirTest {
protected:
    void SetUp() override {
        CStoreDirTest::SetUp();
        if (::geteuid() != 0) GTEST_SKIP() << "needs root to mount a small tmpfs";
        std::filesystem::create_directory(m_dir);
        if (::mount("corvane-full", m_dir.c_str(), "tmpfs", 0, "size=64k,nr_inodes=8") != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
        }
        m_mounted = true;
    }
    void TearDown() override {
        if (m_mounted) ::umount2(m_dir.c_str(), MNT_DETACH);
        CStoreDirTest::TearDown();
    }
    // Takes every block there is.
    void FillUp() {
        std::ofstream filler(File("filler"), std::ios::binary);
        const std::string block(4096, 'f');
        for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) filler.flush();
    }

    bool m_mounted = false;
};

TEST_F(DiskFullTest, RunningOutWhileWritingLeavesNoPartialFile) {
    const auto lines = UuencodedLines(SampleBytes(200 * 1024, 1), "big.jpg");
    CDecoderRef decoder(NewDecoder());
    EXPECT_EQ(FeedAll(*decoder, lines), EFeed::kDiskFull);
    EXPECT_EQ(decoder->FeedLine(lines[1]), EFeed::kDiskFull) << "it keeps saying so";
    decoder->Abort();
    EXPECT_TRUE(ListTree(m_dir).empty());
}

TEST_F(DiskFullTest, RunningOutWhenTheLastBytesAreWrittenFailsFinish) {
    FillUp();
    CDecoderRef decoder(NewDecoder());
    auto lines = UuencodedLines(SampleBytes(100, 2), "small2.jpg");
    lines.pop_back();  // no "end": Finish writes the bytes
    ASSERT_EQ(FeedAll(*decoder, lines), EFeed::kGoOn) << "the bytes wait in the write buffer";
    EXPECT_EQ(decoder->Finish(), EFeed::kDiskFull);
    decoder->Abort();
    EXPECT_EQ(ListTree(m_dir), std::vector<std::string>{"filler"});
    EXPECT_TRUE(m_registry.m_remembered.empty());
}

TEST_F(DiskFullTest, NoRoomForAnotherFileIsDiskFull) {
    for (int i = 0; i < 16; ++i) std::ofstream(File("f" + std::to_string(i)));
    CDecoderRef decoder(NewDecoder());
    EXPECT_EQ(decoder->FeedLine("begin 644 one-too-many.jpg"), EFeed::kDiskFull);
    EXPECT_EQ(decoder->Path(), "");
}

}  // namespace
}  // namespace corvane
