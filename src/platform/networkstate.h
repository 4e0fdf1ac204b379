#pragma once
// Whether the computer is online, and the request to go online.

typedef struct _GNetworkMonitor GNetworkMonitor;

class NetworkState {
public:
    virtual ~NetworkState() = default;
    // Asked on every tick of the status timer, so it must be cheap.
    virtual bool isConnected() = 0;
    // The desktop's network manager connects on its own: nothing to do, and it
    // always succeeds.
    virtual void attemptConnect() {}
};

// Creates GIO's network monitor ahead of the first GioNetworkState (loading GIO's
// modules and asking the system takes a millisecond or more). Call it from a
// thread without a main context of its own: the monitor then delivers its events
// on the default main loop, which the user-interface thread runs.
void prefetchNetworkMonitor();

// The desktop's answer through GIO's network monitor (NetworkManager over D-Bus
// when it runs, otherwise the kernel's routing table over netlink).
class GioNetworkState : public NetworkState {
public:
    GioNetworkState();
    ~GioNetworkState() override;
    GioNetworkState(const GioNetworkState &) = delete;
    GioNetworkState &operator=(const GioNetworkState &) = delete;
    bool isConnected() override;

private:
    // The monitor is a process-wide singleton that tells its changes through
    // signals on the GLib main loop (which Qt's event loop runs on Linux); the
    // answer is kept from them, so asking is a read of m_available.
    GNetworkMonitor *m_monitor = nullptr;
    bool m_available = true;
    unsigned long m_changedHandler = 0;
    unsigned long m_notifyHandler = 0;
};
