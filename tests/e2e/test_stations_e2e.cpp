// Every kind of station a listener has, against the tests' own station server:
// playlist links, other formats, HLS, broken stations, a station that drops and
// comes back, titles, and https. What counts is what the listener hears on the
// sound card and reads in the window.

#include "desktop.h"
#include "enginetestkit.h"
#include "fakedialogs.h"
#include "qtprinters.h"
#include "app/mainform.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"
#include "widgets/vrclock.h"
#include "widgets/vrmatrix.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace enginetest;
using testsupport::waitFor;

namespace {

QString server() { return qEnvironmentVariable("SONAVEO_STATION_SERVER"); }

bool haveServers() { return !server().isEmpty() && nullSinkPresent(); }

// Asks the station server to do something ("drop", "restore", "title?text=...").
void control(const QString &what)
{
    const QString answer = e2e::run(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("--max-time"),
                                                             QStringLiteral("10"), server() + QStringLiteral("/control/") + what});
    EXPECT_EQ(answer.trimmed(), QStringLiteral("ok")) << what.toStdString();
}

bool hearsTheTone()
{
    return waitFor([] {
        const auto sound = recordMonitor(0.5);
        return rms(sound) > 1000.0 && std::abs(dominantFrequency(sound) - 440.0) < 10.0;
    }, "the 440 Hz tone on the sound card");
}

// A main window whose status tick runs on its own timer, online before it is used.
class Station {
public:
    Station()
    {
        form.show();
        online = waitFor([this] { return form.playback()->state.online; }, "the network monitor to report a network");
    }
    ~Station() { form.playback()->VrDemoButtonUnplugClick(); }
    void tune(const QString &url) { form.playback()->TuneStation(QStringLiteral("Tone FM"), url); }
    QString label() const { return form.ui().LabelStation->text(); }
    QString led() const { return form.ui().VrMatrixConn->Text(); }
    bool plays()
    {
        return waitFor([this] { return label() == QLatin1String("Tone FM"); }, "the station's name") && hearsTheTone();
    }

    FakeDialogs dialogs;
    TMainForm form;
    bool online = false;
};

#define NEED_SERVERS()                                                                                                 \
    if (!haveServers())                                                                                                \
    GTEST_SKIP() << "needs the station server and the null sink that scripts/test starts"

} // namespace

TEST(Stations, EveryPlaylistFormatPlaysTheToneAndThePresetKeepsTheLink)
{
    NEED_SERVERS();
    Station s;
    ASSERT_TRUE(s.online);
    for (const char *list : {"/list.pls", "/list.m3u", "/list.xspf", "/list.asx", "/station?id=7", "/station-sniff",
                             "/nested.m3u", "/dead-first.pls"}) {
        SCOPED_TRACE(list);
        s.dialogs.messages.clear();
        const QString link = server() + QLatin1String(list);
        s.tune(link);
        EXPECT_TRUE(s.plays());
        EXPECT_TRUE(s.dialogs.messages.isEmpty()) << s.dialogs.messages.join('\n').toStdString();
        // The next link's name shows only once its own sound has played half a
        // second, so the tone heard next is its own.
        s.form.playback()->VrDemoButtonUnplugClick();
    }
    EXPECT_TRUE(waitFor([] { return rms(recordMonitor(0.3)) < 50.0; }, "silence after Disconnect"));
}

TEST(Stations, EveryFormatAndHlsPlaysItsToneWithHonestFigures)
{
    NEED_SERVERS();
    Station s;
    ASSERT_TRUE(s.online);
    for (const char *path : {"/tone.aac", "/tone.ogg", "/tone.opus", "/tone.flac", "/hls/tone.m3u8"}) {
        SCOPED_TRACE(path);
        s.tune(server() + QLatin1String(path));
        ASSERT_TRUE(s.plays());
        // The position counts from the first sound, whatever timeline the
        // stream carries: it shows the first seconds, not a playlist's.
        EXPECT_LE(s.form.ui().VrClockstposition->Seconds(), 3);
        // A bit rate stated or measured in whole kbit/s, the same from tick to
        // tick, never 0 for a playing stream.
        ASSERT_TRUE(waitFor([&] { return s.form.ui().LabelBandwidth->text().toInt() > 0; }, "a bit rate"));
        const QString first = s.form.ui().LabelBandwidth->text();
        QTest::qWait(1000);
        EXPECT_EQ(first.toInt() % 1000, 0) << first.toStdString();
        EXPECT_EQ(s.form.ui().LabelBandwidth->text(), first);
        s.form.playback()->VrDemoButtonUnplugClick();
    }
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << s.dialogs.messages.join('\n').toStdString();
}

