#pragma once
// Tuning a station and watching both players: the 100 ms status tick drives the
// connection text, the connecting blink, the station's position, buffer and bit
// rate, the activity picture, the recording's clocks and the exit countdown.
// Volume and Disconnect live here too, as they act on the same players.

#include <QString>
#include <functional>
#include <optional>

class NetworkState;
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
};

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
                     TWindowsMediaPlayer &recordingPlayer, NetworkState &network,
                     TPlaybackHooks hooks);

    TPlaybackState state;

    void TuneStation(const QString &name, const QString &url);
    bool IsConnected();
    void TimerSonaveoTimer();

    void SetVolume(int value);
    void VrScrollBarPlayer1Change();
    void VrDemoButtonUnplugClick();

private:
    void statusPass();
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
    TPlaybackHooks m_hooks;
};
