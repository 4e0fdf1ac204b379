#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
} // namespace

SingleInstance::SingleInstance(const QString &name)
{
    if (!lockInRuntimeFolder(name))
        bindAbstractName(name);
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
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
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK)
            return false;
        // Only this user can reach a file in the folder: the holder is our copy.
        m_alreadyRunning = true;
        return true;
    }
    m_fd = fd;
    return true;
}

void SingleInstance::bindAbstractName(const QString &name)
{
    const QByteArray id = (name + QLatin1Char('-') + QString::number(::getuid())).toUtf8();
    sockaddr_un addr;
    const socklen_t addrLen = abstractAddress(id, addr);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_problem = QStringLiteral("cannot make a socket for the one-copy lock (%1)").arg(systemReason(errno));
        return;
    }
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), addrLen) == 0) {
        // Listening lets a later copy ask who holds the name.
        if (::listen(fd, 8) == 0) {
            m_fd = fd;
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
