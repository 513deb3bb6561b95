#include "gui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <algorithm>
#include <functional>
#include <unordered_map>

#include "app/commands.h"

namespace corvane::icons {
namespace {

// Every glyph is drawn on a 16 by 16 grid and scaled; one palette keeps them consistent.
const QColor kInk(0x33, 0x3d, 0x4a);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperEdge(0x6b, 0x77, 0x85);
const QColor kTextLine(0x8a, 0x97, 0xa6);
const QColor kSky(0x8e, 0xc5, 0xf0);
const QColor kHill(0x3f, 0x9b, 0x4a);
const QColor kQueued(0xe0, 0xa1, 0x1b);
const QColor kDownload(0x2e, 0xa4, 0x4f);
const QColor kAlert(0xd0, 0x31, 0x2d);
const QColor kBrand(0x1d, 0x4e, 0x89);
const QColor kIdle(0x9a, 0xa3, 0xad);

using Painter = std::function<void(QPainter&)>;

QPixmap Render(int width, int height, const Painter& paint) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal scale = std::min(width, height) / 16.0;
    p.translate((width - 16.0 * scale) / 2.0, (height - 16.0 * scale) / 2.0);
    p.scale(scale, scale);
    paint(p);
    return pixmap;
}

QIcon Make(std::initializer_list<QSize> sizes, const Painter& paint) {
    QIcon icon;
    for (const QSize& size : sizes) icon.addPixmap(Render(size.width(), size.height(), paint));
    return icon;
}

// Icons are painted once per process; keys keep the kinds apart. The cache is never freed:
// pixmaps must not be destroyed after the application object, which static destruction
// would do.
QIcon Cached(int kind, int value, const std::function<QIcon()>& make) {
    static auto* const cache = new std::unordered_map<long long, QIcon>();
    const long long key = (static_cast<long long>(kind) << 32) ^ static_cast<unsigned>(value);
    auto it = cache->find(key);
    if (it == cache->end()) it = cache->emplace(key, make()).first;
    return it->second;
}

enum EKind {
    kKindArticle,
    kKindGroup,
    kKindActivity,
    kKindLocate,
    kKindCancel,
    kKindCommand,
    kKindProgram
};

QPen Pen(const QColor& color, qreal width = 1.0) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// A page with a folded top right corner; text pages carry lines, attachment pages a picture.
void DrawPage(QPainter& p, const QRectF& r, bool attachment) {
    const qreal fold = r.width() * 0.3;
    QPainterPath outline;
    outline.moveTo(r.left(), r.top());
    outline.lineTo(r.right() - fold, r.top());
    outline.lineTo(r.right(), r.top() + fold);
    outline.lineTo(r.right(), r.bottom());
    outline.lineTo(r.left(), r.bottom());
    outline.closeSubpath();
    p.setPen(Pen(kPaperEdge, 0.8));
    p.setBrush(kPaper);
    p.drawPath(outline);
    const qreal inset = r.width() * 0.2;
    if (attachment) {
        const QRectF pic(r.left() + inset, r.top() + r.height() * 0.35, r.width() - 2 * inset,
                         r.height() * 0.45);
        p.setPen(Qt::NoPen);
        p.setBrush(kSky);
        p.drawRect(pic);
        QPolygonF hill;
        hill << pic.bottomLeft() << QPointF(pic.left() + pic.width() * 0.45, pic.top() + 1.0)
             << QPointF(pic.right() - pic.width() * 0.2, pic.center().y()) << pic.bottomRight();
        p.setBrush(kHill);
        p.drawPolygon(hill);
    } else {
        p.setPen(Pen(kTextLine, 0.9));
        for (int i = 0; i < 4; ++i) {
            const qreal y = r.top() + r.height() * (0.32 + 0.16 * i);
            p.drawLine(QPointF(r.left() + inset, y), QPointF(r.right() - inset, y));
        }
    }
}

void DrawArrowDown(QPainter& p, const QPointF& top, qreal height, const QColor& color) {
    const qreal w = height * 0.5;
    QPolygonF arrow;
    arrow << QPointF(top.x() - w * 0.35, top.y()) << QPointF(top.x() + w * 0.35, top.y())
          << QPointF(top.x() + w * 0.35, top.y() + height * 0.5)
          << QPointF(top.x() + w, top.y() + height * 0.5) << QPointF(top.x(), top.y() + height)
          << QPointF(top.x() - w, top.y() + height * 0.5)
          << QPointF(top.x() - w * 0.35, top.y() + height * 0.5);
    p.setPen(Pen(color.darker(130), 0.6));
    p.setBrush(color);
    p.drawPolygon(arrow);
}

void DrawCross(QPainter& p, const QPointF& c, qreal half, const QColor& color, qreal width) {
    p.setPen(Pen(color, width));
    p.drawLine(QPointF(c.x() - half, c.y() - half), QPointF(c.x() + half, c.y() + half));
    p.drawLine(QPointF(c.x() - half, c.y() + half), QPointF(c.x() + half, c.y() - half));
}

// The state marks sit in a disc in the lower right corner, over the page.
enum class EMark { kNone, kQueued, kDownloading, kIncomplete, kMismatch };

void DrawMark(QPainter& p, EMark mark) {
    if (mark == EMark::kNone) return;
    const QPointF c(12.0, 11.5);
    const qreal r = 3.7;
    const QColor fill = mark == EMark::kQueued        ? kQueued
                        : mark == EMark::kDownloading ? kDownload
                                                      : kAlert;
    p.setPen(Pen(kPaper, 0.8));
    p.setBrush(fill);
    p.drawEllipse(c, r, r);
    p.setPen(Pen(kPaper, 1.1));
    p.setBrush(Qt::NoBrush);
    switch (mark) {
        case EMark::kQueued:  // a clock: waiting its turn
            p.drawLine(c, QPointF(c.x(), c.y() - 2.2));
            p.drawLine(c, QPointF(c.x() + 1.6, c.y()));
            break;
        case EMark::kDownloading:
            p.drawLine(QPointF(c.x(), c.y() - 2.2), QPointF(c.x(), c.y() + 1.8));
            p.drawLine(QPointF(c.x() - 1.6, c.y() + 0.2), QPointF(c.x(), c.y() + 1.8));
            p.drawLine(QPointF(c.x() + 1.6, c.y() + 0.2), QPointF(c.x(), c.y() + 1.8));
            break;
        case EMark::kIncomplete:  // parts missing: an exclamation mark
            p.drawLine(QPointF(c.x(), c.y() - 2.2), QPointF(c.x(), c.y() + 0.4));
            p.drawPoint(QPointF(c.x(), c.y() + 1.9));
            break;
        case EMark::kMismatch:  // the server holds another article at this number
            DrawCross(p, c, 1.5, kPaper, 1.1);
            break;
        case EMark::kNone:
            break;
    }
}

struct SStateLook {
    bool attachment;
    bool multiPart;
    EMark mark;
};

// Indexed by state image: text 0-5, attachment 6-11 (downloading before queued there),
// the two incomplete joined kinds, then mismatch.
constexpr SStateLook kLooks[kArticleStateCount] = {
    {false, false, EMark::kNone},        {false, false, EMark::kQueued},
    {false, false, EMark::kDownloading}, {false, true, EMark::kNone},
    {false, true, EMark::kQueued},       {false, true, EMark::kDownloading},
    {true, false, EMark::kNone},         {true, false, EMark::kDownloading},
    {true, false, EMark::kQueued},       {true, true, EMark::kNone},
    {true, true, EMark::kDownloading},   {true, true, EMark::kQueued},
    {true, true, EMark::kIncomplete},    {false, true, EMark::kIncomplete},
    {true, false, EMark::kMismatch},
};

SStateLook LookOf(int image) {
    if (image < 0 || image >= kArticleStateCount) return {false, false, EMark::kNone};
    return kLooks[image];
}

void PaintArticle(QPainter& p, int image) {
    const SStateLook look = LookOf(image);
    if (look.multiPart) {
        // Parts of one posting: a second page behind the first.
        DrawPage(p, QRectF(4.5, 0.5, 9.0, 12.0), look.attachment);
        DrawPage(p, QRectF(1.5, 3.0, 9.0, 12.0), look.attachment);
    } else {
        DrawPage(p, QRectF(2.0, 1.0, 10.0, 14.0), look.attachment);
    }
    DrawMark(p, look.mark);
}

void PaintFolder(QPainter& p) {
    QPainterPath folder;
    folder.moveTo(1.5, 4.0);
    folder.lineTo(6.0, 4.0);
    folder.lineTo(7.5, 5.5);
    folder.lineTo(14.5, 5.5);
    folder.lineTo(14.5, 13.5);
    folder.lineTo(1.5, 13.5);
    folder.closeSubpath();
    p.setPen(Pen(kQueued.darker(140), 0.8));
    p.setBrush(kQueued.lighter(130));
    p.drawPath(folder);
}

void PaintSave(QPainter& p) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kBrand);
    p.drawRoundedRect(QRectF(2.0, 2.0, 12.0, 12.0), 1.2, 1.2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 2.0, 7.0, 4.5));
    p.setBrush(kIdle.lighter(140));
    p.drawRect(QRectF(4.0, 9.0, 8.0, 5.0));
}

