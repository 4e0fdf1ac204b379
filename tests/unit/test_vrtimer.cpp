// The widget timer: ticks on the right thread at roughly the right pace, nothing
// while disabled, no deadlock and no late tick when destroyed, errors reported.

#include "vrtimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {
// Installs an error handler for one test and removes it afterwards.
struct ScopedErrorHandler {
    explicit ScopedErrorHandler(TVrErrorHandler h) { setVrErrorHandler(std::move(h)); }
    ~ScopedErrorHandler() { setVrErrorHandler({}); }
};
} // namespace

TEST(VrTimer, ThreadedTicksArriveOnTheGuiThreadAtThePace)
{
    TVrTimer timer;
    int ticks = 0;
    bool offThread = false;
    timer.setInterval(50);
    timer.setOnTimer([&] {
        ++ticks;
        offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    });
    QTest::qWait(1000);
    EXPECT_GE(ticks, 8);
    EXPECT_LE(ticks, 21);
    EXPECT_FALSE(offThread);
    EXPECT_EQ(timer.ticksDelivered(), quint64(ticks));

    // Disabled: nothing is delivered; enabled again: ticks resume.
    timer.setEnabled(false);
    QTest::qWait(20); // a tick already handed over may still arrive
    const int before = ticks;
    QTest::qWait(300);
    EXPECT_EQ(ticks, before);
    timer.setEnabled(true);
    QTest::qWait(300);
    EXPECT_GT(ticks, before);

    // A new interval takes effect.
    timer.setInterval(150);
    const int atSlow = ticks;
    QTest::qWait(620);
    EXPECT_GE(ticks - atSlow, 2);
    EXPECT_LE(ticks - atSlow, 5);
}

TEST(VrTimer, NothingWithoutHandlerOrInterval)
{
    TVrTimer timer;
    timer.setInterval(0);
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    QTest::qWait(150);
    EXPECT_EQ(ticks, 0);
}

TEST(VrTimer, UnsyncedTicksRunOnTheTimerThread)
{
    TVrTimer timer;
    timer.setSyncEvent(false);
    timer.setInterval(20);
    std::atomic<int> ticks{0};
    std::atomic<bool> onGui{false};
    QThread *gui = QCoreApplication::instance()->thread();
    timer.setOnTimer([&] {
        ++ticks;
        if (QThread::currentThread() == gui)
            onGui = true;
    });
    QElapsedTimer clock;
    clock.start();
    // The GUI thread stays busy; the ticks come anyway.
    while (ticks < 3 && clock.elapsed() < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(ticks.load(), 3);
    EXPECT_FALSE(onGui.load());
}

TEST(VrTimer, DestroyingWhileATickIsQueuedReturnsPromptly)
{
    auto ranAfterDestruction = std::make_shared<std::atomic<bool>>(false);
    auto destroyed = std::make_shared<std::atomic<bool>>(false);
    auto ticks = std::make_shared<std::atomic<int>>(0);
    auto *timer = new TVrTimer;
    timer->setInterval(10);
    timer->setOnTimer([=] {
        ++*ticks;
        if (*destroyed)
            *ranAfterDestruction = true;
    });
    QTest::qWait(60);
    // Keep the GUI thread busy so the timer thread hands over a tick and waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QElapsedTimer clock;
    clock.start();
    delete timer;
    *destroyed = true;
    EXPECT_LT(clock.elapsed(), 1000);
    QTest::qWait(100);
    EXPECT_FALSE(ranAfterDestruction->load());
    EXPECT_GT(ticks->load(), 0);
}

TEST(VrTimer, ChangingTheTypeDropsHandedOverTicks)
{
    TVrTimer timer;
    timer.setInterval(10);
    int threadTicks = 0;
    timer.setOnTimer([&] { ++threadTicks; });
    QTest::qWait(50);
    std::this_thread::sleep_for(std::chrono::milliseconds(60)); // a tick is waiting now
    timer.setInterval(10000);
    timer.setTimerType(ttSystem);
    const int before = threadTicks;
    QTest::qWait(100);
    EXPECT_EQ(threadTicks, before);
    EXPECT_EQ(timer.TimerType(), ttSystem);
}

TEST(VrTimer, HandlerErrorsGoToTheErrorHandlerAndTicksGoOn)
{
    int errors = 0;
    QString lastMessage;
    ScopedErrorHandler guard([&](std::exception_ptr e) {
        ++errors;
        try {
            std::rethrow_exception(e);
        } catch (const std::exception &x) {
            lastMessage = QString::fromUtf8(x.what());
        }
    });
    for (TVrTimerType type : {ttThread, ttSystem}) {
        errors = 0;
        TVrTimer timer;
        timer.setTimerType(type);
        timer.setInterval(30);
        timer.setOnTimer([] { throw std::runtime_error("No timer resources left."); });
        QTest::qWait(400);
        EXPECT_GE(errors, 3) << "type " << type;
        EXPECT_EQ(lastMessage, QStringLiteral("No timer resources left."));
    }
}

TEST(VrTimer, SystemTimerTicksAndStopsWhenDisabled)
{
    TVrTimer timer;
    timer.setTimerType(ttSystem);
    timer.setInterval(50);
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    QTest::qWait(600);
    EXPECT_GE(ticks, 5);
    EXPECT_LE(ticks, 13);
    timer.setEnabled(false);
    const int before = ticks;
    QTest::qWait(200);
    EXPECT_EQ(ticks, before);
    // Back to a thread of its own.
    timer.setEnabled(true);
    timer.setTimerType(ttThread);
    QTest::qWait(300);
    EXPECT_GT(ticks, before);
}
