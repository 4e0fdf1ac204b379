#include "networkstate.h"

#include <gio/gio.h>

GioNetworkState::GioNetworkState() : m_monitor(g_network_monitor_get_default()) {}

bool GioNetworkState::isConnected()
{
    // No monitor at all (GIO could not load one) counts as online, as GIO's own
    // fallback monitor does: refusing every station would be worse.
    return !m_monitor || g_network_monitor_get_network_available(m_monitor);
}
