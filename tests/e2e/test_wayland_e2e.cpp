// The real program on a Wayland desktop: weston 10 with its desktop shell, as
// scripts/test starts it (start_weston in scripts/servers.sh). The program runs
// as a native Wayland client (QT_QPA_PLATFORM=wayland, no X display at all).
//
// Weston draws with its X11 backend into an X server of its own rather than
// headless: Debian's weston has no input devices on the headless backend (the
// module that feeds input to it is not packaged), and a pointer is what these
// tests are about. On the X11 backend, xdotool's pointer on that X server is
// weston's pointer: weston itself picks the surface under it, honouring each
// surface's input region, exactly as it does on a desktop, and the screenshots
// of that X server show the picture weston composed.
//
// Behind the program stands a window of one colour that tells where the
// pointer goes over it (tests/helpers/pointerprobe.cpp): where the program's
// window is cut out, the screenshot must show that colour and the pointer and
// its clicks must land in that window.

#include "desktop.h"

#include "skin/skinfile.h"

#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace e2e;
using testsupport::waitFor;

namespace {

constexpr QRgb kInside = 0xFF3070B0; // the skin picture's colour
constexpr QRgb kMaroon = 0xFF800000; // the skin's transparent colour out of the box
constexpr QRgb kBehind = 0xFFFF00FF; // the window behind the program
constexpr QRgb kDesktop = 0xFF10E020; // weston's background (start_weston's weston.ini)
constexpr int kCorner = 40;
const QSize kPicture(600, 350);
// What of the picture the window shows: its last column never belongs to the
// outline.
const QSize kOutline(599, 350);

// Points of the main window inside the cut-out corners, their outermost, middle
// and innermost pixels, and one in the top right corner where the fader block
// reaches into it: a control is cut off with the picture.
const QPoint kCutOut[] = {
    {0, 0},     {20, 20},   {39, 39},   {598, 0},   {579, 20},  {560, 39},  {575, 20},
    {0, 349},   {20, 329},  {39, 310},  {598, 349}, {579, 329}, {560, 310},
};
// Free spots of the picture just beside the corners.
const QPoint kBeside[] = {
    {40, 5}, {5, 40}, {559, 5}, {594, 40}, {40, 345}, {5, 309}, {559, 345}, {594, 309},
};
// Pairs of a cut-out pixel and the picture's pixel next to it, one per corner.
const std::pair<QPoint, QPoint> kAcrossTheEdge[] = {
    {{39, 20}, {40, 20}},
    {{560, 5}, {559, 5}},
    {{20, 310}, {20, 309}},
    {{560, 330}, {559, 330}},
};

// Parts of the main window that change by themselves: the LED matrix, the clock
// and the level animation, where the skin file puts them.
const QRect kLive[] = {QRect(327, 16, 112, 17), QRect(290 + 226, 136 + 1, 62, 13), QRect(290 + 213, 136 + 16, 78, 20)};
// The About window's size and its OK button.
const QSize kAboutSize(553, 420);
const QRect kAboutOk(439, 386, 106, 24);
// The main window's About button and the first station button: a click on
// About moves the keyboard's frame from that one to it.
const QRect kAboutButton(480 + 1, 204 + 90, 106, 23);
const QRect kFirstStation(48, 66, 190, 18);

bool westonInstalled() { return !QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty(); }

bool westonRunning()
{
    return !qEnvironmentVariableIsEmpty("SONAVEO_TEST_WAYLAND_DISPLAY") &&
           !qEnvironmentVariableIsEmpty("SONAVEO_TEST_WAYLAND_X_DISPLAY");
}

#define REQUIRE_WESTON()                                                                                      \
    do {                                                                                                      \
        if (!westonInstalled())                                                                               \
            GTEST_SKIP() << "weston is not installed (apt-get install weston)";                               \
        ASSERT_TRUE(westonRunning()) << "weston is installed but not running; scripts/test starts it "      \
                                        "(start_weston in scripts/servers.sh)";                               \
    } while (false)

QString text(QPoint p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); }

