#include "widgets/vrnum.h"

#include "widgets/vrwidgetutil.h"

#include <QPainter>
#include <cstdlib>

QString vrNumCells(int value, int min, int digits, bool leadingZero, bool zeroBlank)
{
    // Absolute value through 64 bits: the most negative int has no positive twin.
    QString text = (value == 0 && zeroBlank) ? QString()
                                             : QString::number(std::llabs(qint64(value)));
    if (text.size() < digits)
        text.prepend(QString(digits - text.size(), leadingZero ? u'0' : u' '));
    if (min < 0)
        text.prepend(value < 0 ? u'-' : u'+');
    return text;
}

TVrNum::TVrNum(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
}

void TVrNum::setValue(int value)
{
    if (assignIfChanged(m_value, qBound(m_min, value, m_max)))
        update();
}

void TVrNum::setMin(int min)
{
    if (min >= m_max || min == m_min)
        return;
    m_min = min;
    m_value = qBound(m_min, m_value, m_max);
    update();
}

void TVrNum::setMax(int max)
{
    if (max <= m_min || max == m_max)
        return;
    m_max = max;
    m_value = qBound(m_min, m_value, m_max);
    update();
}

void TVrNum::setDigits(int digits)
{
    if (assignIfChanged(m_digits, qMax(1, digits)))
        update();
}

void TVrNum::setLeadingZero(bool on)
{
    if (assignIfChanged(m_leadingZero, on))
        update();
}

void TVrNum::setZeroBlank(bool on)
{
    if (assignIfChanged(m_zeroBlank, on))
        update();
}

void TVrNum::setAlignment(Qt::Alignment alignment)
{
    if (assignIfChanged(m_alignment, alignment & Qt::AlignHorizontal_Mask))
        update();
}

void TVrNum::setSpacing(int spacing)
{
    if (assignIfChanged(m_spacing, qMax(0, spacing)))
        update();
}

void TVrNum::setStyle(TVrNumStyle style)
{
    if (assignIfChanged(m_style, style))
        artworkChanged();
}

void TVrNum::setPalette(const TVrPalette &palette)
{
    if (assignIfChanged(m_palette, palette))
        artworkChanged();
}

void TVrNum::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color))
        artworkChanged();
}

void TVrNum::artworkChanged()
{
    m_glyphs = TVrSegmentGlyphs(); // rebuilt on the next paint
    update();
}

QString TVrNum::displayText() const
{
    return vrNumCells(m_value, m_min, m_digits, m_leadingZero, m_zeroBlank);
}

void TVrNum::draw(QPainter &p) const
{
    if (!m_glyphs.isBuilt())
        m_glyphs.build(m_style, m_palette, m_color);
    p.fillRect(rect(), m_color);
    m_glyphs.paint(p, rect(), displayText(), m_spacing, m_alignment);
}

QImage TVrNum::render() const
{
    QImage img = widgetCanvas(*this, m_color);
    QPainter p(&img);
    draw(p);
    return img;
}

QSize TVrNum::sizeHint() const
{
    const QSize cell = segmentCellSize(m_style);
    const int cells = m_digits + (m_min < 0 ? 1 : 0);
    return {cells * cell.width() + (cells - 1) * m_spacing, cell.height()};
}

void TVrNum::paintEvent(QPaintEvent *)
{
    // Drawn straight onto the widget: a display that changes twenty times a
    // second (the recording size) does not build a picture first.
    QPainter p(this);
    draw(p);
}
