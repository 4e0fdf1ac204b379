#include "platform/stationlink.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTemporaryFile>
#include <QThreadPool>
#include <QUrl>

#include <totem-pl-parser.h>

#include <cstdio>
#include <dlfcn.h>
#include <mutex>

namespace {

// Enough of the body to tell a playlist or a page from sound.
constexpr qsizetype kSniffBytes = 4096;

QByteArray bareType(const QByteArray &contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    return (semicolon < 0 ? contentType : contentType.left(semicolon)).trimmed().toLower();
}

// The start of a text without a byte order mark and leading blanks, in lower case.
QByteArray textStart(const QByteArray &head)
{
    QByteArray text = head.left(kSniffBytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    return text.trimmed().toLower();
}

bool onlyAddressLines(const QByteArray &text)
{
    int addresses = 0;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!line.startsWith("http://") && !line.startsWith("https://") && !line.startsWith("mms://")
            && !line.startsWith("mmsh://") && !line.startsWith("rtsp://"))
            return false;
        ++addresses;
    }
    return addresses > 0;
}

// Entries are played from the network only: a list fetched from a server must
// not open the listener's own files or devices.
bool playableEntry(const QUrl &url)
{
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mms"),
                                        QStringLiteral("mmsh"), QStringLiteral("rtsp"), QStringLiteral("icy")};
    return url.isValid() && schemes.contains(url.scheme().toLower()) && !url.host().isEmpty();
}

// The parser library, opened the first time a list is read: most starts read
// none, and it would add its libraries to every one of them.
struct PlaylistParser {
    decltype(&totem_pl_parser_new) create = nullptr;
    decltype(&totem_pl_parser_parse_with_base) parse = nullptr;
    explicit operator bool() const { return create && parse; }
};

const PlaylistParser &playlistParser()
{
    static PlaylistParser parser;
    static std::once_flag once;
    std::call_once(once, [] {
        void *library = ::dlopen(SONAVEO_PLPARSER_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            std::fprintf(stderr, "sonaveo: playlists cannot be read: %s\n", ::dlerror());
            return;
        }
        parser.create = reinterpret_cast<decltype(parser.create)>(::dlsym(library, "totem_pl_parser_new"));
        parser.parse = reinterpret_cast<decltype(parser.parse)>(::dlsym(library, "totem_pl_parser_parse_with_base"));
        if (!parser)
            std::fprintf(stderr, "sonaveo: playlists cannot be read: %s lacks the parser\n", SONAVEO_PLPARSER_SONAME);
    });
    return parser;
}

struct Collected {
    QStringList entries;
};

void onEntry(TotemPlParser *, const char *uri, GHashTable *, gpointer data)
{
    auto *collected = static_cast<Collected *>(data);
    if (!uri || collected->entries.size() >= StationLinks::kMaxPlaylistEntries)
        return;
    const QUrl url(QString::fromUtf8(uri));
    if (playableEntry(url))
        collected->entries << url.toString(QUrl::FullyEncoded);
}

} // namespace

QString playlistKind(const QByteArray &contentType, const QByteArray &head)
{
    const QByteArray type = bareType(contentType);
    const QByteArray text = textStart(head);
    const bool hls = text.startsWith("#extm3u") && text.contains("#ext-x-");
    if (type == "audio/x-scpls" || type == "application/pls+xml" || type == "audio/scpls")
        return QStringLiteral("pls");
    if (type == "audio/x-mpegurl" || type == "audio/mpegurl" || type == "application/x-mpegurl"
        || type == "application/vnd.apple.mpegurl" || type == "audio/m3u" || type == "audio/x-m3u")
        return hls ? QStringLiteral("m3u8-hls") : QStringLiteral("m3u");
    if (type == "application/xspf+xml")
        return QStringLiteral("xspf");
    if (type == "video/x-ms-asx" || type == "audio/x-ms-asx" || type == "application/x-ms-asx"
        || type == "video/x-ms-wvx" || type == "audio/x-ms-wax")
        return QStringLiteral("asx");
    if (type == "text/html" || type == "application/xhtml+xml")
        return QStringLiteral("html");
    // Windows Media names its lists and its sound alike: the content tells.
    if (text.startsWith("<asx"))
        return QStringLiteral("asx");
    if (text.startsWith("[playlist]"))
        return QStringLiteral("pls");
    if (text.startsWith("#extm3u"))
        return hls ? QStringLiteral("m3u8-hls") : QStringLiteral("m3u");
    if (text.startsWith("<?xml") && text.contains("<playlist") && text.contains("xspf"))
        return QStringLiteral("xspf");
    if (text.startsWith("<?xml") && text.contains("<asx"))
        return QStringLiteral("asx");
    if (text.startsWith("<!doctype html") || text.startsWith("<html"))
        return QStringLiteral("html");
    if ((type.startsWith("text/") || type.isEmpty() || type == "application/octet-stream") && onlyAddressLines(text))
        return QStringLiteral("m3u");
    return {};
}

