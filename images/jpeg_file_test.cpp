#include "images/jpeg_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "images/codec_test_writer.h"

namespace corvane {
namespace {

using test::SJpegLayout;
using test::WriteJpeg;

// Flat 16-pixel blocks in a few colours: what a quantiser can keep apart and JPEG keeps
// close, so the loaded colours can be held to a tight tolerance.
SJpegLayout ColorBlocks(int width, int height) {
    const SRgb colors[] = {{200, 30, 40},   {20, 180, 60}, {30, 60, 220},
                           {240, 240, 240}, {10, 10, 10},  {250, 200, 0}};
    SJpegLayout layout{width, height, 3, {}, 95, false, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const SRgb c = colors[size_t((x / 16 + 2 * (y / 16)) % 6)];
            layout.samples.insert(layout.samples.end(), {c.red, c.green, c.blue});
        }
    }
    return layout;
}

// Many colours: every pixel different, more than the quantiser may keep.
SJpegLayout Gradient(int width, int height) {
    SJpegLayout layout{width, height, 3, {}, 90, false, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            layout.samples.insert(layout.samples.end(),
                                  {uint8_t(x * 255 / width), uint8_t(y * 255 / height),
                                   uint8_t((x + y) * 127 / (width + height))});
    return layout;
}

SRgb SourceColor(const SJpegLayout& layout, int x, int y) {
    const size_t i = (size_t(y) * size_t(layout.width) + size_t(x)) * size_t(layout.components);
    if (layout.components == 1) return {layout.samples[i], layout.samples[i], layout.samples[i]};
    return {layout.samples[i], layout.samples[i + 1], layout.samples[i + 2]};
}

int Difference(SRgb a, SRgb b) {
    return std::max(
        {std::abs(a.red - b.red), std::abs(a.green - b.green), std::abs(a.blue - b.blue)});
}

// How far the loaded picture is from its source, by the largest channel difference of each
// pixel. With `blocks`, the two pixels along each block edge are left out: the decoder's
// smooth colour upsampling blends them with the neighbouring block.
struct SDifference {
    int worst = 0;
    double mean = 0;
};

SDifference Compare(const CImageImpl& image, const SJpegLayout& layout, bool blocks = false) {
    auto edge = [&](int v) { return blocks && (v % 16 < 2 || v % 16 > 13); };
    SDifference d;
    long sum = 0;
    long count = 0;
    for (int y = 0; y < layout.height; ++y) {
        for (int x = 0; x < layout.width; ++x) {
            if (edge(x) || edge(y)) continue;
            const int one =
                Difference(image.GetColor(x, image.Height() - 1 - y), SourceColor(layout, x, y));
            d.worst = std::max(d.worst, one);
            sum += one;
            ++count;
        }
    }
    d.mean = count ? double(sum) / double(count) : 0;
    return d;
}

// Quantising to a palette dithers: single pixels may stray, the picture as a whole may not.
// A smooth gradient spreads 128 colours over a whole plane of the colour cube, about 22 steps
// apart along each axis, so its mean error is naturally larger than that of a few flat blocks.
void ExpectAlike(const CImageImpl& image, const SJpegLayout& layout, bool blocks,
                 const std::string& what) {
    const SDifference d = Compare(image, layout, blocks);
    EXPECT_LE(d.worst, 64) << what;
    EXPECT_LE(d.mean, blocks ? 10.0 : 16.0) << what;
}

size_t DistinctColors(const CImageImpl& image) {
    std::set<std::tuple<int, int, int>> seen;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const SRgb c = image.GetColor(x, y);
            seen.insert({c.red, c.green, c.blue});
        }
    return seen.size();
}

TEST(JpegLoad, ColourPicturesLoadQuantisedToAtMost128Colours) {
    // Flat blocks come back within JPEG's tolerance; a gradient of thousands of colours is cut
    // down to the quantiser's palette and still resembles its source.
    for (const bool progressive : {false, true}) {
        SJpegLayout blocks = ColorBlocks(96, 48);
        blocks.progressive = progressive;
        CJpegImage image;
        ASSERT_EQ(image.LoadBytes(WriteJpeg(blocks)), 1) << image.LastError();
        EXPECT_EQ(image.Width(), 96);
        EXPECT_EQ(image.Height(), 48);
        EXPECT_EQ(image.BitsPerPixel(), 8);
        EXPECT_EQ(image.ColorType(), CImageImpl::kColorPalette);
        EXPECT_LE(image.Palette().size(), size_t(CJpegImage::kColors));
        ExpectAlike(image, blocks, true, progressive ? "progressive" : "baseline");
    }
    const SJpegLayout gradient = Gradient(200, 150);
    CJpegImage image;
    ASSERT_EQ(image.LoadBytes(WriteJpeg(gradient)), 1) << image.LastError();
    EXPECT_LE(image.Palette().size(), size_t(CJpegImage::kColors));
    EXPECT_LE(DistinctColors(image), size_t(CJpegImage::kColors));
    EXPECT_GT(DistinctColors(image), size_t(32));
    ExpectAlike(image, gradient, false, "gradient");
}

TEST(JpegLoad, APictureShownSmallDecodesAtAReducedScaleThatStillCoversIt) {
    const SJpegLayout blocks = ColorBlocks(256, 128);
    const std::vector<uint8_t> bytes = WriteJpeg(blocks);
    CJpegImage image;
    image.SetLoadOptions({false, 60, 30});
    ASSERT_EQ(image.LoadBytes(bytes), 1) << image.LastError();
    // An eighth (32 x 16) would be smaller than the shown size; a quarter covers it.
    EXPECT_EQ(image.Width(), 64);
    EXPECT_EQ(image.Height(), 32);
    // The middle of the first block of each colour keeps its colour.
    const SRgb topLeft = image.GetColor(2, image.Height() - 3);
    EXPECT_LE(Difference(topLeft, SourceColor(blocks, 8, 8)), 24);
    image.SetLoadOptions({false, 300, 10});  // wider than the picture: its own size
    ASSERT_EQ(image.LoadBytes(bytes), 1);
    EXPECT_EQ(image.Width(), 256);
}

TEST(JpegLoad, GrayPicturesKeepOneComponentWithAGrayPalette) {
    SJpegLayout layout{61, 33, 1, {}, 95, false, {}};
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x) layout.samples.push_back(uint8_t(x * 4 + y));
    CJpegImage image;
    ASSERT_EQ(image.LoadBytes(WriteJpeg(layout)), 1) << image.LastError();
    EXPECT_EQ(image.BitsPerPixel(), 8);
    ASSERT_EQ(image.Palette().size(), size_t(256));
    EXPECT_EQ(image.Palette()[200], (SRgb{200, 200, 200}));
    EXPECT_LE(Compare(image, layout).worst, 6);
}