void PaintGear(QPainter& p) {
    const QPointF c(8.0, 8.0);
    p.setPen(Pen(kInk, 2.2));
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(45.0 * i);
        p.drawLine(t.map(QPointF(0, 4.0)), t.map(QPointF(0, 6.2)));
    }
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kIdle);
    p.drawEllipse(c, 4.6, 4.6);
    p.setBrush(kPaper);
    p.drawEllipse(c, 1.8, 1.8);
}

void PaintClock(QPainter& p) {
    const QPointF c(8.0, 8.0);
    p.setPen(Pen(kInk, 1.0));
    p.setBrush(kPaper);
    p.drawEllipse(c, 6.2, 6.2);
    p.setPen(Pen(kBrand, 1.3));
    p.drawLine(c, QPointF(8.0, 3.6));
    p.drawLine(c, QPointF(11.0, 9.5));
}

void PaintBrowser(QPainter& p) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 2.5, 13.0, 11.0));
    p.setBrush(kBrand);
    p.drawRect(QRectF(1.5, 2.5, 13.0, 2.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawRect(QRectF(3.5, 6.5, 9.0, 5.5));
    QPolygonF hill;
    hill << QPointF(3.5, 12.0) << QPointF(7.0, 8.0) << QPointF(9.5, 10.0) << QPointF(12.5, 12.0);
    p.setBrush(kHill);
    p.drawPolygon(hill);
}

void PaintList(QPainter& p, bool withArrow) {
    p.setPen(Pen(kInk, 1.2));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 3.0 + 3.0 * i;
        p.drawPoint(QPointF(2.5, y));
        p.drawLine(QPointF(5.0, y), QPointF(withArrow ? 9.5 : 13.5, y));
    }
    if (withArrow) DrawArrowDown(p, QPointF(12.5, 4.0), 10.0, kDownload);
}

