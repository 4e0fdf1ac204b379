#include "app/startup.h"

#include "app/artwork.h"
#include "app/desktopplayer.h"
#include "app/forms.h"
#include "app/mainform.h"
#include "app/skintargets.h"
#include "app/splashform.h"
#include "platform/datadirectory.h"
#include "platform/engine.h"
#include "platform/environment.h"
#include "platform/errorguard.h"
#include "platform/networkstate.h"
#include "platform/singleinstance.h"
#include "platform/termination.h"
#include "playback/mpris.h"
#include "playback/stationplayback.h"
#include "recording/recorder.h"
#include "skin/skinpalette.h"
#include "widgets/vrtimer.h"

#include <QLabel>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QIcon>

#include <cstdio>
#include <dlfcn.h>
#include <future>
#include <pthread.h>
#include <thread>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const char *const kUsage =
    "Usage: sonaveo [--data-dir DIR] [--default-skin]\n"
    "Internet radio player and sound-card recorder.\n\n"
    "  --data-dir DIR   keep presets, settings, skin and recording in DIR\n"
    "  --default-skin   start with the built-in skin (as with Shift held)\n"
    "  --version        print the version and end\n"
    "  --help           print this text and end\n\n"
    "Without --data-dir: $SONAVEO_DATA_DIR, else the current folder when it holds\n"
    "Defaults.ini, else $XDG_DATA_HOME/sonaveo (~/.local/share/sonaveo).\n";

// While the application object connects to the display, a failure is told in one
// line instead of Qt's abort.
void displayFailureHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // Every warning on the way is kept: the first one usually names the cause
    // (the display refused the connection), the last one only the consequence.
    static QStringList warnings;
    if (type != QtFatalMsg) {
        warnings << message.simplified();
        return;
    }
    const QByteArray why = (warnings.isEmpty() ? message.simplified() : warnings.join(QStringLiteral("; "))).toLocal8Bit();
    std::fprintf(stderr,
                 "sonaveo: cannot open a display (%s); start it from a desktop session "
                 "where DISPLAY or WAYLAND_DISPLAY names a running display\n",
                 why.constData());
    std::fflush(stderr);
    ::_exit(2);
}
// GStreamer starts a little below the program's other threads: enough for the
// display's messages to come first, not so much that a busy machine would keep
// the checks waiting for long.
constexpr int kGStreamerStartNice = 5;

// Fontconfig reads its configuration files and font cache once per process, a
// large part of building the first window; fontconfig is already loaded with
// Qt. A helper thread reads them while the application connects to the display,
// then loads the playback engine, which the checks need first, asks GIO's
// network monitor, which loads GIO's modules before it first answers and which
// the main window asks as it is built, and starts GStreamer (reading its list of
// plugins), which the checks wait for. Most of what the toolkit does until the
// splash shows is waiting for the display, and the helper fills that time: the
// checks that begin as the splash shows find GStreamer started, or nearly.
void warmUpLibraries()
{
    std::thread([] {
        pthread_setname_np(pthread_self(), "warm-up");
        using Init = int (*)();
        if (auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit")))
            init();
        if (const Engine *playback = engine()) {
            playback->prefetchNetworkMonitor();
            // Until the splash is on screen the toolkit and the display
            // server trade many short messages, and each one waits when this
            // work holds the processor: at a lower priority it takes what they
            // leave. The thread ends with it.
            ::setpriority(PRIO_PROCESS, ::gettid(), kGStreamerStartNice);
            playback->prefetchGStreamer();
        }
    }).detach();
}
} // namespace

TApplicationWindows::TApplicationWindows() = default;

TApplicationWindows::~TApplicationWindows()
{
    destroyAll();
}

void TApplicationWindows::destroyAll()
{
    Mpris.reset();
    MainForm.reset();
    HistoryForm.reset();
    BandForm.reset();
    OptionsForm.reset();
    SkinForm.reset();
    EditStationForm.reset();
    FormSure.reset();
    AboutForm.reset();
}

namespace {
// A window made after the skin was applied takes the skin's colours as the
// windows made before it did; before any skin was applied it keeps its own.
void takeSkinInUse(TApplicationWindows &windows, QWidget *window)
{
    if (windows.SkinForm && windows.SkinTargets && windows.SkinForm->skinApplied())
        applySkinColours(windows.SkinForm->currentSkin(), windows.SkinTargets->colourTable(window));
}

// The window in slot, made now when it does not exist yet (and the main window
// does): connected to the main window, then given the skin in use.
template <class Form, class Connect>
Form *madeOnce(TApplicationWindows &windows, std::unique_ptr<Form> &slot, Connect connect)
{
    if (!slot && windows.MainForm) {
        slot = std::make_unique<Form>();
        connect(*slot, windows.MainForm.get());
        takeSkinInUse(windows, slot.get());
    }
    return slot.get();
}
} // namespace

