// A station whose relay stalls now and then must play on without a gap while the
// buffer holds enough audio to bridge the stall.

#include "enginetestkit.h"
#include "gstmediaengine.h"

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

} // namespace

TEST(StallingRelay, HoldsOfOneSecondPlayWithoutAGap)
{
    if (!nullSinkPresent())
        GTEST_SKIP() << "no sonaveo_sink null sink to record";
    QTemporaryDir dir;
    const QString mp3Path = dir.filePath(QStringLiteral("tone.mp3"));
    ASSERT_TRUE(writeTone(mp3Path, QStringLiteral("lamemp3enc target=bitrate cbr=true bitrate=128"), 20.0));
    QFile file(mp3Path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    BadHttpServer relay(BadHttpServer::Stalling, file.readAll());

    GstMediaEngine engine;
    engine.setUrl(relay.url());
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return engine.playState() == MediaEngine::Playing; }, 3000))
        << engine.lastError().toStdString();
    spin(1500); // past the sound server's start-up
    // The relay holds at 4-5 s and 9-10 s after connecting; ten seconds cover both.
    const std::vector<int16_t> take = recordMonitor(10.0);
    ASSERT_GT(take.size(), size_t(9 * kRecordRate));
    EXPECT_LT(longestDropoutMs(take), 60) << "the stalls were heard";
    EXPECT_EQ(engine.playState(), MediaEngine::Playing);
    engine.stop();
}
