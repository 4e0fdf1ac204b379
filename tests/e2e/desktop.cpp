#include "desktop.h"

#include "singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <csignal>

namespace e2e {

bool haveDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY"); }

QString outputDir()
{
    QString dir = qEnvironmentVariable("SONAVEO_TEST_OUTPUT");
    if (dir.isEmpty())
        dir = QDir::temp().filePath(QStringLiteral("sonaveo-test-output"));
    QDir().mkpath(dir);
    return dir;
}

QString run(const QString &program, const QStringList &args, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

Sonaveo::Sonaveo(const QProcessEnvironment &env)
{
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(m_dir.path());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(SONAVEO_BINARY), {});
    m_process.waitForStarted();
}

Sonaveo::~Sonaveo() { kill(); }

void Sonaveo::kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString Sonaveo::waitForMainWindow(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs && m_process.state() == QProcess::Running) {
        const QStringList ids =
            run(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                 QString::number(pid()), QStringLiteral("--name"), QStringLiteral("^Maro Sonaveo$")})
                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!ids.isEmpty())
            return ids.first();
        QThread::msleep(100);
    }
    return {};
}

bool waitUntilNoCopyRuns(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (SingleInstance(QStringLiteral("MAROSONAVEO")).alreadyRunning()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QStringList mainWindows()
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                           QStringLiteral("--name"), QStringLiteral("^Maro Sonaveo$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QRect windowGeometry(const QString &windowId)
{
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId});
    auto field = [&info](const char *name) {
        const QRegularExpression re(QStringLiteral("%1:\\s+(-?\\d+)").arg(QLatin1String(name)));
        const auto m = re.match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

QImage screenshot(const QString &name)
{
    const QString file = QDir(outputDir()).filePath(name + QStringLiteral(".png"));
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

} // namespace e2e
