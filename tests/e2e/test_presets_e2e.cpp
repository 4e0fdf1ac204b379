// A listener's main road on the real display: edit station button 1 with the
// mouse and keyboard (xdotool), then press it and hear the local stream.

#include "app/mainform.h"
#include "app/startup.h"
#include "childprocess.h"
#include "enginetestkit.h"
#include "fakedialogs.h"
#include "platform/textfile.h"
#include "playback/stationplayback.h"
#include "stations/editstationform.h"
#include "stations/historyform.h"
#include "widgets/vrdemobutton.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "userscript.h"

using namespace enginetest;
using testsupport::waitFor;

TEST(MainRoad, EditAStationWithMouseAndKeysThenPressItAndHearIt)
{
    if (!childprocess::isChild("SONAVEO_MAIN_ROAD")) {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("SONAVEO_TEST_STREAM")
            || !nullSinkPresent())
            GTEST_SKIP() << "needs the display, sound server and stream that scripts/test starts";
        // The windows must be real X windows for xdotool, so the test runs in a
        // child on the display.
        qputenv("QT_QPA_PLATFORM", "xcb");
        QString output;
        const bool passed = childprocess::runPassed(QStringLiteral("MainRoad.*"), "SONAVEO_MAIN_ROAD", {}, &output);
        qunsetenv("QT_QPA_PLATFORM");
        EXPECT_TRUE(passed) << output.toStdString();
        return;
    }
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QTemporaryDir dir;
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    FakeDialogs dialogs;
    TApplicationWindows windows;
    createWindows(windows);
    TMainForm *form = windows.MainForm.get();
    form->centreOnScreen();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    ASSERT_TRUE(waitFor([&] { return form->playback()->state.online; }, "the network monitor to report a network"));
    const QString stream = qEnvironmentVariable("SONAVEO_TEST_STREAM");

    // The user's gestures run as one xdotool script while this process keeps
    // handling events: the editor is modal, so its loop runs inside our waiting.
    // Right click on station button 1, type name and URL, "Save and Exit".
    TEditStationForm *editor = windows.EditStationForm.get();
    editor->centreOnScreen(); // where it will open
    userscript::Script script;
    script.clickAt(form->ui().VrDemoButtonStation[0], QPoint(95, 9), 3).waitForWindow(editor);
    script.clickAt(editor->EditStationName, QPoint(100, 8))
        .waitForKeyboard(editor)
        .typeText(QStringLiteral("Tone FM"), true);
    script.clickAt(editor->EditStationURL, QPoint(100, 8)).typeText(stream, true);
    script.clickAt(editor->VrDemoButtonExit, QPoint(53, 12));
    bool editorClosed = false;
    QObject::connect(windows.EditStationForm.get(), &QDialog::finished, [&] { editorClosed = true; });
    ASSERT_TRUE(script.run());
    ASSERT_TRUE(waitFor([&] { return editorClosed; }, "the editor to be closed with Save and Exit"));

    EXPECT_EQ(form->ui().VrDemoButtonStation[0]->Caption(), QStringLiteral("Tone FM"));
    const QStringList block = readTextLines(QDir(dir.path()).filePath(QStringLiteral("Maro Radio Network1.dat")));
    ASSERT_EQ(block.size(), 14);
    EXPECT_EQ(block[0], QStringLiteral("Tone FM"));
    EXPECT_EQ(block[1], stream);

    // A left click tunes it: the name shows and the tone reaches the sound server.
    ASSERT_TRUE(userscript::Script().clickAt(form->ui().VrDemoButtonStation[0], QPoint(95, 9), 1).run());
    ASSERT_TRUE(waitFor([&] { return form->ui().LabelStation->text() == QLatin1String("Tone FM"); }, "the station's name"))
        << form->ui().LabelStation->text().toStdString();
    EXPECT_EQ(windows.HistoryForm->entryName(1), QStringLiteral("Tone FM"));
    EXPECT_EQ(windows.HistoryForm->entryUrl(1), stream);
    const auto samples = recordMonitor(1.0);
    EXPECT_NEAR(dominantFrequency(samples), 440.0, 5.0);
    EXPECT_GT(rms(samples), 1000.0);
    form->playback()->VrDemoButtonUnplugClick();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}
