// Tuning as the listener gets it: from the main window's TuneStation to the first
// sound on the null sink's monitor, in this process through the window's own
// code, on the local Icecast stream. Beside it, in the same run, the floor (a bare
// HTTP client's wait for the stream's first body byte) and the anchor
// (gst-launch-1.0 playbin, from launch to first sound). The window tunes the stream
// through a pass-through relay that times the first body byte of the window's own
// connection: the server's first byte comes a different time after each connect,
// so that is the floor each run is set against. A separate client's wait is
// printed beside it. Then the same window and
// the anchor play through a relay that holds the stream back for one second every
// five, and the gaps heard on the monitor are counted for both. Everything plays
// into a null sink of the benchmark's own (see benchkit::OwnSink).
//
//   source scripts/lib.sh; source scripts/servers.sh; source scripts/icecast.sh
//   start_sound; start_icecast; start_tone_source
//   build/tune_to_first_sound [runs] [seconds through the relay] [relay's burst in s]   (5, 25, 3)
//   stop_test_servers
//
// With --url URL [runs] it only tunes that address, runs times, and prints each
// run's first sound (bench/stream_first_sound.sh sets it beside mpv and
// gst-launch for every kind of station).
//
// With --media-key URL [runs] it registers the window's player on the session
// bus (run it under dbus-run-session) and, alternately, tunes the address as a
// click does and asks for it with `playerctl -p sonaveo play` after a stop,
// timing each to the first sound (target: the media key at most 10 ms slower).
//
// With --reconnect URL [runs] it plays a station of the tests' station server,
// has the server drop it and come back 4.5 s later, and prints the time from the
// server's return to the sound, beside the time the next attempt was due
// (attempts come 1, 2, 4, 8 and then every 10 s apart; target: sound at most
// 500 ms after the attempt was due).

#include "app/desktopplayer.h"
#include "app/mainform.h"
#include "benchkit.h"
#include "enginetestkit.h"
#include "platform/gstmediaengine.h"
#include "playback/mpris.h"
#include "playback/stationplayback.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <QTemporaryDir>

#include <cstdio>

using benchkit::Gaps;
using benchkit::Monitor;
using enginetest::spin;
using enginetest::waitUntil;

