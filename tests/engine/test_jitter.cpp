// A station whose relay stalls now and then must play on without a gap while the
// buffer holds enough audio to bridge the stall.

#include "enginetestkit.h"
#include "platform/gstmediaengine.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace enginetest;

namespace {

// Longest run of 20 ms windows whose level is far below the tone's, in ms.
int longestDropoutMs(const std::vector<int16_t> &samples)
{
    const size_t window = kRecordRate / 50;
    int run = 0, longest = 0;
    for (size_t start = 0; start + window <= samples.size(); start += window) {
        const std::vector<int16_t> part(samples.begin() + long(start), samples.begin() + long(start + window));
        run = rms(part) < 2000 ? run + 20 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// The 128 kbit/s tone as MP3 bytes, empty when it could not be made.
QByteArray toneMp3(double seconds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tone.mp3"));
    if (!writeTone(path, QStringLiteral("lamemp3enc target=bitrate cbr=true bitrate=128"), seconds))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(StallingRelay, HoldsOfOneSecondPlayWithoutAGap)
{
    if (!nullSinkPresent())
        GTEST_SKIP() << "no sonaveo_sink null sink to record";
    const QByteArray mp3 = toneMp3(20.0);
    ASSERT_FALSE(mp3.isEmpty());
    BadHttpServer relay(BadHttpServer::Stalling, mp3);

    GstMediaEngine engine;
    ASSERT_TRUE(startsPlaying(engine, relay.url()));
    // Past the sound server's start-up: the tone is on the monitor.
    ASSERT_TRUE(waitUntil([] { return rms(recordMonitor(0.2)) > 1000.0; }));
    // The relay holds at 4-5 s and 9-10 s after connecting; ten seconds cover both.
    const std::vector<int16_t> take = recordMonitor(10.0);
    ASSERT_GT(take.size(), size_t(9 * kRecordRate));
    EXPECT_LT(longestDropoutMs(take), 60) << "the stalls were heard";
    EXPECT_EQ(engine.playState(), MediaEngine::Playing);
    engine.stop();
}

TEST(StallingRelay, AHoldLongerThanTheBufferPausesOnceAndPlaysOnWhenRefilled)
{
    if (!nullSinkPresent())
        GTEST_SKIP() << "no sonaveo_sink null sink to record";
    const QByteArray mp3 = toneMp3(25.0);
    ASSERT_FALSE(mp3.isEmpty());
    // A three-second burst, then real time with a four-second hold from 6 s to 10 s
    // after connecting: more than the buffer holds, so it runs dry.
    BadHttpServer relay(BadHttpServer::Stalling, mp3);
    relay.holdPeriodTicks = 100;
    relay.holdTicks = 40;

    GstMediaEngine engine;
    ASSERT_TRUE(startsPlaying(engine, relay.url()));

    // Watched as the status tick does, every 100 ms, until well after the hold.
    int bufferingSpells = 0;
    bool buffering = false;
    QElapsedTimer watch;
    watch.start();
    while (watch.elapsed() < 12000) {
        const bool now = engine.playState() == MediaEngine::Buffering;
        bufferingSpells += now && !buffering ? 1 : 0;
        buffering = now;
        spin(100);
    }
    EXPECT_EQ(bufferingSpells, 1);
    EXPECT_EQ(engine.refills(), 1) << "the dry buffer was refilled once, without stopping and starting in between";
    EXPECT_EQ(engine.playState(), MediaEngine::Playing);
    EXPECT_EQ(engine.bufferingProgress(), 100);
    // And the tone is heard again.
    const std::vector<int16_t> take = recordMonitor(1.0);
    ASSERT_GT(take.size(), size_t(kRecordRate / 2));
    EXPECT_GT(rms(take), 2000);
    engine.stop();
}
