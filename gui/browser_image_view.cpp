#include "gui/browser_image_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "browser/browser_view.h"
#include "gui/qt_draw_surface.h"

namespace corvane {

namespace {

constexpr int kScrollLineStep = 16;

SImageSize SizeOf(const QSize& size) {
    return {size.width(), size.height()};
}

}  // namespace

CBrowserImageView::CBrowserImageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setAccessibleName(kCantDisplayCaption);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setSingleStep(kScrollLineStep);
    verticalScrollBar()->setSingleStep(kScrollLineStep);
}

bool CBrowserImageView::Load(const std::string& path) {
    {
        std::lock_guard guard(m_lock);
        m_path = path;
        m_opener.Image().Clear();
        m_loaded = !path.empty() && m_opener.Open(path) == 1 && m_opener.Image().HasBitmap();
    }
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    UpdateScrollBars();
    viewport()->update();
    return m_loaded;
}

void CBrowserImageView::Clear() {
    {
        std::lock_guard guard(m_lock);
        m_path.clear();
        m_opener.Image().Clear();
        m_loaded = false;
    }
    UpdateScrollBars();
    viewport()->update();
}

void CBrowserImageView::SetShrink(bool shrink) {
    m_shrink = shrink;
    UpdateScrollBars();
    viewport()->update();
}

bool CBrowserImageView::HasPicture() const {
    std::lock_guard guard(m_lock);
    return m_loaded;
}

QImage CBrowserImageView::Picture() const {
    std::lock_guard guard(m_lock);
    return m_loaded ? PictureToQImage(m_opener.Image()) : QImage();
}

QSize CBrowserImageView::DrawnSize() const {
    std::lock_guard guard(m_lock);
    if (!m_loaded) return {};
    const SImageSize picture{m_opener.Image().Width(), m_opener.Image().Height()};
    if (!m_shrink) return {picture.width, picture.height};
    const SImageSize fit = ShrinkToFit(picture, SizeOf(viewport()->size()));
    return {fit.width, fit.height};
}

void CBrowserImageView::UpdateScrollBars() {
    SScrollRanges ranges;
    {
        std::lock_guard guard(m_lock);
        if (m_loaded && !m_shrink) {
            ranges = ScrollRangesFor({m_opener.Image().Width(), m_opener.Image().Height()},
                                     SizeOf(maximumViewportSize()));
        }
    }
    // A bar shown for one direction takes room from the other; measure again against the
    // viewport left once the bars are placed.
    horizontalScrollBar()->setRange(0, ranges.horizontalMax);
    verticalScrollBar()->setRange(0, ranges.verticalMax);
    setHorizontalScrollBarPolicy(ranges.showHorizontal ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(ranges.showVertical ? Qt::ScrollBarAlwaysOn
                                                   : Qt::ScrollBarAlwaysOff);
    if (ranges.showHorizontal || ranges.showVertical) {
        std::lock_guard guard(m_lock);
        const SScrollRanges inner = ScrollRangesFor(
            {m_opener.Image().Width(), m_opener.Image().Height()}, SizeOf(viewport()->size()));
        horizontalScrollBar()->setRange(0, inner.horizontalMax);
        verticalScrollBar()->setRange(0, inner.verticalMax);
    }
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
    verticalScrollBar()->setPageStep(std::max(1, viewport()->height()));
}

void CBrowserImageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CBrowserImageView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CBrowserImageView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QSize client = viewport()->size();
    std::lock_guard guard(m_lock);
    if (!m_loaded) {
        painter.fillRect(event->rect(), palette().base());
        if (!m_path.empty()) {
            painter.drawText(viewport()->rect(), Qt::AlignCenter, kCantDisplayCaption);
        }
        return;
    }
    // The picture is drawn through the image library into a buffer over the background, so
    // its palette and transparent index come out as the library defines them.
    if (client.isEmpty()) return;
    QImage buffer(client, QImage::Format_RGB32);
    buffer.fill(palette().base().color());
    CQtDrawSurface surface(buffer);
    const CImageImpl& image = m_opener.Image();
    if (m_shrink) {
        const SImageSize fit = ShrinkToFit({image.Width(), image.Height()}, SizeOf(client));
        if (fit.width > 0 && fit.height > 0) {
            DrawImage(image, &surface, {0, 0, fit.width, fit.height});
        }
    } else {
        const int left = horizontalScrollBar()->value();
        const int top = verticalScrollBar()->value();
        const int width = std::min(client.width(), image.Width() - left);
        const int height = std::min(client.height(), image.Height() - top);
        if (width > 0 && height > 0) {
            DrawImage(image, &surface, {0, 0, width, height}, {left, top, width, height});
        }
    }
    painter.drawImage(0, 0, buffer);
}

}  // namespace corvane
