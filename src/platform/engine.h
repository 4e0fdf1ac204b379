#pragma once
// The playback engine: everything that needs GStreamer, GIO or Qt's network
// library. The program loads it as a module of its own on a helper thread
// while the first window comes up, so those libraries (a few milliseconds of
// loading and linking) are not in the way of the splash; tests link it in.

#include <QString>

#include <memory>

class MediaEngine;
class NetworkState;
class CaptureBackend;
class StationLinks;

struct Engine {
    std::unique_ptr<MediaEngine> (*makeMediaEngine)();
    std::unique_ptr<NetworkState> (*makeNetworkState)();
    std::unique_ptr<CaptureBackend> (*makeCaptureBackend)();
    std::unique_ptr<StationLinks> (*makeStationLinks)();
    // The start-up checks (see EnvironmentChecks).
    bool (*probeMediaPlayer)();
    bool (*probeSoundOutput)();
    // Start-up work that makes later answers quick: the capture devices, the
    // network monitor, GStreamer's own start (its list of plugins), the plugins
    // a stream needs (this one on a thread of its own).
    void (*prefetchCaptureDevices)();
    void (*prefetchNetworkMonitor)();
    void (*prefetchGStreamer)();
    void (*loadStreamPluginsInBackground)();
};

// The engine's entry: its table, once told whether the program skipped
// GStreamer's plugin scan (see skipPluginScanWhileCurrent()).
extern "C" const Engine *sonaveoEngine(bool pluginScanSkipped);
using EngineEntry = decltype(&sonaveoEngine);
inline constexpr const char *kEngineEntry = "sonaveoEngine";

// The engine, loaded the first time it is asked for, from any thread; a second
// caller waits for the first. Null when it cannot be loaded: engineProblem()
// then says why.
const Engine *engine();
QString engineProblem();
