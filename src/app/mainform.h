#pragma once
// The main window: every control the listener uses, at its fixed place. The
// subsystems get the controls they drive handed in when the window composes
// them; anyone else reads them through ui().

#include "skin/skinfile.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTimer;
class TImage;
class TVrAnimate;
class TVrBlotter;
class TVrClock;
class TVrDemoButton;
class TVrFormShape;
class TVrMatrix;
class TVrNum;
class TVrScale;
class TVrSlider;
class TVrSpinner;
class NetworkState;
class StationLinks;
class TStationPlayback;
class TStationPresets;
class THistoryForm;
class TEditStationForm;
class TOptionsForm;
class TSkinForm;
class TBandForm;
class TAboutForm;
class TFormSure;
class TUrlLink;
class TRecorder;
class TWindowsMediaPlayer;
class TKeyboardFocusFrame;

// The main window's controls, named as their objectName. The window composes
// them; everyone else reads them through TMainForm::ui() and cannot put another
// control in a control's place.
struct TMainControls {
    // Window
    QMenuBar *MainMenu1 = nullptr; // attached after the first paint
    TVrFormShape *VrMainFormShape = nullptr;
    TVrMatrix *VrMatrixConn = nullptr;
    // Station buttons 1 to 7 (objectName "VrDemoButtonStation1" ...) and their
    // hidden URL fields ("EditStationURL1" ...).
    std::array<TVrDemoButton *, 7> VrDemoButtonStation{};
    std::array<QLineEdit *, 7> EditStationURL{};
    TVrDemoButton *VrDemoButtonStop = nullptr;
    TVrDemoButton *VrDemoButtonRec = nullptr;
    TVrDemoButton *VrDemoButtonStart = nullptr;
    QLabel *Panelxy = nullptr;
    TVrBlotter *VrBlotter1 = nullptr;

    // Button block
    TVrBlotter *VrBlotterButtonSet = nullptr;
    TVrDemoButton *VrDemoButtonUnplug = nullptr;
    TVrDemoButton *VrDemoButtonSkinMaker = nullptr;
    TVrDemoButton *VrDemoButtonOptions = nullptr;
    TVrDemoButton *VrDemoButtonBurn = nullptr;
    TVrDemoButton *VrDemoButtonExit = nullptr;
    TVrBlotter *VrBlotterMaro = nullptr;
    TVrBlotter *VrBlotter9 = nullptr;
    QLabel *MaroImage = nullptr;

    // Fader block
    TVrBlotter *VrBlotterMixer = nullptr;
    TVrBlotter *VrBlotterPlayer = nullptr;
    TImage *ImagePlayer1 = nullptr;
    TImage *ImagePlayer1GO = nullptr;
    TVrSlider *VrScrollBarPlayer1 = nullptr;
    TVrScale *VrScaledb = nullptr;
    QLabel *LabelDB = nullptr;
    QLabel *LabelVol = nullptr;
    TVrNum *VrNumVolume = nullptr;
    TVrDemoButton *VrDemoButtonMixer = nullptr;

    // Band block
    TVrBlotter *VrBlotterBand = nullptr;
    TVrDemoButton *VrDemoButtonBand = nullptr;
    QLabel *LabelSelectBlock = nullptr;
    TVrDemoButton *VrDemoButtonHistory = nullptr;
    TVrNum *VrNumBlock = nullptr;
    TVrSpinner *VrSpinnerStation = nullptr;

    // Station status block
    TVrBlotter *VrBlotterStation = nullptr;
    QLabel *LabelStationName = nullptr;
    QLabel *LabelStation = nullptr;
    QLabel *LabelStationTime = nullptr;
    TVrClock *VrClockReal = nullptr;
    QLabel *LabelStationBand = nullptr;
    QLabel *Labelgenre = nullptr;
    TVrAnimate *VrAnimate1 = nullptr;
    QLabel *LabelStationBuffer = nullptr;
    QLabel *LabelBuffer = nullptr;
    QLabel *LabelStationBandwidth = nullptr;
    QLabel *LabelBandwidth = nullptr;
    QLabel *LabelStationPosition = nullptr;
    TVrClock *VrClockstposition = nullptr;

    // Record block
    TVrBlotter *VrBlotterPlayback = nullptr;
    QLabel *LabelRecSize = nullptr;
    TVrNum *VrNumSize = nullptr;
    QLabel *LabelDuration = nullptr;
    TVrClock *VrClockDuration = nullptr;
    QLabel *LabelPosition = nullptr;
    TVrClock *VrClockRecPos = nullptr;

