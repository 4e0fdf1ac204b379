#pragma once
// The two things the program cannot work without: the playback engine and a sound
// output. The real answers come from GStreamer; tests install doubles.

#include <QProcessEnvironment>

#include <functional>
#include <future>
#include <optional>
#include <thread>
#include <utility>

class EnvironmentChecks {
public:
    virtual ~EnvironmentChecks() = default;
    // The playback engine is there: GStreamer initialises and playbin, an HTTP
    // source and an MP3 decoder can be made.
    virtual bool mediaPlayerAvailable() = 0;
    // At least one sound output device exists.
    virtual bool soundOutputAvailable() = 0;
};

class GstEnvironmentChecks : public EnvironmentChecks {
public:
    // Starts both probes on a helper thread, so GStreamer's start-up (registry,
    // sound server connection: some 20 ms) overlaps with the toolkit's own.
    // The answers are then only collected; without it they are probed on demand.
    // afterwards, when given, runs on the same thread once the answers are handed
    // over, for more start-up work that needs GStreamer.
    void prefetch(std::function<void()> afterwards = {});
    ~GstEnvironmentChecks();
    bool mediaPlayerAvailable() override;
    bool soundOutputAvailable() override;

    static bool probeMediaPlayer();
    static bool probeSoundOutput();

private:
    std::future<std::pair<bool, bool>> m_answers;
    std::thread m_helper;
    std::optional<std::pair<bool, bool>> m_known;
    std::pair<bool, bool> answers();
    static bool findSoundOutput();
};

// True when GStreamer can make the named element.
bool hasGstElement(const char *name);

// The name of PulseAudio's device provider, which PipeWire's pipewire-pulse
// serves too.
inline constexpr const char *kPulseDeviceProvider = "pulsedeviceprovider";

// The device provider factories that offer devices of the given classes
// ("Audio/Sink", "Audio/Source"), PulseAudio's first, the player's sound going
// through it, then the others by rank. Free the list with
// gst_plugin_feature_list_free().
struct _GList *deviceProvidersPulseFirst(const char *classes);

// Initialises GStreamer once; false when it cannot be initialised.
bool ensureGStreamer();

// GStreamer keeps its list of plugins in a cache and, by default, looks at each
// of the few hundred plugin files at every start to see whether one changed,
// which costs the start milliseconds. A plugin installed, upgraded or removed
// changes the folder that holds it; while no plugin folder changed after the
// cache was written, the files are not looked at. Called at the start of the
// program, before any other thread runs: it sets the environment. Tells whether
// the files will be skipped.
bool skipPluginScanWhileCurrent();

// The rule above, for the folders GStreamer would look in given this
// environment: true when the cache file is newer than every plugin folder.
bool pluginCacheIsCurrent(const QProcessEnvironment &environment);

// Looks at the plugin files and brings the list of plugins up to date, once per
// process; later calls return at once. True when GStreamer is initialised.
bool refreshPluginList();

// What present() tells, asked a second time after refreshPluginList() when the
// first answer is no: what a check misses may have been installed in a way the
// folders do not show. For the start-up checks: GStreamer's list must not change
// while a pipeline runs or an element is made.
bool presentOrRefreshed(const std::function<bool()> &present);