#pragma once
// The program's entry sequence: one copy per user, the splash, the two start-up
// checks, the eight windows and the message loop.

#include <QString>
#include <QStringList>
#include <Qt>

#include <functional>
#include <memory>

class EnvironmentChecks;
class TAboutForm;
class TBandForm;
class TEditStationForm;
class TFormSure;
class THistoryForm;
class TMainForm;
class TMprisService;
class TOptionsForm;
class TSkinForm;
class TSkinTargets;
class TSplashForm;

// The windows of a running program; they live until the process ends.
struct TApplicationWindows {
    std::unique_ptr<TMainForm> MainForm;
    std::unique_ptr<THistoryForm> HistoryForm;
    std::unique_ptr<TBandForm> BandForm;
    std::unique_ptr<TOptionsForm> OptionsForm;
    std::unique_ptr<TSkinForm> SkinForm;
    std::unique_ptr<TEditStationForm> EditStationForm;
    std::unique_ptr<TFormSure> FormSure;
    std::unique_ptr<TAboutForm> AboutForm;
    // What the skin designer colours and reshapes.
    std::unique_ptr<TSkinTargets> SkinTargets;
    // The main window's player on the desktop's bus, once the window painted.
    std::unique_ptr<TMprisService> Mpris;

    TApplicationWindows();
    ~TApplicationWindows();
    // The windows the main window opens, made now if they are not made yet: the
    // main window's first picture needs none of them, so a start makes them just
    // after it. Each is connected to the main window as it is made and takes the
    // skin in use; none exists before the main window.
    THistoryForm *history();
    TBandForm *band();
    TOptionsForm *options();
    TEditStationForm *editor();
    TFormSure *farewell();
    TAboutForm *about();
    // Destroys every window, the main window first: its destruction still uses
    // the others.
    void destroyAll();
};

// Creates the eight windows and connects them.
void createWindows(TApplicationWindows &windows);
// The main window and the skin designer, which holds the skin in use: all the
// main window's first showing needs. Between the two, between() runs when it is
// given.
void createFirstWindows(TApplicationWindows &windows, const std::function<void()> &between = {});
// The other six, when they do not exist yet.
void createLateWindows(TApplicationWindows &windows);

// Shows the splash, runs the checks and, when both pass, creates the main window
// and the skin designer and shows the main window; the other six are made once
// the main window has painted (or earlier, when they are asked for). Returns false when a check failed (its
// message was shown) or the program was asked to end before loading anything;
// then no main window exists. When defaultSkin answers true the main window
// starts with the built-in skin (TMainForm::useDefaultSkin); it is asked once
// the splash shows. dataDirectory is the folder the program chose for its files
// (chooseDataDirectory); empty keeps the main window's own, the current folder.
bool runEntrySequence(EnvironmentChecks &checks, TApplicationWindows &windows,
                      const std::function<bool()> &defaultSkin = {}, const QString &dataDirectory = QString());

// The way back from a skin that makes the window unusable: "--default-skin" among
// the program's arguments, or Shift held down as it starts.
bool startsWithDefaultSkin(const QStringList &arguments, Qt::KeyboardModifiers held);

int sonaveoMain(int argc, char **argv);
