#pragma once
// Helpers shared by the playback benchmarks: the plain HTTP client that gives the
// floor for tuning, a relay that times the first body byte of a player's own
// connection, a continuous recording of the null sink's monitor, gaps in a
// recording, and medians.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace benchkit {

constexpr int kRate = 44100;
// A sample louder than this is sound: the test tones peak near 16000.
constexpr int kSoundLevel = 1000;

// Milliseconds until the first byte after the response headers, or -1: what a
// bare HTTP client waits before it has anything to decode.
inline double firstBodyByteMs(const QUrl &url)
{
    QElapsedTimer timer;
    timer.start();
    QTcpSocket socket;
    socket.connectToHost(url.host(), quint16(url.port(80)));
    if (!socket.waitForConnected(3000))
        return -1;
    socket.write("GET " + url.path().toUtf8() + " HTTP/1.0\r\nHost: " + url.host().toUtf8() + "\r\n\r\n");
    QByteArray received;
    while (timer.elapsed() < 5000) {
        if (!socket.waitForReadyRead(1000))
            continue;
        received += socket.readAll();
        const qsizetype end = received.indexOf("\r\n\r\n");
        if (end >= 0 && received.size() > end + 4)
            return double(timer.nsecsElapsed()) / 1e6;
    }
    return -1;
}

inline qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Passes HTTP connections from 127.0.0.1 to the stream's server and notes when it
// hands the latest client the first byte after the response headers. A
// server's first byte comes a different time after each connect (Icecast's
// 260 to 360 ms here), so a player's first sound is set against its own
// connection's first byte rather than against another connection's.
class TimingRelay {
public:
    explicit TimingRelay(const QUrl &upstream) : m_upstream(upstream)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            ::listen(m_listen, 4) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { acceptLoop(); });
    }
    ~TimingRelay()
    {
        m_stop = true;
        if (m_listen >= 0) {
            ::shutdown(m_listen, SHUT_RDWR);
            ::close(m_listen);
        }
        if (m_thread.joinable())
            m_thread.join();
        for (std::thread &connection : m_connections)
            connection.join();
    }
    TimingRelay(const TimingRelay &) = delete;
    TimingRelay &operator=(const TimingRelay &) = delete;

    bool listening() const { return m_port != 0; }
    QString url() const
    {
        QUrl url = m_upstream;
        url.setHost(QStringLiteral("127.0.0.1"));
        url.setPort(m_port);
        return url.toString();
    }
    // monotonicNs() when the latest connection got its first body byte, 0 before.
    qint64 firstBodyByteNs() const { return m_firstBodyNs.load(); }
    // How long the server took from the latest connection's request to its first
    // body byte, in ms; -1 before both.
    double serverWaitMs() const
    {
        const qint64 asked = m_requestNs.load(), answered = m_firstBodyNs.load();
        return asked > 0 && answered >= asked ? double(answered - asked) / 1e6 : -1;
    }

private:
    // Each connection is relayed on a thread of its own: a player may still hold
    // the last one open while it opens the next.
    void acceptLoop()
    {
        while (!m_stop) {
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client < 0)
                return;
            const quint64 connection = ++m_latest;
            m_firstBodyNs = 0;
            m_requestNs = 0;
            m_connections.emplace_back([this, client, connection] {
                const int server = connectUpstream();
                if (server >= 0) {
                    relay(client, server, connection);
                    ::close(server);
                }
                ::close(client);
            });
        }
    }
    int connectUpstream() const
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(m_upstream.port(80)));
        ::inet_pton(AF_INET, m_upstream.host().toLatin1().constData(), &address.sin_addr);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
            return fd;
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    static bool writeAll(int fd, const char *data, ssize_t size)
    {
        while (size > 0) {
            const ssize_t written = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
            if (written <= 0)
                return false;
            data += written;
            size -= written;
        }
        return true;
    }
    void relay(int client, int server, quint64 connection)
    {
        QByteArray head; // the response up to its blank line
        bool inBody = false;
        pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
        char buffer[16384];
        while (!m_stop) {
            if (::poll(fds, 2, 100) <= 0)
                continue;
            if (fds[0].revents) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (connection == m_latest && m_requestNs == 0)
                    m_requestNs = monotonicNs();
                if (n <= 0 || !writeAll(server, buffer, n))
                    return;
            }
            if (fds[1].revents) {
                const ssize_t n = ::recv(server, buffer, sizeof buffer, 0);
                if (n <= 0 || !writeAll(client, buffer, n))
                    return;
                if (!inBody) {
                    head.append(buffer, n);
                    const qsizetype end = head.indexOf("\r\n\r\n");
                    if (end >= 0 && head.size() > end + 4) {
                        inBody = true;
                        if (connection == m_latest)
                            m_firstBodyNs = monotonicNs();
                    }
                }
            }
        }
    }

    QUrl m_upstream;
    int m_listen = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_requestNs{0};
    std::atomic<qint64> m_firstBodyNs{0};
    std::atomic<quint64> m_latest{0};
    std::thread m_thread;
    std::vector<std::thread> m_connections; // touched by the accepting thread only, then joined
};

// A null sink of the benchmarks' own, made the default for this process and the
// processes it starts (PULSE_SINK), so that what they play neither reaches nor
// hears the tests that may record sonaveo_sink on the same sound server.
class OwnSink {
public:
    static constexpr const char *kName = "sonaveo_bench_sink";

