// One frame of the main window's connection display: a scroll step and the render
// of 10 cells of 9 x 13 dots.

#include "widgets/vrmatrix.h"

#include <QApplication>
#include "benchmain.h"

namespace {

void configureConnectionMatrix(TVrMatrix &m)
{
    m.setLeds(10);
    m.setLedStyle(ls9x13);
    m.setTimeInterval(250);
    m.setThreaded(true);
    m.setColor(toQColor(clBlack));
    m.setPalette(TVrPalette{toQColor(clBlack), toQColor(clAqua)});
    m.setText(QStringLiteral("INTERNET CONNECTION?"));
    m.setAutoScroll(true);
}

void BM_MatrixScrollFrame(benchmark::State &state)
{
    TVrMatrix m;
    configureConnectionMatrix(m);
    for (auto _ : state) {
        m.scrollStep();
        QImage frame = m.renderToImage();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_MatrixScrollFrame);

// The same frame with a colour code per character: more distinct cells to keep.
void BM_MatrixScrollFrameColoured(benchmark::State &state)
{
    TVrMatrix m;
    configureConnectionMatrix(m);
    m.setText(QStringLiteral("%1I%2N%3T%4E%5R%6N%7E%8T %9C%AO%BN%CN%DE%EC%FT%0ION?"));
    for (auto _ : state) {
        m.scrollStep();
        QImage frame = m.renderToImage();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_MatrixScrollFrameColoured);

// The first frame after a palette change, when every cell is drawn anew.
void BM_MatrixFrameAfterRecolour(benchmark::State &state)
{
    TVrMatrix m;
    configureConnectionMatrix(m);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        m.setPalette(TVrPalette{toQColor(clBlack), toQColor(flip ? clAqua : clLime)});
        QImage frame = m.renderToImage();
        benchmark::DoNotOptimize(frame.constBits());
    }
}
BENCHMARK(BM_MatrixFrameAfterRecolour);

} // namespace

SONAVEO_BENCHMARK_MAIN()
