// A station's connection tick by tick on a scripted player and scripted link
// looks: failures said once and plainly, playlist entries tried in turn, a
// dropped station tuned again, and the titles a station gives.

#include "app/mainform.h"
#include "fakedialogs.h"
#include "fakeplatform.h"
#include "platform/errorguard.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"
#include "recording/recorder.h"
#include "widgets/vrclock.h"
#include "widgets/vrmatrix.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
constexpr int kPlaying = MediaEngine::Playing;
const QString kUrl = QStringLiteral("http://radio.example/live");

StationLinkReport report(StationLinkReport::Kind kind, int status = 0)
{
    StationLinkReport r;
    r.kind = kind;
    r.httpStatus = status;
    return r;
}

StationLinkReport playlist(const QStringList &entries)
{
    StationLinkReport r = report(StationLinkReport::Playlist);
    r.entries = entries;
    return r;
}
} // namespace

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TMainForm>();
        form->ui().TimerSonaveo->stop(); // the test ticks by hand
        station = fake.station;
        links = fake.links;
        ASSERT_NE(links, nullptr);
        tick(); // the first tick finds the network
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            guarded([this] { form->playback()->TimerSonaveoTimer(); });
    }
    void tune(const QString &url = kUrl)
    {
        form->playback()->TuneStation(QStringLiteral("Radio One"), url);
        station->calls.clear();
        station->state = MediaEngine::Transitioning;
    }
    // The player fails on the address it has; the program looks at it.
    void failNow(const QString &why = QStringLiteral("Not Found"))
    {
        station->state = MediaEngine::Stopped;
        station->error = why;
        tick();
    }
    // The station plays past its first second.
    void playing()
    {
        station->state = kPlaying;
        station->position = 3;
        tick();
    }
    QString label() const { return form->ui().LabelStation->text(); }
    QString led() const { return form->ui().VrMatrixConn->Text(); }
    QStringList urlsTried() const { return station->calls.filter(QStringLiteral("url:")); }

    FakeDialogs dialogs;
    FakePlatform fake;
    std::unique_ptr<TMainForm> form;
    FakeMediaEngine *station = nullptr;
    FakeStationLinks *links = nullptr;
};

TEST_F(ConnectionTest, EachFailureIsSaidOnceInPlainWordsAndTheLabelShowsTheStationAgain)
{
    const struct {
        StationLinkReport report;
        QString message;
    } rows[] = {
        {report(StationLinkReport::HttpError, 404), "Station not found (HTTP 404): http://radio.example/live"},
        {report(StationLinkReport::HttpError, 503),
         "The station's server answered with an error (HTTP 503): http://radio.example/live"},
        {report(StationLinkReport::WebPage), "This address is a web page, not a radio stream: http://radio.example/live"},
        {report(StationLinkReport::HostNotFound), "Cannot find the server: radio.example"},
        {report(StationLinkReport::Refused), "Cannot reach the server: radio.example"},
        {report(StationLinkReport::NoAnswer), "The server did not answer within 15 seconds: http://radio.example/live"},
        {report(StationLinkReport::CertificateMismatch),
         "The server's certificate is not made out to radio.example: http://radio.example/live"},
        {report(StationLinkReport::Stream), "This stream cannot be played (Not Found): http://radio.example/live"},
        {playlist({}), "This playlist names no station: http://radio.example/live"},
    };
    for (const auto &row : rows) {
        dialogs.messages.clear();
        tune();
        tick(3);
        EXPECT_EQ(label(), QStringLiteral("Connecting....."));
        failNow();
        ASSERT_TRUE(links->pending()) << row.message.toStdString();
        EXPECT_EQ(links->looks.last(), kUrl);
        links->answer(row.report);
        EXPECT_EQ(dialogs.messages, QStringList{row.message});
        EXPECT_EQ(label(), QStringLiteral("Radio One"));
        EXPECT_FALSE(form->ui().LabelStation->isHidden());
        EXPECT_FALSE(form->playback()->state.connecting);
        EXPECT_TRUE(station->calls.contains(QStringLiteral("stop")));
        tick(200);
        EXPECT_EQ(dialogs.messages.size(), 1) << "said once per tune";
        EXPECT_EQ(label(), QStringLiteral("Radio One"));
    }
}

