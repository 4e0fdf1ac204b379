#include "playback/mpris.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <unistd.h>

namespace {
const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.sonaveo");
const QString kConnectionName = QStringLiteral("sonaveo-session-bus");

// Runs a hook when one was given.
void call(const std::function<void()> &hook)
{
    if (hook)
        hook();
}
} // namespace

// org.mpris.MediaPlayer2: the program itself.
class TMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    explicit TMprisRootAdaptor(TMprisService *service) : QDBusAbstractAdaptor(service), m_service(service) {}

    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Sonaveo"); }
    QString desktopEntry() const { return QStringLiteral("sonaveo"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("http"), QStringLiteral("https")}; }
    QStringList supportedMimeTypes() const
    {
        return {QStringLiteral("audio/mpeg"),      QStringLiteral("audio/aac"),
                QStringLiteral("audio/aacp"),      QStringLiteral("audio/ogg"),
                QStringLiteral("audio/opus"),      QStringLiteral("audio/flac"),
                QStringLiteral("audio/x-scpls"),   QStringLiteral("audio/x-mpegurl"),
                QStringLiteral("audio/mpegurl"),   QStringLiteral("application/vnd.apple.mpegurl"),
                QStringLiteral("video/x-ms-asf"),  QStringLiteral("application/xspf+xml")};
    }

public Q_SLOTS:
    void Raise() { call(m_service->hooks().raise); }
    void Quit() { call(m_service->hooks().quit); }

private:
    TMprisService *m_service;
};

// org.mpris.MediaPlayer2.Player: what plays and the transport. A station is
// live: it has no position, cannot seek and pausing ends it.
class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

public:
    explicit TMprisPlayerAdaptor(TMprisService *service) : QDBusAbstractAdaptor(service), m_service(service) {}

    QString playbackStatus() const { return m_service->playbackStatus(); }
    double rate() const { return 1.0; }
    void setRate(double) {}
    QVariantMap metadata() const { return m_service->metadata(); }
    double volume() const { return m_service->status().volume; }
    void setVolume(double value)
    {
        if (m_service->hooks().setVolume)
            m_service->hooks().setVolume(qBound(0.0, value, 1.0));
        m_service->refresh();
    }
    qlonglong position() const { return 0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public Q_SLOTS:
    void Next() { skip(+1); }
    void Previous() { skip(-1); }
    void Pause() { stop(); }
    void PlayPause() { m_service->playPause(); }
    void Stop() { stop(); }
    void Play() { m_service->play(); }
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath &, qlonglong) {}
    void OpenUri(const QString &uri)
    {
        if (m_service->hooks().openUri)
            m_service->hooks().openUri(uri);
        m_service->refresh();
    }

Q_SIGNALS:
    void Seeked(qlonglong position);

private:
    void skip(int step)
    {
        if (m_service->hooks().skip)
            m_service->hooks().skip(step);
        m_service->refresh();
    }
    void stop()
    {
        call(m_service->hooks().stop);
        m_service->refresh();
    }

    TMprisService *m_service;
};

QVariantMap mprisMetadata(const TMprisStatus &status, int trackNumber)
{
    QVariantMap m;
    if (status.station.isEmpty())
        return m;
    m.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/app/sonaveo/station/%1").arg(trackNumber))));
    QString title = status.streamTitle;
    const qsizetype dash = title.indexOf(QLatin1String(" - "));
    if (dash > 0) {
        const QString artist = title.left(dash).trimmed();
        const QString rest = title.mid(dash + 3).trimmed();
        if (!artist.isEmpty() && !rest.isEmpty()) {
            m.insert(QStringLiteral("xesam:artist"), QStringList{artist});
            title = rest;
        }
    }
    m.insert(QStringLiteral("xesam:title"), title.isEmpty() ? status.station : title);
    m.insert(QStringLiteral("xesam:album"), status.station);
    if (!status.url.isEmpty())
        m.insert(QStringLiteral("xesam:url"), status.url);
    return m;
}

TMprisService::TMprisService(TMprisHooks hooks, QDBusConnection bus) : m_hooks(std::move(hooks)), m_bus(bus)
{
    new TMprisRootAdaptor(this);
    new TMprisPlayerAdaptor(this);
    if (m_hooks.status)
        m_status = m_hooks.status();
    if (!m_bus.isConnected())
        return;
    if (!m_bus.registerObject(QString::fromLatin1(kObjectPath), this, QDBusConnection::ExportAdaptors))
        return;
    // The name of a copy already on this bus (another session sharing it) is
    // left to it; MPRIS lets a second copy add ".instance<pid>".
    for (const QString &name : {kServiceName, kServiceName + QStringLiteral(".instance%1").arg(::getpid())}) {
        if (m_bus.registerService(name)) {
            m_serviceName = name;
            m_registered = true;
            return;
        }
    }
    m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

TMprisService::~TMprisService()
{
    if (!m_registered)
        return;
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
}

QDBusConnection TMprisService::sessionBus()
{
    // The connection Qt shares with the desktop integration, when the session
    // names its bus.
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return QDBusConnection::sessionBus();
    // Otherwise the user bus of a systemd session, in the runtime folder. No bus
    // is started for the program (as the bus library would try).
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QFileInfo userBus(QDir(runtime).filePath(QStringLiteral("bus")));
    if (runtime.isEmpty() || !userBus.exists() || userBus.isDir() || userBus.isFile())
        return QDBusConnection(kConnectionName); // not connected: no bus to talk to
    return QDBusConnection::connectToBus(QStringLiteral("unix:path=") + userBus.absoluteFilePath(), kConnectionName);
}

QString TMprisService::playbackStatus() const
{
    return m_status.playing ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

void TMprisService::play()
{
    if (!m_status.playing)
        call(m_hooks.play);
    refresh();
}

void TMprisService::playPause()
{
    if (m_status.playing)
        call(m_hooks.stop);
    else
        call(m_hooks.play);
    refresh();
}

void TMprisService::refresh()
{
    if (m_hooks.status)
        update(m_hooks.status());
}

void TMprisService::update(const TMprisStatus &status)
{
    const TMprisStatus before = m_status;
    m_status = status;
    if (before.station != status.station || before.url != status.url)
        ++m_trackNumber;
    QVariantMap changed;
    if (before.playing != status.playing)
        changed.insert(QStringLiteral("PlaybackStatus"), playbackStatus());
    if (before.station != status.station || before.url != status.url || before.streamTitle != status.streamTitle)
        changed.insert(QStringLiteral("Metadata"), metadata());
    if (!qFuzzyCompare(1.0 + before.volume, 1.0 + status.volume))
        changed.insert(QStringLiteral("Volume"), status.volume);
    if (!changed.isEmpty())
        propertiesChanged(kPlayerInterface, changed);
}

void TMprisService::propertiesChanged(const char *interface, const QVariantMap &changed)
{
    if (!m_registered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(interface) << changed << QStringList();
    m_bus.send(signal);
}

#include "mpris.moc"