// Weston's screen and its X server's pointer.
class Weston {
public:
    Weston()
    {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("SONAVEO_TEST_WAYLAND_X_DISPLAY"));
        const QString id = x(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--class"),
                                                          QStringLiteral("^Weston Compositor$")})
                               .section(QLatin1Char('\n'), 0, 0);
        if (id.isEmpty())
            return;
        const QString info = x(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
        auto field = [&info](const char *name) {
            const auto m = QRegularExpression(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name))).match(info);
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        };
        m_output = QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                         field("Height"));
    }

    // Weston's output on its X server; empty when weston's window was not found.
    QRect output() const { return m_output; }

    // The environment of a Wayland client of this weston.
    static QProcessEnvironment clientEnvironment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), qEnvironmentVariable("SONAVEO_TEST_WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        return env;
    }

    // What weston shows, in output coordinates; also written to the output folder.
    QImage screenshot(const QString &name) const
    {
        const QString file = QDir(outputDir()).filePath(name + QStringLiteral(".png"));
        x(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                     QStringLiteral("%1x%2+%3+%4")
                                         .arg(m_output.width())
                                         .arg(m_output.height())
                                         .arg(m_output.x())
                                         .arg(m_output.y()),
                                     QStringLiteral("+repage"), file});
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

    // Takes the pointer off weston's output, so that no surface has it. Weston
    // keeps drawing the arrow where the pointer left, so it leaves by a corner of
    // the output: the one farthest from the given window, which it then never
    // covers (a window of the tests is too small to reach two opposite corners).
    void park(const QRect &awayFrom = QRect(0, 0, 1, 1)) const
    {
        const QPoint centre = awayFrom.center();
        const int w = m_output.width(), h = m_output.height();
        leave();
        moveOnX(m_output.topLeft() + QPoint(centre.x() < w / 2 ? w - 1 : 0, centre.y() < h / 2 ? h - 1 : 0));
        leave();
    }
    // Brings the pointer in from outside to a point of the output. Weston's X11
    // backend follows the X pointer by its motion and takes its absolute place
    // only when it enters weston's window; coming in afresh keeps the two in step.
    void pointTo(QPoint p) const
    {
        leave();
        moveOnX(m_output.topLeft() + p);
    }
    // Moves the pointer straight to a point of the output, as a hand does.
    void moveTo(QPoint p) const { moveOnX(m_output.topLeft() + p); }
    void press(int button) const { buttonGesture(QStringLiteral("mousedown"), button); }
    void release(int button) const { buttonGesture(QStringLiteral("mouseup"), button); }
    void click(int button) const { buttonGesture(QStringLiteral("click"), button); }

private:
    QString x(const QString &program, const QStringList &args) const
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(program, args);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        return QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    void leave() const { moveOnX(m_output.bottomRight() + QPoint(40, 40)); }
    void buttonGesture(const QString &gesture, int button) const
    {
        x(QStringLiteral("xdotool"), {gesture, QString::number(button)});
    }
    // Without --sync, which waits for good when the pointer is there already;
    // xdotool ends once the X server has the motion, before the next gesture.
    void moveOnX(QPoint p) const
    {
        x(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
    }

    QProcessEnvironment m_env;
    QRect m_output;
};

// The window behind the program: maximized, in kBehind, and what it says about
// the pointer.
class PointerProbe {
public:
    PointerProbe()
    {
        m_process.setProcessEnvironment(Weston::clientEnvironment());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QStringLiteral(SONAVEO_POINTER_PROBE), {QColor(kBehind).name()});
        m_process.waitForStarted();
    }
    ~PointerProbe()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    QStringList lines()
    {
        m_said += QString::fromLocal8Bit(m_process.readAllStandardOutput());
        return m_said.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The window's size as it said last.
    QSize size()
    {
        QSize s;
        for (const QString &line : lines())
            if (line.startsWith(QLatin1String("size ")))
                s = QSize(line.section(' ', 1, 1).toInt(), line.section(' ', 2, 2).toInt());
        return s;
    }
    // Where the pointer is over the window; nothing while it is elsewhere.
    std::optional<QPoint> pointer()
    {
        std::optional<QPoint> at;
        for (const QString &line : lines()) {
            if (line.startsWith(QLatin1String("enter ")) || line.startsWith(QLatin1String("motion ")))
                at = QPoint(line.section(' ', 1, 1).toInt(), line.section(' ', 2, 2).toInt());
            else if (line == QLatin1String("leave"))
                at.reset();
        }
        return at;
    }
    bool said(const QString &line) { return lines().contains(line); }
    QString log() { return lines().join(QLatin1Char('|')); }

private:
    QProcess m_process;
    QString m_said;
};

