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

#include "images/image_impl.h"

namespace corvane {

class CPngImage : public CImageImpl {
public:
    // Composited background of transparent pixels (an index and gray level of 0 stand in for
    // palette and gray pictures).
    static constexpr SRgb kBackground{31, 127, 255};

    int Load(const std::string& fileName) override;
    // The same from bytes already in memory; the file name is left alone.
    int LoadBytes(std::span<const uint8_t> bytes);
    int Save(const std::string& fileName) override;

    // Why the last load or save failed (the library's message or ours), empty after success.
    const std::string& LastError() const { return m_lastError; }

private:
    // Reads from `file` when it is given, else from `bytes`.
    int Decode(std::FILE* file, std::span<const uint8_t> bytes);

    std::string m_lastError;
};

}  // namespace corvane
