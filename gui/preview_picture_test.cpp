// The thumbnails' pictures: files as a download leaves them, whole or cut short, through the
// program's own loaders into a QImage that fits the thumbnail.
#include "gui/preview_picture.h"

#include <gtest/gtest.h>

#include <QColor>
#include <cstdlib>

#include "images/codec_test_writer.h"
#include "images/gif_test_writer.h"

namespace corvane {
namespace {

using test::CTempFolder;
using test::WriteBytes;

constexpr SRgb kRed{220, 20, 20};
constexpr SRgb kBlue{20, 20, 220};

// The top half red, the bottom half blue, each pixel off by a little noise so that the file
// does not shrink to a few bytes (a download cut short then still holds whole rows).
std::vector<uint8_t> TwoBandSamples(int width, int height, int noise) {
    std::vector<uint8_t> samples;
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const SRgb c = y < height / 2 ? kRed : kBlue;
            seed = seed * 1103515245u + 12345u;
            const int wobble = noise ? int((seed >> 16) % uint32_t(2 * noise + 1)) - noise : 0;
            for (const uint8_t v : {c.red, c.green, c.blue})
                samples.push_back(uint8_t(std::clamp(v + wobble, 0, 255)));
        }
    return samples;
}

test::SPngLayout TwoBandsPng(int width, int height, int noise) {
    test::SPngLayout layout{width, height, 8, PNG_COLOR_TYPE_RGB, false, {}, {}, {}, false};
    const std::vector<uint8_t> samples = TwoBandSamples(width, height, noise);
    const auto rowBytes = std::ptrdiff_t(width) * 3;
    for (int y = 0; y < height; ++y)
        layout.rows.emplace_back(samples.begin() + y * rowBytes,
                                 samples.begin() + (y + 1) * rowBytes);
    return layout;
}

bool Near(QColor got, SRgb want, int tolerance) {
    return std::abs(got.red() - want.red) <= tolerance &&
           std::abs(got.green() - want.green) <= tolerance &&
           std::abs(got.blue() - want.blue) <= tolerance;
}

TEST(PreviewPicture, WholePicturesShrinkToTheBoxKeepingTheirShapeAndNeverGrow) {
    CTempFolder folder("preview_whole");
    const std::string large = folder.File("large.png");
    WriteBytes(large, test::WritePng(TwoBandsPng(400, 200, 0)));
    const QImage shrunk = LoadPreviewPicture(large, QSize(90, 90));
    ASSERT_FALSE(shrunk.isNull());
    EXPECT_EQ(shrunk.size(), QSize(90, 45));
    EXPECT_TRUE(Near(shrunk.pixelColor(45, 5), kRed, 0));
    EXPECT_TRUE(Near(shrunk.pixelColor(45, 40), kBlue, 0));

    // A small GIF stays at its own size, its pixels exact.
    const std::string small = folder.File("small.GIF");
    test::SGifFrame frame{3, 2, {0, 1, 0, 1, 0, 1}, {}, -1, false, 2, true};
    WriteBytes(small, test::WriteGif({{0, 0, 0}, {255, 255, 0}, {0, 0, 0}, {0, 0, 0}}, {frame}));
    const QImage kept = LoadPreviewPicture(small, QSize(90, 90));
    ASSERT_EQ(kept.size(), QSize(3, 2));
    EXPECT_EQ(kept.pixelColor(1, 0), QColor(255, 255, 0));
    EXPECT_EQ(kept.pixelColor(0, 1), QColor(255, 255, 0));
    EXPECT_EQ(kept.pixelColor(1, 1), QColor(0, 0, 0));
}

TEST(PreviewPicture, FilesStillArrivingShowWhatArrived) {
    CTempFolder folder("preview_partial");
    // A PNG cut part way through its rows: the top rows exact, the size the whole picture's.
    const test::SPngLayout layout = TwoBandsPng(256, 256, 6);
    const std::vector<uint8_t> png = test::WritePng(layout);
    const std::string partPng = folder.File("part.png");
    WriteBytes(partPng, {png.begin(), png.begin() + std::ptrdiff_t(png.size() * 3 / 4)});
    const QImage fromPng = LoadPreviewPicture(partPng, QSize(256, 256));
    ASSERT_EQ(fromPng.size(), QSize(256, 256));
    for (const int x : {0, 17, 255}) {
        const uint8_t* source = layout.rows[3].data() + 3 * x;
        EXPECT_EQ(fromPng.pixelColor(x, 3), QColor(source[0], source[1], source[2])) << x;
    }

    // A JPEG cut in the middle of its data still shows its top, where a plain load turns
    // it away.
    const std::vector<uint8_t> jpeg =
        test::WriteJpeg({128, 128, 3, TwoBandSamples(128, 128, 6), 95, false, {}});
    const size_t scan = test::JpegScanStart(jpeg);
    const std::string partJpeg = folder.File("part.jpg");
    WriteBytes(partJpeg, {jpeg.begin(), jpeg.begin() + std::ptrdiff_t((scan + jpeg.size()) / 2)});
    const QImage fromJpeg = LoadPreviewPicture(partJpeg, QSize(128, 128));
    ASSERT_EQ(fromJpeg.size(), QSize(128, 128));
    EXPECT_TRUE(Near(fromJpeg.pixelColor(40, 4), kRed, 40));

    // Nothing to show yet: a file holding only the first bytes of its header, a file of no
    // picture kind, a file that is not there.
    const std::string headerOnly = folder.File("begun.jpg");
    WriteBytes(headerOnly, {jpeg.begin(), jpeg.begin() + 10});
    EXPECT_TRUE(LoadPreviewPicture(headerOnly, QSize(90, 90)).isNull());
    const std::string text = folder.File("notes.txt");
    WriteBytes(text, png);
    EXPECT_TRUE(LoadPreviewPicture(text, QSize(90, 90)).isNull());
    EXPECT_TRUE(LoadPreviewPicture(folder.File("missing.png"), QSize(90, 90)).isNull());
}

}  // namespace
}  // namespace corvane
