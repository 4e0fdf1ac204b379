// Plays one station through the real main window until it is killed: the program
// as a listener runs it, without the splash and the other windows, for
// bench/play_cpu_mem.sh to measure. Prints "playing" once sound flows.
// Usage: play_station URL   (QT_QPA_PLATFORM defaults to offscreen)

#include "app/mainform.h"
#include "playback/stationplayback.h"
#include "playback/windowsmediaplayer.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: play_station URL\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString url = QString::fromLocal8Bit(argv[1]);

    TMainForm form;
    form.show();
    form.playback()->SetVolume(1000);

    // The status timer finds the network on its first tick; tune once it has, and
    // report when the station player first plays.
    QTimer watch;
    bool tuned = false;
    QObject::connect(&watch, &QTimer::timeout, &form, [&] {
        if (!tuned && form.playback()->state.online) {
            form.playback()->TuneStation(QStringLiteral("Bench"), url);
            tuned = true;
        } else if (tuned && form.stationPlayer()->playState() == TWindowsMediaPlayer::wmppsPlaying) {
            std::printf("playing\n");
            std::fflush(stdout);
            watch.stop();
        }
    });
    watch.start(20);
    return QApplication::exec();
}
