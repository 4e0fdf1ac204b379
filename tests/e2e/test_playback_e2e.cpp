// The main window playing for real: the local Icecast tone through the station
// player into the sound server's null sink, and streams that misbehave.

#include "app/mainform.h"
#include "enginetestkit.h"
#include "fakedialogs.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"
#include "widgets/vrclock.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrmatrix.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace enginetest;

namespace {
QString testStream() { return qEnvironmentVariable("SONAVEO_TEST_STREAM"); }

using testsupport::waitFor;

// A main window whose status tick runs on its own timer, online before it is used.
class LiveForm {
public:
    LiveForm()
    {
        form.show();
        online = waitFor([this] { return form.playback()->state.online; }, "the network monitor to report a network");
    }
    ~LiveForm() { form.playback()->VrDemoButtonUnplugClick(); }
    TMainForm form;
    bool online = false;
};

// The largest gap between two status ticks while the event loop runs until done()
// holds and fifteen ticks have come. This measures real time on purpose: a window
// that stalls while a stream misbehaves still ticks, only late.
int largestTickGap(TMainForm &form, const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 largest = 0;
    int ticks = 0;
    auto conn = QObject::connect(form.ui().TimerSonaveo, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        largest = std::max(largest, now - last);
        last = now;
        ++ticks;
    });
    EXPECT_TRUE(waitFor([&] { return ticks >= 15 && done(); }, "fifteen ticks and the stream's end"));
    QObject::disconnect(conn);
    return int(largest);
}
} // namespace

