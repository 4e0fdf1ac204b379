#pragma once
// Helpers for the engine and end-to-end tests and the playback benches: tone files made
// with GStreamer, recording the null sink's monitor, and a small HTTP server on
// 127.0.0.1 that misbehaves in the ways radio servers do.

#include "platform/gstenvironment.h"
#include "platform/mediaengine.h"
#include "waitfor.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QThread>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <thread>
#include <vector>

namespace enginetest {

using testsupport::waitUntil;

// Handles events for ms, for benches that let a sound settle before they measure.
inline void spin(int ms)
{
    waitUntil([] { return false; }, ms);
}

// Tunes url and waits up to three seconds for the engine to play it.
inline ::testing::AssertionResult startsPlaying(MediaEngine &engine, const QString &url)
{
    engine.setUrl(url);
    engine.play();
    if (waitUntil([&] { return engine.playState() == MediaEngine::Playing; }, 3000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "state " << engine.playState() << ", error: "
                                         << engine.lastError().toStdString();
}

// Milliseconds a call takes on the calling thread.
template <typename F> double timed(F &&call)
{
    QElapsedTimer timer;
    timer.start();
    call();
    return timer.nsecsElapsed() / 1e6;
}

// Encodes `seconds` of a 440 Hz sine through `encoder` (a gst-launch fragment such
// as "wavenc" or "lamemp3enc") into `path`. False when the pipeline failed.
inline bool writeTone(const QString &path, const QString &encoder, double seconds)
{
    const int buffers = int(std::lround(seconds * 44100 / 1024));
    const QString description =
        QStringLiteral("audiotestsrc freq=440 volume=0.5 samplesperbuffer=1024 num-buffers=%1 ! "
                       "audio/x-raw,rate=44100,channels=1 ! audioconvert ! %2 ! filesink location=\"%3\"")
            .arg(buffers)
            .arg(encoder, path);
    if (!ensureGStreamer())
        return false;
    GError *error = nullptr;
    GstElement *pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (!pipeline) {
        g_clear_error(&error);
        return false;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *message = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                     GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

// True when this process holds `path` open (looked up through /proc/self/fd).
inline bool processHasOpen(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System))
        if (fd.symLinkTarget() == canonical)
            return true;
    return false;
}

// --- Sound on the null sink ---------------------------------------------------

constexpr int kRecordRate = 44100;

// A null sink whose monitor the tests record, on the sound server at a
// PULSE_SERVER address (empty: the default server, where scripts/test puts
// "sonaveo_sink").
struct NullSink {
    QString name = QStringLiteral("sonaveo_sink");
    QString server;
    // The pactl and parec arguments that reach its server.
    QStringList serverArgs() const
    {
        return server.isEmpty() ? QStringList() : QStringList{QStringLiteral("--server=") + server};
    }
};

// What `pactl list short <what>` ("sinks", "sink-inputs") prints on the sink's
// server; nothing when pactl does not answer.
inline std::optional<QString> pactlListed(const char *what, const NullSink &sink = {})
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), sink.serverArgs() << QStringLiteral("list") << QStringLiteral("short")
                                                           << QString::fromLatin1(what));
    if (!pactl.waitForFinished(3000))
        return {};
    return QString::fromLocal8Bit(pactl.readAllStandardOutput()).trimmed();
}

inline bool nullSinkPresent(const NullSink &sink = {})
{
    const QStringList lines = pactlListed("sinks", sink).value_or(QString()).split(QLatin1Char('\n'));
    for (const QString &line : lines)
        if (line.section(QLatin1Char('\t'), 1, 1) == sink.name)
            return true;
    return false;
}

// True once the sound server lists a playing stream (a sink input): a player
// started by the test has reached it.
inline bool soundServerHasAStream()
{
    return !pactlListed("sink-inputs").value_or(QString()).isEmpty();
}

