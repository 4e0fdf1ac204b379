#pragma once
// A desktop launcher that starts nothing and remembers what it was asked to open
// or start; and a PATH of the test's own, with stand-in programs, for the real one.

#include "platform/desktoplauncher.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

class FakeLauncher : public DesktopLauncher {
public:
    FakeLauncher() { setDesktopLauncher(this); }
    ~FakeLauncher() override { setDesktopLauncher(nullptr); }

    bool openUrl(const QString &url) override
    {
        if (onLaunch)
            onLaunch();
        opened << url;
        return succeed;
    }
    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        if (onLaunch)
            onLaunch();
        started.emplace_back(program, arguments);
        return succeed;
    }

    QStringList opened;
    std::vector<std::pair<QString, QStringList>> started;
    // What the next launches answer.
    bool succeed = true;
    // Runs at every launch, before it is recorded.
    std::function<void()> onLaunch;
};

// Writes an executable shell script into dir: a stand-in for a program the
// real launcher finds in PATH.
inline void writeProgram(const QString &dir, const QString &name, const QByteArray &body)
{
    const QString path = QDir(dir).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("#!/bin/sh\n" + body) != qint64(10 + body.size())) {
        ADD_FAILURE() << "could not write " << path.toStdString();
        return;
    }
    file.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Replaces PATH while it lives.
class ScopedPath {
public:
    explicit ScopedPath(const QString &path) : m_saved(qgetenv("PATH")) { qputenv("PATH", path.toLocal8Bit()); }
    ~ScopedPath() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};
