#include "platform/gstmediaengine.h"

#include "platform/gstenvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QThreadPool>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <mutex>

#include <gst/audio/gstaudiobasesink.h>
#include <gio/gio.h>
#include <gst/gst.h>

namespace {

// playbin's GstPlayFlags; the enum lives in a plugin, not in a public header.
constexpr guint kPlayFlagAudio = 1u << 1;
constexpr guint kPlayFlagSoftVolume = 1u << 4;

// How much the network buffer holds before playback goes on after the stream ran
// dry. Two seconds rides out a relay that stops sending for a second, with a
// second to spare, and keeps the silence after a real underrun short.
constexpr gint64 kRefillDuration = 2 * GST_SECOND;
// The byte limit only has to stay out of the way of the time limit: 512 KiB holds
// more than ten seconds of a 320 kbit/s stream.
constexpr gint kRefillBytes = 512 * 1024;
// The sound output's own buffer while a network stream plays: half a second of
// sound, handed over in 50 ms pieces. With the sink's defaults (200 ms in 10 ms
// pieces) the sound server asks for more many times a second, and each request
// wakes the output, the decoder and the server's thread: playing a station cost
// about a third more CPU. A new volume and a stop still act at once, since the
// server applies them to what it holds. The network buffer above decides when a
// stalled stream pauses to refill; a full second here drains that buffer by as
// much, and a relay that stops sending for a second was then heard. A file keeps
// the defaults: its position is read back while it plays (the recording clocks),
// and a sound server reports the position of a larger buffer in coarser steps.
constexpr gint64 kStreamOutputBufferUs = 500 * 1000;
constexpr gint64 kStreamOutputPieceUs = 50 * 1000;

void onOutputMade(GstBin *, GstElement *element, gpointer streamOutput)
{
    // autoaudiosink makes the sound output anew on every start from NULL; the
    // sizes are read when the output opens the device, which comes later.
    if (GST_IS_AUDIO_BASE_SINK(element) && static_cast<std::atomic<bool> *>(streamOutput)->load())
        g_object_set(element, "buffer-time", kStreamOutputBufferUs, "latency-time", kStreamOutputPieceUs, nullptr);
}

// How long a position read from the pipeline is carried forward before it is read
// again. The clock shows whole seconds, and the sound card's clock and the
// monotonic clock part by far less than a millisecond in this time.
constexpr qint64 kPositionRereadMs = 1000;
// The level under which the network buffer counts as run dry. queue2 turns bytes
// into time with its estimate of the input rate; just after a server's burst that
// estimate is far too high, and the level reads a few percent for a moment while
// the buffer holds seconds of audio ("5 %", then "76 %", "80 %", "84 %").
constexpr int kDryPercent = 10;
// The shortest time over which the position's pace is compared with the clock's.
constexpr double kPaceCheckSeconds = 0.2;

// A decoder was added somewhere in the pipeline: its input is counted.
GstPadProbeReturn countIntake(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    const GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (buffer && !GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_HEADER) && GST_BUFFER_DURATION_IS_VALID(buffer)
        && GST_BUFFER_DURATION(buffer) > 0) {
        auto *intake = static_cast<std::pair<std::atomic<qint64> *, std::atomic<qint64> *> *>(data);
        intake->first->fetch_add(qint64(gst_buffer_get_size(const_cast<GstBuffer *>(buffer))));
        intake->second->fetch_add(qint64(GST_BUFFER_DURATION(buffer)));
    }
    return GST_PAD_PROBE_OK;
}

void onElementSetUp(GstElement *, GstElement *element, gpointer intake)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    const gchar *klass = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!klass || !std::strstr(klass, "Decoder") || !std::strstr(klass, "Audio"))
        return;
    if (const auto input = GstPtr<GstPad>::adopt(gst_element_get_static_pad(element, "sink")))
        gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_BUFFER, countIntake, intake, nullptr);
}

