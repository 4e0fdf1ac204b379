// The pace of the widgets' clocks against their targets: the widget timer on its
// own thread and on the system timer, and the spinner's repeat while an arrow is
// held (first repeat after 400 ms, then every 100 ms). Prints one line per clock;
// the tests check only that the clocks tick and stop, this shows how well they
// keep time on this machine.

#include "widgets/vrspinner.h"
#include "widgets/vrtimer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
// Runs the event loop until count intervals between calls of tick have been
// seen; returns them in milliseconds.
std::vector<double> intervals(const std::function<void(std::function<void()>)> &start, int count)
{
    std::vector<double> gaps;
    QElapsedTimer clock;
    QEventLoop loop;
    qint64 last = -1;
    start([&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            gaps.push_back(double(now - last) / 1e6);
        last = now;
        if (int(gaps.size()) >= count)
            loop.quit();
    });
    clock.start();
    loop.exec();
    return gaps;
}

void report(const char *what, std::vector<double> gaps, double target)
{
    std::sort(gaps.begin(), gaps.end());
    double sum = 0;
    for (double g : gaps)
        sum += g;
    std::printf("%-34s target %6.1f ms  mean %6.1f ms  median %6.1f ms  max %6.1f ms  (%zu intervals)\n", what,
                target, sum / double(gaps.size()), gaps[gaps.size() / 2], gaps.back(), gaps.size());
}

void timerPace(TVrTimerType type, int interval, const char *what)
{
    TVrTimer timer;
    timer.setTimerType(type);
    const auto gaps = intervals(
        [&](std::function<void()> tick) {
            timer.setInterval(interval);
            timer.setOnTimer(std::move(tick));
        },
        20);
    timer.setEnabled(false);
    report(what, gaps, interval);
}

void spinnerPace()
{
    TVrSpinner spinner;
    spinner.resize(21, 38);
    spinner.show();
    const QRect upBox = spinner.arrowShape(TVrSpinner::UpArrow).boundingRect();
    const QPoint up(upBox.center().x(), upBox.bottom() - 2);
    QElapsedTimer held;
    double firstRepeat = -1;
    QObject::connect(&spinner, &TVrSpinner::OnUpClick, [&] {
        if (firstRepeat < 0)
            firstRepeat = double(held.nsecsElapsed()) / 1e6;
    });
    const auto gaps = intervals(
        [&](std::function<void()> tick) {
            QObject::connect(&spinner, &TVrSpinner::OnUpClick, std::move(tick));
            held.start();
            QTest::mousePress(&spinner, Qt::LeftButton, {}, up);
        },
        10);
    QTest::mouseRelease(&spinner, Qt::LeftButton, {}, up);
    std::printf("%-34s target  400.0 ms  measured %6.1f ms\n", "spinner: first repeat after press", firstRepeat);
    report("spinner: repeat while held", gaps, 100);
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    timerPace(ttThread, 50, "widget timer, own thread, 50 ms");
    timerPace(ttThread, 150, "widget timer, own thread, 150 ms");
    timerPace(ttSystem, 50, "widget timer, system timer, 50 ms");
    spinnerPace();
    return 0;
}