    // Non-visual components
    QTimer *TimerSonaveo = nullptr;
    // Frames the fader or the station spinner, which draw no focus of their own,
    // while the keyboard has brought the focus to it.
    TKeyboardFocusFrame *KeyboardFocusFrame = nullptr;
    // The maker's web site, opened by the brand picture.
    TUrlLink *Maro = nullptr;
    QMenu *PopupMenuDrag = nullptr;
    QAction *EndDragnDrop1 = nullptr;
    QAction *DragnDropLEDMatrix1 = nullptr;
    QAction *DragnDropFaderBlock1 = nullptr;
    QAction *DragnDropBandBlock1 = nullptr;
    QAction *DragnDropStationBlock1 = nullptr;
    QAction *DragnDrop1 = nullptr;
    QAction *DragnDorpButtonBlock1 = nullptr;
    QAction *DragnDrop2 = nullptr;
    QAction *DragnDropRecordButton1 = nullptr;
    QAction *DragnDropPlayButton1 = nullptr;
    QMenu *DragnDropStationButton11 = nullptr;
    std::array<QAction *, 7> DragnDropStationButton{}; // "DragnDropStationButton12" ... "72"
};

class TMainForm : public QWidget, private TMainControls {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Called once the main window has been shown the first time and has loaded.
    void setSplash(QWidget *splash) { m_splash = splash; }

    const TMainControls &ui() const { return *this; }

    // The two players (stations, and the recording), the online state and the
    // subsystems the controls drive.
    TWindowsMediaPlayer *stationPlayer() const { return WindowsMediaPlayer.get(); }
    TWindowsMediaPlayer *recordingPlayer() const { return PlayerRec.get(); }
    NetworkState *network() const { return Network.get(); }
    // Tuning, the status tick, volume and disconnect, with the playback flags.
    TStationPlayback *playback() const { return Playback.get(); }
    // The presets on the station buttons, their block files and paging.
    TStationPresets *presets() const { return Presets.get(); }
    // The recorder block with its capture stream and wave file writer.
    TRecorder *recorder() const { return Recorder.get(); }

    // The folder of the settings, the block files and the current skin: the
    // working folder at the first showing.
    const QString &dataDirectory() const { return m_dataDirectory; }
    void setDataDirectory(const QString &folder) { m_dataDirectory = folder; }
    // True once the first showing has loaded the skin, settings and presets.
    bool loaded() const { return m_firstShowDone; }
    // For a window composed without that loading (a test, a benchmark): the
    // first showing then loads nothing.
    void skipFirstLoading() { m_firstShowDone = true; }
    // This run starts with the built-in skin: "currentskin.skn" is neither
    // loaded nor, unless the skin was changed in the run, written at the end, so
    // a skin that made the window unusable waits untouched on disk.
    void setUseDefaultSkin(bool on) { m_useDefaultSkin = on; }

    // Handlers of the main window's own. The status tick and the station,
    // recorder and playback controls are connected straight to Playback, Presets
    // and Recorder, which do their work.
    void FormShow();
    void FormDestroy();
    void VrDemoButtonHistoryClick();
    void AddToHistory(const QString &name, const QString &url);
    void VrDemoButtonOptionsClick();
    void VrDemoButtonExitClick();
    // The settings file "Defaults.ini" in the data directory.
    void LoadDefaults();
    void SaveDefaults();
    QString defaultsFile() const;
    // What leaving keeps: the band label back from a history marker, the players
    // stopped, the settings, the shown block and the current skin saved. Exit does
    // it before its farewell; any other close (the window manager, the session's
    // end, a termination signal) does it as the window closes. A failing step is
    // reported (report) or written to the error output, and the next step runs.
    void saveOnLeaving(bool report);
    // Saves as above without asking anyone, finishes the recording and closes:
    // for a termination signal.
    void leaveQuietly();
    // True once Exit has started the farewell countdown.
    bool exiting() const;
    void VrDemoButtonSkinMakerClick();

    // Block layout: the control that follows the pointer (1 to 16 in skin file
    // order, see kSkinControlNames), 0 while nothing is being moved.
    int dragTarget() const { return m_dragTarget; }
    // Movable control n (1 to 16), null for any other number.
    QWidget *movableControl(int n) const;
    // Each movable control has a place of its own, the one the skin file or the
    // user's drag gave it, whatever picture the window shows. Where that place
    // is out of reach of the present client area the control shows as near to it
    // as keeps it within reach, and the place itself stays: the right picture
    // brings the layout back, and a saved skin holds the places.
    QPoint movablePlace(int n) const;
    // Gives control n its place and shows it there, within reach.
    void setMovablePlace(int n, QPoint place);
    // Shows every movable control at its place, within reach of the client area
    // as it is now (after the window took a picture's size).
    void showMovables();
    // Where control n shows for a place in a client area of the given size: at
    // least kReachMargin pixels of it each way inside, enough to see it and to
    // drop another control beside it; the button block also keeps its Skin
    // Designer and Exit buttons whole inside, so no skin locks the user out.
    static constexpr int kReachMargin = 8;
    QPoint reachablePlace(int n, QPoint place, QSize area) const;
    // The smallest picture that shows the Skin Designer and Exit buttons whole,
    // the button block pulled in as far as it takes. A smaller one is refused.
    QSize smallestPicture() const;
    void startDrag(int target);
    void DragnDorpButtonBlock1Click() { startDrag(6); }
    void EndDragnDrop1Click();
    // The pointer moved over the background, at x, y in client pixels.
    void VrMainFormShapeMouseMove(int x, int y);
    void VrDemoButtonBandClick();
    void VrDemoButtonBurnClick();
    void VrDemoButtonMixerClick();
    void MaroImageClick();

