#pragma once
// Tuning a station and watching both players: the 100 ms status tick drives the
// connection text, the connecting blink, the station's position, buffer and bit
// rate, the activity picture, the recording's clocks and the exit countdown.
// Volume and Disconnect live here too, as they act on the same players.

#include <QList>
#include <QString>
#include <QTime>
#include <functional>
#include <memory>
#include <optional>

class NetworkState;
class QTimer;
class StationLinks;
struct StationLinkReport;
class QLabel;
class TImage;
class TVrClock;
class TVrDemoButton;
class TVrMatrix;
class TVrNum;
class TVrSlider;
class TWindowsMediaPlayer;

// The text the LED display shows while online, until a skin changes it.
inline const QString kDefaultLedText = QStringLiteral("MARO SONAVEO ONLINE!");
inline const QString kOfflineLedText = QStringLiteral("INTERNET CONNECTION?");
inline const QString kConnectingText = QStringLiteral("Connecting.....");
inline const QString kReconnectingText = QStringLiteral("Reconnecting...");
inline const QString kConnectionTimeoutMessage = QStringLiteral(
    "Currently no connection to this radio station is possible! Please check your internet "
    "connection and the URL of the station.");

// Program-wide playback state, owned by the main window.
struct TPlaybackState {
    bool online = false;
    bool connecting = false;
    int connectionTimeoutCounter = 0;
    QString currentStationName;
    bool filePlaybackRequest = false;
    bool recordingPlaybackFlag = false;
    bool exitFlag = false;
    int exitTickCounter = 0;
};

// The main window's controls this logic reads and writes.
struct TPlaybackControls {
    TVrMatrix *VrMatrixConn = nullptr;
    QLabel *LabelStation = nullptr;
    TVrClock *VrClockstposition = nullptr;
    QLabel *LabelBuffer = nullptr;
    QLabel *LabelBandwidth = nullptr;
    TImage *ImagePlayer1GO = nullptr;
    TVrClock *VrClockRecPos = nullptr;
    TVrClock *VrClockDuration = nullptr;
    TVrDemoButton *VrDemoButtonStart = nullptr;
    TVrDemoButton *VrDemoButtonRec = nullptr;
    TVrDemoButton *VrDemoButtonOptions = nullptr;
    TVrDemoButton *VrDemoButtonBurn = nullptr;
    TVrSlider *VrScrollBarPlayer1 = nullptr;
    TVrNum *VrNumVolume = nullptr;
};

// Hooks into other windows: the skin's LED text, the recording file, closing the
// main window at the end of the exit countdown.
struct TPlaybackHooks {
    std::function<QString()> ledText = [] { return kDefaultLedText; };
    std::function<QString()> recordingFile;
    std::function<void()> closeMainWindow;
    // After each status tick, for those who follow what plays.
    std::function<void()> ticked;
};

// A title the station gave, with the time of day it came.
struct TStationTitle {
    QTime at;
    QString station;
    QString title;
};

// A stream's title as it is shown: control characters dropped, blanks at the
// ends trimmed, at most kMaxTitleLength characters.
QString cleanStationTitle(const QString &title);
inline constexpr int kMaxTitleLength = 256;

// What the player is given for what the user typed: the address itself, an
// address without its "http://" with it, a local path as it is; empty when it
// is no station address at all.
QString stationAddress(const QString &typed);
// An address as a message shows it: on one line, at most 200 characters.
QString shownAddress(const QString &url);

// "HH:MM:SS" for a position in seconds: nearest whole second with halves to the
// even neighbour, negative as 0, exactly 24 hours as "00:00:00".
QString SecondsToClockText(double seconds);

// Sets a clock from a position, writing only the fields that change. Positions of
// a day and more wrap to a time of day.
void setClockFromSeconds(TVrClock *clock, double seconds);
// Sets every non-zero field of the clock to 0.
void resetClock(TVrClock *clock);

