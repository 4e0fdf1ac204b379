#include "widgets/vrscale.h"

#include "widgets/vrbevel.h"
#include "widgets/vrwidgetutil.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

TVrScale::TVrScale(QWidget *parent) : QWidget(parent)
{
    setFont(vrFont(QStringLiteral("Arial"), 9));
    resize(sizeHint());
}

void TVrScale::setMinValue(int value)
{
    if (value < m_max && assignIfChanged(m_min, value))
        update();
}

void TVrScale::setMaxValue(int value)
{
    if (value > m_min && assignIfChanged(m_max, value))
        update();
}

void TVrScale::setOrientation(Qt::Orientation orientation)
{
    if (assignIfChanged(m_orientation, orientation))
        update();
}

void TVrScale::setDigits(int digits)
{
    if (assignIfChanged(m_digits, qMax(1, digits)))
        update();
}

void TVrScale::setLeadingZero(bool on)
{
    if (assignIfChanged(m_leadingZero, on))
        update();
}

void TVrScale::setScaleColor(const QColor &color)
{
    if (assignIfChanged(m_scaleColor, color))
        update();
}

void TVrScale::setPeakColor(const QColor &color)
{
    if (assignIfChanged(m_peakColor, color))
        update();
}

void TVrScale::setTransparent(bool on)
{
    if (!assignIfChanged(m_transparent, on))
        return;
    setAttribute(Qt::WA_OpaquePaintEvent, !on);
    update();
}

void TVrScale::setFontColor(const QColor &color)
{
    if (assignIfChanged(m_fontColor, color))
        update();
}

void TVrScale::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color))
        update();
}

void TVrScale::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

QString TVrScale::labelText(int value) const
{
    QString digits = QString::number(std::llabs(qint64(value)));
    if (m_leadingZero && digits.size() < m_digits)
        digits.prepend(QString(m_digits - digits.size(), u'0'));
    return value < 0 ? QStringLiteral("-") + digits : digits;
}

int TVrScale::margin() const { return QFontMetrics(font()).height() / 2; }

int TVrScale::offsetOf(int value) const
{
    const int length = (m_orientation == Qt::Vertical ? height() : width()) - 2 * margin() - 1;
    const double frac = double(value - m_min) / double(m_max - m_min);
    // Vertical scales have their largest value at the top, like the fader.
    const double fromStart = m_orientation == Qt::Vertical ? 1.0 - frac : frac;
    return margin() + int(fromStart * length + 0.5);
}

int TVrScale::labelStep() const
{
    const QFontMetrics fm(font());
    const int length = (m_orientation == Qt::Vertical ? height() : width()) - 2 * margin();
    const int need = m_orientation == Qt::Vertical
                         ? 2 * fm.height() // a label, then room for a minor tick
                         : qMax(fm.horizontalAdvance(labelText(m_min)),
                                fm.horizontalAdvance(labelText(m_max))) + 4;
    const int range = m_max - m_min;
    // The smallest of 1, 2, 5, 10, 20, 50 ... whose labels do not overlap.
    for (int decade = 1; decade <= 1000000000 / 10; decade *= 10)
        for (int m : {1, 2, 5}) {
            const int step = m * decade;
            if (double(step) / range * length >= need)
                return step;
        }
    return range;
}

QList<int> TVrScale::labelValues() const
{
    const int step = labelStep();
    QList<int> values;
    // Labels sit on multiples of the step, counted from the maximum (0 dB).
    for (qint64 v = m_max; v >= m_min; v -= step)
        values.prepend(int(v));
    return values;
}

bool TVrScale::isPeak(int value) const
{
    return 4 * qint64(value - m_min) > 3 * qint64(m_max - m_min);
}

QImage TVrScale::render() const
{
    QImage img = widgetCanvas(*this, m_transparent ? QColor(Qt::transparent) : m_color);
    QPainter p(&img);
    p.setFont(font());
    const QFontMetrics fm(font());
    const QList<int> labels = labelValues();
    const int step = labels.size() > 1 ? labels[1] - labels[0] : m_max - m_min;
    const int minorStep = step % 2 == 0 ? step / 2 : step;
    const int major = 4;
    const int minor = 2;

    // Minor ticks between the labels.
    for (qint64 v = m_max; v >= m_min; v -= minorStep) {
        const int off = offsetOf(int(v));
        const bool isMajor = labels.contains(int(v));
        const int len = isMajor ? major : minor;
        const QColor c = isPeak(int(v)) ? m_peakColor : m_scaleColor;
        if (m_orientation == Qt::Vertical)
            p.fillRect(QRect(0, off, len, 1), c);
        else
            p.fillRect(QRect(off, 0, 1, len), c);
    }
    // The spine along the ticks.
    if (m_orientation == Qt::Vertical)
        p.fillRect(QRect(0, offsetOf(m_max), 1, offsetOf(m_min) - offsetOf(m_max) + 1),
                   m_scaleColor);
    else
        p.fillRect(QRect(offsetOf(m_min), 0, offsetOf(m_max) - offsetOf(m_min) + 1, 1),
                   m_scaleColor);

    p.setPen(m_fontColor);
    for (int v : labels) {
        const QString text = labelText(v);
        const int off = offsetOf(v);
        if (m_orientation == Qt::Vertical) {
            const QRect r(major + 1, off - fm.height() / 2, width() - major - 1, fm.height());
            p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
        } else {
            const int w = fm.horizontalAdvance(text);
            const QRect r(off - w / 2, major + 1, w, fm.height());
            p.drawText(r, Qt::AlignHCenter | Qt::AlignTop, text);
        }
    }
    return img;
}

QSize TVrScale::sizeHint() const
{
    return m_orientation == Qt::Vertical ? QSize(21, 115) : QSize(115, 21);
}

void TVrScale::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}
