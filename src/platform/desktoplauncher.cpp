#include "platform/desktoplauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
DesktopLauncher *g_replacement = nullptr;
} // namespace

DesktopLauncher &desktopLauncher()
{
    static XdgDesktopLauncher real;
    return g_replacement ? *g_replacement : real;
}

void setDesktopLauncher(DesktopLauncher *replacement) { g_replacement = replacement; }

bool XdgDesktopLauncher::openUrl(const QString &url)
{
    // QDesktopServices would do the same on a desktop platform plugin, but
    // does nothing on others (offscreen, minimal); xdg-open is what it runs anyway.
    return startProgram(QStringLiteral("xdg-open"), {url});
}

bool XdgDesktopLauncher::startProgram(const QString &program, const QStringList &arguments)
{
    // An argument list goes to execve() as it is: no shell sees it.
    return QProcess::startDetached(program, arguments);
}

void openMixer()
{
    struct Mixer {
        const char *program;
        QStringList arguments;
    };
    const Mixer mixers[] = {
        {"pavucontrol", {}},
        {"pwvucontrol", {}},
        {"gnome-control-center", {QStringLiteral("sound")}},
    };
    for (const Mixer &m : mixers) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(m.program));
        if (!path.isEmpty()) {
            desktopLauncher().startProgram(path, m.arguments);
            return;
        }
    }
}

QString manualFile(const QString &currentDir, const QString &appDir)
{
    const QString chm = QDir(currentDir).absoluteFilePath(QStringLiteral("sonaveo.chm"));
    if (QFileInfo::exists(chm))
        return chm;
    const QDir app(appDir);
    for (const QString &relative : {QStringLiteral("manual/index.html"),
                                    QStringLiteral("../share/sonaveo/manual/index.html")}) {
        const QString shipped = QDir::cleanPath(app.absoluteFilePath(relative));
        if (QFileInfo::exists(shipped))
            return shipped;
    }
    return QString();
}

void openManual()
{
    const QString file = manualFile(QDir::currentPath(), QCoreApplication::applicationDirPath());
    if (!file.isEmpty())
        desktopLauncher().openUrl(file);
}
