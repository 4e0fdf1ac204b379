// Hand-offs to the desktop: web links, the About window, the manual, the mixer
// and the brand picture. A recording launcher shows what would have been
// started; the one-argument rule is checked against the real launcher.

#include "app/aboutform.h"
#include "app/mainform.h"
#include "app/startup.h"
#include "fakedialogs.h"
#include "fakelauncher.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "platform/desktoplauncher.h"
#include "platform/errors.h"
#include "platform/urllink.h"
#include "playback/stationplayback.h"
#include "recording/optionsform.h"
#include "widgets/clicklabel.h"
#include "widgets/vrdemobutton.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "waitfor.h"

namespace {
// The stand-in handlers write their record under another name and rename it, so
// a record that exists is whole.
::testing::AssertionResult waitForFile(const QString &path)
{
    return testsupport::waitFor([&] { return QFile::exists(path); }, "the handler's record");
}
} // namespace

TEST(UrlShowCommand, TwelveValuesInTheirOrderEachWithItsWindowShowNumber)
{
    const std::pair<const char *, int> expected[12] = {
        {"ssHide", 0},          {"ssMaximize", 3},      {"ssMinimize", 6},
        {"ssRestore", 9},       {"ssShow", 5},          {"ssShowNoActivate", 4},
        {"ssShowDefault", 10},  {"ssShowMaximized", 3}, {"ssShowMinimized", 2},
        {"ssShowMinNoActivate", 7}, {"ssShowNA", 8},    {"ssShowNormal", 1},
    };
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(size_t(kUrlShowCommands[i].value), i);
        EXPECT_STREQ(kUrlShowCommands[i].name, expected[i].first);
        EXPECT_EQ(showCommandOf(TUrlShowCmd(i)), expected[i].second) << expected[i].first;
    }
    TUrlLink link;
    EXPECT_EQ(link.UrlShowCommand, ssShowDefault);
    EXPECT_EQ(link.Url, QString());
}

// The real launcher with a stand-in xdg-open first in PATH that writes out the
// arguments it was given, one per line.
TEST(DesktopHandOff, AnAddressReachesTheHandlerAsOneUnchangedArgumentAndNoShellRunsIt)
{
    QTemporaryDir bin;
    QTemporaryDir work;
    const QString record = QDir(work.path()).filePath(QStringLiteral("argv"));
    const QString target = QDir(work.path()).filePath(QStringLiteral("pwned"));
    writeProgram(bin.path(), QStringLiteral("xdg-open"),
                 "printf '%s\\n' \"$#\" > '" + record.toUtf8() + ".part'\n"
                 "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + record.toUtf8() + ".part'; done\n"
                 "mv '" + record.toUtf8() + ".part' '" + record.toUtf8() + "'\n");
    ScopedPath path(bin.path() + QStringLiteral(":/usr/bin:/bin"));

    const QString urls[] = {
        QStringLiteral("http://radio.example/?q=\"quoted\" 'single';echo hi;$(touch %1)").arg(target),
        QStringLiteral("mailto:support@sonaveo.de?subject=`touch %1` & | > x").arg(target),
    };
    for (const QString &url : urls) {
        QFile::remove(record);
        TUrlLink link(nullptr, url);
        link.Open();
        ASSERT_TRUE(waitForFile(record)) << url.toStdString();
        EXPECT_EQ(bytesOf(record), "1\n" + url.toUtf8() + "\n");
    }
    EXPECT_FALSE(QFile::exists(target)) << "nothing ran the address as a command";
}

TEST(DesktopHandOff, AHandlerThatCannotStartRaisesCouldntLaunchDefaultBrowser)
{
    QTemporaryDir empty;
    ScopedPath path(empty.path());
    TUrlLink link(nullptr, QStringLiteral("http://www.sonaveo.de"));
    try {
        link.Open();
        ADD_FAILURE() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Couldn't launch default browser"));
    }
}

TEST(DesktopHandOff, TheManualIsTheChmFileOfTheCurrentDirectoryElseTheShippedOne)
{
    QTemporaryDir tree;
    const QDir root(tree.path());
    root.mkpath(QStringLiteral("cwd"));
    root.mkpath(QStringLiteral("bin/manual"));
    root.mkpath(QStringLiteral("share/sonaveo/manual"));
    const QString cwd = root.filePath(QStringLiteral("cwd"));
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QString installed = root.filePath(QStringLiteral("share/sonaveo/manual/index.html"));
    const QString beside = root.filePath(QStringLiteral("bin/manual/index.html"));

    EXPECT_EQ(manualFile(cwd, bin), QString()) << "nothing to open";
    writeBytes(installed, "<html>");
    EXPECT_EQ(manualFile(cwd, bin), installed);
    writeBytes(beside, "<html>");
    EXPECT_EQ(manualFile(cwd, bin), beside) << "the build tree's copy comes first";
    writeBytes(root.filePath(QStringLiteral("cwd/sonaveo.chm")), "ITSF");
    EXPECT_EQ(manualFile(cwd, bin), root.filePath(QStringLiteral("cwd/sonaveo.chm")));

    // This build ships its manual next to the test programs.
    const QString shipped = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("manual/index.html"));
    EXPECT_TRUE(bytesOf(shipped).contains("Station bands")) << shipped.toStdString();
}

class LinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedCurrent = QDir::currentPath();
        QDir::setCurrent(current.path());
        createWindows(windows);
        form = windows.MainForm.get();
        form->ui().TimerSonaveo->stop();
        about = windows.AboutForm.get();
    }
    void TearDown() override { QDir::setCurrent(savedCurrent); }

    QTemporaryDir current;
    QString savedCurrent;
    FakeDialogs dialogs;
    FakePlatform fake;
    FakeLauncher launcher;
    TApplicationWindows windows;
    TMainForm *form = nullptr;
    TAboutForm *about = nullptr;
};

