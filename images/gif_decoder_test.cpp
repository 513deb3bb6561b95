#include "images/gif_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "images/gif_test_writer.h"

namespace corvane {
namespace {

using test::SGifFrame;

std::vector<SRgb> Ramp(size_t entries) {
    std::vector<SRgb> table(entries);
    for (size_t i = 0; i < entries; ++i)
        table[i] = {uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3 + 1)};
    return table;
}

SGifFrame Noise(int width, int height, int colours, unsigned seed, int minCodeSize = 8) {
    SGifFrame f;
    f.width = width;
    f.height = height;
    f.minCodeSize = minCodeSize;
    std::mt19937 rng(seed);
    // Runs of equal pixels next to noise exercise both short and long strings.
    for (int i = 0; i < width * height; ++i)
        f.pixels.push_back(uint8_t((rng() % 4 == 0) ? 1 : rng() % unsigned(colours)));
    return f;
}

// The decoded picture, top row first, as the writer took it.
std::vector<uint8_t> TopDownPixels(const CImageImpl& image) {
    std::vector<uint8_t> out;
    for (int y = image.Height() - 1; y >= 0; --y)
        for (int x = 0; x < image.Width(); ++x) out.push_back(uint8_t(image.GetIndex(x, y)));
    return out;
}

TEST(GifDecoder, DecodesPixelsAndPaletteExactly) {
    struct Case {
        int width, height, colours, minCodeSize;
        bool clearWhenFull;
    };
    // Narrow and wide code sizes, images long enough to fill the 4096-entry table, and a
    // table kept full without a clear.
    for (const Case c :
         {Case{37, 23, 256, 8, true}, Case{300, 200, 4, 2, true}, Case{300, 200, 4, 2, false},
          Case{640, 90, 256, 8, false}, Case{1, 1, 2, 2, true}, Case{129, 7, 16, 4, true}}) {
        SGifFrame f = Noise(c.width, c.height, c.colours, unsigned(c.width), c.minCodeSize);
        f.clearWhenFull = c.clearWhenFull;
        const auto table = Ramp(size_t(std::max(c.colours, 2)));
        CGifImage image;
        ASSERT_EQ(image.LoadBytes(test::WriteGif(table, {f})), 1) << c.width;
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), c.height);
        EXPECT_EQ(image.BitsPerPixel(), 8);
        EXPECT_EQ(TopDownPixels(image), f.pixels) << c.width << "x" << c.height;
        EXPECT_EQ(image.Palette(), table);
        EXPECT_EQ(image.ColorType(), CImageImpl::kColorPalette);
        EXPECT_EQ(image.TransparentIndex(), -1);
        EXPECT_EQ(image.BadCodes(), 0);
    }
}

TEST(GifDecoder, InterlacedEqualsItsTwin) {
    // Every height up to 17 meets each pass boundary, including passes with no rows.
    for (int height = 1; height <= 17; ++height) {
        SGifFrame plain = Noise(13, height, 16, unsigned(height), 4);
        SGifFrame laced = plain;
        laced.interlaced = true;
        CGifImage a, b;
        ASSERT_EQ(a.LoadBytes(test::WriteGif(Ramp(16), {plain})), 1);
        ASSERT_EQ(b.LoadBytes(test::WriteGif(Ramp(16), {laced})), 1);
        EXPECT_EQ(a.Bitmap(), b.Bitmap()) << "height " << height;
        EXPECT_EQ(TopDownPixels(b), plain.pixels) << "height " << height;
    }
}

TEST(GifDecoder, TransparentIndexWidensPaletteWithWhite) {
    SGifFrame f = Noise(8, 8, 16, 3, 4);
    f.transparent = 5;
    const auto table = Ramp(16);
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(test::WriteGif(table, {f})), 1);
    EXPECT_EQ(image.TransparentIndex(), 5);
    const auto& palette = image.Palette();
    ASSERT_EQ(palette.size(), 256u);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(palette[i], (i == 5 ? SRgb{0, 0, 0} : table[i])) << i;
    for (size_t i = 16; i < 256; ++i) EXPECT_EQ(palette[i], (SRgb{255, 255, 255})) << i;
    EXPECT_EQ(TopDownPixels(image), f.pixels);

    // An index beyond the file's table is black too, not one of the added whites.
    f.transparent = 49;
    ASSERT_EQ(image.LoadBytes(test::WriteGif(table, {f})), 1);
    EXPECT_EQ(image.Palette()[49], (SRgb{0, 0, 0}));
    EXPECT_EQ(image.Palette()[48], (SRgb{255, 255, 255}));
    EXPECT_EQ(image.Palette()[5], table[5]);
}

