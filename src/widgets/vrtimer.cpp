#include "widgets/vrtimer.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>

#include <chrono>

namespace {
TVrErrorHandler &errorHandler()
{
    static TVrErrorHandler handler;
    return handler;
}
} // namespace

void setVrErrorHandler(TVrErrorHandler handler) { errorHandler() = std::move(handler); }

void vrHandleException(std::exception_ptr error)
{
    if (errorHandler()) {
        errorHandler()(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        qWarning("%s", e.what());
    } catch (...) {
        qWarning("unknown error in a timer handler");
    }
}

TVrTimer::TVrTimer(QObject *parent) : QObject(parent) {}

TVrTimer::~TVrTimer() { stop(); }

void TVrTimer::setEnabled(bool on)
{
    if (m_enabled == on)
        return;
    m_enabled = on;
    // A disabled timer delivers nothing, so its thread sleeps and its window timer
    // stops: an idle display costs no wake-ups.
    update();
}

void TVrTimer::setInterval(int ms)
{
    if (ms < 0)
        ms = 0;
    if (m_interval == ms)
        return;
    m_interval = ms;
    if (m_enabled)
        update();
}

void TVrTimer::setSyncEvent(bool on)
{
    std::lock_guard lock(m_mutex);
    m_syncEvent = on;
}

void TVrTimer::setTimerType(TVrTimerType type)
{
    if (m_type == type)
        return;
    stop();
    m_type = type;
    if (m_enabled)
        update();
}

void TVrTimer::setOnTimer(std::function<void()> handler)
{
    m_onTimer = std::move(handler);
    update();
}

void TVrTimer::update()
{
    if (m_type == ttThread) {
        if (m_systemTimer)
            stop();
        const bool run = m_interval != 0 && m_enabled && m_onTimer;
        {
            std::lock_guard lock(m_mutex);
            m_suspended = !run;
            m_threadInterval = m_interval;
            m_signalled = true; // restart the wait with the new interval
        }
        if (run && !m_thread.joinable())
            m_thread = std::thread([this] { threadLoop(); });
        m_wake.notify_all();
    } else {
        if (m_thread.joinable())
            stop();
        if (!m_systemTimer) {
            m_systemTimer = new QTimer(this);
            connect(m_systemTimer, &QTimer::timeout, this, [this] { tick(); });
        }
        m_systemTimer->stop();
        if (m_interval != 0 && m_enabled && m_onTimer)
            m_systemTimer->start(m_interval);
    }
}

void TVrTimer::stop()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_terminated = true;
            m_suspended = false;
            m_signalled = true;
        }
        m_wake.notify_all();
        m_thread.join();
        std::lock_guard lock(m_mutex);
        ++m_generation;
        m_terminated = false;
        m_suspended = true;
        m_signalled = false;
    }
    if (m_systemTimer) {
        m_systemTimer->stop();
        delete m_systemTimer;
        m_systemTimer = nullptr;
    }
}

void TVrTimer::threadLoop()
{
    std::unique_lock lock(m_mutex);
    while (!m_terminated) {
        if (m_suspended) {
            m_wake.wait(lock, [this] { return m_terminated || !m_suspended; });
            m_signalled = false;
            continue;
        }
        const auto interval = std::chrono::milliseconds(m_threadInterval);
        const bool woken = m_wake.wait_for(lock, interval, [this] { return m_signalled; });
        m_signalled = false;
        if (woken || m_terminated || m_suspended || QCoreApplication::closingDown())
            continue;
        if (!m_syncEvent) {
            lock.unlock();
            tick();
            lock.lock();
            continue;
        }
        // Hand the tick to the GUI thread and wait until it ran or we are told to
        // end. Stopping never waits on the GUI thread, so it cannot deadlock.
        const quint64 ticket = ++m_pendingTick;
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, ticket, generation] {
                {
                    // Handed over by a thread that has since been stopped.
                    std::lock_guard guard(m_mutex);
                    if (generation != m_generation)
                        return;
                }
                tick();
                {
                    std::lock_guard guard(m_mutex);
                    m_doneTick = ticket;
                }
                m_wake.notify_all();
            },
            Qt::QueuedConnection);
        m_wake.wait(lock, [this, ticket] { return m_terminated || m_doneTick >= ticket; });
    }
}

void TVrTimer::tick()
{
    if (!m_enabled || !m_onTimer)
        return;
    ++m_ticks;
    try {
        m_onTimer();
    } catch (...) {
        vrHandleException(std::current_exception());
    }
}