THistoryForm *TApplicationWindows::history()
{
    return madeOnce(*this, HistoryForm, [](THistoryForm &history, TMainForm *main) {
        THistoryHooks hooks;
        hooks.online = [main] { return main->playback()->state.online; };
        hooks.attemptConnect = [main] { main->network()->attemptConnect(); };
        hooks.setHistoryMarker = [main] { main->ui().Labelgenre->setText(kHistoryMarker); };
        hooks.tuneStation = [main](const QString &name, const QString &url) {
            main->playback()->TuneStation(name, url);
        };
        history.setHooks(std::move(hooks));
        main->windowMade(history);
    });
}

TBandForm *TApplicationWindows::band()
{
    return madeOnce(*this, BandForm, [](TBandForm &band, TMainForm *main) {
        band.setDataDirectory([main] { return main->dataDirectory(); });
    });
}

TOptionsForm *TApplicationWindows::options()
{
    return madeOnce(*this, OptionsForm, [](TOptionsForm &options, TMainForm *main) {
        options.onDriverBoxChange = [main] { main->recorder()->RebuildFormatList(); };
        options.recordingFile = [main] { return main->recorder()->recordingFile(); };
        main->windowMade(options);
    });
}

TEditStationForm *TApplicationWindows::editor()
{
    return madeOnce(*this, EditStationForm, [](TEditStationForm &, TMainForm *) {});
}

TFormSure *TApplicationWindows::farewell()
{
    if (!FormSure && MainForm)
        FormSure = std::make_unique<TFormSure>();
    return FormSure.get();
}

TAboutForm *TApplicationWindows::about()
{
    if (!AboutForm && MainForm)
        AboutForm = std::make_unique<TAboutForm>();
    return AboutForm.get();
}

void createFirstWindows(TApplicationWindows &windows, const std::function<void()> &between)
{
    // The toolkit's windows and controls start in the colours of the built-in
    // skin, set before any window exists so that none resolves its palette twice;
    // a skin file applied later recolours them.
    applyApplicationPalette(DefaultSkin());
    windows.MainForm = std::make_unique<TMainForm>();
    if (between)
        between();
    windows.SkinForm = std::make_unique<TSkinForm>();
    TMainForm::Windows others;
    others.skin = windows.SkinForm.get();
    others.history = [&windows] { return windows.history(); };
    others.band = [&windows] { return windows.band(); };
    others.options = [&windows] { return windows.options(); };
    others.editor = [&windows] { return windows.editor(); };
    others.about = [&windows] { return windows.about(); };
    others.farewell = [&windows] { return windows.farewell(); };
    windows.MainForm->setWindows(std::move(others));
    windows.SkinTargets = std::make_unique<TSkinTargets>(windows);
    windows.SkinForm->setHost(windows.SkinTargets.get());
}

void createLateWindows(TApplicationWindows &windows)
{
    windows.history();
    windows.band();
    windows.options();
    windows.editor();
    windows.farewell();
    windows.about();
}

void createWindows(TApplicationWindows &windows)
{
    createFirstWindows(windows);
    createLateWindows(windows);
}

bool startsWithDefaultSkin(const QStringList &arguments, Qt::KeyboardModifiers held)
{
    return arguments.contains(QStringLiteral("--default-skin")) || held.testFlag(Qt::ShiftModifier);
}

