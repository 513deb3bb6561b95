// libFuzzer target: Windows bitmap files from untrusted bytes. Loading must never read past
// the input or size a block from a header that lies, and a loaded picture must carry a block
// whose header, colour table and rows agree with what the holder reports.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "images/bmp_file.h"
#include "tools/fuzz/picture_checks.h"

using corvane::fuzz::Check;

namespace {

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::CBmpImage image;
    const int loaded = image.LoadBytes(std::span(data, size));
    Check(loaded == image.HasBitmap());
    if (!loaded) return 0;
    const auto& block = image.Bitmap();
    Check(corvane::CImageImpl::SizeAllowed(image.Width(), image.Height()));
    Check(block.size() == image.PixelOffset() + image.ImageSize());
    // The block was rebuilt in the holder's layout, whatever the file's header said.
    Check(Get32(block.data()) == 40);
    Check(int32_t(Get32(block.data() + 4)) == image.Width());
    Check(int32_t(Get32(block.data() + 8)) == image.Height());
    Check(Get32(block.data() + 20) == image.ImageSize());
    Check(image.PixelOffset() == 40 + 4 * size_t(image.ColorTableEntries()));
    Check(image.Palette().size() == size_t(image.ColorTableEntries()));
    // The rows were all read from the input, so they cannot outgrow it, except that 16-bit
    // pixels grow by half when they become 24-bit ones.
    const bool sixteenBits = Get32(data + 14) >= 40 && (Get32(data + 28) & 0xFFFF) == 16;
    Check(image.ImageSize() <= (sixteenBits ? 2 * size : size));
    const int bits = image.BitsPerPixel();
    Check(bits == 1 || bits == 4 || bits == 8 || bits == 24);
    return 0;
}
