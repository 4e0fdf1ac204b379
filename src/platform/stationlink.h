#pragma once
// Looking at a station's address directly, when the player could not play it:
// is it a playlist (and what does it list), a web page, an error page, a server
// that is not there or does not answer? A playlist's entries are read with
// totem-pl-parser, which knows pls, m3u, asx, xspf and the rest.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

// What a station address turned out to be.
struct StationLinkReport {
    enum Kind {
        Stream,              // sound (or anything that is no page and no list)
        Playlist,            // a list of stations: entries
        WebPage,             // an HTML page
        HttpError,           // the server answered with httpStatus
        HostNotFound,        // the host name does not resolve
        Refused,             // nothing listens there, or the connection was cut
        NoAnswer,            // connected, and nothing came within the time
        CertificateMismatch, // https: the certificate is for another name
        CertificateUntrusted, // https: any other certificate fault
        Failed,              // any other network fault: detail says it
    };
    Kind kind = Stream;
    int httpStatus = 0;
    // A playlist's entries in order, absolute, at most kMaxPlaylistEntries.
    QStringList entries;
    // The system's words for Failed and the certificate faults.
    QString detail;
};

class StationLinks {
public:
    // A playlist is read up to this many entries and bytes; the rest is cut off.
    static constexpr int kMaxPlaylistEntries = 10000;
    static constexpr qint64 kMaxPlaylistBytes = 10 * 1024 * 1024;
    // How long a server may keep silent.
    static constexpr int kAnswerTimeoutMs = 15000;

    virtual ~StationLinks() = default;
    // Looks at url and calls done once, later, on this thread; a new look or
    // cancel() first drops the one under way without calling it.
    virtual void look(const QString &url, std::function<void(const StationLinkReport &)> done) = 0;
    virtual void cancel() = 0;
};

// The entries of a playlist held in data, fetched from baseUrl (which relative
// entries are resolved against), in order; at most kMaxPlaylistEntries. typeHint
// is the file ending that names the format ("pls", "m3u", "asx", "xspf"); empty
// lets the content tell.
QStringList parsePlaylist(const QByteArray &data, const QString &baseUrl, const QString &typeHint);

// The file ending of the playlist format the content type or the first bytes
// name; "m3u8-hls" for an HLS media playlist (which the player streams itself),
// "html" for a web page, empty for anything else.
QString playlistKind(const QByteArray &contentType, const QByteArray &head);

// Looks with Qt's network access; playlists are parsed on a pool thread.
class NetStationLinks : public QObject, public StationLinks {
public:
    // answerTimeoutMs: how long a server may keep silent before it counts as
    // not answering.
    explicit NetStationLinks(int answerTimeoutMs = kAnswerTimeoutMs);
    ~NetStationLinks() override;
    void look(const QString &url, std::function<void(const StationLinkReport &)> done) override;
    void cancel() override;

private:
    void onHeaders();
    void onData();
    void onFinished();
    void finish(const StationLinkReport &report);
    void parseBody();

    std::unique_ptr<QNetworkAccessManager> m_network;
    QPointer<QNetworkReply> m_reply;
    std::function<void(const StationLinkReport &)> m_done;
    QString m_url;
    QByteArray m_body;
    QString m_kind; // what the headers or the first bytes said the body is
    bool m_decided = false;
    int m_generation = 0;
    int m_answerTimeoutMs;
    QString m_sslDetail;
    bool m_hostMismatch = false;
};