    OwnSink()
    {
        if (!present())
            m_module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                              QStringLiteral("sink_name=") + QLatin1String(kName)})
                           .trimmed();
        qputenv("PULSE_SINK", kName);
    }
    ~OwnSink()
    {
        if (!m_module.isEmpty())
            pactl({QStringLiteral("unload-module"), QString::fromLatin1(m_module)});
    }
    OwnSink(const OwnSink &) = delete;
    OwnSink &operator=(const OwnSink &) = delete;

    // False when there is no sound server to make it on.
    static bool present()
    {
        return pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}).contains(kName);
    }
    static QString monitor() { return QLatin1String(kName) + QStringLiteral(".monitor"); }

private:
    static QByteArray pactl(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral("pactl"), arguments);
        process.waitForFinished(3000);
        return process.readAllStandardOutput();
    }
    QByteArray m_module;
};

// Reads a null sink's monitor continuously. Keeping a low-latency recording
// open also keeps the null sink's latency low, as a real sound card's would be.
class Monitor {
public:
    explicit Monitor(const QString &source = OwnSink::monitor())
    {
        m_parec.start(QStringLiteral("parec"), {QStringLiteral("--device=") + source, QStringLiteral("--format=s16le"),
                                                QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                                                QStringLiteral("--latency-msec=10")});
        m_parec.waitForStarted(3000);
    }
    ~Monitor()
    {
        m_parec.kill();
        m_parec.waitForFinished(1000);
    }
    Monitor(const Monitor &) = delete;
    Monitor &operator=(const Monitor &) = delete;

    // Drops everything recorded so far.
    void drain()
    {
        m_parec.waitForReadyRead(20);
        m_parec.readAllStandardOutput();
        m_pending.clear();
        m_sinceDrain.clear();
        m_scanned = m_loudStart = 0;
        m_loudRun = 0;
    }
    // The samples recorded since the last call, waiting up to waitMs for some.
    std::vector<int16_t> take(int waitMs)
    {
        m_parec.waitForReadyRead(waitMs);
        m_pending += m_parec.readAllStandardOutput();
        const qsizetype whole = m_pending.size() / 2 * 2;
        std::vector<int16_t> samples(size_t(whole / 2));
        std::memcpy(samples.data(), m_pending.constData(), size_t(whole));
        m_pending.remove(0, whole);
        return samples;
    }
    // Reads until the monitor has been quiet for quietMs; false when it was not
    // within giveUpMs (something else still plays into the sink).
    bool waitForSilence(int quietMs, int giveUpMs)
    {
        const size_t quietNeeded = size_t(kRate) * size_t(quietMs) / 1000;
        size_t quiet = 0;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < giveUpMs) {
            for (int16_t s : take(20))
                quiet = std::abs(s) > kSoundLevel ? 0 : quiet + 1;
            if (quiet >= quietNeeded)
                return true;
        }
        return false;
    }
    // True when a sample louder than the sound level arrived since the last call.
    bool heardSound(int waitMs)
    {
        for (int16_t s : take(waitMs))
            if (std::abs(s) > kSoundLevel)
                return true;
        return false;
    }

    // Where in the recording since the last drain() the first sound is, in ms, or
    // -1 while none has come. Counted in samples, so a caller that was busy
    // elsewhere for a while still gets the moment the sound was recorded. Sound
    // is a tone: three loud 10 ms windows in a row, so a lone click is no start.
    double soundAtMs(int waitMs)
    {
        const std::vector<int16_t> samples = take(waitMs);
        m_sinceDrain.insert(m_sinceDrain.end(), samples.begin(), samples.end());
        constexpr size_t window = kRate / 100;
        constexpr int windowsNeeded = 3;
        for (; m_scanned + window <= m_sinceDrain.size(); m_scanned += window) {
            bool loud = false;
            for (size_t i = m_scanned; i < m_scanned + window && !loud; ++i)
                loud = std::abs(m_sinceDrain[i]) > kSoundLevel;
            if (!loud) {
                m_loudRun = 0;
                continue;
            }
            if (m_loudRun++ == 0)
                m_loudStart = m_scanned;
            if (m_loudRun == windowsNeeded) {
                size_t first = m_loudStart;
                while (std::abs(m_sinceDrain[first]) <= kSoundLevel)
                    ++first;
                return double(first) * 1000.0 / kRate;
            }
        }
        return -1;
    }

private:
    QProcess m_parec;
    QByteArray m_pending;
    std::vector<int16_t> m_sinceDrain;
    size_t m_scanned = 0;
    size_t m_loudStart = 0;
    int m_loudRun = 0;
};

// Silences longer than minMs in a recording, counted from the first sound on: a
// player that stops to refill shows as one gap per stop.
struct Gaps {
    int count = 0;
    int longestMs = 0;
    int totalMs = 0;
    bool heardAnything = false;
};

inline Gaps findGaps(const std::vector<int16_t> &samples, int minMs = 50)
{
    constexpr size_t window = kRate / 100; // 10 ms
    Gaps gaps;
    int run = 0;
    const auto endRun = [&] {
        if (run > minMs) {
            ++gaps.count;
            gaps.longestMs = std::max(gaps.longestMs, run);
            gaps.totalMs += run;
        }
        run = 0;
    };
    for (size_t start = 0; start + window <= samples.size(); start += window) {
        bool loud = false;
        for (size_t i = start; i < start + window && !loud; ++i)
            loud = std::abs(samples[i]) > kSoundLevel;
        if (loud) {
            gaps.heardAnything = true;
            endRun();
        } else if (gaps.heardAnything) {
            run += 10;
        }
    }
    endRun(); // a silence at the very end counts too: the stream had not ended
    return gaps;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace benchkit
