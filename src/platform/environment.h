#pragma once
// The two things the program cannot work without: the playback engine and a sound
// output. The real answers come from GStreamer; tests install doubles.

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
};

// True when GStreamer can make the named element.
bool hasGstElement(const char *name);

// Initialises GStreamer once; false when it cannot be initialised.
bool ensureGStreamer();
