// Writes the seed corpus of bmp_load_fuzz: one small bitmap of each depth the loader shows,
// and the 16- and 32-bit forms it turns into true colour (plain, and with channel masks after
// the header).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "images/bmp_file.h"

namespace {

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// A 4 x 2 picture of `bits` per pixel with a 40-byte header, masks after it when given.
std::vector<uint8_t> TrueColourBitmap(int bits, const std::vector<uint32_t>& masks) {
    const uint32_t rowBytes = (uint32_t(bits) * 4 + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + 4 * uint32_t(masks.size());
    std::vector<uint8_t> out = {'B', 'M'};
    Put(out, offset + 2 * rowBytes, 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, 40, 4);
    Put(out, 4, 4);
    Put(out, 2, 4);
    Put(out, 1, 2);
    Put(out, uint32_t(bits), 2);
    Put(out, masks.empty() ? 0 : 3, 4);
    out.insert(out.end(), 20, 0);  // image size, resolution, colours used and important
    for (uint32_t mask : masks) Put(out, mask, 4);
    for (int y = 0; y < 2; ++y) {
        const size_t start = out.size();
        for (uint32_t x = 0; x < 4; ++x) Put(out, 0x01234567u * (x + 1) + uint32_t(y), bits / 8);
        out.resize(start + rowBytes, 0);
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bmp_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (int bits : {1, 4, 8, 24}) {
        corvane::CImageImpl image;
        if (!image.Create(5, 3, bits)) return 1;
        if (bits <= 8) image.SetGrayPalette(1 << bits);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                image.SetColor(x, y, {uint8_t(x * 50), uint8_t(y * 80), uint8_t(x * y * 20)});
        const std::string path = folder + "/depth" + std::to_string(bits) + ".bmp";
        if (!corvane::SaveBitmapFile(image, path)) return 1;
    }
    const bool written =
        WriteFile(folder + "/depth16.bmp", TrueColourBitmap(16, {})) &&
        WriteFile(folder + "/depth16-565.bmp", TrueColourBitmap(16, {0xF800, 0x07E0, 0x001F})) &&
        WriteFile(folder + "/depth32.bmp", TrueColourBitmap(32, {})) &&
        WriteFile(folder + "/depth32-masks.bmp", TrueColourBitmap(32, {0xFF, 0xFF00, 0xFF0000}));
    return written ? 0 : 1;
}
