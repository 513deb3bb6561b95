#include "images/png_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "images/codec_test_writer.h"

namespace corvane {
namespace {

using test::SPngLayout;
using test::WritePng;

// A test picture: the file's rows and the colour each pixel must load as, top row first.
struct SPicture {
    SPngLayout layout;
    std::vector<SRgb> expected;
};

// Values vary along both axes and between channels, so a row, column or channel out of place
// shows as a wrong pixel.
int Sample(int x, int y, int channel, int maxValue) {
    return (x * 7 + y * 13 + channel * 29 + x * y) % (maxValue + 1);
}

std::vector<SRgb> PaletteRamp(int entries) {
    std::vector<SRgb> palette;
    for (int i = 0; i < entries; ++i)
        palette.push_back({uint8_t(i * 5 + 3), uint8_t(250 - i), uint8_t((i * 37) & 0xFF)});
    return palette;
}

// Packs samples into a PNG row: most significant bits first below 8 bits, big-endian at 16
// (the low byte carries noise the loader must drop).
void PutSample(std::vector<uint8_t>& row, size_t& bit, int value, int depth) {
    if (depth == 16) {
        row.push_back(uint8_t(value));
        row.push_back(uint8_t(value * 31 + 7));
        return;
    }
    if (bit % 8 == 0) row.push_back(0);
    row.back() |= uint8_t(value << (8 - depth - int(bit % 8)));
    bit += size_t(depth);
}

SRgb ExpectedColor(const SPngLayout& layout, const std::vector<int>& v) {
    if (layout.colorType == PNG_COLOR_TYPE_PALETTE) return layout.palette[size_t(v[0])];
    const int maxValue = layout.bitDepth == 16 ? 255 : (1 << layout.bitDepth) - 1;
    auto level = [&](int s) { return uint8_t(s * 255 / maxValue); };
    if (layout.colorType == PNG_COLOR_TYPE_GRAY) return {level(v[0]), level(v[0]), level(v[0])};
    return {level(v[0]), level(v[1]), level(v[2])};
}

SPicture MakePicture(int width, int height, int bitDepth, int colorType, bool interlaced) {
    SPicture p;
    p.layout = {width, height, bitDepth, colorType, interlaced, {}, {}, {}, false};
    if (colorType == PNG_COLOR_TYPE_PALETTE) p.layout.palette = PaletteRamp(1 << bitDepth);
    const int channels = test::PngChannels(colorType);
    const int maxValue = bitDepth == 16 ? 255 : (1 << bitDepth) - 1;
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> row;
        size_t bit = 0;
        for (int x = 0; x < width; ++x) {
            std::vector<int> v;
            for (int c = 0; c < channels; ++c) {
                v.push_back(Sample(x, y, c, maxValue));
                PutSample(row, bit, v.back(), bitDepth);
            }
            p.expected.push_back(ExpectedColor(p.layout, v));
        }
        p.layout.rows.push_back(row);
    }
    return p;
}

// Every pixel against the expected colours, stopping at the first difference.
void ExpectPixels(const CImageImpl& image, const std::vector<SRgb>& expected,
                  const std::string& what) {
    ASSERT_EQ(size_t(image.Width()) * size_t(image.Height()), expected.size()) << what;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const SRgb want = expected[size_t(y) * size_t(image.Width()) + size_t(x)];
            const SRgb got = image.GetColor(x, image.Height() - 1 - y);
            ASSERT_EQ(got, want) << what << " at " << x << "," << y << " got " << int(got.red)
                                 << " " << int(got.green) << " " << int(got.blue);
        }
    }
}

TEST(PngLoad, PixelsEqualTheSourceInEveryLayout) {
    struct Case {
        int bitDepth, colorType, bitsPerPixel;
    };
    const Case cases[] = {
        {1, PNG_COLOR_TYPE_PALETTE, 1}, {2, PNG_COLOR_TYPE_PALETTE, 8},
        {4, PNG_COLOR_TYPE_PALETTE, 4}, {8, PNG_COLOR_TYPE_PALETTE, 8},
        {1, PNG_COLOR_TYPE_GRAY, 1},    {2, PNG_COLOR_TYPE_GRAY, 8},
        {4, PNG_COLOR_TYPE_GRAY, 4},    {8, PNG_COLOR_TYPE_GRAY, 8},
        {16, PNG_COLOR_TYPE_GRAY, 8},   {8, PNG_COLOR_TYPE_RGB, 24},
        {16, PNG_COLOR_TYPE_RGB, 24},
    };
    // Odd sizes leave padding at the end of each bitmap row; the interlaced twin of each
    // picture must come out the same.
    for (const Case& c : cases) {
        for (const bool interlaced : {false, true}) {
            const SPicture p = MakePicture(37, 19, c.bitDepth, c.colorType, interlaced);
            const std::string what = "depth " + std::to_string(c.bitDepth) + " type " +
                                     std::to_string(c.colorType) +
                                     (interlaced ? " interlaced" : "");
            CPngImage image;
            ASSERT_EQ(image.LoadBytes(WritePng(p.layout)), 1) << what << ": " << image.LastError();
            EXPECT_EQ(image.BitsPerPixel(), c.bitsPerPixel) << what;
            EXPECT_EQ(image.HasPalette(), c.colorType == PNG_COLOR_TYPE_PALETTE) << what;
            ExpectPixels(image, p.expected, what);
        }
    }
}

