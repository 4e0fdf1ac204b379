#pragma once
// One player instance as the program commands and polls it: the URL to open, the
// play state, and the controls, settings, network and current-media sub-objects.
// Every call goes straight to the engine, which never blocks the caller.

#include "platform/mediaengine.h"

#include <QString>
#include <memory>

class TWindowsMediaPlayer {
public:
    // The play state the program compares with: the engine is playing.
    static constexpr int wmppsPlaying = 3;

    explicit TWindowsMediaPlayer(std::unique_ptr<MediaEngine> engine);

    void setURL(const QString &url);
    QString URL() const;
    int playState();

    class Controls {
    public:
        void play();
        void stop();
        double currentPosition();

    private:
        friend class TWindowsMediaPlayer;
        explicit Controls(MediaEngine &e) : m_engine(e) {}
        MediaEngine &m_engine;
    };
    class Settings {
    public:
        void setVolume(int percent);
        int volume() const;

    private:
        friend class TWindowsMediaPlayer;
        explicit Settings(MediaEngine &e) : m_engine(e) {}
        MediaEngine &m_engine;
    };
    class Network {
    public:
        int bufferingProgress();
        int bitRate();

    private:
        friend class TWindowsMediaPlayer;
        explicit Network(MediaEngine &e) : m_engine(e) {}
        MediaEngine &m_engine;
    };
    class CurrentMedia {
    public:
        double duration();

    private:
        friend class TWindowsMediaPlayer;
        explicit CurrentMedia(MediaEngine &e) : m_engine(e) {}
        MediaEngine &m_engine;
    };

    Controls controls() { return Controls(*m_engine); }
    Settings settings() { return Settings(*m_engine); }
    Network network() { return Network(*m_engine); }
    CurrentMedia currentMedia() { return CurrentMedia(*m_engine); }

    MediaEngine &engine() { return *m_engine; }

private:
    std::unique_ptr<MediaEngine> m_engine;
};
