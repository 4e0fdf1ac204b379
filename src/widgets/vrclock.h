#pragma once
// Seven-segment clock: hours, minutes and optionally seconds, showing the time of
// day, the time since it was started, or fields the program sets.

#include "widgets/vrcolors.h"
#include "widgets/vrsegments.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTime>
#include <QWidget>

#include <functional>

class TVrTimer;

enum TVrClockType { ctRealTime, ctElapsed, ctCustom };

class TVrClock : public QWidget {
    Q_OBJECT
public:
    // A tick every half second: seconds stay close to the wall clock and blinking
    // colons go on and off once a second.
    static constexpr int kTickInterval = 500;

    explicit TVrClock(QWidget *parent = nullptr);
    ~TVrClock() override;

    int Hours() const { return m_hours; }
    void setHours(int hours);
    int Minutes() const { return m_minutes; }
    void setMinutes(int minutes);
    int Seconds() const { return m_seconds; }
    void setSeconds(int seconds);

    bool ShowSeconds() const { return m_showSeconds; }
    void setShowSeconds(bool on);
    void setBlink(bool on);
    bool Hours24() const { return m_hours24; }
    void setHours24(bool on);
    TVrClockType ClockType() const { return m_clockType; }
    void setClockType(TVrClockType type);
    // Starts or stops the clock; a custom clock cannot be started.
    bool Active() const { return m_active; }
    void setActive(bool on);
    bool Threaded() const { return m_threaded; }
    void setThreaded(bool on);

    const TVrPalette &Palette() const { return m_palette; }
    void setPalette(const TVrPalette &palette);
    using QWidget::setPalette;
    TVrNumStyle Style() const { return m_style; }
    void setStyle(TVrNumStyle style);
    int Spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    // The cells as characters: "12:05:09", with ' ' for a colon that is dark while
    // blinking.
    QString displayText() const;

    // One tick of the running clock (called by its timer).
    void tick();
    // Where a real-time clock reads the time of day (tests pass a fixed time).
    void setTimeSource(std::function<QTime()> source);

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString cells() const;
    void readTime();
    void setFields(int h, int m, int s);
    void updateTimer();
    void artworkChanged();

    int m_hours = 0;
    int m_minutes = 0;
    int m_seconds = 0;
    bool m_showSeconds = true;
    bool m_blink = false;
    bool m_hours24 = true;
    TVrClockType m_clockType = ctRealTime;
    bool m_active = false;
    bool m_threaded = true;
    bool m_colonsOn = true;
    TVrPalette m_palette;
    TVrNumStyle m_style = ns7x13;
    int m_spacing = 2;
    QColor m_color = Qt::black;
    QElapsedTimer m_started;
    std::function<QTime()> m_timeSource;
    TVrTimer *m_timer = nullptr;
    mutable TVrSegmentGlyphs m_glyphs;
};
