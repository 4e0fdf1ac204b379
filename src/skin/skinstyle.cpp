#include "skin/skinstyle.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStyleFactory>
#include <QStyleOption>

#include <cmath>

namespace {

// The colours of a glyph as the palette gives them.
struct GlyphInks {
    QColor shape; // filled shapes
    QColor mark;  // what is drawn on a shape
    QColor ink;   // lines and outlines
    QColor paper; // the inside of outlined shapes
};

QColor halfway(const QColor &a, const QColor &b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

GlyphInks inksOf(const QPalette &palette, QIcon::Mode mode)
{
    GlyphInks k{palette.color(QPalette::Active, QPalette::Highlight),
                palette.color(QPalette::Active, QPalette::HighlightedText),
                palette.color(QPalette::Active, QPalette::Text), palette.color(QPalette::Active, QPalette::Base)};
    if (mode == QIcon::Selected) {
        // On a selected row, which is drawn in the highlight colour.
        k.shape = k.mark;
        k.mark = palette.color(QPalette::Active, QPalette::Highlight);
        k.ink = k.shape;
    } else if (mode == QIcon::Disabled) {
        const QColor back = palette.color(QPalette::Active, QPalette::Window);
        k.shape = halfway(k.shape, back);
        k.ink = halfway(k.ink, back);
    }
    return k;
}

QPen line(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void dot(QPainter &p, QPointF centre, qreal radius, const QColor &colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(centre, radius, radius);
}

void folder(QPainter &p, const GlyphInks &k)
{
    const QPolygonF body{{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {14.5, 5}, {14.5, 13}, {1.5, 13}};
    p.setPen(line(k.shape, 1));
    p.setBrush(k.shape);
    p.drawPolygon(body);
    p.setPen(line(k.mark, 0.8));
    p.drawLine(QPointF(2, 6.6), QPointF(14, 6.6));
}

// A glyph drawn on a grid of 16 by 16.
void drawOnGrid(QPainter &p, TGlyph glyph, const GlyphInks &k)
{
    switch (glyph) {
    case TGlyph::Information:
        dot(p, {8, 8}, 7, k.shape);
        dot(p, {8, 4.6}, 1.2, k.mark);
        p.setBrush(k.mark);
        p.drawRoundedRect(QRectF(7, 6.6, 2, 6), 0.6, 0.6);
        break;
    case TGlyph::Question: {
        dot(p, {8, 8}, 7, k.shape);
        QPainterPath hook;
        hook.moveTo(5.6, 6.2);
        hook.cubicTo(5.6, 3.2, 10.4, 3.2, 10.4, 6);
        hook.cubicTo(10.4, 7.8, 8, 7.6, 8, 9.8);
        p.setPen(line(k.mark, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hook);
        dot(p, {8, 12.4}, 1.1, k.mark);
        break;
    }
    case TGlyph::Warning:
        p.setPen(line(k.shape, 1.2));
        p.setBrush(k.shape);
        p.drawPolygon(QPolygonF{{8, 1.2}, {15, 14.4}, {1, 14.4}});
        p.setPen(Qt::NoPen);
        p.setBrush(k.mark);
        p.drawRoundedRect(QRectF(7.1, 5.2, 1.8, 5.4), 0.6, 0.6);
        dot(p, {8, 12.3}, 1.05, k.mark);
        break;
    case TGlyph::Critical: {
        QPolygonF octagon;
        for (int i = 0; i < 8; ++i) {
            const double a = (22.5 + 45 * i) * M_PI / 180;
            octagon << QPointF(8 + 7.2 * std::cos(a), 8 + 7.2 * std::sin(a));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(k.shape);
        p.drawPolygon(octagon);
        p.setPen(line(k.mark, 1.9));
        p.drawLine(QPointF(5.3, 5.3), QPointF(10.7, 10.7));
        p.drawLine(QPointF(10.7, 5.3), QPointF(5.3, 10.7));
        break;
    }
    case TGlyph::Folder:
        folder(p, k);
        break;
    case TGlyph::NewFolder:
        p.save();
        p.translate(0, 2);
        p.scale(0.8, 0.8);
        folder(p, k);
        p.restore();
        p.setPen(line(k.ink, 1.6));
        p.drawLine(QPointF(12.5, 1.5), QPointF(12.5, 6.5));
        p.drawLine(QPointF(10, 4), QPointF(15, 4));
        break;
    case TGlyph::File:
        p.setPen(line(k.ink, 1));
        p.setBrush(k.paper);
        p.drawPolygon(QPolygonF{{3, 1.5}, {10, 1.5}, {13, 4.5}, {13, 14.5}, {3, 14.5}});
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF{{10, 1.5}, {10, 4.5}, {13, 4.5}});
        p.setPen(line(k.shape, 1.2));
        p.drawLine(QPointF(5.2, 8), QPointF(10.8, 8));
        p.drawLine(QPointF(5.2, 11), QPointF(10.8, 11));
        break;
    case TGlyph::Drive:
        p.setPen(Qt::NoPen);
        p.setBrush(k.shape);
        p.drawRoundedRect(QRectF(1.5, 5, 13, 6.5), 1.5, 1.5);
        dot(p, {11.8, 8.25}, 1, k.mark);
        break;
    case TGlyph::Computer:
        p.setPen(line(k.ink, 1));
        p.setBrush(k.shape);
        p.drawRoundedRect(QRectF(1.5, 2, 13, 9), 1, 1);
        p.setPen(line(k.ink, 1.4));
        p.drawLine(QPointF(8, 11.5), QPointF(8, 13.6));
        p.drawLine(QPointF(4.6, 14), QPointF(11.4, 14));
        break;
    case TGlyph::Home:
        p.setPen(line(k.shape, 1.2));
        p.setBrush(k.shape);
        p.drawPolygon(QPolygonF{{8, 1.5}, {14.8, 8}, {13, 8}, {13, 14.5}, {3, 14.5}, {3, 8}, {1.2, 8}});
        p.setPen(Qt::NoPen);
        p.setBrush(k.mark);
        p.drawRect(QRectF(6.8, 10, 2.4, 4.5));
        break;
    case TGlyph::Trash:
        p.setPen(line(k.ink, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(2.8, 3.6), QPointF(13.2, 3.6));
        p.drawPolyline(QPolygonF{{6.4, 3.6}, {6.4, 1.8}, {9.6, 1.8}, {9.6, 3.6}});
        p.setPen(Qt::NoPen);
        p.setBrush(k.shape);
        p.drawPolygon(QPolygonF{{4, 4.8}, {12, 4.8}, {11, 14.5}, {5, 14.5}});
        break;
    case TGlyph::Back:
    case TGlyph::Forward:
    case TGlyph::Up: {
        p.save();
        if (glyph != TGlyph::Back) {
            p.translate(8, 8);
            p.rotate(glyph == TGlyph::Forward ? 180 : 90);
            p.translate(-8, -8);
        }
        p.setPen(line(k.ink, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(13, 8), QPointF(3.5, 8));
        p.drawPolyline(QPolygonF{{8, 3.5}, {3.5, 8}, {8, 12.5}});
        p.restore();
        break;
    }
    case TGlyph::ListView:
        for (qreal y : {3.5, 8.0, 12.5}) {
            p.setPen(Qt::NoPen);
            p.setBrush(k.shape);
            p.drawRect(QRectF(1.5, y - 1.2, 2.4, 2.4));
            p.setPen(line(k.ink, 1.3));
            p.drawLine(QPointF(6, y), QPointF(14.5, y));
        }
        break;
    case TGlyph::DetailView:
        for (qreal y : {3.5, 8.0, 12.5}) {
            p.setPen(line(k.ink, 1.3));
            p.drawLine(QPointF(1.5, y), QPointF(8, y));
            p.setPen(line(k.shape, 1.3));
            p.drawLine(QPointF(10, y), QPointF(14.5, y));
        }
        break;
    }
}

void paintGlyph(QPainter &painter, const QRectF &rect, TGlyph glyph, const GlyphInks &inks)
{
    const qreal side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center() - QPointF(side / 2, side / 2));
    painter.scale(side / 16, side / 16);
    drawOnGrid(painter, glyph, inks);
    painter.restore();
}

} // namespace

void TGlyphIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State)
{
    paintGlyph(*painter, rect, m_glyph, inksOf(m_palette, mode));
}

QPixmap TGlyphIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap TGlyphIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    // Drawn at the screen's density: sharp on a screen of scale 2.
    QPixmap pixmap(size * scale);
    pixmap.fill(Qt::transparent);
    pixmap.setDevicePixelRatio(scale);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(), size), mode, state);
    return pixmap;
}

TSkinStyle::TSkinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
    setObjectName(QStringLiteral("SkinStyle"));
}

int TSkinStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                          QStyleHintReturn *returnData) const
{
    switch (hint) {
    case SH_ComboBox_Popup:
        // A list below the box that honours its number of visible rows (Fusion's
        // menu-like list shows every item, up to the screen's height).
        return 0;
    case SH_DialogButtonBox_ButtonsHaveIcons:
        // The desktop's button pictures are in its colours, not the skin's.
        return 0;
    default:
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

void TSkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    if ((element == PE_PanelMenu || element == PE_FrameMenu) && option) {
        // A menu in the window colour (the pop-up colour) within a border.
        // Fusion's border is the window colour darkened, invisible on a black
        // pop-up colour; the palette's border colour stands out on any.
        painter->save();
        painter->setPen(option->palette.color(QPalette::Mid));
        if (element == PE_PanelMenu)
            painter->setBrush(option->palette.window());
        else
            painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QIcon TSkinStyle::standardIcon(StandardPixmap icon, const QStyleOption *option, const QWidget *widget) const
{
    const auto drawn = [&](TGlyph glyph) {
        const QPalette palette = widget ? widget->palette() : option ? option->palette : QApplication::palette();
        return QIcon(new TGlyphIconEngine(glyph, palette));
    };
    switch (icon) {
    case SP_MessageBoxInformation: return drawn(TGlyph::Information);
    case SP_MessageBoxQuestion: return drawn(TGlyph::Question);
    case SP_MessageBoxWarning: return drawn(TGlyph::Warning);
    case SP_MessageBoxCritical: return drawn(TGlyph::Critical);
    case SP_DirIcon:
    case SP_DirOpenIcon:
    case SP_DirClosedIcon:
    case SP_DirLinkIcon:
    case SP_DirLinkOpenIcon: return drawn(TGlyph::Folder);
    case SP_FileDialogNewFolder: return drawn(TGlyph::NewFolder);
    case SP_FileIcon:
    case SP_FileLinkIcon: return drawn(TGlyph::File);
    case SP_DriveHDIcon:
    case SP_DriveFDIcon:
    case SP_DriveCDIcon:
    case SP_DriveDVDIcon:
    case SP_DriveNetIcon: return drawn(TGlyph::Drive);
    case SP_ComputerIcon:
    case SP_DesktopIcon: return drawn(TGlyph::Computer);
    case SP_DirHomeIcon: return drawn(TGlyph::Home);
    case SP_TrashIcon: return drawn(TGlyph::Trash);
    case SP_ArrowBack:
    case SP_ArrowLeft: return drawn(TGlyph::Back);
    case SP_ArrowForward:
    case SP_ArrowRight: return drawn(TGlyph::Forward);
    case SP_ArrowUp:
    case SP_FileDialogToParent: return drawn(TGlyph::Up);
    case SP_FileDialogListView: return drawn(TGlyph::ListView);
    case SP_FileDialogDetailedView:
    case SP_FileDialogInfoView:
    case SP_FileDialogContentsView: return drawn(TGlyph::DetailView);
    default: return QProxyStyle::standardIcon(icon, option, widget);
    }
}
