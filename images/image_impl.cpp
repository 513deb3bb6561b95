#include "images/image_impl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace corvane {

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool DepthAllowed(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24;
}

}  // namespace

int64_t CImageImpl::StrideFor(int width, int bitsPerPixel) {
    return (int64_t(bitsPerPixel) * width + 31) / 32 * 4;
}

bool CImageImpl::SizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

bool CImageImpl::Create(int width, int height, int bitsPerPixel, int colorType) {
    Clear();
    if (!DepthAllowed(bitsPerPixel) || !SizeAllowed(width, height)) return false;
    const int entries = bitsPerPixel <= 8 ? 1 << bitsPerPixel : 0;
    const int64_t stride = StrideFor(width, bitsPerPixel);
    const size_t offset = size_t(kInfoHeaderSize) + 4 * size_t(entries);
    std::vector<uint8_t> block(offset + size_t(stride) * size_t(height), 0);
    uint8_t* h = block.data();
    Put32(h, kInfoHeaderSize);
    Put32(h + 4, uint32_t(width));
    Put32(h + 8, uint32_t(height));
    Put16(h + 12, 1);
    Put16(h + 14, uint32_t(bitsPerPixel));
    Put32(h + 16, 0);
    Put32(h + 20, uint32_t(size_t(stride) * size_t(height)));
    Put32(h + 32, uint32_t(entries));
    AdoptBitmap(std::move(block), width, height, bitsPerPixel, entries, offset);
    m_colorType = colorType >= 0 ? colorType : (bitsPerPixel <= 8 ? kColorGray : kColorTrue);
    return true;
}

void CImageImpl::AdoptBitmap(std::vector<uint8_t> block, int width, int height, int bitsPerPixel,
                             int colorTableEntries, size_t pixelOffset) {
    m_bitmap = std::move(block);
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    m_stride = int(StrideFor(width, bitsPerPixel));
    m_colorTableEntries = colorTableEntries;
    m_pixelOffset = pixelOffset;
}

void CImageImpl::Clear() {
    m_bitmap.clear();
    m_bitmap.shrink_to_fit();
    m_width = m_height = m_bitsPerPixel = m_stride = m_colorTableEntries = 0;
    m_colorType = 0;
    m_pixelOffset = 0;
    m_transparentIndex = -1;
    ClearPalette();
}

int CImageImpl::HeaderSize() const {
    return m_bitmap.size() >= 4 ? int(Get32(m_bitmap.data())) : 0;
}

uint8_t* CImageImpl::Row(int y) {
    if (m_bitmap.empty() || y < 0 || y >= m_height) return nullptr;
    return Pixels() + size_t(y) * size_t(m_stride);
}

const uint8_t* CImageImpl::Row(int y) const {
    if (m_bitmap.empty() || y < 0 || y >= m_height) return nullptr;
    return Pixels() + size_t(y) * size_t(m_stride);
}

