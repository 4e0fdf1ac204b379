#pragma once
// Installs scripted players and a switchable network for every main window made
// while it lives; the first player made is the station player, the second the
// recording player. Station links are answered by the test.

#include "fakemediaengine.h"
#include "fakenetwork.h"
#include "fakestationlinks.h"
#include "platform/services.h"

class FakePlatform {
public:
    FakePlatform() : m_saved(platformServices())
    {
        platformServices().makeMediaEngine = [this] {
            auto engine = std::make_unique<FakeMediaEngine>();
            (station ? recording : station) = engine.get();
            return std::unique_ptr<MediaEngine>(std::move(engine));
        };
        platformServices().makeNetworkState = [this] {
            auto state = std::make_unique<FakeNetworkState>();
            network = state.get();
            return std::unique_ptr<NetworkState>(std::move(state));
        };
        platformServices().makeStationLinks = [this] {
            auto made = std::make_unique<FakeStationLinks>();
            links = made.get();
            return std::unique_ptr<StationLinks>(std::move(made));
        };
    }
    ~FakePlatform() { platformServices() = m_saved; }

    FakeMediaEngine *station = nullptr;
    FakeMediaEngine *recording = nullptr;
    FakeNetworkState *network = nullptr;
    FakeStationLinks *links = nullptr;

private:
    PlatformServices m_saved;
};
