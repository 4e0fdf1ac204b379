// The station's connection as the status tick follows it: each address of a
// station tried in turn (a playlist's entries in order), a failure said once and
// plainly, a station that drops tuned again, and the titles it gives.
//
// Time is counted in status ticks (100 ms each), as the rest of the tick does.

#include "playback/stationplayback.h"

#include "platform/dialogs.h"
#include "platform/stationlink.h"
#include "platform/textfile.h"
#include "playback/windowsmediaplayer.h"
#include "widgets/vrcompose.h"

#include <QLabel>
#include <QTimer>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kPlaying = TWindowsMediaPlayer::wmppsPlaying;

QString hostOf(const QString &url)
{
    const QString host = QUrl(url).host();
    return host.isEmpty() ? shownAddress(url) : host;
}

QString failureMessage(const StationLinkReport &report, const QString &url, const QString &engineError)
{
    const QString at = shownAddress(url);
    switch (report.kind) {
    case StationLinkReport::HttpError:
        if (report.httpStatus == 404 || report.httpStatus == 410)
            return QStringLiteral("Station not found (HTTP %1): %2").arg(report.httpStatus).arg(at);
        return QStringLiteral("The station's server answered with an error (HTTP %1): %2").arg(report.httpStatus).arg(at);
    case StationLinkReport::WebPage:
        return QStringLiteral("This address is a web page, not a radio stream: ") + at;
    case StationLinkReport::HostNotFound:
        return QStringLiteral("Cannot find the server: ") + hostOf(url);
    case StationLinkReport::Refused:
        return QStringLiteral("Cannot reach the server: ") + hostOf(url);
    case StationLinkReport::NoAnswer:
        return QStringLiteral("The server did not answer within 15 seconds: ") + at;
    case StationLinkReport::CertificateMismatch:
        return QStringLiteral("The server's certificate is not made out to %1: %2").arg(hostOf(url), at);
    case StationLinkReport::CertificateUntrusted:
        return QStringLiteral("The server's certificate is not trusted (%1): %2").arg(singleLine(report.detail), at);
    case StationLinkReport::Failed:
        return QStringLiteral("Cannot reach the station (%1): %2").arg(singleLine(report.detail), at);
    case StationLinkReport::Playlist:
        return QStringLiteral("This playlist names no station: ") + at;
    case StationLinkReport::Stream:
        break;
    }
    if (engineError.isEmpty())
        return QStringLiteral("This stream cannot be played: ") + at;
    return QStringLiteral("This stream cannot be played (%1): %2").arg(singleLine(engineError), at);
}

bool lookable(const QString &url)
{
    const QString scheme = QUrl(url).scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

// A link named as a playlist is looked at before the player is given it; what
// it really is still decides (a list by another name is found when the player
// fails on it, sound named as a list plays).
bool namedAsPlaylist(const QString &url)
{
    static const QStringList endings = {QStringLiteral(".pls"), QStringLiteral(".m3u"), QStringLiteral(".asx"),
                                        QStringLiteral(".xspf"), QStringLiteral(".wax"), QStringLiteral(".wvx")};
    const QString path = QUrl(url).path().toLower();
    return lookable(url) && std::any_of(endings.begin(), endings.end(), [&](const QString &e) { return path.endsWith(e); });
}

} // namespace

QString shownAddress(const QString &url)
{
    QString shown = singleLine(url);
    if (shown.size() > 200)
        shown = shown.left(199) + QChar(0x2026);
    return shown;
}

QString stationAddress(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    if (text.startsWith(QLatin1Char('/')))
        return text; // a file of the listener's own
    static const QRegularExpression schemeStart(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (!schemeStart.match(text).hasMatch()) {
        // "radio.example:8000/live": a host name, maybe a port and a path.
        static const QRegularExpression bareHost(
            QStringLiteral("^([A-Za-z0-9-]+\\.)+[A-Za-z0-9-]+(:[0-9]{1,5})?(/\\S*)?$|^localhost(:[0-9]{1,5})?(/\\S*)?$"));
        return bareHost.match(text).hasMatch() ? QStringLiteral("http://") + text : QString();
    }
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid())
        return {};
    if (scheme == QLatin1String("file"))
        return url.path().isEmpty() ? QString() : text;
    static const QStringList network = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mms"),
                                        QStringLiteral("mmsh"), QStringLiteral("rtsp"), QStringLiteral("icy")};
    if (!network.contains(scheme) || url.host().isEmpty())
        return {};
    return text;
}

