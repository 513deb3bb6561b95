// make_jpeg_seeds DIR: writes the seed corpus of the JPEG load fuzz target: small colour and
// gray pictures, baseline and progressive, with optimised tables, restart markers and
// arithmetic coding, and a CMYK one the loader refuses, so that fuzzing starts from files
// that reach each of the library's decoding paths.
#include <cstdio>
#include <string>
#include <vector>

#include "images/codec_test_writer.h"

namespace {

using corvane::test::SJpegLayout;

SJpegLayout Picture(int components, int quality, bool progressive) {
    SJpegLayout layout{19, 13, components, {}, quality, progressive, {}};
    for (int y = 0; y < layout.height; ++y)
        for (int x = 0; x < layout.width; ++x)
            for (int c = 0; c < components; ++c)
                layout.samples.push_back(uint8_t(x * 13 + y * 7 + c * 80));
    return layout;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_jpeg_seeds DIR\n");
        return 2;
    }
    std::vector<SJpegLayout> layouts;
    for (const int components : {1, 3})
        for (const bool progressive : {false, true})
            layouts.push_back(Picture(components, components == 1 ? 90 : 50, progressive));
    layouts.push_back(Picture(4, 75, false));
    SJpegLayout restarts = Picture(3, 80, false);
    restarts.restartRows = 1;
    restarts.optimize = true;
    layouts.push_back(restarts);
    SJpegLayout arithmetic = Picture(3, 80, true);
    arithmetic.arithmetic = true;
    layouts.push_back(arithmetic);
    int n = 0;
    for (const SJpegLayout& layout : layouts) {
        const std::vector<uint8_t> bytes = corvane::test::WriteJpeg(layout);
        const std::string path = std::string(argv[1]) + "/seed_" + std::to_string(n++);
        if (bytes.empty()) {
            std::fprintf(stderr, "make_jpeg_seeds: cannot encode %s\n", path.c_str());
            return 1;
        }
        corvane::test::WriteBytes(path, bytes);
    }
    return 0;
}
