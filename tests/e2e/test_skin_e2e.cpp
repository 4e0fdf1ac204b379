// The real program on a real X display: a background picture chosen in the skin
// designer gives the main window its outline, so the desktop shows through where
// the picture has the transparent colour.

#include "desktop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>
#include <gtest/gtest.h>

using namespace e2e;

namespace {
#define REQUIRE_DISPLAY()                                                                       \
    if (!haveDisplay())                                                                         \
    GTEST_SKIP() << "no display; scripts/test starts one"

void xdotool(const QStringList &args) { run(QStringLiteral("xdotool"), args); }

void clickAt(QPoint p)
{
    xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
    QThread::msleep(150);
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

// A visible window of the process whose title matches the pattern.
QString waitForWindow(qint64 pid, const QString &pattern, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QStringList ids = run(QStringLiteral("xdotool"),
                                    {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"), pattern})
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!ids.isEmpty())
            return ids.first();
        QThread::msleep(100);
    }
    return {};
}

constexpr QRgb kMaroon = 0xFF800000; // the skin's transparent colour out of the box
constexpr QRgb kInside = 0xFF3070B0;
constexpr int kCorner = 30;
} // namespace

TEST(SkinOnTheDesktop, LoadImageCutsTheTransparentCornersOutOfTheMainWindow)
{
    REQUIRE_DISPLAY();
    ASSERT_TRUE(waitUntilNoCopyRuns());
    Sonaveo app;

    // Small enough to stay clear of the designer in the middle of the screen.
    const QSize size(400, 260);
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(kInside);
    {
        QPainter p(&picture);
        for (QPoint c : {QPoint(0, 0), QPoint(size.width() - kCorner, 0), QPoint(0, size.height() - kCorner),
                         QPoint(size.width() - kCorner, size.height() - kCorner)})
            p.fillRect(QRect(c, QSize(kCorner, kCorner)), QColor(kMaroon));
    }
    const QString path = QDir(app.dataDir()).filePath(QStringLiteral("corners.bmp"));
    ASSERT_TRUE(picture.save(path, "BMP"));

    const QString mainId = app.waitForMainWindow();
    ASSERT_FALSE(mainId.isEmpty()) << "no main window appeared";
    QThread::msleep(1200); // the splash is gone and everything has painted
    const QRect start = windowGeometry(mainId);
    ASSERT_FALSE(start.intersects(QRect(QPoint(0, 0), size))) << "the top-left corner shows the desktop at first";
    const QImage desktop = screenshot(QStringLiteral("skin-desktop"));

    // "Skin Designer" in the button block, then "Load Image" in the designer.
    clickAt(start.topLeft() + QPoint(480 + 1 + 53, 204 + 42 + 11));
    const QString designerId = waitForWindow(app.pid(), QStringLiteral("^Skin Designer$"));
    ASSERT_FALSE(designerId.isEmpty()) << "the designer did not open";
    QThread::msleep(400);
    const QRect designer = windowGeometry(designerId);
    clickAt(designer.topLeft() + QPoint(174 + 53, 85 + 12));
    const QString dialogId = waitForWindow(app.pid(), QStringLiteral("^Hintergrundgrafik"));
    ASSERT_FALSE(dialogId.isEmpty()) << "the picture dialog did not open";
    QThread::msleep(600);

    // What a user does: type the picture's path into the file name field.
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), QStringLiteral("--"), path});
    QThread::msleep(300);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    // A first Return may only close the name completer's list.
    if (!waitForWindow(app.pid(), QStringLiteral("^Hintergrundgrafik"), 500).isEmpty())
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});

    // The main window moves to the screen's corner and takes the picture's size.
    QElapsedTimer clock;
    clock.start();
    QRect now;
    do {
        QThread::msleep(200);
        now = windowGeometry(mainId);
    } while (now != QRect(QPoint(0, 0), size) && clock.elapsed() < 10000);
    ASSERT_EQ(now, QRect(QPoint(0, 0), size));
    QThread::msleep(800);
    const QImage shot = screenshot(QStringLiteral("skin-corners"));

    // Corners: the desktop as it was; just inside them and in free spots of the
    // window: the picture.
    const int w = size.width(), h = size.height();
    for (QPoint p : {QPoint(3, 3), QPoint(w - 4, 3), QPoint(3, h - 4), QPoint(w - 4, h - 4), QPoint(20, 20),
                     QPoint(w - 20, h - 20)})
        EXPECT_EQ(QColor(shot.pixel(p)), QColor(desktop.pixel(p)))
            << "the desktop should show through at " << p.x() << "," << p.y();
    for (QPoint p : {QPoint(kCorner + 5, 5), QPoint(5, kCorner + 5), QPoint(200, 40), QPoint(20, 130)})
        EXPECT_EQ(QColor(shot.pixel(p)), QColor(kInside)) << "the picture should show at " << p.x() << "," << p.y();
    // The designer stays open in front, so the main window is shown behind it.
    EXPECT_FALSE(waitForWindow(app.pid(), QStringLiteral("^Skin Designer$"), 1000).isEmpty());
    app.kill();
}
