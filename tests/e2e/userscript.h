#pragma once
// A user's gestures as one xdotool shell script, run while the test keeps handling
// its own windows' events (a modal window's loop runs inside the test's waiting).

#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <functional>

namespace userscript {

// One shell word.
inline QString quoted(const QString &arg)
{
    QString q = arg;
    q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

// An xdotool call with each argument quoted.
inline QString xdotool(const QStringList &args)
{
    QStringList words{QStringLiteral("xdotool")};
    for (const QString &a : args)
        words << quoted(a);
    return words.join(QLatin1Char(' '));
}

// Moving to a point of a widget and clicking there with the given button.
inline QStringList clickAt(QWidget *w, QPoint local, int button = 1)
{
    const QPoint g = w->mapToGlobal(local);
    return {xdotool({QStringLiteral("mousemove"), QString::number(g.x()), QString::number(g.y())}),
            QStringLiteral("sleep 0.1"), xdotool({QStringLiteral("click"), QString::number(button)}),
            QStringLiteral("sleep 0.3")};
}

// Typing into the focused field; with replace, its old text is selected first.
inline QStringList typeText(const QString &text, bool replace = false)
{
    QStringList commands;
    if (replace)
        commands << xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    commands << xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("5"), QStringLiteral("--"), text})
             << QStringLiteral("sleep 0.2");
    return commands;
}

inline void start(QProcess &p, const QStringList &commands)
{
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), commands.join(QStringLiteral(" && "))});
}

// Handles events until pred holds or ms have passed; returns pred.
inline bool waitFor(const std::function<bool()> &pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms)
        QTest::qWait(20);
    return pred();
}

// Runs the script to its end (at most 30 s); true when every step succeeded.
inline bool run(const QStringList &commands)
{
    QProcess user;
    start(user, commands);
    waitFor([&] { return user.state() == QProcess::NotRunning; }, 30000);
    return user.state() == QProcess::NotRunning && user.exitCode() == 0;
}

} // namespace userscript
