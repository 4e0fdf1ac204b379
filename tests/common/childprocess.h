#pragma once
// Tests that need a process of their own run the same test binary again with one
// test selected and a marker in the environment.

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace childprocess {

// True inside such a child run.
inline bool isChild(const char *marker) { return qEnvironmentVariableIsSet(marker); }

// The full name of the test that runs now, as a filter that picks it alone
// (parameterised tests included).
inline QString thisTest()
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? QStringLiteral("%1.%2").arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()))
                : QString();
}

// Starts this binary for the one test, under the given wrapper command (e.g.
// {"unshare", "-m"}); the marker variable is set to value.
inline void start(QProcess &p, const QString &test, const char *marker, const QString &value = QStringLiteral("1"),
                  const QStringList &wrapper = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(marker), value);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args = wrapper;
    args << QCoreApplication::applicationFilePath() << QStringLiteral("--gtest_filter=") + test;
    const QString program = args.takeFirst();
    p.start(program, args);
}

// Runs the test in a child and tells whether it passed; output holds what it said.
inline bool runPassed(const QString &test, const char *marker, const QStringList &wrapper, QString *output)
{
    QProcess p;
    start(p, test, marker, QStringLiteral("1"), wrapper);
    const bool finished = p.waitForFinished(60000);
    *output = QString::fromLocal8Bit(p.readAll());
    return finished && p.exitCode() == 0 && output->contains(QStringLiteral("[  PASSED  ] 1 test"));
}

// Makes a folder read-only for this process. Permissions do not stop root, so as
// root the folder is bind-mounted read-only over itself, which needs a mount
// namespace of this process's own (a child started under "unshare -m").
inline bool makeReadOnly(const QString &dir)
{
    if (::geteuid() != 0)
        return ::chmod(dir.toLocal8Bit().constData(), 0555) == 0;
    const QByteArray path = dir.toLocal8Bit();
    if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
        return false;
    return ::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// The wrapper that gives a child a mount namespace of its own: as root a plain
// one, as another user one inside a user namespace that maps the user to root.
inline QStringList mountNamespace()
{
    QStringList wrapper{QStringLiteral("unshare"), QStringLiteral("-m"), QStringLiteral("--propagation"),
                        QStringLiteral("private")};
    if (::geteuid() != 0)
        wrapper.insert(1, QStringLiteral("-r"));
    return wrapper;
}

// Runs the test again in a child with a mount namespace of its own and tells
// whether it passed; true inside that child, where the test goes on.
inline bool inOwnMountNamespace(const QString &test, const char *marker, QString *output)
{
    if (isChild(marker))
        return true;
    EXPECT_TRUE(runPassed(test, marker, mountNamespace(), output)) << output->toStdString();
    return false;
}

// Puts a small file system of its own over dir (inside a mount namespace of the
// process's own): what was in dir is out of sight.
inline bool mountSmallDisk(const QString &dir, int kibibytes = 256)
{
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0700";
    return ::mount("sonaveo-test", dir.toLocal8Bit().constData(), "tmpfs", 0, options.constData()) == 0;
}

// Fills the file system that holds dir to its last byte with the file "filler".
inline bool fillDisk(const QString &dir)
{
    const QByteArray path = (dir + QStringLiteral("/filler")).toLocal8Bit();
    FILE *f = std::fopen(path.constData(), "wb");
    if (!f)
        return false;
    std::setvbuf(f, nullptr, _IONBF, 0);
    static const char block[4096] = {};
    while (std::fwrite(block, 1, sizeof block, f) == sizeof block) {
    }
    // The last partial block: byte by byte until nothing more goes in.
    while (std::fwrite(block, 1, 1, f) == 1) {
    }
    std::fclose(f);
    return true;
}

} // namespace childprocess
