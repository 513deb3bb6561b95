#include "images/png_file.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace corvane {

namespace {

// Where the decoder's bytes come from: an open file or a block in memory. A read that comes
// up short is an error, never a picture padded with zeros.
class CSource {
public:
    CSource(std::FILE* file, std::span<const uint8_t> bytes) : m_file(file), m_bytes(bytes) {}

    bool Read(uint8_t* out, size_t count) {
        if (m_file) return std::fread(out, 1, count, m_file) == count;
        if (count > m_bytes.size() - m_position) return false;
        std::memcpy(out, m_bytes.data() + m_position, count);
        m_position += count;
        return true;
    }

private:
    std::FILE* m_file = nullptr;
    std::span<const uint8_t> m_bytes;
    size_t m_position = 0;
};

// The library's error path: keep its message for the caller and return to the setjmp of the
// load or save in progress. Nothing between there and here owns resources.
[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message ? message : "PNG error";
    png_longjmp(png, 1);
}

// Warnings concern ancillary data the picture does without; the browser has nowhere to show
// them.
void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<CSource*>(png_get_io_ptr(png));
    if (!source->Read(out, count)) png_error(png, "the file ends inside the picture");
}

// The libpng read and info structures, freed whichever way the load ends.
class CReadStructs {
public:
    explicit CReadStructs(std::string* error) {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, OnError, OnWarning);
        if (m_png) m_info = png_create_info_struct(m_png);
    }
    ~CReadStructs() { png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr); }
    CReadStructs(const CReadStructs&) = delete;
    CReadStructs& operator=(const CReadStructs&) = delete;

    bool Ok() const { return m_png && m_info; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

class CWriteStructs {
public:
    explicit CWriteStructs(std::string* error) {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnError, OnWarning);
        if (m_png) m_info = png_create_info_struct(m_png);
    }
    ~CWriteStructs() { png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr); }
    CWriteStructs(const CWriteStructs&) = delete;
    CWriteStructs& operator=(const CWriteStructs&) = delete;

    bool Ok() const { return m_png && m_info; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// Turns whatever the file holds into rows the bitmap can take: 1 or 4 bits packed as they
// are, 8 bits of index or gray, or 24 bits blue-green-red.
void SetReadTransforms(png_structp png, int bitDepth, int colorType) {
    png_color_16 background{};
    background.index = 0;
    background.red = CPngImage::kBackground.red;
    background.green = CPngImage::kBackground.green;
    background.blue = CPngImage::kBackground.blue;
    background.gray = 0;
    png_set_background(png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    png_set_strip_16(png);
    // The bitmap knows no 2-bit rows: indices widen to a byte each, gray levels are scaled to
    // 8 bits so that they keep their brightness.
    if (bitDepth == 2) {
        if (colorType == PNG_COLOR_TYPE_PALETTE) {
            png_set_packing(png);
        } else {
            png_set_expand_gray_1_2_4_to_8(png);
        }
    }
    if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);
}

// Only a palette picture's palette is taken: a true-colour file's palette is a mere suggestion
// for small displays, and taking it would make the picture look like a palette picture.
void CopyPalette(png_structp png, png_infop info, CImageImpl& image) {
    png_colorp entries = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &entries, &count) || !entries || count <= 0) return;
    std::vector<SRgb> palette(size_t(std::min(count, PNG_MAX_PALETTE_LENGTH)));
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = {entries[i].red, entries[i].green, entries[i].blue};
    image.SetPalette(palette);
}

// Rows come top first and land in the bitmap bottom-up. From the second pass on the library
// completes the row already in memory with that pass's pixels.
void ReadRows(png_structp png, CImageImpl& image, int passes) {
    const int height = image.Height();
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) png_read_row(png, image.Row(height - 1 - y), nullptr);
    }
}

