#include "singleinstance.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

SingleInstance::SingleInstance(const QString &name)
{
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return; // without sockets there is nothing to guard with; let it run
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray id = (name + QLatin1Char('-') + QString::number(::getuid())).toUtf8();
    // Abstract namespace: the first byte of the path is NUL.
    const size_t len = std::min(sizeof(addr.sun_path) - 1, size_t(id.size()));
    std::memcpy(addr.sun_path + 1, id.constData(), len);
    const auto addrLen = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + len);
    if (::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), addrLen) != 0) {
        m_alreadyRunning = errno == EADDRINUSE;
        ::close(m_fd);
        m_fd = -1;
    }
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
