#pragma once
// Pictures of the image library on Qt: CQtDrawSurface lets DrawImage paint a CImageImpl into a
// QImage (palette, bottom-up rows, stretching by whole rows and columns, the AND/OR passes of a
// transparent index), and PictureToQImage turns a whole picture into a QImage of its own size
// whose transparent index is see-through. The surface draws into an image it does not own;
// whoever holds the picture's lock calls it. GUI-free: safe on any thread that owns the images.
#include <QImage>
#include <span>
#include <vector>

#include "images/image_draw.h"

namespace corvane {

class CQtDrawSurface final : public IDrawSurface {
public:
    // `target` must stay alive while the surface draws; it is converted to 32-bit RGB once.
    explicit CQtDrawSurface(QImage& target);

    void RealisePalette(std::span<const SRgb> palette) override;
    void StretchBits(const SBitmapView& bitmap, SDrawRect dest, SDrawRect source,
                     ERasterOp op) override;

    int RealisedCount() const { return m_realised; }

private:
    QImage& m_target;
    int m_realised = 0;
};

// The colour of picture pixel (x, y), y counted from the top row; false outside the bitmap or
// for a depth the library never produces.
bool PixelOf(const SBitmapView& bitmap, int x, int y, SRgb& color);

// The whole picture at its own size; pixels of the transparent index get alpha 0. A null
// image when the picture holds no bitmap.
QImage PictureToQImage(const CImageImpl& image);

}  // namespace corvane
