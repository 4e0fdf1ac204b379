// The widget timer: ticks on the right thread, nothing while disabled or without
// an interval, no deadlock and no late tick when destroyed, errors reported. How
// well it keeps its pace is measured by bench/timer_pace.

#include "waitfor.h"
#include "widgets/vrtimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
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

using testsupport::waitFor;
using testsupport::whileATimerTicks;
} // namespace

TEST(VrTimer, ThreadedTicksArriveOnTheGuiThreadAndStopWhileDisabled)
{
    TVrTimer timer;
    int ticks = 0;
    bool offThread = false;
    timer.setInterval(50);
    timer.setOnTimer([&] {
        ++ticks;
        offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    });
    ASSERT_TRUE(waitFor([&] { return ticks >= 3; }, "three ticks"));
    EXPECT_FALSE(offThread);
    EXPECT_EQ(timer.ticksDelivered(), quint64(ticks));

    // Disabled: nothing is delivered (a tick already handed over may still
    // arrive); enabled again: ticks resume.
    timer.setEnabled(false);
    whileATimerTicks(50, 1);
    const int before = ticks;
    whileATimerTicks(50, 4);
    EXPECT_EQ(ticks, before);
    timer.setEnabled(true);
    EXPECT_TRUE(waitFor([&] { return ticks > before; }, "ticks to resume"));

    // A new interval takes effect: a long one leaves the short one's pace silent.
    timer.setInterval(10000);
    whileATimerTicks(50, 1);
    const int atSlow = ticks;
    whileATimerTicks(50, 4);
    EXPECT_EQ(ticks, atSlow);
    timer.setInterval(20);
    EXPECT_TRUE(waitFor([&] { return ticks >= atSlow + 2; }, "ticks at the short interval"));
}

TEST(VrTimer, NothingWithoutHandlerOrInterval)
{
    TVrTimer timer;
    timer.setInterval(0);
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    whileATimerTicks(50, 3);
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
    // The GUI thread stays busy on purpose, handling no events; the ticks come
    // anyway.
    while (ticks < 3 && clock.elapsed() < testsupport::kWaitLimitMs)
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
    ASSERT_TRUE(waitFor([&] { return *ticks > 0; }, "a first tick"));
    // The GUI thread is busy on purpose, so the timer thread hands over a tick
    // and waits for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QElapsedTimer clock;
    clock.start();
    delete timer;
    *destroyed = true;
    EXPECT_LT(clock.elapsed(), testsupport::kWaitLimitMs) << "the destructor waited for the handed-over tick";
    whileATimerTicks(10, 5);
    EXPECT_FALSE(ranAfterDestruction->load());
}

TEST(VrTimer, ChangingTheTypeDropsHandedOverTicks)
{
    TVrTimer timer;
    timer.setInterval(10);
    int threadTicks = 0;
    timer.setOnTimer([&] { ++threadTicks; });
    ASSERT_TRUE(waitFor([&] { return threadTicks > 0; }, "a first tick"));
    // Busy on purpose: a tick is handed over and waits now.
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    timer.setInterval(10000);
    timer.setTimerType(ttSystem);
    const int before = threadTicks;
    whileATimerTicks(10, 5);
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
        EXPECT_TRUE(waitFor([&] { return errors >= 3; }, "three reported errors")) << "type " << type;
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
    ASSERT_TRUE(waitFor([&] { return ticks >= 3; }, "three ticks"));
    timer.setEnabled(false);
    const int before = ticks;
    whileATimerTicks(50, 4);
    EXPECT_EQ(ticks, before);
    // Back to a thread of its own.
    timer.setEnabled(true);
    timer.setTimerType(ttThread);
    EXPECT_TRUE(waitFor([&] { return ticks > before; }, "ticks on the timer's own thread"));
}
