#pragma once
// A row of LED character cells, each a 5 x 7 dot matrix, like a dot-matrix sign.
// The text may carry colour codes ("%A" red ... "%0" default, "%%" a percent sign)
// and can scroll through the cells on a timer of its own.

#include "widgets/vrbevel.h"
#include "widgets/vrcolors.h"

#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>

class TVrTimer;

enum TVrMatrixLedStyle { ls9x13, ls14x20, ls19x27 };
enum TVrMatrixScrollDirection { msdRightToLeft, msdLeftToRight };
enum TVrTextStyle { tsUpperCase, tsLowerCase, tsAsIs, tsProperCase };
enum TVrAlignment { taLeftJustify, taRightJustify, taCenter };

// The 5 x 7 font: one byte per dot row, top to bottom; bit 4 is the leftmost column,
// bit 0 the rightmost. Codes 0 to 127; anything else is the blank glyph.
using TVrMatrixGlyph = std::array<std::uint8_t, 7>;
const TVrMatrixGlyph &vrMatrixGlyph(int code);

// Geometry of one cell style: cell width and height, and the side of one dot.
struct TVrMatrixCellGeometry {
    int Width;
    int Height;
    int DotSize;
};
TVrMatrixCellGeometry vrMatrixCellGeometry(TVrMatrixLedStyle style);

// The picture of one unlit cell in reference colours: grey dots on black.
QImage vrMatrixCellReference(TVrMatrixLedStyle style);

// Colour of a code character of the colour-code string ('-' or '0' is the default).
QColor vrMatrixCodeColor(QChar code, const QColor &defaultColor);

class TVrMatrix : public QWidget {
    Q_OBJECT
public:
    explicit TVrMatrix(QWidget *parent = nullptr);
    ~TVrMatrix() override;

    int Leds() const { return m_leds; }
    void setLeds(int leds);
    int Spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    TVrMatrixLedStyle LedStyle() const { return m_ledStyle; }
    void setLedStyle(TVrMatrixLedStyle style);
    bool LedsVisible() const { return m_ledsVisible; }
    void setLedsVisible(bool on);
    TVrAlignment Alignment() const { return m_alignment; }
    void setAlignment(TVrAlignment alignment);
    void setScrollDirection(TVrMatrixScrollDirection direction);
    TVrTextStyle TextStyle() const { return m_textStyle; }
    void setTextStyle(TVrTextStyle style);
    Qt::Orientation Orientation() const { return m_orientation; }
    void setOrientation(Qt::Orientation orientation);
    bool AutoScroll() const { return m_autoScroll; }
    void setAutoScroll(bool on);
    int TimeInterval() const;
    void setTimeInterval(int ms);
    bool Threaded() const;
    void setThreaded(bool on);
    const TVrPalette &Palette() const { return m_palette; }
    using QWidget::setPalette;
    void setPalette(const TVrPalette &palette);
    const TVrBevel &Bevel() const { return m_bevel; }
    void setBevel(const TVrBevel &bevel);
    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    QString Text() const { return m_text; }
    void setText(const QString &text);

    // One scroll step: what each timer tick does.
    void scrollStep();

    // 1-based index of the display character shown in the first cell; 0 or below
    // means leading blank cells.
    int FirstVisibleIndex() const;
    // The text with the colour codes taken out and the text style applied.
    QString DisplayText() const { return m_displayText; }
    // One code character per display character: '-' for the default colour, else
    // the hexadecimal digit that chose the colour.
    QString ColorCodes() const { return m_colorCodes; }

    // Places the widget; only left and top are used, the size follows the cells.
    void setBounds(int left, int top, int width, int height);
    // The size the cells and frame take.
    QSize matrixSize() const;

    // The whole display as it looks now.
    QImage renderToImage() const;

    QSize sizeHint() const override { return matrixSize(); }

    TVrTimer *timer() const { return m_timer; }

Q_SIGNALS:
    void OnScrollDone();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void parseText();
    void updateSize();
    void updateTimer(bool visible);
    void changed();
    void invalidateCells();
    int alignedFirstIndex() const;
    const QImage &cellImage(QChar ch, QChar code) const;

    int m_leds = 15;
    int m_spacing = 2;
    TVrMatrixLedStyle m_ledStyle = ls14x20;
    bool m_ledsVisible = true;
    TVrAlignment m_alignment = taLeftJustify;
    TVrMatrixScrollDirection m_scrollDirection = msdRightToLeft;
    TVrTextStyle m_textStyle = tsUpperCase;
    Qt::Orientation m_orientation = Qt::Horizontal;
    bool m_autoScroll = false;
    TVrPalette m_palette;
    TVrBevel m_bevel;
    QColor m_color = toQColor(clBlack);
    QString m_text;

    QString m_displayText;
    QString m_colorCodes;
    int m_firstVisible = 1;

    TVrTimer *m_timer = nullptr;

    // Caches: the recoloured unlit cell, finished cells per (character, colour code),
    // and the last frame painted.
    mutable QImage m_unlitCell;
    mutable QHash<quint32, QImage> m_cells;
    mutable QImage m_frame;
    mutable bool m_frameValid = false;
};