int CImageImpl::GetIndex(int x, int y) const {
    const uint8_t* row = Row(y);
    if (!row || x < 0 || x >= m_width || m_bitsPerPixel > 8) return -1;
    switch (m_bitsPerPixel) {
        case 8:
            return row[x];
        case 4:
            return (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
        default:
            return (row[x / 8] >> (7 - x % 8)) & 1;
    }
}

SRgb CImageImpl::GetColor(int x, int y) const {
    if (m_bitsPerPixel <= 8) {
        const int index = GetIndex(x, y);
        if (index < 0) return {};
        if (m_hasPalette) return size_t(index) < m_palette.size() ? m_palette[index] : SRgb{};
        // A gray image without palette: spread the index over the full level range.
        const uint8_t level = uint8_t(index * 255 / ((1 << m_bitsPerPixel) - 1));
        return {level, level, level};
    }
    const uint8_t* row = Row(y);
    if (!row || x < 0 || x >= m_width) return {};
    const uint8_t* p = row + size_t(x) * 3;
    return {p[2], p[1], p[0]};
}

void CImageImpl::SetIndex(int x, int y, int index) {
    uint8_t* row = Row(y);
    if (!row || x < 0 || x >= m_width || m_bitsPerPixel > 8) return;
    switch (m_bitsPerPixel) {
        case 8:
            row[x] = uint8_t(index);
            break;
        case 4: {
            uint8_t& b = row[x / 2];
            b = (x & 1) ? uint8_t((b & 0xF0) | (index & 0x0F))
                        : uint8_t((b & 0x0F) | ((index & 0x0F) << 4));
            break;
        }
        default: {
            const uint8_t bit = uint8_t(0x80 >> (x % 8));
            row[x / 8] = (index & 1) ? uint8_t(row[x / 8] | bit) : uint8_t(row[x / 8] & ~bit);
        }
    }
}

void CImageImpl::SetColor(int x, int y, SRgb color) {
    if (m_bitsPerPixel <= 8) {
        SetIndex(x, y, NearestIndex(color));
        return;
    }
    uint8_t* row = Row(y);
    if (!row || x < 0 || x >= m_width) return;
    uint8_t* p = row + size_t(x) * 3;
    p[0] = color.blue;
    p[1] = color.green;
    p[2] = color.red;
}

void CImageImpl::SetPalette(int count, const uint8_t* red, const uint8_t* green,
                            const uint8_t* blue) {
    std::vector<SRgb> palette(size_t(count > 0 ? count : 0));
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = {red[i], green[i], blue[i]};
    SetPalette(palette);
}

void CImageImpl::SetPaletteRgb(int count, const uint8_t* rgb) {
    if (m_hasPalette) Notice("CImageImpl::imagePalette already exists!");
    std::vector<SRgb> palette(size_t(count > 0 ? count : 0));
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    SetPalette(palette);
}

void CImageImpl::SetPalette(const std::vector<SRgb>& palette) {
    m_palette = palette;
    m_hasPalette = true;
    m_colorType |= kPaletteBit | kColorBit;
    FillColorTable();
}

void CImageImpl::SetGrayPalette(int count) {
    std::vector<SRgb> palette(size_t(count > 0 ? count : 0));
    for (size_t i = 0; i < palette.size(); ++i) {
        const uint8_t level = uint8_t(i * 256 / size_t(count));
        palette[i] = {level, level, level};
    }
    SetPalette(palette);
}

void CImageImpl::ClearPalette() {
    m_palette.clear();
    m_hasPalette = false;
}

void CImageImpl::FillColorTable() {
    if (m_bitmap.empty()) return;
    const size_t entries = std::min(size_t(m_colorTableEntries), m_palette.size());
    // A block adopted from a file stores its table right after its header.
    const size_t table = size_t(HeaderSize());
    if (table + 4 * entries > m_pixelOffset) return;
    for (size_t i = 0; i < entries; ++i) {
        uint8_t* q = m_bitmap.data() + table + 4 * i;
        q[0] = m_palette[i].blue;
        q[1] = m_palette[i].green;
        q[2] = m_palette[i].red;
        q[3] = 0;
    }
}

int CImageImpl::NearestIndex(SRgb color) const {
    int best = 0;
    int bestDistance = -1;
    for (size_t i = 0; i < m_palette.size(); ++i) {
        const int dr = int(m_palette[i].red) - color.red;
        const int dg = int(m_palette[i].green) - color.green;
        const int db = int(m_palette[i].blue) - color.blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = int(i);
            bestDistance = distance;
            if (distance == 0) break;
        }
    }
    return best;
}

int CImageImpl::Load(const std::string&) {
    return 0;
}

int CImageImpl::Save(const std::string&) {
    return 0;
}

std::string CImageImpl::ResolveName(const std::string& fileName) const {
    return fileName.empty() ? m_fileName : fileName;
}

void CImageImpl::Notice(const std::string& text) const {
    if (m_notice) {
        m_notice(text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

}  // namespace corvane