void PaintTray(QPainter& p) {
    p.setPen(Pen(kInk, 1.0));
    p.setBrush(Qt::NoBrush);
    QPolygonF tray;
    tray << QPointF(1.5, 10.0) << QPointF(1.5, 14.5) << QPointF(14.5, 14.5) << QPointF(14.5, 10.0);
    p.drawPolyline(tray);
}

void PaintGroups(QPainter& p, bool all) {
    PaintTray(p);
    if (all) {
        DrawArrowDown(p, QPointF(5.0, 1.5), 10.0, kDownload);
        DrawArrowDown(p, QPointF(11.0, 1.5), 10.0, kDownload);
    } else {
        DrawArrowDown(p, QPointF(8.0, 1.5), 11.0, kDownload);
    }
}

void PaintGrab(QPainter& p, bool all) {
    if (all) {
        DrawPage(p, QRectF(5.0, 0.5, 9.0, 12.0), true);
        DrawPage(p, QRectF(2.0, 3.0, 9.0, 12.5), true);
    } else {
        DrawPage(p, QRectF(2.0, 1.0, 10.0, 14.0), true);
    }
    DrawMark(p, EMark::kDownloading);
}

void PaintRemove(QPainter& p) {
    DrawPage(p, QRectF(2.0, 1.0, 10.0, 14.0), false);
    const QPointF c(12.0, 11.5);
    p.setPen(Pen(kPaper, 0.8));
    p.setBrush(kAlert);
    p.drawEllipse(c, 3.7, 3.7);
    p.setPen(Pen(kPaper, 1.3));
    p.drawLine(QPointF(c.x() - 2.0, c.y()), QPointF(c.x() + 2.0, c.y()));
}

