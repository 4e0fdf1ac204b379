// One status tick (TimerSonaveoTimer) of the real main window with GStreamer
// players: both idle, the station player playing, and the station player tuned to
// a server that accepts the connection and never answers. The tick only polls the
// players, so its time stays in microseconds whatever the network does.
//
// The playing case plays the stream in SONAVEO_TEST_STREAM when it is set (the
// local Icecast tone), otherwise a 440 Hz WAV file written at start; the label
// says which. Each tick is timed on its own; the event loop runs between ticks,
// untimed, so the window repaints as it does in use. max_us is the slowest tick,
// over_1ms the number of ticks that took longer than a millisecond.
//   QT_QPA_PLATFORM defaults to offscreen; sound goes to the benchmarks' own null sink.

#include "app/mainform.h"
#include "benchkit.h"
#include "enginetestkit.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include "benchmain.h"

#include <chrono>
#include <memory>

namespace {

QString g_playSource;
const char *g_playLabel = "";

// A shown main window whose status tick has found the network, its own timer
// stopped so that only the benchmark ticks.
std::unique_ptr<TMainForm> makeForm()
{
    auto form = std::make_unique<TMainForm>();
    form->show();
    form->ui().TimerSonaveo->stop();
    form->playback()->TimerSonaveoTimer();
    QCoreApplication::processEvents();
    return form;
}

void tickLoop(benchmark::State &state, TMainForm &form)
{
    using Clock = std::chrono::steady_clock;
    double slowest = 0;
    int64_t playingTicks = 0, overOneMs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        form.playback()->TimerSonaveoTimer();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        slowest = std::max(slowest, seconds);
        if (seconds > 1e-3)
            ++overOneMs;
        if (form.stationPlayer()->playState() == TWindowsMediaPlayer::wmppsPlaying)
            ++playingTicks;
        QCoreApplication::processEvents();
    }
    state.counters["max_us"] = slowest * 1e6;
    state.counters["over_1ms"] = double(overOneMs);
    state.counters["playing"] = double(playingTicks) / double(std::max<int64_t>(1, state.iterations()));
}

void BM_StatusTick_Idle(benchmark::State &state)
{
    auto form = makeForm();
    tickLoop(state, *form);
}
BENCHMARK(BM_StatusTick_Idle)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

void BM_StatusTick_StationPlaying(benchmark::State &state)
{
    auto form = makeForm();
    // Tuned in real time: the window's own timer ticks until the station shows its
    // name, which ends the connecting phase. Ticks faster than real time before
    // that would count the connection out while the position is still under a
    // second.
    form->playback()->TuneStation(QStringLiteral("Bench"), g_playSource);
    form->ui().TimerSonaveo->start();
    const bool tuned = enginetest::waitUntil([&] { return !form->playback()->state.connecting; }, 10000);
    form->ui().TimerSonaveo->stop();
    if (!tuned || form->stationPlayer()->playState() != TWindowsMediaPlayer::wmppsPlaying) {
        state.SkipWithError("the station player did not start playing");
        return;
    }
    state.SetLabel(g_playLabel);
    tickLoop(state, *form);
}
BENCHMARK(BM_StatusTick_StationPlaying)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

void BM_StatusTick_DeadServer(benchmark::State &state)
{
    enginetest::BadHttpServer server(enginetest::BadHttpServer::NeverAnswers);
    auto form = makeForm();
    form->playback()->TuneStation(QStringLiteral("Dead"), server.url());
    enginetest::spin(200); // connected and waiting for the answer
    state.SetLabel("connected, no answer");
    tickLoop(state, *form);
    state.counters["connections"] = server.connections();
}
BENCHMARK(BM_StatusTick_DeadServer)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const benchkit::OwnSink sink; // the playing case's sound stays off sonaveo_sink
    QTemporaryDir dir;
    g_playSource = qEnvironmentVariable("SONAVEO_TEST_STREAM");
    g_playLabel = "local Icecast MP3 stream";
    if (g_playSource.isEmpty()) {
        g_playSource = dir.filePath(QStringLiteral("tone.wav"));
        g_playLabel = "local WAV file";
        if (!enginetest::writeTone(g_playSource, QStringLiteral("wavenc"), 120.0)) {
            std::fprintf(stderr, "could not write the WAV file\n");
            return 1;
        }
    }
    return runBenchmarks(argc, argv);
}