// The stream's source is made: a certificate authority file named by
// SSL_CERT_FILE (the variable TLS libraries read for it) is the one trusted for
// https stations, as every other program of the user's trusts it.
void onSourceSetUp(GstElement *, GstElement *source, gpointer)
{
    const QByteArray caFile = qgetenv("SSL_CERT_FILE");
    if (caFile.isEmpty() || !g_object_class_find_property(G_OBJECT_GET_CLASS(source), "tls-database"))
        return;
    // With libsoup 3 the source's own "ssl-ca-file" is not used; a database of
    // the file is. It wants an absolute path.
    const QByteArray path = QFileInfo(QString::fromLocal8Bit(caFile)).absoluteFilePath().toLocal8Bit();
    GError *error = nullptr;
    GTlsDatabase *database = g_tls_file_database_new(path.constData(), &error);
    if (error)
        g_error_free(error);
    if (database) {
        g_object_set(source, "tls-database", database, nullptr);
        g_object_unref(database);
    }
}

QString takeErrorText(GstMessage *message)
{
    GError *error = nullptr;
    gchar *debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const auto ownedError = GstPtr<GError>::adopt(error);
    const auto ownedDebug = GstPtr<gchar>::adopt(debug);
    return error ? QString::fromUtf8(error->message) : QStringLiteral("Unknown playback error");
}

// GStreamer ranks libav's MP3 decoder and mpg123's alike and then takes libav's
// by its name. mpg123 decodes the same stream to the same sound for about a
// quarter less CPU, which matters for a player that runs all day, so it goes first.
void preferLightMp3Decoder()
{
    static const bool done = [] {
        const auto feature =
            GstPtr<GstPluginFeature>::adopt(gst_registry_lookup_feature(gst_registry_get(), "mpg123audiodec"));
        if (feature && gst_plugin_feature_get_rank(feature.get()) <= GST_RANK_PRIMARY)
            gst_plugin_feature_set_rank(feature.get(), GST_RANK_PRIMARY + 1);
        return true;
    }();
    (void)done;
}

// The elements of a radio stream's pipeline: the source, the ICY and MP3 parts, the
// decoders a station's formats ask for, and the sound output.
constexpr const char *kStreamElements[] = {
    "playbin",       "uridecodebin",  "decodebin",   "typefind",     "queue2",         "souphttpsrc",
    "icydemux",      "mpegaudioparse", "mpg123audiodec", "aacparse", "oggdemux",       "vorbisdec",
    "opusdec",       "audioconvert",  "audioresample", "volume",     "autoaudiosink",  "pulsesink",
};

void loadFeature(GstPluginFeature *feature)
{
    // The loaded feature comes back with a reference of its own.
    GstPtr<GstPluginFeature>::adopt(gst_plugin_feature_load(feature));
}

} // namespace

void GstMediaEngine::loadStreamPlugins()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!ensureGStreamer())
            return;
        GList *finders = gst_type_find_factory_get_list();
        for (GList *item = finders; item; item = item->next)
            loadFeature(GST_PLUGIN_FEATURE(item->data));
        gst_plugin_feature_list_free(finders);
        for (const char *name : kStreamElements) {
            if (const auto feature = GstPtr<GstPluginFeature>::adopt(gst_registry_lookup_feature(gst_registry_get(), name)))
                loadFeature(feature.get());
        }
    });
}

void GstMediaEngine::loadStreamPluginsInBackground()
{
    QThreadPool::globalInstance()->start([] { loadStreamPlugins(); });
}

// GStreamer itself is made ready with the pipeline: at start-up the checks
// initialise it on their helper thread while the windows are built, and a player
// made meanwhile must not wait for them.
GstMediaEngine::GstMediaEngine() = default;

