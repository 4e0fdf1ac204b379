#include "widgets/vrsegments.h"

#include <QPainter>

#include <map>
#include <mutex>

namespace {
constexpr const char kGlyphChars[] = "0123456789 -+:.";

int thickness(TVrNumStyle style) { return style == ns7x13 ? 1 : 2; }

// Reference artwork is the same for every widget, so it is drawn once per style.
const QImage &cachedReference(TVrNumStyle style, int index)
{
    static std::mutex mutex;
    static std::map<std::pair<int, int>, QImage> cache;
    std::lock_guard lock(mutex);
    auto key = std::make_pair(int(style), index);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, segmentReferenceGlyph(style, QChar(kGlyphChars[index]))).first;
    return it->second;
}
} // namespace

QSize segmentCellSize(TVrNumStyle style)
{
    switch (style) {
    case ns11x20: return {11, 20};
    case ns13x24: return {13, 24};
    case ns7x13: break;
    }
    return {7, 13};
}

int segmentColonWidth(TVrNumStyle style)
{
    switch (style) {
    case ns11x20: return 4;
    case ns13x24: return 5;
    case ns7x13: break;
    }
    return 3;
}

unsigned segmentsFor(QChar c)
{
    switch (c.unicode()) {
    case '0': return segA | segB | segC | segD | segE | segF;
    case '1': return segB | segC;
    case '2': return segA | segB | segG | segE | segD;
    case '3': return segA | segB | segG | segC | segD;
    case '4': return segF | segG | segB | segC;
    case '5': return segA | segF | segG | segC | segD;
    case '6': return segA | segF | segG | segE | segC | segD;
    case '7': return segA | segB | segC;
    case '8': return segA | segB | segC | segD | segE | segF | segG;
    case '9': return segA | segB | segC | segD | segF | segG;
    case '-': return segG;
    case '+': return segG;
    default: return 0;
    }
}

QRect segmentRect(TVrNumStyle style, TVrSegment segment)
{
    const QSize cell = segmentCellSize(style);
    const int w = cell.width();
    const int h = cell.height();
    const int t = thickness(style);
    const int midTop = (h - t) / 2;
    const int midBottom = midTop + t; // first row below the middle bar
    switch (segment) {
    case segA: return {t, 0, w - 2 * t, t};
    case segG: return {t, midTop, w - 2 * t, t};
    case segD: return {t, h - t, w - 2 * t, t};
    case segF: return {0, t, t, midTop - t};
    case segB: return {w - t, t, t, midTop - t};
    case segE: return {0, midBottom, t, h - t - midBottom};
    case segC: return {w - t, midBottom, t, h - t - midBottom};
    }
    return {};
}

QImage segmentReferenceGlyph(TVrNumStyle style, QChar c)
{
    const QSize cell = segmentCellSize(style);
    const int t = thickness(style);
    const QColor lit = QColor::fromRgba(kReferenceSilver);
    const QColor unlit = QColor::fromRgba(kReferenceGrey);

    if (c == u':' || c == u'.') {
        const int cw = segmentColonWidth(style);
        QImage img(cw, cell.height(), QImage::Format_ARGB32);
        img.fill(kReferenceBlack);
        QPainter p(&img);
        const int dot = t + 1;
        const int x = (cw - dot) / 2;
        const QColor col = c == u':' ? lit : unlit;
        p.fillRect(QRect(x, cell.height() / 3 - dot / 2, dot, dot), col);
        p.fillRect(QRect(x, (2 * cell.height()) / 3 - dot / 2, dot, dot), col);
        return img;
    }

    QImage img(cell, QImage::Format_ARGB32);
    img.fill(kReferenceBlack);
    QPainter p(&img);
    const unsigned on = segmentsFor(c);
    for (unsigned s = segA; s <= segG; s <<= 1)
        p.fillRect(segmentRect(style, TVrSegment(s)), (on & s) ? lit : unlit);
    if (c == u'+') {
        // The vertical bar of the plus sign crosses the middle segment.
        const QRect g = segmentRect(style, segG);
        const int x = (cell.width() - t) / 2;
        const int half = g.width() / 2;
        p.fillRect(QRect(x, g.top() - half, t, 2 * half + t), lit);
    }
    return img;
}

int TVrSegmentGlyphs::indexOf(QChar c)
{
    static_assert(sizeof(kGlyphChars) - 1 == kGlyphCount, "one glyph per cell character");
    for (int i = 0; i < kGlyphCount; ++i)
        if (c == QChar(kGlyphChars[i]))
            return i;
    return 10; // anything unknown shows as a blank cell
}

void TVrSegmentGlyphs::build(TVrNumStyle style, const TVrPalette &palette,
                             const QColor &background)
{
    m_cell = segmentCellSize(style);
    m_colonWidth = segmentColonWidth(style);
    const QColor back = background.isValid() ? background : QColor(Qt::black);
    // Glyphs on an opaque background are opaque: kept as RGB32 they are copied, not
    // blended, each time a display draws them.
    const QImage::Format format = back.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    for (int i = 0; i < kGlyphCount; ++i)
        m_glyphs[i] = recolorReference(cachedReference(style, i), unlitColor(palette), palette.High, back)
                          .convertToFormat(format);
    m_built = true;
}

const QImage &TVrSegmentGlyphs::glyph(QChar c) const { return m_glyphs[indexOf(c)]; }

int TVrSegmentGlyphs::cellWidth(QChar c) const
{
    return (c == u':' || c == u'.') ? m_colonWidth : m_cell.width();
}

int TVrSegmentGlyphs::textWidth(const QString &cells, int spacing) const
{
    int w = 0;
    for (QChar c : cells)
        w += cellWidth(c);
    if (!cells.isEmpty())
        w += spacing * int(cells.size() - 1);
    return w;
}

void TVrSegmentGlyphs::paint(QPainter &p, const QRect &area, const QString &cells,
                             int spacing, Qt::Alignment alignment) const
{
    const int width = textWidth(cells, spacing);
    int x = area.left();
    if (alignment & Qt::AlignRight)
        x = area.left() + area.width() - width;
    else if (!(alignment & Qt::AlignLeft))
        x = area.left() + (area.width() - width) / 2;
    const int y = area.top() + (area.height() - m_cell.height()) / 2;
    for (QChar c : cells) {
        p.drawImage(x, y, glyph(c));
        x += cellWidth(c) + spacing;
    }
}
