// libFuzzer target: PNG files from untrusted bytes, through the library's error return. A load
// either fails with a message, or gives a picture that passes the common picture checks; a
// failed load may leave a partly built picture, which must pass them too (the thumbnails show
// such pictures).
#include <cstddef>
#include <cstdint>
#include <span>

#include "images/png_file.h"
#include "tools/fuzz/picture_checks.h"

using corvane::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::CPngImage image;
    if (image.LoadBytes(std::span<const uint8_t>(data, size)) == 1) {
        Check(image.LastError().empty());
    } else {
        Check(!image.LastError().empty());
    }
    if (image.HasBitmap()) corvane::fuzz::CheckPicture(image);
    return 0;
}