TEST(LivePlayback, TuningTheLocalStreamPlaysTheToneAndTheDisplaysFollow)
{
    if (testStream().isEmpty() || !nullSinkPresent())
        GTEST_SKIP() << "needs the local stream and the null sink that scripts/test starts";
    FakeDialogs dialogs;
    LiveForm live;
    TMainForm &form = live.form;
    ASSERT_TRUE(live.online) << "the network monitor should report a network";
    EXPECT_EQ(form.ui().VrMatrixConn->Text(), QStringLiteral("MARO SONAVEO ONLINE!"));

    form.playback()->TuneStation(QStringLiteral("Tone FM"), testStream());
    EXPECT_TRUE(form.playback()->state.connecting);
    ASSERT_TRUE(waitFor([&] { return form.ui().LabelStation->text() == QLatin1String("Tone FM"); }, "the station's name"))
        << "still " << form.ui().LabelStation->text().toStdString();
    EXPECT_FALSE(form.ui().LabelStation->isHidden());

    // Sound on the monitor: the 440 Hz tone at a clear level.
    const int secondsBefore = form.ui().VrClockstposition->Seconds();
    const auto full = recordMonitor(1.0);
    EXPECT_NEAR(dominantFrequency(full), 440.0, 5.0);
    const double fullLevel = rms(full);
    EXPECT_GT(fullLevel, 1000.0);

    EXPECT_TRUE(waitFor([&] { return form.ui().VrClockstposition->Seconds() >= secondsBefore + 2; }, "the position clock to run"));
    const int bitrate = form.ui().LabelBandwidth->text().toInt();
    EXPECT_NEAR(bitrate, 128000, 1000) << form.ui().LabelBandwidth->text().toStdString();
    EXPECT_TRUE(form.ui().LabelBuffer->text().endsWith(QLatin1Char('%')));

    // The fader at 500 halves the amplitude: the volume is linear. The same MP3
    // frames are decoded both times and mixed at unity, so only the moment the
    // level changes inside the recording window can blur it; 10 % covers that.
    form.playback()->SetVolume(500);
    ASSERT_TRUE(waitFor([&] { return rms(recordMonitor(0.2)) < 0.7 * fullLevel; }, "the lower volume on the sound card"));
    const double halfLevel = rms(recordMonitor(1.0));
    EXPECT_NEAR(halfLevel / fullLevel, 0.5, 0.05);
    form.playback()->SetVolume(1000);

    QTest::mouseClick(form.ui().VrDemoButtonUnplug, Qt::LeftButton);
    EXPECT_EQ(form.ui().LabelStation->text(), QStringLiteral("none"));
    EXPECT_TRUE(waitFor([] { return rms(recordMonitor(0.3)) < 50.0; }, "Disconnect to silence the station"));
    EXPECT_TRUE(waitFor([&] { return form.ui().LabelBandwidth->text() == QLatin1String("0"); }, "the bit rate to go"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(LivePlayback, BadStreamsNeitherCrashNorFreezeAndEndInAClearState)
{
    FakeDialogs dialogs;
    LiveForm live;
    TMainForm &form = live.form;
    if (!live.online)
        GTEST_SKIP() << "no network reported";
    const BadHttpServer::Mode modes[] = {BadHttpServer::NotFound, BadHttpServer::HtmlPage,
                                         BadHttpServer::NeverAnswers, BadHttpServer::ClosesEarly,
                                         BadHttpServer::RandomBytes};
    const char *names[] = {"404", "html page", "never answers", "closes after a second", "random bytes"};
    QByteArray mp3;
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("tone.mp3"));
        if (writeTone(file, QStringLiteral("lamemp3enc"), 1.0)) {
            QFile f(file);
            if (f.open(QIODevice::ReadOnly))
                mp3 = f.readAll();
        }
    }
    for (size_t i = 0; i < std::size(modes); ++i) {
        SCOPED_TRACE(names[i]);
        BadHttpServer server(modes[i], mp3);
        form.playback()->TuneStation(QStringLiteral("Bad Radio"), server.url());
        // A stream that closes plays out what it had buffered, then ends; the
        // window keeps ticking all the while. A wait on the network in the
        // window's thread stops it for seconds; a busy shared machine can hold
        // the whole process for a tick or two, which no listener would call a
        // frozen window.
        EXPECT_LT(largestTickGap(form, [&] { return form.stationPlayer()->playState() != 3; }), 500)
            << "the window keeps ticking";
        // Each ends idle with its name, still trying, or tuning again after
        // the stream that closed.
        const QString label = form.ui().LabelStation->text();
        EXPECT_TRUE(label == QLatin1String("Connecting.....") || label == QLatin1String("Bad Radio")
                    || label == QLatin1String("Reconnecting... Bad Radio"))
            << label.toStdString();
        QTest::mouseClick(form.ui().VrDemoButtonUnplug, Qt::LeftButton);
        EXPECT_EQ(form.ui().LabelStation->text(), QStringLiteral("none"));
        EXPECT_FALSE(form.ui().LabelStation->isHidden());
    }
    // A failure found before Disconnect is said, once per station at most.
    EXPECT_LE(dialogs.messages.size(), qsizetype(std::size(modes))) << dialogs.messages.join('\n').toStdString();
}

// Runs itself again in a network namespace of its own, where there is no route.
TEST(LivePlayback, WithoutANetworkTheDisplayAsksForOneAndTuningIsRefused)
{
    if (qEnvironmentVariableIsSet("SONAVEO_OFFLINE_CHILD")) {
        FakeDialogs dialogs;
        TMainForm form;
        int ticks = 0;
        QObject::connect(form.ui().TimerSonaveo, &QTimer::timeout, [&] { ++ticks; });
        form.show();
        // The status tick has asked the network monitor a few times.
        ASSERT_TRUE(waitFor([&] { return ticks >= 5; }, "five status ticks"));
        EXPECT_FALSE(form.playback()->state.online);
        EXPECT_EQ(form.ui().VrMatrixConn->Text(), QStringLiteral("INTERNET CONNECTION?"));
        form.playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://127.0.0.1:9/stream"));
        EXPECT_FALSE(form.playback()->state.connecting);
        EXPECT_TRUE(form.stationPlayer()->URL().isEmpty());
        return;
    }
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("true")});
    if (!probe.waitForFinished(5000) || probe.exitCode() != 0)
        GTEST_SKIP() << "cannot make a network namespace here";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SONAVEO_OFFLINE_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"),
                {QStringLiteral("-n"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("--gtest_filter=LivePlayback.WithoutANetwork*")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test"))) << out.toStdString();
}
