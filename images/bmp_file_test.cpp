#include "images/bmp_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace corvane {
namespace {

void Put(std::vector<uint8_t>& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A bitmap file as other programs write them; rows are given bottom row first.
struct SBmpLayout {
    int headerSize = 40;
    int32_t width = 3;
    int32_t height = 2;
    int bits = 8;
    uint32_t compression = 0;
    uint32_t imageSizeField = 0;
    uint32_t colorsUsed = 2;
    int tableEntries = 2;
    uint32_t gap = 0;
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> BuildBmp(const SBmpLayout& s) {
    const int entrySize = s.headerSize == 12 ? 3 : 4;
    const uint32_t offset = 14 + s.headerSize + s.tableEntries * entrySize + s.gap;
    std::vector<uint8_t> out = {'B', 'M'};
    Put(out, offset + uint32_t(s.pixels.size()), 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, s.headerSize, 4);
    if (s.headerSize == 12) {
        Put(out, s.width, 2);
        Put(out, s.height, 2);
        Put(out, 1, 2);
        Put(out, s.bits, 2);
    } else {
        Put(out, s.width, 4);
        Put(out, s.height, 4);
        Put(out, 1, 2);
        Put(out, s.bits, 2);
        Put(out, s.compression, 4);
        Put(out, s.imageSizeField, 4);
        Put(out, 0, 8);
        Put(out, s.colorsUsed, 4);
        Put(out, 0, 4);
        out.resize(out.size() + size_t(s.headerSize - 40), 0);
    }
    for (int i = 0; i < s.tableEntries; ++i) {
        out.insert(out.end(), {uint8_t(i * 3), uint8_t(i * 5), uint8_t(200 - i)});
        if (entrySize == 4) out.push_back(0);
    }
    out.resize(out.size() + s.gap, 0xEE);
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

TEST(BmpFile, SavedPicturesLoadBackExactly) {
    std::mt19937 rng(7);
    const auto path = std::filesystem::temp_directory_path() / "corvane_bmp_file_test.bmp";
    for (int bits : {1, 4, 8, 24}) {
        for (int width : {1, 7, 33}) {
            CImageImpl source;
            ASSERT_TRUE(source.Create(width, 5, bits));
            if (bits <= 8) {
                std::vector<SRgb> palette;
                for (int i = 0; i < (1 << bits); ++i)
                    palette.push_back({uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
                source.SetPalette(palette);
            }
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < width; ++x) {
                    if (bits <= 8) {
                        source.SetIndex(x, y, int(rng() % (1u << bits)));
                    } else {
                        source.SetColor(x, y, {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
                    }
                }
            ASSERT_EQ(SaveBitmapFile(source, path.string()), 1);
            EXPECT_EQ(std::filesystem::file_size(path), 14 + source.Bitmap().size());
            CBmpImage loaded;
            ASSERT_EQ(loaded.Load(path.string()), 1) << bits << " bits, width " << width;
            EXPECT_EQ(loaded.Bitmap(), source.Bitmap()) << bits << " bits, width " << width;
            EXPECT_EQ(loaded.Palette(), source.Palette());
            EXPECT_EQ(loaded.ColorType(), bits <= 8 ? CImageImpl::kColorPalette : 2);
            EXPECT_EQ(loaded.FileName(), path.string());
        }
    }
    std::filesystem::remove(path);
}

TEST(BmpFile, FileHeaderTellsSizeAndPixelOffset) {
    CImageImpl image;
    ASSERT_TRUE(image.Create(3, 2, 8));
    const auto path = std::filesystem::temp_directory_path() / "corvane_bmp_header_test.bmp";
    ASSERT_EQ(SaveBitmapFile(image, path.string()), 1);
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GE(bytes.size(), 14u);
    auto get32 = [&](size_t at) {
        return uint32_t(bytes[at]) | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
    };
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(get32(2), 14u + 40u + 1024u + 8u);
    EXPECT_EQ(get32(6), 0u);
    EXPECT_EQ(get32(10), 14u + 40u + 1024u);
    std::filesystem::remove(path);
    EXPECT_EQ(SaveBitmapFile(CImageImpl(), path.string()), 0);
    EXPECT_EQ(SaveBitmapFile(image, "/nonexistent-dir/x.bmp"), 0);
}

TEST(BmpFile, ReadsOtherHeaderFormsAndRowOrders) {
    // Core header: 3-byte table entries, 16-bit sizes.
    SBmpLayout core;
    core.headerSize = 12;
    core.tableEntries = 256;
    core.pixels = {0, 1, 1, 0, 1, 0, 0, 0};
    CBmpImage image;
    ASSERT_EQ(image.LoadBytes(BuildBmp(core)), 1);
    ASSERT_EQ(image.Palette().size(), 256u);
    EXPECT_EQ(image.Palette()[0], (SRgb{200, 0, 0}));
    EXPECT_EQ(image.Palette()[1], (SRgb{199, 5, 3}));
    EXPECT_EQ(image.GetIndex(1, 0), 1);
    EXPECT_EQ(image.GetIndex(0, 1), 1);
    EXPECT_EQ(image.HeaderSize(), 40);

    // A long header, a gap before the pixels and a lying image size field.
    SBmpLayout v5 = core;
    v5.headerSize = 124;
    v5.colorsUsed = 256;
    v5.gap = 6;
    v5.imageSizeField = 0x7FFFFFFF;
    CBmpImage fromV5;
    ASSERT_EQ(fromV5.LoadBytes(BuildBmp(v5)), 1);
    EXPECT_EQ(fromV5.Bitmap().size(), image.Bitmap().size());
    EXPECT_EQ(fromV5.GetIndex(1, 0), 1);
    EXPECT_EQ(fromV5.GetIndex(0, 1), 1);

    // Negative height: the file stores the top row first.
    SBmpLayout topDown = core;
    topDown.headerSize = 40;
    topDown.height = -2;
    topDown.tableEntries = 2;
    CBmpImage flipped;
    ASSERT_EQ(flipped.LoadBytes(BuildBmp(topDown)), 1);
    EXPECT_EQ(flipped.Height(), 2);
    EXPECT_EQ(flipped.GetIndex(1, 1), 1);
    EXPECT_EQ(flipped.GetIndex(0, 0), 1);
    EXPECT_EQ(flipped.GetIndex(0, 1), 0);
}

TEST(BmpFile, RefusesHostileOrUnsupportedFiles) {
    SBmpLayout good;
    good.pixels.assign(8, 1);
    struct Case {
        const char* what;
        SBmpLayout layout;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, auto change) {
        SBmpLayout s = good;
        change(s);
        cases.push_back({what, s});
    };
    add("absurd size", [](SBmpLayout& s) { s.width = s.height = 20000; });
    add("bomb by area", [](SBmpLayout& s) { s.width = s.height = 12000; });
    add("zero width", [](SBmpLayout& s) { s.width = 0; });
    add("run-length data", [](SBmpLayout& s) { s.compression = 1; });
    add("16 bits", [](SBmpLayout& s) { s.bits = 16; });
    add("huge colour count", [](SBmpLayout& s) { s.colorsUsed = 100000; });
    add("short pixels", [](SBmpLayout& s) { s.pixels.resize(7); });
    add("header size", [](SBmpLayout& s) { s.headerSize = 20; });
    add("gap too long", [](SBmpLayout& s) { s.gap = 2u << 20; });
    CBmpImage image;
    ASSERT_EQ(image.LoadBytes(BuildBmp(good)), 1);
    for (const Case& c : cases) {
        EXPECT_EQ(image.LoadBytes(BuildBmp(c.layout)), 0) << c.what;
        EXPECT_FALSE(image.HasBitmap()) << c.what;
    }
    auto notBmp = BuildBmp(good);
    notBmp[0] = 'X';
    EXPECT_EQ(image.LoadBytes(notBmp), 0);
    const auto whole = BuildBmp(good);
    for (size_t cut : {size_t(0), size_t(10), size_t(20), size_t(56)})
        EXPECT_EQ(image.LoadBytes(std::span(whole).first(cut)), 0) << cut;
    EXPECT_EQ(image.Load("/nonexistent-dir/x.bmp"), 0);
}

}  // namespace
}  // namespace corvane