TEST(JpegLoad, DamagedForeignAndUnsupportedFilesFail) {
    const std::vector<uint8_t> good = WriteJpeg(Gradient(64, 64));
    ASSERT_GT(good.size(), size_t(1000));
    CJpegImage image;
    // A file cut short is a short read, not a picture padded with gray: cuts in the header, in
    // the middle of the scan and just before the end marker.
    for (const size_t keep :
         {size_t(0), size_t(2), size_t(100), good.size() / 2, good.size() - 2}) {
        EXPECT_EQ(image.LoadBytes({good.data(), keep}), 0) << "kept " << keep;
        EXPECT_FALSE(image.LastError().empty());
    }
    // A file still arriving, asked for as such: the scan cut in the middle loads, the header
    // cut does not.
    image.SetLoadOptions({true, 0, 0});
    const size_t scan = test::JpegScanStart(good);
    ASSERT_LT(scan + 100, good.size());
    EXPECT_EQ(image.LoadBytes({good.data(), (scan + good.size()) / 2}), 1) << image.LastError();
    EXPECT_EQ(image.Width(), 64);
    EXPECT_EQ(image.LoadBytes({good.data(), size_t(100)}), 0);
    image.SetLoadOptions({});
    EXPECT_EQ(image.LoadBytes(test::WritePng(
                  {2, 2, 8, PNG_COLOR_TYPE_GRAY, false, {{1, 2}, {3, 4}}, {}, {}, false})),
              0);
    SJpegLayout cmyk{16, 16, 4, std::vector<uint8_t>(16 * 16 * 4, 100), 90, false, {}};
    EXPECT_EQ(image.LoadBytes(WriteJpeg(cmyk)), 0);
    EXPECT_EQ(image.LastError(), "unsupported colour space");
}

