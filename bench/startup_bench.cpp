// Start-up time: process start to the main window's first paint (after its loading
// sequence), for the program in an empty data folder, for the program in a folder
// a long-time listener would have (a full history, a skin with a 600 x 350
// picture, 500 bands), and for a minimal Qt window of the same size, measured
// alternately in one run.
// Usage: startup_bench [runs]  (needs a display and a sound server, like the program)

#include "platform/textfile.h"
#include "skin/skinfile.h"

#include <QGuiApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char **environ;

namespace {
long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Starts program in dir and returns milliseconds to its reported first paint, or
// a negative number when it did not report.
double timeOnce(const std::string &program, const std::string &dir)
{
    int pipefd[2];
    if (pipe(pipefd) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipefd[0]);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    // The folder is named too: a folder without settings is used only when asked for.
    std::string dataDir = "--data-dir=" + dir;
    char *argv[] = {const_cast<char *>(program.c_str()), dataDir.data(), nullptr};
    const long long start = nowNs();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipefd[1]);
    if (rc != 0) {
        close(pipefd[0]);
        return -1;
    }
    std::string out;
    char buf[512];
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0)
        out.append(buf, size_t(n));
    close(pipefd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    // Each start is timed on a quiet machine. A program that ends at its first
    // paint leaves the display and sound servers (and the kernel) cleaning up
    // after it for some milliseconds; without the pause the next start in the
    // round pays for that, which made the anchor, run right after the program in
    // its long-used folder, look half again slower than it is.
    usleep(250 * 1000);
    const auto at = out.find("first-paint ");
    if (at == std::string::npos)
        return -1;
    return double(std::atoll(out.c_str() + at + 12) - start) / 1e6;
}

// The files of a listener who has used the program for years.
void fillDataFolder(const QString &dir)
{
    QStringList settings{QDir(dir).filePath(QStringLiteral("webfile.wav")), QStringLiteral("20"),
                         QStringLiteral("0")};
    for (int k = 1; k <= 11; ++k)
        settings << QStringLiteral("Station number %1 with a longer name").arg(k)
                 << QStringLiteral("http://stream%1.example.net:8000/live/high-quality.mp3").arg(k);
    settings << QStringLiteral("Band 250") << QStringLiteral("40") << QStringLiteral("30");
    writeTextLines(QDir(dir).filePath(QStringLiteral("Defaults.ini")), settings);

    QStringList bands;
    for (int b = 0; b < 500; ++b)
        bands << QStringLiteral("Band %1").arg(b, 3, 10, QLatin1Char('0'));
    writeTextLines(QDir(dir).filePath(QStringLiteral("stationbands.ini")), bands);

    QStringList block;
    for (int i = 1; i <= 7; ++i)
        block << QStringLiteral("Preset %1").arg(i) << QStringLiteral("http://preset%1.example.net/stream").arg(i);
    writeTextLines(QDir(dir).filePath(QStringLiteral("Band 2501.dat")), block);

    // A 600 x 350 picture with a ragged outline in the transparent colour.
    QImage picture(600, 350, QImage::Format_RGB32);
    picture.fill(QColor(40, 60, 90));
    QPainter p(&picture);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 0, 0)); // clMaroon
    for (int y = 0; y < 350; y += 5)
        p.drawRect(0, y, 10 + (y * 37) % 60, 5);
    p.drawEllipse(QPoint(600, 0), 80, 80);
    p.end();
    const QString picturePath = QDir(dir).filePath(QStringLiteral("skin.bmp"));
    picture.save(picturePath, "BMP");
    TSkin skin = DefaultSkin();
    skin.Picture = picturePath;
    skin.Transparent = 0x000080; // clMaroon
    SaveSkinFile(QDir(dir).filePath(QStringLiteral("currentskin.skn")), skin);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The first and third quartile: how far single rounds stray on this machine.
std::pair<double, double> quartiles(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? std::pair<double, double>{0, 0} : std::pair{v[v.size() / 4], v[(3 * v.size()) / 4]};
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen"); // this process only writes files
    QGuiApplication app(argc, argv);
    qunsetenv("QT_QPA_PLATFORM");
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const QString binDir = QCoreApplication::applicationDirPath();
    const std::string program = QDir(binDir).filePath(QStringLiteral("sonaveo")).toStdString();
    const std::string anchor = QDir(binDir).filePath(QStringLiteral("minimal_window")).toStdString();
    setenv("SONAVEO_REPORT_FIRST_PAINT", "1", 1);

    QTemporaryDir dir, loaded;
    fillDataFolder(loaded.path());
    const std::string fresh = dir.path().toStdString(), used = loaded.path().toStdString();
    std::vector<double> p, l, a;
    timeOnce(program, fresh); // warm the caches for all three
    timeOnce(program, used);
    timeOnce(anchor, fresh);
    for (int i = 0; i < runs; ++i) {
        const double tp = timeOnce(program, fresh);
        const double tl = timeOnce(program, used);
        const double ta = timeOnce(anchor, fresh);
        if (tp < 0 || tl < 0 || ta < 0) {
            std::fprintf(stderr, "a run did not report its first paint (display? sound server?)\n");
            return 1;
        }
        p.push_back(tp);
        l.push_back(tl);
        a.push_back(ta);
    }
    const double mp = median(p), ml = median(l), ma = median(a);
    std::printf("start-up to first paint, median of %d runs\n", runs);
    std::printf("  sonaveo, fresh folder      %8.1f ms\n", mp);
    std::printf("  sonaveo, long-used folder  %8.1f ms\n", ml);
    std::printf("  minimal window             %8.1f ms (anchor)\n", ma);
    std::vector<double> rounds;
    for (size_t i = 0; i < p.size(); ++i)
        rounds.push_back(p[i] / a[i]);
    const auto [low, high] = quartiles(rounds);
    std::printf("  fresh / minimal            %8.2f (target <= 1.50; single rounds %.2f to %.2f, middle half)\n",
                mp / ma, low, high);
    std::printf("  long-used / fresh          %8.2f (target <= 1.30)\n", ml / mp);
    std::printf("  long-used / minimal        %8.2f\n", ml / ma);
    return 0;
}
