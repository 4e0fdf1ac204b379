#include "widgets/vrspinner.h"

#include "widgets/vrwidgetutil.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {
// Triangle inside box, pointing up or down.
QPolygon triangle(const QRect &box, bool up)
{
    const int cx = box.left() + box.width() / 2;
    QPolygon poly;
    if (up)
        poly << QPoint(cx, box.top()) << QPoint(box.right(), box.bottom())
             << QPoint(box.left(), box.bottom());
    else
        poly << QPoint(box.left(), box.top()) << QPoint(box.right(), box.top())
             << QPoint(cx, box.bottom());
    return poly;
}

// Arrow artwork: released arrows are lit (silver) with a grey rim, a pressed arrow
// is dark (grey) with a silver rim. Drawn at the screen's pixel density. The grey
// of a released arrow becomes the palette's Low colour, that of a pressed one the
// unlit colour, so a press shows even where a skin gives Low and High alike.
QImage arrowReference(QSize size, bool up, bool pressed, qreal ratio)
{
    QImage img(size * ratio, QImage::Format_ARGB32);
    img.setDevicePixelRatio(ratio);
    img.fill(kReferenceBlack);
    QPainter p(&img);
    const QColor grey = QColor::fromRgba(kReferenceGrey);
    const QColor silver = QColor::fromRgba(kReferenceSilver);
    p.setPen(pressed ? silver : grey);
    p.setBrush(pressed ? grey : silver);
    p.drawPolygon(triangle(QRect(QPoint(), size), up));
    return img;
}
} // namespace

TVrSpinner::TVrSpinner(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    m_repeat = new QTimer(this);
    connect(m_repeat, &QTimer::timeout, this, &TVrSpinner::repeat);
    resize(sizeHint());
}

void TVrSpinner::setPalette(const TVrPalette &palette)
{
    if (!assignIfChanged(m_palette, palette))
        return;
    m_upArt[0] = m_upArt[1] = m_downArt[0] = m_downArt[1] = QImage();
    update();
}

void TVrSpinner::setColor(const QColor &color)
{
    if (!assignIfChanged(m_color, color))
        return;
    m_upArt[0] = m_upArt[1] = m_downArt[0] = m_downArt[1] = QImage();
    update();
}

void TVrSpinner::resizeEvent(QResizeEvent *event)
{
    m_upArt[0] = m_upArt[1] = m_downArt[0] = m_downArt[1] = QImage();
    QWidget::resizeEvent(event);
}

QRect TVrSpinner::arrowBox(Arrow arrow) const
{
    const int margin = 2;
    const int half = height() / 2;
    const QRect r = arrow == UpArrow ? QRect(0, 0, width(), half)
                                     : QRect(0, half, width(), height() - half);
    return r.adjusted(margin, margin, -margin, -margin);
}

QPolygon TVrSpinner::arrowShape(Arrow arrow) const
{
    if (arrow == NoArrow)
        return {};
    return triangle(arrowBox(arrow), arrow == UpArrow);
}

TVrSpinner::Arrow TVrSpinner::arrowAt(const QPoint &p) const
{
    for (Arrow a : {UpArrow, DownArrow})
        if (arrowShape(a).containsPoint(p, Qt::OddEvenFill))
            return a;
    return NoArrow;
}

QImage TVrSpinner::render() const
{
    QImage img = widgetCanvas(*this, m_color);
    const qreal ratio = img.devicePixelRatio();
    QPainter p(&img);
    for (Arrow a : {UpArrow, DownArrow}) {
        const QRect box = arrowBox(a);
        if (box.isEmpty())
            continue;
        const int pressed = (m_pressedLook && m_pressed == a) ? 1 : 0;
        QImage &art = a == UpArrow ? m_upArt[pressed] : m_downArt[pressed];
        if (art.isNull() || art.devicePixelRatio() != ratio)
            art = recolorReference(arrowReference(box.size(), a == UpArrow, pressed != 0, ratio),
                                   pressed ? unlitColor(m_palette) : m_palette.Low, m_palette.High, m_color);
        p.drawImage(box.topLeft(), art);
    }
    return img;
}

void TVrSpinner::paintEvent(QPaintEvent *)
{
    // Only the arrows' boxes are painted; the strip around them shows the panel
    // beneath, so a spinner placed on the edge of a block leaves its bevel whole.
    QPainter p(this);
    p.setClipRegion(QRegion(arrowBox(UpArrow)) + QRegion(arrowBox(DownArrow)));
    p.drawImage(0, 0, render());
}

void TVrSpinner::fire(Arrow arrow)
{
    if (arrow == UpArrow)
        Q_EMIT OnUpClick();
    else if (arrow == DownArrow)
        Q_EMIT OnDownClick();
}

void TVrSpinner::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const Arrow a = arrowAt(event->position().toPoint());
    if (a == NoArrow)
        return;
    // Qt keeps the mouse with this widget until the release.
    m_pressed = a;
    m_pressedLook = true;
    m_repeated = false;
    m_repeat->start(kRepeatDelay);
    update();
}

void TVrSpinner::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed == NoArrow)
        return;
    const bool over = arrowAt(event->position().toPoint()) == m_pressed;
    if (assignIfChanged(m_pressedLook, over))
        update();
}

void TVrSpinner::repeat()
{
    if (m_pressed == NoArrow) {
        m_repeat->stop();
        return;
    }
    m_repeat->setInterval(kRepeatInterval);
    if (m_pressedLook) {
        m_repeated = true;
        fire(m_pressed);
    }
}

void TVrSpinner::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_pressed == NoArrow)
        return;
    const Arrow a = m_pressed;
    const bool over = arrowAt(event->position().toPoint()) == a;
    // A held arrow has already clicked with every repeat; its release adds none.
    const bool repeated = m_repeated;
    stopPress();
    if (over && !repeated)
        fire(a);
}

void TVrSpinner::keyPressEvent(QKeyEvent *event)
{
    // The keyboard's own auto-repeat sends a press for every step, so each press
    // is one click and the mouse's repeat timer stays out of it.
    // The keypad's arrows count too; a key with Shift, Ctrl or Alt is another's.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Up)
        fire(UpArrow);
    else if (plain && event->key() == Qt::Key_Down)
        fire(DownArrow);
    else
        QWidget::keyPressEvent(event);
}

void TVrSpinner::stopPress()
{
    m_repeat->stop();
    m_pressed = NoArrow;
    m_pressedLook = false;
    update();
}

void TVrSpinner::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled() && m_pressed != NoArrow)
        stopPress();
    QWidget::changeEvent(event);
}
