#pragma once
// The widget family's timer: ticks either from a thread of its own (ttThread) or
// from a window timer (ttSystem). With SyncEvent on, a threaded tick is handed to
// the GUI thread and the timer thread waits for it, so ticks never pile up.

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class QTimer;

enum TVrTimerType { ttThread, ttSystem };

// Where an error thrown by a tick handler goes; the application installs its error
// display here. Without one, the text is logged.
using TVrErrorHandler = std::function<void(std::exception_ptr)>;
void setVrErrorHandler(TVrErrorHandler handler);
void vrHandleException(std::exception_ptr error);

class TVrTimer : public QObject {
    Q_OBJECT
public:
    explicit TVrTimer(QObject *parent = nullptr);
    ~TVrTimer() override;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool on);
    int Interval() const { return m_interval; }
    void setInterval(int ms);
    void setSyncEvent(bool on);
    TVrTimerType TimerType() const { return m_type; }
    void setTimerType(TVrTimerType type);
    void setOnTimer(std::function<void()> handler);

    // Number of ticks delivered so far (for tests and benchmarks).
    quint64 ticksDelivered() const { return m_ticks; }

private:
    void update();
    void stop();
    void threadLoop();
    void tick();

    // Read by the timer thread when it runs ticks itself (SyncEvent off).
    std::atomic<bool> m_enabled{true};
    int m_interval = 1000;
    bool m_syncEvent = true;
    TVrTimerType m_type = ttThread;
    std::function<void()> m_onTimer;
    std::atomic<quint64> m_ticks{0};

    // Thread timer state, guarded by m_mutex.
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_suspended = true;
    bool m_terminated = false;
    bool m_signalled = false;
    int m_threadInterval = 1000;
    quint64 m_pendingTick = 0; // ticks handed to the GUI thread, not yet run
    quint64 m_doneTick = 0;
    quint64 m_generation = 0; // counts stops; a tick handed over before one is dropped

    QTimer *m_systemTimer = nullptr;
};