TEST_F(ConnectionTest, AStationThatNeverSoundsIsGivenUpAfterFifteenSeconds)
{
    tune();
    tick(TStationPlayback::kNoSoundTicks - 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
    tick();
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("The server did not answer within 15 seconds: http://radio.example/live")});
    EXPECT_EQ(label(), QStringLiteral("Radio One"));
    EXPECT_FALSE(links->pending());
    tick(400);
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(ConnectionTest, AnAddressThatIsNoAddressIsRefusedAtOnceAndABareHostGetsItsScheme)
{
    for (const QString &bad : {QStringLiteral("htp//radio"), QStringLiteral("http://"), QStringLiteral("C:\\radio.mp3"),
                               QStringLiteral("ftp://radio.example/a.mp3"), QStringLiteral("just words")}) {
        dialogs.messages.clear();
        station->calls.clear();
        form->playback()->TuneStation(QStringLiteral("Radio One"), bad);
        EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("This is not a station address: ") + bad});
        EXPECT_TRUE(station->calls.isEmpty()) << bad.toStdString();
        EXPECT_FALSE(form->playback()->state.connecting);
    }
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("radio.example:8000/live"));
    EXPECT_TRUE(station->calls.contains(QStringLiteral("url:http://radio.example:8000/live")));
}

TEST_F(ConnectionTest, APlaylistsEntriesAreTriedInOrderUntilOnePlays)
{
    tune(QStringLiteral("http://radio.example/list.pls"));
    failNow(QStringLiteral("No decoder"));
    links->answer(playlist({QStringLiteral("http://dead.example/a"), QStringLiteral("http://radio.example/b")}));
    EXPECT_EQ(urlsTried(), QStringList{QStringLiteral("url:http://dead.example/a")});
    failNow(QStringLiteral("Could not connect"));
    EXPECT_EQ(links->looks.last(), QStringLiteral("http://dead.example/a"));
    links->answer(report(StationLinkReport::Refused));
    EXPECT_EQ(urlsTried(), QStringList({QStringLiteral("url:http://dead.example/a"), QStringLiteral("url:http://radio.example/b")}));
    playing();
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(label(), QStringLiteral("Radio One"));
}

TEST_F(ConnectionTest, ListsInsideListsAreFollowedToASmallDepthOnly)
{
    tune(QStringLiteral("http://radio.example/0.m3u"));
    for (int depth = 1; depth <= 3; ++depth) {
        failNow();
        links->answer(playlist({QStringLiteral("http://radio.example/%1.m3u").arg(depth)}));
    }
    failNow();
    links->answer(playlist({QStringLiteral("http://radio.example/4.m3u")}));
    EXPECT_EQ(dialogs.messages,
              QStringList{QStringLiteral("This playlist only leads to more playlists: http://radio.example/3.m3u")});
}

TEST_F(ConnectionTest, ADroppedStationIsTunedAgainWithGrowingPausesUntilItPlays)
{
    tune();
    playing();
    EXPECT_EQ(label(), QStringLiteral("Radio One"));
    station->calls.clear();

    station->state = MediaEngine::MediaEnded;
    tick();
    EXPECT_EQ(label(), QStringLiteral("Reconnecting... Radio One"));
    EXPECT_EQ(led(), QStringLiteral("Reconnecting... Radio One"));
    EXPECT_TRUE(form->playback()->reconnecting());

    // Attempts after 1 s, then 2 s and 4 s more; each fails at once here.
    QList<int> attemptTicks;
    int ticks = 0;
    while (attemptTicks.size() < 3 && ticks < 200) {
        const qsizetype before = urlsTried().size();
        tick();
        ++ticks;
        if (urlsTried().size() > before) {
            attemptTicks << ticks;
            failNow(QStringLiteral("Could not connect"));
            ++ticks;
            links->answer(report(StationLinkReport::Refused));
        }
    }
    ASSERT_EQ(attemptTicks.size(), 3);
    EXPECT_NEAR(attemptTicks[0], 10, 1);
    EXPECT_NEAR(attemptTicks[1] - attemptTicks[0], 20, 2);
    EXPECT_NEAR(attemptTicks[2] - attemptTicks[1], 40, 2);
    EXPECT_EQ(label(), QStringLiteral("Reconnecting... Radio One"));
    EXPECT_TRUE(dialogs.messages.isEmpty()) << "attempts say nothing";

    // The next attempt plays: the station's name and the skin's text are back.
    station->calls.clear();
    tick(80);
    ASSERT_EQ(urlsTried(), QStringList{QStringLiteral("url:") + kUrl});
    playing();
    EXPECT_EQ(label(), QStringLiteral("Radio One"));
    EXPECT_EQ(led(), QStringLiteral("MARO SONAVEO ONLINE!"));
    EXPECT_FALSE(form->playback()->reconnecting());
}

