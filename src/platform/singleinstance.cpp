#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QSocketNotifier>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {
QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The runtime folder when it is fit to hold the lock: a folder (not a link to
// one) of this user that nobody else may enter or change.
QString privateRuntimeFolder()
{
    const QByteArray dir = qgetenv("XDG_RUNTIME_DIR");
    if (dir.isEmpty())
        return {};
    struct stat info {};
    if (::lstat(dir.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
        (info.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return {};
    return QFile::decodeName(dir);
}

// The abstract socket address "\0<id>".
socklen_t abstractAddress(const QByteArray &id, sockaddr_un &addr)
{
    addr = {};
    addr.sun_family = AF_UNIX;
    const size_t len = std::min(sizeof(addr.sun_path) - 1, size_t(id.size()));
    std::memcpy(addr.sun_path + 1, id.constData(), len);
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + len);
}

// The address of a socket file; length 0 when the path does not fit.
socklen_t fileAddress(const QByteArray &path, sockaddr_un &addr)
{
    addr = {};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof(addr.sun_path))
        return 0;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    return socklen_t(offsetof(sockaddr_un, sun_path) + size_t(path.size()) + 1);
}

// What a later copy says to the running one.
constexpr char kRaiseRequest[] = "raise\n";
constexpr qint64 kMaxRequest = 64;

bool peerIsThisUser(qintptr fd)
{
    ucred peer{};
    socklen_t peerLen = sizeof peer;
    return ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &peer, &peerLen) == 0 && peer.uid == ::getuid();
}
} // namespace

SingleInstance::SingleInstance(const QString &name)
{
    if (!lockInRuntimeFolder(name))
        bindAbstractName(name);
}

SingleInstance::~SingleInstance()
{
    delete m_server.data();
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    // The socket file goes while the lock is still held: no later copy's is hit.
    if (m_ownsSocketFile)
        ::unlink(m_raiseAddress.sun_path);
    if (m_fd >= 0)
        ::close(m_fd);
}

void SingleInstance::listenForRaise(bool removeStale)
{
    if (m_raiseAddressLength == 0)
        return;
    if (removeStale) {
        // Only the lock's holder gets here, in a folder no one else can enter:
        // whatever has the socket's name is left by a copy that ended.
        struct stat info {};
        if (::lstat(m_raiseAddress.sun_path, &info) == 0 && !S_ISDIR(info.st_mode))
            ::unlink(m_raiseAddress.sun_path);
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&m_raiseAddress), m_raiseAddressLength) != 0 ||
        ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    m_listenFd = fd;
    m_ownsSocketFile = removeStale;
}

bool SingleInstance::askToRaise() const
{
    if (!m_alreadyRunning || m_raiseAddressLength == 0)
        return false;
    // The running copy may have taken the lock a moment ago and not be listening
    // yet: it is asked a few times over a fifth of a second.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // Non-blocking: a holder that takes no connections is never waited on.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        const bool sent =
            ::connect(fd, reinterpret_cast<const sockaddr *>(&m_raiseAddress), m_raiseAddressLength) == 0 &&
            ::send(fd, kRaiseRequest, sizeof kRaiseRequest - 1, MSG_NOSIGNAL) == ssize_t(sizeof kRaiseRequest - 1);
        ::close(fd);
        if (sent)
            return true;
    }
    return false;
}

namespace {
// One later copy's connection: its request is read as it comes, then the
// connection is closed.
class RaiseRequest : public QObject {
public:
    RaiseRequest(int fd, QObject *parent, const std::function<void()> &raise)
        : QObject(parent), m_fd(fd), m_raise(raise), m_readable(fd, QSocketNotifier::Read)
    {
        QObject::connect(&m_readable, &QSocketNotifier::activated, this, [this] { read(); });
    }
    ~RaiseRequest() override { ::close(m_fd); }

private:
    void read()
    {
        char chunk[kMaxRequest];
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got > 0)
            m_line.append(chunk, got);
        const qsizetype end = m_line.indexOf('\n');
        if (end >= 0) {
            if (m_line.left(end).trimmed() == "raise" && m_raise)
                m_raise();
        } else if (got > 0 && m_line.size() <= kMaxRequest) {
            return; // more of the line is on its way
        }
        // Done, ended early, or more than a request: the connection goes.
        m_readable.setEnabled(false);
        deleteLater();
    }

