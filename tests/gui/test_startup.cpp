// The entry sequence with the two start-up checks answered by the test.

#include "app/forms.h"
#include "app/mainform.h"
#include "app/splashform.h"
#include "app/startup.h"
#include "currentdirectory.h"
#include "fakecapturebackend.h"
#include "fakedialogs.h"
#include "fakeenvironment.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "forkedholder.h"
#include "platform/singleinstance.h"
#include "platform/textfile.h"
#include "privatebus.h"
#include "recording/soundcapture.h"
#include "widgets/vrformshape.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <QLabel>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include "waitfor.h"

#include <csignal>
#include <optional>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {
// The main window, when one is shown.
TMainForm *shownMainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *main = qobject_cast<TMainForm *>(w); main && main->isVisible())
            return main;
    return nullptr;
}
} // namespace

namespace {
int countTopLevel(const char *className)
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits(className))
            ++n;
    return n;
}

// A start whose checks pass, with the desktop's services answered by the test.
struct PassingStart {
    FakeDialogs dialogs;
    FakePlatform platform;
    FakeCaptureBackend capture;
    FakeEnvironmentChecks checks{true, true};
    TApplicationWindows windows;
    PassingStart() { ForgetCaptureDrivers(); }
    ~PassingStart() { ForgetCaptureDrivers(); }
    bool run() { return runEntrySequence(checks, windows); }
};

// A start whose checks pass, on a machine with one capture device.
struct OneDeviceStart {
    FakeDialogs dialogs;
    FakePlatform platform;
    FakeCaptureBackend capture;
    FakeEnvironmentChecks checks{true, true};
    OneDeviceStart()
    {
        capture.drivers = {CaptureDriverInfo{std::nullopt, QStringLiteral("Primary Sound Capture Driver"), QString()}};
        ForgetCaptureDrivers();
    }
    ~OneDeviceStart() { ForgetCaptureDrivers(); }
};

const QString kPlayerMessage = QStringLiteral("Please install the Windows Media Player ");
const QString kSoundMessage = QStringLiteral("No Sound Card found!");
} // namespace

TEST(StartUp, FailedChecksShowTheirMessagesInOrderAndNoMainWindow)
{
    struct Row {
        bool player;
        bool sound;
        QStringList messages;
    };
    const Row rows[] = {
        {false, false, {kPlayerMessage, kSoundMessage}},
        {false, true, {kPlayerMessage}},
        {true, false, {kSoundMessage}},
    };
    for (const Row &row : rows) {
        FakeDialogs dialogs;
        FakeEnvironmentChecks checks(row.player, row.sound);
        TApplicationWindows windows;
        EXPECT_FALSE(runEntrySequence(checks, windows));
        EXPECT_EQ(dialogs.messages, row.messages);
        EXPECT_EQ(windows.MainForm, nullptr);
        EXPECT_EQ(windows.AboutForm, nullptr);
        QCoreApplication::processEvents();
        EXPECT_EQ(countTopLevel("TMainForm"), 0);
        EXPECT_EQ(countTopLevel("TSplashForm"), 0) << "the splash goes away with the failed start";
    }
}

TEST(StartUp, WithoutItsPlaybackEngineThePlayerIsMissingAndNoWindowIsBuilt)
{
    FakeDialogs dialogs;
    FakePlatform platform;
    FakeEnvironmentChecks checks(false, true);
    checks.engine = false;
    TApplicationWindows windows;
    EXPECT_FALSE(runEntrySequence(checks, windows));
    EXPECT_EQ(dialogs.messages, QStringList{kPlayerMessage});
    EXPECT_EQ(platform.station, nullptr) << "a window asked for a player the engine cannot make";
    EXPECT_EQ(windows.MainForm, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(countTopLevel("TSplashForm"), 0);
}

TEST(StartUp, BothFailedChecksShowTwoRealMessageBoxesOneAfterTheOther)
{
    // The standard boxes, answered as a user would: whichever box is up gets its
    // OK pressed, and its text is noted.
    QStringList seen;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen << box->text();
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
    });
    user.start(10);

    FakeEnvironmentChecks checks(false, false);
    TApplicationWindows windows;
    std::optional<bool> started;
    QEventLoop running;
    QTimer::singleShot(0, &running, [&] {
        started = runEntrySequence(checks, windows);
        running.quit();
    });
    QTimer::singleShot(60000, &running, &QEventLoop::quit);
    running.exec();
    user.stop();

    ASSERT_TRUE(started.has_value());
    EXPECT_FALSE(*started) << "the start ends with its failure";
    EXPECT_EQ(seen, QStringList({kPlayerMessage, kSoundMessage}));
    EXPECT_EQ(windows.MainForm, nullptr);
}

