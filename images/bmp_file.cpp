#include "images/bmp_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "images/byte_reader.h"

namespace corvane {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kLongestHeader = 256;
// Some writers leave a gap between the colour table and the pixels; a longer gap is a lie.
constexpr size_t kLongestGap = 1 << 20;
constexpr size_t kWritePiece = 32768;

using Fill = ByteReader;

uint32_t Get16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uint8_t* p) {
    return Get16(p) | Get16(p + 2) << 16;
}
void Put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// What the bitmap header says, in whichever header form the file used.
struct SBmpHeader {
    int64_t width = 0;
    int64_t height = 0;
    int bitsPerPixel = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    uint32_t size = 0;
    bool core = false;
    // Where red, green and blue lie in a 16- or 32-bit pixel; a longer header carries them.
    std::array<uint32_t, 3> masks{};
    bool hasMasks = false;
};

constexpr uint32_t kBitFields = 3;

bool ReadExactly(const Fill& read, uint8_t* out, size_t count) {
    return read(out, count) == count;
}

bool ReadHeader(const Fill& read, SBmpHeader& header) {
    uint8_t h[kLongestHeader];
    if (!ReadExactly(read, h, 4)) return false;
    const uint32_t size = Get32(h);
    header.size = size;
    header.core = size == kCoreHeaderSize;
    if (!header.core && (size < 40 || size > kLongestHeader)) return false;
    if (!ReadExactly(read, h + 4, size - 4)) return false;
    if (header.core) {
        header.width = Get16(h + 4);
        header.height = Get16(h + 6);
        header.bitsPerPixel = int(Get16(h + 10));
        return true;
    }
    header.width = int32_t(Get32(h + 4));
    header.height = int32_t(Get32(h + 8));
    header.bitsPerPixel = int(Get16(h + 14));
    header.compression = Get32(h + 16);
    header.colorsUsed = Get32(h + 32);
    if (size >= 52) {
        header.masks = {Get32(h + 40), Get32(h + 44), Get32(h + 48)};
        header.hasMasks = true;
    }
    return true;
}

// 16- and 32-bit pixels become 24-bit ones, the only true-colour depth the holder knows; the
// masks say where each channel lies, and a channel narrower than 8 bits is stretched to 0-255.
class CChannelMasks {
public:
    explicit CChannelMasks(const std::array<uint32_t, 3>& masks) {
        for (size_t i = 0; i < 3; ++i) {
            m_mask[i] = masks[i];
            m_shift[i] = masks[i] ? std::countr_zero(masks[i]) : 0;
            m_width[i] = std::popcount(masks[i] >> m_shift[i]);
        }
    }
    static std::array<uint32_t, 3> Default(int bits) {
        if (bits == 16) return {0x7C00, 0x03E0, 0x001F};
        return {0x00FF0000, 0x0000FF00, 0x000000FF};
    }
    // Writes blue, green and red of one pixel.
    void Convert(uint32_t pixel, uint8_t* bgr) const {
        for (size_t i = 0; i < 3; ++i) bgr[2 - i] = Channel(pixel, i);
    }

private:
    uint8_t Channel(uint32_t pixel, size_t i) const {
        const int width = m_width[i];
        if (width == 0) return 0;
        const uint32_t value = (pixel & m_mask[i]) >> m_shift[i];
        if (width >= 8) return uint8_t(value >> (width - 8));
        return uint8_t(value * 255 / ((1u << width) - 1));
    }

    std::array<uint32_t, 3> m_mask{};
    std::array<int, 3> m_shift{};
    std::array<int, 3> m_width{};
};

// Reads `height` rows of 16- or 32-bit pixels into 24-bit rows of the block, bottom row first.
bool ReadTrueColourRows(const Fill& read, const SBmpHeader& header, int64_t height, uint8_t* pixels,
                        size_t stride) {
    const int bits = header.bitsPerPixel;
    const CChannelMasks masks(header.hasMasks && header.compression == kBitFields
                                  ? header.masks
                                  : CChannelMasks::Default(bits));
    const size_t width = size_t(header.width);
    const size_t bytesPerPixel = size_t(bits / 8);
    std::vector<uint8_t> row(size_t(CImageImpl::StrideFor(int(width), bits)));
    const bool topDown = header.height < 0;
    for (int64_t fileRow = 0; fileRow < height; ++fileRow) {
        if (!ReadExactly(read, row.data(), row.size())) return false;
        const int64_t y = topDown ? height - 1 - fileRow : fileRow;
        uint8_t* out = pixels + size_t(y) * stride;
        for (size_t x = 0; x < width; ++x) {
            const uint8_t* p = row.data() + x * bytesPerPixel;
            masks.Convert(bits == 16 ? Get16(p) : Get32(p), out + 3 * x);
        }
    }
    return true;
}

// Skips `count` bytes of the file.
bool Skip(const Fill& read, size_t count) {
    uint8_t scratch[4096];
    while (count > 0) {
        const size_t take = std::min(count, sizeof scratch);
        if (!ReadExactly(read, scratch, take)) return false;
        count -= take;
    }
    return true;
}

// The holder's own header: whatever the file used, the block carries a plain info header.
void WriteInfoHeader(uint8_t* h, int width, int height, int bitsPerPixel, uint32_t entries) {
    Put32(h, CImageImpl::kInfoHeaderSize);
    Put32(h + 4, uint32_t(width));
    Put32(h + 8, uint32_t(height));
    Put16(h + 12, 1);
    Put16(h + 14, uint32_t(bitsPerPixel));
    Put32(h + 20, uint32_t(CImageImpl::StrideFor(width, bitsPerPixel) * height));
    Put32(h + 32, entries);
}

