#include "widgets/vrmetal.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace {

// ---------------------------------------------------------------------------
// Deterministic noise, so a face looks the same at every paint and the
// generated pictures come out the same on every run.

quint32 scramble(quint32 v)
{
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

// A pseudo-random value in [0, 1] for the integer pair (a, b).
double hashUnit(int a, int b, quint32 seed)
{
    const quint32 h = scramble(static_cast<quint32>(a) * 0x9E3779B1U
                               ^ scramble(static_cast<quint32>(b) + 0x85EBCA77U * seed));
    return static_cast<double>(h & 0xFFFFFFu) / static_cast<double>(0xFFFFFFu);
}

// Value noise that changes smoothly along x; one independent line per row.
double rowNoise(double x, int row, quint32 seed)
{
    const double fl = std::floor(x);
    const int i = static_cast<int>(fl);
    double f = x - fl;
    f = f * f * (3.0 - 2.0 * f);
    const double a = hashUnit(i, row, seed);
    const double b = hashUnit(i + 1, row, seed);
    return a + (b - a) * f;
}

// Brushed metal never reaches white, so the grain shows on the lightest face.
constexpr int kBrightest = 250;

QColor mixed(const QColor &from, const QColor &to, double amount)
{
    const auto channel = [amount](int a, int b) { return int(std::lround(a + (b - a) * amount)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()),
                  to.alpha());
}

QColor scaled(const QColor &colour, double factor)
{
    const auto channel = [factor](int c) { return std::clamp(int(std::lround(c * factor)), 0, 255); };
    return QColor(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

} // namespace

MetalFinish steelFinish(double top, double bottom, double grain)
{
    MetalFinish finish;
    finish.top = top;
    finish.bottom = bottom;
    finish.grain = grain;
    finish.lift = {0, 1, 4};
    return finish;
}

MetalFinish shadeFinish(const QColor &shade)
{
    const double value = std::max({shade.red(), shade.green(), shade.blue(), 1});
    MetalFinish finish;
    // The main window's steel: grain of six levels, light some 20 % either way
    // of the middle. Lighter shades take more grain, or it would not show, and
    // no more than two dozen levels of light, or the top would wash out.
    finish.grain = std::max(6.0, 0.06 * value);
    const double spread = std::min(0.22 * value, 24.0);
    finish.top = value + spread;
    finish.bottom = value - spread;
    if (const double over = finish.top + finish.grain - kBrightest; over > 0) {
        finish.top -= over;
        finish.bottom -= over;
    }
    finish.gain = {shade.red() / value, shade.green() / value, shade.blue() / value};
    return finish;
}

QColor metalShade(const QColor &panel)
{
    constexpr int kDarkest = 34; // the main window's face at its darkest
    QColor c = panel.toHsv();
    if (c.value() >= kDarkest)
        return panel;
    // Black and near black take a touch of blue, as the main window's steel.
    const int saturation = c.hsvSaturation() > 0 ? std::min(c.hsvSaturation(), 60) : 20;
    const int hue = c.hsvSaturation() > 0 ? c.hsvHue() : 220;
    return QColor::fromHsv(hue, saturation, kDarkest);
}

void paintBrushedMetal(QImage &image, const MetalFinish &finish)
{
    const double top = finish.top;
    const double bottom = finish.bottom;
    const double grain = finish.grain;
    const qreal ratio = image.devicePixelRatio();
    const int h = image.height();
    for (int y = 0; y < h; ++y) {
        const double t = h > 1 ? static_cast<double>(y) / (h - 1) : 0.0;
        const double base = top + (bottom - top) * t;
        // The grain is laid out in the picture's logical pixels.
        const int row = static_cast<int>(y / ratio);
        const double rowShift = (hashUnit(row, 0, 3) - 0.5) * grain;
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double along = x / ratio;
            const double streak = (rowNoise(along / 41.0, row, 1) - 0.5) * grain * 1.6
                                  + (rowNoise(along / 7.0, row, 5) - 0.5) * grain * 0.6
                                  + (hashUnit(static_cast<int>(along), row, 2) - 0.5) * grain * 0.7;
            const int v = std::clamp(static_cast<int>(std::lround(base + rowShift + streak)), 0, kBrightest);
            const auto channel = [&finish, v](int c) {
                return std::clamp(static_cast<int>(std::lround(v * finish.gain[c])) + finish.lift[c], 0, 255);
            };
            line[x] = qRgb(channel(0), channel(1), channel(2));
        }
    }
}

QImage brushedMetal(QSize size, const QColor &shade, qreal ratio)
{
    QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    if (!image.isNull())
        paintBrushedMetal(image, shadeFinish(shade));
    return image;
}

ScrewColours steelScrew()
{
    return {QColor(0, 0, 0, 170),   QColor(150, 154, 158), QColor(82, 86, 90),
            QColor(36, 38, 40),     QColor(14, 15, 16),    QColor(255, 255, 255, 50)};
}

ScrewColours screwColours(const QColor &shade)
{
    // The steel screw on the steel face: a highlight half way to white, a
    // shoulder a quarter of the way and an edge a little above the face. A light
    // face has no room above it, so there the head's lower edge and the slot
    // fall below the face instead.
    const double light = std::max({shade.red(), shade.green(), shade.blue()}) / 255.0;
    const QColor white(255, 255, 255);
    ScrewColours screw = steelScrew();
    screw.light = mixed(shade, white, 0.53);
    screw.mid = mixed(shade, white, 0.24 * (1.0 - light));
    screw.dark = scaled(shade, 1.25 - 0.7 * light);
    screw.slot = scaled(shade, 0.5 - 0.2 * light);
    return screw;
}

void drawScrew(QPainter &p, QPointF centre, qreal radius, qreal slotDegrees, const ScrewColours &colours)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(colours.hollow);
    p.drawEllipse(centre, radius + 1.0, radius + 1.0);
    QRadialGradient head(centre - QPointF(radius * 0.4, radius * 0.5), radius * 1.6);
    head.setColorAt(0.0, colours.light);
    head.setColorAt(0.55, colours.mid);
    head.setColorAt(1.0, colours.dark);
    p.setBrush(head);
    p.drawEllipse(centre, radius, radius);
    p.translate(centre);
    p.rotate(slotDegrees);
    p.setPen(QPen(colours.slot, 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(-radius * 0.8, 0.0), QPointF(radius * 0.8, 0.0));
    p.setPen(QPen(colours.gleam, 0.8, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(-radius * 0.75, 0.9), QPointF(radius * 0.75, 0.9));
    p.restore();
}