QString cleanStationTitle(const QString &title)
{
    QString clean;
    clean.reserve(std::min<qsizetype>(title.size(), kMaxTitleLength + 1));
    for (const QChar c : title) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            continue;
        clean += c;
    }
    clean = clean.trimmed();
    if (clean.size() > kMaxTitleLength) {
        qsizetype cut = kMaxTitleLength;
        if (clean.at(cut - 1).isHighSurrogate())
            --cut; // never half a character
        clean = clean.left(cut).trimmed();
    }
    return clean;
}

void TStationPlayback::startTry(const QString &url, int depth)
{
    m_trying = {url, depth};
    m_tryRunning = true;
    m_looking = false;
    m_ticksWithoutSound = 0;
    m_station.controls().stop();
    m_tickStationState.reset();
    m_tickPosition.reset();
    m_lookedFirst = namedAsPlaylist(url);
    if (m_lookedFirst) {
        lookAtTry();
        return;
    }
    m_station.setURL(url);
    m_station.controls().play();
    m_tryCheck->start();
}

void TStationPlayback::lookAtTry()
{
    m_looking = true;
    m_tryCheck->stop();
    m_links.look(m_trying.url, [this](const StationLinkReport &report) { onLook(report); });
}

void TStationPlayback::checkTry()
{
    if (!m_tryRunning || m_looking) {
        m_tryCheck->stop();
        return;
    }
    const int playState = m_station.playState();
    if (playState == kPlaying) {
        m_tryCheck->stop();
        return;
    }
    if (lookable(m_trying.url) && (!m_station.engine().lastError().isEmpty() || playState == MediaEngine::MediaEnded))
        lookAtTry();
}

void TStationPlayback::tryNext()
{
    if (!m_candidates.isEmpty()) {
        const Candidate next = m_candidates.takeFirst();
        startTry(next.url, next.depth);
        return;
    }
    m_tryRunning = false;
    if (m_phase == Phase::Tuning) {
        giveUp(m_firstFailure);
    } else if (m_phase == Phase::Reconnecting) {
        // The next attempt after the pause that is due; the last failure is
        // what is said if the station does not come back at all.
        const int step = std::min<int>(m_attempts, int(std::size(kBackoffTicks)) - 1);
        m_nextAttemptTick = m_dropTicks + kBackoffTicks[step];
    }
}

void TStationPlayback::tryFailed(const QString &message)
{
    m_station.controls().stop();
    m_tickStationState.reset();
    m_tickPosition.reset();
    if (m_firstFailure.isEmpty() || m_phase == Phase::Reconnecting)
        m_firstFailure = message;
    tryNext();
}

void TStationPlayback::onLook(const StationLinkReport &report)
{
    m_looking = false;
    if (!m_tryRunning)
        return;
    if (report.kind == StationLinkReport::Stream && m_lookedFirst) {
        // Named as a list, and sound after all: the player takes it.
        m_lookedFirst = false;
        m_station.setURL(m_trying.url);
        m_station.controls().play();
        m_tryCheck->start();
        return;
    }
    if (report.kind == StationLinkReport::Playlist && !report.entries.isEmpty()) {
        if (m_trying.depth >= kMaxPlaylistDepth) {
            tryFailed(QStringLiteral("This playlist only leads to more playlists: ") + shownAddress(m_trying.url));
            return;
        }
        // The entries go before whatever the list that held this one had left.
        QList<Candidate> entries;
        for (const QString &entry : report.entries)
            entries << Candidate{entry, m_trying.depth + 1};
        m_candidates = entries + m_candidates;
        tryNext();
        return;
    }
    tryFailed(failureMessage(report, m_trying.url, m_station.engine().lastError()));
}

