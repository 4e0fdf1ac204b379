// The player on the desktop's bus (MPRIS), as a panel, media keys or playerctl
// see it: on a bus of the test's own, against scripted players ticked by hand.

#include "app/desktopplayer.h"
#include "app/mainform.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "platform/errorguard.h"
#include "playback/mpris.h"
#include "playback/stationplayback.h"
#include "stations/historyform.h"
#include "privatebus.h"
#include "waitfor.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <unistd.h>

using testsupport::waitFor;

namespace {
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kName = QStringLiteral("org.mpris.MediaPlayer2.sonaveo");

// A map sent inside a variant arrives as a D-Bus argument.
QVariantMap asMap(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

QVariant plain(const QVariant &value)
{
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant() : value;
}

// Collects the PropertiesChanged signals of the player's object.
class ChangeListener : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
public Q_SLOTS:
    void changed(const QString &interface, const QVariantMap &properties, const QStringList &)
    {
        if (interface == kPlayer)
            changes << properties;
    }
};
} // namespace

class MprisTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        bus = std::make_unique<PrivateBus>();
        ASSERT_FALSE(bus->address.isEmpty()) << "the private bus did not start";
        static int round = 0;
        ++round;
        serviceName = QStringLiteral("mpris-service-%1").arg(round);
        clientName = QStringLiteral("mpris-client-%1").arg(round);
        form = std::make_unique<TMainForm>();
        form->skipFirstLoading();
        form->setDataDirectory(data.path());
        form->ui().TimerSonaveo->stop(); // the test ticks by hand
        station = fake.station;
        tick(); // the first tick finds the network
        service = startDesktopPlayer(*form, QDBusConnection::connectToBus(bus->address, serviceName));
        ASSERT_TRUE(service->registered());
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus->address, clientName));
        ASSERT_TRUE(client->isConnected());
        ASSERT_TRUE(client->connect(kName, kPath, kProperties, QStringLiteral("PropertiesChanged"), &listener,
                                    SLOT(changed(QString, QVariantMap, QStringList))));
    }
    void TearDown() override
    {
        service.reset();
        form.reset();
        client.reset();
        QDBusConnection::disconnectFromBus(clientName);
        QDBusConnection::disconnectFromBus(serviceName);
        bus.reset();
    }

    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            guarded([this] { form->playback()->TimerSonaveoTimer(); });
    }
    void preset(int slot, const QString &name, const QString &url)
    {
        form->ui().VrDemoButtonStation[size_t(slot - 1)]->setCaption(name);
        form->ui().EditStationURL[size_t(slot - 1)]->setText(url);
    }
    // The station plays past its first second.
    void playing()
    {
        station->state = MediaEngine::Playing;
        station->position = 3;
        tick();
    }

    // A call as the desktop makes it; the program answers while the test waits.
    QDBusMessage call(const QString &interface, const QString &method, const QVariantList &args = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kName, kPath, interface, method);
        message.setArguments(args);
        QDBusPendingCall pending = client->asyncCall(message);
        EXPECT_TRUE(waitFor([&] { return pending.isFinished(); }, "the answer on the bus"));
        EXPECT_FALSE(pending.isError()) << pending.error().message().toStdString();
        return pending.reply();
    }
    QVariant property(const QString &interface, const QString &name)
    {
        const QDBusMessage reply = call(kProperties, QStringLiteral("Get"), {interface, name});
        return reply.arguments().isEmpty() ? QVariant() : plain(reply.arguments().first());
    }
    void setProperty(const QString &interface, const QString &name, const QVariant &value)
    {
        call(kProperties, QStringLiteral("Set"), {interface, name, QVariant::fromValue(QDBusVariant(value))});
    }
    // The commands the station player got since the last look.
    QStringList takeCalls()
    {
        const QStringList calls = station->calls;
        station->calls.clear();
        return calls;
    }
    // Waits for the next signalled change and returns it.
    QVariantMap nextChange()
    {
        const qsizetype seen = taken;
        EXPECT_TRUE(waitFor([&] { return listener.changes.size() > seen; }, "a PropertiesChanged signal"));
        return listener.changes.value(taken++);
    }

    QTemporaryDir data;
    FakeDialogs dialogs;
    FakePlatform fake;
    std::unique_ptr<PrivateBus> bus;
    QString serviceName;
    QString clientName;
    std::unique_ptr<TMainForm> form;
    FakeMediaEngine *station = nullptr;
    std::unique_ptr<TMprisService> service;
    std::unique_ptr<QDBusConnection> client;
    ChangeListener listener;
    qsizetype taken = 0;
};

