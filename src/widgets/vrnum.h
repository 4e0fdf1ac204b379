#pragma once
// Seven-segment number display: a row of LED digit cells with an optional sign cell.

#include "widgets/vrcolors.h"
#include "widgets/vrsegments.h"

#include <QImage>
#include <QWidget>

class QPainter;

class TVrNum : public QWidget {
    Q_OBJECT
public:
    explicit TVrNum(QWidget *parent = nullptr);

    int Value() const { return m_value; }
    void setValue(int value);
    int Min() const { return m_min; }
    void setMin(int min);
    int Max() const { return m_max; }
    void setMax(int max);
    int Digits() const { return m_digits; }
    void setDigits(int digits);
    bool LeadingZero() const { return m_leadingZero; }
    void setLeadingZero(bool on);
    void setZeroBlank(bool on);
    Qt::Alignment Alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    int Spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    TVrNumStyle Style() const { return m_style; }
    void setStyle(TVrNumStyle style);
    const TVrPalette &Palette() const { return m_palette; }
    void setPalette(const TVrPalette &palette);
    using QWidget::setPalette;
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    // The cells as characters: digits, ' ' for a blank cell, '-' or '+' for the
    // sign cell.
    QString displayText() const;

    // The widget as it is painted; QWidget::render stays available.
    QImage render() const;
    using QWidget::render;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void artworkChanged();
    // The background and the digits, onto a painter over the widget's rectangle.
    void draw(QPainter &p) const;

    int m_value = 0;
    int m_min = 0;
    int m_max = 9999;
    int m_digits = 4;
    bool m_leadingZero = false;
    bool m_zeroBlank = false;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    int m_spacing = 2;
    TVrNumStyle m_style = ns7x13;
    TVrPalette m_palette;
    QColor m_color = Qt::black;
    mutable TVrSegmentGlyphs m_glyphs;
};

// The cells of a number display for the given settings (the text it shows).
QString vrNumCells(int value, int min, int digits, bool leadingZero, bool zeroBlank);