void TStationPlayback::superviseStation()
{
    const bool cameOnline = state.online && !m_wasOnline;
    m_wasOnline = state.online;
    if (m_phase == Phase::Idle)
        return;
    if (m_phase == Phase::Reconnecting) {
        ++m_dropTicks;
        if (!m_tryRunning) {
            if (m_dropTicks >= kReconnectTicks) {
                giveUp(m_firstFailure.isEmpty()
                           ? QStringLiteral("The station stopped and did not come back within 5 minutes: ")
                                 + shownAddress(m_stationUrl)
                           : m_firstFailure);
                return;
            }
            // A network that came back is tried at once.
            if (state.online && (cameOnline || m_dropTicks >= m_nextAttemptTick))
                attemptReconnect();
            return;
        }
    }
    const int playState = stationState();
    if (m_tryRunning) {
        if (playState == kPlaying) {
            m_tryRunning = false;
            m_links.cancel();
            m_looking = false;
            if (m_phase == Phase::Reconnecting) {
                m_c.LabelStation->setVisible(true);
                setCaptionText(m_c.LabelStation, state.currentStationName);
            }
            m_phase = Phase::Playing;
            m_stallTicks = 0;
            return;
        }
        if (m_looking)
            return; // the look has its own time limit
        const QString error = m_station.engine().lastError();
        if (!error.isEmpty() || playState == MediaEngine::MediaEnded) {
            if (lookable(m_trying.url)) {
                lookAtTry();
            } else {
                tryFailed(failureMessage({}, m_trying.url, error));
            }
            return;
        }
        if (++m_ticksWithoutSound >= kNoSoundTicks)
            tryFailed(QStringLiteral("The server did not answer within 15 seconds: ") + shownAddress(m_trying.url));
        return;
    }
    // Playing: the station may end, fail or stall under way.
    followTitle();
    if (playState == MediaEngine::MediaEnded || (playState != kPlaying && !m_station.engine().lastError().isEmpty())) {
        dropped();
    } else if (playState == MediaEngine::Buffering) {
        if (++m_stallTicks >= kStallTicks)
            dropped();
    } else if (playState == MediaEngine::Stopped) {
        m_phase = Phase::Idle; // stopped by the program (the recording's PLAY)
    } else {
        m_stallTicks = 0;
    }
}

void TStationPlayback::endStation()
{
    m_tryCheck->stop();
    m_phase = Phase::Idle;
    m_tryRunning = false;
    m_looking = false;
    m_candidates.clear();
    m_links.cancel();
}

void TStationPlayback::dropped()
{
    m_station.controls().stop();
    m_tickStationState.reset();
    m_tickPosition.reset();
    m_phase = Phase::Reconnecting;
    m_dropTicks = 0;
    m_attempts = 0;
    m_nextAttemptTick = kBackoffTicks[0];
    m_firstFailure.clear();
    m_c.LabelStation->setVisible(true);
    setCaptionText(m_c.LabelStation, kReconnectingText + QLatin1Char(' ') + state.currentStationName);
}

void TStationPlayback::attemptReconnect()
{
    ++m_attempts;
    m_candidates.clear();
    startTry(m_stationUrl, 0);
}

void TStationPlayback::giveUp(const QString &message)
{
    // Everything is put right before the message opens: the ticks go on while
    // it is shown and must not say it again.
    m_phase = Phase::Idle;
    m_tryRunning = false;
    m_looking = false;
    m_tryCheck->stop();
    m_links.cancel();
    m_candidates.clear();
    state.connecting = false;
    m_station.controls().stop();
    m_tickStationState.reset();
    m_tickPosition.reset();
    m_c.LabelStation->setVisible(true);
    setCaptionText(m_c.LabelStation, state.currentStationName);
    dialogs().showMessage(message.isEmpty() ? QStringLiteral("This station cannot be played: ") + shownAddress(m_stationUrl)
                                            : message,
                          MessageKind::Warning);
}

void TStationPlayback::followTitle()
{
    // Asked on every tick; a title stays for minutes, so it is cleaned only
    // when the stream gives another.
    const QString raw = m_station.engine().streamTitle();
    if (raw == m_rawTitle)
        return;
    m_rawTitle = raw;
    const QString title = cleanStationTitle(raw);
    if (title.isEmpty() || title == m_lastTitle)
        return;
    m_lastTitle = title;
    m_titles.append({QTime::currentTime(), state.currentStationName, title});
    while (m_titles.size() > kTitlesKept)
        m_titles.removeFirst();
}

QString TStationPlayback::connectionText()
{
    if (!state.online)
        return kOfflineLedText;
    if (m_phase == Phase::Reconnecting)
        return kReconnectingText + QLatin1Char(' ') + state.currentStationName;
    if (m_phase == Phase::Playing && !m_lastTitle.isEmpty())
        return state.currentStationName + QStringLiteral(" - ") + m_lastTitle;
    return m_hooks.ledText ? m_hooks.ledText() : kDefaultLedText;
}