TEST(StartUp, PassedChecksCreateEveryWindowAndTheMainWindowTakesOverFromTheSplash)
{
    OneDeviceStart start;
    TApplicationWindows windows;
    ASSERT_TRUE(runEntrySequence(start.checks, windows));
    EXPECT_TRUE(start.dialogs.messages.isEmpty());
    EXPECT_EQ(start.checks.asked, QStringList({"player", "sound"}));

    ASSERT_NE(windows.MainForm, nullptr);
    EXPECT_EQ(shownMainWindow(), windows.MainForm.get());
    EXPECT_TRUE(windows.MainForm->isVisible());
    EXPECT_TRUE(windows.MainForm->loaded());
    EXPECT_EQ(windows.MainForm->dataDirectory(), QDir::currentPath());
    EXPECT_TRUE(windows.MainForm->windowFlags() & Qt::FramelessWindowHint);

    // The windows the main window opens come once it has painted: the first
    // picture needs none of them.
    EXPECT_EQ(windows.HistoryForm, nullptr);
    EXPECT_EQ(windows.BandForm, nullptr);
    EXPECT_EQ(windows.OptionsForm, nullptr);
    EXPECT_EQ(windows.EditStationForm, nullptr);
    EXPECT_EQ(windows.FormSure, nullptr);
    EXPECT_EQ(windows.AboutForm, nullptr);
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return windows.FormSure && windows.AboutForm && countTopLevel("TSplashForm") == 0; },
        "the other windows after the first picture, and the splash gone"));

    const std::pair<QWidget *, QSize> sizes[] = {
        {windows.MainForm.get(), {601, 352}},   {windows.HistoryForm.get(), {262, 293}},
        {windows.BandForm.get(), {238, 387}},   {windows.OptionsForm.get(), {349, 202}},
        {windows.SkinForm.get(), {290, 430}},   {windows.EditStationForm.get(), {311, 245}},
        {windows.FormSure.get(), {492, 236}},   {windows.AboutForm.get(), {553, 420}},
    };
    for (const auto &[window, size] : sizes) {
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->size(), size) << window->metaObject()->className();
        EXPECT_FALSE(window != windows.MainForm.get() && window->isVisible())
            << "auxiliary windows wait until they are opened";
    }
    EXPECT_EQ(windows.FormSure->windowTitle(), QStringLiteral("Sonaveo Message"));

    // The splash is removed by the main window's first showing.
    EXPECT_EQ(countTopLevel("TSplashForm"), 0);

    // After the first picture the playback plugins load on a helper thread: the
    // MP3 parser's plugin is in memory before any station was tuned.
    QThreadPool::globalInstance()->waitForDone(30000);
    GstPluginFeature *parser = gst_registry_lookup_feature(gst_registry_get(), "mpegaudioparse");
    ASSERT_NE(parser, nullptr);
    GstPlugin *plugin = gst_plugin_feature_get_plugin(parser);
    EXPECT_TRUE(plugin && gst_plugin_is_loaded(plugin));
    if (plugin)
        gst_object_unref(plugin);
    gst_object_unref(parser);
}

TEST(StartUp, TheSplashPictureIsOnScreenBeforeTheMainWindowShows)
{
    // Paint events reaching the splash's picture, and whether the main window
    // showed, or the checks had been answered, when the first came. The display
    // may expose the splash while the windows are built; its picture is painted
    // then, not after the slow work.
    struct PaintWatch : QObject {
        int splashPaints = 0;
        bool mainFormShownFirst = false;
        bool checksAnsweredFirst = false;
        FakeEnvironmentChecks *checks = nullptr;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("Image1") &&
                watched->parent() && watched->parent()->parent() &&
                watched->parent()->parent()->inherits("TSplashForm")) {
                if (splashPaints++ == 0) {
                    mainFormShownFirst = shownMainWindow() != nullptr;
                    checksAnsweredFirst = !checks->asked.isEmpty();
                }
            }
            return false;
        }
    } watch;
    PassingStart start;
    watch.checks = &start.checks;
    qApp->installEventFilter(&watch);
    const bool started = start.run();
    qApp->removeEventFilter(&watch);
    ASSERT_TRUE(started);
    EXPECT_GE(watch.splashPaints, 1) << "the splash was shown but never painted";
    EXPECT_FALSE(watch.mainFormShownFirst) << "the splash must be on screen before the main window shows";
    EXPECT_FALSE(watch.checksAnsweredFirst) << "the splash must be on screen while the checks run";
}

