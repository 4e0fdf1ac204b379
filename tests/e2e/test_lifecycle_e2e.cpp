// Leaving and coming back on the real display: the listener changes band, history
// and layout with mouse and keys, leaves by Exit, by the window manager's close or
// by a termination signal, and finds everything again at the next start.

#include "desktop.h"
#include "filebytes.h"
#include "platform/textfile.h"

#include <QDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {
using e2e::clickAt;
using e2e::pressKeys;
using e2e::typeText;

bool waitForEnd(QProcess &p) { return p.state() == QProcess::NotRunning || p.waitForFinished(testsupport::kWaitLimitMs); }

QStringList linesOf(const QString &dir, const QString &name)
{
    return readTextLines(QDir(dir).filePath(name));
}

const QString kStation = QStringLiteral("Jazz Lounge");
// A station nothing answers for: pressing it says so in a message box, which
// the user closes before going on.
QString stationUrl() { return QStringLiteral("http://127.0.0.1:9/lounge"); }

// Right-click station button 1, give it a name and URL in the editor, then press
// it, which puts it into the history.
void editAndPressStationOne(e2e::Sonaveo &app, const QRect &main)
{
    clickAt(main, 143, 75, 3);
    const QString editorId = e2e::waitForWindowOfSize(app.pid(), QSize(311, 245));
    ASSERT_FALSE(editorId.isEmpty()) << "the station editor opens";
    const QRect editor = e2e::windowGeometry(editorId);
    clickAt(editor, 154, 69);
    // The click makes the editor the active window; keys typed before it has the
    // keyboard would go to the main window.
    ASSERT_TRUE(e2e::waitForFocus(editorId));
    typeText(kStation, true);
    clickAt(editor, 154, 113);
    typeText(stationUrl(), true);
    clickAt(editor, 247, 222); // "Save and Exit"
    ASSERT_TRUE(e2e::waitUntilGone(editorId));
    const QStringList windowsBefore = e2e::windowsOf(app.pid());
    clickAt(main, 143, 75);
    const QString messageId = e2e::waitForNewWindow(app.pid(), windowsBefore);
    ASSERT_FALSE(messageId.isEmpty()) << "the message shows";
    // The box is on the screen a moment before it has the keyboard; a Return
    // pressed in between reaches only the main window, which the box blocks.
    ASSERT_TRUE(e2e::waitForFocus(messageId));
    pressKeys({QStringLiteral("Return")});
    ASSERT_TRUE(e2e::waitUntilGone(messageId)) << "the message closes";
}
} // namespace

class LeavingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!e2e::haveDisplay())
            GTEST_SKIP() << "needs the display that scripts/test starts";
        ASSERT_TRUE(e2e::waitUntilNoCopyRuns());
    }
    QTemporaryDir data;
};

