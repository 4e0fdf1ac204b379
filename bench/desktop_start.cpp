// Start on the desktop, timed from outside as for any program: process start to
// its first window on the X server, for Sonaveo and for the players a listener
// would set beside it (Audacious, VLC, Qmmp, whichever are installed), each
// started the same way in a home folder of its own, round by round, after a
// first start that fills its caches. For Sonaveo
// also the moment its main window has painted and its player is on the session
// bus (media keys and the panel's controls work from then), and the moment its
// main window was mapped, as the peers are timed; for a minimal Qt
// window its first window, the anchor of Sonaveo's first window (the splash).
//
// Run it through bench/desktop_start.sh, which gives it a display, a sound server
// and a session bus of its own:  bench/desktop_start.sh [runs]
// Given other builds' programs as well (desktop_start runs SONAVEO...), it
// compares them with this build's, round by round, and leaves the peers out: a
// change's effect on start-up, measured in one run on one machine.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <csignal>
#include <ctime>
#include <map>
#include <memory>
#include <poll.h>
#include <vector>

namespace {

constexpr int kGiveUpMs = 30000;

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

struct Program {
    QString name;
    QString path;
    QStringList arguments;
    bool isSonaveo = false;
};

struct Times {
    double firstWindowMs = -1;
    double readyMs = -1; // Sonaveo: main window painted and player on the bus
    double paintedMs = -1;
    double onBusMs = -1;
    double mainMappedMs = -1; // Sonaveo: its second window (after the splash) mapped
};

class Starter {
public:
    explicit Starter(Display *display) : m_display(display)
    {
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XSync(m_display, False);
    }

    // Each program keeps its home folder from round to round, as a listener's
    // does: the warm-up round is its first start ever (caches, settings), the
    // rounds after it are everyday starts.
    Times run(const Program &program)
    {
        drainX();
        std::unique_ptr<QTemporaryDir> &ownHome = m_homes[program.name];
        if (!ownHome)
            ownHome = std::make_unique<QTemporaryDir>();
        QTemporaryDir &home = *ownHome;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
        QStringList arguments = program.arguments;
        if (program.isSonaveo) {
            env.insert(QStringLiteral("SONAVEO_REPORT_FIRST_PAINT"), QStringLiteral("keep"));
            arguments << QStringLiteral("--data-dir") << home.filePath(QStringLiteral("data"));
        }
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home.path());
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardOutputFile(QProcess::nullDevice());

        QDBusServiceWatcher watcher(QStringLiteral("org.mpris.MediaPlayer2.sonaveo"), QDBusConnection::sessionBus(),
                                    QDBusServiceWatcher::WatchForRegistration);
        qint64 onBusNs = 0, paintedNs = 0, firstWindowNs = 0, secondWindowNs = 0;
        QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, [&] { onBusNs = monotonicNs(); });
        QByteArray errors;

        const qint64 startNs = monotonicNs();
        process.start(program.path, arguments);
        QElapsedTimer timer;
        timer.start();
        auto done = [&] { return firstWindowNs && (!program.isSonaveo || (onBusNs && paintedNs)); };
        while (!done() && timer.elapsed() < kGiveUpMs && process.state() != QProcess::NotRunning) {
            pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
            ::poll(&fd, 1, 1);
            while (XPending(m_display)) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type == MapNotify && !event.xmap.override_redirect) {
                    if (!firstWindowNs)
                        firstWindowNs = monotonicNs();
                    else if (!secondWindowNs)
                        secondWindowNs = monotonicNs();
                }
            }
            QCoreApplication::processEvents();
            errors += process.readAllStandardError();
            const qsizetype at = errors.indexOf("first-paint ");
            if (at >= 0 && !paintedNs && errors.indexOf('\n', at) > at)
                paintedNs = errors.mid(at + 12, errors.indexOf('\n', at) - at - 12).toLongLong();
        }
        Times times;
        if (firstWindowNs)
            times.firstWindowMs = double(firstWindowNs - startNs) / 1e6;
        if (program.isSonaveo && onBusNs && paintedNs) {
            times.readyMs = double(std::max(onBusNs, paintedNs) - startNs) / 1e6;
            times.paintedMs = double(paintedNs - startNs) / 1e6;
            times.onBusMs = double(onBusNs - startNs) / 1e6;
            if (secondWindowNs)
                times.mainMappedMs = double(secondWindowNs - startNs) / 1e6;
        }
        if (!done())
            std::fprintf(stderr, "%s did not get that far; it said:\n%s\n", qPrintable(program.name),
                         errors.right(2000).constData());
        stop(process);
        return times;
    }