void PaintStop(QPainter& p) {
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(8.0, 8.0);
        t.rotate(22.5 + 45.0 * i);
        octagon << t.map(QPointF(0, 6.8));
    }
    p.setPen(Pen(kAlert.darker(140), 0.8));
    p.setBrush(kAlert);
    p.drawPolygon(octagon);
    p.setPen(Pen(kPaper, 1.4));
    p.drawLine(QPointF(4.8, 8.0), QPointF(11.2, 8.0));
}

void PaintEmptyQueue(QPainter& p) {
    PaintTray(p);
    p.setPen(Pen(kTextLine, 1.2));
    p.drawLine(QPointF(3.5, 12.5), QPointF(12.5, 12.5));
    DrawCross(p, QPointF(8.0, 5.0), 3.2, kAlert, 1.8);
}

void PaintGlobe(QPainter& p) {
    p.setPen(Pen(kBrand, 0.9));
    p.setBrush(kSky.lighter(115));
    p.drawEllipse(QPointF(7.0, 7.0), 5.8, 5.8);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7.0, 7.0), 2.6, 5.8);
    p.drawLine(QPointF(1.2, 7.0), QPointF(12.8, 7.0));
}

void PaintPerson(QPainter& p) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kBrand.lighter(160));
    p.drawEllipse(QPointF(7.0, 4.5), 3.0, 3.0);
    QPainterPath body;
    body.moveTo(1.5, 14.0);
    body.cubicTo(1.5, 7.5, 12.5, 7.5, 12.5, 14.0);
    body.closeSubpath();
    p.drawPath(body);
}

void PaintKilled(QPainter& p, bool person) {
    if (person) {
        PaintPerson(p);
    } else {
        PaintGlobe(p);
    }
    DrawCross(p, QPointF(12.0, 12.0), 2.6, kAlert, 1.8);
}

void PaintHelp(QPainter& p) {
    p.setPen(Pen(kBrand.darker(120), 0.8));
    p.setBrush(kBrand);
    p.drawEllipse(QPointF(8.0, 8.0), 6.5, 6.5);
    p.setPen(Pen(kPaper, 1.6));
    p.setBrush(Qt::NoBrush);
    QPainterPath hook;
    hook.moveTo(5.8, 6.0);
    hook.cubicTo(5.8, 3.0, 10.4, 3.0, 10.4, 6.0);
    hook.cubicTo(10.4, 7.8, 8.0, 7.8, 8.0, 9.6);
    p.drawPath(hook);
    p.drawPoint(QPointF(8.0, 12.0));
}

void PaintExit(QPainter& p) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kQueued.darker(110));
    p.drawRect(QRectF(2.0, 1.5, 8.0, 13.0));
    p.setBrush(kInk);
    p.drawEllipse(QPointF(8.3, 8.5), 0.7, 0.7);
    p.setPen(Pen(kDownload.darker(120), 1.6));
    p.drawLine(QPointF(8.5, 5.0), QPointF(14.5, 5.0));
    p.drawLine(QPointF(12.3, 2.8), QPointF(14.5, 5.0));
    p.drawLine(QPointF(12.3, 7.2), QPointF(14.5, 5.0));
}

void PaintNew(QPainter& p) {
    DrawPage(p, QRectF(2.5, 1.0, 10.0, 14.0), false);
    p.setPen(Pen(kQueued.darker(110), 1.2));
    const QPointF c(12.5, 3.5);
    for (int i = 0; i < 4; ++i) {
        QTransform t;
        t.translate(c.x(), c.y());
        t.rotate(45.0 * i);
        p.drawLine(t.map(QPointF(0, -2.5)), t.map(QPointF(0, 2.5)));
    }
}

void PaintButtonFace(QPainter& p) {
    p.setPen(Pen(kPaperEdge, 0.8));
    p.setBrush(kIdle.lighter(150));
    p.drawRoundedRect(QRectF(2.0, 3.0, 12.0, 10.0), 2.0, 2.0);
}

