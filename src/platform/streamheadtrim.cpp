#include "platform/streamheadtrim.h"

#include <cstring>

#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace {

// Silence is anything under -66 dBFS: what a decoder gives for a frame it cannot
// decode is all zeros, and the rising edge of the first real frame goes past
// this within a fraction of a millisecond.
constexpr double kSilentBelow = 1.0 / 2048.0;

template <typename Sample> int64_t firstLoud(const uint8_t *data, size_t samples, Sample limit)
{
    for (size_t i = 0; i < samples; ++i) {
        Sample value;
        std::memcpy(&value, data + i * sizeof(Sample), sizeof(Sample));
        if (value >= limit || value <= -limit)
            return int64_t(i);
    }
    return -1;
}

bool readable(GstAudioFormat format)
{
    return format == GST_AUDIO_FORMAT_S16 || format == GST_AUDIO_FORMAT_S32 || format == GST_AUDIO_FORMAT_F32
        || format == GST_AUDIO_FORMAT_F64;
}

} // namespace

StreamHeadTrim::~StreamHeadTrim()
{
    if (m_pad)
        gst_pad_remove_probe(m_pad.get(), m_probe);
}

void StreamHeadTrim::attach(GstPad *pad)
{
    if (m_pad || !pad)
        return;
    m_pad = GstPtr<GstPad>::share(pad);
    m_probe = gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad *, GstPadProbeInfo *info, gpointer self) {
            return GstPadProbeReturn(static_cast<StreamHeadTrim *>(self)->onBuffer(info));
        },
        this, nullptr);
}

void StreamHeadTrim::arm(bool on)
{
    m_havePts = false;
    m_firstPts = 0;
    m_shiftNs = 0;
    m_trimmedNs.store(0);
    m_phase.store(on ? Looking : Off);
}

int64_t StreamHeadTrim::firstAudibleFrame(int format, int channels, const uint8_t *data, size_t bytes)
{
    if (channels <= 0 || !data)
        return -1;
    int64_t sample = -1;
    switch (format) {
    case GST_AUDIO_FORMAT_S16:
        sample = firstLoud<int16_t>(data, bytes / 2, int16_t(32768 * kSilentBelow));
        break;
    case GST_AUDIO_FORMAT_S32:
        sample = firstLoud<int32_t>(data, bytes / 4, int32_t(2147483648.0 * kSilentBelow));
        break;
    case GST_AUDIO_FORMAT_F32:
        sample = firstLoud<float>(data, bytes / 4, float(kSilentBelow));
        break;
    case GST_AUDIO_FORMAT_F64:
        sample = firstLoud<double>(data, bytes / 8, kSilentBelow);
        break;
    default:
        return -1;
    }
    return sample < 0 ? -1 : sample / channels;
}

void StreamHeadTrim::finishLooking(int64_t shiftNs)
{
    m_shiftNs = shiftNs;
    m_trimmedNs.store(shiftNs);
    m_phase.store(shiftNs > 0 ? Shifting : Off);
}

GstBuffer *StreamHeadTrim::shifted(GstBuffer *buffer) const
{
    if (m_shiftNs <= 0 || !GST_BUFFER_PTS_IS_VALID(buffer))
        return buffer;
    buffer = gst_buffer_make_writable(buffer);
    const auto back = [this](GstClockTime time) {
        return GstClockTime(time > GstClockTime(m_shiftNs) ? time - GstClockTime(m_shiftNs) : 0);
    };
    GST_BUFFER_PTS(buffer) = back(GST_BUFFER_PTS(buffer));
    if (GST_BUFFER_DTS_IS_VALID(buffer))
        GST_BUFFER_DTS(buffer) = back(GST_BUFFER_DTS(buffer));
    return buffer;
}

int StreamHeadTrim::playFrom(GstPadProbeInfo *info, GstBuffer *buffer, GstClockTime start)
{
    // Everything from `start` on plays, moved back by what was dropped before it.
    finishLooking(m_havePts && GST_CLOCK_TIME_IS_VALID(start) && start > m_firstPts ? int64_t(start - m_firstPts) : 0);
    buffer = shifted(buffer);
    if (m_shiftNs > 0)
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

int StreamHeadTrim::onBuffer(GstPadProbeInfo *info)
{
    const int phase = m_phase.load();
    if (phase == Off)
        return GST_PAD_PROBE_OK;
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (phase == Shifting) {
        GST_PAD_PROBE_INFO_DATA(info) = shifted(buffer);
        return GST_PAD_PROBE_OK;
    }

    // Looking for the first sound.
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    GstAudioInfo audio;
    bool known = false;
    if (const auto caps = GstPtr<GstCaps>::adopt(gst_pad_get_current_caps(m_pad.get()))) {
        known = gst_audio_info_from_caps(&audio, caps.get()) && GST_AUDIO_INFO_LAYOUT(&audio) == GST_AUDIO_LAYOUT_INTERLEAVED
            && GST_AUDIO_INFO_BPF(&audio) > 0 && GST_AUDIO_INFO_RATE(&audio) > 0 && readable(GST_AUDIO_INFO_FORMAT(&audio));
    }
    // Nothing to go by (no time, or samples this does not read): play on as it
    // comes, after what was already dropped.
    if (!known || !GST_CLOCK_TIME_IS_VALID(pts))
        return playFrom(info, buffer, pts);
    if (!m_havePts) {
        m_havePts = true;
        m_firstPts = pts;
    }

    const int rate = GST_AUDIO_INFO_RATE(&audio);
    const int bpf = GST_AUDIO_INFO_BPF(&audio);
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return playFrom(info, buffer, pts);
    const size_t frames = map.size / size_t(bpf);
    const int64_t first = firstAudibleFrame(GST_AUDIO_INFO_FORMAT(&audio), GST_AUDIO_INFO_CHANNELS(&audio), map.data,
                                            frames * size_t(bpf));
    gst_buffer_unmap(buffer, &map);

    const int64_t silentFrames = first < 0 ? int64_t(frames) : first;
    const GstClockTime soundAt = pts + gst_util_uint64_scale_int(guint64(silentFrames), GST_SECOND, rate);
    const bool withinLimit = int64_t(soundAt - m_firstPts) <= kLimitNs;

    if (first < 0 && withinLimit)
        return GST_PAD_PROBE_DROP;
    // The sound starts with this buffer, or the silence goes on longer than is
    // worth skipping: this buffer plays whole.
    if (first <= 0 || !withinLimit)
        return playFrom(info, buffer, pts);
    // The sound starts inside this buffer: play from its first audible frame.
    const gsize offset = gsize(first) * gsize(bpf);
    GstBuffer *rest = gst_buffer_copy_region(buffer, GstBufferCopyFlags(GST_BUFFER_COPY_ALL), offset,
                                             frames * size_t(bpf) - offset);
    // The probe owns the buffer it was handed; the copy takes its place.
    gst_buffer_unref(buffer);
    GST_BUFFER_PTS(rest) = soundAt;
    GST_BUFFER_DTS(rest) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(rest) = gst_util_uint64_scale_int(guint64(int64_t(frames) - first), GST_SECOND, rate);
    GST_BUFFER_OFFSET(rest) = GST_BUFFER_OFFSET_NONE;
    GST_BUFFER_OFFSET_END(rest) = GST_BUFFER_OFFSET_NONE;
    return playFrom(info, rest, soundAt);
}