private:
    void drainX()
    {
        XSync(m_display, False);
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
        }
    }

    // Each program is asked to end as a desktop asks, then made to; the next one
    // starts once the machine has settled.
    static void stop(QProcess &process)
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(pid_t(process.processId()), SIGTERM);
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(5000);
            }
        }
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    Display *m_display;
    std::map<QString, std::unique_ptr<QTemporaryDir>> m_homes;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display (run bench/desktop_start.sh)\n");
        return 2;
    }
    if (!QDBusConnection::sessionBus().isConnected()) {
        std::fprintf(stderr, "no session bus (run bench/desktop_start.sh)\n");
        return 2;
    }
    const QDir bin(QCoreApplication::applicationDirPath());
    std::vector<Program> programs = {
        {QStringLiteral("sonaveo"), bin.filePath(QStringLiteral("sonaveo")), {}, true},
        {QStringLiteral("minimal window"), bin.filePath(QStringLiteral("minimal_window")), {}, false},
    };
    const bool comparing = argc > 2;
    for (int i = 2; i < argc; ++i)
        programs.push_back({QStringLiteral("other build %1").arg(i - 1), QString::fromLocal8Bit(argv[i]), {}, true});
    for (const char *peer : {"audacious", "vlc", "qmmp"}) {
        if (comparing)
            break;
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(peer));
        if (path.isEmpty())
            std::fprintf(stderr, "%s is not installed; left out\n", peer);
        else
            programs.push_back({QString::fromLatin1(peer), path, {}, false});
    }

    Starter starter(display);
    for (const Program &p : programs) // warms the caches for every program alike
        starter.run(p);
    // Each round's times: a program's figures are the medians over the rounds,
    // and builds compared are compared round by round, since the machine's pace
    // drifts from round to round and a difference taken within one round leaves
    // that drift out.
    // Each round begins with the next program, so that none always starts right
    // after the same one (whose exit the machine may still be finishing).
    std::vector<std::map<QString, Times>> rounds(runs);
    for (int round = 0; round < runs; ++round) {
        for (size_t i = 0; i < programs.size(); ++i) {
            const Program &p = programs[(size_t(round) + i) % programs.size()];
            rounds[round][p.name] = starter.run(p);
        }
        std::fprintf(stderr, "round %d of %d done\n", round + 1, runs);
    }
    // One time of one program in every round it got that far.
    const auto timesOf = [&rounds](const QString &name, double Times::*time) {
        std::vector<double> got;
        for (const auto &times : rounds)
            if (times.at(name).*time >= 0)
                got.push_back(times.at(name).*time);
        return got;
    };
    const auto medianOf = [&timesOf](const QString &name, double Times::*time) { return median(timesOf(name, time)); };
    const QString sonaveo = QStringLiteral("sonaveo");

    if (comparing) {
        std::printf("process start to the first window on the X server, and to the main window painted with the "
                    "player on the bus, median of %d rounds\n", runs);
        const double anchor = medianOf(QStringLiteral("minimal window"), &Times::firstWindowMs);
        std::printf("  %-16s %8.1f ms\n", "minimal window", anchor);
        for (const Program &p : programs) {
            if (!p.isSonaveo)
                continue;
            const double first = medianOf(p.name, &Times::firstWindowMs);
            std::printf("  %-16s %8.1f ms (%.2f of the minimal window), ready %.1f ms\n", qPrintable(p.name), first,
                        anchor > 0 ? first / anchor : -1.0, medianOf(p.name, &Times::readyMs));
        }
        std::printf("this build's program against each other build's, the median of the differences within a round\n");
        for (const Program &p : programs) {
            if (!p.isSonaveo || p.name == sonaveo)
                continue;
            std::vector<double> first, ready;
            for (const auto &times : rounds) {
                const Times &mine = times.at(sonaveo);
                const Times &other = times.at(p.name);
                if (mine.firstWindowMs >= 0 && other.firstWindowMs >= 0)
                    first.push_back(mine.firstWindowMs - other.firstWindowMs);
                if (mine.readyMs >= 0 && other.readyMs >= 0)
                    ready.push_back(mine.readyMs - other.readyMs);
            }
            std::printf("  against %-16s first window %+.1f ms, ready %+.1f ms\n", qPrintable(p.name), median(first),
                        median(ready));
        }
        XCloseDisplay(display);
        return 0;
    }
    std::printf("process start to the first window on the X server, median of %d rounds\n", runs);
    double bestPeer = -1;
    QString bestName;
    for (const Program &p : programs) {
        const double m = medianOf(p.name, &Times::firstWindowMs);
        std::printf("  %-16s %8.1f ms  (%zu of %d rounds)\n", qPrintable(p.name), m,
                    timesOf(p.name, &Times::firstWindowMs).size(), runs);
        if (!p.isSonaveo && p.name != QLatin1String("minimal window") && m > 0 && (bestPeer < 0 || m < bestPeer)) {
            bestPeer = m;
            bestName = p.name;
        }
    }
    const double readyMs = medianOf(sonaveo, &Times::readyMs);
    std::printf("  sonaveo, main window painted and player on the bus %8.1f ms (painted %.1f, on the bus %.1f)\n",
                readyMs, medianOf(sonaveo, &Times::paintedMs), medianOf(sonaveo, &Times::onBusMs));
    const double splash = medianOf(sonaveo, &Times::firstWindowMs);
    const double anchor = medianOf(QStringLiteral("minimal window"), &Times::firstWindowMs);
    if (anchor > 0)
        std::printf("  sonaveo first window / minimal window   %6.2f (target <= 1.50)\n", splash / anchor);
    if (bestPeer > 0) {
        std::printf("  sonaveo ready / best peer (%s)   %6.2f (target <= 0.75)\n", qPrintable(bestName), readyMs / bestPeer);
        // Like with like: the peers are timed to their first window mapped, so
        // here is Sonaveo's main window mapped (before it paints) beside them.
        const double mapped = medianOf(sonaveo, &Times::mainMappedMs);
        if (mapped > 0)
            std::printf("  sonaveo main window mapped %.1f ms / best peer   %6.2f\n", mapped, mapped / bestPeer);
    }
    XCloseDisplay(display);
    return 0;
}
