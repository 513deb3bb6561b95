#pragma once
// PNG and JPEG writers for the tests, straight over libpng and libjpeg, so that the loaders
// are checked against pixels the test chose rather than against the loaders' own savers.
// Test and fuzz-seed code only: a writer that fails returns no bytes.
#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <unistd.h>

#include "images/image_impl.h"

namespace corvane::test {

// A PNG as the test wants it written: raw rows top first in the file's own sample layout
// (packed below 8 bits, big-endian at 16).
struct SPngLayout {
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<std::vector<uint8_t>> rows;
    std::vector<SRgb> palette;
    std::vector<uint8_t> paletteAlpha;
    // Stop after the header and the rows given, flushed, as a file cut short would be.
    bool headerOnly = false;
};

// Samples per pixel of a PNG colour type (a palette index is one).
inline int PngChannels(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;
    }
}

inline void AppendPngBytes(png_structp png, png_bytep data, size_t size) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

inline void FlushNothing(png_structp) {}

inline bool WritePngInto(png_structp png, png_infop info, const SPngLayout& layout) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, png_uint_32(layout.width), png_uint_32(layout.height), layout.bitDepth,
                 layout.colorType, layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> entries;
    for (const SRgb& c : layout.palette) entries.push_back({c.red, c.green, c.blue});
    if (!entries.empty()) png_set_PLTE(png, info, entries.data(), int(entries.size()));
    if (!layout.paletteAlpha.empty())
        png_set_tRNS(png, info, layout.paletteAlpha.data(), int(layout.paletteAlpha.size()),
                     nullptr);
    png_write_info(png, info);
    if (layout.headerOnly) {
        for (const auto& row : layout.rows) png_write_row(png, row.data());
        png_write_flush(png);
        return true;
    }
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (const auto& row : layout.rows) png_write_row(png, row.data());
    png_write_end(png, info);
    return true;
}

inline std::vector<uint8_t> WritePng(const SPngLayout& layout) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendPngBytes, FlushNothing);
    if (!WritePngInto(png, info, layout)) out.clear();
    png_destroy_write_struct(&png, &info);
    return out;
}

struct SJpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] inline void JpegWriterError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<SJpegErrors*>(cinfo->err)->jump, 1);
}

// A JPEG of `components` (1 gray, 3 RGB, 4 CMYK) interleaved samples, top row first.
struct SJpegLayout {
    int width = 0;
    int height = 0;
    int components = 3;
    std::vector<uint8_t> samples;
    int quality = 95;
    bool progressive = false;
    // A scan script of the test's own, replacing the library's.
    std::vector<jpeg_scan_info> scans;
    int restartRows = 0;
    bool arithmetic = false;
    bool optimize = false;
};

inline bool WriteJpegInto(jpeg_compress_struct& cinfo, const SJpegLayout& layout) {
    cinfo.image_width = JDIMENSION(layout.width);
    cinfo.image_height = JDIMENSION(layout.height);
    cinfo.input_components = layout.components;
    cinfo.in_color_space =
        layout.components == 1 ? JCS_GRAYSCALE : (layout.components == 3 ? JCS_RGB : JCS_CMYK);
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, layout.quality, TRUE);
    if (layout.progressive) jpeg_simple_progression(&cinfo);
    cinfo.restart_in_rows = layout.restartRows;
    cinfo.arith_code = layout.arithmetic ? TRUE : FALSE;
    cinfo.optimize_coding = layout.optimize ? TRUE : FALSE;
    if (!layout.scans.empty()) {
        cinfo.scan_info = layout.scans.data();
        cinfo.num_scans = int(layout.scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = size_t(layout.width) * size_t(layout.components);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(layout.samples.data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

inline bool CompressJpeg(jpeg_compress_struct& cinfo, SJpegErrors& errors,
                         const SJpegLayout& layout, unsigned char** buffer, unsigned long* size) {
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegWriterError;
    if (setjmp(errors.jump)) return false;
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    return WriteJpegInto(cinfo, layout);
}

inline std::vector<uint8_t> WriteJpeg(const SJpegLayout& layout) {
    jpeg_compress_struct cinfo{};
    SJpegErrors errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = CompressJpeg(cinfo, errors, layout, &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out;
    if (ok && buffer) out.assign(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// Where a JPEG's first scan header (marker FF DA) begins: a cut after it lands in the picture's
// data rather than in its tables. The file's size when there is none.
inline size_t JpegScanStart(const std::vector<uint8_t>& bytes) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) return i;
    return bytes.size();
}

// A fresh folder for one test's files (per process, as builds may run the same test at once),
// removed with everything in it afterwards.
class CTempFolder {
public:
    explicit CTempFolder(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() /
                 ("corvane_" + name + "_" + std::to_string(getpid()))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~CTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace corvane::test
