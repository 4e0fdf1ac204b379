#include "app/desktopplayer.h"

#include "app/mainform.h"
#include "platform/errorguard.h"
#include "platform/networkstate.h"
#include "playback/mpris.h"
#include "playback/stationplayback.h"
#include "stations/historyform.h"
#include "stations/stationpresets.h"
#include "widgets/vrslider.h"

#include <QtGlobal>

namespace {
// The fader's travel: SetVolume takes its position.
constexpr int kFaderTravel = 1000;

// Tunes a station as a click on a preset does: the network is asked first when
// the program is offline.
void tune(TMainForm &main, const QString &name, const QString &url)
{
    TStationPlayback *playback = main.playback();
    if (!playback->state.online)
        main.network()->attemptConnect();
    playback->TuneStation(name, url);
}
} // namespace

std::unique_ptr<TMprisService> startDesktopPlayer(TMainForm &main, const QDBusConnection &bus)
{
    TMprisHooks hooks;
    TMainForm *m = &main;
    hooks.raise = [m] { m->bringToFront(); };
    hooks.quit = [m] { m->close(); };
    hooks.play = [m] {
        guarded([m] {
            TStationPlayback *playback = m->playback();
            // A station being tuned is left to come.
            if (playback->state.connecting || playback->reconnecting())
                return;
            if (!playback->state.currentStationName.isEmpty() && !playback->stationUrl().isEmpty()) {
                tune(*m, playback->state.currentStationName, playback->stationUrl());
                return;
            }
            // Nothing tuned in this run yet: the station heard last, the newest
            // entry of the history the settings brought back.
            if (const THistoryForm *history = m->historyForm())
                tune(*m, history->entryName(1), history->entryUrl(1));
        });
    };
    hooks.stop = [m] { guarded([m] { m->playback()->VrDemoButtonUnplugClick(); }); };
    hooks.skip = [m](int step) {
        guarded([m, step] { m->presets()->tuneNeighbour(m->playback()->state.currentStationName, step); });
    };
    hooks.setVolume = [m](double volume) {
        guarded([m, volume] { m->playback()->SetVolume(qRound(volume * kFaderTravel)); });
    };
    hooks.openUri = [m](const QString &url) { guarded([m, url] { tune(*m, url, url); }); };
    hooks.status = [m] {
        TStationPlayback *playback = m->playback();
        TMprisStatus status;
        guarded([&] { status.playing = playback->stationPlaying(); });
        status.station = playback->state.currentStationName;
        status.url = playback->stationUrl();
        if (status.playing)
            status.streamTitle = playback->streamTitle();
        status.volume = double(m->ui().VrScrollBarPlayer1->Position()) / kFaderTravel;
        return status;
    };
    auto service = std::make_unique<TMprisService>(std::move(hooks), bus);
    QObject::connect(&main, &TMainForm::statusTicked, service.get(), &TMprisService::refresh);
    return service;
}
