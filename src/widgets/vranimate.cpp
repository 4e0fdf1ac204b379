#include "widgets/vranimate.h"

#include "widgets/vrtimer.h"
#include "widgets/vrwidgetutil.h"

#include <QPainter>

TVrAnimate::TVrAnimate(QWidget *parent) : QWidget(parent)
{
    m_timer = new TVrTimer(this);
    m_timer->setInterval(0); // idle until started
    m_timer->setTimerType(m_threaded ? ttThread : ttSystem);
    m_timer->setOnTimer([this] { nextFrame(); });
}

TVrAnimate::~TVrAnimate()
{
    delete m_timer;
    m_timer = nullptr;
}

void TVrAnimate::setBitmap(const QImage &bitmap)
{
    m_bitmap = bitmap;
    m_frame = 0;
    applyAutoSize();
    updateTimer();
    update();
}

void TVrAnimate::setFrameCols(int cols)
{
    if (!assignIfChanged(m_cols, qMax(1, cols)))
        return;
    m_frame = qMin(m_frame, FrameCount() - 1);
    applyAutoSize();
    updateTimer();
    update();
}

void TVrAnimate::setFrameRows(int rows)
{
    if (!assignIfChanged(m_rows, qMax(1, rows)))
        return;
    m_frame = qMin(m_frame, FrameCount() - 1);
    applyAutoSize();
    updateTimer();
    update();
}

void TVrAnimate::setInterval(int ms)
{
    if (assignIfChanged(m_interval, qMax(1, ms)))
        updateTimer();
}

void TVrAnimate::setLoop(bool on)
{
    if (assignIfChanged(m_loop, on))
        updateTimer();
}

void TVrAnimate::setActive(bool on)
{
    if (!assignIfChanged(m_active, on))
        return;
    // Starting again after a run without loop begins at the first frame.
    if (m_active && !m_loop && m_frame == FrameCount() - 1 && FrameCount() > 1) {
        m_frame = 0;
        update();
    }
    updateTimer();
}

void TVrAnimate::setAutoSize(bool on)
{
    if (assignIfChanged(m_autoSize, on))
        applyAutoSize();
}

void TVrAnimate::setThreaded(bool on)
{
    if (assignIfChanged(m_threaded, on))
        m_timer->setTimerType(on ? ttThread : ttSystem);
}

void TVrAnimate::setCurrentFrame(int frame)
{
    if (assignIfChanged(m_frame, qBound(0, frame, FrameCount() - 1)))
        update();
}

QSize TVrAnimate::frameSize() const
{
    if (m_bitmap.isNull())
        return {};
    return {m_bitmap.width() / m_cols, m_bitmap.height() / m_rows};
}

bool TVrAnimate::isTicking() const { return m_ticking; }

void TVrAnimate::applyAutoSize()
{
    if (m_autoSize && !m_bitmap.isNull())
        resize(frameSize());
}

void TVrAnimate::updateTimer()
{
    // Tick only while visible, active and with a frame still to come.
    const bool run = m_active && isVisible() && !m_bitmap.isNull() && FrameCount() > 1
                     && (m_loop || m_frame < FrameCount() - 1);
    m_ticking = run;
    m_timer->setInterval(run ? m_interval : 0);
}

void TVrAnimate::nextFrame()
{
    const int count = FrameCount();
    if (m_frame + 1 < count)
        ++m_frame;
    else if (m_loop)
        m_frame = 0;
    else {
        // The last frame stays up and the animation is over.
        m_active = false;
        updateTimer();
        return;
    }
    update();
    if (!m_loop && m_frame == count - 1) {
        m_active = false;
        updateTimer();
    }
}

QImage TVrAnimate::render() const
{
    QImage img = widgetCanvas(*this, Qt::transparent);
    if (m_bitmap.isNull())
        return img;
    const QSize fs = frameSize();
    const QRect source(QPoint((m_frame % m_cols) * fs.width(), (m_frame / m_cols) * fs.height()),
                       fs);
    QPainter p(&img);
    p.drawImage(QPoint(0, 0), m_bitmap, source);
    return img;
}

QSize TVrAnimate::sizeHint() const
{
    const QSize fs = frameSize();
    return fs.isValid() ? fs : QSize(32, 32);
}

void TVrAnimate::paintEvent(QPaintEvent *)
{
    // An opaque picture that fills the widget spares the panel below a repaint on
    // every frame.
    setAttribute(Qt::WA_OpaquePaintEvent, !m_bitmap.isNull() && !m_bitmap.hasAlphaChannel() && frameSize() == size());
    QPainter p(this);
    p.drawImage(0, 0, render());
}

void TVrAnimate::showEvent(QShowEvent *event)
{
    updateTimer();
    QWidget::showEvent(event);
}

void TVrAnimate::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTimer();
}