TEST(GifDecoder, FullTableWithTransparencyGetsWhiteOnlyWhenMissing) {
    auto table = Ramp(256);
    SGifFrame f = Noise(4, 4, 256, 9);
    f.transparent = 0;
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(test::WriteGif(table, {f})), 1);
    EXPECT_EQ(image.Palette()[0], (SRgb{0, 0, 0}));
    EXPECT_EQ(image.Palette()[255], (SRgb{255, 255, 255}));

    table[10] = {255, 255, 255};
    CGifImage withWhite;
    ASSERT_EQ(withWhite.LoadBytes(test::WriteGif(table, {f})), 1);
    EXPECT_EQ(withWhite.Palette()[255], table[255]);
    EXPECT_EQ(withWhite.Palette()[10], (SRgb{255, 255, 255}));
}

TEST(GifDecoder, AnimationShowsLastFrameWithItsLocalTable) {
    SGifFrame first = Noise(10, 10, 4, 1, 2);
    SGifFrame last = Noise(6, 3, 8, 2, 3);
    last.localTable = Ramp(8);
    std::reverse(last.localTable.begin(), last.localTable.end());
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(test::WriteGif(Ramp(4), {first, last})), 1);
    EXPECT_EQ(image.Width(), 6);
    EXPECT_EQ(image.Height(), 3);
    EXPECT_EQ(TopDownPixels(image), last.pixels);
    EXPECT_EQ(image.Palette(), last.localTable);
}

TEST(GifDecoder, RejectsWhatIsNoGif) {
    CGifImage image;
    EXPECT_EQ(image.LoadBytes({}), 0);
    const std::vector<uint8_t> notGif = {'G', 'I', 'F', '7', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(image.LoadBytes(notGif), 0);
    auto file = test::WriteGif(Ramp(256), {Noise(3, 3, 4, 1)});
    // Cut inside the screen descriptor, then inside the global table.
    EXPECT_EQ(image.LoadBytes(std::span(file).first(12)), 0);
    EXPECT_EQ(image.LoadBytes(std::span(file).first(100)), 0);
    EXPECT_FALSE(image.HasBitmap());
}

TEST(GifDecoder, RefusesAbsurdSizesBeforeAllocating) {
    for (auto [w, h] :
         {std::pair{0, 5}, std::pair{5, 0}, std::pair{20000, 2}, std::pair{12000, 12000}}) {
        SGifFrame f;
        f.width = w;
        f.height = h;
        f.minCodeSize = 2;
        CGifImage image;
        EXPECT_EQ(image.LoadBytes(test::WriteGif(Ramp(4), {f})), 0) << w << "x" << h;
        EXPECT_FALSE(image.HasBitmap());
    }
    // After a good frame, an absurd one ends the file and the good one stays.
    SGifFrame good = Noise(3, 3, 4, 2, 2);
    SGifFrame bomb;
    bomb.width = bomb.height = 16385;
    bomb.minCodeSize = 2;
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(test::WriteGif(Ramp(4), {good, bomb})), 1);
    EXPECT_EQ(TopDownPixels(image), good.pixels);
}

TEST(GifDecoder, TruncatedDataKeepsWhatDecoded) {
    SGifFrame f = Noise(50, 40, 16, 5, 4);
    const auto whole = test::WriteGif(Ramp(16), {f});
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(std::span(whole).first(whole.size() / 2)), 1);
    const auto got = TopDownPixels(image);
    // The first rows arrived intact; the rest stay zero rather than garbage.
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 50 * 5, f.pixels.begin()));
    EXPECT_EQ(got.back(), 0);
}

