#pragma once
// Seven-segment cells shared by the number display and the clock. The artwork is
// drawn once per cell style in the reference colours (lit segments silver, unlit
// segments grey, background black) and recoloured per widget whenever its palette,
// style or background changes: lit segments in the palette's High colour, unlit
// ones in its dim copy (unlitColor).

#include "widgets/vrcolors.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>

class QPainter;

// Cell size in pixels: width x height.
enum TVrNumStyle { ns7x13, ns11x20, ns13x24 };

QSize segmentCellSize(TVrNumStyle style);
// Width of the narrow separator cell (the clock's colons).
int segmentColonWidth(TVrNumStyle style);

// Seven-segment bits: a (top), b (upper right), c (lower right), d (bottom),
// e (lower left), f (upper left), g (middle).
enum TVrSegment : unsigned {
    segA = 1, segB = 2, segC = 4, segD = 8, segE = 16, segF = 32, segG = 64
};

// Lit segments of a cell character: digits, ' ' (all unlit), '-', '+'.
unsigned segmentsFor(QChar c);

// Pixel rectangle of one segment inside a cell of the given style.
QRect segmentRect(TVrNumStyle style, TVrSegment segment);

// The glyphs of one style in one palette, ready to copy. Cell characters:
// '0'..'9', ' ' blank, '-' minus, '+' plus, ':' lit
// separator and '.' dark separator (narrow cells).
class TVrSegmentGlyphs {
public:
    void build(TVrNumStyle style, const TVrPalette &palette, const QColor &background);
    bool isBuilt() const { return m_built; }

    const QImage &glyph(QChar c) const;
    int cellWidth(QChar c) const;

    // Width of a row of cells spacing pixels apart.
    int textWidth(const QString &cells, int spacing) const;
    // Draws cells into area, placed left, centred or right by the horizontal part
    // of alignment and centred vertically.
    void paint(QPainter &p, const QRect &area, const QString &cells, int spacing,
               Qt::Alignment alignment) const;

private:
    enum { kGlyphCount = 15 };
    static int indexOf(QChar c);
    std::array<QImage, kGlyphCount> m_glyphs;
    QSize m_cell;
    int m_colonWidth = 0;
    bool m_built = false;
};

// The reference artwork of one cell character (silver lit, grey unlit, black ground).
QImage segmentReferenceGlyph(TVrNumStyle style, QChar c);
