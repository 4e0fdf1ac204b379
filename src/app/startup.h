#pragma once
// The program's entry sequence: one copy per user, the splash, the two start-up
// checks, the eight windows in their order and the message loop.

#include <memory>

class EnvironmentChecks;
class TAboutForm;
class TBandForm;
class TEditStationForm;
class TFormSure;
class THistoryForm;
class TMainForm;
class TOptionsForm;
class TSkinForm;
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

    TApplicationWindows();
    ~TApplicationWindows();
    // Destroys every window, the main window first: its destruction still uses
    // the others.
    void destroyAll();
};

// The windows of the running program (null before they exist).
TApplicationWindows *applicationWindows();

// Creates the eight windows in their order and connects them.
void createWindows(TApplicationWindows &windows);

// Shows the splash, runs the checks and, when both pass, creates the eight windows
// in order and shows the main window. Returns false when a check failed: its
// message was shown and no main window exists.
bool runEntrySequence(EnvironmentChecks &checks, TApplicationWindows &windows);

int sonaveoMain(int argc, char **argv);