class TStationPlayback {
public:
    TStationPlayback(TPlaybackControls controls, TWindowsMediaPlayer &stationPlayer,
                     TWindowsMediaPlayer &recordingPlayer, NetworkState &network, StationLinks &links,
                     TPlaybackHooks hooks);
    ~TStationPlayback();

    // Seconds without sound after which a station is given up, and the time a
    // dropped station is tried again for.
    static constexpr int kNoSoundTicks = 150;
    static constexpr int kReconnectTicks = 3000;
    // A stream whose buffer stays empty this long is taken as dropped.
    static constexpr int kStallTicks = 50;
    // The pauses before the attempts after a drop, in ticks; the last repeats.
    static constexpr int kBackoffTicks[] = {10, 20, 40, 80, 100};
    // How many titles are kept for the listener to look up.
    static constexpr int kTitlesKept = 11;
    // The titles heard, oldest first.
    const QList<TStationTitle> &titles() const { return m_titles; }
    // True while a dropped station is being tuned again.
    bool reconnecting() const { return m_phase == Phase::Reconnecting; }
    // The address of the station tuned last, as the player was given it.
    const QString &stationUrl() const { return m_stationUrl; }
    // What the station says it plays now; empty while it says nothing.
    const QString &streamTitle() const { return m_lastTitle; }
    // True while the station player plays, as the last tick saw it.
    bool stationPlaying();

    TPlaybackState state;

    void TuneStation(const QString &name, const QString &url);
    bool IsConnected();
    void TimerSonaveoTimer();

    void SetVolume(int value);
    void VrScrollBarPlayer1Change();
    void VrDemoButtonUnplugClick();
    // The station is ended by the program (recording playback takes the
    // output): it is neither tried again nor reported.
    void endStation();

private:
    enum class Phase { Idle, Tuning, Playing, Reconnecting };
    // One address to try for the station, and how many lists deep it was found.
    struct Candidate {
        QString url;
        int depth = 0;
    };
    static constexpr int kMaxPlaylistDepth = 3;

    void statusPass();
    // The station's connection, once per tick after the connection text.
    void superviseStation();
    void startTry(const QString &url, int depth);
    // Between ticks while a try runs: a failure is followed up at once, not on
    // the next tick, so a playlist link costs little more than its entry.
    void checkTry();
    // Starts the look at the address being tried.
    void lookAtTry();
    void tryNext();
    void tryFailed(const QString &message);
    void onLook(const StationLinkReport &report);
    void dropped();
    void attemptReconnect();
    // Stops the station and says why, once.
    void giveUp(const QString &message);
    void followTitle();
    QString connectionText();
    void tail();
    // The station player's position, asked of the engine once per tick (a
    // position query walks the whole pipeline).
    double stationPosition();
    std::optional<double> m_tickPosition;
    // The players' states, likewise read once per tick: the tick works on one
    // picture of both players, read anew after it has told one of them to start
    // or stop.
    int stationState();
    int recordingState();
    std::optional<int> m_tickStationState;
    std::optional<int> m_tickRecordingState;

    TPlaybackControls m_c;
    TWindowsMediaPlayer &m_station;
    TWindowsMediaPlayer &m_rec;
    NetworkState &m_network;
    StationLinks &m_links;
    TPlaybackHooks m_hooks;

    Phase m_phase = Phase::Idle;
    // The station's address as the user gave it, and what is left to try of it.
    QString m_stationUrl;
    QList<Candidate> m_candidates;
    Candidate m_trying;
    bool m_tryRunning = false;
    // The address was looked at before the player had it (named as a list).
    bool m_lookedFirst = false;
    std::unique_ptr<QTimer> m_tryCheck;
    bool m_looking = false;
    int m_ticksWithoutSound = 0;
    QString m_firstFailure;
    // After a drop: ticks since it, the tick of the next attempt, attempts made.
    int m_dropTicks = 0;
    int m_nextAttemptTick = 0;
    int m_attempts = 0;
    int m_stallTicks = 0;
    bool m_wasOnline = true;
    QString m_lastTitle;
    QString m_rawTitle; // as the stream gave it, before cleaning
    QList<TStationTitle> m_titles;
};
