#pragma once
// A session bus of the test's own (dbus-daemon), ended by its process id when it
// goes; address is empty when none could be started.

#include "waitfor.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/types.h>

class PrivateBus {
public:
    PrivateBus()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--fork"),
                                                     QStringLiteral("--print-address=1"),
                                                     QStringLiteral("--print-pid=1")});
        if (!daemon.waitForFinished(testsupport::kWaitLimitMs) || daemon.exitCode() != 0)
            return;
        const QStringList lines = QString::fromLocal8Bit(daemon.readAllStandardOutput()).split(QLatin1Char('\n'));
        if (lines.size() < 2)
            return;
        address = lines[0].trimmed();
        pid = lines[1].trimmed().toInt();
    }
    ~PrivateBus()
    {
        if (pid > 0)
            ::kill(pid, SIGTERM);
    }
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    QString address;
    pid_t pid = 0;
};
