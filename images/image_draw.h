#pragma once
// Drawing a picture onto a surface: stretched or 1:1, and with a transparent palette index
// left out so that whatever the surface showed there stays visible.
//
// IDrawSurface is what a window (or a test's pixel buffer) implements; the functions below
// own nothing and keep no state. They run on the thread that owns both the image and the
// surface. Bitmaps are handed to the surface as views that live only for the call: the
// surface copies what it needs and keeps no pointer.
#include <cstdint>
#include <span>
#include <vector>

#include "images/image_impl.h"

namespace corvane {

// How source colours combine with what the surface already shows.
enum class ERasterOp { kCopy, kAnd, kOr };

struct SDrawRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A bottom-up bitmap as the surface receives it: `height` rows of `stride` bytes, row 0 of
// the memory being the bottom row of the picture. Up to 8 bits per pixel the pixels are
// indices into `palette`, which then has an entry for every index the depth can hold (1, 4
// or 8 bits, packed most significant bits first); at 24 bits they are blue, green, red.
struct SBitmapView {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int stride = 0;
    const uint8_t* pixels = nullptr;
    std::span<const SRgb> palette;
};

class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;
    // Makes the picture's colours available before any bitmap in them is drawn.
    virtual void RealisePalette(std::span<const SRgb> palette) = 0;
    // Draws `source` (picture coordinates, y growing downwards from the top row) into `dest`
    // (surface coordinates), scaled by dropping or repeating whole rows and columns, combining
    // each colour with `op`. Parts outside the surface are clipped.
    virtual void StretchBits(const SBitmapView& bitmap, SDrawRect dest, SDrawRect source,
                             ERasterOp op) = 0;
};

// Draws `image` stretched from the source rectangle to the destination rectangle; -1 in a
// position means 0 and in a size the image's size. With a transparent index (palette
// pictures only) the pixels of that index leave the surface as it was. Returns 0 when the
// image has no picture, 1 otherwise (also when there is no surface to draw on).
int DrawImage(const CImageImpl& image, IDrawSurface* surface, SDrawRect dest,
              SDrawRect source = {-1, -1, -1, -1});

// Draws the whole image 1:1 with its top left corner at (x, y), ignoring transparency.
int DrawImageUnscaled(const CImageImpl& image, IDrawSurface* surface, int x, int y);

// The view of `image`'s bitmap with `palette`, which must outlive the view.
SBitmapView ViewOf(const CImageImpl& image, std::span<const SRgb> palette);

// The palette a view of `image` uses: the image's own, or the gray ramp of a gray picture
// without one, padded with black to every index the depth can hold. Empty for true colour.
std::vector<SRgb> DrawingPalette(const CImageImpl& image);

}  // namespace corvane
