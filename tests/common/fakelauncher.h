#pragma once
// A desktop launcher that starts nothing and remembers what it was asked to open
// or start; and a PATH of the test's own for the real one.

#include "platform/desktoplauncher.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

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

// Replaces PATH while it lives.
class ScopedPath {
public:
    explicit ScopedPath(const QString &path) : m_saved(qgetenv("PATH")) { qputenv("PATH", path.toLocal8Bit()); }
    ~ScopedPath() { qputenv("PATH", m_saved); }

private:
    QByteArray m_saved;
};
