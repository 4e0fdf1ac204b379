#pragma once
// Driving the real program on the test display: start it, find its window, take
// screenshots.

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace e2e {

// True when a display is there for the end-to-end tests.
bool haveDisplay();

// The folder screenshots and logs of this run go to.
QString outputDir();

// Runs a command and returns its standard output (empty on failure).
QString run(const QString &program, const QStringList &args, int timeoutMs = 10000);

// The program started in a fresh data folder of its own.
class Sonaveo {
public:
    explicit Sonaveo(const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    // Started in the given data folder (kept after the program ends).
    explicit Sonaveo(const QString &dataDir,
                     const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    ~Sonaveo();

    QProcess &process() { return m_process; }
    qint64 pid() const { return m_process.processId(); }
    QString dataDir() const { return m_dataDir; }
    // The X window id of the visible main window, waiting up to timeoutMs.
    QString waitForMainWindow(int timeoutMs = 15000);
    void kill();
    // What the program wrote to its error output so far.
    QString errorOutput() const;

private:
    void start(const QProcessEnvironment &env);

    QTemporaryDir m_dir;
    QTemporaryDir m_logDir;
    QString m_dataDir;
    QString m_errorLog;
    int m_displayRetries = 0;
    QProcess m_process;
};

// Waits until no copy of the program holds the one-copy name (a copy killed by
// an earlier test lets go of it as it exits); false after timeoutMs.
bool waitUntilNoCopyRuns(int timeoutMs = 10000);

// Visible windows titled exactly "Maro Sonaveo".
QStringList mainWindows();
// Position and size of a window on the screen.
QRect windowGeometry(const QString &windowId);
// The visible windows of a process, by X window id.
QStringList windowsOf(qint64 pid);
// Waits for a visible window of the process with the given size; empty when none
// shows within timeoutMs.
QString waitForWindowOfSize(qint64 pid, QSize size, int timeoutMs = 8000);
// Asks a window to close the way a window manager does (WM_DELETE_WINDOW).
bool requestClose(const QString &windowId);
// A screenshot of the whole screen, also written to the output folder under name.
QImage screenshot(const QString &name);

} // namespace e2e