TEST(PngLoad, SixteenBitSamplesLoadAsTheirHighByte) {
    const SPicture p = MakePicture(5, 4, 16, PNG_COLOR_TYPE_RGB, false);
    CPngImage image;
    ASSERT_EQ(image.LoadBytes(WritePng(p.layout)), 1);
    EXPECT_EQ(image.BitsPerPixel(), 24);
    EXPECT_EQ(image.ColorType(), CImageImpl::kColorTrue);
    // Top left pixel: high bytes as written, low bytes ignored.
    const uint8_t* topRow = image.Row(image.Height() - 1);
    EXPECT_EQ(topRow[0], p.layout.rows[0][4]);  // blue
    EXPECT_EQ(topRow[2], p.layout.rows[0][0]);  // red
}

TEST(PngLoad, TransparencyIsComposedOverTheBackground) {
    const SRgb background = CPngImage::kBackground;
    // Colour with alpha: clear pixels show the background, opaque ones their own colour.
    SPngLayout rgba{
        2,  1,  8,    PNG_COLOR_TYPE_RGB_ALPHA, false, {{10, 20, 30, 0, 40, 50, 60, 255}},
        {}, {}, false};
    CPngImage image;
    ASSERT_EQ(image.LoadBytes(WritePng(rgba)), 1) << image.LastError();
    EXPECT_EQ(image.BitsPerPixel(), 24);
    EXPECT_EQ(image.GetColor(0, 0), background);
    EXPECT_EQ(image.GetColor(1, 0), (SRgb{40, 50, 60}));

    // Gray with alpha composes over gray 0.
    SPngLayout grayAlpha{2,  1,  8,    PNG_COLOR_TYPE_GRAY_ALPHA, false, {{99, 0, 77, 255}},
                         {}, {}, false};
    ASSERT_EQ(image.LoadBytes(WritePng(grayAlpha)), 1) << image.LastError();
    EXPECT_EQ(image.BitsPerPixel(), 8);
    EXPECT_EQ(image.GetColor(0, 0), (SRgb{0, 0, 0}));
    EXPECT_EQ(image.GetColor(1, 0), (SRgb{77, 77, 77}));

    // A palette entry with alpha 0 becomes the background colour in the loaded palette.
    SPngLayout palette{
        2, 1, 8, PNG_COLOR_TYPE_PALETTE, false, {{0, 1}}, {{1, 2, 3}, {200, 100, 50}}, {0}, false};
    ASSERT_EQ(image.LoadBytes(WritePng(palette)), 1) << image.LastError();
    EXPECT_EQ(image.GetColor(0, 0), background);
    EXPECT_EQ(image.GetColor(1, 0), (SRgb{200, 100, 50}));
}

TEST(PngLoad, DamagedOrForeignFilesFailWithoutAPicture) {
    const std::vector<uint8_t> good =
        WritePng(MakePicture(40, 30, 8, PNG_COLOR_TYPE_RGB, true).layout);
    ASSERT_FALSE(good.empty());
    CPngImage image;
    // Cut anywhere from inside the signature to just before the end chunk's data ends: the
    // file ends before the picture does.
    for (const size_t keep :
         {size_t(0), size_t(5), size_t(8), size_t(30), good.size() / 2, good.size() - 13}) {
        ASSERT_EQ(image.LoadBytes({good.data(), keep}), 0) << "kept " << keep;
        EXPECT_FALSE(image.LastError().empty()) << "kept " << keep;
    }
    // A flipped bit in the header breaks its checksum.
    std::vector<uint8_t> flipped = good;
    flipped[20] ^= 0x04;
    EXPECT_EQ(image.LoadBytes(flipped), 0);
    const std::vector<uint8_t> notPng = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(image.LoadBytes(notPng), 0);
    EXPECT_FALSE(image.HasBitmap());
}

TEST(PngLoad, AbsurdDimensionsFailBeforeThePictureIsAllocated) {
    // 12000 x 12000 is within the side limit but far beyond the pixel limit; the file holds
    // rows of noise (enough for the compressor to emit a data chunk), as a hostile file would.
    for (const auto& [width, height] : {std::pair{12000, 12000}, std::pair{20000, 1}}) {
        SPngLayout layout{width, height, 8, PNG_COLOR_TYPE_GRAY, false, {}, {}, {}, true};
        std::mt19937 random(7);
        for (int row = 0; row < std::min(height, 3); ++row) {
            std::vector<uint8_t> noise(static_cast<size_t>(width));
            for (uint8_t& sample : noise) sample = uint8_t(random());
            layout.rows.push_back(noise);
        }
        const std::vector<uint8_t> bytes = WritePng(layout);
        ASSERT_FALSE(bytes.empty());
        CPngImage image;
        EXPECT_EQ(image.LoadBytes(bytes), 0);
        EXPECT_FALSE(image.HasBitmap());
        EXPECT_EQ(image.LastError(), "picture too large") << width;
    }
}

