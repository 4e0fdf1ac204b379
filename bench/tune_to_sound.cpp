// Time from play() on the local Icecast stream to the first audible sample on the
// null sink's monitor, beside the time a bare HTTP client waits for the first
// byte of the stream's body: the floor no player can beat.
//
//   scripts/test starts the servers; by hand:
//   source scripts/lib.sh; source scripts/servers.sh; source scripts/icecast.sh
//   start_sound; start_icecast; start_tone_source; build/tune_to_sound [runs]

#include "gstmediaengine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Milliseconds until the first byte after the response headers, or -1.
double firstBodyByteMs(const QUrl &url)
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
            return timer.nsecsElapsed() / 1e6;
    }
    return -1;
}

// Reads the monitor continuously. Keeping a low-latency recording open also keeps
// the null sink's latency low, as a real sound card's would be.
class Monitor {
public:
    Monitor()
    {
        m_parec.start(QStringLiteral("parec"), {QStringLiteral("--device=sonaveo_sink.monitor"), QStringLiteral("--format=s16le"),
                                                QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
                                                QStringLiteral("--latency-msec=10")});
        m_parec.waitForStarted(3000);
    }
    ~Monitor()
    {
        m_parec.kill();
        m_parec.waitForFinished(1000);
    }
    // Drops everything recorded so far.
    void drain()
    {
        m_parec.waitForReadyRead(20);
        m_parec.readAllStandardOutput();
    }
    // True when a sample louder than the threshold arrived since the last call.
    bool heardSound(int waitMs)
    {
        m_parec.waitForReadyRead(waitMs);
        const QByteArray data = m_parec.readAllStandardOutput();
        const auto *samples = reinterpret_cast<const int16_t *>(data.constData());
        for (qsizetype i = 0; i < data.size() / 2; ++i)
            if (std::abs(samples[i]) > 1000)
                return true;
        return false;
    }

private:
    QProcess m_parec;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString stream = qEnvironmentVariable("SONAVEO_TEST_STREAM");
    if (stream.isEmpty()) {
        std::fprintf(stderr, "SONAVEO_TEST_STREAM is not set\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    Monitor monitor;
    GstMediaEngine engine;
    std::vector<double> floors, playing, sound;
    for (int run = 0; run < runs; ++run) {
        floors.push_back(firstBodyByteMs(QUrl(stream)));

        QThread::msleep(500);
        monitor.drain();
        QElapsedTimer timer;
        timer.start();
        engine.setUrl(stream);
        engine.play();
        double playingMs = -1, soundMs = -1;
        while (timer.elapsed() < 10000 && soundMs < 0) {
            if (playingMs < 0 && engine.playState() == MediaEngine::Playing)
                playingMs = timer.nsecsElapsed() / 1e6;
            if (monitor.heardSound(5))
                soundMs = timer.nsecsElapsed() / 1e6;
        }
        playing.push_back(playingMs);
        sound.push_back(soundMs);
        std::printf("run %d: first body byte %7.1f ms   Playing after %7.1f ms   first sound %7.1f ms\n", run + 1,
                    floors.back(), playingMs, soundMs);
        engine.stop();
        engine.setUrl(QString());
    }
    const double floorMs = median(floors), soundMs = median(sound);
    std::printf("\nmedian of %d: HTTP first body byte %.1f ms, Playing %.1f ms, first sound %.1f ms\n", runs, floorMs,
                median(playing), soundMs);
    std::printf("tune-to-sound above the floor: %.1f ms (ratio %.1f)\n", soundMs - floorMs,
                floorMs > 0 ? soundMs / floorMs : 0.0);
    return 0;
}
