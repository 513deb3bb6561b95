#include "browser/browser_view.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace corvane {
namespace {

TEST(BrowserShrink, APictureSmallerThanTheViewIsNeverEnlarged) {
    EXPECT_EQ(ShrinkToFit({100, 50}, {400, 300}), (SImageSize{100, 50}));
    EXPECT_EQ(ShrinkToFit({399, 299}, {400, 300}), (SImageSize{399, 299}));
}

TEST(BrowserShrink, ALargerPictureIsDividedByTheLargerRatio) {
    // Twice as wide as the view, half as high: width decides.
    EXPECT_EQ(ShrinkToFit({800, 150}, {400, 300}), (SImageSize{400, 75}));
    // Three times as high: height decides, and the width shrinks to match.
    EXPECT_EQ(ShrinkToFit({300, 900}, {400, 300}), (SImageSize{100, 300}));
    // Larger only in one direction still shrinks both sides.
    EXPECT_EQ(ShrinkToFit({500, 100}, {250, 300}), (SImageSize{250, 50}));
    // A picture exactly the view's size stays as it is.
    EXPECT_EQ(ShrinkToFit({400, 300}, {400, 300}), (SImageSize{400, 300}));
}

TEST(BrowserShrink, NothingIsDrawnIntoAnEmptyViewOrFromAnEmptyPicture) {
    EXPECT_EQ(ShrinkToFit({100, 100}, {0, 300}), (SImageSize{0, 0}));
    EXPECT_EQ(ShrinkToFit({100, 100}, {300, -1}), (SImageSize{0, 0}));
    EXPECT_EQ(ShrinkToFit({0, 100}, {300, 300}), (SImageSize{0, 0}));
}

TEST(BrowserScroll, BarsShowOnlyInTheDirectionsThePictureOverflows) {
    EXPECT_EQ(ScrollRangesFor({1000, 200}, {400, 300}), (SScrollRanges{600, 0, true, false}));
    EXPECT_EQ(ScrollRangesFor({200, 700}, {400, 300}), (SScrollRanges{0, 400, false, true}));
    EXPECT_EQ(ScrollRangesFor({400, 300}, {400, 300}), (SScrollRanges{}));
    EXPECT_EQ(ScrollRangesFor({1000, 1000}, {-5, 0}), (SScrollRanges{1000, 1000, true, true}));
}

class BrowserTextFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("corvane_browser_view_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const auto path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path m_dir;
};

TEST_F(BrowserTextFile, LinesEndAtLfWithTheirCrDropped) {
    const auto text = ReadTextFileLines(Write("a.txt", "first\r\nsecond\n\nlast without end"));
    EXPECT_TRUE(text.opened);
    EXPECT_TRUE(text.complete);
    EXPECT_EQ(text.lines, (std::vector<std::string>{"first", "second", "", "last without end"}));
}

TEST_F(BrowserTextFile, AnEmptyFileHasNoLinesAndAMissingOneIsNotOpened) {
    const auto empty = ReadTextFileLines(Write("empty.txt", ""));
    EXPECT_TRUE(empty.opened);
    EXPECT_TRUE(empty.complete);
    EXPECT_TRUE(empty.lines.empty());

    const auto missing = ReadTextFileLines((m_dir / "gone.txt").string());
    EXPECT_FALSE(missing.opened);
    EXPECT_TRUE(missing.lines.empty());
}

TEST_F(BrowserTextFile, ALongLineIsSplitWithoutLosingBytes) {
    const std::string longLine(kMaxTextLineBytes * 2 + 10, 'x');
    const auto text = ReadTextFileLines(Write("long.txt", longLine + "\r\nnext\n"));
    ASSERT_EQ(text.lines.size(), 4u);
    EXPECT_EQ(text.lines[0].size(), kMaxTextLineBytes);
    EXPECT_EQ(text.lines[1].size(), kMaxTextLineBytes);
    EXPECT_EQ(text.lines[2], std::string(10, 'x'));
    EXPECT_EQ(text.lines[3], "next");
}

TEST_F(BrowserTextFile, AFileOverTheCapIsCutAndSaysSo) {
    const std::string line(1023, 'y');
    std::string big;
    while (big.size() <= kMaxTextBytes) big += line + "\n";
    const auto text = ReadTextFileLines(Write("big.txt", big));
    EXPECT_TRUE(text.opened);
    EXPECT_FALSE(text.complete);
    EXPECT_EQ(text.lines.size(), kMaxTextBytes / 1024);
}

}  // namespace
}  // namespace corvane