TEST(PngLoad, FilesLoadByNameAndAMissingFileFails) {
    test::CTempFolder folder("png_load");
    const SPicture p = MakePicture(9, 6, 8, PNG_COLOR_TYPE_RGB, false);
    const std::string path = folder.File("a.png");
    test::WriteBytes(path, WritePng(p.layout));
    CPngImage image;
    ASSERT_EQ(image.Load(path), 1) << image.LastError();
    EXPECT_EQ(image.FileName(), path);
    ExpectPixels(image, p.expected, "from file");
    // An empty name reloads the stored one.
    ASSERT_EQ(image.Load(""), 1);
    ExpectPixels(image, p.expected, "reloaded");
    EXPECT_EQ(image.Load(folder.File("missing.png")), 0);
    EXPECT_FALSE(image.HasBitmap());
}

// What the saver wrote must load back as the same picture.
void ExpectSavedAlike(CImageImpl& source, const std::string& path, int bitsPerPixel) {
    std::vector<SRgb> expected;
    for (int y = source.Height() - 1; y >= 0; --y)
        for (int x = 0; x < source.Width(); ++x) expected.push_back(source.GetColor(x, y));
    ASSERT_EQ(source.Save(path), 1);
    CPngImage loaded;
    ASSERT_EQ(loaded.Load(path), 1) << loaded.LastError();
    EXPECT_EQ(loaded.BitsPerPixel(), bitsPerPixel);
    ExpectPixels(loaded, expected, path);
}

TEST(PngSave, PicturesOfEveryDepthLoadBackUnchanged) {
    test::CTempFolder folder("png_save");
    for (const int bits : {1, 4, 8, 24}) {
        CPngImage image;
        ASSERT_TRUE(image.Create(23, 11, bits));
        if (bits <= 8) image.SetPalette(PaletteRamp(1 << bits));
        for (int y = 0; y < image.Height(); ++y) {
            for (int x = 0; x < image.Width(); ++x) {
                if (bits <= 8) {
                    image.SetIndex(x, y, Sample(x, y, 0, (1 << bits) - 1));
                } else {
                    image.SetColor(x, y, {uint8_t(x * 11), uint8_t(y * 23), uint8_t(x + y)});
                }
            }
        }
        ExpectSavedAlike(image, folder.File("d" + std::to_string(bits) + ".png"), bits);
    }
    // A gray picture without a palette keeps its levels.
    CPngImage gray;
    ASSERT_TRUE(gray.Create(8, 3, 8));
    for (int x = 0; x < 8; ++x) gray.SetIndex(x, 1, x * 30);
    ExpectSavedAlike(gray, folder.File("gray.png"), 8);
}

TEST(PngSave, FailsWithoutAPictureOrAPlaceToWrite) {
    test::CTempFolder folder("png_save_fail");
    CPngImage empty;
    EXPECT_EQ(empty.Save(folder.File("empty.png")), 0);
    CPngImage image;
    ASSERT_TRUE(image.Create(4, 4, 24));
    EXPECT_EQ(image.Save(folder.File("no/such/folder/x.png")), 0);
    EXPECT_FALSE(image.LastError().empty());
}

TEST(PngSave, ColourTypeFollowsTheDepthWhenTheyDisagree) {
    // One byte per pixel cannot be written as true colour (the library would read three), and
    // a true-colour picture that was handed a palette is still three bytes per pixel.
    test::CTempFolder folder("png_save_type");
    CPngImage narrow;
    ASSERT_TRUE(narrow.Create(4, 2, 8, CImageImpl::kColorTrue));
    for (int x = 0; x < 4; ++x) narrow.SetIndex(x, 0, 60 * x);
    ExpectSavedAlike(narrow, folder.File("narrow.png"), 8);
    CPngImage wide;
    ASSERT_TRUE(wide.Create(3, 2, 24));
    wide.SetColor(2, 1, {1, 2, 3});
    wide.SetPalette(PaletteRamp(4));
    ASSERT_EQ(wide.ColorType(), CImageImpl::kColorPalette);
    ExpectSavedAlike(wide, folder.File("wide.png"), 24);
    // A palette picture whose palette is gone saves its indices as gray levels.
    CPngImage bare;
    ASSERT_TRUE(bare.Create(2, 1, 8, CImageImpl::kColorPalette));
    bare.SetIndex(1, 0, 99);
    ExpectSavedAlike(bare, folder.File("bare.png"), 8);
}

}  // namespace
}  // namespace corvane
