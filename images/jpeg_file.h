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

#include "images/image_impl.h"

namespace corvane {

class CJpegImage : public CImageImpl {
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
