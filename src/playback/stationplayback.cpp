#include "playback/stationplayback.h"

#include "platform/dialogs.h"
#include "platform/errorguard.h"
#include "platform/networkstate.h"
#include "platform/stationlink.h"
#include "playback/windowsmediaplayer.h"
#include "widgets/timage.h"
#include "widgets/vrclock.h"
#include "widgets/vrcompose.h"
#include "widgets/vrdemobutton.h"
#include "widgets/vrmatrix.h"
#include "widgets/vrnum.h"
#include "widgets/vrslider.h"

#include <QLabel>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {
constexpr int kPlaying = TWindowsMediaPlayer::wmppsPlaying;
constexpr int kExitTicks = 25;
constexpr int kConnectionTimeoutTicks = 300;

QString twoDigits(quint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// Whole seconds as the clock text counts them: halves go to the even neighbour
// (nearbyint in the default rounding mode), and the count stops at the largest
// 32-bit value.
quint32 wholeSeconds(double seconds)
{
    if (!(seconds > 0))
        return 0;
    const double r = std::nearbyint(seconds);
    return r >= double(std::numeric_limits<quint32>::max()) ? std::numeric_limits<quint32>::max() : quint32(r);
}
} // namespace

QString SecondsToClockText(double seconds)
{
    const quint32 s = wholeSeconds(seconds);
    const quint32 h = s / 3600;
    const quint32 m = (s - 3600 * h) / 60;
    const quint32 sec = s - 3600 * h - 60 * m;
    const QString hours = h == 24 ? QStringLiteral("00") : twoDigits(h);
    return hours + QLatin1Char(':') + twoDigits(m) + QLatin1Char(':') + twoDigits(sec);
}

void setClockFromSeconds(TVrClock *clock, double seconds)
{
    // The same fields the clock text gives when read back as a time of day:
    // hours past a day wrap around. Worked out on integers, as this runs on
    // every status tick.
    const quint32 s = wholeSeconds(seconds);
    const int h = int((s / 3600) % 24);
    const int m = int((s % 3600) / 60);
    const int sec = int(s % 60);
    if (clock->Hours() != h)
        clock->setHours(h);
    if (clock->Minutes() != m)
        clock->setMinutes(m);
    if (clock->Seconds() != sec)
        clock->setSeconds(sec);
}

void resetClock(TVrClock *clock)
{
    if (clock->Hours() != 0)
        clock->setHours(0);
    if (clock->Minutes() != 0)
        clock->setMinutes(0);
    if (clock->Seconds() != 0)
        clock->setSeconds(0);
}

TStationPlayback::TStationPlayback(TPlaybackControls controls, TWindowsMediaPlayer &stationPlayer,
                                   TWindowsMediaPlayer &recordingPlayer, NetworkState &network,
                                   StationLinks &links, TPlaybackHooks hooks)
    : m_c(controls), m_station(stationPlayer), m_rec(recordingPlayer), m_network(network), m_links(links),
      m_hooks(std::move(hooks)), m_tryCheck(std::make_unique<QTimer>())
{
    m_tryCheck->setInterval(10);
    QObject::connect(m_tryCheck.get(), &QTimer::timeout, [this] { guarded([this] { checkTry(); }); });
}

// A look under way must not answer a playback that is gone.
TStationPlayback::~TStationPlayback() { m_links.cancel(); }

bool TStationPlayback::IsConnected() { return m_network.isConnected(); }

void TStationPlayback::TuneStation(const QString &name, const QString &url)
{
    // The online flag is the last status tick's look at the network. A click
    // before the first tick, right after the start, or just after the network
    // came back looks again instead of being lost without a word.
    if (!state.online && !name.isEmpty() && name != QLatin1String("none") && !url.isEmpty())
        state.online = IsConnected();
    if (name == QLatin1String("none") || name.isEmpty() || url.isEmpty() || !state.online)
        return;
    const QString address = stationAddress(url);
    if (address.isEmpty()) {
        dialogs().showMessage(QStringLiteral("This is not a station address: ") + shownAddress(url),
                              MessageKind::Warning);
        return;
    }
    resetClock(m_c.VrClockstposition);
    state.currentStationName = name;
    state.connecting = true;
    state.connectionTimeoutCounter = 0;
    m_links.cancel();
    m_phase = Phase::Tuning;
    m_stationUrl = address;
    m_candidates.clear();
    m_firstFailure.clear();
    m_lastTitle.clear();
    m_rawTitle.clear();
    startTry(address, 0); // stops what plays, then opens and plays the address
}

double TStationPlayback::stationPosition()
{
    if (!m_tickPosition)
        m_tickPosition = m_station.controls().currentPosition();
    return *m_tickPosition;
}

int TStationPlayback::stationState()
{
    if (!m_tickStationState)
        m_tickStationState = m_station.playState();
    return *m_tickStationState;
}

bool TStationPlayback::stationPlaying() { return stationState() == kPlaying; }

int TStationPlayback::recordingState()
{
    if (!m_tickRecordingState)
        m_tickRecordingState = m_rec.playState();
    return *m_tickRecordingState;
}

