// libFuzzer target: JPEG files from untrusted bytes, through the library's error return. A load
// either fails with a message, or gives a picture that passes the common picture checks. The
// last byte's low bits pick whether a file ending early counts as a picture still arriving and
// whether a reduced scale is asked for, as the thumbnails do, so both ways are explored.
#include <cstddef>
#include <cstdint>
#include <span>

#include "images/jpeg_file.h"
#include "tools/fuzz/picture_checks.h"

using corvane::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::CJpegImage image;
    // The last byte's next bit asks for a reduced scale, as a thumbnail does.
    const uint8_t last = size > 0 ? data[size - 1] : 0;
    image.SetLoadOptions({(last & 1) != 0, (last & 2) ? 90 : 0, (last & 2) ? 90 : 0});
    if (image.LoadBytes(std::span<const uint8_t>(data, size)) == 1) {
        Check(image.LastError().empty());
        corvane::fuzz::CheckPicture(image);
        // Loaded JPEG pictures are always one byte per pixel through a palette.
        Check(image.BitsPerPixel() == 8 && image.HasPalette());
        Check(image.Palette().size() <= size_t(corvane::CJpegImage::kColors) ||
              image.Palette().size() == 256);
    } else {
        Check(!image.LastError().empty());
    }
    return 0;
}
