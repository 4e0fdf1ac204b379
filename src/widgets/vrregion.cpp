#include "widgets/vrregion.h"

#include <QtEndian>

#include <algorithm>
#include <climits>

namespace {

constexpr qint32 kRectangles = 1; // the region type of a rectangle list

qint32 readInt(const QByteArray &bytes, qsizetype offset)
{
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

void writeInt(char *at, qint32 value) { qToLittleEndian<qint32>(value, at); }

// A picture whose pixels can be read as 32-bit words with the colour in the low
// 24 bits, without a copy for the formats pictures usually arrive in.
QImage asRgbWords(const QImage &bitmap)
{
    switch (bitmap.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return bitmap;
    default:
        return bitmap.convertToFormat(QImage::Format_RGB32);
    }
}

// True when two bands have runs at the same columns.
bool sameColumns(const QList<QRect> &rects, qsizetype a, qsizetype b, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i) {
        if (rects[a + i].left() != rects[b + i].left() || rects[a + i].right() != rects[b + i].right())
            return false;
    }
    return true;
}

// QRegion::setRects trusts its input; a description from elsewhere is checked.
bool isBanded(const QList<QRect> &rects)
{
    for (qsizetype i = 1; i < rects.size(); ++i) {
        const QRect &prev = rects[i - 1];
        const QRect &cur = rects[i];
        if (cur.top() == prev.top()) {
            if (cur.bottom() != prev.bottom() || cur.left() <= prev.right() + 1)
                return false;
        } else if (cur.top() <= prev.bottom()) {
            return false;
        }
    }
    return true;
}

} // namespace

TVrRgnData TVrRgnData::fromRects(const QList<QRect> &rects)
{
    TVrRgnData out;
    if (rects.isEmpty())
        return out;
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const QRect &r : rects) {
        left = std::min(left, r.left());
        top = std::min(top, r.top());
        right = std::max(right, r.left() + r.width());
        bottom = std::max(bottom, r.top() + r.height());
    }
    const qint32 count = qint32(rects.size());
    out.m_data.resize(HeaderSize + count * RectSize);
    char *p = out.m_data.data();
    const qint32 header[8] = {HeaderSize, kRectangles, count, count * RectSize, left, top, right, bottom};
    for (qint32 v : header) {
        writeInt(p, v);
        p += 4;
    }
    for (const QRect &r : rects) {
        writeInt(p, r.left());
        writeInt(p + 4, r.top());
        writeInt(p + 8, r.left() + r.width());
        writeInt(p + 12, r.top() + r.height());
        p += RectSize;
    }
    return out;
}

void TVrRgnData::SetSize(qint32 size)
{
    if (size <= 0) {
        m_data = QByteArray();
        return;
    }
    m_data.resize(size);
}

bool TVrRgnData::isValid() const
{
    if (m_data.size() < HeaderSize || readInt(m_data, 0) != HeaderSize || readInt(m_data, 4) != kRectangles)
        return false;
    const qint32 count = readInt(m_data, 8);
    return count >= 0 && count <= (m_data.size() - HeaderSize) / RectSize;
}

int TVrRgnData::RectCount() const { return isValid() ? readInt(m_data, 8) : 0; }

QRect TVrRgnData::Bounds() const
{
    if (!isValid())
        return {};
    return QRect(QPoint(readInt(m_data, 16), readInt(m_data, 20)),
                 QPoint(readInt(m_data, 24) - 1, readInt(m_data, 28) - 1));
}

QList<QRect> TVrRgnData::Rects() const
{
    QList<QRect> rects;
    const int count = RectCount();
    rects.reserve(count);
    for (int i = 0; i < count; ++i) {
        const qsizetype at = HeaderSize + qsizetype(i) * RectSize;
        const QRect r(QPoint(readInt(m_data, at), readInt(m_data, at + 4)),
                      QPoint(readInt(m_data, at + 8) - 1, readInt(m_data, at + 12) - 1));
        if (!r.isEmpty())
            rects.append(r);
    }
    return rects;
}

QList<QRect> regionRectsFromBitmap(const QImage &bitmap, TColor maskColor)
{
    QList<QRect> rects;
    const int width = bitmap.width();
    if (width < 2)
        return rects;
    const QImage words = asRgbWords(bitmap);
    // A key outside 24 bits matches no pixel: what a system colour does.
    const quint32 key = (maskColor & clSystemColor)
        ? 0xFFFFFFFFu
        : (quint32(maskColor & 0xFF) << 16) | (maskColor & 0xFF00) | ((maskColor >> 16) & 0xFF);
    const int last = width - 1;
    qsizetype bandStart = -1; // first rectangle of the band ending just above this row
    for (int y = 0; y < words.height(); ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(words.constScanLine(y));
        const qsizetype rowStart = rects.size();
        int x = 0;
        for (;;) {
            while (x < last && (row[x] & 0xFFFFFFu) == key)
                ++x;
            const int start = x++;
            while (x < last && (row[x] & 0xFFFFFFu) != key)
                ++x;
            if (start < last)
                rects.append(QRect(start, y, x - start, 1));
            if (x >= last)
                break;
        }
        const qsizetype runs = rects.size() - rowStart;
        if (runs == 0) {
            bandStart = -1;
            continue;
        }
        // A row with the runs of the band above grows that band by one row.
        if (bandStart >= 0 && rowStart - bandStart == runs && sameColumns(rects, bandStart, rowStart, runs)) {
            for (qsizetype i = bandStart; i < rowStart; ++i)
                rects[i].setBottom(y);
            rects.resize(rowStart);
        } else {
            bandStart = rowStart;
        }
    }
    return rects;
}

bool BuildRegionFromBitmap(const QImage &bitmap, TColor maskColor, TVrRgnData &rgnData)
{
    const QList<QRect> rects = regionRectsFromBitmap(bitmap, maskColor);
    if (rects.isEmpty())
        return false;
    rgnData = TVrRgnData::fromRects(rects);
    return true;
}

QRegion regionFromRgnData(const TVrRgnData &data)
{
    const QList<QRect> rects = data.Rects();
    QRegion region;
    if (isBanded(rects)) {
        region.setRects(rects.constData(), int(rects.size()));
    } else {
        for (const QRect &r : rects)
            region += r;
    }
    return region;
}
