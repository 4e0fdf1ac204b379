// Painting cost of the LED number display and clock: one full repaint into an
// image, as paintEvent does it, with the recoloured glyphs already cached.

#include "widgets/vrclock.h"
#include "widgets/vrnum.h"

#include <QApplication>
#include <QPainter>
#include "benchmain.h"

namespace {
const TVrPalette kLed{toQColor(clTeal), toQColor(clAqua)};

void BM_NumRender(benchmark::State &state)
{
    TVrNum num;
    num.setPalette(kLed);
    num.resize(61, 13);
    num.setMax(99999999);
    num.setDigits(7);
    int value = 0;
    for (auto _ : state) {
        num.setValue(value++ % 9999999);
        benchmark::DoNotOptimize(num.render());
    }
}
BENCHMARK(BM_NumRender);

void BM_ClockRender(benchmark::State &state)
{
    TVrClock clock;
    clock.setClockType(ctCustom);
    clock.setPalette(kLed);
    clock.resize(62, 13);
    int s = 0;
    for (auto _ : state) {
        clock.setSeconds(s++ % 60);
        benchmark::DoNotOptimize(clock.render());
    }
}
BENCHMARK(BM_ClockRender);

// The widget's own paint path (QWidget::render runs paintEvent).
void BM_ClockWidgetPaint(benchmark::State &state)
{
    TVrClock clock;
    clock.setClockType(ctCustom);
    clock.setPalette(kLed);
    clock.resize(62, 13);
    QImage target(62, 13, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        clock.render(&target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClockWidgetPaint);

// A palette change rebuilds the recoloured glyphs once.
void BM_NumPaletteChange(benchmark::State &state)
{
    TVrNum num;
    num.resize(25, 21);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        num.setPalette(flip ? kLed : TVrPalette{});
        benchmark::DoNotOptimize(num.render());
    }
}
BENCHMARK(BM_NumPaletteChange);
} // namespace

SONAVEO_BENCHMARK_MAIN()
