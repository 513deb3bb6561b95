#include "images/image_open.h"

#include <gtest/gtest.h>

#include "images/bmp_file.h"
#include "images/codec_test_writer.h"
#include "images/gif_test_writer.h"
#include "images/jpeg_file.h"

namespace corvane {
namespace {

TEST(ImageKind, ExtensionsPickTheirLoaderWithoutRegardToCase) {
    const std::pair<const char*, EImageKind> cases[] = {
        {"a.bmp", EImageKind::kBitmap},
        {"a.BMP", EImageKind::kBitmap},
        {"x/y.GiF", EImageKind::kGif},
        {"p.jpeg", EImageKind::kJpeg},
        {"p.JPG", EImageKind::kJpeg},
        {"p.Png", EImageKind::kPng},
        {"two.dots.png", EImageKind::kPng},
        {"archive.png.txt", EImageKind::kNone},
        {"name.", EImageKind::kNone},
        {"noextension", EImageKind::kNone},
        {"p.jp", EImageKind::kNone},
        {"p.jpgx", EImageKind::kNone},
        {"p.a", EImageKind::kNone},
        {"p.zzz", EImageKind::kNone},
        {"", EImageKind::kNone},
        {"dir.png/file", EImageKind::kNone},
    };
    for (const auto& [name, kind] : cases) EXPECT_EQ(ImageKindOf(name), kind) << name;
}

TEST(ImageOpener, EachKindLoadsThroughItsLoader) {
    test::CTempFolder folder("image_open");
    const std::string gif = folder.File("a.GIF");
    test::SGifFrame frame;
    frame.width = 3;
    frame.height = 2;
    frame.pixels = {0, 1, 1, 0, 1, 0};
    test::WriteBytes(gif, test::WriteGif({{1, 2, 3}, {4, 5, 6}}, {frame}));
    const std::string png = folder.File("b.png");
    test::WriteBytes(
        png,
        test::WritePng({2, 1, 8, PNG_COLOR_TYPE_RGB, false, {{9, 8, 7, 6, 5, 4}}, {}, {}, false}));
    const std::string bmp = folder.File("c.bmp");
    CImageImpl source;
    ASSERT_TRUE(source.Create(5, 4, 24));
    source.SetColor(4, 3, {11, 22, 33});
    ASSERT_EQ(SaveBitmapFile(source, bmp), 1);

    CImageOpener opener;
    ASSERT_EQ(opener.Open(gif), 1);
    EXPECT_EQ(opener.Kind(), EImageKind::kGif);
    EXPECT_EQ(opener.Image().GetColor(1, 1), (SRgb{4, 5, 6}));
    ASSERT_EQ(opener.Open(png), 1);
    EXPECT_EQ(opener.Image().GetColor(1, 0), (SRgb{6, 5, 4}));
    ASSERT_EQ(opener.Open(bmp), 1);
    EXPECT_EQ(opener.Image().GetColor(4, 3), (SRgb{11, 22, 33}));
    // Contents that do not match the extension fail in the loader the name chose.
    const std::string lying = folder.File("d.jpg");
    test::WriteBytes(lying, test::WriteGif({{1, 2, 3}, {4, 5, 6}}, {frame}));
    EXPECT_EQ(opener.Open(lying), 0);
    EXPECT_FALSE(opener.Image().HasBitmap());
}

TEST(ImageOpener, ReopeningTheSameKindKeepsTheLoader) {
    test::CTempFolder folder("image_reopen");
    const std::string first = folder.File("1.jpg");
    const std::string second = folder.File("2.JPEG");
    test::SJpegLayout layout{16, 16, 1, std::vector<uint8_t>(256, 128), 90, false, {}};
    test::WriteBytes(first, test::WriteJpeg(layout));
    test::WriteBytes(second, test::WriteJpeg(layout));

    CImageOpener opener;
    ASSERT_EQ(opener.Open(first), 1);
    CImageImpl* loader = &opener.Image();
    EXPECT_EQ(loader->JpegQuality(), CJpegImage::kDefaultQuality);
    loader->SetJpegQuality(80);
    ASSERT_EQ(opener.Open(second), 1);
    EXPECT_EQ(&opener.Image(), loader);
    EXPECT_EQ(opener.Image().JpegQuality(), 80);
    EXPECT_EQ(opener.Image().FileName(), second);

    // Another kind brings a fresh loader; an unknown kind an image with no picture.
    ASSERT_EQ(opener.Open(folder.File("missing.png")), 0);
    EXPECT_EQ(opener.Kind(), EImageKind::kPng);
    EXPECT_EQ(opener.Open(folder.File("notes.txt")), 0);
    EXPECT_EQ(opener.Kind(), EImageKind::kNone);
    EXPECT_FALSE(opener.Image().HasBitmap());
    ASSERT_EQ(opener.Open(first), 1);
    EXPECT_EQ(opener.Image().JpegQuality(), CJpegImage::kDefaultQuality);
}

}  // namespace
}  // namespace corvane
