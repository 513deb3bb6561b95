#pragma once
// One decoded picture, held the way the drawing code wants it: a bottom-up device-independent
// bitmap block (a 40-byte info header, a colour table of 4-byte blue-green-red-zero entries,
// then the rows), plus the logical palette used for drawing and for index-to-colour lookups.
//
// Owns the bitmap block, the palette, the transparent index, the file name and the JPEG
// quality. Not thread-safe: one thread at a time builds, loads, reads or draws an image.
// Loaders of each file kind derive from it and override Load/Save; the drawing code reads the
// block through Bitmap() and the palette through Palette().
//
// Every loader sizes its picture through Create, which refuses dimensions beyond kMaxImageSide
// and kMaxImagePixels, so a hostile header cannot make us allocate gigabytes before any pixel
// data has been seen.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

// A colour as the palette and the pixel operations hand it over.
struct SRgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const SRgb&) const = default;
};

class CImageImpl {
public:
    // Decompression-bomb limits shared by every loader.
    static constexpr int kMaxImageSide = 16384;
    static constexpr int64_t kMaxImagePixels = 100'000'000;
    // Size of the info header Create writes at the start of the block.
    static constexpr int kInfoHeaderSize = 40;
    // Colour type values (those of PNG).
    static constexpr int kColorGray = 0;
    static constexpr int kColorTrue = 2;
    static constexpr int kColorPalette = 3;
    static constexpr int kPaletteBit = 1;
    static constexpr int kColorBit = 2;

    // Where a message meant for the user goes (the desktop shows it in a box).
    using NoticeSink = std::function<void(const std::string&)>;

    CImageImpl() = default;
    virtual ~CImageImpl() = default;
    CImageImpl(const CImageImpl&) = default;
    CImageImpl& operator=(const CImageImpl&) = default;

    // Bytes per row of a bitmap of that depth: rows are padded to whole 32-bit words.
    static int64_t StrideFor(int width, int bitsPerPixel);
    // True when a picture of that size is within the decompression-bomb limits.
    static bool SizeAllowed(int64_t width, int64_t height);

    // Frees any previous bitmap and palette and allocates a zeroed block for the new size.
    // `colorType` -1 picks gray up to 8 bits per pixel and true colour above. Fails (leaving
    // the image empty) for a depth other than 1, 4, 8, 24 or a size outside the limits.
    bool Create(int width, int height, int bitsPerPixel, int colorType = -1);
    // Frees everything the picture holds; the file name and JPEG quality stay.
    void Clear();
    bool HasBitmap() const { return !m_bitmap.empty(); }

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BitsPerPixel() const { return m_bitsPerPixel; }
    int ColorType() const { return m_colorType; }
    void SetColorType(int colorType) { m_colorType = colorType; }
    int Stride() const { return m_stride; }

    // The whole block (header, colour table, rows), as drawing and bitmap saving use it.
    const std::vector<uint8_t>& Bitmap() const { return m_bitmap; }
    // Size of the header stored at the start of the block.
    int HeaderSize() const;
    // Entries of the block's colour table (0 for true colour).
    int ColorTableEntries() const { return m_colorTableEntries; }
    // Offset of the rows inside the block; the rows take Stride() * Height() bytes.
    size_t PixelOffset() const { return m_pixelOffset; }
    size_t ImageSize() const { return size_t(m_stride) * size_t(m_height); }
    uint8_t* Pixels() { return m_bitmap.empty() ? nullptr : m_bitmap.data() + m_pixelOffset; }
    const uint8_t* Pixels() const {
        return m_bitmap.empty() ? nullptr : m_bitmap.data() + m_pixelOffset;
    }
    // Row y of the memory (y = 0 is the bottom row of the picture); null outside.
    uint8_t* Row(int y);
    const uint8_t* Row(int y) const;

    // Palette index at (x, y) for up to 8 bits per pixel; -1 outside or for true colour.
    int GetIndex(int x, int y) const;
    // Colour at (x, y): through the palette for palette images, else blue, green, red.
    SRgb GetColor(int x, int y) const;
    void SetIndex(int x, int y, int index);
    // Palette images store the nearest palette entry.
    void SetColor(int x, int y, SRgb color);

    // Logical palette. Setting one fills the block's colour table and sets colour-type bits
    // 0 and 1.
    bool HasPalette() const { return m_hasPalette; }
    const std::vector<SRgb>& Palette() const { return m_palette; }
    void SetPalette(int count, const uint8_t* red, const uint8_t* green, const uint8_t* blue);
    // From packed red-green-blue triples (3 * count bytes). Replacing an existing palette this
    // way is reported through the notice sink first, as it usually means a loader ran twice.
    void SetPaletteRgb(int count, const uint8_t* rgb);
    void SetPalette(const std::vector<SRgb>& palette);
    // Entry i gets red = green = blue = i * 256 / count.
    void SetGrayPalette(int count);
    void ClearPalette();
    // Palette entry nearest to `color` (squared distance), 0 without a palette.
    int NearestIndex(SRgb color) const;

    int TransparentIndex() const { return m_transparentIndex; }
    void SetTransparentIndex(int index) { m_transparentIndex = index; }

    const std::string& FileName() const { return m_fileName; }
    void SetFileName(const std::string& name) { m_fileName = name; }
    int JpegQuality() const { return m_jpegQuality; }
    void SetJpegQuality(int quality) { m_jpegQuality = quality; }

    void SetNoticeSink(NoticeSink sink) { m_notice = std::move(sink); }

    // How the next loads read a file, for pictures shown small while they still arrive.
    struct SLoadOptions {
        // A file still being written: a loader that turns a file ending early away takes
        // what arrived as the picture instead, the missing part filled in as its decoder does.
        bool acceptShortFile = false;
        // The picture will be shown no larger than this (0: at its own size): a loader that
        // can decode at a reduced scale may do so, never below this size.
        int shownWidth = 0;
        int shownHeight = 0;
    };
    const SLoadOptions& LoadOptions() const { return m_loadOptions; }
    void SetLoadOptions(const SLoadOptions& options) { m_loadOptions = options; }

    // Loads or saves the file kind of the derived class: 1 on success, 0 on failure. An empty
    // name means the stored file name. The holder itself knows no file kind.
    virtual int Load(const std::string& fileName);
    virtual int Save(const std::string& fileName);

    // Loaders that read a block whose header came from a file (bitmaps) adopt it whole. The
    // block must hold `pixelOffset + stride * height` bytes; the caller has checked that.
    void AdoptBitmap(std::vector<uint8_t> block, int width, int height, int bitsPerPixel,
                     int colorTableEntries, size_t pixelOffset);

protected:
    // The name a Load or Save with `fileName` works on (empty: the stored one).
    std::string ResolveName(const std::string& fileName) const;
    void Notice(const std::string& text) const;

private:
    void FillColorTable();

    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;
    int m_colorType = 0;
    int m_stride = 0;
    int m_colorTableEntries = 0;
    size_t m_pixelOffset = 0;
    std::vector<uint8_t> m_bitmap;
    int m_transparentIndex = -1;
    bool m_hasPalette = false;
    std::vector<SRgb> m_palette;
    std::string m_fileName;
    int m_jpegQuality = 75;
    SLoadOptions m_loadOptions;
    NoticeSink m_notice;
};

}  // namespace corvane
