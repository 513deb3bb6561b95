#include "images/image_open.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "images/bmp_file.h"
#include "images/gif_decoder.h"
#include "images/jpeg_file.h"
#include "images/png_file.h"

namespace corvane {

namespace {

struct SKindRow {
    std::string_view extension;
    EImageKind kind;
};

// Sorted by extension, upper case, for the binary search.
constexpr std::array<SKindRow, 5> kKinds{{
    {"BMP", EImageKind::kBitmap},
    {"GIF", EImageKind::kGif},
    {"JPEG", EImageKind::kJpeg},
    {"JPG", EImageKind::kJpeg},
    {"PNG", EImageKind::kPng},
}};

// Compares `text` to an upper-case row without regard to the case of `text`.
int CompareNoCase(std::string_view text, std::string_view row) {
    const size_t common = std::min(text.size(), row.size());
    for (size_t i = 0; i < common; ++i) {
        const int a = std::toupper(static_cast<unsigned char>(text[i]));
        const int b = static_cast<unsigned char>(row[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    if (text.size() == row.size()) return 0;
    return text.size() < row.size() ? -1 : 1;
}

std::unique_ptr<CImageImpl> MakeLoader(EImageKind kind) {
    switch (kind) {
        case EImageKind::kBitmap:
            return std::make_unique<CBmpImage>();
        case EImageKind::kGif:
            return std::make_unique<CGifImage>();
        case EImageKind::kJpeg:
            return std::make_unique<CJpegImage>();
        case EImageKind::kPng:
            return std::make_unique<CPngImage>();
        case EImageKind::kNone:
            break;
    }
    return std::make_unique<CImageImpl>();
}

}  // namespace

EImageKind ImageKindOf(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return EImageKind::kNone;
    const std::string_view extension = fileName.substr(dot + 1);
    if (extension.empty()) return EImageKind::kNone;
    size_t low = 0;
    size_t high = kKinds.size();
    while (low < high) {
        const size_t middle = (low + high) / 2;
        const int order = CompareNoCase(extension, kKinds[middle].extension);
        if (order == 0) return kKinds[middle].kind;
        if (order < 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return EImageKind::kNone;
}

int CImageOpener::Open(const std::string& fileName) {
    const EImageKind kind = ImageKindOf(fileName);
    if (kind != m_kind || kind == EImageKind::kNone) {
        m_image = MakeLoader(kind);
        m_kind = kind;
    }
    if (kind == EImageKind::kNone) {
        m_image->SetFileName(fileName);
        return 0;
    }
    m_image->SetLoadOptions(m_options);
    return m_image->Load(fileName);
}

}  // namespace corvane