bool runEntrySequence(EnvironmentChecks &checks, TApplicationWindows &windows,
                      const std::function<bool()> &defaultSkin, const QString &dataDirectory)
{
    auto *splash = new TSplashForm;
    splash->show();
    // The checks start once the splash is on its way to the display: begun
    // earlier, they take the processor from the toolkit's start and the splash
    // comes later, while the main window comes hardly sooner.
    checks.begin();
    // Without the playback engine no window can be built: the check says so,
    // and the start ends before any is.
    if (!checks.engineLoaded()) {
        splash->waitPainted();
        splash->FormActivate(checks);
        delete splash;
        return false;
    }
    // The main window and the skin designer are built while the checks finish on
    // their helper thread; neither shows before both checks passed. The display
    // exposes the splash meanwhile: events are handled between the two, so its
    // picture is painted as soon as it can be, and is on screen before the work
    // that follows.
    createFirstWindows(windows, [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    // The main window's own window on the display is made while the checks
    // finish, its controls take their style and it is placed; it stays hidden
    // until they passed. The keyboard is asked for Shift now too.
    (void)windows.MainForm->winId();
    windows.MainForm->ensurePolished();
    windows.MainForm->centreOnScreen();
    const bool builtInSkin = defaultSkin && defaultSkin();
    splash->waitPainted();
    if (!splash->FormActivate(checks)) {
        delete splash;
        windows.destroyAll();
        return false;
    }
    // The windows the main window opens cost the first picture milliseconds and
    // it needs none of them. Once it is on screen they are made, and the playback
    // plugins load on a helper thread, so the first station plays as soon as any
    // other.
    QObject::connect(windows.MainForm.get(), &TMainForm::firstPainted, windows.MainForm.get(),
                     [&windows] {
                         createLateWindows(windows);
                         if (const Engine *playback = engine())
                             playback->loadStreamPluginsInBackground();
                     },
                     Qt::QueuedConnection);
    // Asked to end before anything was loaded: there is nothing to keep, and the
    // main window is never shown.
    if (terminationRequested()) {
        delete splash;
        windows.destroyAll();
        return false;
    }
    windows.MainForm->setUseDefaultSkin(builtInSkin);
    if (!dataDirectory.isEmpty())
        windows.MainForm->setDataDirectory(dataDirectory);
    windows.MainForm->setSplash(splash);
    windows.MainForm->show(); // the first showing loads the data folder
    // Media keys and the desktop's player controls work from the window's first
    // picture on: the name is asked for now, and the bus answers while the
    // window paints.
    windows.Mpris = startDesktopPlayer(*windows.MainForm, TMprisService::sessionBus());
    return true;
}

int sonaveoMain(int argc, char **argv)
{
    // From the first instruction a termination signal is kept for the program: it
    // is answered once the start is far enough (see below), never by the kernel's
    // default, which would end the process with nothing saved.
    holdTerminationRequests();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.contains(QStringLiteral("--version"))) {
        std::printf("sonaveo %s\n", SONAVEO_VERSION);
        return 0;
    }
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        std::printf("%s", kUsage);
        return 0;
    }

    // A second copy ends here: it asks the running one to show its window, and
    // makes no window, says nothing and touches no file.
    SingleInstance instance(kOneCopyName);
    if (instance.alreadyRunning()) {
        instance.askToRaise();
        return 0;
    }
    // A name this user's copy cannot take (another user holds it) never keeps
    // the program from starting; it only says so.
    if (!instance.problem().isEmpty())
        std::fprintf(stderr, "sonaveo: starting without the one-copy lock: %s\n", qPrintable(instance.problem()));

    // Everything the program writes goes to one folder; a folder that was asked
    // for and cannot be used ends the start rather than writing elsewhere.
    const DataDirectoryChoice data =
        chooseDataDirectory(arguments, QProcessEnvironment::systemEnvironment(), QDir::currentPath());
    if (!data.ok()) {
        std::fprintf(stderr, "sonaveo: %s\n", qPrintable(data.error));
        return 2;
    }

    // Before the first helper thread: it may set the environment.
    skipPluginScanWhileCurrent();
    warmUpLibraries();
    // Once the player is found, the capture devices are read beside the sound
    // output check, for the main window's first showing.
    EngineEnvironmentChecks checks([] { engine()->prefetchCaptureDevices(); });

    QtMessageHandler previous = qInstallMessageHandler(displayFailureHandler);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("sonaveo"));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(artwork::icon())));
    QGuiApplication::setDesktopFileName(QStringLiteral("sonaveo"));
    setVrErrorHandler(showException);
    // The session bus is connected while the windows are built, so the
    // player's controls are on the desktop as soon as the main window shows.
    // The connection is Qt's shared one; the wait ends before the application.
    const auto busConnected = std::async(std::launch::async, [] {
        pthread_setname_np(pthread_self(), "session bus");
        TMprisService::sessionBus();
    });
    // The toolkit's look from the first window on: the built-in skin's.
    applyApplicationPalette(DefaultSkin());

    // Asked once, as the program starts: Shift held while it is launched. The
    // keyboard is asked once the splash shows: the question waits for the
    // display to answer, and before the splash the display has the most to do.
    const auto defaultSkin = [] {
        return startsWithDefaultSkin(QCoreApplication::arguments(), QGuiApplication::queryKeyboardModifiers());
    };
    TApplicationWindows windows;
    bool loaded = false;
    // Shutdown, logout and kill keep what the listener did, as Exit would. During
    // the start a request waits for the loading to end (or, before it began, ends
    // the start there); a message box that shows meanwhile would wait for an
    // answer nobody gives, so it is closed and the start goes on.
    onTerminationRequest(&app, [&windows, &loaded] {
        if (loaded) {
            windows.MainForm->leaveQuietly();
            return;
        }
        if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            box->reject();
    });
    if (!runEntrySequence(checks, windows, defaultSkin, data.folder))
        return terminationRequested() ? 0 : 1;
    loaded = true;
    TMainForm *main = windows.MainForm.get();
    // A later start in this session brings this window to the front.
    instance.onRaiseRequest(main, [main] { main->bringToFront(); });
    if (terminationRequested()) {
        // Asked while loading: what was loaded is saved now.
        main->leaveQuietly();
        return 0;
    }
    // The program ends with its main window, whatever other window still shows
    // (the farewell picture during the exit countdown).
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(main, &TMainForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, main, [main] { main->saveOnLeaving(false); },
                     Qt::DirectConnection);
    return QApplication::exec();
}
