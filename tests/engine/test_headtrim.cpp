// The silence at the head of a stream: raw audio pushed through a real pad pair
// with the trim on the receiving pad, as the sound output gets it.

#include "platform/streamheadtrim.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFrame = 1152; // one MP3 frame of samples

GstClockTime framesNs(int64_t frames)
{
    return gst_util_uint64_scale_int(guint64(frames), GST_SECOND, kRate);
}

// Mono S16 samples: `silent` zeros, then a 440 Hz tone at half scale.
std::vector<int16_t> headThenTone(int silent, int total)
{
    std::vector<int16_t> samples(size_t(total), 0);
    for (int i = silent; i < total; ++i)
        samples[size_t(i)] = int16_t(16000 * std::sin(2 * M_PI * 440 * (i - silent + 1) / kRate));
    return samples;
}

struct Received {
    GstClockTime pts;
    GstClockTime duration;
    bool discont;
    std::vector<int16_t> samples;
};

class HeadTrim : public ::testing::Test {
protected:
    void SetUp() override
    {
        gst_init(nullptr, nullptr);
        m_src = gst_pad_new("src", GST_PAD_SRC);
        m_sink = gst_pad_new("sink", GST_PAD_SINK);
        gst_pad_set_chain_function(m_sink, &HeadTrim::chain);
        gst_pad_set_event_function(m_sink, &HeadTrim::event);
        g_object_set_data(G_OBJECT(m_sink), "test", this);
        gst_pad_link(m_src, m_sink);
        gst_pad_set_active(m_sink, TRUE);
        gst_pad_set_active(m_src, TRUE);
        trim.attach(m_sink);
    }
    static GstFlowReturn chain(GstPad *pad, GstObject *, GstBuffer *buffer)
    {
        auto *self = static_cast<HeadTrim *>(g_object_get_data(G_OBJECT(pad), "test"));
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_READ);
        Received got{GST_BUFFER_PTS(buffer), GST_BUFFER_DURATION(buffer),
                     GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DISCONT), std::vector<int16_t>(map.size / 2)};
        std::memcpy(got.samples.data(), map.data, map.size / 2 * 2);
        gst_buffer_unmap(buffer, &map);
        gst_buffer_unref(buffer);
        self->received.push_back(std::move(got));
        return GST_FLOW_OK;
    }
    static gboolean event(GstPad *, GstObject *, GstEvent *event)
    {
        gst_event_unref(event);
        return TRUE;
    }
    void TearDown() override
    {
        gst_pad_set_active(m_src, FALSE);
        gst_pad_set_active(m_sink, FALSE);
        gst_object_unref(m_src);
        gst_object_unref(m_sink);
    }

    // A new stream in the given format, as a decoder starts one.
    void startStream(GstAudioFormat format = GST_AUDIO_FORMAT_S16, int channels = 1)
    {
        GstAudioInfo info;
        gst_audio_info_set_format(&info, format, kRate, channels, nullptr);
        GstCaps *caps = gst_audio_info_to_caps(&info);
        gst_pad_push_event(m_src, gst_event_new_stream_start("head"));
        gst_pad_push_event(m_src, gst_event_new_caps(caps));
        gst_caps_unref(caps);
        GstSegment segment;
        gst_segment_init(&segment, GST_FORMAT_TIME);
        gst_pad_push_event(m_src, gst_event_new_segment(&segment));
        m_next = 0;
    }

    // Pushes the samples in MP3-frame-sized buffers with running timestamps.
    void push(const std::vector<int16_t> &samples)
    {
        for (size_t at = 0; at < samples.size(); at += kFrame) {
            const size_t count = std::min(size_t(kFrame), samples.size() - at);
            GstBuffer *buffer = gst_buffer_new_memdup(samples.data() + at, count * 2);
            GST_BUFFER_PTS(buffer) = framesNs(int64_t(m_next));
            GST_BUFFER_DURATION(buffer) = framesNs(int64_t(m_next + count)) - framesNs(int64_t(m_next));
            m_next += count;
            ASSERT_EQ(gst_pad_push(m_src, buffer), GST_FLOW_OK);
        }
    }

    std::vector<int16_t> allReceived() const
    {
        std::vector<int16_t> all;
        for (const Received &r : received)
            all.insert(all.end(), r.samples.begin(), r.samples.end());
        return all;
    }

    // Each buffer starts where the one before it ended (to the nanosecond the
    // sample counts allow): the sound card plays them without a gap.
    void expectContiguous() const
    {
        for (size_t i = 1; i < received.size(); ++i)
            EXPECT_NEAR(double(received[i].pts), double(received[i - 1].pts + received[i - 1].duration), 1.0)
                << "buffer " << i;
    }

    StreamHeadTrim trim;
    std::vector<Received> received;

