#pragma once
// The player as the desktop sees it: MPRIS 2 on the session bus, for media keys,
// the panel's player controls and tools such as playerctl. The service is
// "org.mpris.MediaPlayer2.sonaveo" (".instance<pid>" when another copy on the
// same bus holds that name), the object /org/mpris/MediaPlayer2.
//
// The service is told what plays (update(), once per status tick) and signals
// each change with org.freedesktop.DBus.Properties.PropertiesChanged, so the
// desktop never needs to ask again. What the desktop asks for is done through
// the hooks.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

// What the player shows the desktop.
struct TMprisStatus {
    bool playing = false;
    QString station;     // the station's name; empty before any was tuned
    QString url;         // its address
    QString streamTitle; // what the station says it plays, when it says
    double volume = 1.0; // 0.0 ... 1.0
};

// What the desktop may ask of the player.
struct TMprisHooks {
    // Show the main window in front / close it as the window manager would.
    std::function<void()> raise;
    std::function<void()> quit;
    // Tune the last station again (nothing plays).
    std::function<void()> play;
    // End the station, as Disconnect does (a live station cannot pause).
    std::function<void()> stop;
    // Tune the next (+1) or previous (-1) preset of the shown block.
    std::function<void(int step)> skip;
    // Move the fader to a volume of 0.0 ... 1.0.
    std::function<void(double volume)> setVolume;
    // Tune a station address.
    std::function<void(const QString &url)> openUri;
    // What plays now, read again after each request from the bus.
    std::function<TMprisStatus()> status;
};

// The metadata for a status: mpris:trackid, xesam:title (the stream's title,
// without an "Artist - " in front, else the station's name), xesam:artist when
// the stream's title names one, xesam:album (the station) and xesam:url. Empty
// before any station was tuned. trackNumber makes the track id.
QVariantMap mprisMetadata(const TMprisStatus &status, int trackNumber);

class TMprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *kRootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char *kPlayerInterface = "org.mpris.MediaPlayer2.Player";

    // Registers on bus; without a bus, or when the bus refuses, the service stays
    // off the bus (registered() is false) and says nothing.
    TMprisService(TMprisHooks hooks, QDBusConnection bus);
    ~TMprisService() override;

    // The session bus of the desktop: the address DBUS_SESSION_BUS_ADDRESS
    // names, else the user bus in the runtime folder; a connection that is not
    // connected when there is none.
    static QDBusConnection sessionBus();

    bool registered() const { return m_registered; }
    // The name taken on the bus; empty when off the bus.
    const QString &serviceName() const { return m_serviceName; }

    // Takes what plays now and signals what changed.
    void update(const TMprisStatus &status);
    // The same with what the status hook says.
    void refresh();
    const TMprisStatus &status() const { return m_status; }
    QVariantMap metadata() const { return mprisMetadata(m_status, m_trackNumber); }
    QString playbackStatus() const;

    // What the bus asks for, from the adaptors.
    const TMprisHooks &hooks() const { return m_hooks; }
    void playPause();
    void play();

private:
    void propertiesChanged(const char *interface, const QVariantMap &changed);

    TMprisHooks m_hooks;
    QDBusConnection m_bus;
    bool m_registered = false;
    QString m_serviceName;
    TMprisStatus m_status;
    // Grows with every station, so each has a track id of its own.
    int m_trackNumber = 0;
};
