// Broken stations: no call waits on the network, nothing reports Playing, and the
// GUI thread's timer keeps ticking. How fast the calls return is measured in
// bench/tune_to_first_sound; here a call that waited for a server would wait for
// one that never answers, far beyond kNoWaitMs.

#include "enginetestkit.h"
#include "platform/gstmediaengine.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace enginetest;

namespace {

// A call that returns within this has not waited for the network.
constexpr double kNoWaitMs = 1000;

// What the status timer asks on each tick.
void pollLikeTheStatusTimer(MediaEngine &engine)
{
    engine.playState();
    engine.currentPosition();
    engine.bufferingProgress();
    engine.bitRate();
    engine.duration();
}

struct Commands {
    double setUrlMs = 0, playMs = 0, stopMs = 0;
    bool everPlayed = false;
};

// Tunes `url`, watches it for `watchMs` the way the status timer does and stops.
Commands tuneAndWatch(GstMediaEngine &engine, const QString &url, int watchMs)
{
    Commands result;
    result.setUrlMs = timed([&] { engine.setUrl(url); });
    result.playMs = timed([&] { engine.play(); });
    waitUntil([&] {
        result.everPlayed |= engine.playState() == MediaEngine::Playing;
        pollLikeTheStatusTimer(engine);
        return false;
    }, watchMs);
    result.stopMs = timed([&] { engine.stop(); });
    return result;
}

QString freePortUrl()
{
    // Bind and release: nothing listens there afterwards.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(fd);
    return QStringLiteral("http://127.0.0.1:%1/stream").arg(ntohs(address.sin_port));
}

} // namespace

TEST(BadStations, NeverPlayAndNeverBlock)
{
    const struct {
        const char *name;
        BadHttpServer::Mode mode;
    } rows[] = {
        {"404", BadHttpServer::NotFound},
        {"web page", BadHttpServer::HtmlPage},
        {"never answers", BadHttpServer::NeverAnswers},
        {"random bytes", BadHttpServer::RandomBytes},
    };
    GstMediaEngine engine;
    for (const auto &row : rows) {
        BadHttpServer server(row.mode);
        const Commands c = tuneAndWatch(engine, server.url(), 2000);
        EXPECT_FALSE(c.everPlayed) << row.name;
        EXPECT_NE(engine.playState(), MediaEngine::Playing) << row.name;
        EXPECT_GE(server.connections(), 1) << row.name;
        EXPECT_LT(c.setUrlMs, kNoWaitMs) << row.name;
        EXPECT_LT(c.playMs, kNoWaitMs) << row.name;
        EXPECT_LT(c.stopMs, kNoWaitMs) << row.name;
    }
    {
        const Commands c = tuneAndWatch(engine, freePortUrl(), 1000);
        EXPECT_FALSE(c.everPlayed) << "connection refused";
        EXPECT_FALSE(engine.lastError().isEmpty()) << "connection refused is reported";
        EXPECT_LT(c.playMs, kNoWaitMs);
        EXPECT_LT(c.stopMs, kNoWaitMs);
    }
    // The same engine still plays a good file afterwards.
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("ok.wav"));
    ASSERT_TRUE(writeTone(wav, QStringLiteral("wavenc"), 2.0));
    engine.setUrl(wav);
    engine.play();
    EXPECT_TRUE(waitUntil([&] { return engine.playState() == MediaEngine::Playing; }, 3000));
}

TEST(BadStations, StreamThatClosesStopsPlaying)
{
    QTemporaryDir dir;
    const QString mp3Path = dir.filePath(QStringLiteral("one second.mp3"));
    ASSERT_TRUE(writeTone(mp3Path, QStringLiteral("lamemp3enc target=bitrate cbr=true bitrate=128"), 1.0));
    QFile file(mp3Path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    BadHttpServer server(BadHttpServer::ClosesEarly, file.readAll());

    GstMediaEngine engine;
    double playMs = 0;
    engine.setUrl(server.url());
    playMs = timed([&] { engine.play(); });
    EXPECT_LT(playMs, kNoWaitMs);
    ASSERT_TRUE(waitUntil([&] { return engine.playState() == MediaEngine::Playing; }, 3000))
        << engine.lastError().toStdString();
    EXPECT_TRUE(waitUntil([&] { return engine.playState() != MediaEngine::Playing; }, 6000))
        << "the end of the data ends Playing";
    // As long as the status tick takes to look five times.
    testsupport::whileATimerTicks(100, 5);
    EXPECT_NE(engine.playState(), MediaEngine::Playing) << "and it stays ended";
    EXPECT_LT(timed([&] { engine.stop(); }), kNoWaitMs);
}

TEST(BadStations, GuiTimerKeepsTickingWhileADeadServerIsTuned)
{
    BadHttpServer server(BadHttpServer::NeverAnswers);
    GstMediaEngine engine;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worstGap = 0;
    int ticks = 0;
    QTimer statusTimer;
    statusTimer.setInterval(100);
    QObject::connect(&statusTimer, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (ticks++ > 0)
            worstGap = std::max(worstGap, now - last);
        last = now;
        pollLikeTheStatusTimer(engine);
        // Retune now and then, as a user pressing station buttons would.
        if (ticks % 10 == 1) {
            engine.stop();
            engine.setUrl(server.url());
            engine.play();
        }
    });
    statusTimer.start();
    QEventLoop loop;
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
    statusTimer.stop();
    // A GUI thread held by the silent server would miss ticks for as long as it
    // waited; a busy machine only delays a few.
    EXPECT_GE(ticks, 10);
    EXPECT_LT(worstGap, kNoWaitMs) << "ticks " << ticks;
    EXPECT_NE(engine.playState(), MediaEngine::Playing);
}
