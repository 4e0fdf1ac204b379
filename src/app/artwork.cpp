#include "artwork.h"

#include <QMutex>
#include <QMutexLocker>

#include <future>
#include <map>
#include <string>
#include <thread>

namespace {
struct Picture {
    const char *name;
    int width;
    int height;
};

// Pictures needed for the first screen, in the order they are needed.
constexpr Picture kStartPictures[] = {
    {"splash", 488, 232},   {"background", 600, 350}, {"logo", 102, 12},
    {"player_idle", 33, 33}, {"player_active", 33, 33}, {"animate", 234, 20},
    {"icon", 64, 64},
};

// A resource picture, or a black one of the designed size if it is missing, so a
// damaged build still shows a usable window.
QImage decode(const char *name, int width, int height)
{
    QImage image(QStringLiteral(":/art/%1.png").arg(QLatin1String(name)));
    if (image.isNull()) {
        image = QImage(width, height, QImage::Format_RGB32);
        image.fill(Qt::black);
    }
    return image;
}

QMutex g_mutex;
std::map<std::string, std::shared_future<QImage>> g_pending;

QImage load(const char *name, int width, int height)
{
    std::shared_future<QImage> pending;
    {
        QMutexLocker lock(&g_mutex);
        auto it = g_pending.find(name);
        if (it != g_pending.end()) {
            pending = it->second;
            g_pending.erase(it);
        }
    }
    return pending.valid() ? pending.get() : decode(name, width, height);
}
} // namespace

namespace artwork {
void prefetch()
{
    // PNG decoding is the largest part of the first screen's work; it runs on a
    // helper thread while the splash is shown and the start-up checks finish.
    auto all = std::make_shared<std::map<std::string, std::promise<QImage>>>();
    QMutexLocker lock(&g_mutex);
    for (const Picture &p : kStartPictures)
        g_pending[p.name] = (*all)[p.name].get_future().share();
    std::thread([all] {
        for (const Picture &p : kStartPictures)
            (*all)[p.name].set_value(decode(p.name, p.width, p.height));
    }).detach();
}

QImage background() { return load("background", 600, 350); }
QImage logo() { return load("logo", 102, 12); }
QImage playerIdle() { return load("player_idle", 33, 33); }
QImage playerActive() { return load("player_active", 33, 33); }
QImage animation() { return load("animate", 234, 20); }
QImage splash() { return load("splash", 488, 232); }
QImage farewell() { return load("farewell", 488, 232); }
QImage icon() { return load("icon", 64, 64); }
} // namespace artwork