// What the engine and the sound server say at a failure: the engine's state,
// position, buffer, bit rate and last error, and the server's sinks (with their
// state: a sink that stays suspended plays nothing) and playing streams.
inline std::string engineReport(MediaEngine &engine)
{
    const auto listed = [](const char *what) {
        return pactlListed(what).value_or(QStringLiteral("(pactl did not answer)"));
    };
    return QStringLiteral("engine: state %1, position %2 s, buffer %3 %, bit rate %4, error \"%5\"\n"
                          "sinks:\n%6\nstreams:\n%7")
        .arg(engine.playState())
        .arg(engine.currentPosition())
        .arg(engine.bufferingProgress())
        .arg(engine.bitRate())
        .arg(engine.lastError(), listed("sinks"), listed("sink-inputs"))
        .toStdString();
}

// Starts `parec` recording mono 16-bit samples from the null sink's monitor.
inline void startMonitorRecorder(QProcess &parec, int latencyMs, const NullSink &sink = {})
{
    parec.start(QStringLiteral("parec"), sink.serverArgs() << QStringLiteral("--device=%1.monitor").arg(sink.name)
                                                           << QStringLiteral("--format=s16le") << QStringLiteral("--rate=44100")
                                                           << QStringLiteral("--channels=1")
                                                           << QStringLiteral("--latency-msec=%1").arg(latencyMs));
}

// Records `seconds` of mono 16-bit samples from the null sink's monitor.
inline std::vector<int16_t> recordMonitor(double seconds, const NullSink &sink = {})
{
    QProcess parec;
    startMonitorRecorder(parec, 20, sink);
    const qsizetype wanted = qsizetype(seconds * kRecordRate) * 2;
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    while (data.size() < wanted && timer.elapsed() < seconds * 1000 + 3000) {
        parec.waitForReadyRead(100);
        data += parec.readAllStandardOutput();
    }
    parec.kill();
    parec.waitForFinished(1000);
    data.truncate(std::min(data.size(), wanted));
    std::vector<int16_t> samples(size_t(data.size() / 2));
    memcpy(samples.data(), data.constData(), samples.size() * 2);
    return samples;
}

inline double rms(const std::vector<int16_t> &samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (int16_t s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / double(samples.size()));
}

// Frequency from rising crossings: exact enough for a clean sine. A crossing
// counts only when the wave comes up from below -kHysteresis to above
// +kHysteresis, so the faint noise a decoder puts out before a stream's first
// tone (a few dozen either side of zero) adds no crossings of its own.
inline double dominantFrequency(const std::vector<int16_t> &samples)
{
    constexpr int kHysteresis = 256;
    int crossings = 0;
    size_t first = 0, last = 0;
    bool below = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] < -kHysteresis) {
            below = true;
        } else if (below && samples[i] > kHysteresis) {
            below = false;
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return double(crossings - 1) * kRecordRate / double(last - first);
}

// --- A misbehaving HTTP server ------------------------------------------------

class BadHttpServer {
public:
    enum Mode {
        NotFound,      // 404
        HtmlPage,      // 200 with a web page instead of audio
        NeverAnswers,  // accepts and reads the request, then says nothing
        ClosesEarly,   // one second of MP3, then the connection closes
        RandomBytes,   // 200 audio/mpeg followed by noise that is no MP3
        Stalling,      // a relay: a burst, then real time with a one-second hold every five seconds
    };
    // For Stalling: the MP3's bytes per second, the burst sent on connect, and
    // the holds: the last holdTicks of every holdPeriodTicks tenths of a second.
    int bytesPerSecond = 16000;
    double burstSeconds = 3.0;
    int holdPeriodTicks = 50;
    int holdTicks = 10;