private:
    GstPad *m_src = nullptr;
    GstPad *m_sink = nullptr;
    size_t m_next = 0;
};

} // namespace

TEST_F(HeadTrim, AStreamJoinedMidwayStartsWithItsFirstSoundAtOnce)
{
    // One frame the decoder could not decode, then its delay, then the station.
    const int silent = kFrame + 500;
    const std::vector<int16_t> sent = headThenTone(silent, 5 * kFrame);
    trim.arm(true);
    startStream();
    push(sent);

    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front().pts, 0u) << "the first sound plays when the silence would have";
    EXPECT_TRUE(received.front().discont);
    EXPECT_GT(std::abs(received.front().samples.front()), 16) << "the first sample heard is sound";
    // Times are whole nanoseconds: counted in two steps they may part by one.
    EXPECT_NEAR(double(trim.trimmedNs()), double(framesNs(silent)), 1.0);
    // Everything after the silence arrives, sample for sample, without a gap.
    const std::vector<int16_t> rest(sent.begin() + silent, sent.end());
    EXPECT_EQ(allReceived(), rest);
    expectContiguous();
    EXPECT_NEAR(double(received.back().pts), double(framesNs(4 * kFrame) - framesNs(silent)), 1.0);
}

TEST_F(HeadTrim, AFileAndAStreamThatStartsWithSoundPlayExactlyAsSent)
{
    const std::vector<int16_t> withHead = headThenTone(2 * kFrame, 4 * kFrame);
    trim.arm(false); // a file
    startStream();
    push(withHead);
    EXPECT_EQ(allReceived(), withHead);
    EXPECT_EQ(received.front().pts, 0u);
    EXPECT_EQ(received.back().pts, framesNs(3 * kFrame));
    EXPECT_EQ(trim.trimmedNs(), 0);

    received.clear();
    const std::vector<int16_t> fromTheStart = headThenTone(0, 4 * kFrame);
    trim.arm(true);
    startStream();
    push(fromTheStart);
    EXPECT_EQ(allReceived(), fromTheStart);
    EXPECT_EQ(received.back().pts, framesNs(3 * kFrame));
    EXPECT_FALSE(received.front().discont);
    EXPECT_EQ(trim.trimmedNs(), 0);
}

TEST_F(HeadTrim, ALongSilenceIsSkippedOnlyUpToTheLimitAndPlaysOnWithoutAGap)
{
    // Over half a second of silence: a quiet start of a programme, not the
    // decoder's. A quarter of a second of it at most is skipped.
    const int silent = 20 * kFrame;
    const std::vector<int16_t> sent = headThenTone(silent, 24 * kFrame);
    trim.arm(true);
    startStream();
    push(sent);

    EXPECT_LE(trim.trimmedNs(), StreamHeadTrim::kLimitNs);
    EXPECT_GT(trim.trimmedNs(), StreamHeadTrim::kLimitNs - int64_t(framesNs(kFrame)));
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front().pts, 0u);
    EXPECT_EQ(received.front().samples.front(), 0) << "the rest of the silence plays";
    const size_t skippedFrames = sent.size() - allReceived().size();
    EXPECT_NEAR(double(framesNs(int64_t(skippedFrames))), double(trim.trimmedNs()), 1.0);
    const std::vector<int16_t> tail(sent.end() - std::ptrdiff_t(allReceived().size()), sent.end());
    EXPECT_EQ(allReceived(), tail);
    expectContiguous();
}

