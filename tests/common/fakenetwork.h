#pragma once
// A network state the test switches on and off; counts connection attempts.

#include "platform/networkstate.h"

class FakeNetworkState : public NetworkState {
public:
    bool connected = true;
    int connectAttempts = 0;

    bool isConnected() override { return connected; }
    void attemptConnect() override { ++connectAttempts; }
};
