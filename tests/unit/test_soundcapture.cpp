// The capture stream against a device the test drives byte by byte: which formats
// are offered, how big the ring is, what a read returns across the ring's end and
// when the device fails, and how the 50 ms notification meets the GUI thread.

#include "fakecapturebackend.h"
#include "recording/soundcapture.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>


namespace {

QString formatText(const TSoundCaptureFormat &f)
{
    return QStringLiteral("%1Hz %2bit %3")
        .arg(f.SamplesPerSec)
        .arg(f.BitsPerSample)
        .arg(f.Channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
}

QStringList formatTexts(const TSoundCaptureStream &stream)
{
    QStringList texts;
    for (int i = 0; i < stream.Formats().Count(); ++i)
        texts << formatText(stream.Formats()[i]);
    return texts;
}

int indexOf(const TSoundCaptureStream &stream, int rate, int bits, int channels)
{
    for (int i = 0; i < stream.Formats().Count(); ++i) {
        const TSoundCaptureFormat &f = stream.Formats()[i];
        if (f.SamplesPerSec == rate && f.BitsPerSample == bits && f.Channels == channels)
            return i;
    }
    return -1;
}

// A stream capturing `rate`/`bits`/`channels` on the fake device.
std::unique_ptr<TSoundCaptureStream> startedStream(int rate, int bits, int channels)
{
    auto stream = std::make_unique<TSoundCaptureStream>();
    stream->setCaptureFormat(indexOf(*stream, rate, bits, channels));
    stream->Start();
    return stream;
}

std::vector<uint8_t> expectedBytes(uint64_t from, size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = FakeCaptureBuffer::byteAt(from + i);
    return bytes;
}

std::vector<uint8_t> readWave(TSoundCaptureStream &stream, int count)
{
    std::vector<uint8_t> bytes(size_t(count), 0xEE);
    EXPECT_EQ(stream.ReadWave(bytes.data(), count), count);
    return bytes;
}

std::string messageOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Exception &e) {
        return e.Message().toStdString();
    }
    return "(no error)";
}

} // namespace

TEST(SoundCaptureFormats, ProbeOffersWhatTheDeviceAccepts)
{
    FakeCaptureBackend backend;
    {
        TSoundCaptureStream everything;
        const QStringList texts = formatTexts(everything);
        ASSERT_EQ(texts.size(), 56);
        EXPECT_EQ(texts[0], QStringLiteral("8000Hz 8bit Mono"));
        EXPECT_EQ(texts[1], QStringLiteral("8000Hz 8bit Stereo"));
        EXPECT_EQ(texts[2], QStringLiteral("8000Hz 16bit Mono"));
        EXPECT_EQ(texts[24], QStringLiteral("33075Hz 8bit Mono")); // 33075, not 32000
        EXPECT_EQ(texts.indexOf(QStringLiteral("44100Hz 16bit Stereo")), 35);
        EXPECT_EQ(texts[55], QStringLiteral("96000Hz 32bit Stereo"));
        // Each probe asks for one second of its format.
        ASSERT_EQ(backend.requests.size(), 56u);
        EXPECT_EQ(backend.requests[35].second, 176400u);
        EXPECT_EQ(backend.requests[0].second, 8000u);
        EXPECT_EQ(backend.requests[55].second, 768000u);
        EXPECT_FALSE(backend.openedGuid.has_value()); // the default device
    }

    backend.accepts = [](const PcmFormat &, uint32_t) { return false; };
    TSoundCaptureStream nothing;
    EXPECT_EQ(nothing.Formats().Count(), 0);
    EXPECT_FALSE(nothing.Capturing());
    EXPECT_EQ(messageOf([&] { nothing.Start(); }), "List index out of bounds (0)");
    EXPECT_FALSE(nothing.Capturing());

    // A typical sound server: 16 bits only, up to 48 kHz.
    backend.accepts = [](const PcmFormat &f, uint32_t) { return f.bitsPerSample == 16 && f.samplesPerSec <= 48000; };
    TSoundCaptureStream some;
    EXPECT_EQ(formatTexts(some),
              QStringList({"8000Hz 16bit Mono", "8000Hz 16bit Stereo", "11025Hz 16bit Mono", "11025Hz 16bit Stereo",
                           "22050Hz 16bit Mono", "22050Hz 16bit Stereo", "33075Hz 16bit Mono", "33075Hz 16bit Stereo",
                           "44100Hz 16bit Mono", "44100Hz 16bit Stereo", "48000Hz 16bit Mono",
                           "48000Hz 16bit Stereo"}));
}