TEST(StartUp, AWindowAskedForBeforeTheFirstPictureIsMadeThenAndOnlyOnce)
{
    PassingStart start;
    TApplicationWindows &windows = start.windows;
    ASSERT_TRUE(start.run());
    TAboutForm *about = windows.about();
    TFormSure *farewell = windows.farewell();
    ASSERT_NE(about, nullptr);
    ASSERT_NE(farewell, nullptr);
    EXPECT_EQ(about->size(), QSize(553, 420));

    // Past the first picture, when they would have been made.
    start.windows.MainForm->ui().VrMainFormShape->repaint();
    testsupport::handlePostedEvents();
    EXPECT_EQ(windows.AboutForm.get(), about);
    EXPECT_EQ(windows.FormSure.get(), farewell);
    EXPECT_EQ(countTopLevel("TAboutForm"), 1);
    EXPECT_EQ(countTopLevel("TFormSure"), 1);
}

TEST(StartUp, WhatTheSettingsHoldForWindowsNotMadeYetIsKeptAndReachesThemWhenMade)
{
    QTemporaryDir folder;
    CurrentDirectory here(folder.path());
    const QString settings = QDir(folder.path()).filePath(QStringLiteral("Defaults.ini"));
    writeBytes(settings, "\r\n3\r\n\r\nSignal FM\r\nhttp://signal.example\r\n");
    OneDeviceStart start;
    {
        TApplicationWindows windows;
        ASSERT_TRUE(runEntrySequence(start.checks, windows));
        ASSERT_EQ(windows.HistoryForm, nullptr) << "made after the first picture";
        ASSERT_EQ(windows.OptionsForm, nullptr) << "made after the first picture";
        // Saved before then (the session ends at once): what was loaded is
        // written back, not the windows' composed values.
        windows.MainForm->saveOnLeaving(false);
        const QStringList saved = readTextLines(settings);
        ASSERT_EQ(saved.size(), 28);
        EXPECT_EQ(saved[0], QDir(folder.path()).filePath(QStringLiteral("webfile.wav")));
        EXPECT_EQ(saved[1], QStringLiteral("3"));
        EXPECT_EQ(saved[3], QStringLiteral("Signal FM"));
        EXPECT_EQ(saved[4], QStringLiteral("http://signal.example"));
        EXPECT_EQ(windows.HistoryForm->entryName(1), QStringLiteral("Signal FM"));
        EXPECT_EQ(windows.OptionsForm->FormatBox->currentIndex(), 3);
        EXPECT_EQ(windows.OptionsForm->DriverBox->currentIndex(), 0);
        windows.destroyAll();
    }
    {
        // Made once the first picture is on screen, they hold the same.
        TApplicationWindows windows;
        ASSERT_TRUE(runEntrySequence(start.checks, windows));
        ASSERT_TRUE(testsupport::waitFor([&] { return windows.HistoryForm && windows.OptionsForm; },
                                         "the windows after the first picture"));
        EXPECT_EQ(windows.HistoryForm->entryName(1), QStringLiteral("Signal FM"));
        EXPECT_EQ(windows.HistoryForm->entryUrl(1), QStringLiteral("http://signal.example"));
        EXPECT_EQ(windows.HistoryForm->entryName(2), QStringLiteral("none"));
        EXPECT_EQ(windows.OptionsForm->FormatBox->currentIndex(), 3);
        EXPECT_EQ(windows.OptionsForm->DriverBox->count(), 1);
        EXPECT_EQ(windows.OptionsForm->DirectoryEditLogger->fileName(),
                  QDir(folder.path()).filePath(QStringLiteral("webfile.wav")));
        windows.destroyAll();
    }
    EXPECT_TRUE(start.dialogs.messages.isEmpty()) << start.dialogs.messages.join('|').toStdString();
}

TEST(StartUp, FarewellPictureClickClosesOnlyTheFarewellWindow)
{
    TFormSure sure;
    sure.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sure));
    QTest::mouseClick(sure.Image1, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_FALSE(sure.isVisible());
}

