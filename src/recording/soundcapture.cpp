#include "recording/soundcapture.h"

#include "platform/errorguard.h"
#include "platform/services.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

[[noreturn]] void listIndexError(int index)
{
    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
}

std::unique_ptr<TDirectXDrivers> &sharedDrivers()
{
    static std::unique_ptr<TDirectXDrivers> drivers;
    return drivers;
}

std::unique_ptr<CaptureBackend> makeBackend()
{
    auto backend = platformServices().makeCaptureBackend();
    if (!backend)
        throw EDirectXError::notAvailable();
    return backend;
}

constexpr int kProbeRates[] = {8000, 11025, 22050, 33075, 44100, 48000, 96000};
constexpr int kProbeBits[] = {8, 16, 24, 32};
constexpr int kProbeChannels[] = {1, 2};
constexpr int kMinRingSize = 8000;
constexpr int kPollMs = 50;

} // namespace

const TDirectXDriver &TDirectXDrivers::Items(int index) const
{
    if (index < 0 || index >= Count())
        listIndexError(index);
    return m_items[size_t(index)];
}

const TSoundCaptureFormat &TSoundCaptureFormats::Items(int index) const
{
    if (index < 0 || index >= Count())
        listIndexError(index);
    return m_items[size_t(index)];
}

TDirectXDrivers &CaptureDrivers()
{
    std::unique_ptr<TDirectXDrivers> &shared = sharedDrivers();
    if (!shared) {
        auto drivers = std::make_unique<TDirectXDrivers>();
        for (CaptureDriverInfo &info : makeBackend()->enumerateDrivers())
            drivers->Add({info.guid, std::move(info.description), std::move(info.module)});
        shared = std::move(drivers);
    }
    return *shared;
}

void ForgetCaptureDrivers() { sharedDrivers().reset(); }

// ---------------------------------------------------------------------------

TSoundCaptureStream::TSoundCaptureStream(const std::optional<QUuid> &guid) : m_backend(makeBackend())
{
    m_device = m_backend->createDevice(guid);
    if (!m_device)
        throw ESoundCaptureStreamError(QStringLiteral("%1 cannot be initialized").arg(QStringLiteral("DirectSoundCapture")));
    for (int rate : kProbeRates)
        for (int bits : kProbeBits)
            for (int channels : kProbeChannels) {
                const PcmFormat probe{rate, bits, channels};
                // One second of sound, as a capture would ask; the ring is dropped at once.
                if (m_device->createCaptureBuffer(probe, uint32_t(probe.avgBytesPerSec())))
                    m_formats.Add({bits, channels, rate});
            }
}

TSoundCaptureStream::~TSoundCaptureStream() { Stop(); }

uint32_t TSoundCaptureStream::ringSizeFor(const PcmFormat &format, int bufferLengthMs)
{
    // Halves go to the even neighbour, the default rounding mode.
    const double bytes = std::nearbyint(double(format.avgBytesPerSec()) * bufferLengthMs / 1000.0);
    return uint32_t(std::max(bytes, double(kMinRingSize)));
}

void TSoundCaptureStream::Start()
{
    Stop();
    m_capturing = true;
    ++m_session;
    try {
        const TSoundCaptureFormat &entry = m_formats.Items(m_captureFormat);
        m_formatSize = 18;
        m_format = {entry.SamplesPerSec, entry.BitsPerSample, entry.Channels};
        m_ringSize = ringSizeFor(m_format, m_bufferLength);
        m_ring = m_device->createCaptureBuffer(m_format, m_ringSize);
        if (!m_ring)
            throw ESoundCaptureStreamError(
                QStringLiteral("%1 cannot be made. Ihre Soundkarte scheint nicht vollduplexfähig zu sein. "
                               "Überprüfen Sie Ihren Treiber bzw. die Bedienungsanleitung Ihrer Soundkarte.")
                    .arg(QStringLiteral("Sound Capture Buffer")));
        m_readPos = 0;
        // A device that does not start shows as one that never delivers: FilledSize
        // stays 0 and reads give up with silence.
        m_ring->start();
        if (m_onFilledBuffer) {
            m_notify = std::make_unique<TSoundCaptureStreamNotify>(this);
            m_notify->Resume();
        }
    } catch (...) {
        Stop();
        throw;
    }
}

void TSoundCaptureStream::Stop()
{
    if (!m_capturing)
        return;
    m_notify.reset();
    m_capturing = false;
    if (m_ring) {
        m_ring->stop();
        m_ring.reset();
    }
}

int TSoundCaptureStream::FilledSize()
{
    uint32_t capturePos = 0;
    uint32_t readPos = 0;
    if (!m_ring || !m_ring->currentPosition(capturePos, readPos))
        return 0;
    // Unsigned: a reader lapped by whole turns of the ring sees only what lies
    // beyond them, and exactly whole turns look empty.
    if (m_readPos > readPos)
        return int(m_ringSize - m_readPos + readPos);
    return int(readPos - m_readPos);
}

