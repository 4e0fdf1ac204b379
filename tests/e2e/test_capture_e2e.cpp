// Capture through the real sound server: the null sink's monitor is among the
// drivers, the default source takes the recorder's usual format, and a tone played
// into the null sink comes back out of the capture stream.

#include "enginetestkit.h"
#include "recording/soundcapture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

using namespace enginetest;

namespace {

int indexOf(const TSoundCaptureStream &stream, int rate, int bits, int channels)
{
    for (int i = 0; i < stream.Formats().Count(); ++i) {
        const TSoundCaptureFormat &f = stream.Formats()[i];
        if (f.SamplesPerSec == rate && f.BitsPerSample == bits && f.Channels == channels)
            return i;
    }
    return -1;
}

// Left channel of 16-bit stereo bytes.
std::vector<int16_t> leftChannel(const std::vector<uint8_t> &bytes)
{
    std::vector<int16_t> samples(bytes.size() / 4);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(bytes[4 * i] | (bytes[4 * i + 1] << 8));
    return samples;
}

// A 1 kHz tone played into the null sink while it lives.
class TonePlayer {
public:
    TonePlayer()
    {
        m_process.start(QStringLiteral("gst-launch-1.0"),
                        {QStringLiteral("-q"), QStringLiteral("audiotestsrc"), QStringLiteral("freq=1000"),
                         QStringLiteral("volume=0.5"), QStringLiteral("!"), QStringLiteral("pulsesink"),
                         QStringLiteral("device=sonaveo_sink")});
    }
    ~TonePlayer()
    {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    bool started() { return m_process.waitForStarted(3000); }

private:
    QProcess m_process;
};

} // namespace

TEST(CaptureE2E, DriversAndFormatsOfTheSoundServer)
{
    if (!nullSinkPresent())
        GTEST_SKIP() << "no sonaveo_sink null sink (scripts/test starts it)";
    ForgetCaptureDrivers();
    const TDirectXDrivers &drivers = CaptureDrivers();
    ASSERT_GE(drivers.Count(), 2);
    EXPECT_FALSE(drivers[0].Guid.has_value());
    bool monitorListed = false;
    for (int i = 1; i < drivers.Count(); ++i) {
        EXPECT_TRUE(drivers[i].Guid.has_value());
        EXPECT_FALSE(drivers[i].Module.isEmpty());
        monitorListed |= drivers[i].Description.startsWith(QStringLiteral("Monitor of"));
    }
    EXPECT_TRUE(monitorListed);
    // The identities are stable: a second enumeration gives the same ones.
    const QUuid first = *drivers[1].Guid;
    ForgetCaptureDrivers();
    EXPECT_EQ(*CaptureDrivers()[1].Guid, first);

    TSoundCaptureStream stream;
    EXPECT_GE(indexOf(stream, 44100, 16, 2), 0);
    EXPECT_GE(indexOf(stream, 8000, 8, 1), 0);
    std::printf("default source takes %d of the 56 probed formats\n", stream.Formats().Count());

    // A device chosen by its identity opens as well.
    TSoundCaptureStream chosen(first);
    EXPECT_GT(chosen.Formats().Count(), 0);
}

TEST(CaptureE2E, OneSecondOfAToneComesBackAsOneSecondOfBytes)
{
    if (!nullSinkPresent())
        GTEST_SKIP() << "no sonaveo_sink null sink (scripts/test starts it)";
    TonePlayer tone;
    ASSERT_TRUE(tone.started());
    ASSERT_TRUE(waitUntil(soundServerHasAStream)) << "the tone never reached the sound server";

    TSoundCaptureStream stream;
    stream.setCaptureFormat(indexOf(stream, 44100, 16, 2));
    ASSERT_GE(stream.CaptureFormat(), 0);
    std::vector<uint8_t> captured;
    stream.setOnFilledBuffer([&](TSoundCaptureStream *s) {
        const int n = s->FilledSize();
        std::vector<uint8_t> chunk(static_cast<size_t>(n));
        s->Read(chunk.data(), n);
        captured.insert(captured.end(), chunk.begin(), chunk.end());
    });
    QElapsedTimer timer;
    stream.Start();
    // The sound server's monitor of an idle null sink takes from 0.2 to 2 s to
    // deliver its first bytes (parec waits as long); from then on nothing may be
    // missing.
    ASSERT_TRUE(waitUntil([&] { return !captured.empty(); })) << "no first bytes";
    const size_t before = captured.size();
    // A second of real time: the bytes that arrive are compared with it.
    timer.start();
    spin(1000);
    stream.Stop();
    const double seconds = double(timer.elapsed()) / 1000.0;

    const double capturedSeconds = double(captured.size() - before) / 176400.0;
    std::printf("captured %.3f s of sound in %.3f s\n", capturedSeconds, seconds);
    // The last tick's bytes are not collected; everything else arrives.
    EXPECT_GT(capturedSeconds, 0.8);
    EXPECT_LT(capturedSeconds, seconds + 0.1);
    EXPECT_EQ(captured.size() % 4, 0u);
    const std::vector<int16_t> left = leftChannel(captured);
    EXPECT_GT(rms(left), 3000);
    EXPECT_NEAR(dominantFrequency(left), 1000.0, 10.0);

    // A plain read of a second starts the capture again (without a handler this
    // time), waits for the bytes and returns the tone too.
    stream.setOnFilledBuffer(nullptr);
    std::vector<uint8_t> second(176400);
    timer.restart();
    EXPECT_EQ(stream.ReadWave(second.data(), int(second.size())), int(second.size()));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_NEAR(dominantFrequency(leftChannel(second)), 1000.0, 10.0);
}
