#pragma once
// Windows bitmap files: loading one into the holder (1, 4, 8 and 24 bits per pixel
// uncompressed; 16 and 32 bits, plain or with channel masks, turned into 24 bits; the 12-byte
// core header or the 40-byte and longer info headers) and writing any holder's block back
// out as a bitmap file.
//
// Owns nothing beyond the picture it inherits. Called on one thread at a time, like the
// holder. A loaded picture is handed over in the holder's own layout (a 40-byte info header
// and 4-byte colour table entries), whatever header the file used, so that saving it again
// writes an ordinary bitmap.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "images/image_impl.h"

namespace corvane {

class CBmpImage : public CImageImpl {
public:
    // 1 on success; 0 for a file that cannot be opened, is not a bitmap, uses a depth or
    // compression we do not show, claims a size beyond the limits or ends before its pixels.
    int Load(const std::string& fileName) override;
    int LoadBytes(std::span<const uint8_t> bytes);
    int Save(const std::string& fileName) override;

private:
    int LoadFrom(const std::function<size_t(uint8_t*, size_t)>& read);
};

// Writes `image`'s block as a bitmap file: 1 on success, 0 when there is no picture, the file
// cannot be created or a piece is not written whole.
int SaveBitmapFile(const CImageImpl& image, const std::string& fileName);

}  // namespace corvane