TEST_F(MprisTest, TheDesktopFindsSonaveoAndWhatItCanDo)
{
    EXPECT_TRUE(client->interface()->isServiceRegistered(kName).value());
    EXPECT_EQ(property(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Sonaveo"));
    EXPECT_EQ(property(kRoot, QStringLiteral("DesktopEntry")).toString(), QStringLiteral("sonaveo"));
    EXPECT_TRUE(property(kRoot, QStringLiteral("CanQuit")).toBool());
    EXPECT_TRUE(property(kRoot, QStringLiteral("CanRaise")).toBool());
    EXPECT_FALSE(property(kRoot, QStringLiteral("HasTrackList")).toBool());
    EXPECT_EQ(property(kRoot, QStringLiteral("SupportedUriSchemes")).toStringList(),
              (QStringList{QStringLiteral("http"), QStringLiteral("https")}));
    EXPECT_TRUE(property(kRoot, QStringLiteral("SupportedMimeTypes")).toStringList().contains(
        QStringLiteral("audio/mpeg")));

    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    for (const char *can : {"CanPlay", "CanPause", "CanGoNext", "CanGoPrevious", "CanControl"})
        EXPECT_TRUE(property(kPlayer, QString::fromLatin1(can)).toBool()) << can;
    EXPECT_FALSE(property(kPlayer, QStringLiteral("CanSeek")).toBool());
    EXPECT_EQ(property(kPlayer, QStringLiteral("Rate")).toDouble(), 1.0);
    EXPECT_EQ(property(kPlayer, QStringLiteral("MinimumRate")).toDouble(), 1.0);
    EXPECT_EQ(property(kPlayer, QStringLiteral("MaximumRate")).toDouble(), 1.0);
    EXPECT_EQ(property(kPlayer, QStringLiteral("Position")).toLongLong(), 0);
    EXPECT_EQ(property(kPlayer, QStringLiteral("Volume")).toDouble(), 1.0);
    EXPECT_TRUE(asMap(property(kPlayer, QStringLiteral("Metadata"))).isEmpty()) << "nothing tuned yet";

    // A second copy on the same bus takes a name of its own.
    const QString otherName = serviceName + QStringLiteral("-second");
    {
        TMprisService second({}, QDBusConnection::connectToBus(bus->address, otherName));
        EXPECT_TRUE(second.registered());
        EXPECT_EQ(second.serviceName(), kName + QStringLiteral(".instance%1").arg(::getpid()));
    }
    QDBusConnection::disconnectFromBus(otherName);

    // Without a bus, or with one that refuses, the service stays away and the
    // window works as before.
    TMprisService offBus({}, QDBusConnection(QStringLiteral("no-such-connection")));
    EXPECT_FALSE(offBus.registered());
    EXPECT_TRUE(offBus.serviceName().isEmpty());
    const QString refusing = serviceName + QStringLiteral("-refusing");
    {
        TMprisService refused({}, QDBusConnection::connectToBus(
                                      QStringLiteral("unix:path=") + data.filePath(QStringLiteral("no-bus")), refusing));
        EXPECT_FALSE(refused.registered());
    }
    QDBusConnection::disconnectFromBus(refusing);
}

TEST_F(MprisTest, PlayPauseNextPreviousAndStopActOnTheStations)
{
    preset(1, QStringLiteral("One"), QStringLiteral("http://one.example/live"));
    preset(3, QStringLiteral("Three"), QStringLiteral("http://three.example/live"));
    preset(5, QStringLiteral("Five"), QStringLiteral("http://five.example/live"));
    station->calls.clear();

    // Nothing tuned yet and no history: Play has no station to go back to.
    call(kPlayer, QStringLiteral("Play"));
    EXPECT_TRUE(takeCalls().filter(QStringLiteral("url:")).isEmpty());

    call(kPlayer, QStringLiteral("Next"));
    EXPECT_EQ(form->playback()->state.currentStationName, QStringLiteral("One"));
    QStringList calls = takeCalls();
    EXPECT_TRUE(calls.contains(QStringLiteral("url:http://one.example/live"))) << calls.join(' ').toStdString();
    EXPECT_TRUE(calls.contains(QStringLiteral("play")));
    playing();
    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));

    // Empty slots are passed over, and the block wraps both ways.
    const struct {
        const char *method;
        const char *station;
    } steps[] = {{"Next", "Three"}, {"Next", "Five"}, {"Next", "One"}, {"Previous", "Five"}, {"Previous", "Three"}};
    for (const auto &step : steps) {
        call(kPlayer, QString::fromLatin1(step.method));
        EXPECT_EQ(form->playback()->state.currentStationName, QString::fromLatin1(step.station)) << step.method;
        playing();
    }
    EXPECT_EQ(takeCalls().filter(QStringLiteral("url:")),
              (QStringList{QStringLiteral("url:http://three.example/live"),
                           QStringLiteral("url:http://five.example/live"), QStringLiteral("url:http://one.example/live"),
                           QStringLiteral("url:http://five.example/live"),
                           QStringLiteral("url:http://three.example/live")}));

    // A live station cannot pause: Pause ends it as Disconnect does.
    call(kPlayer, QStringLiteral("Pause"));
    EXPECT_EQ(takeCalls(), QStringList{QStringLiteral("stop")});
    EXPECT_EQ(form->ui().LabelStation->text(), QStringLiteral("none"));
    station->state = MediaEngine::Stopped;
    tick();
    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));

    // Play tunes the last station again; PlayPause and Stop end it.
    call(kPlayer, QStringLiteral("Play"));
    calls = takeCalls();
    EXPECT_TRUE(calls.contains(QStringLiteral("url:http://three.example/live"))) << calls.join(' ').toStdString();
    EXPECT_TRUE(calls.contains(QStringLiteral("play")));
    playing();
    call(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_EQ(takeCalls(), QStringList{QStringLiteral("stop")});
    station->state = MediaEngine::Stopped;
    tick();
    call(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_TRUE(takeCalls().contains(QStringLiteral("url:http://three.example/live")));
    playing();
    call(kPlayer, QStringLiteral("Stop"));
    EXPECT_EQ(takeCalls(), QStringList{QStringLiteral("stop")});
}

TEST_F(MprisTest, PlayAfterTheStartTunesTheStationHeardLast)
{
    THistoryForm history;
    TMainForm::Windows windows;
    windows.history = [&history] { return &history; };
    form->setWindows(windows);
    history.setEntry(1, QStringLiteral("Last Night FM"), QStringLiteral("http://night.example/live"));
    history.setEntry(2, QStringLiteral("Older FM"), QStringLiteral("http://older.example/live"));
    station->calls.clear();
    call(kPlayer, QStringLiteral("Play"));
    EXPECT_EQ(takeCalls().filter(QStringLiteral("url:")), QStringList{QStringLiteral("url:http://night.example/live")});
    EXPECT_EQ(form->playback()->state.currentStationName, QStringLiteral("Last Night FM"));
    EXPECT_NE(form->ui().Labelgenre->text(), kHistoryMarker) << "the band label stays";
    form->setWindows({});
}

TEST_F(MprisTest, VolumeMovesTheFaderAndTheFaderIsSignalled)
{
    setProperty(kPlayer, QStringLiteral("Volume"), 0.5);
    EXPECT_TRUE(station->calls.contains(QStringLiteral("volume:50"))) << station->calls.join(' ').toStdString();
    EXPECT_EQ(form->ui().VrScrollBarPlayer1->Position(), 500);
    EXPECT_EQ(form->ui().VrNumVolume->Value(), 50);
    EXPECT_EQ(property(kPlayer, QStringLiteral("Volume")).toDouble(), 0.5);
    EXPECT_EQ(nextChange(), (QVariantMap{{QStringLiteral("Volume"), 0.5}}));

    // Out of range is held at the ends.
    setProperty(kPlayer, QStringLiteral("Volume"), 1.7);
    EXPECT_EQ(form->ui().VrScrollBarPlayer1->Position(), 1000);
    EXPECT_EQ(nextChange(), (QVariantMap{{QStringLiteral("Volume"), 1.0}}));

    // The listener moves the fader: the desktop hears of it at the next tick.
    form->playback()->SetVolume(250);
    tick();
    EXPECT_EQ(nextChange(), (QVariantMap{{QStringLiteral("Volume"), 0.25}}));
}

TEST_F(MprisTest, StatusTitleAndStationChangesAreSignalledOnce)
{
    preset(1, QStringLiteral("Radio One"), QStringLiteral("http://one.example/live"));
    preset(2, QStringLiteral("Radio Two"), QStringLiteral("http://two.example/live"));
    call(kPlayer, QStringLiteral("Next"));
    QVariantMap change = nextChange(); // the station is tuned
    QVariantMap metadata = asMap(change.value(QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Radio One"));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:url")).toString(), QStringLiteral("http://one.example/live"));
    const QString firstTrack = metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    EXPECT_FALSE(firstTrack.isEmpty());
    EXPECT_FALSE(change.contains(QStringLiteral("PlaybackStatus"))) << "connecting is not playing yet";

    playing();
    EXPECT_EQ(nextChange(), (QVariantMap{{QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")}}));

    // The station names what it plays.
    station->title = QStringLiteral("Nina Simone - Feeling Good");
    tick();
    change = nextChange();
    ASSERT_EQ(change.keys(), QStringList{QStringLiteral("Metadata")});
    metadata = asMap(change.value(QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Feeling Good"));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:artist")).toStringList(), QStringList{QStringLiteral("Nina Simone")});
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Radio One"));
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(), firstTrack)
        << "the same station";

    station->title = QStringLiteral("Station jingle");
    tick();
    metadata = asMap(nextChange().value(QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Station jingle"));
    EXPECT_FALSE(metadata.contains(QStringLiteral("xesam:artist")));

    // Ticks that change nothing say nothing: the next signal is the next change.
    tick(5);
    call(kPlayer, QStringLiteral("Next"));
    change = nextChange();
    metadata = asMap(change.value(QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Radio Two"));
    EXPECT_NE(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(), firstTrack);

    playing();
    call(kPlayer, QStringLiteral("Stop"));
    station->state = MediaEngine::Stopped;
    tick();
    bool stopped = false;
    while (!stopped && !HasFailure())
        stopped = nextChange().value(QStringLiteral("PlaybackStatus")).toString() == QStringLiteral("Stopped");
    EXPECT_EQ(property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
}

TEST_F(MprisTest, RaiseBringsTheWindowBackAndQuitClosesIt)
{
    form->showMinimized();
    ASSERT_TRUE(waitFor([&] { return form->isMinimized(); }, "the window minimised"));
    call(kRoot, QStringLiteral("Raise"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());

    bool closed = false;
    QObject::connect(form.get(), &TMainForm::closed, [&closed] { closed = true; });
    call(kRoot, QStringLiteral("Quit"));
    EXPECT_TRUE(closed);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MprisTest, PlayerctlControlsAndReadsThePlayer)
{
    if (QStandardPaths::findExecutable(QStringLiteral("playerctl")).isEmpty())
        GTEST_SKIP() << "playerctl is not installed";
    const auto playerctl = [this](const QStringList &args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->address);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("--player=sonaveo")} + args);
        // The program answers playerctl from this event loop.
        EXPECT_TRUE(waitFor([&] { return p.state() == QProcess::NotRunning; }, "playerctl"));
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    };
    preset(1, QStringLiteral("Radio One"), QStringLiteral("http://one.example/live"));
    playerctl({QStringLiteral("next")});
    EXPECT_TRUE(station->calls.contains(QStringLiteral("url:http://one.example/live")));
    playing();
    station->title = QStringLiteral("Nina Simone - Feeling Good");
    tick();
    EXPECT_EQ(playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("--format"), QStringLiteral("{{artist}}: {{title}}")}),
              QStringLiteral("Nina Simone: Feeling Good"));
    station->calls.clear();
    playerctl({QStringLiteral("play-pause")});
    EXPECT_EQ(station->calls, QStringList{QStringLiteral("stop")});
    playerctl({QStringLiteral("volume"), QStringLiteral("0.3")});
    EXPECT_EQ(form->ui().VrScrollBarPlayer1->Position(), 300);
}

#include "test_mpris.moc"
