// Writes the seed corpus of bmp_load_fuzz: one small bitmap of each depth the loader shows.
#include <cstdio>
#include <string>

#include "images/bmp_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bmp_seeds FOLDER\n");
        return 2;
    }
    for (int bits : {1, 4, 8, 24}) {
        corvane::CImageImpl image;
        if (!image.Create(5, 3, bits)) return 1;
        if (bits <= 8) image.SetGrayPalette(1 << bits);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                image.SetColor(x, y, {uint8_t(x * 50), uint8_t(y * 80), uint8_t(x * y * 20)});
        const std::string path = std::string(argv[1]) + "/depth" + std::to_string(bits) + ".bmp";
        if (!corvane::SaveBitmapFile(image, path)) return 1;
    }
    return 0;
}