int TSoundCaptureStream::ReadWave(void *buffer, int count)
{
    if (!m_capturing)
        Start();
    auto *out = static_cast<uint8_t *>(buffer);
    int got = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (got < count) {
        const int n = std::min(count - got, FilledSize());
        if (n > 0) {
            const uint8_t *part1 = nullptr;
            const uint8_t *part2 = nullptr;
            uint32_t size1 = 0;
            uint32_t size2 = 0;
            if (!m_ring->lock(m_readPos, uint32_t(n), part1, size1, part2, size2))
                break;
            std::memcpy(out + got, part1, size1);
            got += int(size1);
            if (part2) {
                std::memcpy(out + got, part2, size2);
                got += int(size2);
            }
            m_ring->unlock(part1, size1, part2, size2);
            m_readPos = (m_readPos + size1 + size2) % m_ringSize;
            lastProgress = std::chrono::steady_clock::now();
        }
        if (got < count) {
            // A device that stopped delivering (unplugged, server gone) would hold
            // the GUI thread here for good.
            if (std::chrono::steady_clock::now() - lastProgress >= std::chrono::milliseconds(kStallTimeoutMs))
                break;
            QThread::msleep(kPollMs);
        }
    }
    if (got < count)
        std::memset(out + got, m_format.bitsPerSample == 8 ? 128 : 0, size_t(count - got));
    return count;
}

int TSoundCaptureStream::Read(void *buffer, int count)
{
    const int n = ReadWave(buffer, count);
    m_position += n;
    return n;
}

void TSoundCaptureStream::DoFilledBuffer()
{
    if (m_onFilledBuffer)
        m_onFilledBuffer(this);
}

bool TSoundCaptureStream::runUpdateStep()
{
    std::exception_ptr error;
    try {
        if (FilledSize() > 0)
            DoFilledBuffer();
        return true;
    } catch (...) {
        error = std::current_exception();
    }
    // The capture ends after an error. The thread is told to end at its next wait;
    // the ring belongs to the GUI thread, so the stop is queued for it and runs once
    // this step has returned. Both happen before the error box, whose event loop
    // may run anything, even the stream's destruction: nothing here touches the
    // stream after it.
    if (m_notify)
        m_notify->Signal();
    QMetaObject::invokeMethod(
        &m_guiContext,
        [this, session = m_session] {
            if (m_session == session)
                Stop();
        },
        Qt::QueuedConnection);
    showException(error);
    return false;
}

// ---------------------------------------------------------------------------

TSoundCaptureStreamNotify::TSoundCaptureStreamNotify(TSoundCaptureStream *stream)
    : m_stream(stream), m_sleepTime(std::min(stream->BufferLength() / 4, kPollMs)),
      m_state(std::make_shared<State>())
{
}

TSoundCaptureStreamNotify::~TSoundCaptureStreamNotify()
{
    if (!m_thread.joinable())
        return;
    State &s = *m_state;
    std::unique_lock lock(s.mutex);
    s.event = true;
    s.wake.notify_all();
    while (!s.ended) {
        if (s.handedOver && !s.inStep) {
            lock.unlock();
            runHandOver(m_state, m_stream);
            lock.lock();
            continue;
        }
        if (s.handedOver) {
            // The step is running further up this very thread (we were reached from
            // inside it); the thread must not wait for it to return.
            s.handedOver = false;
            s.wake.notify_all();
            continue;
        }
        s.wake.wait(lock);
    }
    lock.unlock();
    m_thread.join();
}

void TSoundCaptureStreamNotify::Resume()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Execute(); });
}

void TSoundCaptureStreamNotify::Signal()
{
    std::lock_guard lock(m_state->mutex);
    m_state->event = true;
    m_state->wake.notify_all();
}

void TSoundCaptureStreamNotify::Execute()
{
    State &s = *m_state;
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (s.wake.wait_for(lock, std::chrono::milliseconds(m_sleepTime), [&s] { return s.event; })) {
            s.event = false;
            break;
        }
        s.handedOver = true;
        QMetaObject::invokeMethod(
            &m_guiContext, [state = m_state, stream = m_stream] { runHandOver(state, stream); },
            Qt::QueuedConnection);
        s.wake.wait(lock, [&s] { return !s.handedOver; });
    }
    s.ended = true;
    s.wake.notify_all();
}

void TSoundCaptureStreamNotify::runHandOver(const std::shared_ptr<State> &state, TSoundCaptureStream *stream)
{
    {
        std::lock_guard lock(state->mutex);
        if (!state->handedOver || state->inStep)
            return; // already run (by a Stop waiting for the thread), or running
        state->inStep = true;
    }
    stream->runUpdateStep();
    std::lock_guard lock(state->mutex);
    state->inStep = false;
    state->handedOver = false;
    state->wake.notify_all();
}