void TStationPlayback::TimerSonaveoTimer()
{
    m_tickPosition.reset();
    m_tickStationState.reset();
    m_tickRecordingState.reset();
    if (state.exitFlag) {
        ++state.exitTickCounter;
        if (state.exitTickCounter == kExitTicks && m_hooks.closeMainWindow)
            m_hooks.closeMainWindow();
    } else {
        statusPass();
    }
    tail();
    if (m_hooks.ticked)
        m_hooks.ticked();
}

void TStationPlayback::statusPass()
{
    // The connection LED says online or offline, and while a station plays
    // what it plays.
    state.online = IsConnected();
    superviseStation();
    m_c.VrMatrixConn->setText(connectionText());

    // While connecting, the station label blinks "connecting".
    if (state.connecting) {
        setCaptionText(m_c.LabelStation, kConnectingText);
        // The label's own visibility flag, so the blink also runs while the window
        // itself is hidden.
        m_c.LabelStation->setHidden(!m_c.LabelStation->isHidden());
    }

    // Nothing playing: position clock, buffer and bandwidth read zero.
    const bool stationPlaying = stationState() == kPlaying;
    if (!stationPlaying && recordingState() != kPlaying) {
        resetClock(m_c.VrClockstposition);
        setCaptionText(m_c.LabelBuffer, QStringLiteral("0%"));
        setCaptionText(m_c.LabelBandwidth, QStringLiteral("0"));
    }

    // A requested recording starts playing, only while no station plays.
    if (state.filePlaybackRequest && !stationPlaying) {
        state.filePlaybackRequest = false;
        m_rec.setURL(m_hooks.recordingFile ? m_hooks.recordingFile() : QString());
        m_rec.controls().play();
        m_tickRecordingState.reset();
    }

    // A playing station shows its position, name, buffer and bit rate, and
    // a connection that shows no position in time is given up.
    if (stationState() == kPlaying) {
        setClockFromSeconds(m_c.VrClockstposition, stationPosition());
        if (m_c.VrClockstposition->Seconds() != 0) {
            m_c.LabelStation->setVisible(true);
            setCaptionText(m_c.LabelStation, state.currentStationName);
            state.connecting = false;
        }
        setCaptionText(m_c.LabelBuffer, QString::number(m_station.network().bufferingProgress()) + QLatin1Char('%'));
        setCaptionText(m_c.LabelBandwidth, QString::number(m_station.network().bitRate()));
        if (state.connecting) {
            ++state.connectionTimeoutCounter;
            if (state.connectionTimeoutCounter > kConnectionTimeoutTicks) {
                state.connecting = false;
                if (m_c.VrClockstposition->Seconds() == 0) {
                    endStation();
                    m_c.LabelStation->setVisible(true);
                    m_station.controls().stop();
                    m_tickStationState.reset();
                    m_tickPosition.reset();
                    dialogs().showMessage(kConnectionTimeoutMessage, MessageKind::Warning);
                }
            }
        }
    }
}

void TStationPlayback::tail()
{
    // The activity picture blinks while a station plays.
    if (stationPosition() > 1.0 && stationState() == kPlaying)
        m_c.ImagePlayer1GO->setShown(!m_c.ImagePlayer1GO->Shown());

    // A playing recording blinks the picture and shows position and length.
    if (recordingState() == kPlaying) {
        state.recordingPlaybackFlag = true;
        m_c.ImagePlayer1GO->setShown(!m_c.ImagePlayer1GO->Shown());
        setClockFromSeconds(m_c.VrClockRecPos, m_rec.controls().currentPosition());
        setClockFromSeconds(m_c.VrClockDuration, m_rec.currentMedia().duration());
    } else {
        resetClock(m_c.VrClockRecPos);
        resetClock(m_c.VrClockDuration);
    }

    // A recording that stopped playing gives the buttons back and is closed.
    if (state.recordingPlaybackFlag && recordingState() != kPlaying) {
        state.recordingPlaybackFlag = false;
        m_c.VrDemoButtonStart->setEnabled(true);
        m_c.VrDemoButtonRec->setEnabled(true);
        m_c.VrDemoButtonOptions->setEnabled(true);
        m_c.VrDemoButtonBurn->setEnabled(true);
        m_rec.controls().stop();
        m_rec.setURL(QString());
        m_tickRecordingState.reset();
    }
}

void TStationPlayback::SetVolume(int value)
{
    const int percent = value / 10;
    m_station.settings().setVolume(percent);
    m_rec.settings().setVolume(percent);
    m_c.VrNumVolume->setValue(percent);
    // The slider fires its change event only on a real change; that event comes
    // back here once and stops at this step.
    m_c.VrScrollBarPlayer1->setPosition(value);
}

void TStationPlayback::VrScrollBarPlayer1Change() { SetVolume(m_c.VrScrollBarPlayer1->Position()); }

void TStationPlayback::VrDemoButtonUnplugClick()
{
    setCaptionText(m_c.LabelStation, QStringLiteral("none"));
    m_c.LabelStation->setVisible(true);
    state.connecting = false;
    endStation();
    m_station.controls().stop();
}