namespace {

constexpr int kGiveUpMs = 10000;

// Milliseconds from start() to the first sound on the monitor, or -1. The event
// loop runs between reads, so the main window's status timer ticks and the window
// repaints as usual; the moment comes from the sample count since the recording
// was drained, so time spent in the event loop does not add to it.
// longestPassMs receives the longest event loop pass in the meantime.
template <typename Start> double msToFirstSound(Monitor &monitor, Start &&start, double *longestPassMs = nullptr)
{
    spin(500); // the previous run's tail leaves the sink
    // A sound still in the sink would be taken for the first sound.
    if (!monitor.waitForSilence(300, 5000))
        std::fprintf(stderr, "the sink did not fall silent before the run; its time is not to be trusted\n");
    monitor.drain();
    QElapsedTimer timer;
    timer.start();
    start();
    double longest = 0;
    double at = -1;
    while (timer.elapsed() < kGiveUpMs && at < 0) {
        // The sound's time comes from the samples, whatever the slice; a short
        // slice keeps the event loop as ready as a program's idle one, which
        // matters to what arrives from outside (a media key's call on the bus).
        at = monitor.soundAtMs(1);
        const double passMs = enginetest::timed([] { QCoreApplication::processEvents(); });
        longest = std::max(longest, passMs);
    }
    if (longestPassMs)
        *longestPassMs = longest;
    return at;
}

QProcess *launchAnchor(const QString &url)
{
    auto *process = new QProcess;
    process->start(QStringLiteral("gst-launch-1.0"), {QStringLiteral("-q"), QStringLiteral("playbin"),
                                                      QStringLiteral("uri=") + url});
    return process;
}

void endAnchor(QProcess *process)
{
    process->kill();
    process->waitForFinished(2000);
    delete process;
}

// Records the monitor for `seconds` after start(), with the event loop running.
template <typename Start> std::vector<int16_t> recordPlaying(Monitor &monitor, double seconds, Start &&start)
{
    spin(500);
    monitor.drain();
    start();
    std::vector<int16_t> take;
    const size_t wanted = size_t(seconds * benchkit::kRate);
    QElapsedTimer timer;
    timer.start();
    while (take.size() < wanted && timer.elapsed() < seconds * 1000 + 5000) {
        const std::vector<int16_t> part = monitor.take(10);
        take.insert(take.end(), part.begin(), part.end());
        QCoreApplication::processEvents();
    }
    take.resize(std::min(take.size(), wanted));
    return take;
}

void printGaps(const char *who, const Gaps &gaps)
{
    if (!gaps.heardAnything) {
        std::printf("  %-14s nothing heard\n", who);
        return;
    }
    std::printf("  %-14s %2d gaps   longest %5d ms   silent %6d ms in all\n", who, gaps.count, gaps.longestMs,
                gaps.totalMs);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool urlMode = argc > 2 && QLatin1String(argv[1]) == QLatin1String("--url");
    const bool reconnectMode = argc > 2 && QLatin1String(argv[1]) == QLatin1String("--reconnect");
    const bool mediaKeyMode = argc > 2 && QLatin1String(argv[1]) == QLatin1String("--media-key");
    urlMode = urlMode || mediaKeyMode;
    const QString stream = urlMode || reconnectMode ? QString::fromLocal8Bit(argv[2]) : qEnvironmentVariable("SONAVEO_TEST_STREAM");
    if (stream.isEmpty()) {
        std::fprintf(stderr, "SONAVEO_TEST_STREAM is not set (start the test servers first)\n");
        return 2;
    }

    const int runs = urlMode || reconnectMode ? (argc > 3 ? std::max(1, std::atoi(argv[3])) : 5)
                             : (argc > 1 ? std::max(1, std::atoi(argv[1])) : 5);
    const double relaySeconds = argc > 2 ? std::max(5.0, std::atof(argv[2])) : 25.0;
    const double burstSeconds = argc > 3 ? std::max(0.0, std::atof(argv[3])) : 3.0;

    benchkit::OwnSink sink;
    if (!sink.present()) {
        std::fprintf(stderr, "no sound server to play and record on (start_sound)\n");
        return 2;
    }
    Monitor monitor;
    TMainForm form;
    form.show();
    form.playback()->SetVolume(1000);
    // As the program does once its window is on screen.
    GstMediaEngine::loadStreamPluginsInBackground();
    if (!waitUntil([&] { return form.playback()->state.online; }, 3000)) {
        std::fprintf(stderr, "the main window never saw the network online\n");
        return 1;
    }

    if (reconnectMode) {
        const QUrl url(stream);
        const QString control = url.scheme() + QStringLiteral("://") + url.authority() + QStringLiteral("/control/");
        auto ask = [&](const char *what) {
            QProcess::execute(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                                       control + QLatin1String(what)});
        };
        // When the attempts come after a drop, in ms: the pauses add up.
        std::vector<double> due;
        double at = 0;
        for (int step : TStationPlayback::kBackoffTicks)
            due.push_back(at += step * 100.0);
        while (at < 60000)
            due.push_back(at += TStationPlayback::kBackoffTicks[std::size(TStationPlayback::kBackoffTicks) - 1] * 100.0);
        constexpr double kDownMs = 4500;
        std::vector<double> overDue;
        for (int run = 0; run < runs; ++run) {
            if (msToFirstSound(monitor, [&] { form.playback()->TuneStation(QStringLiteral("Bench"), stream); }) < 0) {
                std::printf("run %d: the station never played\n", run + 1);
                continue;
            }
            QElapsedTimer sinceDrop;
            ask("drop");
            sinceDrop.start();
            waitUntil([&] { return form.playback()->reconnecting(); }, 10000);
            const double droppedAfterMs = double(sinceDrop.elapsed());
            spin(int(kDownMs - double(sinceDrop.elapsed())));
            ask("restore");
            const double restoredAtMs = double(sinceDrop.elapsed());
            monitor.drain();
            double heardMs = -1;
            QElapsedTimer wait;
            wait.start();
            while (heardMs < 0 && wait.elapsed() < 20000) {
                heardMs = monitor.soundAtMs(5);
                QCoreApplication::processEvents();
            }
            // The drop is noticed once the buffered sound has played out; the
            // attempts count from then.
            const double nextDue = *std::find_if(due.begin(), due.end(), [&](double d) {
                return d + droppedAfterMs > restoredAtMs;
            }) + droppedAfterMs - restoredAtMs;
            std::printf("run %d: drop noticed after %6.0f ms; back after %6.0f ms; sound %6.0f ms after the return, "
                        "the attempt was due %6.0f ms after it (%+6.0f ms)\n",
                        run + 1, droppedAfterMs, restoredAtMs, heardMs, nextDue, heardMs - nextDue);
            if (heardMs >= 0)
                overDue.push_back(heardMs - nextDue);
            form.playback()->VrDemoButtonUnplugClick();
            std::fflush(stdout);
        }
        std::printf("median sound after the attempt was due: %+.0f ms (target <= +500 ms)\n",
                    overDue.empty() ? -1.0 : benchkit::median(overDue));
        return 0;
    }

