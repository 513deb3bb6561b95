#include "store/line_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane {
namespace {

TEST(UuLineTest, OnlyLinesWhoseLengthFitsTheirCountAreData) {
    EXPECT_EQ(UuLineByteCount("#0V%T"), 3u) << "'#' counts 3 bytes: one group";
    EXPECT_EQ(UuLineByteCount("#0V%T1"), 3u)
        << "up to three characters after the group are ignored";
    EXPECT_EQ(UuLineByteCount("#0V%T123"), 3u);
    EXPECT_EQ(UuLineByteCount("#0V%T1234"), 0u) << "one group too many";
    EXPECT_EQ(UuLineByteCount("#86)"), 0u) << "one character short";
    EXPECT_EQ(UuLineByteCount("`"), 0u) << "the zero-length line that ends every file";
    EXPECT_EQ(UuLineByteCount(" "), 0u);
    EXPECT_EQ(UuLineByteCount(""), 0u);
    EXPECT_EQ(UuLineByteCount("begin 644 a.jpg"), 0u);
    // 'M' = 45 bytes = 15 groups: 61 characters.
    EXPECT_EQ(UuLineByteCount("M" + std::string(60, '!')), 45u);
    EXPECT_EQ(UuLineByteCount("M" + std::string(59, '!')), 0u);
}

TEST(UuLineTest, DecodesGroupsAndKeepsOnlyTheCountedBytes) {
    std::vector<std::uint8_t> out(kUuLineRoom, 0xee);
    DecodeUuLine("#0V%T", 3, out.data());
    EXPECT_EQ(std::string(out.begin(), out.begin() + 3), "Cat");
    // A backquote is a zero value like a blank; "!" is 1.
    DecodeUuLine("\"`!``", 2, out.data());
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0x10);
}

// Every count a line can carry, with every byte value as a character (above 127 too): the word
// and vector paths must agree with the one-character-at-a-time rule.
TEST(UuLineTest, WholeWordDecodingAgreesWithTheCharacterRule) {
    std::uint32_t x = 12345;
    for (std::size_t count = 1; count <= 63; ++count) {
        const std::size_t groups = (count + 2) / 3;
        for (int round = 0; round < 20; ++round) {
            std::string line(1, static_cast<char>(32 + count));
            for (std::size_t i = 0; i < 4 * groups; ++i) {
                x = x * 1103515245u + 12345u;
                line.push_back(static_cast<char>(x >> 24));
            }
            ASSERT_EQ(UuLineByteCount(line), count);
            std::vector<std::uint8_t> expected;
            for (std::size_t g = 0; g < groups; ++g) {
                unsigned v[4];
                for (int k = 0; k < 4; ++k) {
                    v[k] = (static_cast<unsigned char>(line[1 + 4 * g + k]) - 32u) & 63u;
                }
                expected.push_back(static_cast<std::uint8_t>(v[0] * 4 + v[1] / 16));
                expected.push_back(static_cast<std::uint8_t>(v[1] * 16 + v[2] / 4));
                expected.push_back(static_cast<std::uint8_t>(v[2] * 64 + v[3]));
            }
            expected.resize(count);
            std::vector<std::uint8_t> out(kUuLineRoom);
            DecodeUuLine(line, count, out.data());
            out.resize(count);
            ASSERT_EQ(out, expected) << "count " << count;
        }
    }
}

TEST(Base64LineTest, TheTestLooksAtWholeGroupsOnly) {
    EXPECT_TRUE(IsBase64Line("QUJD"));
    EXPECT_TRUE(IsBase64Line("QUJD-:"));  // the tail after the last whole group is ignored
    EXPECT_TRUE(IsBase64Line("QQ=="));
    EXPECT_TRUE(IsBase64Line("")) << "nothing to test, nothing to decode";
    EXPECT_FALSE(IsBase64Line("QU-D"));
    EXPECT_FALSE(IsBase64Line("--=_boundary"));
    EXPECT_FALSE(IsBase64Line("Content-Type: text/plain"));
    EXPECT_FALSE(IsBase64Line(std::string("QUJ\xc3", 4))) << "bytes above 127 are not base64";
}

TEST(Base64LineTest, PaddingGivesTwoOrOneBytes) {
    std::vector<std::uint8_t> out(12);
    EXPECT_EQ(DecodeBase64Groups("QUJD", 1, out.data()), 3u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 3), "ABC");
    EXPECT_EQ(DecodeBase64Groups("QUI=", 1, out.data()), 2u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 2), "AB");
    EXPECT_EQ(DecodeBase64Groups("QQ==", 1, out.data()), 1u);
    EXPECT_EQ(out[0], 'A');
    EXPECT_EQ(DecodeBase64Groups("QQ==QUJD", 2, out.data()), 4u) << "padding inside a line";
    EXPECT_EQ(std::string(out.begin(), out.begin() + 4), "AABC");
    EXPECT_EQ(DecodeBase64Groups("+/+/", 1, out.data()), 3u);
    EXPECT_EQ(out[0], 0xfb);
    EXPECT_EQ(out[1], 0xff);
    EXPECT_EQ(out[2], 0xbf);
}

TEST(Base64LineTest, TheOnePassDecoderRejectsWhatTheTestRejects) {
    std::vector<std::uint8_t> out(12);
    std::size_t written = 0;
    ASSERT_TRUE(DecodeBase64Checked("QUJDQQ==", 2, out.data(), written));
    EXPECT_EQ(std::string(out.begin(), out.begin() + written), "ABCA");
    EXPECT_FALSE(DecodeBase64Checked("QUJDQ-==", 2, out.data(), written));
    EXPECT_FALSE(DecodeBase64Checked("Q\x80JD", 1, out.data(), written));
    EXPECT_TRUE(DecodeBase64Checked("", 0, out.data(), written));
    EXPECT_EQ(written, 0u);
}

}  // namespace
}  // namespace corvane
