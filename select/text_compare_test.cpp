#include "select/text_compare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace corvane {
namespace {

TEST(TextCompareTest, FoldingTouchesOnlyAsciiLetters) {
    EXPECT_TRUE(EqualsIgnoreCase("Vacation.JPG", "vACATION.jpg"));
    EXPECT_FALSE(EqualsIgnoreCase("abc", "abcd"));
    // Bytes of other code-page letters are not folded, so they must match exactly.
    EXPECT_FALSE(EqualsIgnoreCase("\xe9t\xe9", "\xc9T\xc9"));
    EXPECT_TRUE(EqualsIgnoreCase("\xe9T\xe9", "\xe9t\xe9"));
    // '@' and '[' sit next to the capitals and must not be taken for letters.
    EXPECT_FALSE(EqualsIgnoreCase("@[", "`{"));
}

TEST(TextCompareTest, ContainsIgnoreCaseFindsAnywhereWithinTheWindow) {
    EXPECT_TRUE(ContainsIgnoreCase("My Holiday Pictures", "holiday"));
    EXPECT_TRUE(ContainsIgnoreCase("abc", ""));
    EXPECT_TRUE(ContainsIgnoreCase("", ""));
    EXPECT_FALSE(ContainsIgnoreCase("", "a"));
    EXPECT_TRUE(ContainsIgnoreCase("xxABAB", "abab"));
    EXPECT_TRUE(ContainsIgnoreCase("aab", "AB"));  // a restart after a partial match
    EXPECT_FALSE(ContainsIgnoreCase("ab", "abc"));
    // Candidates of either case, in either order, before the real match.
    EXPECT_TRUE(ContainsIgnoreCase("aXbxc", "xC"));
    EXPECT_TRUE(ContainsIgnoreCase("xaXbXC", "xc"));
    EXPECT_FALSE(ContainsIgnoreCase("xaXbXd", "xc"));
    EXPECT_TRUE(ContainsIgnoreCase("--a-b", "-B"));  // a first byte with no case
    EXPECT_TRUE(ContainsIgnoreCase("abcsS", "Ss"));  // the last place a match can start
    EXPECT_FALSE(ContainsIgnoreCase("abcsS", "Ssx"));
    const std::string tail = std::string(kIgnoreCaseSearchLimit - 3, 'x') + "needle";
    EXPECT_FALSE(ContainsIgnoreCase(tail, "needle"));  // runs past the 1,999th byte
    EXPECT_TRUE(ContainsIgnoreCase(tail, "nee"));      // ends on the 1,999th byte
}

TEST(TextCompareTest, ParseDecimal) {
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    };
    const Case cases[] = {
        {"5", true, 5},
        {" 42 ", true, 42},
        {"-17", true, -17},
        {"+3", true, 3},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"12abc", false, 0},
        {"1 2", false, 0},
        {"0x10", false, 0},
    };
    for (const Case& c : cases) {
        std::int32_t value = 0;
        EXPECT_EQ(ParseDecimal(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

}  // namespace
}  // namespace corvane
