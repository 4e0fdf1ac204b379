#pragma once
// A forked process of the test's own that holds a lock or a name until it is
// killed, for tests of the one-copy rule; as root it can be another user.

#include <QString>

#include <csignal>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

// A forked process that holds something until it is killed. The child only
// makes system calls (the test process has threads), then tells the parent by
// one byte whether it got hold.
class ForkedHolder {
public:
    template <typename Hold>
    explicit ForkedHolder(Hold hold)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            const char ok = hold() ? 1 : 0;
            [[maybe_unused]] const ssize_t n = ::write(ready[1], &ok, 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char ok = 0;
        m_holding = m_pid > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
    }
    ~ForkedHolder() { kill(); }
    bool holding() const { return m_holding; }
    // Ends the holder the hard way, as a crash would, and waits for its end.
    void kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_holding = false;
};

// The abstract address "\0<name>-<uid>", as the program names it.
inline socklen_t abstractAddress(const QString &name, uid_t uid, sockaddr_un &addr)
{
    const QByteArray id = (name + QLatin1Char('-') + QString::number(uid)).toUtf8();
    addr = {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, id.constData(), size_t(id.size()));
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(id.size()));
}

// The user id the tests take for "another user".
constexpr uid_t kNobody = 65534;

// As root: binds the abstract name of the given user as user kNobody, listening
// for connections or not.
inline bool squatAbstractName(const sockaddr_un &addr, socklen_t addrLen, bool listens)
{
    if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0)
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    return fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&addr), addrLen) == 0 &&
           (!listens || ::listen(fd, 1) == 0);
}
