// The main window's life: the loading sequence of its first showing, Exit with
// its farewell, any other close, and what its destruction releases.

#include "app/mainform.h"

#include "app/forms.h"
#include "app/splashform.h"
#include "app/startup.h"
#include "platform/errorguard.h"
#include "platform/errors.h"
#include "platform/termination.h"
#include "platform/textfile.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"
#include "recording/recorder.h"
#include "recording/soundcapture.h"
#include "recording/wavestream.h"
#include "skin/skinform.h"
#include "stations/stationpresets.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <cstdio>

void TMainForm::runStep(bool report, const std::function<void()> &work)
{
    // Once the program is asked to end, nobody may be there to answer a message
    // box (the session is ending), so errors go to the error output.
    try {
        work();
    } catch (...) {
        if (report && !terminationRequested())
            showException(std::current_exception());
        else
            std::fprintf(stderr, "sonaveo: %s\n", qPrintable(exceptionText(std::current_exception())));
    }
}

void TMainForm::FormShow()
{
    if (m_firstShowDone)
        return;
    // Each step runs even when one before it failed (its message is shown), so a
    // bad line in one file never keeps the presets or the look of the others
    // away; the sequence runs once.
    m_firstShowDone = true;
    runStep(true, [this] { loadCurrentSkin(); });
    if (const TSkinForm *designer = skinForm())
        m_skinAtStart = designer->currentSkin();
    // The settings reach the history and options windows when they are made,
    // which a start does after the first picture; the driver list with them.
    if (m_windows.options && m_windows.history)
        runStep(true, [this] { LoadDefaults(); });
    runStep(true, [this] { Playback->SetVolume(1000); });
    runStep(true, [this] { Presets->LoadStationBlock(1); });
    if (m_splash) {
        m_splash->hide();
        m_splash->deleteLater();
        m_splash = nullptr;
    }
}

QString TMainForm::currentSkinFile() const { return m_dataDirectory + QStringLiteral("/currentskin.skn"); }

void TMainForm::loadCurrentSkin()
{
    // A run with the built-in skin leaves the file alone.
    if (m_useDefaultSkin)
        return;
    // Without the file the composed look stays.
    TSkinForm *designer = skinForm();
    if (!designer || !pathIsTaken(currentSkinFile()))
        return;
    try {
        designer->loadSkin(currentSkinFile());
    } catch (...) {
        // The lines before a bad one are in place: they are applied, then the
        // error is told.
        designer->ApplySkin(true);
        throw;
    }
    designer->ApplySkin(true);
}

void TMainForm::saveCurrentSkin()
{
    TSkinForm *designer = skinForm();
    if (!designer || (m_useDefaultSkin && designer->currentSkin() == m_skinAtStart))
        return;
    designer->saveSkin(currentSkinFile());
}

bool TMainForm::exiting() const { return Playback && Playback->state.exitFlag; }

void TMainForm::leavingSteps(const std::function<void(const std::function<void()> &)> &run)
{
    // The band of the shown block, not a history marker, is what is stored.
    Presets->restoreBandName();
    WindowsMediaPlayer->controls().stop();
    PlayerRec->controls().stop();
    run([this] { SaveDefaults(); });
    run([this] { Presets->SaveStationBlock(VrNumBlock->Value()); });
    run([this] { saveCurrentSkin(); });
}

void TMainForm::saveOnLeaving(bool report)
{
    leavingSteps([report](const std::function<void()> &work) { runStep(report, work); });
}

void TMainForm::finishRecording()
{
    // Whatever goes wrong here, the program still ends.
    try {
        Recorder->VrDemoButtonStopClick();
        Recorder->CaptureStream.reset();
    } catch (...) {
    }
}

void TMainForm::VrDemoButtonExitClick()
{
    // Every file is saved that can be. A failed save is told, and the user
    // chooses: stay with everything the program holds, or leave with the files
    // on disk as they are (a read-only folder would otherwise keep the
    // borderless window open for good).
    QStringList failures;
    leavingSteps([&failures](const std::function<void()> &work) {
        try {
            work();
        } catch (...) {
            failures << exceptionText(std::current_exception());
        }
    });
    if (!failures.isEmpty()) {
        dialogs().showError(failures.join(QLatin1Char('\n')));
        if (!dialogs().askYesNo(QStringLiteral("Leave without saving? What could not be saved stays on disk "
                                               "as it was.")))
            return;
    }
    // The recording is finished before the farewell shows.
    finishRecording();
    hide();
    if (TFormSure *farewell = farewellForm())
        farewell->show();
    // The status tick closes the window on its 25th tick from here.
    Playback->state.exitFlag = true;
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // Exit has saved already; any other close saves now, without the farewell.
    if (!exiting() && m_firstShowDone && !m_leftQuietly) {
        saveOnLeaving(true);
        finishRecording();
    }
    event->accept();
    QWidget::closeEvent(event);
    Q_EMIT closed();
}

void TMainForm::leaveQuietly()
{
    // Nobody may be there to answer a message box (a termination signal, the
    // session's end): errors go to the error output.
    if (!exiting() && m_firstShowDone) {
        saveOnLeaving(false);
        finishRecording();
    }
    m_leftQuietly = true;
    close();
}

void TMainForm::FormDestroy()
{
    if (TimerSonaveo)
        TimerSonaveo->stop();
    if (!Playback)
        return;
    // The recording file is always finished.
    if (Recorder) {
        if (Recorder->CaptureStream)
            Recorder->CaptureStream->Stop();
        Recorder->WaveFile.reset();
    }
    // A fader left at 0 is put back to full volume for the next start.
    const int position = VrScrollBarPlayer1->Position();
    Playback->SetVolume(position != 0 ? position : 1000);
    WindowsMediaPlayer->controls().stop();
    PlayerRec->controls().stop();
}
