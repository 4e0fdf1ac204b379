#include "widgets/vrslider.h"

#include "widgets/vrwidgetutil.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {
// Thumb artwork in the reference colours: a grey cap with a silver grip line
// across its middle and silver edges at the ends.
QImage thumbReference(QSize size, Qt::Orientation orientation)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(kReferenceBlack);
    QPainter p(&img);
    const QColor grey = QColor::fromRgba(kReferenceGrey);
    const QColor silver = QColor::fromRgba(kReferenceSilver);
    const QRect r = img.rect();
    p.fillRect(r.adjusted(1, 1, -1, -1), grey);
    if (orientation == Qt::Vertical) {
        const int mid = r.height() / 2;
        p.fillRect(QRect(1, mid, r.width() - 2, 1), silver);
        p.fillRect(QRect(1, 1, r.width() - 2, 1), silver);
        p.fillRect(QRect(1, r.height() - 2, r.width() - 2, 1), silver);
    } else {
        const int mid = r.width() / 2;
        p.fillRect(QRect(mid, 1, 1, r.height() - 2), silver);
        p.fillRect(QRect(1, 1, 1, r.height() - 2), silver);
        p.fillRect(QRect(r.width() - 2, 1, 1, r.height() - 2), silver);
    }
    return img;
}
} // namespace

TVrSlider::TVrSlider(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
}

void TVrSlider::setMinValue(int value)
{
    if (value >= m_max || value == m_min)
        return;
    m_min = value;
    update();
    setPosition(m_position);
}

void TVrSlider::setMaxValue(int value)
{
    if (value <= m_min || value == m_max)
        return;
    m_max = value;
    update();
    setPosition(m_position);
}

void TVrSlider::setPosition(int position)
{
    if (!assignIfChanged(m_position, qBound(m_min, position, m_max)))
        return;
    update();
    Q_EMIT OnChange();
}

void TVrSlider::setKeyIncrement(int step) { m_keyIncrement = qMax(1, step); }

void TVrSlider::setOrientation(Qt::Orientation orientation)
{
    if (assignIfChanged(m_orientation, orientation))
        artworkChanged();
}

void TVrSlider::setStyle(TVrSliderStyle style)
{
    if (assignIfChanged(m_style, style))
        update();
}

void TVrSlider::setOptions(int options) { m_options = options; }

void TVrSlider::setPalette(const TVrPalette &palette)
{
    if (assignIfChanged(m_palette, palette))
        artworkChanged();
}

void TVrSlider::setBevel(const TVrBevel &bevel)
{
    if (assignIfChanged(m_bevel, bevel))
        artworkChanged();
}

void TVrSlider::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color))
        artworkChanged();
}

void TVrSlider::artworkChanged()
{
    m_thumb = QImage();
    update();
}

void TVrSlider::resizeEvent(QResizeEvent *event)
{
    m_thumb = QImage();
    QWidget::resizeEvent(event);
}

QSize TVrSlider::sizeHint() const
{
    return m_orientation == Qt::Vertical ? QSize(25, 105) : QSize(105, 25);
}

QRect TVrSlider::trackArea() const
{
    const int b = m_bevel.BorderWidth();
    return rect().adjusted(b, b, -b, -b);
}

int TVrSlider::thumbLength() const
{
    const QRect area = trackArea();
    const int length = m_orientation == Qt::Vertical ? area.height() : area.width();
    return qBound(3, length / 8, 11) | 1; // odd, so the grip line sits in the middle
}

int TVrSlider::travel() const
{
    const QRect area = trackArea();
    const int length = m_orientation == Qt::Vertical ? area.height() : area.width();
    return qMax(0, length - thumbLength());
}

// Offsets run from the top (vertical) or the left (horizontal). A normal vertical
// slider has its largest value at the top, a normal horizontal one at the right.
int TVrSlider::offsetForPosition(int position) const
{
    const double frac = double(position - m_min) / double(m_max - m_min);
    bool maxAtStart = m_orientation == Qt::Vertical;
    if (m_style == ssReversed)
        maxAtStart = !maxAtStart;
    const double fromStart = maxAtStart ? 1.0 - frac : frac;
    return int(std::lround(fromStart * travel()));
}

int TVrSlider::positionForOffset(int offset) const
{
    const int t = travel();
    if (t <= 0)
        return m_position;
    double frac = double(qBound(0, offset, t)) / double(t);
    bool maxAtStart = m_orientation == Qt::Vertical;
    if (m_style == ssReversed)
        maxAtStart = !maxAtStart;
    if (maxAtStart)
        frac = 1.0 - frac;
    return m_min + int(std::lround(frac * double(m_max - m_min)));
}

