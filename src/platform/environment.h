#pragma once
// The two things the program cannot work without: the playback engine and a sound
// output. The real answers come from GStreamer; tests install doubles.

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
    bool mediaPlayerAvailable() override;
    bool soundOutputAvailable() override;
};

// Initialises GStreamer once; false when it cannot be initialised.
bool ensureGStreamer();
