// make_png_seeds DIR: writes the seed corpus of the PNG load fuzz target: one small picture
// of every colour type and depth, plain and interlaced, with and without transparency, so
// that fuzzing starts from files that reach every conversion the loader asks for.
#include <cstdio>
#include <string>
#include <vector>

#include "images/codec_test_writer.h"

namespace {

using corvane::test::SPngLayout;

SPngLayout Picture(int bitDepth, int colorType, bool interlaced) {
    SPngLayout layout{11, 9, bitDepth, colorType, interlaced, {}, {}, {}, false};
    const size_t rowBits =
        size_t(layout.width) * size_t(corvane::test::PngChannels(colorType) * bitDepth);
    for (int y = 0; y < layout.height; ++y) {
        std::vector<uint8_t> row((rowBits + 7) / 8);
        for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i * 37 + size_t(y) * 11);
        layout.rows.push_back(row);
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << bitDepth); ++i)
            layout.palette.push_back({uint8_t(i * 3), uint8_t(255 - i), uint8_t(i * 7)});
        layout.paletteAlpha = {0, 128};
    }
    return layout;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_png_seeds DIR\n");
        return 2;
    }
    struct Layout {
        int colorType;
        std::vector<int> depths;
    };
    const Layout layouts[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
        {PNG_COLOR_TYPE_RGB, {8, 16}},           {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
    };
    int n = 0;
    for (const Layout& layout : layouts) {
        for (const int depth : layout.depths) {
            for (const bool interlaced : {false, true}) {
                const std::vector<uint8_t> bytes =
                    corvane::test::WritePng(Picture(depth, layout.colorType, interlaced));
                const std::string path = std::string(argv[1]) + "/seed_" + std::to_string(n++);
                if (bytes.empty()) {
                    std::fprintf(stderr, "make_png_seeds: cannot encode %s\n", path.c_str());
                    return 1;
                }
                corvane::test::WriteBytes(path, bytes);
            }
        }
    }
    return 0;
}
