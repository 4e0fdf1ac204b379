#include "widgets/vrdemobutton.h"

#include "widgets/vrwidgetutil.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

namespace {
TVrFont arialBold12(TColor color)
{
    TVrFont f;
    f.Font = QFont(QStringLiteral("Arial"), 12, QFont::Bold);
    f.Color = toQColor(color);
    return f;
}
} // namespace

TVrDemoButton::TVrDemoButton(QWidget *parent)
    : QWidget(parent), m_fontEnter(arialBold12(clRed)), m_fontLeave(arialBold12(clBlack))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
}

void TVrDemoButton::setFontEnter(const TVrFont &font)
{
    if (assignIfChanged(m_fontEnter, font))
        captionChanged();
}

void TVrDemoButton::setFontLeave(const TVrFont &font)
{
    if (assignIfChanged(m_fontLeave, font))
        captionChanged();
}

void TVrDemoButton::setDisabledTextColor(const QColor &color)
{
    if (assignIfChanged(m_disabledTextColor, color))
        update();
}

void TVrDemoButton::setOutlineColor(const QColor &color)
{
    if (assignIfChanged(m_outlineColor, color))
        update();
}

void TVrDemoButton::setOutlineWidth(int width)
{
    if (assignIfChanged(m_outlineWidth, qMax(0, width)))
        captionChanged();
}

void TVrDemoButton::setFocusColor(const QColor &color)
{
    if (assignIfChanged(m_focusColor, color))
        update();
}

void TVrDemoButton::setHighlightColor(const QColor &color)
{
    if (assignIfChanged(m_highlightColor, color))
        update();
}

void TVrDemoButton::setShadowColor(const QColor &color)
{
    if (assignIfChanged(m_shadowColor, color))
        update();
}

void TVrDemoButton::setBevelWidth(int width)
{
    if (assignIfChanged(m_bevelWidth, qMax(0, width)))
        captionChanged();
}

void TVrDemoButton::setFlat(bool on)
{
    if (assignIfChanged(m_flat, on))
        captionChanged();
}

void TVrDemoButton::setTextAlignment(Qt::Alignment alignment)
{
    if (assignIfChanged(m_textAlignment, alignment))
        update();
}

void TVrDemoButton::setFont3D(int highlightDepth, int shadowDepth)
{
    bool changed = assignIfChanged(m_highlightDepth, qMax(0, highlightDepth));
    changed = assignIfChanged(m_shadowDepth, qMax(0, shadowDepth)) || changed;
    if (changed)
        update();
}

void TVrDemoButton::setBitmap(const QImage &bitmap)
{
    m_bitmap = bitmap;
    update();
}

void TVrDemoButton::setCaption(const QString &caption)
{
    if (!assignIfChanged(m_caption, caption))
        return;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (key.isEmpty()) {
        delete m_shortcut;
        m_shortcut = nullptr;
    } else {
        if (!m_shortcut) {
            m_shortcut = new QShortcut(this);
            connect(m_shortcut, &QShortcut::activated, this, &TVrDemoButton::accelerator);
        }
        m_shortcut->setKey(key);
        m_shortcut->setEnabled(isEnabled());
    }
    captionChanged();
}

void TVrDemoButton::captionChanged()
{
    // Measuring the caption in both fonts loads and shapes them, which the
    // windows built at start-up need not wait for: the tooltip is brought up to
    // date when the button is painted or its tooltip is asked for.
    m_tipStale = true;
    update();
}

void TVrDemoButton::refreshTip()
{
    if (!m_tipStale)
        return;
    m_tipStale = false;
    // The tooltip tells the whole caption when either font has to shorten it.
    const QRect room = captionRect();
    const bool shortened =
        elidedCaption(m_caption, m_fontLeave.Font, room.width(), true) != m_caption ||
        elidedCaption(m_caption, m_fontEnter.Font, room.width(), true) != m_caption;
    m_tip.update(this, withoutMnemonics(m_caption), shortened);
}

bool TVrDemoButton::event(QEvent *event)
{
    // Measured again on every hover: a hidden button is resized without a
    // resize event until it shows.
    if (event->type() == QEvent::ToolTip) {
        m_tipStale = true;
        refreshTip();
    }
    return QWidget::event(event);
}

void TVrDemoButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    captionChanged();
}

void TVrDemoButton::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color))
        update();
}

QRect TVrDemoButton::captionRect() const
{
    int inset = qMax(0, m_outlineWidth);
    if (!m_flat || m_mouseInside)
        inset += m_bevelWidth;
    return rect().adjusted(inset, inset, -inset, -inset);
}

