// Start-up time: process start to the main window's first paint, for the program
// and for a minimal Qt window of the same size, measured alternately in one run.
// Usage: startup_bench [runs]  (needs a display and a sound server, like the program)

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
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
    const auto at = out.find("first-paint ");
    if (at == std::string::npos)
        return -1;
    return double(std::atoll(out.c_str() + at + 12) - start) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const QString binDir = QCoreApplication::applicationDirPath();
    const std::string program = QDir(binDir).filePath(QStringLiteral("sonaveo")).toStdString();
    const std::string anchor = QDir(binDir).filePath(QStringLiteral("minimal_window")).toStdString();
    setenv("SONAVEO_REPORT_FIRST_PAINT", "1", 1);

    QTemporaryDir dir;
    std::vector<double> p, a;
    timeOnce(program, dir.path().toStdString()); // warm the caches for both
    timeOnce(anchor, dir.path().toStdString());
    for (int i = 0; i < runs; ++i) {
        const double tp = timeOnce(program, dir.path().toStdString());
        const double ta = timeOnce(anchor, dir.path().toStdString());
        if (tp < 0 || ta < 0) {
            std::fprintf(stderr, "a run did not report its first paint (display? sound server?)\n");
            return 1;
        }
        p.push_back(tp);
        a.push_back(ta);
    }
    const double mp = median(p), ma = median(a);
    std::printf("start-up to first paint, median of %d runs\n", runs);
    std::printf("  sonaveo          %8.1f ms\n", mp);
    std::printf("  minimal window   %8.1f ms (anchor)\n", ma);
    std::printf("  ratio            %8.2f (target <= 1.50)\n", mp / ma);
    return 0;
}
