#pragma once
// One audio player: the station player and the recording player each own one.
// The status timer polls it every 100 ms and the handlers command it, all on the
// GUI thread. No call waits for the network or for a state change: a dead or slow
// server only shows as a play state that never becomes Playing.

#include "platform/errors.h"

#include <QString>

// A player call failed (for example the player could not be built).
class EMediaError : public Exception {
public:
    using Exception::Exception;
};

class MediaEngine {
public:
    // Play states as the Windows media player numbers them; callers only ever
    // compare with Playing.
    enum PlayState {
        Undefined = 0,
        Stopped = 1,
        Playing = 3,
        Buffering = 6,
        MediaEnded = 8,
        Transitioning = 9,
        Ready = 10,
    };

    virtual ~MediaEngine() = default;

    // Opens an http(s) URL, a file URL or a plain local path; playback starts with
    // play(). An empty string releases the current media (a file is closed).
    virtual void setUrl(const QString &urlOrPath) = 0;
    virtual QString url() const = 0;
    // Playing only while sound really flows: not before the first audio has reached
    // the output, not after the end of the media or an error.
    virtual int playState() = 0;
    virtual void play() = 0;
    // Stops and drops the connection; does nothing when nothing plays.
    virtual void stop() = 0;
    // Seconds since the stream's sound started, the place in the file for a file;
    // 0 when unknown.
    virtual double currentPosition() = 0;
    // 0..100, applied linearly to the sample values.
    virtual void setVolume(int percent) = 0;
    virtual int volume() const = 0;
    // Fill of the network buffer in percent; 100 when nothing is being buffered.
    virtual int bufferingProgress() = 0;
    // Bits per second of the stream: the nominal figure when the stream states
    // one, else the measured one in whole kbit/s; 0 while unknown.
    virtual int bitRate() = 0;
    // Length of the opened media in seconds; 0 when unknown (live streams).
    virtual double duration() = 0;
    // Text of the playback error of the media opened last, empty when none
    // happened since setUrl() or play().
    virtual QString lastError() const = 0;
    // The title the stream gives what it plays now ("artist - title" when it
    // names both), as it came; empty when it gave none since setUrl() or play().
    virtual QString streamTitle() { return {}; }
};
