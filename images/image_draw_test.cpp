#include "images/image_draw.h"

#include <gtest/gtest.h>

#include <vector>

namespace corvane {
namespace {

// A drawing surface over a plain buffer of colours, top row first, as a window would show it.
class CRgbSurface : public IDrawSurface {
public:
    CRgbSurface(int width, int height, SRgb fill)
        : m_width(width), m_height(height), m_pixels(size_t(width) * size_t(height), fill) {}

    SRgb At(int x, int y) const { return m_pixels[size_t(y) * size_t(m_width) + size_t(x)]; }
    int Realised() const { return m_realised; }

    void RealisePalette(std::span<const SRgb>) override { ++m_realised; }

    void StretchBits(const SBitmapView& bitmap, SDrawRect dest, SDrawRect source,
                     ERasterOp op) override {
        if (dest.width <= 0 || dest.height <= 0) return;
        for (int j = 0; j < dest.height; ++j) {
            for (int i = 0; i < dest.width; ++i) {
                const int x = dest.x + i;
                const int y = dest.y + j;
                if (x < 0 || y < 0 || x >= m_width || y >= m_height) continue;
                const int sx = source.x + i * source.width / dest.width;
                const int sy = source.y + j * source.height / dest.height;
                if (sx >= bitmap.width || sy >= bitmap.height) continue;
                SRgb& out = m_pixels[size_t(y) * size_t(m_width) + size_t(x)];
                out = Combine(out, ColorOf(bitmap, sx, sy), op);
            }
        }
    }

private:
    static SRgb ColorOf(const SBitmapView& bitmap, int x, int y) {
        const uint8_t* row = bitmap.pixels + size_t(bitmap.height - 1 - y) * size_t(bitmap.stride);
        if (bitmap.bitsPerPixel == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        const int bits = bitmap.bitsPerPixel;
        const int bit = x * bits;
        const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
        return bitmap.palette[size_t(index)];
    }

    static SRgb Combine(SRgb dest, SRgb src, ERasterOp op) {
        switch (op) {
            case ERasterOp::kAnd:
                return {uint8_t(dest.red & src.red), uint8_t(dest.green & src.green),
                        uint8_t(dest.blue & src.blue)};
            case ERasterOp::kOr:
                return {uint8_t(dest.red | src.red), uint8_t(dest.green | src.green),
                        uint8_t(dest.blue | src.blue)};
            case ERasterOp::kCopy:
                break;
        }
        return src;
    }

    int m_width;
    int m_height;
    std::vector<SRgb> m_pixels;
    int m_realised = 0;
};

constexpr SRgb kBackdrop{10, 200, 90};

// A picture whose pixel colours differ by position, at any depth.
CImageImpl Pattern(int width, int height, int bits, std::vector<SRgb> palette) {
    CImageImpl image;
    EXPECT_TRUE(image.Create(width, height, bits));
    if (!palette.empty()) image.SetPalette(palette);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                image.SetColor(x, y, {uint8_t(40 * x + 1), uint8_t(30 * y + 2), 77});
            } else {
                image.SetIndex(x, y, (x + 2 * y) % int(palette.size()));
            }
        }
    }
    return image;
}

// The picture's colour at picture coordinates (y from the top).
SRgb PictureColor(const CImageImpl& image, int x, int y) {
    return image.GetColor(x, image.Height() - 1 - y);
}

TEST(ImageDraw, CopiesThePictureAtItsPlaceAndLeavesTheRest) {
    for (const int bits : {1, 4, 8, 24}) {
        const std::vector<SRgb> palette =
            bits == 24 ? std::vector<SRgb>{}
                       : std::vector<SRgb>{{255, 0, 0}, {0, 0, 255}, {250, 250, 0}, {1, 2, 3}};
        const CImageImpl image =
            Pattern(5, 3, bits,
                    bits == 1 ? std::vector<SRgb>(palette.begin(), palette.begin() + 2) : palette);
        CRgbSurface surface(9, 6, kBackdrop);
        ASSERT_EQ(DrawImage(image, &surface, {2, 1, -1, -1}), 1);
        EXPECT_EQ(surface.Realised(), 1);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 9; ++x) {
                const bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
                const SRgb want = inside ? PictureColor(image, x - 2, y - 1) : kBackdrop;
                ASSERT_EQ(surface.At(x, y), want) << bits << " bits at " << x << "," << y;
            }
        }
    }
}

