// libFuzzer target: GIF files from untrusted bytes. Decoding must stay inside the picture's
// buffers, refuse sizes beyond the holder's limits, and hand over a picture whose block,
// palette and transparent index agree with each other.
#include <cstddef>
#include <cstdint>
#include <span>

#include "images/gif_decoder.h"
#include "tools/fuzz/picture_checks.h"

using corvane::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::CGifImage image;
    const int loaded = image.LoadBytes(std::span(data, size));
    Check(loaded == 0 || loaded == 1);
    if (!image.HasBitmap()) return 0;
    Check(corvane::CImageImpl::SizeAllowed(image.Width(), image.Height()));
    Check(image.BitsPerPixel() == 8);
    Check(image.Bitmap().size() == image.PixelOffset() + image.ImageSize());
    Check(image.TransparentIndex() >= -1 && image.TransparentIndex() <= 255);
    if (image.TransparentIndex() >= 0 && image.HasPalette()) {
        Check(image.Palette().size() == 256);
        Check(image.Palette()[size_t(image.TransparentIndex())] == corvane::SRgb{});
    }
    Check(image.Palette().size() <= 256);
    // Read the first and last rows whole through the accessors, so a block shorter than its
    // rows shows up; a full scan of a 100-megapixel picture would starve the fuzzer.
    for (int y : {0, image.Height() - 1})
        for (int x = 0; x < image.Width(); ++x) {
            const int index = image.GetIndex(x, y);
            Check(index >= 0 && index <= 255);
        }
    Check(image.GetIndex(image.Width(), 0) == -1 && image.GetIndex(0, image.Height()) == -1);
    return 0;
}
