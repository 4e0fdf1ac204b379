#pragma once
// Capture over GStreamer: drivers are the "Audio/Source" devices of a device
// monitor, each once, a device accepts a PCM format when its caps do, and a
// capture buffer is a source → audioconvert → audioresample → appsink pipeline
// whose appsink callback copies each buffer into the ring on GStreamer's
// streaming thread.

#include "platform/capturebackend.h"

class GstCaptureBackend : public CaptureBackend {
public:
    std::vector<CaptureDriverInfo> enumerateDrivers() override;
    std::unique_ptr<CaptureDevice> createDevice(const std::optional<QUuid> &guid) override;

    // Description of the entry that stands for the system's default capture
    // device; it comes first and has no identity.
    static QString primaryDriverDescription() { return QStringLiteral("Primary Sound Capture Driver"); }
};

// Reads the capture devices into the list that the driver list and the format
// probe share, so that at start-up neither waits for the sound server. Any thread.
void prefetchCaptureDevices();

// GStreamer caps text of a PCM format ("audio/x-raw,format=S16LE,..."), empty for
// a sample width that has no integer PCM layout.
QString pcmCapsString(const PcmFormat &format);
