#pragma once
// The sound card input as a stream of PCM bytes: the list of capture drivers, the
// capture stream with its one-second looping ring, and the notification thread that
// every 50 ms hands the collection of new bytes to the GUI thread.
//
// Threads: the GUI thread creates, starts, stops and reads the stream and runs the
// handler. The notification thread only waits and hands the update step over; the
// device fills the ring on its own thread behind the CaptureBuffer interface.

#include "platform/capturebackend.h"

#include <QObject>
#include <QUuid>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class ESoundCaptureStreamError : public Exception {
public:
    using Exception::Exception;
};

struct TDirectXDriver {
    std::optional<QUuid> Guid; // none for the primary driver
    QString Description;
    QString Module;
};

class TDirectXDrivers {
public:
    int Count() const { return int(m_items.size()); }
    // Throws "List index out of bounds (%d)" for an index outside the list.
    const TDirectXDriver &Items(int index) const;
    const TDirectXDriver &operator[](int index) const { return Items(index); }
    void Add(TDirectXDriver driver) { m_items.push_back(std::move(driver)); }

private:
    std::vector<TDirectXDriver> m_items;
};

// The capture drivers, enumerated on the first call and kept until the program
// ends. When enumeration fails (EDirectXError) no list is kept and the next call
// tries again.
TDirectXDrivers &CaptureDrivers();
// Drops the kept list, so the next call enumerates again (after a test installed
// another capture backend).
void ForgetCaptureDrivers();

struct TSoundCaptureFormat {
    int BitsPerSample = 0;
    int Channels = 0;
    int SamplesPerSec = 0;
};

class TSoundCaptureFormats {
public:
    int Count() const { return int(m_items.size()); }
    const TSoundCaptureFormat &Items(int index) const;
    const TSoundCaptureFormat &operator[](int index) const { return Items(index); }
    void Add(const TSoundCaptureFormat &format) { m_items.push_back(format); }

private:
    std::vector<TSoundCaptureFormat> m_items;
};

class TSoundCaptureStreamNotify;

class TSoundCaptureStream {
public:
    using TFilledBufferEvent = std::function<void(TSoundCaptureStream *)>;

    // Opens the capture device (none: the default one) and probes the 56 PCM
    // formats: 8000, 11025, 22050, 33075, 44100, 48000 and 96000 Hz, each with 8,
    // 16, 24 and 32 bits, each mono then stereo. Throws EDirectXError when the
    // capture library is missing and ESoundCaptureStreamError when the device
    // cannot be opened.
    explicit TSoundCaptureStream(const std::optional<QUuid> &guid = std::nullopt);
    virtual ~TSoundCaptureStream();
    TSoundCaptureStream(const TSoundCaptureStream &) = delete;
    TSoundCaptureStream &operator=(const TSoundCaptureStream &) = delete;

    const TSoundCaptureFormats &Formats() const { return m_formats; }
    int CaptureFormat() const { return m_captureFormat; }
    void setCaptureFormat(int index) { m_captureFormat = index; }
    bool Capturing() const { return m_capturing; }
    int BufferLength() const { return m_bufferLength; }
    // Set while not capturing; the next Start starts the notification thread.
    void setOnFilledBuffer(TFilledBufferEvent handler) { m_onFilledBuffer = std::move(handler); }

    // Ends a running capture, then captures the format at CaptureFormat into a new
    // ring from position 0. Throws ESoundCaptureStreamError when the device refuses
    // the ring; the stream is then idle again.
    void Start();
    // Ends the capture: the notification thread first (update steps it already
    // handed over still run, with the ring in place), then the ring.
    void Stop();

    // Captured bytes not yet handed out; 0 when the device cannot tell.
    virtual int FilledSize();
    // Copies `count` bytes to `buffer` in capture order and returns `count`. Waits
    // in 50 ms steps for bytes not yet captured; what the device cannot deliver (a
    // failed lock, or no new bytes for a second) is filled with silence.
    virtual int ReadWave(void *buffer, int count);
    // Capturing stores nothing.
    virtual int WriteWave(const void *, int) { return 0; }
    // The general stream interface: the size is unknown, so a read goes straight to
    // ReadWave and advances the position by what it returned.
    int Size() const { return -1; }
    int Read(void *buffer, int count);
    int Write(const void *buffer, int count) { return WriteWave(buffer, count); }
    int Position() const { return m_position; }

    // The format of the running (or last) capture and the size of its ring.
    const PcmFormat &WaveFormat() const { return m_format; }
    int FormatSize() const { return m_formatSize; }
    uint32_t RingSize() const { return m_ringSize; }

    // Ring bytes for a format and a ring length in milliseconds: the bytes of that
    // span, rounded to the nearest, and never below 8000.
    static uint32_t ringSizeFor(const PcmFormat &format, int bufferLengthMs);
    // A read gives up after this long without a new byte.
    static constexpr int kStallTimeoutMs = 1000;

protected:
    virtual void DoFilledBuffer();

private:
    friend class TSoundCaptureStreamNotify;
    // The notification thread's update step, on the GUI thread: the handler runs
    // when bytes wait. False when it raised an error (already shown).
    bool runUpdateStep();

    std::unique_ptr<CaptureBackend> m_backend;
    std::unique_ptr<CaptureBuffer> m_ring;
    int m_bufferLength = 1000;
    uint32_t m_readPos = 0;
    uint32_t m_ringSize = 0;
    std::unique_ptr<CaptureDevice> m_device;
    int m_captureFormat = 0;
    bool m_capturing = false;
    std::unique_ptr<TSoundCaptureStreamNotify> m_notify;
    TFilledBufferEvent m_onFilledBuffer;
    TSoundCaptureFormats m_formats;
    PcmFormat m_format;
    int m_formatSize = 0;
    int m_position = 0;
    // Counts captures, so a stop queued by a failed handler leaves a later capture be.
    quint64 m_session = 0;
    // Receives work queued for the GUI thread; queued work dies with the stream.
    QObject m_guiContext;
};

// Every 50 ms (a quarter of the ring length, at most 50 ms) hands the stream's
// update step to the GUI thread and waits until it has run there.
class TSoundCaptureStreamNotify {
public:
    // Created suspended: the thread starts with Resume.
    explicit TSoundCaptureStreamNotify(TSoundCaptureStream *stream);
    // Signals the thread and waits for it to end. Called on the GUI thread, it runs
    // an update step the thread has handed over meanwhile, so the thread is never
    // left waiting for a GUI thread that waits for it.
    ~TSoundCaptureStreamNotify();
    TSoundCaptureStreamNotify(const TSoundCaptureStreamNotify &) = delete;
    TSoundCaptureStreamNotify &operator=(const TSoundCaptureStreamNotify &) = delete;

    void Resume();
    // Makes the thread end at its next wait.
    void Signal();

private:
    // Shared with the thread and with hand-overs still queued, so an update step
    // that outlives this object (a modal box inside it ran a Stop) ends safely.
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        bool event = false;      // automatic reset: a wait that sees it clears it
        bool handedOver = false; // an update step waits for the GUI thread
        bool inStep = false;     // that step is running on the GUI thread
        bool ended = false;
    };
    void Execute();
    // Runs a handed-over update step, if one waits; GUI thread only.
    static void runHandOver(const std::shared_ptr<State> &state, TSoundCaptureStream *stream);

    TSoundCaptureStream *m_stream;
    int m_sleepTime;
    std::shared_ptr<State> m_state;
    std::thread m_thread;
    QObject m_guiContext;
};