    BadHttpServer(Mode mode, QByteArray mp3 = {}) : m_mode(mode), m_mp3(std::move(mp3))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(m_listen, 8);
        socklen_t length = sizeof address;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~BadHttpServer()
    {
        m_stop = true;
        m_thread.join();
        for (int fd : m_held)
            ::close(fd);
        ::close(m_listen);
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/stream").arg(m_port); }
    int connections() const { return m_connections; }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            ++m_connections;
            readRequest(fd);
            answer(fd);
        }
    }
    void readRequest(int fd)
    {
        QByteArray request;
        char chunk[1024];
        while (!request.contains("\r\n\r\n") && !m_stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            request.append(chunk, n);
        }
    }
    void send(int fd, const QByteArray &bytes) { (void)::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL); }
    void pause(int ms)
    {
        for (int i = 0; i < ms / 10 && !m_stop; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    void answer(int fd)
    {
        switch (m_mode) {
        case NotFound:
            send(fd, "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nNot found");
            break;
        case HtmlPage: {
            const QByteArray page = "<!DOCTYPE html><html><head><title>Radio</title></head><body><p>Listen here</p></body></html>\n";
            send(fd, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(page.size()) +
                         "\r\n\r\n" + page);
            break;
        }
        case NeverAnswers:
            m_held.push_back(fd);
            return;
        case ClosesEarly:
            send(fd, "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-br: 128\r\n\r\n");
            send(fd, m_mp3);
            pause(1000);
            break;
        case Stalling: {
            send(fd, "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
            qsizetype sent = std::min<qsizetype>(m_mp3.size(), qsizetype(burstSeconds * bytesPerSecond));
            send(fd, m_mp3.left(sent));
            // Every 100 ms a tenth of a second of audio; the data held back during
            // a hold goes out at once when it ends, so the average rate is real time.
            const qsizetype step = bytesPerSecond / 10;
            for (int tick = 1; sent < m_mp3.size() && !m_stop; ++tick) {
                pause(100);
                if (tick % holdPeriodTicks >= holdPeriodTicks - holdTicks)
                    continue;
                const qsizetype due = (tick % holdPeriodTicks == 0 && tick > 0) ? (holdTicks + 1) * step : step;
                const qsizetype part = std::min(due, m_mp3.size() - sent);
                send(fd, m_mp3.mid(sent, part));
                sent += part;
            }
            break;
        }
        case RandomBytes: {
            send(fd, "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
            std::mt19937 random(7);
            QByteArray noise(64 * 1024, Qt::Uninitialized);
            for (char &c : noise)
                c = char(random());
            for (int i = 0; i < 20 && !m_stop; ++i) {
                send(fd, noise);
                pause(100);
            }
            break;
        }
        }
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }

    Mode m_mode;
    QByteArray m_mp3;
    int m_listen = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::vector<int> m_held;
    std::thread m_thread;
};

// A device provider of the tests' own: a type named typeName whose probe lists
// the devices, classed as `classes` ("Audio/Source", ...). Registered once per
// name; the strings must live as long as the program (literals do).
struct TestProvider {
    const char *typeName;
    GList *(*probe)(GstDeviceProvider *);
    const char *classes;
    const char *longName;
    GInstanceInitFunc instanceInit = nullptr;
};

inline GType testProviderType(const TestProvider &provider)
{
    if (const GType known = g_type_from_name(provider.typeName))
        return known;
    GTypeInfo info{};
    info.class_size = sizeof(GstDeviceProviderClass);
    info.class_init = [](gpointer klass, gpointer data) {
        const auto *described = static_cast<const TestProvider *>(data);
        auto *providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
        providerClass->probe = described->probe;
        gst_device_provider_class_set_static_metadata(providerClass, described->longName, described->classes,
                                                      described->longName, "Sonaveo");
    };
    info.class_data = new TestProvider(provider); // the type's class reads it for good
    info.instance_size = sizeof(GstDeviceProvider);
    info.instance_init = provider.instanceInit;
    return g_type_register_static(GST_TYPE_DEVICE_PROVIDER, provider.typeName, &info, GTypeFlags(0));
}

} // namespace enginetest