    // The other windows the main window opens, handed in when the program is
    // composed; a main window of its own (in a test) has none. The skin designer
    // exists with the main window (it holds the skin in use); the others are made
    // when first asked for.
    struct Windows {
        TSkinForm *skin = nullptr;
        std::function<THistoryForm *()> history;
        std::function<TBandForm *()> band;
        std::function<TOptionsForm *()> options;
        std::function<TEditStationForm *()> editor;
        std::function<TAboutForm *()> about;
        std::function<TFormSure *()> farewell;
    };
    void setWindows(Windows windows) { m_windows = std::move(windows); }
    THistoryForm *historyForm() const { return m_windows.history ? m_windows.history() : nullptr; }
    TEditStationForm *editStationForm() const { return m_windows.editor ? m_windows.editor() : nullptr; }
    TOptionsForm *optionsForm() const { return m_windows.options ? m_windows.options() : nullptr; }
    TSkinForm *skinForm() const { return m_windows.skin; }
    TBandForm *bandForm() const { return m_windows.band ? m_windows.band() : nullptr; }
    TAboutForm *aboutForm() const { return m_windows.about ? m_windows.about() : nullptr; }
    TFormSure *farewellForm() const { return m_windows.farewell ? m_windows.farewell() : nullptr; }

    // The history and options windows as they are made, before or after the
    // first showing: each takes what the settings file holds for it, and the
    // options window its capture driver and format lists.
    void windowMade(THistoryForm &history);
    void windowMade(TOptionsForm &options);

    // The station label's right-click menu, made anew from the titles heard,
    // newest first; a click on one copies it to the clipboard.
    QMenu *titlesMenu();
    // The colours of the window's menus: the drag and drop menu with its station
    // submenu, and the titles menu.
    void setMenuPalette(const QPalette &palette);

    // Puts the window in the middle of its screen.
    void centreOnScreen();
    // Shows the window in front of the others and gives it the keyboard, back
    // from the task bar when it was minimised: for the desktop's Raise and a
    // second start of the program. Not once Exit has begun the farewell.
    void bringToFront();

Q_SIGNALS:
    // The window's first picture is on screen.
    void firstPainted();
    // The window has closed: the program ends.
    void closed();
    // A status tick has passed: what plays may have changed.
    void statusTicked();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // A slot that runs one of this window's handlers inside the error guard.
    std::function<void()> guardedHandler(void (TMainForm::*handler)());
    void compose();
    void composeButtonBlock();
    void composeFaderBlock();
    void composeBandBlock();
    void composeStationBlock();
    void composeRecordBlock();
    void composeMenu();

    void finishRecording();
    // Band label and players put right, then each saving step handed to run,
    // which decides what an error does.
    void leavingSteps(const std::function<void(const std::function<void()> &)> &run);
    // The skin in use, "currentskin.skn" in the data directory.
    QString currentSkinFile() const;
    void loadCurrentSkin();
    void saveCurrentSkin();
    // The skin in use once the first showing has loaded it.
    TSkin m_skinAtStart;

    // Runs one step of a sequence that goes on whatever a step does: the error
    // is shown (or, with no one to see it or report false, written to the error
    // output) and the next step runs.
    static void runStep(bool report, const std::function<void()> &work);

    // What the settings file gives the history and options windows, from the
    // first showing's load until the window takes it (see windowMade).
    struct StoredWindowSettings {
        std::optional<QString> recordingFile;
        std::optional<int> format;
        std::optional<int> driver;
        std::array<std::optional<QString>, 11> names;
        std::array<std::optional<QString>, 11> urls;
    };
    // Reads "Defaults.ini" into m_stored and puts the main window's own values
    // (band, place) in place; throws at a line that cannot be used.
    void readDefaults();
    // Hands what was loaded to the made windows that have not taken it yet.
    void settleHistory();
    void settleOptions();
    StoredWindowSettings m_stored;
    bool m_defaultsLoaded = false;
    bool m_driversFilled = false;
    THistoryForm *m_madeHistory = nullptr;
    TOptionsForm *m_madeOptions = nullptr;

    // The two buttons no picture may hide, in the button block's coordinates.
    QRect skinEscapeButtons() const;

    Windows m_windows;
    QMenu *m_titlesMenu = nullptr;
    std::unique_ptr<TWindowsMediaPlayer> WindowsMediaPlayer;
    std::unique_ptr<TWindowsMediaPlayer> PlayerRec;
    std::unique_ptr<NetworkState> Network;
    std::unique_ptr<StationLinks> Links;
    std::unique_ptr<TStationPlayback> Playback;
    std::unique_ptr<TStationPresets> Presets;
    std::unique_ptr<TRecorder> Recorder;
    QString m_dataDirectory;
    bool m_firstShowDone = false;
    bool m_useDefaultSkin = false;
    int m_dragTarget = 0;
    QWidget *m_splash = nullptr;
    bool m_leftQuietly = false;
    std::array<QPoint, kSkinControlCount> m_places{}; // of the movable controls, in skin file order
};

