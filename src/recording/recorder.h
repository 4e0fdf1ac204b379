#pragma once
// The recorder block: REC records the sound card into the temporary recording
// file, STOP finishes it, PLAY plays it back through the recording player. The
// main window's capture stream and wave file writer live here, as do the driver
// and format lists of the options window that the capture stream feeds.

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class TOptionsForm;
class TSoundCaptureStream;
class TVrDemoButton;
class TVrNum;
class TVrSlider;
class TWaveFileStream;
class TWindowsMediaPlayer;
struct TPlaybackState;

// The message REC shows when an option is not set.
inline const QString kOptionsMissing = QStringLiteral("Recording options are missing under 'Options'!");
// The format the format list selects by default.
inline const QString kDefaultFormat = QStringLiteral("44100Hz 16bit Stereo");

struct TRecorderControls {
    TVrDemoButton *VrDemoButtonRec = nullptr;
    TVrDemoButton *VrDemoButtonStop = nullptr;
    TVrDemoButton *VrDemoButtonStart = nullptr;
    TVrDemoButton *VrDemoButtonOptions = nullptr;
    TVrDemoButton *VrDemoButtonBurn = nullptr;
    TVrNum *VrNumSize = nullptr;
    QLabel *LabelStation = nullptr;
    TVrSlider *VrScrollBarPlayer1 = nullptr;
};

struct TRecorderHooks {
    std::function<TOptionsForm *()> options;
    std::function<void(int)> setVolume;
    // Ends the station for good: no reconnect, no failure message.
    std::function<void()> endStation;
    // The player's data folder: a recording file named without a folder is there.
    std::function<QString()> dataDirectory;
};

class TRecorder {
public:
    TRecorder(TRecorderControls controls, TWindowsMediaPlayer &stationPlayer, TWindowsMediaPlayer &recordingPlayer,
              TPlaybackState &playback, TRecorderHooks hooks);
    ~TRecorder();

    std::unique_ptr<TSoundCaptureStream> CaptureStream;
    std::unique_ptr<TWaveFileStream> WaveFile;

    // Options window lists.
    void FillDriverList();
    void RebuildFormatList();

    void VrDemoButtonRecClick();
    void VrDemoButtonStopClick();
    void VrDemoButtonStartClick();
    void CaptureBufferFilled();

    // The recording file named in the options window ("webfile.wav" without one).
    QString recordingFile() const;

    // Kilobytes shown for a recording size: halves go to the even neighbour.
    static int sizeInKB(qint64 bytes);

    // Text of a format list item, e.g. "44100Hz 16bit Stereo".
    static QString formatText(int samplesPerSec, int bits, int channels);

private:
    void enableButtons(bool on);

    TRecorderControls m_c;
    TWindowsMediaPlayer &m_station;
    TWindowsMediaPlayer &m_rec;
    TPlaybackState &m_playback;
    TRecorderHooks m_hooks;
    std::vector<char> m_copyBuffer;
};
