#include "gui/preview_picture.h"

#include "gui/qt_draw_surface.h"
#include "images/image_open.h"

namespace corvane {

QImage LoadPreviewPicture(const std::string& path, QSize box) {
    CImageOpener opener;
    // The file is still arriving: a loader that fails part way leaves the bitmap it had
    // started with the rows that arrived, and JPEG fills in the missing part. A large JPEG
    // decodes at a reduced scale that still covers the thumbnail.
    opener.SetLoadOptions({true, box.width(), box.height()});
    opener.Open(path);
    if (!opener.Image().HasBitmap()) return {};
    QImage picture = PictureToQImage(opener.Image());
    if (picture.isNull() || box.isEmpty()) return picture;
    if (picture.width() <= box.width() && picture.height() <= box.height()) return picture;
    return picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace corvane
