#include "artwork.h"

namespace {
// A resource picture, or a black one of the designed size if it is missing, so a
// damaged build still shows a usable window.
QImage load(const char *name, int width, int height)
{
    QImage image(QStringLiteral(":/art/%1.png").arg(QLatin1String(name)));
    if (image.isNull()) {
        image = QImage(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
    }
    return image;
}
} // namespace

namespace artwork {
QImage background() { return load("background", 600, 350); }
QImage logo() { return load("logo", 102, 12); }
QImage playerIdle() { return load("player_idle", 33, 33); }
QImage playerActive() { return load("player_active", 33, 33); }
QImage animation() { return load("animate", 234, 20); }
QImage splash() { return load("splash", 488, 232); }
QImage farewell() { return load("farewell", 488, 232); }
QImage icon() { return load("icon", 64, 64); }
} // namespace artwork
