#include "desktop.h"

#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <csignal>

#include <X11/Xlib.h>

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

Sonaveo::Sonaveo(const QProcessEnvironment &env) : m_dataDir(m_dir.path()) { start(env); }

Sonaveo::Sonaveo(const QString &dataDir, const QProcessEnvironment &env) : m_dataDir(dataDir) { start(env); }

void Sonaveo::start(const QProcessEnvironment &env)
{
    // The folder is named as well: the program keeps its files in the folder it
    // is started from only when that already holds its settings.
    QProcessEnvironment withData = env;
    withData.insert(QStringLiteral("SONAVEO_DATA_DIR"), m_dataDir);
    m_process.setProcessEnvironment(withData);
    m_process.setWorkingDirectory(m_dataDir);
    // What the program says on its error output is kept for the test's messages.
    m_errorLog = m_logDir.filePath(QStringLiteral("sonaveo-stderr.log"));
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(m_errorLog);
    m_process.start(QStringLiteral(SONAVEO_BINARY), {});
    m_process.waitForStarted();
}

Sonaveo::~Sonaveo() { kill(); }

QString Sonaveo::errorOutput() const
{
    QFile log(m_errorLog);
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

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
        // Waiting here also lets the process's end be noticed.
        if (m_process.waitForFinished(100)) {
            // The test display now and then refuses a new client right after
            // another one went away (a plain Qt window shows it too); such a
            // start is made again, any other end is the program's own.
            if (m_process.exitCode() == 2 && errorOutput().contains(QLatin1String("could not connect to display"))
                && ++m_displayRetries <= 10) {
                m_process.start(QStringLiteral(SONAVEO_BINARY), {});
                m_process.waitForStarted();
                continue;
            }
            break;
        }
    }
    return {};
}

bool waitUntilNoCopyRuns(int timeoutMs)
{
    return bool(testsupport::waitFor([] { return !SingleInstance(kOneCopyName).alreadyRunning(); },
                                     "the one-copy name to be free", timeoutMs));
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

QStringList windowsOf(qint64 pid)
{
    return run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"),
                                           QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                           QString::number(pid), QStringLiteral("--name"), QStringLiteral(".*")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

namespace {
// Waits for a visible window of the process that the test accepts; empty when
// none shows within timeoutMs.
template <typename Accept>
QString waitForWindowWhere(qint64 pid, Accept accept, const char *what, int timeoutMs)
{
    QString found;
    testsupport::waitFor(
        [&] {
            for (const QString &id : windowsOf(pid))
                if (accept(id))
                    found = id;
            return !found.isEmpty();
        },
        what, timeoutMs);
    return found;
}
} // namespace

QString waitForWindowOfSize(qint64 pid, QSize size, int timeoutMs)
{
    return waitForWindowWhere(
        pid, [&](const QString &id) { return windowGeometry(id).size() == size; }, "a window of that size", timeoutMs);
}

QString waitForWindow(qint64 pid, const QString &titlePattern, int timeoutMs)
{
    QString found;
    testsupport::waitFor(
        [&] {
            found = run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--all"),
                                                    QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                                    QString::number(pid), QStringLiteral("--name"), titlePattern})
                        .section(QLatin1Char('\n'), 0, 0);
            return !found.isEmpty();
        },
        "a window with that title", timeoutMs);
    return found;
}

QString waitForNewWindow(qint64 pid, const QStringList &before, int timeoutMs)
{
    return waitForWindowWhere(
        pid, [&](const QString &id) { return !before.contains(id); }, "a new window", timeoutMs);
}

::testing::AssertionResult waitUntilGone(const QString &windowId)
{
    return testsupport::waitFor(
        [&] {
            return !run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId})
                        .contains(QLatin1String("IsViewable"));
        },
        "the window to go");
}

::testing::AssertionResult waitForFocus(const QString &windowId)
{
    return testsupport::waitFor(
        [&] { return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}).trimmed() == windowId; },
        "the window to have the keyboard");
}

QStringList clickArgs(QPoint onScreen, int button)
{
    // --sync: the click comes only once the pointer is there.
    return {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(onScreen.x()),
            QString::number(onScreen.y()), QStringLiteral("click"), QString::number(button)};
}

QStringList typeArgs(const QString &text)
{
    return {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), QStringLiteral("--"), text};
}

QString shellCommand(const QStringList &xdotoolArgs)
{
    QStringList words{QStringLiteral("xdotool")};
    for (QString a : xdotoolArgs) {
        a.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
        words << QLatin1Char('\'') + a + QLatin1Char('\'');
    }
    return words.join(QLatin1Char(' '));
}

void xdotool(const QStringList &args) { run(QStringLiteral("xdotool"), args); }

void clickAt(QPoint onScreen, int button) { xdotool(clickArgs(onScreen, button)); }

void typeText(const QString &text, bool replace)
{
    if (replace)
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    xdotool(typeArgs(text));
}

void pressKeys(const QStringList &keyNames)
{
    for (const QString &k : keyNames)
        xdotool({QStringLiteral("key"), k});
}

bool requestClose(const QString &windowId)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(windowId.toULong());
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return sent != 0;
}

QImage screenshot(const QString &name)
{
    const QString file = QDir(outputDir()).filePath(name + QStringLiteral(".png"));
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

CoveringWindow::CoveringWindow(const QRect &area, QRgb colour) : m_display(XOpenDisplay(nullptr))
{
    if (!m_display)
        return;
    const Window root = DefaultRootWindow(m_display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = colour & 0xFFFFFF;
    m_window = XCreateWindow(m_display, root, area.x(), area.y(), unsigned(area.width()),
                             unsigned(area.height()), 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel, &attributes);
    XStoreName(m_display, m_window, "covering window");
    XMapRaised(m_display, m_window);
    XSync(m_display, False);
}

CoveringWindow::~CoveringWindow()
{
    if (!m_display)
        return;
    if (m_window)
        XDestroyWindow(m_display, m_window);
    XCloseDisplay(m_display);
}

} // namespace e2e
