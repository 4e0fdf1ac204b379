// The online check against the kernel's routing table, and the test double.

#include "fakenetwork.h"
#include "networkstate.h"

#include <QFile>
#include <gio/gio.h>
#include <gtest/gtest.h>

namespace {

// GIO's netlink monitor calls the network available when a default route exists.
bool hasDefaultRoute()
{
    QFile v4(QStringLiteral("/proc/net/route"));
    if (v4.open(QIODevice::ReadOnly)) {
        v4.readLine();
        while (!v4.atEnd())
            if (v4.readLine().split('\t').value(1) == "00000000")
                return true;
    }
    QFile v6(QStringLiteral("/proc/net/ipv6_route"));
    if (v6.open(QIODevice::ReadOnly)) {
        while (!v6.atEnd()) {
            const QList<QByteArray> fields = v6.readLine().simplified().split(' ');
            if (fields.value(0) == QByteArray(32, '0') && fields.value(1) == "00" && fields.value(9) != "lo")
                return true;
        }
    }
    return false;
}

} // namespace

TEST(NetworkState, GioAnswersLikeTheRoutingTable)
{
    GioNetworkState state;
    const char *kind = G_OBJECT_TYPE_NAME(g_network_monitor_get_default());
    if (QByteArray(kind) != "GNetworkMonitorNetlink")
        GTEST_SKIP() << "the monitor is " << kind << ", whose answer is not the routing table's";
    EXPECT_EQ(state.isConnected(), hasDefaultRoute());
    EXPECT_EQ(state.isConnected(), state.isConnected()) << "a second call gives the same answer";
    state.attemptConnect(); // does nothing and does not fail
}

TEST(NetworkState, FakeIsSwitchedByTheTest)
{
    FakeNetworkState state;
    NetworkState &network = state;
    EXPECT_TRUE(network.isConnected());
    state.connected = false;
    EXPECT_FALSE(network.isConnected());
    network.attemptConnect();
    network.attemptConnect();
    EXPECT_EQ(state.connectAttempts, 2);
}
