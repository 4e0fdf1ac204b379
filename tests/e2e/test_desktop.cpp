// The real program on a real X display: one copy at a time, the main window's
// look, and what a start without a display says.

#include "desktop.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace e2e;

namespace {
#define REQUIRE_DISPLAY()                                                                       \
    if (!haveDisplay())                                                                         \
    GTEST_SKIP() << "no display; scripts/test starts one"

int colourDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Station button 1's caption: "none" is drawn in teal, and nothing inside the
// outline is aqua while the pointer is elsewhere.
const QRect kCaption = QRect(48, 66, 190, 18).adjusted(3, 3, -3, -3);
int pixelsNear(const QImage &img, const QRect &area, QRgb colour, int distance)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += colourDistance(img.pixel(x, y), colour) < distance ? 1 : 0;
    return n;
}

// Areas of the main window that change on their own while nothing else happens.
const QRect kMatrix(327, 16, 112, 17);
const QRect kClock(290 + 226, 136 + 1, 62, 13);
const QRect kAnimation(290 + 213, 136 + 16, 78, 20);
} // namespace

TEST(Desktop, MainWindowShowsItsControlsAndOnlyTheLiveDisplaysMove)
{
    REQUIRE_DISPLAY();
    ASSERT_TRUE(waitUntilNoCopyRuns());
    Sonaveo app;
    const QString id = app.waitForMainWindow();
    ASSERT_FALSE(id.isEmpty()) << "no main window appeared";
    const QRect g = windowGeometry(id);
    EXPECT_EQ(g.size(), QSize(601, 352));
    // The splash has gone once the main window is the program's only one.
    ASSERT_TRUE(testsupport::waitFor([&] { return windowsOf(app.pid()) == QStringList{id}; }, "the splash to go"));

    // Two pictures of the window, the first once it is drawn, the second once the
    // LED matrix has moved on.
    QImage first;
    EXPECT_TRUE(testsupport::waitFor(
        [&] {
            first = screenshot(QStringLiteral("main-window-1")).copy(g);
            return pixelsNear(first, kCaption, qRgb(0, 128, 128), 40) > 15;
        },
        "the caption \"none\" drawn in teal"));
    first.save(outputDir() + QStringLiteral("/main-window.png"));
    ASSERT_EQ(first.size(), QSize(601, 352));
    QImage second;
    EXPECT_TRUE(testsupport::waitFor(
        [&] {
            second = screenshot(QStringLiteral("main-window-2")).copy(g);
            return second.copy(kMatrix) != first.copy(kMatrix);
        },
        "the LED matrix to scroll"));

    QStringList elsewhere;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) {
            if (first.pixel(x, y) == second.pixel(x, y))
                continue;
            const QPoint p(x, y);
            if (!kMatrix.contains(p) && !kClock.contains(p) && !kAnimation.contains(p) && elsewhere.size() < 10)
                elsewhere << QStringLiteral("%1,%2").arg(x).arg(y);
        }
    EXPECT_TRUE(elsewhere.isEmpty()) << "changed outside the live displays: " << elsewhere.join(' ').toStdString();

    EXPECT_EQ(pixelsNear(first, kCaption, qRgb(0, 255, 255), 60), 0) << "no aqua while the pointer is elsewhere";
}

TEST(Desktop, ASecondCopyEndsAtOnceAndACrashedCopyDoesNotBlockTheNext)
{
    REQUIRE_DISPLAY();
    ASSERT_TRUE(waitUntilNoCopyRuns());
    auto first = std::make_unique<Sonaveo>();
    ASSERT_FALSE(first->waitForMainWindow().isEmpty())
        << "the first copy ended with " << first->process().exitCode() << "; it said: "
        << first->errorOutput().toStdString();
    const int windowsBefore = mainWindows().size();

    Sonaveo second;
    ASSERT_TRUE(second.process().waitForFinished(testsupport::kWaitLimitMs)) << "the second copy should end by itself";
    EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_TRUE(QDir(second.dataDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty())
        << "the second copy touches no file";
    EXPECT_EQ(mainWindows().size(), windowsBefore);

    ::kill(pid_t(first->pid()), SIGKILL);
    first->process().waitForFinished(5000);
    first.reset();
    EXPECT_TRUE(waitUntilNoCopyRuns()) << "the killed copy let go of the one-copy name";

    Sonaveo third;
    const QString id = third.waitForMainWindow();
    EXPECT_FALSE(id.isEmpty()) << "a killed copy must not block the next start; the new copy is "
                               << (third.process().state() == QProcess::Running ? "running" : "gone")
                               << " with exit code " << third.process().exitCode() << "; it said: "
                               << third.errorOutput().toStdString();
}

// A second start, from the menu or a terminal, brings the running window in
// front of the windows that hid it and gives it the keyboard.
TEST(Desktop, ASecondStartBringsTheRunningWindowToTheFront)
{
    REQUIRE_DISPLAY();
    ASSERT_TRUE(waitUntilNoCopyRuns());
    Sonaveo first;
    const QString id = first.waitForMainWindow();
    ASSERT_FALSE(id.isEmpty()) << "the first copy said: " << first.errorOutput().toStdString();
    const QRect place = windowGeometry(id);
    const QPoint centre = place.center();
    const QRgb cover = qRgb(255, 0, 255);
    auto showsCover = [&] { return screenshot(QStringLiteral("raise")).pixel(centre) == cover; };

    CoveringWindow other(place.adjusted(-10, -10, 10, 10), cover);
    ASSERT_TRUE(other.isOpen());
    ASSERT_TRUE(testsupport::waitFor(showsCover, "the other window to hide the player"));

    Sonaveo second;
    ASSERT_TRUE(second.process().waitForFinished(testsupport::kWaitLimitMs)) << "the second copy should end by itself";
    EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_TRUE(testsupport::waitFor([&] { return !showsCover(); }, "the running window in front again"));
    EXPECT_TRUE(waitForFocus(id));
    EXPECT_EQ(mainWindows(), QStringList{id}) << "no second window";
}

TEST(Desktop, WithoutADisplayTheProgramSaysSoInOneLine)
{
    ASSERT_TRUE(waitUntilNoCopyRuns()) << "another copy still runs";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QDir::tempPath());
    p.start(QStringLiteral(SONAVEO_BINARY), {});
    ASSERT_TRUE(p.waitForFinished(testsupport::kWaitLimitMs));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "no crash";
    EXPECT_NE(p.exitCode(), 0);
    const QStringList lines =
        QString::fromLocal8Bit(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << lines.join('|').toStdString();
    EXPECT_TRUE(lines.first().contains(QStringLiteral("display")));
}