    int m_fd;
    std::function<void()> m_raise;
    QSocketNotifier m_readable;
    QByteArray m_line;
};
} // namespace

void SingleInstance::onRaiseRequest(QObject *context, std::function<void()> raise)
{
    if (m_listenFd < 0 || m_server)
        return;
    const int listenFd = m_listenFd;
    ::fcntl(listenFd, F_SETFL, ::fcntl(listenFd, F_GETFL) | O_NONBLOCK);
    auto *server = new QSocketNotifier(listenFd, QSocketNotifier::Read, context);
    m_server = server;
    QObject::connect(server, &QSocketNotifier::activated, server, [server, raise = std::move(raise)] {
        const int listening = int(server->socket());
        int peer;
        while ((peer = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
            // The abstract name is open to every local user; only this user's
            // copies are heard.
            if (!peerIsThisUser(peer)) {
                ::close(peer);
                continue;
            }
            new RaiseRequest(peer, server, raise);
        }
    });
}

bool SingleInstance::lockInRuntimeFolder(const QString &name)
{
    const QString folder = privateRuntimeFolder();
    if (folder.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(name + QStringLiteral(".lock")));
    // O_NOFOLLOW: a link planted in place of the file is refused, not followed.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        ::close(fd);
        return false;
    }
    const QByteArray socketPath = QFile::encodeName(QDir(folder).filePath(name + QStringLiteral(".socket")));
    m_raiseAddressLength = fileAddress(socketPath, m_raiseAddress);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK) {
            m_raiseAddressLength = 0;
            return false;
        }
        // Only this user can reach a file in the folder: the holder is our copy.
        m_alreadyRunning = true;
        return true;
    }
    m_fd = fd;
    listenForRaise(true);
    return true;
}

void SingleInstance::bindAbstractName(const QString &name)
{
    const QByteArray id = (name + QLatin1Char('-') + QString::number(::getuid())).toUtf8();
    sockaddr_un addr;
    const socklen_t addrLen = abstractAddress(id, addr);
    m_raiseAddress = addr;
    m_raiseAddressLength = addrLen;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_problem = QStringLiteral("cannot make a socket for the one-copy lock (%1)").arg(systemReason(errno));
        return;
    }
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), addrLen) == 0) {
        // Listening lets a later copy ask who holds the name.
        if (::listen(fd, 8) == 0) {
            m_fd = fd;
            // Raise requests are taken on a second descriptor of the same
            // socket: whoever serves them never lets go of the name.
            m_listenFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            return;
        }
        m_problem = QStringLiteral("cannot listen on the one-copy lock (%1)").arg(systemReason(errno));
        ::close(fd);
        return;
    }
    const int bindError = errno;
    ::close(fd);
    if (bindError != EADDRINUSE) {
        m_problem = QStringLiteral("cannot take the one-copy lock (%1)").arg(systemReason(bindError));
        return;
    }

    // The name is taken: ask the holder who it is. A non-blocking connect never
    // waits on a holder whose queue is full.
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0) {
        m_problem = QStringLiteral("the one-copy lock is taken and its holder cannot be asked (%1)")
                        .arg(systemReason(errno));
        return;
    }
    if (::connect(probe, reinterpret_cast<sockaddr *>(&addr), addrLen) != 0) {
        m_problem = QStringLiteral("the one-copy lock is taken by a socket that refuses connections (%1)")
                        .arg(systemReason(errno));
        ::close(probe);
        return;
    }
    ucred peer{};
    socklen_t peerLen = sizeof peer;
    if (::getsockopt(probe, SOL_SOCKET, SO_PEERCRED, &peer, &peerLen) != 0) {
        m_problem = QStringLiteral("the one-copy lock is taken and its holder is unknown (%1)")
                        .arg(systemReason(errno));
    } else if (peer.uid == ::getuid()) {
        m_alreadyRunning = true;
    } else {
        m_problem = QStringLiteral("the one-copy lock is taken by another user (uid %1)").arg(peer.uid);
    }
    ::close(probe);
}
