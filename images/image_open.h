#pragma once
// Opening a picture by its file name: the extension picks the loader (bitmap, GIF, JPEG or
// PNG), and the picture stays in that loader, which then also saves in its own format.
//
// CImageOpener owns the loader of the last kind opened and hands out the picture it holds;
// opening another file of the same kind reuses that loader, so settings such as the JPEG
// quality survive. Not thread-safe: whoever shows the picture guards it with its own lock.
#include <memory>
#include <string>
#include <string_view>

#include "images/image_impl.h"

namespace corvane {

enum class EImageKind { kNone, kBitmap, kGif, kJpeg, kPng };

// The loader kind for a file name, by the text after its last "." without regard to case;
// kNone for other extensions and for names without one.
EImageKind ImageKindOf(std::string_view fileName);

class CImageOpener {
public:
    // Loads `fileName` with the loader its extension names: 1 on success, 0 on failure. A file
    // of no known kind leaves an image with no picture.
    int Open(const std::string& fileName);

    // The options every later Open loads with (see CImageImpl::SLoadOptions).
    void SetLoadOptions(const CImageImpl::SLoadOptions& options) { m_options = options; }

    EImageKind Kind() const { return m_kind; }
    // The picture of the last Open; never null.
    CImageImpl& Image() { return *m_image; }
    const CImageImpl& Image() const { return *m_image; }

private:
    EImageKind m_kind = EImageKind::kNone;
    CImageImpl::SLoadOptions m_options;
    std::unique_ptr<CImageImpl> m_image = std::make_unique<CImageImpl>();
};

}  // namespace corvane
