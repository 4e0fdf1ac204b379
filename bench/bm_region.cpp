// Cutting the main window's outline from a 600 x 350 picture with a ragged edge:
// the runs collected and banded, then one QRegion::setRects call, beside the
// anchor that joins every run into the region by union, one at a time.

#include "widgets/vrregion.h"

#include <QPainter>
#include <QRegion>

#include <cmath>

#include "benchmain.h"

namespace {

constexpr QRgb kPurple = 0xFF800080;

// Wavy left and right edges, rounded corners cut away and a few holes inside: a
// different run pattern on nearly every row, as a hand-drawn skin has.
QImage raggedPicture()
{
    QImage image(600, 350, QImage::Format_RGB32);
    image.fill(kPurple);
    for (int y = 0; y < image.height(); ++y) {
        const int left = 12 + int(10 * std::sin(y / 7.0));
        const int right = 586 - int(14 * std::sin(y / 5.0));
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = left; x < right; ++x)
            row[x] = qRgb((x * 3) & 0x7F, y & 0xFF, 0x40);
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kPurple));
    for (int i = 0; i < 6; ++i)
        p.drawEllipse(QPoint(80 + i * 90, 175), 20 + i * 3, 30);
    return image;
}

// The anchor: each run found is joined into the region at once, and the region's
// rectangles are then written out as a region description.
TVrRgnData unitedOneAtATime(const QImage &image, TColor maskColor)
{
    QRegion region;
    for (const QRect &band : regionRectsFromBitmap(image, maskColor))
        for (int y = band.top(); y <= band.bottom(); ++y)
            region += QRect(band.left(), y, band.width(), 1);
    return TVrRgnData::fromRects(QList<QRect>(region.begin(), region.end()));
}

void BM_BuildRegionFromBitmap(benchmark::State &state)
{
    const QImage image = raggedPicture();
    for (auto _ : state) {
        TVrRgnData data;
        BuildRegionFromBitmap(image, clPurple, data);
        benchmark::DoNotOptimize(regionFromRgnData(data));
    }
    TVrRgnData data;
    BuildRegionFromBitmap(image, clPurple, data);
    state.counters["rects"] = data.RectCount();
}
BENCHMARK(BM_BuildRegionFromBitmap)->Unit(benchmark::kMicrosecond);

void BM_RegionUnionOneRunAtATime(benchmark::State &state)
{
    const QImage image = raggedPicture();
    for (auto _ : state) {
        const TVrRgnData data = unitedOneAtATime(image, clPurple);
        benchmark::DoNotOptimize(regionFromRgnData(data));
    }
}
BENCHMARK(BM_RegionUnionOneRunAtATime)->Unit(benchmark::kMicrosecond);

} // namespace

SONAVEO_BENCHMARK_MAIN()