TEST(ImageDraw, StretchesAndDrawsPartsOfThePicture) {
    const CImageImpl image = Pattern(3, 2, 24, {});
    CRgbSurface surface(6, 4, kBackdrop);
    ASSERT_EQ(DrawImage(image, &surface, {0, 0, 6, 4}), 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(surface.At(x, y), PictureColor(image, x / 2, y / 2)) << x << "," << y;
    // Only the right column of the picture, at 1:1 in the corner.
    CRgbSurface part(2, 2, kBackdrop);
    ASSERT_EQ(DrawImage(image, &part, {0, 0, 1, 2}, {2, 0, 1, 2}), 1);
    EXPECT_EQ(part.At(0, 0), PictureColor(image, 2, 0));
    EXPECT_EQ(part.At(0, 1), PictureColor(image, 2, 1));
    EXPECT_EQ(part.At(1, 0), kBackdrop);
}

TEST(ImageDraw, TransparentPixelsLeaveTheBackgroundVisible) {
    // Palettes with and without pure white and black: the mask must not depend on them.
    const std::vector<std::vector<SRgb>> palettes = {
        {{255, 255, 255}, {0, 0, 0}, {200, 30, 30}, {30, 30, 200}},
        {{120, 60, 5}, {90, 90, 90}, {200, 30, 30}, {30, 30, 200}},
    };
    for (const auto& palette : palettes) {
        for (const int bits : {4, 8}) {
            CImageImpl image = Pattern(6, 4, bits, palette);
            image.SetTransparentIndex(2);
            CRgbSurface surface(8, 6, kBackdrop);
            ASSERT_EQ(DrawImage(image, &surface, {1, 1, -1, -1}), 1);
            int seen = 0;
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 6; ++x) {
                    const bool clear = image.GetIndex(x, image.Height() - 1 - y) == 2;
                    seen += clear;
                    const SRgb want = clear ? kBackdrop : PictureColor(image, x, y);
                    ASSERT_EQ(surface.At(x + 1, y + 1), want) << bits << " at " << x << "," << y;
                }
            }
            EXPECT_GT(seen, 0);
            EXPECT_EQ(surface.At(0, 0), kBackdrop);
            // The picture itself is drawn from, never changed.
            EXPECT_EQ(image.Palette(), palette);
        }
    }
}

TEST(ImageDraw, TransparencyOnlyAppliesToPalettePictures) {
    CImageImpl image = Pattern(2, 2, 24, {});
    image.SetTransparentIndex(0);
    CRgbSurface surface(2, 2, kBackdrop);
    ASSERT_EQ(DrawImage(image, &surface, {0, 0, -1, -1}), 1);
    EXPECT_EQ(surface.At(0, 0), PictureColor(image, 0, 0));
    // An index beyond the palette draws opaquely too.
    CImageImpl indexed = Pattern(2, 2, 8, {{1, 1, 1}, {2, 2, 2}});
    indexed.SetTransparentIndex(7);
    ASSERT_EQ(DrawImage(indexed, &surface, {0, 0, -1, -1}), 1);
    EXPECT_EQ(surface.At(1, 1), PictureColor(indexed, 1, 1));
}

TEST(ImageDraw, GrayPicturesWithoutPaletteDrawTheirLevels) {
    CImageImpl image;
    ASSERT_TRUE(image.Create(3, 1, 8));
    image.SetIndex(1, 0, 200);
    image.SetIndex(2, 0, 255);
    CRgbSurface surface(3, 1, kBackdrop);
    ASSERT_EQ(DrawImageUnscaled(image, &surface, 0, 0), 1);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(surface.At(x, 0), image.GetColor(x, 0)) << x;
    EXPECT_EQ(surface.At(1, 0), (SRgb{200, 200, 200}));
}

TEST(ImageDraw, NothingIsDrawnWithoutAPictureOrASurface) {
    CRgbSurface surface(2, 2, kBackdrop);
    CImageImpl empty;
    EXPECT_EQ(DrawImage(empty, &surface, {0, 0, -1, -1}), 0);
    EXPECT_EQ(DrawImageUnscaled(empty, &surface, 0, 0), 0);
    EXPECT_EQ(surface.Realised(), 0);
    EXPECT_EQ(surface.At(0, 0), kBackdrop);
    const CImageImpl image = Pattern(2, 2, 24, {});
    EXPECT_EQ(DrawImage(image, nullptr, {0, 0, -1, -1}), 1);
    // Partly off the surface: the visible part is drawn, nothing else is touched.
    ASSERT_EQ(DrawImageUnscaled(image, &surface, 1, -1), 1);
    EXPECT_EQ(surface.At(1, 0), PictureColor(image, 0, 1));
    EXPECT_EQ(surface.At(0, 0), kBackdrop);
}

TEST(ImageDraw, DrawingPaletteCoversEveryIndexOfTheDepth) {
    CImageImpl image = Pattern(2, 2, 4, {{9, 9, 9}, {8, 8, 8}});
    const std::vector<SRgb> palette = DrawingPalette(image);
    ASSERT_EQ(palette.size(), size_t(16));
    EXPECT_EQ(palette[1], (SRgb{8, 8, 8}));
    EXPECT_EQ(palette[15], (SRgb{0, 0, 0}));
    EXPECT_TRUE(DrawingPalette(Pattern(1, 1, 24, {})).empty());
}

}  // namespace
}  // namespace corvane
