#include "images/jpeg_file.h"

// The library's header needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <memory>

namespace corvane {

namespace {

// The library's error manager with the way back to the load or save in progress. The library
// only ever sees the first member.
struct SErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool acceptShortFile;
};

[[noreturn]] void Fail(j_common_ptr cinfo, const char* text) {
    auto* errors = reinterpret_cast<SErrorManager*>(cinfo->err);
    std::snprintf(errors->message, sizeof errors->message, "%s", text);
    std::longjmp(errors->jump, 1);
}

[[noreturn]] void OnErrorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<SErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// A file that ends early is a short read and fails the load, unless the file is still being
// written and the caller asked for what arrived; other warnings (stray bytes, a damaged
// stretch of data) still leave a picture worth showing. Nothing goes to stderr.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* errors = reinterpret_cast<SErrorManager*>(cinfo->err);
    if (cinfo->err->msg_code == JWRN_JPEG_EOF && !errors->acceptShortFile) OnErrorExit(cinfo);
    ++cinfo->err->num_warnings;
}

void OnProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > CJpegImage::kMaxScans)
        Fail(cinfo, "too many scans");
}

void InstallErrorManager(j_common_ptr cinfo, SErrorManager& errors) {
    cinfo->err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnErrorExit;
    errors.base.emit_message = OnMessage;
    errors.message[0] = '\0';
}

// The decompressor and its error manager, freed whichever way the load ends. Zeroed so that
// destroying it is safe even when creating it failed half way.
struct SDecoder {
    jpeg_decompress_struct info{};
    SErrorManager errors{};
    jpeg_progress_mgr progress{};
    SDecoder() = default;
    SDecoder(const SDecoder&) = delete;
    SDecoder& operator=(const SDecoder&) = delete;
    ~SDecoder() { jpeg_destroy_decompress(&info); }
};

struct SEncoder {
    jpeg_compress_struct info{};
    SErrorManager errors{};
    SEncoder() = default;
    SEncoder(const SEncoder&) = delete;
    SEncoder& operator=(const SEncoder&) = delete;
    ~SEncoder() { jpeg_destroy_compress(&info); }
};

void SetUpSource(jpeg_decompress_struct& info, std::FILE* file, std::span<const uint8_t> bytes) {
    if (file) {
        jpeg_stdio_src(&info, file);
    } else {
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    }
}

// Colour pictures go through the library's quantiser; gray ones stay one gray component.
void ChooseOutput(jpeg_decompress_struct& info) {
    switch (info.jpeg_color_space) {
        case JCS_GRAYSCALE:
            break;
        case JCS_YCbCr:
        case JCS_RGB:
            info.quantize_colors = TRUE;
            info.desired_number_of_colors = CJpegImage::kColors;
            break;
        default:
            Fail(reinterpret_cast<j_common_ptr>(&info), "unsupported colour space");
    }
}

// A picture shown small decodes at the smallest of the library's reduced scales that still
// covers the size it is shown at: an eighth of the pixels is far quicker to decode.
void ChooseScale(jpeg_decompress_struct& info, const CImageImpl::SLoadOptions& options) {
    if (options.shownWidth <= 0 || options.shownHeight <= 0) return;
    for (const unsigned denominator : {8u, 4u, 2u}) {
        const unsigned width = (info.image_width + denominator - 1) / denominator;
        const unsigned height = (info.image_height + denominator - 1) / denominator;
        if (width >= unsigned(options.shownWidth) && height >= unsigned(options.shownHeight)) {
            info.scale_num = 1;
            info.scale_denom = denominator;
            return;
        }
    }
}

void TakePalette(jpeg_decompress_struct& info, CImageImpl& image) {
    if (!info.quantize_colors) {
        image.SetGrayPalette(256);
        return;
    }
    const int count = info.actual_number_of_colors;
    if (!info.colormap || count <= 0 || count > 256 || info.out_color_components != 3)
        Fail(reinterpret_cast<j_common_ptr>(&info), "no colour map");
    image.SetPalette(count, info.colormap[0], info.colormap[1], info.colormap[2]);
}

