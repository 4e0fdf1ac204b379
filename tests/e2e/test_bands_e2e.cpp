// The band chooser and the About window on the real display, driven with the
// mouse and keyboard (xdotool): add a band, pick it by typing, and open one of
// the maker's addresses through the desktop's handler.

#include "app/aboutform.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "childprocess.h"
#include "fakecapturebackend.h"
#include "fakedialogs.h"
#include "fakelauncher.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "stations/bandform.h"
#include "widgets/clicklabel.h"
#include "widgets/vrdemobutton.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "userscript.h"

using testsupport::waitFor;

TEST(BandsOnTheDisplay, AddABandPickItByTypingAndOpenAMakersAddress)
{
    if (!childprocess::isChild("SONAVEO_BANDS_ROAD")) {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            GTEST_SKIP() << "needs the display that scripts/test starts";
        qputenv("QT_QPA_PLATFORM", "xcb");
        QString output;
        const bool passed =
            childprocess::runPassed(QStringLiteral("BandsOnTheDisplay.*"), "SONAVEO_BANDS_ROAD", {}, &output);
        qunsetenv("QT_QPA_PLATFORM");
        EXPECT_TRUE(passed) << output.toStdString();
        return;
    }
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QTemporaryDir dir;
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    // A stand-in for the desktop's handler, first in PATH, writes out its arguments.
    QTemporaryDir bin;
    const QString record = QDir(dir.path()).filePath(QStringLiteral("opened"));
    const QString handler = QDir(bin.path()).filePath(QStringLiteral("xdg-open"));
    ASSERT_TRUE(writeBytes(handler, "#!/bin/sh\nprintf '%s|' \"$@\" > '" + record.toUtf8() + ".part'\nmv '" +
                                       record.toUtf8() + ".part' '" + record.toUtf8() + "'\n"));
    QFile::setPermissions(handler, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ScopedPath path(bin.path() + QLatin1Char(':') + qEnvironmentVariable("PATH"));

    // Players, network and sound card play no part here.
    FakeDialogs dialogs;
    FakePlatform fake;
    FakeCaptureBackend capture;
    TApplicationWindows windows;
    createWindows(windows);
    TMainForm *form = windows.MainForm.get();
    form->centreOnScreen();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));

    // "Choose Station Band", type a new band, "Add Band", click into the list and
    // type the band's first letters, "Select Band".
    TBandForm *bands = windows.BandForm.get();
    bands->centreOnScreen();
    userscript::Script script;
    script.clickAt(form->ui().VrDemoButtonBand, QPoint(53, 7)).waitForWindow(bands);
    script.clickAt(bands->EditNewStationBand, QPoint(100, 8))
        .waitForKeyboard(bands)
        .typeText(QStringLiteral("Jazz Club"));
    script.clickAt(bands->VrDemoButtonAdd, QPoint(53, 12));
    script.clickAt(bands->ListBoxBands, QPoint(60, 7)).typeText(QStringLiteral("Jaz"));
    script.clickAt(bands->VrDemoButtonSelectBand, QPoint(53, 12));
    ASSERT_TRUE(script.run());
    // The program may still be handling the last click when the script ends.
    ASSERT_TRUE(waitFor([&] { return !bands->isVisible(); }, "the band chooser to close"));
    EXPECT_EQ(form->ui().Labelgenre->text(), QStringLiteral("Jazz Club"));
    EXPECT_TRUE(bytesOf(QDir(dir.path()).filePath(QStringLiteral("stationbands.ini")))
                    .contains("Heavy Metal\r\nJazz Club\r\nMaro Radio Network\r\n"));

    // "About", the Maro Radio Network address, "OK".
    TAboutForm *about = windows.AboutForm.get();
    about->centreOnScreen();
    userscript::Script aboutScript;
    aboutScript.clickAt(form->ui().VrDemoButtonBurn, QPoint(53, 11)).waitForWindow(about);
    aboutScript.clickAt(about->Label5, QPoint(10, 6));
    aboutScript.clickAt(about->VrDemoButtonOK, QPoint(53, 12));
    ASSERT_TRUE(aboutScript.run());
    ASSERT_TRUE(waitFor([&] { return !about->isVisible(); }, "the About window to close"));
    // The handler writes its file whole under another name and renames it.
    ASSERT_TRUE(waitFor([&] { return QFile::exists(record); }, "the desktop's handler to be called"));
    EXPECT_EQ(bytesOf(record), "http://www.maro-radio.de|");
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
}