TEST(Stations, BrokenStationsSayWhatHappenedOnceAndShowTheirNameAgain)
{
    NEED_SERVERS();
    Station s;
    ASSERT_TRUE(s.online);
    QString refused;
    {
        BadHttpServer gone(BadHttpServer::NotFound);
        refused = gone.url();
    }
    const struct {
        QString url;
        QString message;
    } rows[] = {
        {server() + QStringLiteral("/notfound"), QStringLiteral("Station not found (HTTP 404): ") + server() + QStringLiteral("/notfound")},
        {server() + QStringLiteral("/page"),
         QStringLiteral("This address is a web page, not a radio stream: ") + server() + QStringLiteral("/page")},
        {refused, QStringLiteral("Cannot reach the server: 127.0.0.1")},
        {QStringLiteral("http://sonaveo-station.invalid/live"), QStringLiteral("Cannot find the server: sonaveo-station.invalid")},
        // Silent on purpose: this one takes the whole fifteen seconds.
        {server() + QStringLiteral("/silent"),
         QStringLiteral("The server did not answer within 15 seconds: ") + server() + QStringLiteral("/silent")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.url.toStdString());
        s.dialogs.messages.clear();
        s.tune(row.url);
        ASSERT_TRUE(waitFor([&] { return !s.dialogs.messages.isEmpty(); }, "the failure message", 30000));
        EXPECT_EQ(s.dialogs.messages, QStringList{row.message});
        EXPECT_EQ(s.label(), QStringLiteral("Tone FM"));
        EXPECT_FALSE(s.form.ui().LabelStation->isHidden());
        testsupport::whileATimerTicks(100, 10);
        EXPECT_EQ(s.dialogs.messages.size(), 1) << "once";
        EXPECT_EQ(s.label(), QStringLiteral("Tone FM"));
    }
}

TEST(Stations, AStationThatDropsIsHeardAgainWhenItComesBack)
{
    NEED_SERVERS();
    Station s;
    ASSERT_TRUE(s.online);
    s.tune(server() + QStringLiteral("/flaky.mp3"));
    ASSERT_TRUE(s.plays());

    control(QStringLiteral("drop"));
    ASSERT_TRUE(waitFor([&] { return s.label() == QLatin1String("Reconnecting... Tone FM"); }, "Reconnecting..."));
    EXPECT_EQ(s.led(), QStringLiteral("Reconnecting... Tone FM"));
    // Down for a few attempts.
    testsupport::whileATimerTicks(100, 40);
    EXPECT_EQ(s.label(), QStringLiteral("Reconnecting... Tone FM"));
    control(QStringLiteral("restore"));
    EXPECT_TRUE(s.plays());
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << s.dialogs.messages.join('\n').toStdString();
}

TEST(Stations, TheTitleNowPlayingReachesTheDisplayCleanedAndCut)
{
    NEED_SERVERS();
    Station s;
    ASSERT_TRUE(s.online);
    control(QStringLiteral("title?text=") + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("Sonaveo - First Song"))));
    s.tune(server() + QStringLiteral("/tone.mp3"));
    ASSERT_TRUE(s.plays());
    ASSERT_TRUE(waitFor([&] { return s.led() == QLatin1String("Tone FM - Sonaveo - First Song"); }, "the title on the display"))
        << s.led().toStdString();
    s.form.grab().save(QDir(e2e::outputDir()).filePath(QStringLiteral("station-title.png")));

    control(QStringLiteral("title?text=") + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("Bell\x07 and\x1b[31m tab\tend"))));
    ASSERT_TRUE(waitFor([&] { return s.led().startsWith(QLatin1String("Tone FM - Bell")); }, "the second title"))
        << s.led().toStdString();
    EXPECT_EQ(s.led(), QStringLiteral("Tone FM - Bell and[31m tabend"));

    control(QStringLiteral("title?text=") + QString(3000, QLatin1Char('y')));
    ASSERT_TRUE(waitFor([&] { return s.led().endsWith(QLatin1Char('y')); }, "the long title"));
    EXPECT_EQ(s.form.playback()->titles().last().title, QString(kMaxTitleLength, QLatin1Char('y')));

    s.form.playback()->VrDemoButtonUnplugClick();
    testsupport::whileATimerTicks(100, 3);
    EXPECT_EQ(s.led(), QStringLiteral("MARO SONAVEO ONLINE!"));
}

TEST(Stations, OggCommentsNameWhatPlays)
{
    NEED_SERVERS();
    Station s;
    ASSERT_TRUE(s.online);
    s.tune(server() + QStringLiteral("/titled.ogg"));
    ASSERT_TRUE(s.plays());
    EXPECT_TRUE(waitFor([&] { return s.led() == QLatin1String("Tone FM - Sonaveo Test - Ogg Tone Title"); }, "the Ogg title"))
        << s.led().toStdString();
}

TEST(Stations, HttpsStationsPlayAndAForeignCertificateIsSaid)
{
    NEED_SERVERS();
    const QString tls = qEnvironmentVariable("SONAVEO_STATION_SERVER_TLS");
    const QString wrong = qEnvironmentVariable("SONAVEO_STATION_SERVER_WRONG_TLS");
    const QString ca = qEnvironmentVariable("SONAVEO_TEST_CA");
    if (tls.isEmpty() || ca.isEmpty())
        GTEST_SKIP() << "no TLS station server";
    // Trusted in this process only, as a user would point SSL_CERT_FILE at it.
    qputenv("SSL_CERT_FILE", ca.toLocal8Bit());
    Station s;
    ASSERT_TRUE(s.online);
    s.tune(tls + QStringLiteral("/tone.mp3"));
    EXPECT_TRUE(s.plays());
    s.tune(tls + QStringLiteral("/list.pls"));
    EXPECT_TRUE(s.plays());
    EXPECT_TRUE(s.dialogs.messages.isEmpty()) << s.dialogs.messages.join('\n').toStdString();

    s.tune(wrong + QStringLiteral("/tone.mp3"));
    ASSERT_TRUE(waitFor([&] { return !s.dialogs.messages.isEmpty(); }, "the certificate message", 30000));
    EXPECT_EQ(s.dialogs.messages,
              QStringList{QStringLiteral("The server's certificate is not made out to localhost: ") + wrong
                          + QStringLiteral("/tone.mp3")});
    EXPECT_EQ(s.label(), QStringLiteral("Tone FM"));
}
