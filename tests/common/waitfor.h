#pragma once
// Waiting in tests and benches: for a condition, while the event loop runs, never
// for a fixed time. The limit is generous on purpose; a condition that holds ends
// the wait at once, so only a failing test ever waits that long.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Long enough for a loaded machine and a sound server that starts slowly.
constexpr int kWaitLimitMs = 20000;

// Handles events for a few milliseconds: the pace at which conditions are polled.
inline void handleEventsBriefly()
{
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(5, &loop, &QEventLoop::quit);
    loop.exec();
    // Objects let go of with deleteLater() go too, as they would in the
    // program's own loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Polls cond while handling events until it holds (true) or timeoutMs have
// passed (false).
inline bool waitUntil(const std::function<bool()> &cond, int timeoutMs = kWaitLimitMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        handleEventsBriefly();
    }
    return true;
}

// As waitUntil, for assertions: a failure names what was awaited.
inline ::testing::AssertionResult waitFor(const std::function<bool()> &cond, const char *what,
                                          int timeoutMs = kWaitLimitMs)
{
    if (waitUntil(cond, timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "waited " << timeoutMs / 1000.0 << " s for " << what;
}

// Handles events for as long as a healthy timer of the given interval takes to
// tick n times: the time in which a clock that should be silent would have ticked.
inline void whileATimerTicks(int intervalMs, int n)
{
    QTimer reference;
    int ticks = 0;
    QObject::connect(&reference, &QTimer::timeout, [&] { ++ticks; });
    reference.start(intervalMs);
    EXPECT_TRUE(waitFor([&] { return ticks >= n; }, "a reference timer"));
}

// Handles the events already posted (repaints, queued calls) and those they post
// in turn, without waiting for anything that comes later.
inline void handlePostedEvents()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace testsupport
