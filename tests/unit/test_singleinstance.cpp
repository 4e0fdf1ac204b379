// One running copy per user: the lock in the runtime folder, the abstract name
// without one, and holders that are not this user's copy.

#include "forkedholder.h"
#include "platform/singleinstance.h"
#include "waitfor.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <string>
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
    ForkedHolder killed([&path] {
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
        ForkedHolder squatter([&addr, addrLen, listens = row.listens] { return squatAbstractName(addr, addrLen, listens); });
        ASSERT_TRUE(squatter.holding());
        RuntimeFolder session{QString()}; // no runtime folder: the abstract name is all there is
        SingleInstance victim(name);
        EXPECT_FALSE(victim.alreadyRunning());
        EXPECT_TRUE(victim.problem().contains(QLatin1String(row.why))) << victim.problem().toStdString();
    }

    // In a runtime folder of its own the user is out of reach of the squatter.
    ForkedHolder squatter([&addr, addrLen] { return squatAbstractName(addr, addrLen, true); });
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

TEST(SingleInstance, ASecondStartAsksTheRunningCopyToShowItsWindow)
{
    QTemporaryDir session; // made 0700, as a session's runtime folder is
    const QString name = testName();
    const QByteArray socketPath = QFile::encodeName(QDir(session.path()).filePath(name + QStringLiteral(".socket")));
    // A copy that crashed left its socket behind, bound and no longer listened on.
    {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, socketPath.constData(), sizeof addr.sun_path - 1);
        const int crashed = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(crashed, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ::close(crashed);
        ASSERT_TRUE(QFileInfo::exists(QFile::decodeName(socketPath)));
    }
    // Without a runtime folder the abstract name carries the requests.
    for (const QString &folder : {session.path(), QString()}) {
        SCOPED_TRACE(folder.isEmpty() ? "abstract name" : "runtime folder");
        RuntimeFolder runtime(folder);
        SingleInstance first(name);
        ASSERT_FALSE(first.alreadyRunning());
        ASSERT_TRUE(first.problem().isEmpty()) << first.problem().toStdString();
        QObject window;
        int raised = 0;
        first.onRaiseRequest(&window, [&raised] { ++raised; });

        SingleInstance second(name);
        ASSERT_TRUE(second.alreadyRunning());
        EXPECT_FALSE(first.askToRaise()) << "the running copy asks nobody";
        EXPECT_TRUE(second.askToRaise());
        EXPECT_TRUE(testsupport::waitFor([&] { return raised == 1; }, "the first copy's window raised"));
        EXPECT_TRUE(SingleInstance(name).askToRaise());
        EXPECT_TRUE(testsupport::waitFor([&] { return raised == 2; }, "a third start raising it again"));
    }
    RuntimeFolder runtime(session.path());
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(socketPath))) << "the socket goes with its copy";
    // With no copy running there is nobody to ask, and nothing waits.
    SingleInstance alone(name);
    EXPECT_FALSE(alone.alreadyRunning());
    EXPECT_FALSE(alone.askToRaise());
}

TEST(SingleInstance, OnlyARaiseRequestRaises)
{
    QTemporaryDir session;
    const QString name = testName();
    RuntimeFolder runtime(session.path());
    SingleInstance first(name);
    QObject window;
    int raised = 0;
    first.onRaiseRequest(&window, [&raised] { ++raised; });
    const QByteArray socketPath = QFile::encodeName(QDir(session.path()).filePath(name + QStringLiteral(".socket")));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.constData(), sizeof addr.sun_path - 1);
    // Other words, nothing, and a flood with no end of line are not requests.
    const std::string flood = std::string(4096, 'r') + "\nraise\n";
    for (const std::string &words : {std::string("quit\n"), std::string(), std::string("raise it please\n"), flood}) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        ASSERT_EQ(::send(fd, words.data(), words.size(), MSG_NOSIGNAL), ssize_t(words.size()));
        ::close(fd);
    }
    // A real request after them: connections are taken in the order they came,
    // so by the time it is heard the others have been read.
    EXPECT_TRUE(SingleInstance(name).askToRaise());
    EXPECT_TRUE(testsupport::waitFor([&] { return raised >= 1; }, "the raise request"));
    EXPECT_EQ(raised, 1);
}
