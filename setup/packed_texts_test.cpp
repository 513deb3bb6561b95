#include "setup/packed_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

TEST(PackedTexts, StartsEmptyWithoutABlock) {
    CPackedTexts t;
    for (std::size_t i = 0; i < CPackedTexts::kCount; ++i) EXPECT_EQ(t.Get(i), "");
    EXPECT_EQ(t.Block(), nullptr);
    EXPECT_EQ(t.BlockSize(), 0u);
    EXPECT_EQ(t.Get(CPackedTexts::kCount), "");  // past the last slot
}

TEST(PackedTexts, SetOneKeepsTheOthers) {
    CPackedTexts t;
    t.SetAll({"subject", "from", "id@x", "", "name.jpg"});
    t.Set(2, "a much longer message id than before @ example");
    EXPECT_EQ(t.Get(0), "subject");
    EXPECT_EQ(t.Get(1), "from");
    EXPECT_EQ(t.Get(2), "a much longer message id than before @ example");
    EXPECT_EQ(t.Get(3), "");
    EXPECT_EQ(t.Get(4), "name.jpg");
    t.Set(4, "");
    EXPECT_EQ(t.Get(4), "");
    EXPECT_EQ(t.Get(0), "subject");
}

TEST(PackedTexts, BlockIsOneLengthBytePerShortTextPlusTheTexts) {
    CPackedTexts t;
    t.SetAll({"abc", "de", "", "", "f"});
    EXPECT_EQ(t.BlockSize(), 1u + 5u + 6u);
    t.Set(3, std::string(200, 'd'));  // a length of two bytes
    EXPECT_EQ(t.BlockSize(), 1u + 6u + 206u);
    t.SetAll({});
    EXPECT_EQ(t.Block(), nullptr);
}

TEST(PackedTexts, LengthsAtTheFieldBoundariesAndPastSixteenBits) {
    // 127 and 128 straddle one length byte; 70,000 needs more than 16 bits.
    for (std::size_t n : {127u, 128u, 16383u, 16384u, 65535u, 65536u, 70000u}) {
        const std::string big(n, 'x');
        const std::string other = "after " + std::to_string(n);
        CPackedTexts t;
        t.SetAll({"s", big, other, big, "end"});
        EXPECT_EQ(t.Get(1), big) << n;
        EXPECT_EQ(t.Get(2), other) << n;
        EXPECT_EQ(t.Get(3), big) << n;
        EXPECT_EQ(t.Get(4), "end") << n;
        EXPECT_EQ(t.Get(0), "s") << n;
    }
}

TEST(PackedTexts, ValuesMayComeFromTheBlockItself) {
    CPackedTexts t;
    t.SetAll({"one", "two", "three", "four", "five"});
    t.Set(0, t.Get(4));
    EXPECT_EQ(t.Get(0), "five");
    CPackedTexts::Views all = t.GetAll();
    std::swap(all[1], all[2]);
    t.SetAll(all);
    EXPECT_EQ(t.Get(1), "three");
    EXPECT_EQ(t.Get(2), "two");
    EXPECT_EQ(t.Get(4), "five");
}

TEST(PackedTexts, BytesAreKeptAsGivenIncludingNulAndHighBytes) {
    const std::string odd("a\0b\xFF\x80", 5);
    CPackedTexts t;
    t.Set(3, odd);
    EXPECT_EQ(t.Get(3), odd);
    EXPECT_EQ(t.Get(3).size(), 5u);
}

}  // namespace
}  // namespace corvane
