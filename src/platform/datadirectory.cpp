#include "platform/datadirectory.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

const QString kOption = QStringLiteral("--data-dir");

// Makes folder (and its parents) when it is missing; the error says why it
// cannot hold the player's files.
QString prepareFolder(const QString &folder, const QString &origin)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("the data folder %1 (%2) is a file, not a folder").arg(folder, origin);
    if (!info.exists()) {
        if (!QDir().mkpath(folder))
            return QStringLiteral("the data folder %1 (%2) cannot be created").arg(folder, origin);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
    const QFileInfo made(folder);
    if (!made.isWritable())
        return QStringLiteral("the data folder %1 (%2) cannot be written to").arg(folder, origin);
    return QString();
}

DataDirectoryChoice use(const QString &folder, const QString &origin)
{
    const QString why = prepareFolder(folder, origin);
    if (!why.isEmpty())
        return {QString(), why};
    return {QDir::cleanPath(folder), QString()};
}
} // namespace

DataDirectoryChoice chooseDataDirectory(const QStringList &arguments, const QProcessEnvironment &env,
                                        const QString &currentDir)
{
    const QDir current(currentDir);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        QString given;
        if (argument == kOption) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return {QString(), QStringLiteral("--data-dir needs a folder")};
            given = arguments[i + 1];
        } else if (argument.startsWith(kOption + QLatin1Char('='))) {
            given = argument.mid(kOption.size() + 1);
            if (given.isEmpty())
                return {QString(), QStringLiteral("--data-dir needs a folder")};
        } else {
            continue;
        }
        return use(current.absoluteFilePath(given), QStringLiteral("given with --data-dir"));
    }
    if (const QString named = env.value(QStringLiteral("SONAVEO_DATA_DIR")); !named.isEmpty())
        return use(current.absoluteFilePath(named), QStringLiteral("named by SONAVEO_DATA_DIR"));
    if (QFileInfo(current.filePath(QStringLiteral("Defaults.ini"))).isFile())
        return {QDir::cleanPath(current.absolutePath()), QString()};
    QString dataHome = env.value(QStringLiteral("XDG_DATA_HOME"));
    // XDG_DATA_HOME counts only as an absolute path; a relative one is ignored.
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome)) {
        QString home = env.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            home = QDir::homePath();
        dataHome = QDir(home).filePath(QStringLiteral(".local/share"));
    }
    return use(QDir(dataHome).filePath(QStringLiteral("sonaveo")), QStringLiteral("the user's data folder"));
}
