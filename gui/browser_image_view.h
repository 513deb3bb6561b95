#pragma once
// The attachment browser's picture pane: loads the selected file through the image library and
// paints it at natural size with scroll bars, or shrunk to fit the pane (never enlarged). It
// owns the loader and its picture; loading and painting take the pane's own lock, as a load
// may overlap a paint. Main thread only for the widget itself.
#include <QAbstractScrollArea>
#include <QImage>
#include <QSize>
#include <mutex>
#include <string>

#include "images/image_open.h"

namespace corvane {

inline constexpr const char* kCantDisplayCaption = "Can't Display";

class CBrowserImageView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CBrowserImageView(QWidget* parent = nullptr);

    // Frees the previous picture and loads `path`; false when it could not be loaded (the
    // pane then says so instead of showing a picture).
    bool Load(const std::string& path);
    // Shows nothing.
    void Clear();
    void SetShrink(bool shrink);
    bool Shrink() const { return m_shrink; }

    const std::string& Path() const { return m_path; }
    bool HasPicture() const;
    // The picture at its own size, transparent index see-through; null without a picture.
    QImage Picture() const;
    // The size the picture is painted at in the current mode and pane size.
    QSize DrawnSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBars();

    mutable std::mutex m_lock;
    CImageOpener m_opener;
    std::string m_path;
    bool m_loaded = false;
    bool m_shrink = false;
};

}  // namespace corvane