// The pipeline is built when the first media is opened: making playbin and its
// sound output costs milliseconds that the program's start need not wait for.
void GstMediaEngine::ensurePipeline()
{
    if (m_playbin)
        return;
    if (!ensureGStreamer())
        throw EMediaError(QStringLiteral("GStreamer could not be initialised"));
    preferLightMp3Decoder();
    m_playbin = GstPtr<GstElement>::sink(gst_element_factory_make("playbin", nullptr));
    if (!m_playbin)
        throw EMediaError(QStringLiteral("The GStreamer element playbin could not be created"));
    GstElement *playbin = m_playbin.get();

    // Audio only: without the video and text flags playbin builds no video or
    // subtitle sinks, so a stream that also carries pictures opens no window.
    // Software volume keeps the level linear and private to this player instead
    // of moving the sound server's stream volume.
    g_object_set(playbin, "flags", kPlayFlagAudio | kPlayFlagSoftVolume, nullptr);
    if (const auto sink = GstPtr<GstElement>::sink(gst_element_factory_make("autoaudiosink", nullptr))) {
        g_signal_connect(sink.get(), "element-added", G_CALLBACK(onOutputMade), &m_streamOutput);
        g_object_set(playbin, "audio-sink", sink.get(), nullptr);
        // A stream starts with the decoder's silence; see StreamHeadTrim.
        if (const auto input = GstPtr<GstPad>::adopt(gst_element_get_static_pad(sink.get(), "sink")))
            m_headTrim.attach(input.get());
    }

    // Buffering policy for radio streams (handleMessage does the rest):
    //  - The source stays non-live (souphttpsrc is-live=false). A live pipeline
    //    renders every buffer at its arrival running time, so audio that comes in
    //    late after a network stall is thrown away and the stream skips; a
    //    non-live one plays every sample and can be paused to refill.
    //  - Playback starts as soon as the first audio has prerolled the sink; we do
    //    not wait for the buffer to fill. Icecast sends a burst of several seconds
    //    on connect, which then fills the buffer while the first second plays.
    //  - Once the buffer was full it is the jitter buffer: short stalls are
    //    played from it without a gap, and only when it really runs dry is the
    //    pipeline paused until it is full again.
    g_object_set(playbin, "buffer-duration", kRefillDuration, "buffer-size", kRefillBytes, nullptr);
    g_object_set(playbin, "volume", m_volume / 100.0, nullptr);

    m_intakeCounters = {&m_intake.bytes, &m_intake.ns};
    g_signal_connect(playbin, "element-setup", G_CALLBACK(onElementSetUp), &m_intakeCounters);
    g_signal_connect(playbin, "source-setup", G_CALLBACK(onSourceSetUp), nullptr);

    m_bus = GstPtr<GstBus>::adopt(gst_element_get_bus(playbin));
}

GstMediaEngine::~GstMediaEngine()
{
    if (m_playbin)
        gst_element_set_state(m_playbin.get(), GST_STATE_NULL);
}

QString GstMediaEngine::toUri(const QString &urlOrPath)
{
    if (urlOrPath.isEmpty())
        return {};
    if (gst_uri_is_valid(urlOrPath.toUtf8().constData()))
        return urlOrPath;
    return QUrl::fromLocalFile(QDir::cleanPath(QDir::current().absoluteFilePath(urlOrPath))).toString(QUrl::FullyEncoded);
}

void GstMediaEngine::setState(int state)
{
    // Never waits: from NULL up the pipeline returns ASYNC and the rest happens on
    // the streaming threads; going to NULL only stops threads, and souphttpsrc
    // cancels a pending connect or read when it is unlocked.
    if (!m_playbin)
        return;
    m_positionKnown = false;
    if (gst_element_set_state(m_playbin.get(), GstState(state)) == GST_STATE_CHANGE_FAILURE && state != GST_STATE_NULL) {
        // The real reason follows on the bus as an error message.
        m_failed = true;
    }
}

void GstMediaEngine::resetStreamInfo()
{
    m_positionKnown = false;
    m_positionShown = 0;
    m_reachedPlaying = false;
    m_ended = false;
    m_failed = false;
    m_bufferWasFull = false;
    m_rebuffering = false;
    m_refills = 0;
    m_bufferPercent = 100;
    m_intake.bytes = 0;
    m_intake.ns = 0;
    m_shownBitRate = 0;
}

void GstMediaEngine::setUrl(const QString &urlOrPath)
{
    // Going to NULL joins the streaming threads and flushes the bus (playbin's
    // auto-flush-bus), so nothing the old media posted can be read afterwards.
    setState(GST_STATE_NULL);
    m_wantPlaying = false;
    m_startedSinceOpen = false;
    resetStreamInfo();
    m_bitRate = 0;
    m_nominalBitRate = 0;
    m_duration = 0;
    m_lastError.clear();
    m_title.clear();
    m_url = urlOrPath;
    if (urlOrPath.isEmpty() && !m_playbin)
        return;
    ensurePipeline();
    const QByteArray uri = toUri(urlOrPath).toUtf8();
    g_object_set(m_playbin.get(), "uri", uri.isEmpty() ? nullptr : uri.constData(), nullptr);
}