    if (mediaKeyMode) {
        const std::unique_ptr<TMprisService> player = startDesktopPlayer(form, QDBusConnection::sessionBus());
        if (!player || !player->registered()) {
            std::fprintf(stderr, "the player is not on a session bus (run under dbus-run-session)\n");
            return 2;
        }
        // Each start goes through a relay that times the server's own wait
        // (request to first body byte), which differs from one connection to
        // the next by more than the figure sought; it is taken off each run.
        benchkit::TimingRelay relay{QUrl(stream)};
        if (!relay.listening()) {
            std::fprintf(stderr, "the timing relay could not listen\n");
            return 1;
        }
        std::vector<double> clicked, keyed;
        for (int run = 0; run < runs; ++run) {
            const double tuned =
                msToFirstSound(monitor, [&] { form.playback()->TuneStation(QStringLiteral("Bench"), relay.url()); });
            const double tunedWait = relay.serverWaitMs();
            form.playback()->VrDemoButtonUnplugClick();
            QProcess key;
            const double keyedMs = msToFirstSound(monitor, [&] {
                key.start(QStringLiteral("playerctl"), {QStringLiteral("-p"), QStringLiteral("sonaveo"), QStringLiteral("play")});
            });
            const double keyedWait = relay.serverWaitMs();
            key.waitForFinished(5000);
            form.playback()->VrDemoButtonUnplugClick();
            if (tuned < 0 || keyedMs < 0 || tunedWait < 0 || keyedWait < 0) {
                std::printf("run %d: no sound or no first byte; left out\n", run + 1);
                continue;
            }
            clicked.push_back(tuned - tunedWait);
            keyed.push_back(keyedMs - keyedWait);
            std::printf("run %d: tuned %7.1f ms (server %5.1f)   playerctl play %7.1f ms (server %5.1f)\n", run + 1,
                        tuned, tunedWait, keyedMs, keyedWait);
            std::fflush(stdout);
        }
        // The same way to the player without a station to tune: what playerctl
        // itself and the bus take.
        std::vector<double> asked;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            QProcess status;
            status.start(QStringLiteral("playerctl"), {QStringLiteral("-p"), QStringLiteral("sonaveo"), QStringLiteral("status")});
            while (status.state() != QProcess::NotRunning)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            asked.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::printf("median playerctl status, start to end: %.1f ms\n", benchkit::median(asked));
        const double c = benchkit::median(clicked), k = benchkit::median(keyed);
        std::printf("median first sound less the server's wait: tuned %.1f ms, playerctl play %.1f ms: %+.1f ms "
                    "(target <= +10 ms)\n",
                    c, k, k - c);
        return 0;
    }

    if (urlMode) {
        std::vector<double> heard;
        for (int run = 0; run < runs; ++run) {
            heard.push_back(msToFirstSound(monitor, [&] { form.playback()->TuneStation(QStringLiteral("Bench"), stream); }));
            form.playback()->VrDemoButtonUnplugClick();
            std::printf("run %d: sonaveo first sound %7.1f ms\n", run + 1, heard.back());
            std::fflush(stdout);
        }
        std::printf("median sonaveo first sound %7.1f ms\n", benchkit::median(heard));
        return 0;
    }

