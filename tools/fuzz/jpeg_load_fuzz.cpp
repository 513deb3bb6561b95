// libFuzzer target: JPEG files from untrusted bytes, through the library's error return. A load
// either fails with a message and no picture, or gives a picture within the size limits, of
// a depth the bitmap knows, whose every row lies inside the block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "images/image_draw.h"
#include "images/jpeg_file.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Reading every pixel of a small picture puts the whole block under the address checker; a
// large one is only sampled so that each input stays quick.
void CheckPicture(const corvane::CImageImpl& image) {
    Check(corvane::CImageImpl::SizeAllowed(image.Width(), image.Height()));
    const int bits = image.BitsPerPixel();
    Check(bits == 1 || bits == 4 || bits == 8 || bits == 24);
    Check(image.Palette().size() <= 256);
    Check(image.PixelOffset() + image.ImageSize() <= image.Bitmap().size());
    const int step = image.Width() * int64_t(image.Height()) > 1'000'000 ? 97 : 1;
    unsigned sum = 0;
    for (int y = 0; y < image.Height(); y += step)
        for (int x = 0; x < image.Width(); x += step) sum += image.GetColor(x, y).red;
    Check(corvane::DrawingPalette(image).size() == (bits <= 8 ? size_t(1) << bits : 0));
    (void)sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::CJpegImage image;
    if (image.LoadBytes(std::span<const uint8_t>(data, size)) == 1) {
        Check(image.LastError().empty());
        CheckPicture(image);
        // Loaded JPEG pictures are always one byte per pixel through a palette.
        Check(image.BitsPerPixel() == 8 && image.HasPalette());
        Check(image.Palette().size() <= size_t(corvane::CJpegImage::kColors) ||
              image.Palette().size() == 256);
    } else {
        Check(!image.LastError().empty());
    }
    return 0;
}
