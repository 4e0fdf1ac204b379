#pragma once
// Skipping the silence a radio stream starts with.
//
// A listener joins a stream in the middle. The first MP3 frame refers to data of
// a frame that was never received, so the decoder gives silence for it, and its
// own delay adds more: about 30 ms of nothing before the station's first sound,
// with every decoder. StreamHeadTrim sits on the sound output's input and, after
// arm(), drops the silent audio at the head of the stream, at most kLimitNs of it.
// The audio after it is moved back in time by what was dropped, so the sound card
// starts with the station's first sound instead of waiting out the silence.
// Nothing else changes: the audio arrives at the same moment and plays without a
// gap, and the position reads that much less.

#include "platform/gstptr.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class StreamHeadTrim {
public:
    // The most that is ever dropped: a stream that begins with a longer silence
    // keeps the rest of it.
    static constexpr int64_t kLimitNs = 250'000'000;

    StreamHeadTrim() = default;
    ~StreamHeadTrim();
    StreamHeadTrim(const StreamHeadTrim &) = delete;
    StreamHeadTrim &operator=(const StreamHeadTrim &) = delete;

    // Watches the buffers that flow into pad (a sink pad carrying raw audio).
    void attach(GstPad *pad);
    // Called while nothing flows, before each start of playback: on for a
    // stream, off for a file, which is played exactly as recorded.
    void arm(bool on);
    // How much silence was dropped since the last arm(), in nanoseconds.
    int64_t trimmedNs() const { return m_trimmedNs.load(); }

    // The index of the first frame of raw audio in which some channel is
    // audible, or -1 when all of it is silent. format is a GstAudioFormat:
    // native signed 16 or 32 bit, or float; -1 for any other (and a stream in
    // another format is played as it comes).
    static int64_t firstAudibleFrame(int format, int channels, const uint8_t *data, size_t bytes);

private:
    enum Phase { Off, Looking, Shifting };
    // Returns the probe's answer; may replace the buffer in info.
    int onBuffer(GstPadProbeInfo *info);
    GstBuffer *shifted(GstBuffer *buffer) const;
    // Ends the search with buffer, whose first sample is at start.
    int playFrom(GstPadProbeInfo *info, GstBuffer *buffer, uint64_t start);
    void finishLooking(int64_t shiftNs);

    GstPtr<GstPad> m_pad;
    unsigned long m_probe = 0;
    std::atomic<int> m_phase{Off};
    std::atomic<int64_t> m_trimmedNs{0};
    // Written by the streaming thread only while looking.
    uint64_t m_firstPts = 0;
    bool m_havePts = false;
    int64_t m_shiftNs = 0;
};
