#include "widgets/vrclock.h"

#include "widgets/vrtimer.h"
#include "widgets/vrwidgetutil.h"

#include <QDateTime>
#include <QPainter>

namespace {
// The local time of day. Working out the local time asks the C library, which
// checks the zone file on disk every time; the clock asks twice a second. The
// distance to UTC is read again at every full minute, which is when summer time
// starts and ends, so the clock turns with it.
QTime localTimeOfDay()
{
    static qint64 offsetValidUntilMs = 0;
    static qint64 offsetMs = 0;
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    if (utcMs >= offsetValidUntilMs || utcMs < offsetValidUntilMs - 60000) {
        offsetMs = qint64(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
        offsetValidUntilMs = (utcMs / 60000 + 1) * 60000;
    }
    constexpr qint64 day = 86400000;
    return QTime::fromMSecsSinceStartOfDay(int(((utcMs + offsetMs) % day + day) % day));
}
} // namespace

TVrClock::TVrClock(QWidget *parent)
    : QWidget(parent), m_timeSource(localTimeOfDay)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer = new TVrTimer(this);
    m_timer->setInterval(0); // nothing runs until the clock is started
    m_timer->setTimerType(m_threaded ? ttThread : ttSystem);
    m_timer->setOnTimer([this] { tick(); });
    resize(sizeHint());
}

TVrClock::~TVrClock()
{
    // Stop the tick source before the fields it updates go away.
    delete m_timer;
    m_timer = nullptr;
}

void TVrClock::setFields(int h, int m, int s)
{
    h = qBound(0, h, 23);
    m = qBound(0, m, 59);
    s = qBound(0, s, 59);
    bool changed = assignIfChanged(m_hours, h);
    changed = assignIfChanged(m_minutes, m) || changed;
    changed = assignIfChanged(m_seconds, s) || changed;
    if (changed)
        update();
}

void TVrClock::setHours(int hours) { setFields(hours, m_minutes, m_seconds); }
void TVrClock::setMinutes(int minutes) { setFields(m_hours, minutes, m_seconds); }
void TVrClock::setSeconds(int seconds) { setFields(m_hours, m_minutes, seconds); }

void TVrClock::setShowSeconds(bool on)
{
    if (assignIfChanged(m_showSeconds, on))
        update();
}

void TVrClock::setBlink(bool on)
{
    if (!assignIfChanged(m_blink, on))
        return;
    m_colonsOn = true;
    update();
}

void TVrClock::setHours24(bool on)
{
    if (assignIfChanged(m_hours24, on))
        update();
}

void TVrClock::setClockType(TVrClockType type)
{
    if (!assignIfChanged(m_clockType, type))
        return;
    if (m_clockType == ctCustom)
        m_active = false;
    else if (m_active) {
        m_started.start();
        readTime();
    }
    updateTimer();
    update();
}

void TVrClock::setActive(bool on)
{
    if (on && m_clockType == ctCustom)
        return;
    if (!assignIfChanged(m_active, on))
        return;
    if (m_active) {
        m_started.start();
        m_colonsOn = true;
        readTime();
    } else {
        m_colonsOn = true;
    }
    updateTimer();
    update();
}

void TVrClock::setThreaded(bool on)
{
    if (!assignIfChanged(m_threaded, on))
        return;
    m_timer->setTimerType(on ? ttThread : ttSystem);
}

void TVrClock::setPalette(const TVrPalette &palette)
{
    if (assignIfChanged(m_palette, palette))
        artworkChanged();
}

void TVrClock::setStyle(TVrNumStyle style)
{
    if (assignIfChanged(m_style, style))
        artworkChanged();
}

void TVrClock::setSpacing(int spacing)
{
    if (assignIfChanged(m_spacing, qMax(0, spacing)))
        update();
}

void TVrClock::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color))
        artworkChanged();
}

void TVrClock::setTimeSource(std::function<QTime()> source)
{
    m_timeSource = std::move(source);
}

void TVrClock::artworkChanged()
{
    m_glyphs = TVrSegmentGlyphs();
    update();
}

void TVrClock::updateTimer()
{
    m_timer->setInterval(m_active ? kTickInterval : 0);
}

void TVrClock::readTime()
{
    if (m_clockType == ctRealTime) {
        const QTime now = m_timeSource();
        setFields(now.hour(), now.minute(), now.second());
    } else if (m_clockType == ctElapsed) {
        const qint64 secs = m_started.isValid() ? m_started.elapsed() / 1000 : 0;
        setFields(int((secs / 3600) % 24), int((secs / 60) % 60), int(secs % 60));
    }
}

void TVrClock::tick()
{
    if (!m_active)
        return;
    readTime();
    if (m_blink) {
        m_colonsOn = !m_colonsOn;
        update();
    }
}

QString TVrClock::cells() const
{
    int h = m_hours;
    if (!m_hours24) {
        h %= 12;
        if (h == 0)
            h = 12;
    }
    const QChar colon = m_colonsOn ? u':' : u'.';
    QString text = QString::asprintf("%02d", h) + colon + QString::asprintf("%02d", m_minutes);
    if (m_showSeconds)
        text += colon + QString::asprintf("%02d", m_seconds);
    return text;
}

QString TVrClock::displayText() const
{
    QString text = cells();
    text.replace(u'.', u' ');
    return text;
}

QImage TVrClock::render() const
{
    if (!m_glyphs.isBuilt())
        m_glyphs.build(m_style, m_palette, m_color);
    QImage img = widgetCanvas(*this, m_color);
    QPainter p(&img);
    m_glyphs.paint(p, rect(), cells(), m_spacing, Qt::AlignHCenter);
    return img;
}

QSize TVrClock::sizeHint() const
{
    const QSize cell = segmentCellSize(m_style);
    const int colon = segmentColonWidth(m_style);
    const int digits = m_showSeconds ? 6 : 4;
    const int colons = m_showSeconds ? 2 : 1;
    const int n = digits + colons;
    return {digits * cell.width() + colons * colon + (n - 1) * m_spacing,
            cell.height()};
}

void TVrClock::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}