// Rewrites the frame header's height and width, as a hostile file would claim them.
std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> bytes, int width, int height) {
    for (size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = uint8_t(height >> 8);
            bytes[i + 6] = uint8_t(height);
            bytes[i + 7] = uint8_t(width >> 8);
            bytes[i + 8] = uint8_t(width);
            return bytes;
        }
    }
    ADD_FAILURE() << "no frame header";
    return bytes;
}

TEST(JpegLoad, AbsurdDimensionsFailBeforeDecoding) {
    const std::vector<uint8_t> small = WriteJpeg(ColorBlocks(16, 16));
    for (const auto& [width, height] : {std::pair{12000, 12000}, std::pair{20000, 1}}) {
        CJpegImage image;
        EXPECT_EQ(image.LoadBytes(WithClaimedSize(small, width, height)), 0);
        EXPECT_EQ(image.LastError(), "picture too large");
        EXPECT_FALSE(image.HasBitmap());
    }
}

// A valid progressive script of many small scans: each coefficient of each component sent
// alone, then refined bit by bit.
std::vector<jpeg_scan_info> ManyScans() {
    std::vector<jpeg_scan_info> scans;
    scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int component = 0; component < 3; ++component) {
        for (int k = 1; k < 64; ++k) {
            scans.push_back({1, {component, 0, 0, 0}, k, k, 0, 2});
            scans.push_back({1, {component, 0, 0, 0}, k, k, 2, 1});
            scans.push_back({1, {component, 0, 0, 0}, k, k, 1, 0});
        }
    }
    return scans;
}

TEST(JpegLoad, AFileOfEndlessScansIsRefused) {
    SJpegLayout layout = ColorBlocks(32, 32);
    layout.scans = ManyScans();
    ASSERT_GT(layout.scans.size(), size_t(CJpegImage::kMaxScans));
    const std::vector<uint8_t> bytes = WriteJpeg(layout);
    ASSERT_FALSE(bytes.empty());
    CJpegImage image;
    EXPECT_EQ(image.LoadBytes(bytes), 0);
    EXPECT_EQ(image.LastError(), "too many scans");
}

TEST(JpegSave, SavedPicturesLoadBackAlikeAtTheStoredQuality) {
    test::CTempFolder folder("jpeg_save");
    const SJpegLayout blocks = ColorBlocks(64, 32);
    // A true-colour picture and a palette picture of the same colours.
    CJpegImage truecolor;
    ASSERT_TRUE(truecolor.Create(64, 32, 24));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) truecolor.SetColor(x, 31 - y, SourceColor(blocks, x, y));
    CJpegImage palette;
    ASSERT_EQ(palette.LoadBytes(WriteJpeg(blocks)), 1);
    EXPECT_EQ(truecolor.JpegQuality(), CJpegImage::kDefaultQuality);
    for (CJpegImage* image : {&truecolor, &palette}) {
        image->SetJpegQuality(95);
        const std::string path = folder.File(image == &truecolor ? "t.jpg" : "p.jpg");
        ASSERT_EQ(image->Save(path), 1) << image->LastError();
        CJpegImage loaded;
        ASSERT_EQ(loaded.Load(path), 1) << loaded.LastError();
        EXPECT_EQ(loaded.FileName(), path);
        ExpectAlike(loaded, blocks, true, path);
    }
    // The quality is what the saver uses: a lower one makes a smaller file.
    truecolor.SetJpegQuality(10);
    ASSERT_EQ(truecolor.Save(folder.File("low.jpg")), 1);
    EXPECT_LT(std::filesystem::file_size(folder.File("low.jpg")),
              std::filesystem::file_size(folder.File("t.jpg")));
}

TEST(JpegSave, FailsWithoutAPictureOrAPlaceToWrite) {
    test::CTempFolder folder("jpeg_save_fail");
    CJpegImage image;
    EXPECT_EQ(image.Save(folder.File("empty.jpg")), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.File("empty.jpg")));
    ASSERT_TRUE(image.Create(8, 8, 8));
    EXPECT_EQ(image.Save(folder.File("missing/x.jpg")), 0);
    EXPECT_EQ(image.Load(folder.File("missing.jpg")), 0);
    EXPECT_FALSE(image.HasBitmap());
}

}  // namespace
}  // namespace corvane