namespace {
// Tells when a file in a folder is opened.
class OpenWatch {
public:
    explicit OpenWatch(const QString &dir) : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        if (m_fd >= 0)
            ::inotify_add_watch(m_fd, QFile::encodeName(dir).constData(), IN_OPEN);
    }
    ~OpenWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // Waits until the file named name is opened; false when it is not within
    // timeoutMs.
    bool waitForOpen(const QString &name, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (m_fd >= 0 && clock.elapsed() < timeoutMs) {
            pollfd ready{m_fd, POLLIN, 0};
            if (::poll(&ready, 1, int(timeoutMs - clock.elapsed())) <= 0)
                continue;
            alignas(inotify_event) char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->len > 0 && QFile::decodeName(event->name) == name)
                    return true;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return false;
    }

private:
    int m_fd;
};

// The program itself, started on the offscreen platform in a data folder and a
// runtime folder of the test's own (so its one-copy lock is apart from any
// other copy's), with a GStreamer plugin whose silent sound devices let the
// start-up checks pass where no sound server runs. It is killed at the end of
// the test if it still runs.
class Program {
public:
    Program()
    {
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.remove(QStringLiteral("SONAVEO_REPORT_FIRST_PAINT"));
        // No sound server is asked (none runs, none is started).
        env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + runtime.filePath(QStringLiteral("none")));
        env.insert(QStringLiteral("GST_PLUGIN_PATH_1_0"), QStringLiteral(SONAVEO_TEST_GST_PLUGINS));
        // A registry of the test's own, so the user's holds no test plugin;
        // starting from a copy of the user's spares scanning every plugin.
        const QString registry = runtime.filePath(QStringLiteral("gst-registry.bin"));
        const QString userRegistry = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
                                         .filePath(QStringLiteral("gstreamer-1.0/registry.x86_64.bin"));
        QFile::copy(userRegistry, registry);
        env.insert(QStringLiteral("GST_REGISTRY_1_0"), registry);
    }
    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    QString file(const QString &name) const { return data.filePath(name); }
    void start()
    {
        env.insert(QStringLiteral("SONAVEO_DATA_DIR"), data.path());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(data.path());
        process.start(QStringLiteral(SONAVEO_BINARY), {});
        ASSERT_TRUE(process.waitForStarted(30000));
    }
    // Sends a signal to the program.
    void send(int sig) { ::kill(pid_t(process.processId()), sig); }
    // True when the program ended by itself with status 0 within the limit.
    bool endedWell(int timeoutMs = 60000)
    {
        return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    QString errorOutput() { return QString::fromLocal8Bit(process.readAllStandardError()); }

    QTemporaryDir data;
    QTemporaryDir runtime; // made 0700, as a session's runtime folder is
    QProcessEnvironment env;
    QProcess process;
};
} // namespace

TEST(StartUpProgram, ATerminationSignalWhileLoadingSavesWhatWasLoadedOnceLoadingEnds)
{
    Program program;
    // The skin's second line is no colour: the loading stops on it with a
    // message box, the first of the loading steps, so the signal below comes
    // while the loading runs.
    writeBytes(program.file(QStringLiteral("currentskin.skn")), "default\r\nclNoSuchColour\r\n");
    writeBytes(program.file(QStringLiteral("Defaults.ini")), "\r\n\r\n\r\nSignal FM\r\nhttp://signal.example\r\n");
    writeBytes(program.file(QStringLiteral("Maro Radio Network1.dat")), "Early Bird\r\nhttp://early.example\r\n");
    OpenWatch watch(program.data.path());
    program.start();
    ASSERT_TRUE(watch.waitForOpen(QStringLiteral("currentskin.skn"), 60000)) << "the loading never began";
    program.send(SIGTERM);
    ASSERT_TRUE(program.endedWell()) << program.process.exitStatus() << " " << program.process.exitCode() << " "
                                     << program.errorOutput().toStdString();

    // The files are written whole, with what the loading after the signal read.
    const QStringList settings = readTextLines(program.file(QStringLiteral("Defaults.ini")));
    ASSERT_EQ(settings.size(), 28);
    EXPECT_EQ(settings[3], QStringLiteral("Signal FM"));
    EXPECT_EQ(settings[4], QStringLiteral("http://signal.example"));
    EXPECT_EQ(settings[25], QStringLiteral("Maro Radio Network"));
    const QStringList block = readTextLines(program.file(QStringLiteral("Maro Radio Network1.dat")));
    ASSERT_EQ(block.size(), 14);
    EXPECT_EQ(block[0], QStringLiteral("Early Bird"));
    EXPECT_EQ(block[1], QStringLiteral("http://early.example"));
    EXPECT_EQ(readTextLines(program.file(QStringLiteral("currentskin.skn"))).size(), 42);
}

