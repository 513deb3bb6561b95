#pragma once
// What every picture a loader hands over from untrusted bytes must satisfy: a size within the
// holder's limits, a depth the bitmap knows, a palette of at most 256 entries and every row
// inside the block. A broken promise aborts, which the fuzzer reports.
#include <cstdint>
#include <cstdlib>

#include "images/image_draw.h"
#include "images/image_impl.h"

namespace corvane::fuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// Reading every pixel of a small picture puts the whole block under the address checker; a
// large one is only sampled so that each input stays quick.
inline void CheckPicture(const CImageImpl& image) {
    Check(CImageImpl::SizeAllowed(image.Width(), image.Height()));
    const int bits = image.BitsPerPixel();
    Check(bits == 1 || bits == 4 || bits == 8 || bits == 24);
    Check(image.Palette().size() <= 256);
    Check(image.PixelOffset() + image.ImageSize() <= image.Bitmap().size());
    const int step = image.Width() * int64_t(image.Height()) > 1'000'000 ? 97 : 1;
    unsigned sum = 0;
    for (int y = 0; y < image.Height(); y += step)
        for (int x = 0; x < image.Width(); x += step) sum += image.GetColor(x, y).red;
    Check(DrawingPalette(image).size() == (bits <= 8 ? size_t(1) << bits : 0));
    (void)sum;
}

}  // namespace corvane::fuzz