void GstMediaEngine::play()
{
    drainBus();
    if (m_url.isEmpty())
        return;
    if (m_wantPlaying && !m_ended && !m_failed)
        return;
    // After the end or an error start again from the beginning.
    if (m_ended || m_failed)
        setState(GST_STATE_NULL);
    resetStreamInfo();
    m_lastError.clear();
    m_title.clear();
    m_wantPlaying = true;
    m_startedSinceOpen = true;
    // Nothing flows now (the pipeline is in NULL after setUrl, stop or the
    // restart above). Only a stream is joined in the middle; a file plays whole.
    if (m_playbin && GST_STATE(m_playbin.get()) == GST_STATE_NULL) {
        const bool stream = !gst_uri_has_protocol(toUri(m_url).toUtf8().constData(), "file");
        m_headTrim.arm(stream);
        m_streamOutput = stream;
    }
    setState(GST_STATE_PLAYING);
}

void GstMediaEngine::stop()
{
    // Stop is NULL, never PAUSED: a paused radio stream would keep its connection
    // and resume with stale audio.
    m_wantPlaying = false;
    setState(GST_STATE_NULL);
    resetStreamInfo();
}

void GstMediaEngine::drainBus()
{
    if (!m_bus)
        return;
    BufferingNews buffering;
    while (const auto message = GstPtr<GstMessage>::adopt(gst_bus_pop(m_bus.get())))
        handleMessage(message.get(), buffering);
    applyBuffering(buffering);
}

void GstMediaEngine::handleMessage(GstMessage *message, BufferingNews &buffering)
{
    // Anything that can stop or move the stream reads the position anew.
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STATE_CHANGED:
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_CLOCK_LOST:
    case GST_MESSAGE_SEGMENT_DONE:
    case GST_MESSAGE_ASYNC_DONE:
    case GST_MESSAGE_LATENCY:
        m_positionKnown = false;
        break;
    default:
        break;
    }
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STATE_CHANGED:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(m_playbin.get())) {
            GstState newState;
            gst_message_parse_state_changed(message, nullptr, &newState, nullptr);
            if (newState == GST_STATE_PLAYING && m_wantPlaying)
                m_reachedPlaying = true;
        }
        break;
    case GST_MESSAGE_BUFFERING: {
        gint percent = 100;
        gst_message_parse_buffering(message, &percent);
        buffering.any = true;
        buffering.percent = percent;
        buffering.wasFull = buffering.wasFull || percent >= 100;
        break;
    }
    case GST_MESSAGE_TAG: {
        GstTagList *tags = nullptr;
        gst_message_parse_tag(message, &tags);
        const auto ownedTags = GstPtr<GstTagList>::adopt(tags);
        takeTags(tags);
        break;
    }
    case GST_MESSAGE_DURATION_CHANGED:
        m_duration = 0; // asked again on the next duration() call
        break;
    case GST_MESSAGE_EOS:
        m_ended = true;
        break;
    case GST_MESSAGE_ERROR:
        m_lastError = takeErrorText(message);
        m_failed = true;
        // Release the socket or file now; after an error nothing flows anyway, so
        // this does not wait on a streaming thread.
        setState(GST_STATE_NULL);
        break;
    case GST_MESSAGE_CLOCK_LOST:
        // The audio device went away (for example the sound server restarted):
        // a new clock is only chosen on the way up from PAUSED.
        if (m_wantPlaying && !m_rebuffering) {
            setState(GST_STATE_PAUSED);
            setState(GST_STATE_PLAYING);
        }
        break;
    case GST_MESSAGE_LATENCY:
        gst_bin_recalculate_latency(GST_BIN(m_playbin.get()));
        break;
    default:
        break;
    }
}

