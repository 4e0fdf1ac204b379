#include "platform/engine.h"

#include "platform/capturebackendgst.h"
#include "platform/gstenvironment.h"
#include "platform/gstmediaengine.h"
#include "platform/networkstate.h"
#include "platform/stationlink.h"

const Engine *sonaveoEngine(bool pluginScanSkipped)
{
    setPluginScanSkipped(pluginScanSkipped);
    static const Engine table{
        [] { return std::unique_ptr<MediaEngine>(std::make_unique<GstMediaEngine>()); },
        [] { return std::unique_ptr<NetworkState>(std::make_unique<GioNetworkState>()); },
        [] { return std::unique_ptr<CaptureBackend>(std::make_unique<GstCaptureBackend>()); },
        [] { return std::unique_ptr<StationLinks>(std::make_unique<NetStationLinks>()); },
        probeMediaPlayer,
        probeSoundOutput,
        prefetchCaptureDevices,
        prefetchNetworkMonitor,
        [] { ensureGStreamer(); },
        GstMediaEngine::loadStreamPluginsInBackground,
    };
    return &table;
}