void ReadPicture(png_structp png, png_infop info, CImageImpl& image) {
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (!CImageImpl::SizeAllowed(width, height)) png_error(png, "picture too large");
    SetReadTransforms(png, bitDepth, colorType);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int bits = std::min(24, png_get_channels(png, info) * png_get_bit_depth(png, info));
    if (!image.Create(int(width), int(height), bits)) png_error(png, "unsupported pixel depth");
    // The row the library writes must fit the bitmap's row, whatever the header claimed.
    if (png_get_rowbytes(png, info) > size_t(image.Stride())) png_error(png, "row too long");
    if (colorType == PNG_COLOR_TYPE_PALETTE) CopyPalette(png, info, image);
    ReadRows(png, image, passes);
}

// Decodes into `image` inside the library's error return; nothing here owns resources that a
// jump out of the library would leak.
bool DecodeWith(const CReadStructs& structs, CSource& source, CImageImpl& image) {
    if (setjmp(png_jmpbuf(structs.Png()))) return false;
#ifdef CORVANE_FUZZING
    // Checksums would turn nearly every mutated file away before the decoder sees it.
    png_set_crc_action(structs.Png(), PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
    png_set_option(structs.Png(), PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#endif
    png_set_read_fn(structs.Png(), &source, OnRead);
    ReadPicture(structs.Png(), structs.Info(), image);
    return true;
}

void WritePalette(png_structp png, png_infop info, const CImageImpl& image, int bitDepth) {
    // A palette picture stores the full palette its depth can index; entries it does not
    // use are black.
    png_color entries[PNG_MAX_PALETTE_LENGTH] = {};
    const int count = std::min(PNG_MAX_PALETTE_LENGTH, 1 << bitDepth);
    const auto& palette = image.Palette();
    for (int i = 0; i < count && size_t(i) < palette.size(); ++i)
        entries[i] = {palette[size_t(i)].red, palette[size_t(i)].green, palette[size_t(i)].blue};
    png_set_PLTE(png, info, entries, count);
}

// The picture's colour type, unless it contradicts the rows: the library sizes each row from
// the colour type, and a true-colour type over one byte per pixel would make it read three.
int WrittenColorType(const CImageImpl& image, int channels) {
    if (channels == 3) return PNG_COLOR_TYPE_RGB;
    const bool palette = (image.ColorType() & CImageImpl::kPaletteBit) && image.HasPalette();
    return palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY;
}

void WritePicture(png_structp png, png_infop info, const CImageImpl& image) {
    const int channels = image.BitsPerPixel() <= 8 ? 1 : 3;
    const int bitDepth = image.BitsPerPixel() / channels;
    const int colorType = WrittenColorType(image, channels);
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), bitDepth,
                 colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) WritePalette(png, info, image, bitDepth);
    png_write_info(png, info);
    if (channels == 3) png_set_bgr(png);
    for (int y = image.Height() - 1; y >= 0; --y) png_write_row(png, image.Row(y));
    png_write_end(png, info);
}

bool EncodeWith(const CWriteStructs& structs, std::FILE* file, const CImageImpl& image) {
    if (setjmp(png_jmpbuf(structs.Png()))) return false;
    png_init_io(structs.Png(), file);
    WritePicture(structs.Png(), structs.Info(), image);
    return true;
}

}  // namespace

int CPngImage::Decode(std::FILE* file, std::span<const uint8_t> bytes) {
    CReadStructs structs(&m_lastError);
    if (!structs.Ok()) {
        m_lastError = "out of memory";
        return 0;
    }
    CSource source(file, bytes);
    return DecodeWith(structs, source, *this) ? 1 : 0;
}

bool CPngImage::Encode(std::FILE* file) {
    bool written = false;
    {
        CWriteStructs structs(&m_lastError);
        written = structs.Ok() && EncodeWith(structs, file, *this);
    }
    if (!written && m_lastError.empty()) m_lastError = "out of memory";
    return written;
}

}  // namespace corvane
