// The 50 ms notification: the handler runs on the GUI thread while bytes wait, an
// error in it is shown once and ends the capture, and stopping from the GUI thread
// while the notification thread waits on a hand-over never deadlocks.

#include "fakecapturebackend.h"
#include "fakedialogs.h"
#include "recording/soundcapture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "waitfor.h"

#include <random>

namespace {

using testsupport::waitFor;
using testsupport::whileATimerTicks;

// The capture's update tick.
constexpr int kTickMs = 50;

std::unique_ptr<TSoundCaptureStream> streamAt8000Mono()
{
    auto stream = std::make_unique<TSoundCaptureStream>();
    stream->setCaptureFormat(0); // 8000 Hz, 8 bit, mono
    return stream;
}

} // namespace

TEST(SoundCaptureNotify, HandlerCollectsTheCaptureOnTheGuiThread)
{
    FakeCaptureBackend backend;
    auto stream = streamAt8000Mono();
    std::vector<uint8_t> collected;
    int calls = 0;
    bool offGuiThread = false;
    stream->setOnFilledBuffer([&](TSoundCaptureStream *s) {
        ++calls;
        offGuiThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        const int n = s->FilledSize();
        std::vector<uint8_t> chunk(static_cast<size_t>(n));
        s->Read(chunk.data(), n);
        collected.insert(collected.end(), chunk.begin(), chunk.end());
    });

    // Nothing captured: the handler is not called.
    stream->Start();
    whileATimerTicks(kTickMs, 4);
    EXPECT_EQ(calls, 0);

    // 400 bytes per position query: every tick finds bytes, and the handler runs
    // once per tick at most, as a timer of the same interval shows.
    backend.ring->bytesPerQuery = 400;
    QTimer reference;
    int referenceTicks = 0;
    QObject::connect(&reference, &QTimer::timeout, [&] { ++referenceTicks; });
    reference.start(kTickMs);
    ASSERT_TRUE(waitFor([&] { return calls >= 3; }, "three updates"));
    stream->Stop();
    reference.stop();
    EXPECT_FALSE(offGuiThread);
    EXPECT_LE(calls, referenceTicks + 2);
    ASSERT_FALSE(collected.empty());
    bool inOrder = true;
    for (size_t i = 0; i < collected.size(); ++i)
        inOrder &= collected[i] == FakeCaptureBuffer::byteAt(i);
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(stream->Position(), int(collected.size()));

    // After Stop no update step runs any more, not even one queued before.
    const int callsAtStop = calls;
    whileATimerTicks(kTickMs, 3);
    EXPECT_EQ(calls, callsAtStop);
}

TEST(SoundCaptureNotify, HandlerErrorIsShownOnceAndEndsTheCapture)
{
    FakeCaptureBackend backend;
    backend.bytesPerQuery = 100;
    FakeDialogs dialogs;
    auto stream = streamAt8000Mono();
    int calls = 0;
    stream->setOnFilledBuffer([&](TSoundCaptureStream *) {
        ++calls;
        throw Exception(QStringLiteral("Stream write error"));
    });
    stream->Start();
    ASSERT_TRUE(waitFor([&] { return !stream->Capturing(); }, "the capture to end"));
    whileATimerTicks(kTickMs, 3);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dialogs.messages, QStringList{QStringLiteral("Stream write error")});
    EXPECT_FALSE(stream->Capturing());
    EXPECT_EQ(backend.ring, nullptr);

    // The stream can capture again afterwards.
    stream->setOnFilledBuffer([&](TSoundCaptureStream *s) {
        ++calls;
        std::vector<uint8_t> chunk(size_t(s->FilledSize()));
        s->Read(chunk.data(), int(chunk.size()));
    });
    stream->Start();
    EXPECT_TRUE(waitFor([&] { return calls > 1; }, "updates after the new start"));
    EXPECT_TRUE(stream->Capturing());
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST(SoundCaptureNotify, StopWhileAnUpdateIsHandedOverNeverDeadlocks)
{
    FakeCaptureBackend backend;
    backend.bytesPerQuery = 100;
    std::mt19937 random(20240501);
    std::uniform_int_distribution<int> pause(0, 120);
    int calls = 0;
    int callsWithoutRing = 0;
    int callsInsideStop = 0;
    bool stopping = false;
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        auto stream = streamAt8000Mono();
        stream->setOnFilledBuffer([&](TSoundCaptureStream *s) {
            ++calls;
            callsInsideStop += stopping;
            // An update that runs inside Stop still finds the capture in place.
            if (!s->Capturing() || !backend.ring)
                ++callsWithoutRing;
            std::vector<uint8_t> chunk(size_t(s->FilledSize()));
            s->Read(chunk.data(), int(chunk.size()));
        });
        stream->Start();
        // The GUI thread is busy: the notification thread hands an update over
        // and waits for it.
        QThread::msleep(uint32_t(pause(random)));
        if (round % 3 == 1)
            QCoreApplication::processEvents();
        stopping = true;
        if (round % 2 == 0) {
            stream->Stop();
            EXPECT_FALSE(stream->Capturing());
            stopping = false;
            const int callsAtStop = calls;
            QCoreApplication::processEvents();
            EXPECT_EQ(calls, callsAtStop);
        }
        // Odd rounds: the stream is destroyed while capturing.
        stream.reset();
        stopping = false;
    }
    EXPECT_GT(calls, 0);
    // Some rounds caught the thread waiting on a hand-over, which Stop then ran.
    EXPECT_GT(callsInsideStop, 0);
    EXPECT_EQ(callsWithoutRing, 0);
}
