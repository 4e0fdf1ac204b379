#pragma once
// Scale beside a fader: tick marks and numbered labels from MinValue to MaxValue;
// the top quarter of the range is drawn in the peak colour.

#include "widgets/vrcolors.h"

#include <QImage>
#include <QWidget>

class TVrScale : public QWidget {
    Q_OBJECT
public:
    explicit TVrScale(QWidget *parent = nullptr);

    int MinValue() const { return m_min; }
    void setMinValue(int value);
    int MaxValue() const { return m_max; }
    void setMaxValue(int value);
    Qt::Orientation Orientation() const { return m_orientation; }
    void setOrientation(Qt::Orientation orientation);
    int Digits() const { return m_digits; }
    void setDigits(int digits);
    bool LeadingZero() const { return m_leadingZero; }
    void setLeadingZero(bool on);
    QColor ScaleColor() const { return m_scaleColor; }
    void setScaleColor(const QColor &color);
    void setPeakColor(const QColor &color);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    QColor FontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    // Label text of a value: "-40", "00", "05".
    QString labelText(int value) const;
    // Values that carry a label, smallest first.
    QList<int> labelValues() const;
    // Pixel offset of a value along the scale (from the top or the left).
    int offsetOf(int value) const;

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int labelStep() const;
    int margin() const;
    bool isPeak(int value) const;

    int m_min = 0;
    int m_max = 100;
    Qt::Orientation m_orientation = Qt::Vertical;
    int m_digits = 1;
    bool m_leadingZero = false;
    QColor m_scaleColor = toQColor(clLime);
    QColor m_peakColor = toQColor(clRed);
    bool m_transparent = false;
    QColor m_fontColor = toQColor(clLime);
    QColor m_color = Qt::black;
};
