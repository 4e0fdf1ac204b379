// One running copy per user: the lock in the runtime folder, the abstract name
// without one, and holders that are not this user's copy.

#include "singleinstance.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// A name of this test run's own, so a real copy of the program is left alone.
QString testName() { return QStringLiteral("sonaveo-test-%1").arg(::getpid()); }

// XDG_RUNTIME_DIR set to a folder (or unset for an empty one) while it lives.
class RuntimeFolder {
public:
    explicit RuntimeFolder(const QString &dir) : m_had(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")),
                                                  m_old(qgetenv("XDG_RUNTIME_DIR"))
    {
        if (dir.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
    }
    ~RuntimeFolder()
    {
        if (m_had)
            qputenv("XDG_RUNTIME_DIR", m_old);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

private:
    bool m_had;
    QByteArray m_old;
};

// A forked process that holds something until it is killed. The child only
// makes system calls (the test process has threads), then tells the parent by
// one byte whether it got hold.
class Holder {
public:
    template <typename Hold>
    explicit Holder(Hold hold)
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
    ~Holder() { kill(); }
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
socklen_t abstractAddress(const QString &name, uid_t uid, sockaddr_un &addr)
{
    const QByteArray id = (name + QLatin1Char('-') + QString::number(uid)).toUtf8();
    addr = {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, id.constData(), size_t(id.size()));
    return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(id.size()));
}

constexpr uid_t kNobody = 65534;
} // namespace

TEST(SingleInstance, OneCopyPerRuntimeFolderAndTheLockGoesWithItsHolder)
{
    QTemporaryDir one; // made 0700, as a session's runtime folder is
    QTemporaryDir two;
    const QString name = testName();
    const QString lockFile = QDir(one.path()).filePath(name + QStringLiteral(".lock"));
    {
        RuntimeFolder session(one.path());
        SingleInstance first(name);
        EXPECT_FALSE(first.alreadyRunning());
        EXPECT_TRUE(first.problem().isEmpty()) << first.problem().toStdString();
        ASSERT_TRUE(QFileInfo(lockFile).isFile());
        EXPECT_EQ(QFileInfo(lockFile).permissions() & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                                         QFile::WriteUser),
                  QFile::Permissions()) << "only the user may open the lock";

        SingleInstance second(name);
        EXPECT_TRUE(second.alreadyRunning());
        EXPECT_TRUE(second.problem().isEmpty());

        RuntimeFolder otherSession(two.path());
        SingleInstance elsewhere(name);
        EXPECT_FALSE(elsewhere.alreadyRunning()) << "another runtime folder is another session";
    }
    RuntimeFolder session(one.path());
    EXPECT_FALSE(SingleInstance(name).alreadyRunning()) << "the first copy ended, the file stays";

    // A copy killed while it holds the lock leaves the file behind, not the lock.
    const QByteArray path = QFile::encodeName(lockFile);
    Holder killed([&path] {
        const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
        return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    });
    ASSERT_TRUE(killed.holding());
    EXPECT_TRUE(SingleInstance(name).alreadyRunning()) << "a copy in another process holds it";
    killed.kill();
    ASSERT_TRUE(QFileInfo(lockFile).isFile());
    SingleInstance next(name);
    EXPECT_FALSE(next.alreadyRunning());
    EXPECT_TRUE(next.problem().isEmpty());
}

TEST(SingleInstance, WithoutAPrivateRuntimeFolderTheAbstractNameGuardsThisUsersCopies)
{
    QTemporaryDir open;
    ASSERT_TRUE(QFile::setPermissions(open.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                       QFile::ReadOther | QFile::ExeOther));
    const QString name = testName();
    for (const QString &folder : {QString(), open.path(), QStringLiteral("/nonexistent/run")}) {
        SCOPED_TRACE(folder.toStdString());
        RuntimeFolder session(folder);
        SingleInstance first(name);
        EXPECT_FALSE(first.alreadyRunning());
        EXPECT_TRUE(first.problem().isEmpty()) << first.problem().toStdString();
        SingleInstance second(name);
        EXPECT_TRUE(second.alreadyRunning()) << "the holder is this user's";
        EXPECT_FALSE(QFileInfo::exists(QDir(open.path()).filePath(name + QStringLiteral(".lock"))))
            << "no lock in a folder others can enter";
    }
}

TEST(SingleInstance, ANameHeldByAnotherUserNeverKeepsTheProgramFromStarting)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "taking another user's identity needs root";
    const QString name = testName();
    sockaddr_un addr;
    const socklen_t addrLen = abstractAddress(name, ::getuid(), addr);
    // The other user's process binds the name meant for this user, and answers
    // connections or not.
    struct Row {
        bool listens;
        const char *why;
    };
    for (const Row row : {Row{true, "another user (uid 65534)"}, Row{false, "refuses connections"}}) {
        SCOPED_TRACE(row.why);
        Holder squatter([&addr, addrLen, listens = row.listens] {
            if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0)
                return false;
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            return fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&addr), addrLen) == 0 &&
                   (!listens || ::listen(fd, 1) == 0);
        });
        ASSERT_TRUE(squatter.holding());
        RuntimeFolder session{QString()}; // no runtime folder: the abstract name is all there is
        SingleInstance victim(name);
        EXPECT_FALSE(victim.alreadyRunning());
        EXPECT_TRUE(victim.problem().contains(QLatin1String(row.why))) << victim.problem().toStdString();
    }

    // In a runtime folder of its own the user is out of reach of the squatter.
    Holder squatter([&addr, addrLen] {
        if (::setresgid(kNobody, kNobody, kNobody) != 0 || ::setresuid(kNobody, kNobody, kNobody) != 0)
            return false;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        return fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&addr), addrLen) == 0 && ::listen(fd, 1) == 0;
    });
    ASSERT_TRUE(squatter.holding());
    QTemporaryDir folder;
    RuntimeFolder session(folder.path());
    SingleInstance first(name);
    EXPECT_FALSE(first.alreadyRunning());
    EXPECT_TRUE(first.problem().isEmpty()) << first.problem().toStdString();
    EXPECT_TRUE(SingleInstance(name).alreadyRunning());

    // A runtime folder of another user is not used: the lock falls back to the name.
    QTemporaryDir foreign;
    ASSERT_EQ(::chown(QFile::encodeName(foreign.path()).constData(), kNobody, kNobody), 0);
    RuntimeFolder foreignSession(foreign.path());
    SingleInstance fallback(name);
    EXPECT_FALSE(fallback.alreadyRunning());
    EXPECT_TRUE(fallback.problem().contains(QLatin1String("another user"))) << fallback.problem().toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(foreign.path()).filePath(name + QStringLiteral(".lock"))));
}