// The skin of these tests in the data folder: a picture in kInside whose
// corners are kCorner pixels of the transparent colour.
void writeCornerSkin(const QString &dataDir)
{
    QImage picture(kPicture, QImage::Format_RGB32);
    picture.fill(kInside);
    {
        QPainter p(&picture);
        const int w = kPicture.width(), h = kPicture.height();
        for (QPoint c :
             {QPoint(0, 0), QPoint(w - kCorner, 0), QPoint(0, h - kCorner), QPoint(w - kCorner, h - kCorner)})
            p.fillRect(QRect(c, QSize(kCorner, kCorner)), QColor(kMaroon));
    }
    const QString path = QDir(dataDir).filePath(QStringLiteral("corners.bmp"));
    ASSERT_TRUE(picture.save(path, "BMP"));
    TSkin skin = DefaultSkin();
    skin.Picture = path;
    skin.Transparent = clMaroon;
    SaveSkinFile(QDir(dataDir).filePath(QStringLiteral("currentskin.skn")), skin);
}

// Where the skin's picture is on the screen: the rectangle around its colour.
QRect pictureOnScreen(const QImage &shot)
{
    int left = shot.width(), top = shot.height(), right = -1, bottom = -1;
    for (int y = 0; y < shot.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x)
            if (row[x] == kInside) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Waits for the main window in the corner skin, pointer off the screen; its
// place on weston's output, or an empty rectangle.
QRect waitForMainWindow(const Weston &weston, Sonaveo &app, const QString &name)
{
    weston.park();
    QRect window;
    const bool shown = waitFor(
        [&] {
            if (app.process().state() != QProcess::Running)
                return false;
            window = pictureOnScreen(weston.screenshot(name));
            return window.size() == kOutline;
        },
        "the main window in the skin's picture");
    if (!shown)
        ADD_FAILURE() << "no main window in the skin's picture (last seen: " << window.width() << "x"
                      << window.height() << "); the program "
                      << (app.process().state() == QProcess::Running ? "runs" : "ended")
                      << " and said: " << app.errorOutput().toStdString();
    return shown ? window : QRect();
}

// The rectangle around the pixels that differ between two screenshots, leaving
// out the live parts of the main window, the corners of the screen, where the
// arrow is left, and what else is given.
QRect changedArea(const QImage &before, const QImage &after, const QRect &window, const QRegion &alsoIgnored = {})
{
    QRegion ignored = alsoIgnored;
    for (const QRect &r : kLive)
        ignored += r.translated(window.topLeft());
    const int w = after.width(), h = after.height();
    for (QPoint c : {QPoint(0, 0), QPoint(w - 32, 0), QPoint(0, h - 32), QPoint(w - 32, h - 32)})
        ignored += QRect(c, QSize(32, 32));
    QRect changed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (before.pixel(x, y) != after.pixel(x, y) && !ignored.contains(QPoint(x, y)))
                changed |= QRect(x, y, 1, 1);
    return changed;
}

// The program in a data folder that holds the corner skin.
struct WaylandProgram {
    WaylandProgram()
    {
        writeCornerSkin(data.path());
        app = std::make_unique<Sonaveo>(data.path(), Weston::clientEnvironment());
    }
    QTemporaryDir data;
    std::unique_ptr<Sonaveo> app;
};

} // namespace