QString TVrDemoButton::shownCaption() const
{
    return elidedCaption(m_caption, currentFont().Font, captionRect().width(), true);
}

TVrFont TVrDemoButton::currentFont() const
{
    TVrFont f = (m_mouseInside && isEnabled()) ? m_fontEnter : m_fontLeave;
    if (!isEnabled())
        f.Color = m_disabledTextColor;
    return f;
}

QImage TVrDemoButton::render() const
{
    QImage img = widgetCanvas(*this, Qt::transparent);
    QPainter p(&img);
    QRect r = rect();

    // Face first, so outline and bevel lie on top of a stretched picture.
    if (!m_bitmap.isNull())
        p.drawImage(r, m_bitmap);
    else
        p.fillRect(r, m_color);

    const QColor outline = hasFocus() ? m_focusColor : m_outlineColor;
    for (int i = 0; i < m_outlineWidth && r.width() > 0 && r.height() > 0; ++i) {
        p.setPen(outline);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }

    if (!m_flat || m_mouseInside) {
        const QColor topLeft = m_pressedLook ? m_shadowColor : m_highlightColor;
        const QColor bottomRight = m_pressedLook ? m_highlightColor : m_shadowColor;
        for (int i = 0; i < m_bevelWidth && r.width() > 0 && r.height() > 0; ++i) {
            p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
            p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
            p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
            p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
            r.adjust(1, 1, -1, -1);
        }
    }

    if (!m_caption.isEmpty()) {
        QRect textRect = r;
        if (m_pressedLook)
            textRect.translate(1, 1);
        const TVrFont f = currentFont();
        const int flags = int(m_textAlignment) | Qt::TextShowMnemonic | Qt::TextSingleLine;
        // Centred text wider than the button would lose both its ends; it is
        // shortened at the end instead.
        const QString caption = shownCaption();
        p.setFont(f.Font);
        if (m_highlightDepth > 0) {
            p.setPen(m_highlightColor);
            p.drawText(textRect.translated(-m_highlightDepth, -m_highlightDepth), flags, caption);
        }
        if (m_shadowDepth > 0) {
            p.setPen(m_shadowColor);
            p.drawText(textRect.translated(m_shadowDepth, m_shadowDepth), flags, caption);
        }
        p.setPen(f.Color);
        p.drawText(textRect, flags, caption);
    }
    return img;
}

void TVrDemoButton::paintEvent(QPaintEvent *)
{
    refreshTip();
    QPainter p(this);
    p.drawImage(0, 0, render());
}

void TVrDemoButton::setPressedLook(bool on)
{
    if (assignIfChanged(m_pressedLook, on))
        update();
}

void TVrDemoButton::mousePressEvent(QMouseEvent *event)
{
    Q_EMIT OnMouseDown(event->button(), event->position().toPoint());
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    // Qt keeps sending the mouse here until the button is released.
    m_mouseDown = true;
    if (focusPolicy() & Qt::TabFocus)
        setFocus(Qt::MouseFocusReason);
    setPressedLook(true);
}

void TVrDemoButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_mouseDown)
        setPressedLook(rect().contains(event->position().toPoint()));
}

void TVrDemoButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_mouseDown)
        return;
    m_mouseDown = false;
    releasePress();
}

void TVrDemoButton::releasePress()
{
    if (!m_pressedLook)
        return;
    setPressedLook(false);
    Q_EMIT OnClick();
}

void TVrDemoButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && !m_pressedLook) {
        m_spaceDown = true;
        setPressedLook(true);
    }
}

void TVrDemoButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (event->isAutoRepeat() || !m_spaceDown)
        return;
    m_spaceDown = false;
    releasePress();
}

void TVrDemoButton::accelerator()
{
    if (isEnabled() && isVisible())
        Q_EMIT OnClick();
}

void TVrDemoButton::enterEvent(QEnterEvent *)
{
    m_mouseInside = true;
    update();
    Q_EMIT OnMouseEnter();
}

void TVrDemoButton::leaveEvent(QEvent *)
{
    m_mouseInside = false;
    update();
    Q_EMIT OnMouseLeave();
}

void TVrDemoButton::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void TVrDemoButton::focusOutEvent(QFocusEvent *event)
{
    // A Space press does not survive losing the keyboard.
    if (m_spaceDown) {
        m_spaceDown = false;
        setPressedLook(false);
    }
    update();
    QWidget::focusOutEvent(event);
}

void TVrDemoButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            m_mouseDown = false;
            m_spaceDown = false;
            m_pressedLook = false;
        }
        if (m_shortcut)
            m_shortcut->setEnabled(isEnabled());
        update();
    }
    QWidget::changeEvent(event);
}