TEST(GifDecoder, StreamLongerThanImageStaysInside) {
    // The descriptor says 4x2 while the data carries a 4x9 picture.
    SGifFrame big = Noise(4, 9, 4, 7, 2);
    auto file = test::ScreenHeader(4, 2, Ramp(4));
    file.insert(file.end(), {',', 0, 0, 0, 0, 4, 0, 2, 0, 0, 2});
    test::AppendSubBlocks(file, test::EncodeLzw(big.pixels, 2));
    file.push_back(';');
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(file), 1);
    const auto got = TopDownPixels(image);
    EXPECT_EQ(got, std::vector<uint8_t>(big.pixels.begin(), big.pixels.begin() + 8));
}

std::vector<uint8_t> RawImage(int width, int minCodeSize, std::initializer_list<int> codes) {
    auto file = test::ScreenHeader(width, 1, Ramp(4));
    file.insert(file.end(), {',', 0, 0, 0, 0, uint8_t(width), 0, 1, 0, 0, uint8_t(minCodeSize)});
    test::CCodePacker packer;
    for (int code : codes) packer.Put(code, minCodeSize + 1);
    test::AppendSubBlocks(file, packer.Finish());
    file.push_back(';');
    return file;
}

TEST(GifDecoder, UndefinedCodesDecodeAsTheNextFreeCode) {
    CGifImage image;
    // clear, 1, then 7 while 6 is the next free code, then end.
    ASSERT_EQ(image.LoadBytes(RawImage(3, 2, {4, 1, 7, 5})), 1);
    EXPECT_EQ(image.BadCodes(), 1);
    EXPECT_EQ(TopDownPixels(image), (std::vector<uint8_t>{1, 1, 1}));

    // A first code after a clear that is no root is taken as 0.
    ASSERT_EQ(image.LoadBytes(RawImage(2, 2, {4, 6, 2, 5})), 1);
    EXPECT_EQ(TopDownPixels(image), (std::vector<uint8_t>{0, 2}));
}

TEST(GifDecoder, PartialRowIsStoredAtEndCode) {
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(RawImage(4, 2, {4, 3, 2, 5})), 1);
    EXPECT_EQ(TopDownPixels(image), (std::vector<uint8_t>{3, 2, 0, 0}));
}

TEST(GifDecoder, BadCodeSizeOrShortControlBlockKeepsEarlierImage) {
    SGifFrame first = Noise(5, 5, 4, 11, 2);
    for (uint8_t codeSize : {1, 10}) {
        auto file = test::WriteGif(Ramp(4), {first});
        file.pop_back();
        file.insert(file.end(), {',', 0, 0, 0, 0, 2, 0, 2, 0, 0, codeSize, 0, ';'});
        CGifImage image;
        ASSERT_EQ(image.LoadBytes(file), 1);
        EXPECT_EQ(image.Width(), 2) << "a later image replaces the first even when empty";
    }
    auto file = test::WriteGif(Ramp(4), {first});
    file.pop_back();
    // A control block claiming 6 bytes ends the block loop before the second image.
    file.insert(file.end(), {'!', 0xF9, 6, 1, 0, 0, 2, 0});
    test::AppendFrame(file, Noise(2, 2, 4, 1, 2));
    CGifImage image;
    ASSERT_EQ(image.LoadBytes(file), 1);
    EXPECT_EQ(TopDownPixels(image), first.pixels);
    EXPECT_EQ(image.TransparentIndex(), -1);
}

TEST(GifDecoder, LoadsFromFileAndReusesTheStoredName) {
    const auto path = std::filesystem::temp_directory_path() / "corvane_gif_decoder_test.gif";
    SGifFrame f = Noise(20, 20, 256, 4);
    const auto bytes = test::WriteGif(Ramp(256), {f});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    CGifImage image;
    ASSERT_EQ(image.Load(path.string()), 1);
    EXPECT_EQ(image.FileName(), path.string());
    EXPECT_EQ(TopDownPixels(image), f.pixels);
    image.Clear();
    EXPECT_EQ(image.Load(""), 1);
    EXPECT_EQ(TopDownPixels(image), f.pixels);
    std::filesystem::remove(path);
    EXPECT_EQ(image.Load(path.string()), 0);
}

}  // namespace
}  // namespace corvane