void GstMediaEngine::takeTags(GstTagList *tags)
{
    guint rate = 0;
    if (gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &rate) && rate > 0)
        m_bitRate = int(rate);
    if (gst_tag_list_get_uint(tags, GST_TAG_NOMINAL_BITRATE, &rate) && rate > 0)
        m_nominalBitRate = int(rate);
    // What plays now: ICY's StreamTitle, an Ogg stream's comments, HLS's ID3.
    // Comments name the artist apart; ICY puts both into the title.
    gchar *title = nullptr;
    if (!gst_tag_list_get_string(tags, GST_TAG_TITLE, &title))
        return;
    const auto ownedTitle = GstPtr<gchar>::adopt(title);
    gchar *artist = nullptr;
    if (gst_tag_list_get_string(tags, GST_TAG_ARTIST, &artist)) {
        const auto ownedArtist = GstPtr<gchar>::adopt(artist);
        m_title = QString::fromUtf8(artist) + QStringLiteral(" - ") + QString::fromUtf8(title);
    } else {
        m_title = QString::fromUtf8(title);
    }
}

QString GstMediaEngine::streamTitle()
{
    drainBus();
    return m_title;
}

// The bus is read in batches (every status tick), so a batch can hold a level
// that had already recovered by the time it is read: "5 %", then "100 %".
// Only the last level of the batch decides, so the pipeline is not paused and
// played on again within the same millisecond for a dip that is over, nor paused
// for a dip that has already turned into a rising level.
void GstMediaEngine::applyBuffering(const BufferingNews &buffering)
{
    if (!buffering.any)
        return;
    m_bufferPercent = buffering.percent;
    if (!m_wantPlaying || m_ended || m_failed)
        return;
    if (buffering.wasFull)
        m_bufferWasFull = true;
    if (buffering.percent >= 100) {
        if (m_rebuffering) {
            m_rebuffering = false;
            setState(GST_STATE_PLAYING);
        }
    } else if (buffering.percent < kDryPercent && m_bufferWasFull && m_reachedPlaying && !m_rebuffering) {
        // queue2 only reports again after being full when its level has
        // dropped under the low watermark, and a level that is still that low
        // when the batch is read means the jitter buffer is empty. Hold the
        // clock so the late audio is played rather than dropped.
        m_rebuffering = true;
        ++m_refills;
        setState(GST_STATE_PAUSED);
    }
}

int GstMediaEngine::playState()
{
    drainBus();
    if (m_url.isEmpty())
        return Undefined;
    if (m_failed)
        return Stopped;
    if (m_ended)
        return MediaEnded;
    if (!m_wantPlaying)
        return m_startedSinceOpen ? Stopped : Ready;
    if (m_rebuffering)
        return Buffering;
    GstState current = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    if (!m_playbin)
        return Transitioning;
    // Timeout 0: reports the current state without waiting for a change to finish.
    gst_element_get_state(m_playbin.get(), &current, &pending, 0);
    if (current == GST_STATE_PLAYING && m_reachedPlaying)
        return Playing;
    return Transitioning;
}

// The position moves with the clock only while the pipeline plays and nothing is
// about to change that.
bool GstMediaEngine::positionRuns() const
{
    return m_playbin && m_wantPlaying && m_reachedPlaying && !m_rebuffering && !m_ended && !m_failed
        && GST_STATE(m_playbin.get()) == GST_STATE_PLAYING && GST_STATE_PENDING(m_playbin.get()) == GST_STATE_VOID_PENDING;
}

bool GstMediaEngine::readPosition(double &seconds) const
{
    if (!m_playbin || GST_STATE(m_playbin.get()) < GST_STATE_PAUSED)
        return false;
    GstElement *playbin = m_playbin.get();
    if (!m_streamOutput) {
        gint64 position = 0;
        if (!gst_element_query_position(playbin, GST_FORMAT_TIME, &position) || position < 0)
            return false;
        seconds = double(position) / GST_SECOND;
        return true;
    }
    // A stream's sound has played for the pipeline's running time, less what the
    // output holds before it is heard; a pause to refill stops that time.
    if (!m_reachedPlaying || GST_STATE(playbin) != GST_STATE_PLAYING)
        return false;
    const auto clock = GstPtr<GstClock>::adopt(gst_element_get_clock(playbin));
    if (!clock)
        return false;
    const GstClockTime now = gst_clock_get_time(clock.get());
    const GstClockTime base = gst_element_get_base_time(playbin);
    const GstClockTime latency = gst_pipeline_get_latency(GST_PIPELINE(playbin));
    GstClockTimeDiff played = GstClockTimeDiff(now) - GstClockTimeDiff(base);
    if (GST_CLOCK_TIME_IS_VALID(latency))
        played -= GstClockTimeDiff(latency);
    seconds = played > 0 ? double(played) / GST_SECOND : 0;
    return true;
}

