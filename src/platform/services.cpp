#include "platform/services.h"

#include "platform/capturebackendgst.h"
#include "platform/gstmediaengine.h"

PlatformServices &platformServices()
{
    static PlatformServices services{
        [] { return std::unique_ptr<MediaEngine>(std::make_unique<GstMediaEngine>()); },
        [] { return std::unique_ptr<NetworkState>(std::make_unique<GioNetworkState>()); },
        [] { return std::unique_ptr<CaptureBackend>(std::make_unique<GstCaptureBackend>()); },
        [] { return std::unique_ptr<StationLinks>(std::make_unique<NetStationLinks>()); },
    };
    return services;
}