TEST(WaylandDesktop, CutOutCornersShowTheWindowBehindAndItTakesThePointerThere)
{
    REQUIRE_WESTON();
    ASSERT_TRUE(waitUntilNoCopyRuns());
    const Weston weston;
    ASSERT_FALSE(weston.output().isEmpty()) << "weston's window was not found on its X server";
    PointerProbe behind;
    ASSERT_TRUE(
        waitFor([&] { return behind.size() == weston.output().size(); }, "the window behind to fill the screen"))
        << "it said: " << behind.log().toStdString();
    weston.park();
    ASSERT_TRUE(waitFor(
        [&] {
            const QImage shot = weston.screenshot(QStringLiteral("wayland-behind"));
            const int w = shot.width(), h = shot.height();
            return shot.pixel(0, 0) == kBehind && shot.pixel(w - 1, 0) == kBehind && shot.pixel(0, h - 1) == kBehind &&
                   shot.pixel(w / 2, h / 2) == kBehind;
        },
        "the window behind on the screen"));

    WaylandProgram program;
    const QRect window = waitForMainWindow(weston, *program.app, QStringLiteral("wayland-main-window"));
    ASSERT_FALSE(window.isEmpty());
    weston.park(window);

    // The corners show the window behind, not the picture's transparent colour
    // nor black; the picture's pixels beside them are the picture's, unblended.
    QImage shot;
    EXPECT_TRUE(waitFor(
        [&] {
            shot = weston.screenshot(QStringLiteral("wayland-corners"));
            if (pictureOnScreen(shot) != window)
                return false;
            for (QPoint p : kCutOut)
                if (shot.pixel(window.topLeft() + p) != kBehind)
                    return false;
            for (QPoint p : kBeside)
                if (shot.pixel(window.topLeft() + p) != kInside)
                    return false;
            return true;
        },
        "the window drawn in its outline"));
    for (QPoint p : kCutOut)
        EXPECT_EQ(QColor(shot.pixel(window.topLeft() + p)), QColor(kBehind))
            << "the window behind should show through at " << text(p).toStdString();
    for (QPoint p : kBeside)
        EXPECT_EQ(QColor(shot.pixel(window.topLeft() + p)), QColor(kInside))
            << "the picture should show at " << text(p).toStdString();

    // The pointer over a cut-out pixel is over the window behind; one pixel
    // further in it is over the program's window, and back again. (The first
    // point that goes wrong ends the test: each one waits the full limit.)
    for (const auto &[cut, in] : kAcrossTheEdge) {
        const QPoint outside = window.topLeft() + cut;
        weston.pointTo(outside);
        ASSERT_TRUE(waitFor([&] { return behind.pointer() == outside; }, "the pointer over the window behind"))
            << "at " << text(cut).toStdString() << "; it said: " << behind.log().toStdString();
        weston.moveTo(window.topLeft() + in);
        ASSERT_TRUE(waitFor([&] { return !behind.pointer(); }, "the pointer to leave the window behind"))
            << "at " << text(in).toStdString() << "; it said: " << behind.log().toStdString();
        weston.moveTo(outside);
        ASSERT_TRUE(waitFor([&] { return behind.pointer() == outside; }, "the pointer back over the window behind"))
            << "at " << text(cut).toStdString() << "; it said: " << behind.log().toStdString();
    }
    for (QPoint p : kCutOut) {
        const QPoint onScreen = window.topLeft() + p;
        weston.pointTo(onScreen);
        ASSERT_TRUE(waitFor([&] { return behind.pointer() == onScreen; }, "the pointer over the window behind"))
            << "at " << text(p).toStdString() << "; it said: " << behind.log().toStdString();
    }

    // A click there is the window behind's: weston gives a click to the one
    // surface that has the pointer, so the program never gets it. (The click
    // brings that window to the front, so it comes last.)
    const QPoint clicked = window.topLeft() + kAcrossTheEdge[0].first;
    weston.pointTo(clicked);
    ASSERT_TRUE(waitFor([&] { return behind.pointer() == clicked; }, "the pointer over the window behind"));
    weston.click(1);
    EXPECT_TRUE(waitFor([&] { return behind.said(QStringLiteral("press 1 %1 %2").arg(clicked.x()).arg(clicked.y())); },
                        "the click in the window behind"))
        << "it said: " << behind.log().toStdString();
    EXPECT_EQ(program.app->process().state(), QProcess::Running);
}