double GstMediaEngine::currentPosition()
{
    drainBus();
    const bool runs = positionRuns();
    if (runs && m_positionKnown && m_positionPaced && m_positionAge.elapsed() < kPositionRereadMs) {
        m_positionShown = std::max(m_positionShown, m_positionRead + double(m_positionAge.nsecsElapsed()) / 1e9);
        return m_positionShown;
    }
    double seconds = 0;
    if (!readPosition(seconds)) {
        m_positionKnown = false;
        return m_streamOutput ? m_positionShown : 0;
    }
    // A clock a little slower than the monotonic one must not make the shown
    // position step back after it was carried forward.
    m_positionShown = std::max(m_positionShown, seconds);
    if (!runs) {
        m_positionKnown = false;
        return m_positionShown;
    }
    if (!m_positionKnown) {
        m_positionKnown = true;
        m_positionPaced = false;
        m_positionRead = seconds;
        m_positionAge.start();
        return m_positionShown;
    }
    // The position is carried forward only after it was seen keeping pace with
    // the monotonic clock: a sound server may hold the sound card's clock still
    // for a second or more while it fills its buffer at the start.
    const double elapsed = double(m_positionAge.nsecsElapsed()) / 1e9;
    if (elapsed >= kPaceCheckSeconds) {
        const double advanced = seconds - m_positionRead;
        m_positionPaced = advanced > 0.9 * elapsed && advanced < 1.1 * elapsed;
        m_positionRead = seconds;
        m_positionAge.start();
    }
    return m_positionShown;
}

void GstMediaEngine::setVolume(int percent)
{
    m_volume = qBound(0, percent, 100);
    if (m_playbin)
        g_object_set(m_playbin.get(), "volume", m_volume / 100.0, nullptr);
}

int GstMediaEngine::bufferingProgress()
{
    drainBus();
    return m_bufferPercent;
}

int GstMediaEngine::bitRate()
{
    drainBus();
    const qint64 ns = m_intake.ns.load();
    // A few seconds of sound first: a variable rate settles only over them.
    const int measured = ns >= 3 * GST_SECOND
        ? int(double(m_intake.bytes.load()) * 8.0 * double(GST_SECOND) / double(ns))
        : m_bitRate;
    if (measured <= 0)
        return std::max(m_nominalBitRate, 0);
    // A stated figure is shown as it is, steady from tick to tick, when the
    // sound bears it out: an HLS demuxer states the rate of its whole segments
    // (224 kbit/s for a 128 kbit/s stream), and a Vorbis encoder its target.
    if (m_nominalBitRate > 0 && std::abs(m_nominalBitRate - measured) <= measured / 10)
        return m_nominalBitRate;
    // A measured figure moves by a few bits with every frame: it is shown in
    // whole kbit/s and changes only when it has moved by more than rounding.
    const int rounded = (measured + 500) / 1000 * 1000;
    if (m_shownBitRate == 0 || std::abs(rounded - m_shownBitRate) > std::max(2000, m_shownBitRate / 20))
        m_shownBitRate = rounded;
    return m_shownBitRate;
}

double GstMediaEngine::duration()
{
    drainBus();
    if (m_duration <= 0 && m_playbin && GST_STATE(m_playbin.get()) >= GST_STATE_PAUSED) {
        gint64 length = 0;
        if (gst_element_query_duration(m_playbin.get(), GST_FORMAT_TIME, &length) && length > 0)
            m_duration = double(length) / GST_SECOND;
    }
    return m_duration;
}
