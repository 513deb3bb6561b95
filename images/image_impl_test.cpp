#include "images/image_impl.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ImageImpl, CreateLaysOutHeaderTableAndPaddedRows) {
    struct Case {
        int width, height, bits, stride, entries;
    };
    for (const Case c : {Case{1, 1, 1, 4, 2}, Case{33, 2, 1, 8, 2}, Case{9, 3, 4, 8, 16},
                         Case{5, 4, 8, 8, 256}, Case{3, 5, 24, 12, 0}, Case{4, 1, 24, 12, 0}}) {
        CImageImpl image;
        ASSERT_TRUE(image.Create(c.width, c.height, c.bits));
        EXPECT_EQ(image.Stride(), c.stride) << c.width << "@" << c.bits;
        EXPECT_EQ(image.ColorTableEntries(), c.entries);
        EXPECT_EQ(image.HeaderSize(), 40);
        EXPECT_EQ(image.PixelOffset(), size_t(40 + 4 * c.entries));
        EXPECT_EQ(image.Bitmap().size(), image.PixelOffset() + size_t(c.stride * c.height));
        EXPECT_EQ(image.ColorType(), c.bits <= 8 ? CImageImpl::kColorGray : 2);
        EXPECT_EQ(image.Row(c.height - 1) + c.stride,
                  image.Bitmap().data() + image.Bitmap().size());
        EXPECT_EQ(image.Row(c.height), nullptr);
        EXPECT_EQ(image.Row(-1), nullptr);
    }
    CImageImpl given;
    ASSERT_TRUE(given.Create(2, 2, 8, CImageImpl::kColorPalette));
    EXPECT_EQ(given.ColorType(), CImageImpl::kColorPalette);
}

TEST(ImageImpl, CreateRefusesBadDepthsAndDecompressionBombs) {
    CImageImpl image;
    ASSERT_TRUE(image.Create(4, 4, 8));
    image.SetGrayPalette(4);
    image.SetTransparentIndex(2);
    for (auto [w, h, bits] :
         {std::tuple{4, 4, 16}, std::tuple{4, 4, 32}, std::tuple{0, 4, 8}, std::tuple{4, -1, 8},
          std::tuple{16385, 1, 8}, std::tuple{1, 16385, 8}, std::tuple{10001, 10000, 1}}) {
        EXPECT_FALSE(image.Create(w, h, bits)) << w << "x" << h << "@" << bits;
        EXPECT_FALSE(image.HasBitmap());
        EXPECT_FALSE(image.HasPalette());
        EXPECT_EQ(image.TransparentIndex(), -1);
        EXPECT_EQ(image.Pixels(), nullptr);
    }
    EXPECT_TRUE(CImageImpl::SizeAllowed(16384, 6103));
    EXPECT_FALSE(CImageImpl::SizeAllowed(16384, 6104));
}

TEST(ImageImpl, PackedIndicesLeaveTheirNeighboursAlone) {
    for (int bits : {1, 4, 8}) {
        CImageImpl image;
        ASSERT_TRUE(image.Create(11, 3, bits));
        const int top = (1 << bits) - 1;
        for (int x = 0; x < 11; ++x) image.SetIndex(x, 1, (x * 5) & top);
        image.SetIndex(4, 1, top);
        image.SetIndex(5, 1, 0);
        for (int x = 0; x < 11; ++x) {
            const int want = x == 4 ? top : x == 5 ? 0 : (x * 5) & top;
            EXPECT_EQ(image.GetIndex(x, 1), want) << bits << " bits, x " << x;
            EXPECT_EQ(image.GetIndex(x, 0), 0);
            EXPECT_EQ(image.GetIndex(x, 2), 0);
        }
        image.SetIndex(11, 1, top);
        image.SetIndex(-1, 1, top);
        EXPECT_EQ(image.GetIndex(11, 1), -1);
        EXPECT_EQ(image.GetIndex(0, 3), -1);
        EXPECT_EQ(image.GetIndex(-1, 0), -1);
    }
    // The first pixel sits in the high bits of its byte.
    CImageImpl mono;
    ASSERT_TRUE(mono.Create(8, 1, 1));
    mono.SetIndex(0, 0, 1);
    EXPECT_EQ(mono.Row(0)[0], 0x80);
}

TEST(ImageImpl, ColoursGoThroughThePaletteOrAreStoredBlueGreenRed) {
    CImageImpl rgb;
    ASSERT_TRUE(rgb.Create(2, 2, 24));
    rgb.SetColor(1, 1, {10, 20, 30});
    const uint8_t* p = rgb.Row(1) + 3;
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    EXPECT_EQ(rgb.GetColor(1, 1), (SRgb{10, 20, 30}));
    EXPECT_EQ(rgb.GetIndex(1, 1), -1);
    EXPECT_EQ(rgb.GetColor(2, 0), SRgb{});

    CImageImpl pal;
    ASSERT_TRUE(pal.Create(2, 1, 8));
    pal.SetPalette({{0, 0, 0}, {250, 0, 0}, {0, 0, 250}, {255, 255, 255}});
    pal.SetColor(0, 0, {200, 30, 40});
    pal.SetColor(1, 0, {240, 240, 230});
    EXPECT_EQ(pal.GetIndex(0, 0), 1);
    EXPECT_EQ(pal.GetIndex(1, 0), 3);
    EXPECT_EQ(pal.GetColor(0, 0), (SRgb{250, 0, 0}));
    pal.SetIndex(0, 0, 200);
    EXPECT_EQ(pal.GetColor(0, 0), SRgb{}) << "an index past the palette reads as black";
}

TEST(ImageImpl, PaletteFillsColourTableAndColourType) {
    CImageImpl image;
    ASSERT_TRUE(image.Create(1, 1, 4));
    EXPECT_EQ(image.ColorType(), 0);
    image.SetGrayPalette(16);
    EXPECT_EQ(image.ColorType(), 3);
    ASSERT_EQ(image.Palette().size(), 16u);
    EXPECT_EQ(image.Palette()[1], (SRgb{16, 16, 16}));
    EXPECT_EQ(image.Palette()[15], (SRgb{240, 240, 240}));

    const uint8_t rgb[] = {1, 2, 3, 4, 5, 6};
    std::vector<std::string> notices;
    image.SetNoticeSink([&](const std::string& text) { notices.push_back(text); });
    image.SetPaletteRgb(2, rgb);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], "CImageImpl::imagePalette already exists!");
    const uint8_t* table = image.Bitmap().data() + 40;
    EXPECT_EQ(std::vector<uint8_t>(table, table + 8),
              (std::vector<uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));
    // Entries past the new palette keep what they had.
    EXPECT_EQ(table[8], 32);

    CImageImpl fresh;
    fresh.SetNoticeSink([&](const std::string& text) { notices.push_back(text); });
    ASSERT_TRUE(fresh.Create(1, 1, 8));
    fresh.SetPaletteRgb(2, rgb);
    EXPECT_EQ(notices.size(), 1u);
    // A palette bigger than the table only fills what the table holds.
    CImageImpl mono;
    ASSERT_TRUE(mono.Create(1, 1, 1));
    mono.SetGrayPalette(256);
    EXPECT_EQ(mono.Bitmap().size(), 40u + 8u + 4u);
}

}  // namespace
}  // namespace corvane
