#pragma once
// JPEG pictures through libjpeg: colour pictures load as 8-bit images quantised to at most
// kColors colours, gray pictures as 8-bit images with a 256-step gray palette; saving writes
// any picture as a colour JPEG of the stored quality.
//
// Owns nothing beyond the picture it inherits. Called on one thread at a time, like the
// holder. A library error never leaves this class (and never ends the program): it turns into
// a failed load or save, and a failed load leaves the picture empty or partly built.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "images/codec_image.h"

namespace corvane {

class CJpegImage : public CCodecImage {
public:
    static constexpr int kColors = 128;
    static constexpr int kDefaultQuality = 30;
    // A progressive file needs a handful of scans; thousands of them would only burn time
    // redecoding the whole picture.
    static constexpr int kMaxScans = 500;
    // Working memory the library may take on top of the picture; a 100-megapixel progressive
    // picture needs about a gigabyte.
    static constexpr long kMaxLibraryMemory = 1L << 30;

    CJpegImage() { SetJpegQuality(kDefaultQuality); }

protected:
    int Decode(std::FILE* file, std::span<const uint8_t> bytes) override;
    bool Encode(std::FILE* file) override;
};

}  // namespace corvane