void FlipRows(uint8_t* pixels, size_t stride, size_t rows) {
    std::vector<uint8_t> swap(stride);
    for (size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        std::memcpy(swap.data(), pixels + top * stride, stride);
        std::memcpy(pixels + top * stride, pixels + bottom * stride, stride);
        std::memcpy(pixels + bottom * stride, swap.data(), stride);
    }
}

}  // namespace

int CBmpImage::Load(const std::string& fileName) {
    const std::string name = ResolveName(fileName);
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return 0;
    SetFileName(name);
    const int result = LoadFrom(ReaderOfFile(file));
    std::fclose(file);
    return result;
}

int CBmpImage::LoadBytes(std::span<const uint8_t> bytes) {
    return LoadFrom(ReaderOfBytes(bytes));
}

int CBmpImage::LoadFrom(const std::function<size_t(uint8_t*, size_t)>& read) {
    Clear();
    uint8_t fileHeader[kFileHeaderSize];
    if (!ReadExactly(read, fileHeader, kFileHeaderSize) || fileHeader[0] != 'B' ||
        fileHeader[1] != 'M')
        return 0;
    SBmpHeader header;
    if (!ReadHeader(read, header)) return 0;
    const int fileBits = header.bitsPerPixel;
    const bool trueColour = fileBits == 16 || fileBits == 32;
    const bool knownDepth =
        fileBits == 1 || fileBits == 4 || fileBits == 8 || fileBits == 24 || trueColour;
    const bool knownLayout =
        header.compression == 0 || (header.compression == kBitFields && trueColour);
    if (!knownDepth || !knownLayout) return 0;
    const int bits = trueColour ? 24 : fileBits;
    const bool topDown = header.height < 0;
    const int64_t height = topDown ? -header.height : header.height;
    if (!SizeAllowed(header.width, height)) return 0;
    // The masks follow a 40-byte header when the file says so; longer headers hold them.
    size_t maskBytes = 0;
    if (header.compression == kBitFields && !header.hasMasks) {
        uint8_t masks[12];
        if (!ReadExactly(read, masks, sizeof masks)) return 0;
        header.masks = {Get32(masks), Get32(masks + 4), Get32(masks + 8)};
        header.hasMasks = true;
        maskBytes = sizeof masks;
    }
    // A true-colour file may carry a table for the displays of old; its pixels never use it.
    const uint32_t tableSize =
        header.colorsUsed ? header.colorsUsed : (fileBits <= 8 ? 1u << fileBits : 0);
    if (tableSize > 256) return 0;
    const uint32_t entries = trueColour ? 0 : tableSize;

    const size_t entrySize = header.core ? 3 : 4;
    std::vector<uint8_t> fileTable(tableSize * entrySize);
    if (!ReadExactly(read, fileTable.data(), fileTable.size())) return 0;
    // The pixel offset of the file header may leave a gap after the colour table; an offset
    // pointing back into the headers is ignored, the pixels then follow the table.
    const size_t consumed = kFileHeaderSize + header.size + maskBytes + fileTable.size();
    const size_t pixelAt = Get32(fileHeader + 10);
    if (pixelAt > consumed && (pixelAt - consumed > kLongestGap || !Skip(read, pixelAt - consumed)))
        return 0;

    const size_t stride = size_t(StrideFor(int(header.width), bits));
    const size_t offset = size_t(kInfoHeaderSize) + 4 * entries;
    std::vector<uint8_t> block(offset + stride * size_t(height), 0);
    if (trueColour) {
        if (!ReadTrueColourRows(read, header, height, block.data() + offset, stride)) return 0;
    } else {
        if (!ReadExactly(read, block.data() + offset, stride * size_t(height))) return 0;
        if (topDown) FlipRows(block.data() + offset, stride, size_t(height));
    }
    WriteInfoHeader(block.data(), int(header.width), int(height), bits, entries);

    std::vector<SRgb> palette(entries);
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t* e = fileTable.data() + i * entrySize;
        palette[i] = {e[2], e[1], e[0]};
    }
    AdoptBitmap(std::move(block), int(header.width), int(height), bits, int(entries), offset);
    if (entries > 0) SetPalette(palette);
    SetColorType(bits <= 8 ? kColorPalette : kColorTrue);
    return 1;
}

int CBmpImage::Save(const std::string& fileName) {
    const std::string name = ResolveName(fileName);
    if (!SaveBitmapFile(*this, name)) return 0;
    SetFileName(name);
    return 1;
}

int SaveBitmapFile(const CImageImpl& image, const std::string& fileName) {
    const std::vector<uint8_t>& block = image.Bitmap();
    if (block.empty()) return 0;
    const size_t body = image.PixelOffset() + image.ImageSize();
    if (body > block.size()) return 0;
    uint8_t fileHeader[kFileHeaderSize] = {'B', 'M'};
    Put32(fileHeader + 2, uint32_t(body + kFileHeaderSize));
    Put32(fileHeader + 10, uint32_t(image.PixelOffset() + kFileHeaderSize));
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file) return 0;
    bool whole = std::fwrite(fileHeader, 1, kFileHeaderSize, file) == kFileHeaderSize;
    for (size_t at = 0; whole && at < body; at += kWritePiece) {
        const size_t piece = std::min(kWritePiece, body - at);
        whole = std::fwrite(block.data() + at, 1, piece, file) == piece;
    }
    whole = std::fclose(file) == 0 && whole;
    return whole ? 1 : 0;
}

}  // namespace corvane
