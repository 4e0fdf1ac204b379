#pragma once
// Sound-card capture as the recorder sees it: a list of capture drivers, a device
// that accepts or refuses a PCM format for a capture buffer of a given size, and a
// looping ring buffer with a capture position, two-part locking and start/stop.
// The real implementation sits on GStreamer (capturebackendgst.h); tests drive a
// scripted one whose positions they advance by hand.

#include "platform/errors.h"

#include <QString>
#include <QUuid>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The capture library (here: GStreamer's capture elements) is not there.
class EDirectXError : public Exception {
public:
    using Exception::Exception;
    static EDirectXError notAvailable() { return EDirectXError(QStringLiteral("Necessary since DirectX 5")); }
};

// A PCM format as a capture buffer is requested with: interleaved integer samples,
// unsigned for 8 bits, signed little-endian otherwise.
struct PcmFormat {
    int samplesPerSec = 0;
    int bitsPerSample = 0;
    int channels = 0;

    // Bytes per sample frame: channels × whole bytes per sample, in 16 bits.
    int blockAlign() const { return uint16_t(channels * (bitsPerSample / 8)); }
    int avgBytesPerSec() const { return blockAlign() * samplesPerSec; }
    bool operator==(const PcmFormat &) const = default;
};

struct CaptureDriverInfo {
    // None for the primary driver (the system's default capture device).
    std::optional<QUuid> guid;
    QString description;
    QString module;
};

// A looping ring of captured bytes. Positions are byte offsets into the ring.
class CaptureBuffer {
public:
    virtual ~CaptureBuffer() = default;
    virtual uint32_t size() const = 0;
    // Starts filling the ring from offset 0, wrapping at its end. False when the
    // device could not be started.
    virtual bool start() = 0;
    virtual void stop() = 0;
    // The offset the device is writing at and the offset up to which bytes are
    // safe to read. False when the device cannot tell (it failed or was lost).
    virtual bool currentPosition(uint32_t &capturePos, uint32_t &readPos) = 0;
    // Gives access to `bytes` bytes from `offset`: the first part runs towards the
    // end of the ring, the second (null, size 0 unless the span wraps) from its
    // start. Every successful lock is followed by an unlock with the same parts.
    virtual bool lock(uint32_t offset, uint32_t bytes, const uint8_t *&part1, uint32_t &size1,
                      const uint8_t *&part2, uint32_t &size2) = 0;
    virtual void unlock(const uint8_t *part1, uint32_t size1, const uint8_t *part2, uint32_t size2) = 0;
};

class CaptureDevice {
public:
    virtual ~CaptureDevice() = default;
    // A ring of `bufferBytes` bytes capturing `format`; null when the device
    // refuses the format or the size.
    virtual std::unique_ptr<CaptureBuffer> createCaptureBuffer(const PcmFormat &format, uint32_t bufferBytes) = 0;
};

class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;
    // The capture drivers in the system's order. Throws EDirectXError when the
    // capture library is missing.
    virtual std::vector<CaptureDriverInfo> enumerateDrivers() = 0;
    // Opens a capture device; none (nullopt) means the default one. Null when it
    // cannot be opened; throws EDirectXError when the capture library is missing.
    virtual std::unique_ptr<CaptureDevice> createDevice(const std::optional<QUuid> &guid) = 0;
};
