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
    // Channel masks: inside a header of 52 bytes or more, else right after the 40-byte one.
    std::vector<uint32_t> masks;
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> BuildBmp(const SBmpLayout& s) {
    const int entrySize = s.headerSize == 12 ? 3 : 4;
    const bool masksAfter = !s.masks.empty() && s.headerSize < 52;
    const uint32_t maskBytes = masksAfter ? uint32_t(4 * s.masks.size()) : 0;
    const uint32_t offset = 14 + s.headerSize + maskBytes + s.tableEntries * entrySize + s.gap;
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
        const size_t extra = out.size();
        out.resize(out.size() + size_t(s.headerSize - 40), 0);
        for (size_t i = 0; i < s.masks.size(); ++i) {
            if (masksAfter) {
                Put(out, s.masks[i], 4);
            } else {
                for (int b = 0; b < 4; ++b)
                    out[extra + 4 * i + size_t(b)] = uint8_t(s.masks[i] >> (8 * b));
            }
        }
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

// Rows of 16- or 32-bit pixels, bottom row first, each padded to four bytes.
std::vector<uint8_t> TrueColourRows(const std::vector<std::vector<uint32_t>>& rows, int bits) {
    std::vector<uint8_t> out;
    for (const auto& row : rows) {
        for (uint32_t pixel : row) Put(out, pixel, bits / 8);
        while (out.size() % 4 != 0) out.push_back(0);
    }
    return out;
}

TEST(BmpFile, SixteenAndThirtyTwoBitPicturesLoadAsTrueColour) {
    struct Case {
        const char* what;
        SBmpLayout layout;
        SRgb bottomLeft, bottomRight, topLeft;
    };
    std::vector<Case> cases;
    SBmpLayout plain16;
    plain16.bits = 16;
    plain16.colorsUsed = plain16.tableEntries = 0;
    // 5-5-5 without masks: full red, full green, a blue of 16 out of 31.
    plain16.pixels = TrueColourRows({{0x7C00, 0x03E0, 0}, {0x0010, 0, 0}}, 16);
    cases.push_back({"16 bits plain", plain16, {255, 0, 0}, {0, 0, 0}, {0, 0, 131}});
    SBmpLayout fields565 = plain16;
    fields565.compression = 3;
    fields565.masks = {0xF800, 0x07E0, 0x001F};
    fields565.pixels = TrueColourRows({{0xF800, 0x07E0, 0x001F}, {0xFFFF, 0, 0}}, 16);
    cases.push_back({"16 bits 5-6-5", fields565, {255, 0, 0}, {0, 0, 255}, {255, 255, 255}});
    SBmpLayout plain32 = plain16;
    plain32.bits = 32;
    // A table the pixels never use, and a top-down file: the first row given is the top.
    plain32.colorsUsed = plain32.tableEntries = 2;
    plain32.height = -2;
    plain32.pixels = TrueColourRows({{0xFF102030, 0, 0}, {0x00405060, 0, 0x00010203}}, 32);
    cases.push_back(
        {"32 bits top-down", plain32, {0x40, 0x50, 0x60}, {1, 2, 3}, {0x10, 0x20, 0x30}});
    SBmpLayout rgba = plain16;
    rgba.bits = 32;
    rgba.headerSize = 124;
    rgba.compression = 3;
    rgba.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // red in the lowest byte
    rgba.pixels = TrueColourRows({{0x00332211, 0, 0x00FFFFFF}, {0x000000FF, 0, 0}}, 32);
    cases.push_back({"32 bits with masks in a long header",
                     rgba,
                     {0x11, 0x22, 0x33},
                     {255, 255, 255},
                     {255, 0, 0}});
    for (const Case& c : cases) {
        CBmpImage image;
        ASSERT_EQ(image.LoadBytes(BuildBmp(c.layout)), 1) << c.what;
        EXPECT_EQ(image.BitsPerPixel(), 24) << c.what;
        EXPECT_EQ(image.ColorTableEntries(), 0) << c.what;
        EXPECT_EQ(image.GetColor(0, 0), c.bottomLeft) << c.what;
        EXPECT_EQ(image.GetColor(2, 0), c.bottomRight) << c.what;
        EXPECT_EQ(image.GetColor(0, 1), c.topLeft) << c.what;
    }
    // Cut inside the last row: a short read, as for any other depth.
    const auto whole = BuildBmp(plain32);
    EXPECT_EQ(CBmpImage().LoadBytes(std::span(whole).first(whole.size() - 1)), 0);
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
    add("channel masks on a palette picture", [](SBmpLayout& s) {
        s.compression = 3;
        s.masks = {0xF800, 0x07E0, 0x001F};
    });
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