TEST_F(ConnectionTest, AStallIsADropAndANetworkThatReturnsIsTriedAtOnce)
{
    tune();
    playing();
    station->state = MediaEngine::Buffering;
    tick(TStationPlayback::kStallTicks - 1);
    EXPECT_EQ(label(), QStringLiteral("Radio One"));
    tick();
    EXPECT_EQ(label(), QStringLiteral("Reconnecting... Radio One"));

    fake.network->connected = false;
    station->calls.clear();
    tick(30);
    EXPECT_TRUE(urlsTried().isEmpty()) << "no attempt while offline";
    EXPECT_EQ(led(), QStringLiteral("INTERNET CONNECTION?"));
    fake.network->connected = true;
    tick();
    EXPECT_EQ(urlsTried(), QStringList{QStringLiteral("url:") + kUrl});
}

TEST_F(ConnectionTest, ReconnectingEndsWithDisconnectAnotherStationOrFiveMinutes)
{
    tune();
    playing();
    station->state = MediaEngine::MediaEnded;
    tick();
    form->playback()->VrDemoButtonUnplugClick();
    station->calls.clear();
    tick(200);
    EXPECT_TRUE(urlsTried().isEmpty());
    EXPECT_EQ(label(), QStringLiteral("none"));

    tune();
    playing();
    station->state = MediaEngine::MediaEnded;
    tick();
    // Every attempt finds the server gone, for five minutes.
    for (int t = 0; t < TStationPlayback::kReconnectTicks + 50 && dialogs.messages.isEmpty(); ++t) {
        const qsizetype before = urlsTried().size();
        tick();
        if (urlsTried().size() > before) {
            failNow(QStringLiteral("Could not connect"));
            links->answer(report(StationLinkReport::Refused));
        }
    }
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Cannot reach the server: radio.example")});
    EXPECT_EQ(label(), QStringLiteral("Radio One"));
    tick(300);
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(ConnectionTest, PlayingTheRecordingEndsTheStationWithoutAMessage)
{
    tune();
    tick(5);
    form->recorder()->VrDemoButtonStartClick();
    tick(TStationPlayback::kNoSoundTicks + 10);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(ConnectionTest, TitlesShowOnTheDisplayCleanedAndTheLastElevenAreKept)
{
    tune();
    playing();
    station->title = QStringLiteral("Artist \x01- Song\r\n");
    tick();
    EXPECT_EQ(led(), QStringLiteral("Radio One - Artist - Song"));
    // Blank and repeated titles change nothing.
    station->title = QStringLiteral("   ");
    tick();
    station->title = QStringLiteral("Artist - Song");
    tick();
    EXPECT_EQ(form->playback()->titles().size(), 1);

    station->title = QString(5000, QLatin1Char('x'));
    tick();
    EXPECT_EQ(form->playback()->titles().last().title.size(), kMaxTitleLength);
    for (int i = 1; i <= 12; ++i) {
        station->title = QStringLiteral("Song %1").arg(i);
        tick();
    }
    const QList<TStationTitle> &titles = form->playback()->titles();
    ASSERT_EQ(titles.size(), TStationPlayback::kTitlesKept);
    EXPECT_EQ(titles.first().title, QStringLiteral("Song 2"));
    EXPECT_EQ(titles.last().title, QStringLiteral("Song 12"));
    EXPECT_EQ(titles.last().station, QStringLiteral("Radio One"));

    // The station label's menu lists them newest first; a click copies one.
    QMenu *menu = form->titlesMenu();
    QList<QAction *> items;
    for (QAction *a : menu->actions())
        if (!a->isSeparator() && a->isEnabled())
            items << a;
    ASSERT_EQ(items.size(), TStationPlayback::kTitlesKept);
    EXPECT_TRUE(items.first()->text().endsWith(QStringLiteral("Radio One - Song 12"))) << items.first()->text().toStdString();
    items[1]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Song 11"));

    form->playback()->VrDemoButtonUnplugClick();
    tick();
    EXPECT_EQ(led(), QStringLiteral("MARO SONAVEO ONLINE!"));
}

TEST_F(ConnectionTest, ALinkNamedAsAListIsLookedAtFirstAndPlaysIfItIsSound)
{
    station->calls.clear();
    form->playback()->TuneStation(QStringLiteral("Radio One"), QStringLiteral("http://radio.example/live.m3u"));
    EXPECT_TRUE(urlsTried().isEmpty()) << "the player waits for the look";
    ASSERT_TRUE(links->pending());
    EXPECT_EQ(links->looks.last(), QStringLiteral("http://radio.example/live.m3u"));
    links->answer(report(StationLinkReport::Stream));
    EXPECT_EQ(urlsTried(), QStringList{QStringLiteral("url:http://radio.example/live.m3u")});
    playing();
    EXPECT_TRUE(dialogs.messages.isEmpty());
}
