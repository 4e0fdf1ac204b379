#include "widgets/vrformshape.h"

#include "widgets/firstpaint.h"
#include "widgets/vrborderlessform.h"

#include <QChildEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <stdexcept>

namespace {

TColor toTColor(const QColor &color)
{
    const QRgb rgb = color.rgb();
    return TColor(qRed(rgb)) | TColor(qGreen(rgb)) << 8 | TColor(qBlue(rgb)) << 16;
}

} // namespace

TVrRgnData mainWindowOutline() { return TVrRgnData::fromRects({QRect(0, 0, 599, 350)}); }

QImage shapedPicture(const QImage &picture, const QRegion &outline)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (outline.isEmpty() || out.isNull())
        return out;
    // The pixels outside the outline are cleared row by row, walking the
    // outline's bands (rectangles sorted by top, then left, one height per band):
    // the work is the picture's pixels plus the outline's rectangles, and no
    // memory beyond the picture. Painting the outline's complement as a clip
    // region instead makes the raster engine build span tables that grow with the
    // rectangles times the rows, gigabytes for a finely cut picture.
    const int width = out.width();
    const int height = out.height();
    const auto clear = [&out, width](int y, int from, int to) {
        from = std::clamp(from, 0, width);
        to = std::clamp(to, 0, width);
        if (from < to) {
            auto *row = reinterpret_cast<quint32 *>(out.scanLine(y));
            std::fill(row + from, row + to, 0u);
        }
    };
    int nextRow = 0; // rows above it are done
    for (auto band = outline.begin(), end = outline.end(); band != end;) {
        const int top = band->top();
        const int bottom = band->bottom();
        auto bandEnd = band;
        while (bandEnd != end && bandEnd->top() == top)
            ++bandEnd;
        for (int y = std::max(nextRow, 0); y < std::min(top, height); ++y)
            clear(y, 0, width);
        for (int y = std::max(top, 0); y <= std::min(bottom, height - 1); ++y) {
            int x = 0;
            for (auto r = band; r != bandEnd; ++r) {
                clear(y, x, r->left());
                x = r->left() + r->width();
            }
            clear(y, x, width);
        }
        nextRow = std::max(nextRow, bottom + 1);
        band = bandEnd;
    }
    for (int y = std::max(nextRow, 0); y < height; ++y)
        clear(y, 0, width);
    return out;
}

TVrFormShape::TVrFormShape(QWidget *parent) : QWidget(parent), m_rgnData(mainWindowOutline())
{
    if (parent) {
        if (!parent->isWindow())
            throw std::invalid_argument("VrFormShape requires a FORM as parent!");
        if (!(parent->windowFlags() & Qt::FramelessWindowHint)) {
            const bool shown = parent->isVisible();
            parent->setWindowFlag(Qt::FramelessWindowHint, true); // hides a shown window
            if (shown)
                parent->show();
        }
        // Wayland honours just the input mask, so there the cut-out pixels are
        // also painted transparent; an X11 window's shape needs no alpha channel,
        // whose compositing would cost every repaint. Only takes effect before
        // the window is created.
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            parent->setAttribute(Qt::WA_TranslucentBackground);
        // The controls come after the shape; each is watched from the moment it
        // joins the window, so it is cut wherever it is put.
        if (parent->testAttribute(Qt::WA_TranslucentBackground)) {
            m_cutsControls = true;
            parent->installEventFilter(this);
            for (QObject *child : parent->children())
                if (child != this && child->isWidgetType())
                    child->installEventFilter(this);
        }
    }
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TVrFormShape::setMask(const QImage &picture)
{
    m_mask = picture;
    // While the window is composed the outline is not known yet; the picture is
    // cut once, when loading ends.
    m_display = m_loading ? QImage() : shapedPicture(m_mask, m_outline);
    if (!m_loading)
        rescan();
    update();
}

void TVrFormShape::setMaskColor(TColor color)
{
    if (m_maskColor == color)
        return;
    m_maskColor = color;
    if (!m_loading)
        rescan();
    update();
}

void TVrFormShape::setMaskColor(const QColor &color) { setMaskColor(toTColor(color)); }

void TVrFormShape::Loaded()
{
    if (!m_loading)
        return;
    m_loading = false;
    ApplyRegion();
    if (m_display.isNull() && !m_mask.isNull())
        m_display = shapedPicture(m_mask, m_outline);
}

void TVrFormShape::rescan()
{
    ++m_scans;
    // A picture without a visible pixel keeps the previous outline.
    BuildRegionFromBitmap(m_mask, m_maskColor, m_rgnData);
    ApplyRegion();
}

void TVrFormShape::ApplyRegion()
{
    if (m_rgnData.Size() <= 0)
        return;
    const QRegion outline = regionFromRgnData(m_rgnData);
    if (outline.isEmpty())
        return;
    m_outline = outline;
    m_display = shapedPicture(m_mask, m_outline);
    if (QWidget *form = parentWidget()) {
        form->setMask(m_outline.translated(pos()));
        cutControls();
        form->update();
    } else {
        update();
    }
}

bool TVrFormShape::eventFilter(QObject *watched, QEvent *event)
{
    if (m_cutsControls) {
        if (watched == parentWidget()) {
            if (event->type() == QEvent::ChildAdded) {
                QObject *child = static_cast<QChildEvent *>(event)->child();
                if (child != this && child->isWidgetType())
                    child->installEventFilter(this);
            }
        } else if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show) {
            // A control's own event: the control is fully made by now.
            if (auto *control = qobject_cast<QWidget *>(watched); control && control->parentWidget() == parentWidget())
                cutControl(control);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TVrFormShape::cutControl(QWidget *control)
{
    if (control == this || control->isWindow())
        return;
    const QRect place = control->geometry();
    const QRegion outline = m_outline.translated(pos());
    if (m_outline.isEmpty() || (QRegion(place) - outline).isEmpty()) {
        if (!control->mask().isEmpty())
            control->clearMask();
        return;
    }
    const QRegion inside = (outline & place).translated(-place.topLeft());
    // An empty mask would show the whole control; one pixel beside it shows none.
    control->setMask(inside.isEmpty() ? QRegion(place.width(), place.height(), 1, 1) : inside);
}

void TVrFormShape::cutControls()
{
    if (!m_cutsControls || !parentWidget())
        return;
    for (QObject *child : parentWidget()->children())
        if (auto *control = qobject_cast<QWidget *>(child))
            cutControl(control);
}

void TVrFormShape::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect dirty = event->rect();
    // Source copies keep the transparent pixels transparent in the window.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(dirty, m_outline.isEmpty() ? QColor(Qt::black) : QColor(Qt::transparent));
    if (!m_display.isNull())
        p.drawImage(dirty.topLeft(), m_display, dirty);
    if (!m_painted) {
        m_painted = true;
        reportFirstPaint();
        Q_EMIT firstPainted();
    }
}

void TVrFormShape::showEvent(QShowEvent *event)
{
    // Runs before the window is mapped, so it never appears unshaped.
    Loaded();
    QWidget::showEvent(event);
}

void TVrFormShape::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        startWindowDrag(this);
        event->accept();
    } else if (event->button() == Qt::RightButton && m_popup) {
        m_popup->popup(event->globalPosition().toPoint());
        event->accept();
    } else {
        QWidget::mousePressEvent(event);
    }
}

void TVrFormShape::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = mapTo(window(), event->position().toPoint());
    Q_EMIT OnMouseMove(event->buttons(), p.x(), p.y());
    QWidget::mouseMoveEvent(event);
}
