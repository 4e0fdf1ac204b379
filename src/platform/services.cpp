#include "platform/services.h"

#include "platform/engine.h"
#include "platform/errors.h"

namespace {
// After the start-up checks the engine is always there: they fail without it.
const Engine &loadedEngine()
{
    if (const Engine *loaded = engine())
        return *loaded;
    throw Exception(QStringLiteral("The playback engine cannot be loaded: %1").arg(engineProblem()));
}
} // namespace

PlatformServices &platformServices()
{
    static PlatformServices services{
        [] { return loadedEngine().makeMediaEngine(); },
        [] { return loadedEngine().makeNetworkState(); },
        [] { return loadedEngine().makeCaptureBackend(); },
        [] { return loadedEngine().makeStationLinks(); },
    };
    return services;
}
