#pragma once
// Where the program gets its players and its view of the network: the real
// GStreamer and GIO implementations unless a test installed doubles.

#include "mediaengine.h"
#include "networkstate.h"

#include <functional>
#include <memory>

struct PlatformServices {
    std::function<std::unique_ptr<MediaEngine>()> makeMediaEngine;
    std::function<std::unique_ptr<NetworkState>()> makeNetworkState;
};

// The services in use; a test may replace any member and restore it afterwards.
PlatformServices &platformServices();