QStringList parsePlaylist(const QByteArray &data, const QString &baseUrl, const QString &typeHint)
{
    // totem-pl-parser reads lists from files; the ending helps it to the format
    // when the content alone is ambiguous (a bare list of addresses).
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/sonaveo-playlist-XXXXXX.")
                        + (typeHint.isEmpty() ? QStringLiteral("m3u") : typeHint));
    if (!file.open() || file.write(data.left(StationLinks::kMaxPlaylistBytes)) < 0 || !file.flush())
        return {};
    const PlaylistParser &library = playlistParser();
    if (!library)
        return {};
    Collected collected;
    TotemPlParser *parser = library.create();
    // Nested lists are not fetched here: the player looks at each entry as it
    // comes to it, a list in a list included, up to a small depth.
    g_object_set(parser, "recurse", FALSE, "disable-unsafe", TRUE, nullptr);
    g_signal_connect(parser, "entry-parsed", G_CALLBACK(onEntry), &collected);
    const QByteArray fileUri = QUrl::fromLocalFile(file.fileName()).toEncoded();
    // The parser takes its base as a folder: the one the list lies in.
    const QByteArray base = QUrl(baseUrl).resolved(QUrl(QStringLiteral("."))).toEncoded();
    library.parse(parser, fileUri.constData(), base.constData(), FALSE);
    g_object_unref(parser);
    return collected.entries;
}

NetStationLinks::NetStationLinks(int answerTimeoutMs)
    : m_answerTimeoutMs(answerTimeoutMs)
{
}

NetStationLinks::~NetStationLinks() { cancel(); }

void NetStationLinks::cancel()
{
    ++m_generation;
    m_done = nullptr;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
    m_reply = nullptr;
}

void NetStationLinks::look(const QString &url, std::function<void(const StationLinkReport &)> done)
{
    cancel();
    m_done = std::move(done);
    m_url = url;
    m_body.clear();
    m_kind.clear();
    m_decided = false;
    m_sslDetail.clear();
    m_hostMismatch = false;

    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(m_answerTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Sonaveo"));
    // The same authorities the player trusts for https stations.
    const QString caFile = qEnvironmentVariable("SSL_CERT_FILE");
    if (!caFile.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(QSslCertificate::fromPath(caFile));
        request.setSslConfiguration(tls);
    }
    // Made at the first look: the program's start need not wait for it.
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &NetStationLinks::onHeaders);
    connect(m_reply, &QNetworkReply::readyRead, this, &NetStationLinks::onData);
    connect(m_reply, &QNetworkReply::finished, this, &NetStationLinks::onFinished);
    connect(m_reply, &QNetworkReply::sslErrors, this, [this](const QList<QSslError> &errors) {
        for (const QSslError &error : errors) {
            m_hostMismatch = m_hostMismatch || error.error() == QSslError::HostNameMismatch;
            if (m_sslDetail.isEmpty())
                m_sslDetail = error.errorString();
        }
    });
}