TEST_F(LeavingTest, ExitKeepsBandHistoryAndLayoutForTheNextStart)
{
    {
        e2e::Sonaveo app(data.path());
        const QString mainId = app.waitForMainWindow();
        ASSERT_FALSE(mainId.isEmpty());
        const QRect main = e2e::windowGeometry(mainId);
        editAndPressStationOne(app, main);

        // "Choose Station Band": add "Jazz", highlight it (the ninth of the sorted
        // list), "Select Band".
        clickAt(main, 342, 68);
        const QString bandsId = e2e::waitForWindowOfSize(app.pid(), QSize(238, 387));
        ASSERT_FALSE(bandsId.isEmpty()) << "the band chooser opens";
        const QRect bands = e2e::windowGeometry(bandsId);
        clickAt(bands, 119, 299);
        ASSERT_TRUE(e2e::waitForFocus(bandsId));
        typeText(QStringLiteral("Jazz"), true);
        clickAt(bands, 175, 332); // "Add Band"
        clickAt(bands, 60, 35 + 8 * 14 + 7);
        clickAt(bands, 175, 364); // "Select Band"
        ASSERT_TRUE(e2e::waitUntilGone(bandsId));

        // The fader block follows the pointer after its menu item and stays where
        // "Drop Current Object" leaves it.
        const int windowsBefore = e2e::windowsOf(app.pid()).size();
        clickAt(main, 260, 40, 3);
        ASSERT_TRUE(testsupport::waitFor([&] { return e2e::windowsOf(app.pid()).size() > windowsBefore; }, "the layout menu"));
        pressKeys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")});
        ASSERT_TRUE(testsupport::waitFor([&] { return e2e::windowsOf(app.pid()).size() == windowsBefore; }, "the menu to close"));
        // The menu opens under the pointer, where "Drop Current Object" is now
        // enabled: the button is held until the item is chosen by key, so that
        // its release cannot choose it first.
        e2e::xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(main.x() + 244),
                      QString::number(main.y() + 200)});
        e2e::xdotool({QStringLiteral("mousedown"), QStringLiteral("3")});
        ASSERT_TRUE(testsupport::waitFor([&] { return e2e::windowsOf(app.pid()).size() > windowsBefore; }, "the layout menu"));
        pressKeys({QStringLiteral("Down"), QStringLiteral("Return")});
        ASSERT_TRUE(testsupport::waitFor([&] { return e2e::windowsOf(app.pid()).size() == windowsBefore; }, "the menu to close"));
        e2e::xdotool({QStringLiteral("mouseup"), QStringLiteral("3")});
        e2e::screenshot(QStringLiteral("leaving-before-exit"));

        // Exit: the farewell shows and the program ends by itself.
        clickAt(main, 533, 329);
        EXPECT_FALSE(e2e::waitForWindowOfSize(app.pid(), QSize(492, 236)).isEmpty()) << "the farewell shows";
        ASSERT_TRUE(waitForEnd(app.process()));
        EXPECT_EQ(app.process().exitCode(), 0);
    }
    const QStringList settings = linesOf(data.path(), QStringLiteral("Defaults.ini"));
    ASSERT_EQ(settings.size(), 28);
    EXPECT_EQ(settings[3], kStation);
    EXPECT_EQ(settings[4], stationUrl());
    EXPECT_EQ(settings[25], QStringLiteral("Jazz"));
    EXPECT_TRUE(linesOf(data.path(), QStringLiteral("stationbands.ini")).contains(QStringLiteral("Jazz")));
    const QStringList skin = linesOf(data.path(), QStringLiteral("currentskin.skn"));
    ASSERT_EQ(skin.size(), 42);
    EXPECT_EQ(skin[12], QStringLiteral("245")) << "the fader block's left";
    EXPECT_EQ(skin[13], QStringLiteral("201")) << "the fader block's top";
    EXPECT_EQ(linesOf(data.path(), QStringLiteral("Maro Radio Network1.dat")).value(0), kStation);

    // The next start shows all of it again: leaving at once writes the same files.
    const QByteArray skinBytes = bytesOf(QDir(data.path()).filePath(QStringLiteral("currentskin.skn")));
    ASSERT_TRUE(e2e::waitUntilNoCopyRuns());
    {
        e2e::Sonaveo app(data.path());
        const QString mainId = app.waitForMainWindow();
        if (mainId.isEmpty()) {
            e2e::screenshot(QStringLiteral("leaving-second-start-no-window"));
        }
        ASSERT_FALSE(mainId.isEmpty()) << "the program ended with " << app.process().exitCode() << " ("
                                       << (app.process().exitStatus() == QProcess::CrashExit ? "crash" : "exit")
                                       << ") or showed only: "
                                       << e2e::windowsOf(app.pid()).join(QLatin1Char(' ')).toStdString()
                                       << "; it said: " << app.errorOutput().toStdString();
        const QRect main = e2e::windowGeometry(mainId);
        e2e::screenshot(QStringLiteral("leaving-second-start"));
        clickAt(main, 533, 329);
        const bool ended = waitForEnd(app.process());
        if (!ended)
            e2e::screenshot(QStringLiteral("leaving-second-start-still-running"));
        ASSERT_TRUE(ended) << "windows: " << e2e::windowsOf(app.pid()).join(QLatin1Char(' ')).toStdString()
                           << "; it said: " << app.errorOutput().toStdString();
    }
    // Only line 1 differs: a recording file that does not exist becomes the
    // default one in the data folder, named in full.
    QStringList again = linesOf(data.path(), QStringLiteral("Defaults.ini"));
    ASSERT_EQ(again.size(), 28);
    EXPECT_EQ(again.takeFirst(), QDir(data.path()).filePath(QStringLiteral("webfile.wav")));
    QStringList before = settings;
    before.removeFirst();
    EXPECT_EQ(again, before);
    EXPECT_EQ(bytesOf(QDir(data.path()).filePath(QStringLiteral("currentskin.skn"))), skinBytes);
}

TEST_F(LeavingTest, TheWindowManagersCloseAndATerminationSignalSaveToo)
{
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "window manager's close");
        QTemporaryDir folder;
        ASSERT_TRUE(e2e::waitUntilNoCopyRuns());
        e2e::Sonaveo app(folder.path());
        const QString mainId = app.waitForMainWindow();
        ASSERT_FALSE(mainId.isEmpty());
        editAndPressStationOne(app, e2e::windowGeometry(mainId));
        // The program handles the pointer in order: once the menu of a later
        // right click shows, the press on the station has been handled.
        const QRect main = e2e::windowGeometry(mainId);
        const int windowsBefore = e2e::windowsOf(app.pid()).size();
        clickAt(main, 260, 40, 3);
        ASSERT_TRUE(testsupport::waitFor([&] { return e2e::windowsOf(app.pid()).size() > windowsBefore; }, "the layout menu"));
        pressKeys({QStringLiteral("Escape")});
        ASSERT_TRUE(testsupport::waitFor([&] { return e2e::windowsOf(app.pid()).size() == windowsBefore; }, "the menu to close"));
        if (bySignal)
            ::kill(pid_t(app.pid()), SIGTERM);
        else
            ASSERT_TRUE(e2e::requestClose(mainId));
        // It ends without the farewell's countdown.
        bool farewellShown = false;
        ASSERT_TRUE(testsupport::waitFor(
            [&] {
                for (const QString &id : e2e::windowsOf(app.pid()))
                    farewellShown |= e2e::windowGeometry(id).size() == QSize(492, 236);
                return app.process().state() == QProcess::NotRunning;
            },
            "the program to end"));
        EXPECT_FALSE(farewellShown) << "no farewell countdown";
        EXPECT_EQ(app.process().exitStatus(), QProcess::NormalExit);
        const QStringList settings = linesOf(folder.path(), QStringLiteral("Defaults.ini"));
        ASSERT_EQ(settings.size(), 28);
        EXPECT_EQ(settings[3], kStation);
        EXPECT_EQ(linesOf(folder.path(), QStringLiteral("currentskin.skn")).size(), 42);
    }
}
