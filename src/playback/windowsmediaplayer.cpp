#include "playback/windowsmediaplayer.h"

TWindowsMediaPlayer::TWindowsMediaPlayer(std::unique_ptr<MediaEngine> engine)
    : m_engine(std::move(engine))
{
}

void TWindowsMediaPlayer::setURL(const QString &url) { m_engine->setUrl(url); }
QString TWindowsMediaPlayer::URL() const { return m_engine->url(); }
int TWindowsMediaPlayer::playState() { return m_engine->playState(); }

void TWindowsMediaPlayer::Controls::play() { m_engine.play(); }
void TWindowsMediaPlayer::Controls::stop() { m_engine.stop(); }
double TWindowsMediaPlayer::Controls::currentPosition() { return m_engine.currentPosition(); }
void TWindowsMediaPlayer::Settings::setVolume(int percent) { m_engine.setVolume(percent); }
int TWindowsMediaPlayer::Settings::volume() const { return m_engine.volume(); }
int TWindowsMediaPlayer::Network::bufferingProgress() { return m_engine.bufferingProgress(); }
int TWindowsMediaPlayer::Network::bitRate() { return m_engine.bitRate(); }
double TWindowsMediaPlayer::CurrentMedia::duration() { return m_engine.duration(); }
