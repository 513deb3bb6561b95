#include "gui/qt_draw_surface.h"

#include <algorithm>
#include <cstdint>

namespace corvane {

namespace {

QRgb Combine(QRgb old, SRgb color, ERasterOp op) {
    const QRgb source = qRgb(color.red, color.green, color.blue);
    switch (op) {
        case ERasterOp::kAnd:
            return (old & source) | 0xff000000u;
        case ERasterOp::kOr:
            return (old | source) | 0xff000000u;
        case ERasterOp::kCopy:
            break;
    }
    return source;
}

}  // namespace

CQtDrawSurface::CQtDrawSurface(QImage& target) : m_target(target) {
    if (m_target.format() != QImage::Format_RGB32 && m_target.format() != QImage::Format_ARGB32) {
        m_target = m_target.convertToFormat(QImage::Format_RGB32);
    }
}

// Qt draws in true colour, so there is no hardware palette to select; counting the calls
// lets a caller see that DrawImage made the colours known before drawing.
void CQtDrawSurface::RealisePalette(std::span<const SRgb>) {
    ++m_realised;
}

bool PixelOf(const SBitmapView& bitmap, int x, int y, SRgb& color) {
    if (bitmap.pixels == nullptr || x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) {
        return false;
    }
    const uint8_t* row =
        bitmap.pixels + static_cast<std::ptrdiff_t>(bitmap.height - 1 - y) * bitmap.stride;
    int index = -1;
    switch (bitmap.bitsPerPixel) {
        case 24: {
            const uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * 3;
            color = {p[2], p[1], p[0]};
            return true;
        }
        case 8:
            index = row[x];
            break;
        case 4:
            index = (row[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0f;
            break;
        case 1:
            index = (row[x / 8] >> (7 - x % 8)) & 0x01;
            break;
        default:
            return false;
    }
    if (static_cast<std::size_t>(index) >= bitmap.palette.size()) return false;
    color = bitmap.palette[static_cast<std::size_t>(index)];
    return true;
}

void CQtDrawSurface::StretchBits(const SBitmapView& bitmap, SDrawRect dest, SDrawRect source,
                                 ERasterOp op) {
    if (dest.width <= 0 || dest.height <= 0 || source.width <= 0 || source.height <= 0) return;
    const int x0 = std::max(dest.x, 0);
    const int y0 = std::max(dest.y, 0);
    const int x1 = std::min<int64_t>(int64_t(dest.x) + dest.width, m_target.width());
    const int y1 = std::min<int64_t>(int64_t(dest.y) + dest.height, m_target.height());
    for (int dy = y0; dy < y1; ++dy) {
        // Whole rows and columns are dropped or repeated, never blended, as the picture's
        // palette colours must come out unchanged.
        const int sy = source.y + int(int64_t(dy - dest.y) * source.height / dest.height);
        auto* line = reinterpret_cast<QRgb*>(m_target.scanLine(dy));
        for (int dx = x0; dx < x1; ++dx) {
            const int sx = source.x + int(int64_t(dx - dest.x) * source.width / dest.width);
            SRgb color;
            if (PixelOf(bitmap, sx, sy, color)) line[dx] = Combine(line[dx], color, op);
        }
    }
}

QImage PictureToQImage(const CImageImpl& image) {
    if (!image.HasBitmap()) return {};
    const SDrawRect whole{0, 0, image.Width(), image.Height()};
    QImage onWhite(image.Width(), image.Height(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    CQtDrawSurface white(onWhite);
    DrawImage(image, &white, whole);
    const int transparent = image.TransparentIndex();
    if (transparent < 0 || image.BitsPerPixel() > 8) return onWhite;

    // The transparent index leaves the background showing: drawn over white and over black,
    // exactly those pixels differ, and they become see-through.
    QImage onBlack(image.Width(), image.Height(), QImage::Format_RGB32);
    onBlack.fill(Qt::black);
    CQtDrawSurface black(onBlack);
    DrawImage(image, &black, whole);
    QImage result = onWhite.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        const auto* dark = reinterpret_cast<const QRgb*>(onBlack.constScanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if (out[x] != dark[x]) out[x] = qRgba(0, 0, 0, 0);
        }
    }
    return result;
}

}  // namespace corvane