TEST(SoundCaptureFormats, MissingLibraryAndDeviceFailures)
{
    FakeCaptureBackend backend;
    backend.drivers = {{std::nullopt, QStringLiteral("Primary Sound Capture Driver"), QString()},
                       {QUuid::createUuid(), QStringLiteral("Monitor of Null Output"), QStringLiteral("pulse")}};

    backend.libraryMissing = true;
    ForgetCaptureDrivers();
    EXPECT_EQ(messageOf([] { CaptureDrivers(); }), "Necessary since DirectX 5");
    EXPECT_EQ(messageOf([] { TSoundCaptureStream stream; }), "Necessary since DirectX 5");

    // No list was kept: the next call enumerates again, and the list then stays.
    backend.libraryMissing = false;
    TDirectXDrivers &drivers = CaptureDrivers();
    ASSERT_EQ(drivers.Count(), 2);
    EXPECT_FALSE(drivers[0].Guid.has_value());
    EXPECT_EQ(drivers[1].Description, QStringLiteral("Monitor of Null Output"));
    EXPECT_EQ(drivers[1].Module, QStringLiteral("pulse"));
    EXPECT_EQ(drivers[1].Guid, backend.drivers[1].guid);
    backend.drivers.clear();
    EXPECT_EQ(&CaptureDrivers(), &drivers);
    EXPECT_EQ(CaptureDrivers().Count(), 2);
    EXPECT_EQ(backend.enumerations, 2);
    EXPECT_EQ(messageOf([&] { drivers.Items(2); }), "List index out of bounds (2)");
    ForgetCaptureDrivers();

    backend.deviceFails = true;
    EXPECT_EQ(messageOf([] { TSoundCaptureStream stream; }), "DirectSoundCapture cannot be initialized");
    backend.deviceFails = false;

    // The device offers the format but refuses the ring when capture starts.
    TSoundCaptureStream stream;
    stream.setCaptureFormat(35);
    backend.accepts = [](const PcmFormat &, uint32_t) { return false; };
    EXPECT_EQ(messageOf([&] { stream.Start(); }),
              "Sound Capture Buffer cannot be made. Ihre Soundkarte scheint nicht vollduplexfähig zu sein. "
              "Überprüfen Sie Ihren Treiber bzw. die Bedienungsanleitung Ihrer Soundkarte.");
    EXPECT_FALSE(stream.Capturing());
    EXPECT_EQ(stream.FilledSize(), 0);
}

TEST(SoundCaptureRing, RingHoldsOneSecondAndNeverLessThan8000Bytes)
{
    FakeCaptureBackend backend;
    struct Row {
        int rate, bits, channels;
        uint32_t ring;
    };
    for (const Row &row : {Row{8000, 8, 1, 8000}, Row{8000, 16, 1, 16000}, Row{11025, 8, 1, 11025},
                           Row{44100, 16, 2, 176400}, Row{44100, 24, 2, 264600}, Row{96000, 32, 2, 768000}}) {
        SCOPED_TRACE(testing::Message() << row.rate << "/" << row.bits << "/" << row.channels);
        auto stream = startedStream(row.rate, row.bits, row.channels);
        EXPECT_TRUE(stream->Capturing());
        EXPECT_EQ(stream->RingSize(), row.ring);
        EXPECT_EQ(backend.requests.back().second, row.ring);
        EXPECT_EQ(backend.requests.back().first, FakeCaptureBackend::format(row.rate, row.bits, row.channels));
        ASSERT_NE(backend.ring, nullptr);
        EXPECT_EQ(backend.ring->size(), row.ring);
        EXPECT_EQ(stream->FormatSize(), 18);
    }
    // Shorter than 8000 bytes a second: the floor.
    PcmFormat tiny{1000, 8, 1};
    EXPECT_EQ(TSoundCaptureStream::ringSizeFor(tiny, 1000), 8000u);
}