TEST_F(HeadTrim, EveryStartLooksAgainFromItsOwnHead)
{
    trim.arm(true);
    startStream();
    push(headThenTone(3 * kFrame, 6 * kFrame));
    EXPECT_EQ(trim.trimmedNs(), int64_t(framesNs(3 * kFrame)));

    // Retuned: the next stream's head is shorter, and the shift of the first
    // one must not carry over to it.
    received.clear();
    trim.arm(true);
    startStream();
    push(headThenTone(700, 3 * kFrame));
    EXPECT_NEAR(double(trim.trimmedNs()), double(framesNs(700)), 1.0);
    EXPECT_EQ(received.front().pts, 0u);
    EXPECT_NEAR(double(received.back().pts), double(framesNs(2 * kFrame) - framesNs(700)), 1.0);
    expectContiguous();
}

TEST(HeadTrimFormats, FindsTheFirstAudibleFrameInEveryCommonSampleFormat)
{
    const auto bytes = [](const auto &v) { return reinterpret_cast<const uint8_t *>(v.data()); };
    const auto size = [](const auto &v) { return v.size() * sizeof(v[0]); };

    // Stereo: the sound starts on the right channel of frame 3.
    std::vector<int16_t> s16(16, 0);
    s16[7] = -9000;
    EXPECT_EQ(StreamHeadTrim::firstAudibleFrame(GST_AUDIO_FORMAT_S16, 2, bytes(s16), size(s16)), 3);
    // Dither noise under -66 dBFS is still silence.
    std::vector<int16_t> dither(64, 0);
    for (size_t i = 0; i < dither.size(); ++i)
        dither[i] = int16_t(i % 2 ? 7 : -8);
    EXPECT_EQ(StreamHeadTrim::firstAudibleFrame(GST_AUDIO_FORMAT_S16, 1, bytes(dither), size(dither)), -1);

    std::vector<float> f32(32, 1e-5f);
    f32[7] = 0.01f;
    EXPECT_EQ(StreamHeadTrim::firstAudibleFrame(GST_AUDIO_FORMAT_F32, 1, bytes(f32), size(f32)), 7);
    std::vector<double> f64(12, 0.0);
    f64[9] = -0.2;
    EXPECT_EQ(StreamHeadTrim::firstAudibleFrame(GST_AUDIO_FORMAT_F64, 3, bytes(f64), size(f64)), 3);
    std::vector<int32_t> s32(10, 1000);
    s32[4] = 1 << 24;
    EXPECT_EQ(StreamHeadTrim::firstAudibleFrame(GST_AUDIO_FORMAT_S32, 1, bytes(s32), size(s32)), 4);

    std::vector<uint8_t> u8(8, 200);
    EXPECT_EQ(StreamHeadTrim::firstAudibleFrame(GST_AUDIO_FORMAT_U8, 1, u8.data(), u8.size()), -1);
}

TEST_F(HeadTrim, AStreamInASampleFormatItDoesNotReadPlaysAsSent)
{
    // Unsigned 8 bit: silence is 128, which must not be taken for sound, nor
    // sound for silence.
    trim.arm(true);
    startStream(GST_AUDIO_FORMAT_U8);
    push(std::vector<int16_t>(3 * kFrame, int16_t(0x8080)));
    EXPECT_EQ(allReceived().size(), size_t(3 * kFrame));
    EXPECT_EQ(received.front().pts, 0u);
    EXPECT_EQ(trim.trimmedNs(), 0);
}
