// Time from play() on the local Icecast stream to the first audible sample on the
// null sink's monitor, beside the time a bare HTTP client waits for the first
// byte of the stream's body: the floor no player can beat.
//
//   scripts/test starts the servers; by hand:
//   source scripts/lib.sh; source scripts/servers.sh; source scripts/icecast.sh
//   start_sound; start_icecast; start_tone_source; build/tune_to_sound [runs]

#include "benchkit.h"
#include "platform/gstmediaengine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using benchkit::firstBodyByteMs;
using benchkit::median;
using benchkit::Monitor;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString stream = qEnvironmentVariable("SONAVEO_TEST_STREAM");
    if (stream.isEmpty()) {
        std::fprintf(stderr, "SONAVEO_TEST_STREAM is not set\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    benchkit::OwnSink sink;
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
