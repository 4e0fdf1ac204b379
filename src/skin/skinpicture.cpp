#include "skinpicture.h"

#include "errors.h"

#include <QImageReader>

namespace {

// 8192 x 8192 pixels: 256 MB as 32-bit pixels, Qt's own default allocation limit.
constexpr qint64 kMaxPixels = qint64(8192) * 8192;

[[noreturn]] void notValid() { throw Exception(QStringLiteral("Bitmap image is not valid")); }

} // namespace

QImage loadSkinPicture(const QString &path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels)
        notValid();
    QImage picture = reader.read();
    if (picture.isNull())
        notValid();
    return picture;
}
