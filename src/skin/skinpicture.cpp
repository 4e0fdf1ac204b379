#include "skin/skinpicture.h"

#include "platform/errors.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <cstdlib>

namespace {

// 8192 x 8192 pixels: 256 MB as the 32-bit pixels a picture is decoded to.
constexpr qint64 kMaxPixels = qint64(8192) * 8192;
// The reader's own allocation limit (128 MB unless told) would refuse pictures
// well inside that size, such as 8000 x 6000; it is set to the same bound.
constexpr int kAllocationLimitMB = int(kMaxPixels * 4 / (1024 * 1024));

[[noreturn]] void notValid(const QString &path)
{
    Exception e(QStringLiteral("Bitmap image is not valid"));
    e.setWhere(placeInFile(path));
    throw e;
}

// True when a Windows bitmap file holds every pixel row its header announces.
// Qt's bitmap reader stops quietly at the end of a cut-off file and hands back a
// picture whose missing rows are whatever the memory held.
bool bitmapComplete(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(54);
    if (head.size() < 26)
        return false;
    const auto u16 = [&head](int at) { return qint64(qFromLittleEndian<quint16>(head.constData() + at)); };
    const auto u32 = [&head](int at) { return qint64(qFromLittleEndian<quint32>(head.constData() + at)); };
    const auto s32 = [&head](int at) { return qint64(qFromLittleEndian<qint32>(head.constData() + at)); };
    const qint64 pixelOffset = u32(10);
    const qint64 infoSize = u32(14);
    qint64 width = 0, height = 0, bits = 0, compression = 0, imageSize = 0;
    if (infoSize == 12) { // the old OS/2 header
        width = u16(18);
        height = u16(20);
        bits = u16(24);
    } else if (head.size() >= 38) {
        width = s32(18);
        height = std::abs(s32(22)); // negative: rows stored top down
        bits = u16(28);
        compression = u32(30);
        imageSize = u32(34);
    } else {
        return false;
    }
    qint64 pixelBytes = 0;
    switch (compression) {
    case 0: // plain rows
    case 3: // rows with bit-field masks
    case 6: // the same with an alpha mask
        // Each row is padded to whole 32-bit words.
        pixelBytes = (width * bits + 31) / 32 * 4 * height;
        break;
    default: // run-length coded: only the header's byte count tells
        pixelBytes = imageSize;
        break;
    }
    return pixelBytes >= 0 && file.size() >= pixelOffset + pixelBytes;
}

} // namespace

QImage loadSkinPicture(const QString &path)
{
    QImageReader reader(path);
    reader.setAllocationLimit(kAllocationLimitMB);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels)
        notValid(path);
    if (reader.format() == "bmp" && !bitmapComplete(path))
        notValid(path);
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        notValid(path);
    return picture;
}