TEST(SoundCaptureRing, ReadsAcrossTheEndOfTheRingInCaptureOrder)
{
    FakeCaptureBackend backend;
    auto stream = startedStream(8000, 8, 1);
    FakeCaptureBuffer &ring = *backend.ring;

    ring.deliver(6000);
    EXPECT_EQ(stream->FilledSize(), 6000);
    EXPECT_EQ(readWave(*stream, 6000), expectedBytes(0, 6000));
    EXPECT_EQ(stream->FilledSize(), 0);

    // The device wraps: 2000 bytes at the ring's tail, 3000 at its head.
    ring.deliver(5000);
    EXPECT_EQ(stream->FilledSize(), 5000);
    const int wrappedBefore = ring.wrappedLocks;
    EXPECT_EQ(readWave(*stream, 5000), expectedBytes(6000, 5000));
    EXPECT_EQ(ring.wrappedLocks, wrappedBefore + 1);
    EXPECT_EQ(ring.locks, ring.unlocks);

    // A read smaller than what waits leaves the rest for the next one.
    ring.deliver(700);
    EXPECT_EQ(readWave(*stream, 300), expectedBytes(11000, 300));
    EXPECT_EQ(stream->FilledSize(), 400);
    std::vector<uint8_t> rest(400);
    EXPECT_EQ(stream->Read(rest.data(), 400), 400);
    EXPECT_EQ(rest, expectedBytes(11300, 400));
    EXPECT_EQ(stream->Position(), 400);

    // Lapped by exactly one turn the ring looks empty; a turn and 300 bytes shows
    // only the 300, and they are the newest ones.
    ring.deliver(8000);
    EXPECT_EQ(stream->FilledSize(), 0);
    ring.deliver(300);
    EXPECT_EQ(stream->FilledSize(), 300);
    EXPECT_EQ(readWave(*stream, 300), expectedBytes(11700 + 8000, 300));

    // A restart begins a new ring from position 0.
    ring.deliver(100);
    stream->Start();
    EXPECT_EQ(stream->FilledSize(), 0);
    backend.ring->deliver(10);
    EXPECT_EQ(readWave(*stream, 10), expectedBytes(0, 10));

    // A failing position query reads as nothing captured.
    backend.ring->deliver(50);
    backend.ring->positionFails = true;
    EXPECT_EQ(stream->FilledSize(), 0);

    stream->Stop();
    EXPECT_FALSE(stream->Capturing());
    EXPECT_EQ(backend.ring, nullptr);
    stream->Stop(); // stopping an idle stream does nothing
}

TEST(SoundCaptureRing, WhatTheDeviceCannotDeliverIsSilence)
{
    FakeCaptureBackend backend;
    // A failed lock: the rest of the request is silence, the full count is returned.
    for (int bits : {8, 16}) {
        SCOPED_TRACE(bits);
        auto stream = startedStream(8000, bits, 1);
        backend.ring->deliver(1000);
        backend.ring->lockFails = true;
        EXPECT_EQ(readWave(*stream, 500), std::vector<uint8_t>(500, bits == 8 ? 128 : 0));
    }

    // A device that stops delivering: the read hands out what came, then gives up
    // after a second without a new byte instead of holding the GUI thread.
    auto stream = startedStream(8000, 8, 2);
    backend.ring->deliver(100);
    QElapsedTimer timer;
    timer.start();
    const std::vector<uint8_t> bytes = readWave(*stream, 300);
    const qint64 waited = timer.elapsed();
    EXPECT_GE(waited, TSoundCaptureStream::kStallTimeoutMs);
    EXPECT_LT(waited, TSoundCaptureStream::kStallTimeoutMs + 1000);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100), expectedBytes(0, 100));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 100, bytes.end()), std::vector<uint8_t>(200, 128));

    // Same when the position query keeps failing.
    backend.ring->positionFails = true;
    timer.restart();
    EXPECT_EQ(readWave(*stream, 40), std::vector<uint8_t>(40, 128));
    EXPECT_GE(timer.elapsed(), TSoundCaptureStream::kStallTimeoutMs);
}

TEST(SoundCaptureRing, ReadOnAnIdleStreamStartsAndWaitsForTheBytes)
{
    FakeCaptureBackend backend;
    // The device captures 4000 bytes each time it is asked where it is.
    backend.bytesPerQuery = 4000;
    TSoundCaptureStream stream;
    stream.setCaptureFormat(indexOf(stream, 44100, 16, 2));
    ASSERT_FALSE(stream.Capturing());

    std::vector<uint8_t> bytes(10000);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(stream.Read(bytes.data(), 10000), 10000);
    EXPECT_TRUE(stream.Capturing());
    EXPECT_EQ(bytes, expectedBytes(0, 10000));
    EXPECT_EQ(stream.Position(), 10000);
    // 4000 + 4000 + 2000: two 50 ms waits for bytes not yet there.
    EXPECT_GE(timer.elapsed(), 100);
    EXPECT_LT(timer.elapsed(), TSoundCaptureStream::kStallTimeoutMs);
}
