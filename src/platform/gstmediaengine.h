#pragma once
// MediaEngine on a GStreamer playbin, audio only.

#include "platform/gstptr.h"
#include "platform/mediaengine.h"
#include "platform/streamheadtrim.h"

#include <QElapsedTimer>

#include <atomic>

class GstMediaEngine : public MediaEngine {
public:
    // Throws EMediaError when GStreamer or playbin is not available.
    GstMediaEngine();
    ~GstMediaEngine() override;
    GstMediaEngine(const GstMediaEngine &) = delete;
    GstMediaEngine &operator=(const GstMediaEngine &) = delete;

    void setUrl(const QString &urlOrPath) override;
    QString url() const override { return m_url; }
    int playState() override;
    void play() override;
    void stop() override;
    double currentPosition() override;
    void setVolume(int percent) override;
    int volume() const override { return m_volume; }
    int bufferingProgress() override;
    int bitRate() override;
    double duration() override;
    QString lastError() const override { return m_lastError; }
    QString streamTitle() override;
    // How often playback was held since the last play() because the network
    // buffer had run dry; a steady stream never is.
    int refills() const { return m_refills; }
    // How much silence at the head of the stream was skipped since the last
    // play(), in milliseconds (see StreamHeadTrim).
    double skippedLeadingSilenceMs() const { return double(m_headTrim.trimmedNs()) / 1e6; }

    // Loads the plugins the first station needs: every type finder (the stream's
    // format is found by trying them all, and one of them brings in a large
    // codec library) and the elements of a stream's pipeline. Tuning loads them
    // anyway, then on the clock: done ahead, the first station of the day sounds
    // as soon as every later one. Safe on any thread; a second call does nothing.
    static void loadStreamPlugins();
    // The same, on a pool thread; returns at once.
    static void loadStreamPluginsInBackground();

    // Turns what the user typed or stored into a URI playbin understands:
    // anything with a scheme stays as it is, a path becomes a file URI.
    static QString toUri(const QString &urlOrPath);

private:
    void ensurePipeline();
    void drainBus();
    // What the buffering messages of one drained batch said: the last level,
    // and whether the buffer was full at some point in between.
    struct BufferingNews {
        bool any = false;
        bool wasFull = false;
        int percent = 100;
    };
    void handleMessage(GstMessage *message, BufferingNews &buffering);
    void applyBuffering(const BufferingNews &buffering);
    void setState(int state);
    void resetStreamInfo();
    bool positionRuns() const;
    // Where the sound is now, in seconds: for a stream the time its sound has
    // played since it started, whatever timeline the stream carries (an HLS
    // playlist's starts where the playlist does); for a file the place in it.
    bool readPosition(double &seconds) const;
    void takeTags(GstTagList *tags);

    // The last position read from the pipeline and when it was read. While the
    // stream plays steadily the position is carried forward on the monotonic
    // clock, so the status tick does not ask the pipeline ten times a second.
    bool m_positionKnown = false;
    bool m_positionPaced = false;
    double m_positionRead = 0;
    double m_positionShown = 0;
    QElapsedTimer m_positionAge;

    GstPtr<GstElement> m_playbin;
    StreamHeadTrim m_headTrim;
    // Whether the sound output made at the next start from NULL is sized for a
    // network stream; read on the thread that makes it.
    std::atomic<bool> m_streamOutput{false};
    GstPtr<GstBus> m_bus;
    QString m_url;
    QString m_lastError;
    int m_volume = 100;
    // What play()/stop() asked for; the pipeline follows asynchronously.
    bool m_wantPlaying = false;
    bool m_startedSinceOpen = false;
    bool m_reachedPlaying = false;
    bool m_ended = false;
    bool m_failed = false;
    // The network buffer was full once since play(): from then on a buffer that
    // runs dry is refilled before playing on (see applyBuffering).
    bool m_bufferWasFull = false;
    bool m_rebuffering = false;
    int m_refills = 0;
    int m_bufferPercent = 100;
    int m_bitRate = 0;
    int m_nominalBitRate = 0;
    int m_shownBitRate = 0;
    // The compressed audio the decoder took since play(): bytes and the playing
    // time they carry, counted on the streaming thread. Their ratio is the
    // stream's real bit rate, whatever bursts the network delivered it in.
    struct Intake {
        std::atomic<qint64> bytes{0};
        std::atomic<qint64> ns{0};
    } m_intake;
    std::pair<std::atomic<qint64> *, std::atomic<qint64> *> m_intakeCounters{};
    QString m_title;
    double m_duration = 0;
};
