#pragma once
// Where the program gets its players, its sound-card capture and its view of the
// network: the real GStreamer and GIO implementations unless a test installed doubles.

#include "platform/capturebackend.h"
#include "platform/mediaengine.h"
#include "platform/networkstate.h"
#include "platform/stationlink.h"

#include <functional>
#include <memory>

struct PlatformServices {
    std::function<std::unique_ptr<MediaEngine>()> makeMediaEngine;
    std::function<std::unique_ptr<NetworkState>()> makeNetworkState;
    std::function<std::unique_ptr<CaptureBackend>()> makeCaptureBackend;
    std::function<std::unique_ptr<StationLinks>()> makeStationLinks;
};

// The services in use; a test may replace any member and restore it afterwards.
PlatformServices &platformServices();
