// The real program on a real X display: a background picture chosen in the skin
// designer gives the main window its outline, so the desktop shows through where
// the picture has the transparent colour.

#include "desktop.h"

#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

using namespace e2e;

namespace {
#define REQUIRE_DISPLAY()                                                                       \
    if (!haveDisplay())                                                                         \
    GTEST_SKIP() << "no display; scripts/test starts one"

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
    // The splash has gone: the main window is the program's only one.
    ASSERT_TRUE(testsupport::waitFor([&] { return windowsOf(app.pid()) == QStringList{mainId}; }, "the splash to go"));
    const QRect start = windowGeometry(mainId);
    ASSERT_FALSE(start.intersects(QRect(QPoint(0, 0), size))) << "the top-left corner shows the desktop at first";
    const QImage desktop = screenshot(QStringLiteral("skin-desktop"));

    // "Skin Designer" in the button block, then "Load Image" in the designer.
    clickAt(start.topLeft() + QPoint(480 + 1 + 53, 204 + 42 + 11));
    const QString designerId = waitForWindow(app.pid(), QStringLiteral("^Skin Designer$"));
    ASSERT_FALSE(designerId.isEmpty()) << "the designer did not open";
    const QRect designer = windowGeometry(designerId);
    clickAt(designer.topLeft() + QPoint(174 + 53, 85 + 12));
    const QString dialogId = waitForWindow(app.pid(), QStringLiteral("^Hintergrundgrafik"));
    ASSERT_FALSE(dialogId.isEmpty()) << "the picture dialog did not open";
    ASSERT_TRUE(waitForFocus(dialogId));

    // What a user does: type the picture's path into the file name field.
    typeText(path);
    pressKeys({QStringLiteral("Return")});
    // A first Return may only close the name completer's list.
    if (!testsupport::waitFor([&] { return waitForWindow(app.pid(), QStringLiteral("^Hintergrundgrafik"), 0).isEmpty(); },
                              "the picture dialog to close", 2000))
        pressKeys({QStringLiteral("Return")});

    // The main window moves to the screen's corner and takes the picture's size,
    // and the desktop shows through its corners once it is drawn in its new shape.
    ASSERT_TRUE(testsupport::waitFor([&] { return windowGeometry(mainId) == QRect(QPoint(0, 0), size); },
                                     "the main window to take the picture's place and size"))
        << "the main window is at " << windowGeometry(mainId).x() << "," << windowGeometry(mainId).y();
    QImage shot;
    testsupport::waitFor(
        [&] {
            shot = screenshot(QStringLiteral("skin-corners"));
            return QColor(shot.pixel(3, 3)) == QColor(desktop.pixel(3, 3)) &&
                   QColor(shot.pixel(200, 40)) == QColor(kInside);
        },
        "the window to be drawn in its new shape");

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
    EXPECT_FALSE(waitForWindow(app.pid(), QStringLiteral("^Skin Designer$"), 0).isEmpty());
    app.kill();
}
