#include "platform/networkstate.h"

#include <gio/gio.h>

namespace {
void refresh(GNetworkMonitor *monitor, bool *available) { *available = g_network_monitor_get_network_available(monitor); }

void onNetworkChanged(GNetworkMonitor *monitor, gboolean, gpointer available) { refresh(monitor, static_cast<bool *>(available)); }

void onAvailableNotified(GNetworkMonitor *monitor, GParamSpec *, gpointer available) { refresh(monitor, static_cast<bool *>(available)); }
} // namespace

void prefetchNetworkMonitor() { g_network_monitor_get_default(); }

GioNetworkState::GioNetworkState() : m_monitor(g_network_monitor_get_default())
{
    if (!m_monitor)
        return;
    // The answer is kept from the monitor's own change signals: reading the
    // property goes through GObject's property machinery, and the status timer
    // asks ten times a second.
    refresh(m_monitor, &m_available);
    m_changedHandler = g_signal_connect(m_monitor, "network-changed", G_CALLBACK(onNetworkChanged), &m_available);
    m_notifyHandler = g_signal_connect(m_monitor, "notify::network-available", G_CALLBACK(onAvailableNotified), &m_available);
}

GioNetworkState::~GioNetworkState()
{
    // The monitor is process-wide and outlives this object.
    if (m_monitor) {
        g_signal_handler_disconnect(m_monitor, m_changedHandler);
        g_signal_handler_disconnect(m_monitor, m_notifyHandler);
    }
}

bool GioNetworkState::isConnected()
{
    // No monitor at all (GIO could not load one) counts as online, as GIO's own
    // fallback monitor does: refusing every station would be worse.
    return !m_monitor || m_available;
}
