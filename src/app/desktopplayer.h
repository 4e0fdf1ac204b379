#pragma once
// The main window's player on the desktop's session bus (MPRIS): media keys and
// the panel's player controls tune, stop and skip stations, move the fader and
// see what plays, as the window's own controls would.

#include <QDBusConnection>

#include <memory>

class TMainForm;
class TMprisService;

// Registers the player of main on bus and keeps it told of each status tick.
// Without a bus the service stays off it and the window works as before.
std::unique_ptr<TMprisService> startDesktopPlayer(TMainForm &main, const QDBusConnection &bus);