void NetStationLinks::onHeaders()
{
    if (m_decided || !m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400)
        return; // a redirect on its way
    if (status >= 400) {
        StationLinkReport report;
        report.kind = StationLinkReport::HttpError;
        report.httpStatus = status;
        finish(report);
        return;
    }
    const QByteArray type = bareType(m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray());
    const QString kind = playlistKind(type, {});
    if (kind == QLatin1String("html")) {
        finish({StationLinkReport::WebPage, 0, {}, {}});
    } else if (kind.isEmpty() && (type.startsWith("audio/") || type.startsWith("video/") || type == "application/ogg")
               && type != "video/x-ms-asf") { // Windows Media's lists and sound share that type
        // Sound, by its own word: nothing more to read.
        finish({});
    } else {
        m_kind = kind; // a list by its type, or to be told by its first bytes
    }
}

void NetStationLinks::onData()
{
    if (m_decided || !m_reply)
        return;
    m_body += m_reply->read(kMaxPlaylistBytes - m_body.size());
    const QByteArray type = m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (m_kind.isEmpty() && m_body.size() >= kSniffBytes) {
        m_kind = playlistKind(type, m_body);
        if (m_kind.isEmpty()) {
            finish({});
            return;
        }
    }
    if (m_kind == QLatin1String("m3u") && m_body.size() >= kSniffBytes && playlistKind(type, m_body) == QLatin1String("m3u8-hls"))
        m_kind = QStringLiteral("m3u8-hls");
    if (m_kind == QLatin1String("html")) {
        finish({StationLinkReport::WebPage, 0, {}, {}});
    } else if (m_kind == QLatin1String("m3u8-hls")) {
        finish({});
    } else if (m_body.size() >= kMaxPlaylistBytes) {
        // Cut off here: what came so far is the list.
        m_reply->disconnect(this);
        m_reply->abort();
        parseBody();
    }
}

void NetStationLinks::onFinished()
{
    if (m_decided || !m_reply)
        return;
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error != QNetworkReply::NoError) {
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        StationLinkReport report;
        if (status >= 400) {
            report.kind = StationLinkReport::HttpError;
            report.httpStatus = status;
        } else {
            switch (error) {
            case QNetworkReply::HostNotFoundError:
                report.kind = StationLinkReport::HostNotFound;
                break;
            case QNetworkReply::ConnectionRefusedError:
            case QNetworkReply::RemoteHostClosedError:
                report.kind = StationLinkReport::Refused;
                break;
            case QNetworkReply::TimeoutError:
            case QNetworkReply::OperationCanceledError: // the transfer timeout
                report.kind = StationLinkReport::NoAnswer;
                break;
            case QNetworkReply::SslHandshakeFailedError:
                report.kind = m_hostMismatch ? StationLinkReport::CertificateMismatch
                                             : StationLinkReport::CertificateUntrusted;
                report.detail = m_sslDetail.isEmpty() ? m_reply->errorString() : m_sslDetail;
                break;
            default:
                report.kind = StationLinkReport::Failed;
                report.detail = m_reply->errorString();
                break;
            }
        }
        finish(report);
        return;
    }
    m_body += m_reply->read(kMaxPlaylistBytes - m_body.size());
    if (m_kind.isEmpty())
        m_kind = playlistKind(m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray(), m_body);
    if (m_kind == QLatin1String("html"))
        finish({StationLinkReport::WebPage, 0, {}, {}});
    else if (m_kind.isEmpty() || m_kind == QLatin1String("m3u8-hls"))
        finish({});
    else
        parseBody();
}

void NetStationLinks::parseBody()
{
    m_decided = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    const int generation = m_generation;
    QPointer<NetStationLinks> self(this);
    QThreadPool::globalInstance()->start([self, generation, body = m_body, url = m_url, kind = m_kind] {
        const QStringList entries = parsePlaylist(body, url, kind);
        // Back on the thread the look was asked on; a newer look or a cancel
        // since then drops this answer.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, generation, entries] {
            if (!self || self->m_generation != generation || !self->m_done)
                return;
            StationLinkReport report;
            report.kind = StationLinkReport::Playlist;
            report.entries = entries;
            auto done = std::move(self->m_done);
            self->m_done = nullptr;
            done(report);
        }, Qt::QueuedConnection);
    });
}

void NetStationLinks::finish(const StationLinkReport &report)
{
    m_decided = true;
    if (m_reply) {
        m_reply->disconnect(this);
        if (!m_reply->isFinished())
            m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    auto done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(report);
}
