#pragma once
// A user's gestures as one xdotool shell script, run while the test keeps handling
// its own windows' events (a modal window's loop runs inside the test's waiting).
// The gestures are those of desktop.h; a step that needs a window waits in the
// script until that window is on the screen.

#include "desktop.h"
#include "waitfor.h"

#include <QCoreApplication>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QWidget>

namespace userscript {

class Script {
public:
    // Moving to a point of a widget and clicking there with the given button.
    Script &clickAt(QWidget *w, QPoint local, int button = 1)
    {
        m_commands << e2e::shellCommand(e2e::clickArgs(w->mapToGlobal(local), button));
        return *this;
    }
    // Typing into the focused field; with replace, its old text is selected first.
    Script &typeText(const QString &text, bool replace = false)
    {
        if (replace)
            m_commands << e2e::shellCommand({QStringLiteral("key"), QStringLiteral("ctrl+a")});
        m_commands << e2e::shellCommand(e2e::typeArgs(text));
        return *this;
    }
    // Waits until this process shows the window (by its title).
    Script &waitForWindow(QWidget *window)
    {
        m_commands << QStringLiteral("timeout %1 ").arg(testsupport::kWaitLimitMs / 1000)
                          + e2e::shellCommand({QStringLiteral("search"), QStringLiteral("--sync"),
                                               QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                               QString::number(QCoreApplication::applicationPid()),
                                               QStringLiteral("--name"),
                                               QLatin1Char('^') + QRegularExpression::escape(window->windowTitle())
                                                   + QLatin1Char('$')})
                          + QStringLiteral(" >/dev/null");
        return *this;
    }
    // Waits until the window has the keyboard. A click makes its window the active
    // one only once this process has handled it, so keys typed at once after a
    // click into another window would still go to the window that had them.
    Script &waitForKeyboard(QWidget *window)
    {
        m_commands << QStringLiteral("timeout %1 sh -c 'until [ \"$(xdotool getwindowfocus)\" = %2 ]; do sleep 0.02; done'")
                          .arg(testsupport::kWaitLimitMs / 1000)
                          .arg(window->winId());
        return *this;
    }
    // Starts the script; it runs while the caller handles events.
    void start(QProcess &p) const
    {
        p.start(QStringLiteral("sh"), {QStringLiteral("-c"), m_commands.join(QStringLiteral(" && "))});
    }
    // Runs the script to its end while handling events; true when every step
    // succeeded.
    ::testing::AssertionResult run() const
    {
        QProcess user;
        start(user);
        auto ended = testsupport::waitFor([&] { return user.state() == QProcess::NotRunning; }, "the gestures");
        if (!ended)
            return ended;
        if (user.exitCode() != 0)
            return ::testing::AssertionFailure() << "a gesture failed: " << m_commands.join(QStringLiteral(" && ")).toStdString();
        return ::testing::AssertionSuccess();
    }

private:
    QStringList m_commands;
};

} // namespace userscript