TEST(StartUpProgram, ATerminationSignalBeforeLoadingEndsWithoutWritingAnything)
{
    Program program;
    writeBytes(program.file(QStringLiteral("Defaults.ini")), "\r\n\r\n\r\nKept FM\r\n");
    // The sound-output check waits for the test, so the signal surely comes
    // before the main window loads anything.
    const QString release = program.runtime.filePath(QStringLiteral("release"));
    program.env.insert(QStringLiteral("SONAVEO_TEST_DEVICES_HOLD"), release);
    // The one-copy lock is taken once the signals are caught.
    OpenWatch watch(program.runtime.path());
    program.start();
    ASSERT_TRUE(watch.waitForOpen(kOneCopyName + QStringLiteral(".lock"), 60000));
    program.send(SIGTERM);
    ASSERT_TRUE(writeBytes(release, QByteArray()));
    ASSERT_TRUE(program.endedWell()) << program.process.exitStatus() << " " << program.process.exitCode() << " "
                                     << program.errorOutput().toStdString();
    EXPECT_EQ(QDir(program.data.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Defaults.ini")});
    EXPECT_EQ(bytesOf(program.file(QStringLiteral("Defaults.ini"))), QByteArray("\r\n\r\n\r\nKept FM\r\n"));
}

TEST(StartUpProgram, ANameHeldByAnotherUserStillStartsAndSaysWhy)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "taking another user's identity needs root";
    Program program;
    // Without a runtime folder the lock is the abstract name, which another user
    // has taken.
    program.env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    program.env.insert(QStringLiteral("SONAVEO_REPORT_FIRST_PAINT"), QStringLiteral("1"));
    sockaddr_un addr;
    const socklen_t addrLen = abstractAddress(kOneCopyName, ::getuid(), addr);
    ForkedHolder squatter([&addr, addrLen] { return squatAbstractName(addr, addrLen, false); });
    ASSERT_TRUE(squatter.holding());
    program.start();
    ASSERT_TRUE(program.endedWell()) << program.errorOutput().toStdString();
    const QString said = program.errorOutput();
    EXPECT_TRUE(said.contains(QLatin1String("starting without the one-copy lock"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QLatin1String("first-paint"))) << "the main window showed";
}

TEST(StartUpProgram, OnTheSessionBusItIsAPlayerAndASecondStartEndsAtOnce)
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "the private bus did not start";
    const QString connection = QStringLiteral("startup-program-client");
    {
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, connection);
        ASSERT_TRUE(client.isConnected());
        const QString name = QStringLiteral("org.mpris.MediaPlayer2.sonaveo");
        Program program;
        program.env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address);
        program.start();
        ASSERT_TRUE(testsupport::waitFor([&] { return client.interface()->isServiceRegistered(name).value(); },
                                         "the player on the bus", 60000))
            << program.errorOutput().toStdString();
        QDBusMessage get = QDBusMessage::createMethodCall(name, QStringLiteral("/org/mpris/MediaPlayer2"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << QStringLiteral("org.mpris.MediaPlayer2") << QStringLiteral("Identity");
        const QDBusReply<QDBusVariant> identity = client.call(get);
        ASSERT_TRUE(identity.isValid()) << identity.error().message().toStdString();
        EXPECT_EQ(identity.value().variant().toString(), QStringLiteral("Sonaveo"));

        // A second start in the same session asks the first to show itself and
        // ends, touching none of its files.
        Program second;
        second.env = program.env;
        second.start();
        EXPECT_TRUE(second.endedWell()) << second.errorOutput().toStdString();
        EXPECT_TRUE(QDir(second.data.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
        EXPECT_TRUE(client.interface()->isServiceRegistered(name).value()) << "the first copy still runs";

        // Quit closes the main window, and the program ends as after a close.
        const QDBusMessage quit = client.call(QDBusMessage::createMethodCall(
            name, QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("org.mpris.MediaPlayer2"),
            QStringLiteral("Quit")));
        EXPECT_NE(quit.type(), QDBusMessage::ErrorMessage) << quit.errorMessage().toStdString();
        EXPECT_TRUE(program.endedWell()) << program.errorOutput().toStdString();
        EXPECT_TRUE(QFileInfo::exists(program.file(QStringLiteral("Defaults.ini")))) << "saved as it closed";
    }
    QDBusConnection::disconnectFromBus(connection);
}
