// The online check against the kernel's routing table, and the test double.

#include "childprocess.h"
#include "fakenetwork.h"
#include "platform/networkstate.h"

#include <QFile>
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "waitfor.h"

#include <thread>

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

// Runs the GLib main loop, as the program's event loop does, until the answer is
// the wanted one.
bool waitForAnswer(NetworkState &state, bool wanted)
{
    return testsupport::waitUntil([&] {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        return state.isConnected() == wanted;
    });
}

int run(const char *command) { return std::system(command); }

} // namespace

TEST(NetworkState, FollowsTheNetworkComingAndGoing)
{
    // Inside a network namespace of its own the test can give and take the
    // default route without touching the machine's network.
    if (childprocess::isChild("SONAVEO_NETWORK_CHILD")) {
        // As in the program, the monitor is made on a helper thread at start-up
        // and its news must still reach this thread's event loop.
        std::thread(prefetchNetworkMonitor).join();
        GioNetworkState state;
        const char *kind = G_OBJECT_TYPE_NAME(g_network_monitor_get_default());
        if (QByteArray(kind) != "GNetworkMonitorNetlink")
            GTEST_SKIP() << "the monitor is " << kind;
        EXPECT_FALSE(state.isConnected()) << "a namespace without routes is offline";
        ASSERT_EQ(run("ip link set lo up && ip route add default dev lo"), 0);
        EXPECT_TRUE(waitForAnswer(state, true)) << "a default route brings the network";
        ASSERT_EQ(run("ip route del default dev lo"), 0);
        EXPECT_TRUE(waitForAnswer(state, false)) << "losing it is noticed too";
        return;
    }
    if (run("unshare -n true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no network namespaces here (needs root)";
    QString output;
    EXPECT_TRUE(childprocess::runPassed(QStringLiteral("NetworkState.FollowsTheNetworkComingAndGoing"),
                                        "SONAVEO_NETWORK_CHILD", {QStringLiteral("unshare"), QStringLiteral("-n")},
                                        &output))
        << output.toStdString();
}

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
