#include "images/image_draw.h"

namespace corvane {

namespace {

constexpr SRgb kBlack{0, 0, 0};
constexpr SRgb kWhite{255, 255, 255};

SDrawRect Resolve(SDrawRect rect, const CImageImpl& image) {
    if (rect.x < 0) rect.x = 0;
    if (rect.y < 0) rect.y = 0;
    if (rect.width < 0) rect.width = image.Width();
    if (rect.height < 0) rect.height = image.Height();
    return rect;
}

bool HasTransparency(const CImageImpl& image, const std::vector<SRgb>& palette) {
    const int index = image.TransparentIndex();
    return image.BitsPerPixel() <= 8 && index >= 0 && size_t(index) < palette.size();
}

// Masking by palette instead of by pixels: the mask view turns the transparent index white
// and every other index black, the colour view turns only the transparent index black. ANDing
// the mask then ORing the colours leaves the surface untouched exactly where the picture is
// transparent, whether or not the picture's own palette holds a pure white and black, and
// the image itself is never modified.
void DrawTransparent(const CImageImpl& image, IDrawSurface& surface, SDrawRect dest,
                     SDrawRect source, const std::vector<SRgb>& palette) {
    const size_t transparent = size_t(image.TransparentIndex());
    std::vector<SRgb> mask(palette.size(), kBlack);
    mask[transparent] = kWhite;
    std::vector<SRgb> colors = palette;
    colors[transparent] = kBlack;
    surface.StretchBits(ViewOf(image, mask), dest, source, ERasterOp::kAnd);
    surface.StretchBits(ViewOf(image, colors), dest, source, ERasterOp::kOr);
}

}  // namespace

std::vector<SRgb> DrawingPalette(const CImageImpl& image) {
    const int bits = image.BitsPerPixel();
    if (bits > 8 || bits <= 0) return {};
    const size_t entries = size_t(1) << bits;
    std::vector<SRgb> palette = image.Palette();
    if (!image.HasPalette()) {
        // The same levels the holder reports for a gray picture's pixels.
        palette.resize(entries);
        for (size_t i = 0; i < entries; ++i) {
            const auto level = uint8_t(i * 255 / (entries - 1));
            palette[i] = {level, level, level};
        }
    }
    palette.resize(entries, kBlack);
    return palette;
}

SBitmapView ViewOf(const CImageImpl& image, std::span<const SRgb> palette) {
    SBitmapView view;
    view.width = image.Width();
    view.height = image.Height();
    view.bitsPerPixel = image.BitsPerPixel();
    view.stride = image.Stride();
    view.pixels = image.Pixels();
    view.palette = palette;
    return view;
}

int DrawImage(const CImageImpl& image, IDrawSurface* surface, SDrawRect dest, SDrawRect source) {
    if (!image.HasBitmap()) return 0;
    if (!surface) return 1;
    dest = Resolve(dest, image);
    source = Resolve(source, image);
    const std::vector<SRgb> palette = DrawingPalette(image);
    surface->RealisePalette(palette);
    if (HasTransparency(image, palette)) {
        DrawTransparent(image, *surface, dest, source, palette);
    } else {
        surface->StretchBits(ViewOf(image, palette), dest, source, ERasterOp::kCopy);
    }
    return 1;
}

int DrawImageUnscaled(const CImageImpl& image, IDrawSurface* surface, int x, int y) {
    if (!image.HasBitmap()) return 0;
    if (!surface) return 1;
    const std::vector<SRgb> palette = DrawingPalette(image);
    surface->RealisePalette(palette);
    const SDrawRect whole{0, 0, image.Width(), image.Height()};
    surface->StretchBits(ViewOf(image, palette), {x, y, image.Width(), image.Height()}, whole,
                         ERasterOp::kCopy);
    return 1;
}

}  // namespace corvane