void ReadPicture(jpeg_decompress_struct& info, CImageImpl& image) {
    auto* common = reinterpret_cast<j_common_ptr>(&info);
    jpeg_read_header(&info, TRUE);
    if (!CImageImpl::SizeAllowed(info.image_width, info.image_height))
        Fail(common, "picture too large");
    ChooseOutput(info);
    ChooseScale(info, image.LoadOptions());
    jpeg_start_decompress(&info);
    // Both the quantised and the gray output are one byte per pixel.
    if (info.output_components != 1 ||
        !image.Create(int(info.output_width), int(info.output_height), 8))
        Fail(common, "unexpected output format");
    TakePalette(info, image);
    const int height = image.Height();
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.Row(height - 1 - int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
}

// Everything that may jump back here runs after the setjmp; the decoder lives in the caller.
bool DecodeWith(SDecoder& decoder, std::FILE* file, std::span<const uint8_t> bytes,
                CImageImpl& image) {
    auto* common = reinterpret_cast<j_common_ptr>(&decoder.info);
    InstallErrorManager(common, decoder.errors);
    if (setjmp(decoder.errors.jump)) return false;
    jpeg_create_decompress(&decoder.info);
    decoder.info.mem->max_memory_to_use = CJpegImage::kMaxLibraryMemory;
    decoder.progress.progress_monitor = OnProgress;
    decoder.info.progress = &decoder.progress;
    SetUpSource(decoder.info, file, bytes);
    ReadPicture(decoder.info, image);
    return true;
}

void WriteRows(jpeg_compress_struct& info, const CImageImpl& image) {
    const int width = image.Width();
    JSAMPARRAY buffer = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info),
                                                  JPOOL_IMAGE, JDIMENSION(width) * 3, 1);
    // Rows go top first; palette pictures become red-green-blue through their palette.
    for (int y = image.Height() - 1; y >= 0; --y) {
        JSAMPROW out = buffer[0];
        for (int x = 0; x < width; ++x) {
            const SRgb color = image.GetColor(x, y);
            out[3 * x] = color.red;
            out[3 * x + 1] = color.green;
            out[3 * x + 2] = color.blue;
        }
        jpeg_write_scanlines(&info, buffer, 1);
    }
}

bool EncodeWith(SEncoder& encoder, std::FILE* file, const CImageImpl& image) {
    auto* common = reinterpret_cast<j_common_ptr>(&encoder.info);
    InstallErrorManager(common, encoder.errors);
    if (setjmp(encoder.errors.jump)) return false;
    jpeg_create_compress(&encoder.info);
    jpeg_stdio_dest(&encoder.info, file);
    encoder.info.image_width = JDIMENSION(image.Width());
    encoder.info.image_height = JDIMENSION(image.Height());
    encoder.info.input_components = 3;
    encoder.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&encoder.info);
    jpeg_set_quality(&encoder.info, image.JpegQuality(), TRUE);
    jpeg_start_compress(&encoder.info, TRUE);
    WriteRows(encoder.info, image);
    jpeg_finish_compress(&encoder.info);
    return true;
}

}  // namespace

int CJpegImage::Decode(std::FILE* file, std::span<const uint8_t> bytes) {
    SDecoder decoder;
    decoder.errors.acceptShortFile = LoadOptions().acceptShortFile;
    if (DecodeWith(decoder, file, bytes, *this)) return 1;
    m_lastError = decoder.errors.message[0] ? decoder.errors.message : "JPEG error";
    return 0;
}

bool CJpegImage::Encode(std::FILE* file) {
    SEncoder encoder;
    if (EncodeWith(encoder, file, *this)) return true;
    m_lastError = encoder.errors.message[0] ? encoder.errors.message : "JPEG error";
    return false;
}

}  // namespace corvane