Painter CommandPainter(int id) {
    switch (id) {
        case cmd::kNew:
            return PaintNew;
        case cmd::kOpen:
            return PaintFolder;
        case cmd::kSave:
            return PaintSave;
        case cmd::kOptions:
            return PaintGear;
        case cmd::kAutomate:
            return PaintClock;
        case cmd::kBrowse:
            return PaintBrowser;
        case cmd::kGroupList:
            return [](QPainter& p) { PaintList(p, true); };
        case cmd::kDoGroup:
            return [](QPainter& p) { PaintGroups(p, false); };
        case cmd::kDoAllGroups:
            return [](QPainter& p) { PaintGroups(p, true); };
        case cmd::kGrabSelected:
            return [](QPainter& p) { PaintGrab(p, false); };
        case cmd::kGrabAll:
            return [](QPainter& p) { PaintGrab(p, true); };
        case cmd::kRemoveSelected:
            return PaintRemove;
        case cmd::kStopAll:
            return PaintStop;
        case cmd::kEmptyQueue:
            return PaintEmptyQueue;
        case cmd::kKillSite:
            return [](QPainter& p) { PaintKilled(p, false); };
        case cmd::kKillPerson:
            return [](QPainter& p) { PaintKilled(p, true); };
        case cmd::kHelp:
            return PaintHelp;
        case cmd::kExit:
            return PaintExit;
        default:
            return PaintButtonFace;
    }
}

// The program icon on a 64 grid; resources/corvane.svg draws the same shapes.
void PaintProgram(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBrand);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(14, 11, 28, 36), 2, 2);
    p.setPen(Pen(kTextLine, 3));
    for (int y : {20, 27, 34}) p.drawLine(QPointF(19, y), QPointF(37, y));
    QPolygonF arrow;
    arrow << QPointF(38, 28) << QPointF(50, 28) << QPointF(50, 38) << QPointF(57, 38)
          << QPointF(44, 54) << QPointF(31, 38) << QPointF(38, 38);
    p.setPen(Pen(kPaper, 2.5));
    p.setBrush(kDownload);
    p.drawPolygon(arrow);
}

}  // namespace

QIcon ArticleState(int image) {
    if (image < 0 || image >= kArticleStateCount) image = -1;
    return Cached(kKindArticle, image, [image] {
        return Make({{kSmall, kSmall}, {kLarge, kLarge}},
                    [image](QPainter& p) { PaintArticle(p, image); });
    });
}

QIcon GroupType(int type) {
    const bool text = type == 0;
    return Cached(kKindGroup, text ? 0 : 1, [text] {
        return Make({{kSmall, kSmall}, {kLarge, kLarge}},
                    [text](QPainter& p) { DrawPage(p, QRectF(2.5, 1.0, 11.0, 14.0), !text); });
    });
}

QIcon Activity(int image) {
    const bool active = image == kActivityActive;
    return Cached(kKindActivity, active ? 1 : 0, [active] {
        return Make({{kSmall, kSmall}, {kLarge, kLarge}}, [active](QPainter& p) {
            const QColor lamp = active ? kDownload : kIdle;
            p.setPen(Pen(lamp.darker(150), 1.0));
            p.setBrush(lamp);
            p.drawEllipse(QPointF(8.0, 8.0), 5.0, 5.0);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 150));
            p.drawEllipse(QPointF(6.5, 6.5), 1.6, 1.6);
        });
    });
}

QIcon Locate() {
    return Cached(kKindLocate, 0, [] {
        return Make({{kSmall, kSmall}, {kLarge, kLarge}}, [](QPainter& p) {
            p.setPen(Pen(kInk, 1.6));
            p.setBrush(kSky.lighter(120));
            p.drawEllipse(QPointF(6.5, 6.5), 4.2, 4.2);
            p.setPen(Pen(kInk, 2.4));
            p.drawLine(QPointF(9.7, 9.7), QPointF(14.0, 14.0));
        });
    });
}

QIcon Cancel() {
    return Cached(kKindCancel, 0, [] {
        return Make({{kSmall, kSmall}, {kLarge, kLarge}},
                    [](QPainter& p) { DrawCross(p, QPointF(8.0, 8.0), 4.5, kAlert, 2.4); });
    });
}

QIcon Command(int commandId, bool large) {
    // Two icons per command: the large toolbar's faces differ in size from the small one's.
    return Cached(kKindCommand, commandId * 2 + (large ? 1 : 0), [commandId, large] {
        const QSize size = large ? QSize(kToolbarLargeWidth, kToolbarLargeHeight)
                                 : QSize(kToolbarSmallWidth, kToolbarSmallHeight);
        return Make({size}, CommandPainter(commandId));
    });
}

QIcon Program() {
    return Cached(kKindProgram, 0, [] {
        return Make({{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}},
                    [](QPainter& p) {
                        p.scale(0.25, 0.25);
                        PaintProgram(p);
                    });
    });
}

}  // namespace corvane::icons