    benchkit::TimingRelay ownConnection{QUrl(stream)};
    if (!ownConnection.listening()) {
        std::fprintf(stderr, "the timing relay could not listen\n");
        return 1;
    }
    std::vector<double> floors, otherFloors, program, overFloor, anchor, passes;
    for (int run = 0; run < runs; ++run) {
        otherFloors.push_back(benchkit::firstBodyByteMs(QUrl(stream)));
        double longestPass = 0;
        double tuneCallMs = 0;
        qint64 tunedAtNs = 0;
        program.push_back(msToFirstSound(
            monitor,
            [&] {
                tunedAtNs = benchkit::monotonicNs();
                tuneCallMs = enginetest::timed([&] { form.playback()->TuneStation(QStringLiteral("Bench"), ownConnection.url()); });
            },
            &longestPass));
        const qint64 firstByteNs = ownConnection.firstBodyByteNs();
        floors.push_back(firstByteNs > tunedAtNs ? double(firstByteNs - tunedAtNs) / 1e6 : -1);
        // A run without sound (or without a first byte) has no figure of its own.
        const bool heard = program.back() >= 0 && floors.back() >= 0;
        if (heard)
            overFloor.push_back(program.back() - floors.back());
        passes.push_back(longestPass);
        form.playback()->VrDemoButtonUnplugClick();
        QProcess *gst = nullptr;
        anchor.push_back(msToFirstSound(monitor, [&] { gst = launchAnchor(stream); }));
        endAnchor(gst);
        std::printf("run %d: first body byte %7.1f ms   sonaveo first sound %7.1f ms (%+6.1f)   gst-launch first sound %7.1f ms"
                    "   (another connection's first byte %.1f ms, TuneStation call %.1f ms, longest event loop pass %.1f ms)\n",
                    run + 1, floors.back(), program.back(), heard ? overFloor.back() : 0.0, anchor.back(), otherFloors.back(),
                    tuneCallMs, longestPass);
        std::fflush(stdout);
    }
    const double floorMs = benchkit::median(floors), programMs = benchkit::median(program),
                 anchorMs = benchkit::median(anchor);
    std::printf("\ntune to first sound, median of %d runs\n", runs);
    std::printf("  HTTP first body byte   %7.1f ms  (floor: the window's own connection; another's %.1f ms)\n", floorMs,
                benchkit::median(otherFloors));
    std::printf("  sonaveo                %7.1f ms  (TuneStation to first sound)\n", programMs);
    std::printf("  gst-launch playbin     %7.1f ms  (anchor, process launch to first sound)\n", anchorMs);
    std::printf("  sonaveo - floor        %7.1f ms  (target <= 30 ms; median over the runs of each run's own)\n",
                benchkit::median(overFloor));
    std::printf("  sonaveo / anchor       %7.2f\n", anchorMs > 0 ? programMs / anchorMs : 0.0);
    // The first tune of the process is the one a listener makes every day; it
    // is counted in the median too.
    if (program.front() >= 0 && floors.front() >= 0)
        std::printf("  first tune of the window - floor %+.1f ms\n", program.front() - floors.front());
    std::printf("  longest event loop pass of the main window while tuning: median %.1f ms\n",
                benchkit::median(passes));
    std::fflush(stdout);

    // The relay sends a burst, then the stream in real time but holding it back
    // for one second in every five and sending the held second at once after.
    QTemporaryDir dir;
    const QString mp3Path = dir.filePath(QStringLiteral("tone.mp3"));
    if (!enginetest::writeTone(mp3Path, QStringLiteral("lamemp3enc target=bitrate cbr=true bitrate=128"),
                               relaySeconds + 15)) {
        std::fprintf(stderr, "could not encode the relay's MP3\n");
        return 1;
    }
    QFile file(mp3Path);
    file.open(QIODevice::ReadOnly);
    const QByteArray mp3 = file.readAll();

    Gaps programGaps, anchorGaps;
    {
        enginetest::BadHttpServer relay(enginetest::BadHttpServer::Stalling, mp3);
        relay.burstSeconds = burstSeconds;
        programGaps = benchkit::findGaps(recordPlaying(monitor, relaySeconds, [&] {
            form.playback()->TuneStation(QStringLiteral("Relay"), relay.url());
        }));
        form.playback()->VrDemoButtonUnplugClick();
    }
    {
        enginetest::BadHttpServer relay(enginetest::BadHttpServer::Stalling, mp3);
        relay.burstSeconds = burstSeconds;
        QProcess *gst = nullptr;
        anchorGaps = benchkit::findGaps(recordPlaying(monitor, relaySeconds, [&] { gst = launchAnchor(relay.url()); }));
        endAnchor(gst);
    }
    std::printf("\nthrough a relay that sends a %.1f s burst, then holds the stream back 1 s in every 5; %.0f s each\n",
                burstSeconds, relaySeconds);
    std::printf("(gaps: silences over 50 ms after the first sound)\n");
    printGaps("sonaveo", programGaps);
    printGaps("gst-launch", anchorGaps);
    return 0;
}
