#pragma once
// Window outlines cut from a picture: every pixel of the transparent colour is left
// out. The outline is kept in the byte layout of a Windows region description (the
// form the main window's outline has always been stored in) and turned into a
// QRegion for QWidget::setMask.

#include "widgets/vrcolors.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>

// A region description: a 32-byte header (header size 32, type 1 = rectangles,
// number of rectangles, byte size of the rectangle list, bounding box as left, top,
// right, bottom), then each rectangle as left, top, right, bottom; all 32-bit
// little-endian signed integers, right and bottom exclusive.
class TVrRgnData {
public:
    static constexpr int HeaderSize = 32;
    static constexpr int RectSize = 16;

    TVrRgnData() = default;
    // The description of these rectangles, which must already be Y-X banded
    // (sorted by top, then left; one height per band; no overlap).
    static TVrRgnData fromRects(const QList<QRect> &rects);

    qint32 Size() const { return qint32(m_data.size()); }
    // Resizing keeps the leading bytes; a size of 0 or less frees the block.
    void SetSize(qint32 size);
    const QByteArray &Data() const { return m_data; }
    void setData(const QByteArray &bytes) { m_data = bytes; }

    // The header's fields and the rectangles it announces; nothing for a
    // description whose header does not hold together.
    bool isValid() const;
    int RectCount() const;
    QRect Bounds() const;
    QList<QRect> Rects() const;

    bool operator==(const TVrRgnData &) const = default;

private:
    QByteArray m_data;
};

// The visible part of the picture as Y-X banded rectangles. Each row is walked from
// the left: transparent pixels are skipped, the run of other pixels that follows is
// one rectangle. The last column never counts: a run reaching it ends there, and a
// picture one column wide has no visible part at all. Pixels are compared on their
// RGB value alone; a system colour (0x80000000 and above) matches no pixel. Rows
// with identical runs one below the other share one rectangle per run.
QList<QRect> regionRectsFromBitmap(const QImage &bitmap, TColor maskColor);

// Scans the picture into rgnData. Returns false, leaving rgnData as it was, when
// the picture has no visible pixel.
bool BuildRegionFromBitmap(const QImage &bitmap, TColor maskColor, TVrRgnData &rgnData);

// The region a description stands for; empty for an empty or malformed one.
QRegion regionFromRgnData(const TVrRgnData &data);
