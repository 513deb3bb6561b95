// Writes the seed corpus of gif_load_fuzz: plain, interlaced, transparent, animated and
// tiny-code-size GIF files, made by the tests' own writer.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "images/gif_test_writer.h"

namespace {

using corvane::SRgb;
using corvane::test::SGifFrame;

SGifFrame Frame(int width, int height, int colours, int minCodeSize) {
    SGifFrame f;
    f.width = width;
    f.height = height;
    f.minCodeSize = minCodeSize;
    for (int i = 0; i < width * height; ++i) f.pixels.push_back(uint8_t((i * 7 + i / 5) % colours));
    return f;
}

std::vector<SRgb> Table(size_t entries) {
    std::vector<SRgb> table(entries);
    for (size_t i = 0; i < entries; ++i) table[i] = {uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)};
    return table;
}

void Write(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_gif_seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    Write(dir, "plain.gif", corvane::test::WriteGif(Table(256), {Frame(16, 9, 256, 8)}));
    SGifFrame laced = Frame(7, 11, 4, 2);
    laced.interlaced = true;
    Write(dir, "interlaced.gif", corvane::test::WriteGif(Table(4), {laced}));
    SGifFrame clear = Frame(5, 5, 16, 4);
    clear.transparent = 3;
    Write(dir, "transparent.gif", corvane::test::WriteGif(Table(16), {clear}));
    SGifFrame local = Frame(3, 2, 8, 3);
    local.localTable = Table(8);
    Write(dir, "animated.gif", corvane::test::WriteGif(Table(2), {Frame(4, 4, 2, 2), local}));
    SGifFrame full = Frame(90, 60, 4, 2);
    full.clearWhenFull = false;
    Write(dir, "fulltable.gif", corvane::test::WriteGif({}, {full}));
    return 0;
}
