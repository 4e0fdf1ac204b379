#pragma once
// The two things the program cannot work without: the playback engine and a sound
// output. The real answers come from the engine (GStreamer); tests install doubles.

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
    // Called as the splash shows: checks that take long may start now, in the
    // background, and are only collected when asked.
    virtual void begin() {}
    // Every window but the splash plays through the engine: false when it
    // cannot be loaded at all, and then the player is missing.
    virtual bool engineLoaded() { return true; }
};

// The checks as the engine answers them.
class EngineEnvironmentChecks : public EnvironmentChecks {
public:
    // alongside, when given, is more start-up work that needs the engine: it
    // runs on a thread of its own once the media player was found, while the
    // sound output is checked, and the answers never wait for it.
    explicit EngineEnvironmentChecks(std::function<void()> alongside = {}) : m_alongside(std::move(alongside)) {}
    ~EngineEnvironmentChecks();
    // Starts both probes on a helper thread, where they overlap with building
    // the windows. The answers are then only collected; without it they are
    // probed on demand.
    void begin() override;
    bool engineLoaded() override;
    bool mediaPlayerAvailable() override;
    bool soundOutputAvailable() override;

private:
    std::function<void()> m_alongside;
    std::future<std::pair<bool, bool>> m_answers;
    std::thread m_helper;
    std::optional<std::pair<bool, bool>> m_known;
    std::pair<bool, bool> answers();
    static std::pair<bool, bool> probe(const std::function<void()> &playerFound = {});
};

// GStreamer keeps its list of plugins in a cache and, by default, looks at each
// of the few hundred plugin files at every start to see whether one changed,
// which costs the start milliseconds. A plugin installed, upgraded or removed
// changes the folder that holds it; while no plugin folder changed after the
// cache was written, the files are not looked at. Called at the start of the
// program, before any other thread runs: it sets the environment. Tells whether
// the files will be skipped.
bool skipPluginScanWhileCurrent();

// What skipPluginScanWhileCurrent() decided; the engine is told as it loads.
bool pluginScanSkipped();

// The rule above, for the folders GStreamer would look in given this
// environment: true when the cache file is newer than every plugin folder.
bool pluginCacheIsCurrent(const QProcessEnvironment &environment);