TEST_F(LinksTest, EveryLinkLabelOpensTheAddressItShows)
{
    EXPECT_EQ(about->size(), QSize(553, 420));
    const std::pair<TClickLabel *, QString> links[] = {
        {about->Label3, QStringLiteral("http://www.sonaveo.de")},
        {about->Label5, QStringLiteral("http://www.maro-radio.de")},
        {about->Label6, QStringLiteral("http://www.maro-software.de")},
        {about->Label7, QStringLiteral("http://forum.sonaveo.de")},
        {about->Label8, QStringLiteral("mailto:support@sonaveo.de")},
    };
    QStringList expected;
    for (const auto &[label, url] : links) {
        EXPECT_EQ(label->text(), url);
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        expected << url;
    }
    EXPECT_EQ(launcher.opened, expected);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // A press dragged off the label is no click.
    QTest::mousePress(about->Label3, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTest::mouseRelease(about->Label3, Qt::LeftButton, Qt::NoModifier, QPoint(-20, 3));
    EXPECT_EQ(launcher.opened.size(), 5);

    launcher.succeed = false;
    QTest::mouseClick(about->Label8, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Couldn't launch default browser")});
}

TEST_F(LinksTest, TheAboutButtonShowsTheWindowModallyAndOkClosesIt)
{
    bool shownModal = false;
    QTimer::singleShot(0, [this, &shownModal] {
        shownModal = about->isVisible() && about->isModal();
        EXPECT_EQ(about->VrDemoButtonOK->Caption(), QStringLiteral("OK"));
        EXPECT_EQ(about->VrDemoButtonManual->Caption(), QStringLiteral("Sonaveo Manual"));
        QTest::mouseClick(about->VrDemoButtonOK, Qt::LeftButton);
    });
    QTest::mouseClick(form->ui().VrDemoButtonBurn, Qt::LeftButton);
    EXPECT_TRUE(shownModal);
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(about->result(), int(QDialog::Accepted));
    EXPECT_TRUE(launcher.opened.isEmpty());
}

TEST_F(LinksTest, BothManualButtonsOpenTheChmFileWhenPresentElseTheShippedManual)
{
    const QString shipped = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("manual/index.html"));
    QTest::mouseClick(about->VrDemoButtonManual, Qt::LeftButton);
    QTest::mouseClick(windows.OptionsForm->VrDemoButtonHelp, Qt::LeftButton);
    EXPECT_EQ(launcher.opened, (QStringList{shipped, shipped}));

    writeBytes(QDir(current.path()).filePath(QStringLiteral("sonaveo.chm")), "ITSF");
    launcher.opened.clear();
    QTest::mouseClick(about->VrDemoButtonManual, Qt::LeftButton);
    QTest::mouseClick(windows.OptionsForm->VrDemoButtonHelp, Qt::LeftButton);
    const QString chm = QDir(current.path()).filePath(QStringLiteral("sonaveo.chm"));
    EXPECT_EQ(launcher.opened, (QStringList{chm, chm}));

    launcher.succeed = false;
    QTest::mouseClick(about->VrDemoButtonManual, Qt::LeftButton);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "a manual that does not open is not reported";
}

TEST_F(LinksTest, TheMixerButtonStartsTheFirstMixerFoundInPath)
{
    QTemporaryDir bin;
    ScopedPath path(bin.path());
    QTest::mouseClick(form->ui().VrDemoButtonMixer, Qt::LeftButton);
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "no mixer installed is not reported";

    writeProgram(bin.path(), QStringLiteral("gnome-control-center"), "exit 0\n");
    QTest::mouseClick(form->ui().VrDemoButtonMixer, Qt::LeftButton);
    writeProgram(bin.path(), QStringLiteral("pwvucontrol"), "exit 0\n");
    QTest::mouseClick(form->ui().VrDemoButtonMixer, Qt::LeftButton);
    writeProgram(bin.path(), QStringLiteral("pavucontrol"), "exit 0\n");
    QTest::mouseClick(form->ui().VrDemoButtonMixer, Qt::LeftButton);
    const QDir dir(bin.path());
    const std::vector<std::pair<QString, QStringList>> expected = {
        {dir.filePath(QStringLiteral("gnome-control-center")), {QStringLiteral("sound")}},
        {dir.filePath(QStringLiteral("pwvucontrol")), {}},
        {dir.filePath(QStringLiteral("pavucontrol")), {}},
    };
    EXPECT_EQ(launcher.started, expected);
}

TEST_F(LinksTest, TheBrandPictureAsksToConnectWhenOfflineThenOpensTheMakersSite)
{
    int attemptsAtOpen = -1;
    launcher.onLaunch = [this, &attemptsAtOpen] { attemptsAtOpen = fake.network->connectAttempts; };
    form->playback()->state.online = false;
    QTest::mouseClick(form->ui().MaroImage, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(attemptsAtOpen, 1) << "the request to connect comes before the browser";
    EXPECT_EQ(launcher.opened, QStringList{QStringLiteral("http://www.maro-software.de")});
    EXPECT_EQ(form->ui().Maro->Url, QStringLiteral("http://www.maro-software.de"));

    form->playback()->state.online = true;
    QTest::mouseClick(form->ui().MaroImage, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(fake.network->connectAttempts, 1) << "online: no request";
    EXPECT_EQ(launcher.opened.size(), 2);

    // Offline the site is opened either way, and a failed start is reported.
    form->playback()->state.online = false;
    launcher.succeed = false;
    QTest::mouseClick(form->ui().MaroImage, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(fake.network->connectAttempts, 2);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Couldn't launch default browser")});
}
