#pragma once
// PNG pictures through libpng: loading composes any alpha over the browser's blue background,
// cuts 16-bit samples to 8 and reads interlaced files pass by pass into the bottom-up bitmap;
// saving writes the picture at its own depth, with its palette when it has one.
//
// Owns nothing beyond the picture it inherits. Called on one thread at a time, like the
// holder. A library error never leaves this class: it turns into a failed load or save, and
// a failed load leaves the picture empty or partly built.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "images/codec_image.h"

namespace corvane {

class CPngImage : public CCodecImage {
public:
    // Composited background of transparent pixels (an index and gray level of 0 stand in for
    // palette and gray pictures).
    static constexpr SRgb kBackground{31, 127, 255};

protected:
    int Decode(std::FILE* file, std::span<const uint8_t> bytes) override;
    bool Encode(std::FILE* file) override;
};

}  // namespace corvane
