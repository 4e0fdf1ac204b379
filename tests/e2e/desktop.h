#pragma once
// Driving the real program on the test display: start it, find its window, click
// and type as a user does, take screenshots. Every wait here is for something on
// the screen or in the process, up to the tests' common limit.

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include "waitfor.h"

#include <memory>

struct _XDisplay;

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
    QString waitForMainWindow(int timeoutMs = testsupport::kWaitLimitMs);
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
bool waitUntilNoCopyRuns(int timeoutMs = testsupport::kWaitLimitMs);

// Visible windows titled exactly "Maro Sonaveo".
QStringList mainWindows();
// Position and size of a window on the screen.
QRect windowGeometry(const QString &windowId);
// The visible windows of a process, by X window id.
QStringList windowsOf(qint64 pid);
// Waits for a visible window of the process with the given size; empty when none
// shows within timeoutMs.
QString waitForWindowOfSize(qint64 pid, QSize size, int timeoutMs = testsupport::kWaitLimitMs);
// Waits for a visible window of the process whose title matches the pattern;
// empty when none shows within timeoutMs.
QString waitForWindow(qint64 pid, const QString &titlePattern, int timeoutMs = testsupport::kWaitLimitMs);
// Waits for a visible window of the process that is not among `before`; empty
// when none shows within timeoutMs.
QString waitForNewWindow(qint64 pid, const QStringList &before, int timeoutMs = testsupport::kWaitLimitMs);
// Waits until the window is no longer on the screen.
::testing::AssertionResult waitUntilGone(const QString &windowId);
// Waits until the window has the keyboard, as it does once its program made it
// the active window.
::testing::AssertionResult waitForFocus(const QString &windowId);
// Asks a window to close the way a window manager does (WM_DELETE_WINDOW).
bool requestClose(const QString &windowId);
// The user's hands, by xdotool. The argument lists are the gestures; the functions
// below make them now, userscript.h makes them from a script.
QStringList clickArgs(QPoint onScreen, int button = 1);
QStringList typeArgs(const QString &text);
// An xdotool call as one shell command, each argument quoted.
QString shellCommand(const QStringList &xdotoolArgs);
void xdotool(const QStringList &args);
// Moves the pointer to a point of the screen and clicks there.
void clickAt(QPoint onScreen, int button = 1);
// Clicks a point of a window given by its place on the screen.
inline void clickAt(const QRect &window, int x, int y, int button = 1) { clickAt(window.topLeft() + QPoint(x, y), button); }
// Types into the focused field; with replace, its old text is selected first.
void typeText(const QString &text, bool replace = false);
void pressKeys(const QStringList &keyNames);

// A screenshot of the whole screen, also written to the output folder under name.
QImage screenshot(const QString &name);

// Another program's window of one colour, laid over a part of the screen on
// top of every window there; gone with the object.
class CoveringWindow {
public:
    CoveringWindow(const QRect &area, QRgb colour);
    ~CoveringWindow();
    CoveringWindow(const CoveringWindow &) = delete;
    CoveringWindow &operator=(const CoveringWindow &) = delete;
    bool isOpen() const { return m_window != 0; }

private:
    ::_XDisplay *m_display = nullptr;
    unsigned long m_window = 0;
};

} // namespace e2e