QRect TVrSlider::thumbRect() const
{
    const QRect area = trackArea();
    const int off = offsetForPosition(m_position);
    if (m_orientation == Qt::Vertical)
        return {area.left(), area.top() + off, area.width(), thumbLength()};
    return {area.left() + off, area.top(), thumbLength(), area.height()};
}

int TVrSlider::along(const QPoint &p) const
{
    const QRect area = trackArea();
    return m_orientation == Qt::Vertical ? p.y() - area.top() : p.x() - area.left();
}

QImage TVrSlider::render() const
{
    QImage img(size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(m_color);
    QPainter p(&img);
    paintBevel(p, img.rect(), m_bevel, m_color);
    const QRect area = trackArea();
    p.fillRect(area, m_color);

    // The groove: lit from the minimum end up to the thumb, unlit beyond it.
    const QRect thumb = thumbRect();
    const QColor unlit = unlitColor(m_palette);
    const int grooveWidth = 3;
    bool maxAtStart = m_orientation == Qt::Vertical;
    if (m_style == ssReversed)
        maxAtStart = !maxAtStart;
    if (m_orientation == Qt::Vertical) {
        const int x = area.left() + (area.width() - grooveWidth) / 2;
        const QRect groove(x, area.top() + thumbLength() / 2, grooveWidth, travel() + 1);
        p.fillRect(groove, unlit);
        const int c = thumb.center().y();
        const QRect lit = maxAtStart ? QRect(x, c, grooveWidth, groove.bottom() - c + 1)
                                     : QRect(x, groove.top(), grooveWidth, c - groove.top() + 1);
        p.fillRect(lit, m_palette.High);
    } else {
        const int y = area.top() + (area.height() - grooveWidth) / 2;
        const QRect groove(area.left() + thumbLength() / 2, y, travel() + 1, grooveWidth);
        p.fillRect(groove, unlit);
        const int c = thumb.center().x();
        const QRect lit = maxAtStart ? QRect(c, y, groove.right() - c + 1, grooveWidth)
                                     : QRect(groove.left(), y, c - groove.left() + 1, grooveWidth);
        p.fillRect(lit, m_palette.High);
    }

    if (m_thumb.size() != thumb.size())
        m_thumb = recolorReference(thumbReference(thumb.size(), m_orientation), m_palette.Low,
                                   m_palette.High, m_color);
    p.drawImage(thumb.topLeft(), m_thumb);
    return img;
}

void TVrSlider::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}

void TVrSlider::keyPressEvent(QKeyEvent *event)
{
    const bool vertical = m_orientation == Qt::Vertical;
    switch (event->key()) {
    case Qt::Key_Home: setPosition(m_min); break;
    case Qt::Key_End: setPosition(m_max); break;
    case Qt::Key_Up:
        if (!vertical)
            return QWidget::keyPressEvent(event);
        setPosition(m_position + m_keyIncrement);
        break;
    case Qt::Key_Down:
        if (!vertical)
            return QWidget::keyPressEvent(event);
        setPosition(m_position - m_keyIncrement);
        break;
    case Qt::Key_Right:
        if (vertical)
            return QWidget::keyPressEvent(event);
        setPosition(m_position + m_keyIncrement);
        break;
    case Qt::Key_Left:
        if (vertical)
            return QWidget::keyPressEvent(event);
        setPosition(m_position - m_keyIncrement);
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void TVrSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    const QRect thumb = thumbRect();
    if (thumb.contains(pos)) {
        m_dragging = true;
        m_grabOffset = along(pos) - along(thumb.topLeft());
    } else if (m_options & soJumpToClick) {
        // Centre the thumb on the click and keep dragging from there.
        m_dragging = true;
        m_grabOffset = thumbLength() / 2;
        dragTo(pos);
    }
}

void TVrSlider::dragTo(const QPoint &p)
{
    setPosition(positionForOffset(along(p) - m_grabOffset));
}

void TVrSlider::confineCursor()
{
    const QRect global(mapToGlobal(QPoint(0, 0)), size());
    const QPoint cur = QCursor::pos();
    const QPoint clamped(qBound(global.left(), cur.x(), global.right()),
                         qBound(global.top(), cur.y(), global.bottom()));
    if (clamped != cur)
        QCursor::setPos(clamped);
}

void TVrSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    if (m_options & soConfineCursor)
        confineCursor();
    dragTo(event->position().toPoint());
}

void TVrSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        dragTo(event->position().toPoint());
        m_dragging = false;
    }
}