TEST(WaylandDesktop, DraggingTheBackgroundMovesTheWindowAndItsOutline)
{
    REQUIRE_WESTON();
    ASSERT_TRUE(waitUntilNoCopyRuns());
    const Weston weston;
    ASSERT_FALSE(weston.output().isEmpty()) << "weston's window was not found on its X server";
    WaylandProgram program;
    const QRect window = waitForMainWindow(weston, *program.app, QStringLiteral("wayland-drag-before"));
    ASSERT_FALSE(window.isEmpty());

    // A free spot of the picture, moved by as much as keeps the window on the
    // screen wherever weston put it.
    const QPoint grab = window.topLeft() + QPoint(300, 5);
    const QSize room = weston.output().size() - kOutline;
    const QPoint by(window.x() + 150 <= room.width() ? 150 : -150, window.y() + 100 <= room.height() ? 100 : -100);
    weston.pointTo(grab);
    weston.press(1);
    // The window follows the hand once the program has asked weston to move it;
    // each look moves the pointer again, so motion after that request is there.
    QRect moved;
    const bool followed = waitFor(
        [&] {
            weston.moveTo(grab + by + QPoint(1, 1));
            weston.moveTo(grab + by);
            moved = pictureOnScreen(weston.screenshot(QStringLiteral("wayland-drag-moving")));
            return moved == window.translated(by);
        },
        "the window to follow the pointer");
    weston.release(1);
    EXPECT_TRUE(followed) << "the window went from " << text(window.topLeft()).toStdString() << " to "
                          << text(moved.topLeft()).toStdString() << ", not by " << text(by).toStdString();

    // Where it was let go it stays, its corners cut out as before.
    weston.park(window.translated(by));
    const QImage shot = weston.screenshot(QStringLiteral("wayland-drag-after"));
    EXPECT_EQ(pictureOnScreen(shot), window.translated(by));
    for (QPoint p : kCutOut)
        EXPECT_EQ(QColor(shot.pixel(window.topLeft() + by + p)), QColor(kDesktop))
            << "the desktop should show through at " << text(p).toStdString();
}

TEST(WaylandDesktop, TheAboutWindowOpensFromTheMainWindowAndItsOkClosesIt)
{
    REQUIRE_WESTON();
    ASSERT_TRUE(waitUntilNoCopyRuns());
    const Weston weston;
    ASSERT_FALSE(weston.output().isEmpty()) << "weston's window was not found on its X server";
    WaylandProgram program;
    const QRect window = waitForMainWindow(weston, *program.app, QStringLiteral("wayland-about-before"));
    ASSERT_FALSE(window.isEmpty());
    weston.park(window);
    const QImage before = weston.screenshot(QStringLiteral("wayland-about-before"));

    // Weston places a new window where it likes; wherever that is, the About
    // window is what changed on the screen, at its own size.
    weston.pointTo(window.topLeft() + kAboutButton.center());
    weston.click(1);
    weston.park(window);
    const QRegion focusFrames =
        QRegion(kAboutButton.translated(window.topLeft())) + kFirstStation.translated(window.topLeft());
    QRect about;
    EXPECT_TRUE(waitFor(
        [&] {
            about = changedArea(before, weston.screenshot(QStringLiteral("wayland-about-open")), window, focusFrames);
            return about.size() == kAboutSize;
        },
        "the About window"))
        << "what changed: " << about.width() << "x" << about.height() << " at " << text(about.topLeft()).toStdString();
    ASSERT_EQ(about.size(), kAboutSize);

    // Gone again: the screen outside the main window is as it was. The About
    // window is taller than the main window, so part of it was outside.
    weston.pointTo(about.topLeft() + kAboutOk.center());
    weston.click(1);
    weston.park(window);
    EXPECT_TRUE(waitFor(
        [&] {
            about = changedArea(before, weston.screenshot(QStringLiteral("wayland-about-closed")), window, window);
            return about.isEmpty();
        },
        "the screen as it was before the About window"))
        << "still changed: " << about.width() << "x" << about.height() << " at " << text(about.topLeft()).toStdString();
    EXPECT_EQ(program.app->process().state(), QProcess::Running);
}
