// The engine playing files from disk, as the recording player does.

#include "enginetestkit.h"
#include "platform/gstmediaengine.h"

#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace enginetest;

namespace {

class LocalFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        wav = dir.filePath(QStringLiteral("tone 4s.wav"));
        ASSERT_TRUE(writeTone(wav, QStringLiteral("wavenc"), 4.0));
    }
    QTemporaryDir dir;
    QString wav;
};

bool isPlaying(MediaEngine &engine)
{
    return engine.playState() == MediaEngine::Playing;
}

} // namespace

TEST(MediaEngineUri, PathsBecomeFileUrisAndUrlsStayAsTheyAre)
{
    const struct {
        QString input;
        QString expected;
    } rows[] = {
        {QStringLiteral("http://radio.example:8000/live.mp3"), QStringLiteral("http://radio.example:8000/live.mp3")},
        {QStringLiteral("https://radio.example/a?b=c"), QStringLiteral("https://radio.example/a?b=c")},
        {QStringLiteral("file:///tmp/rec.wav"), QStringLiteral("file:///tmp/rec.wav")},
        {QStringLiteral("/tmp/my recording.wav"), QStringLiteral("file:///tmp/my%20recording.wav")},
        {QStringLiteral("/tmp/a/../Aufnahme ä.wav"), QStringLiteral("file:///tmp/Aufnahme%20%C3%A4.wav")},
        {QString(), QString()},
    };
    for (const auto &row : rows)
        EXPECT_EQ(GstMediaEngine::toUri(row.input), row.expected) << row.input.toStdString();
    EXPECT_EQ(GstMediaEngine::toUri(QStringLiteral("rec.wav")),
              QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("rec.wav"))).toString());
}

TEST(MediaEngineIdle, CallsWithoutMediaAreHarmless)
{
    GstMediaEngine engine;
    EXPECT_NE(engine.playState(), MediaEngine::Playing);
    engine.stop();
    engine.play(); // nothing opened: nothing happens
    engine.stop();
    EXPECT_NE(engine.playState(), MediaEngine::Playing);
    EXPECT_EQ(engine.currentPosition(), 0.0);
    EXPECT_EQ(engine.duration(), 0.0);
    EXPECT_EQ(engine.bitRate(), 0);
    EXPECT_EQ(engine.bufferingProgress(), 100);

    engine.setVolume(50);
    EXPECT_EQ(engine.volume(), 50);
    engine.setVolume(150);
    EXPECT_EQ(engine.volume(), 100);
    engine.setVolume(-3);
    EXPECT_EQ(engine.volume(), 0);
}

TEST_F(LocalFile, PlaysToTheEndWithLengthAndPosition)
{
    GstMediaEngine engine;
    engine.setUrl(wav); // a plain path, spaces and all
    EXPECT_EQ(engine.url(), wav);
    EXPECT_NE(engine.playState(), MediaEngine::Playing) << "nothing plays before play()";
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return isPlaying(engine); }, testsupport::kWaitLimitMs)) << engine.lastError().toStdString();
    EXPECT_NEAR(engine.duration(), 4.0, 0.05);
    // A recording plays from its very first sample: the tone rises from zero
    // in its first sample, which a stream's start would lose.
    EXPECT_EQ(engine.skippedLeadingSilenceMs(), 0.0);

    // The position follows the sound card's clock, which a sound server may hold
    // still for a second or more while it fills its own buffer at the start (a
    // PulseAudio null sink does); once it moves it keeps the pace of the sound.
    ASSERT_TRUE(waitUntil([&] { return engine.currentPosition() > 0.3; }, testsupport::kWaitLimitMs)) << "position advances";
    const double early = engine.currentPosition();
    double last = early;
    bool steady = true;
    waitUntil([&] {
        const double now = engine.currentPosition();
        steady &= now >= last;
        last = now;
        return false;
    }, 1500);
    EXPECT_TRUE(steady) << "position never runs backwards";
    EXPECT_NEAR(last - early, 1.5, 0.3) << "position keeps the pace of the sound";

    ASSERT_TRUE(waitUntil([&] { return !isPlaying(engine); }, testsupport::kWaitLimitMs)) << "the end of the file ends Playing";
    EXPECT_EQ(engine.playState(), MediaEngine::MediaEnded);
    EXPECT_TRUE(engine.lastError().isEmpty());

    // Play after the end starts from the beginning again.
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return isPlaying(engine); }, testsupport::kWaitLimitMs));
    EXPECT_LT(engine.currentPosition(), 1.0);
    engine.stop();
    EXPECT_NE(engine.playState(), MediaEngine::Playing);
    EXPECT_EQ(engine.currentPosition(), 0.0);
}

TEST_F(LocalFile, EmptyUrlReleasesTheFile)
{
    GstMediaEngine engine;
    engine.setUrl(QUrl::fromLocalFile(wav).toString());
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return isPlaying(engine); }, testsupport::kWaitLimitMs));
    EXPECT_TRUE(processHasOpen(wav));

    engine.stop();
    engine.setUrl(QString());
    EXPECT_FALSE(processHasOpen(wav)) << "the file is closed as soon as the URL is cleared";
    EXPECT_EQ(engine.playState(), MediaEngine::Undefined);
    EXPECT_EQ(engine.duration(), 0.0);
    EXPECT_TRUE(QFile::remove(wav)) << "and can be replaced by a new recording";
}

TEST_F(LocalFile, MissingAndBrokenFilesNeverPlay)
{
    const QString broken = dir.filePath(QStringLiteral("broken.wav"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    for (const QString &path : {dir.filePath(QStringLiteral("missing.wav")), broken}) {
        GstMediaEngine engine;
        engine.setUrl(path);
        engine.play();
        bool everPlayed = false;
        waitUntil([&] { everPlayed |= isPlaying(engine); return !engine.lastError().isEmpty(); }, testsupport::kWaitLimitMs);
        EXPECT_FALSE(everPlayed) << path.toStdString();
        EXPECT_FALSE(engine.lastError().isEmpty()) << path.toStdString();
        EXPECT_NE(engine.playState(), MediaEngine::Playing);
    }
}

TEST_F(LocalFile, NewUrlForgetsTheOldMedia)
{
    const QString shortWav = dir.filePath(QStringLiteral("short.wav"));
    ASSERT_TRUE(writeTone(shortWav, QStringLiteral("wavenc"), 1.0));
    GstMediaEngine engine;
    engine.setUrl(shortWav);
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return engine.playState() == MediaEngine::MediaEnded; }, testsupport::kWaitLimitMs));

    // The end of the first file must not end the second one.
    engine.setUrl(wav);
    engine.play();
    ASSERT_TRUE(waitUntil([&] { return isPlaying(engine); }, testsupport::kWaitLimitMs));
    // Past the point where the first file ended, the second still plays.
    ASSERT_TRUE(waitUntil([&] { return engine.currentPosition() > 1.3 || !isPlaying(engine); }));
    EXPECT_TRUE(isPlaying(engine));
    EXPECT_NEAR(engine.duration(), 4.0, 0.05);
}
