#include "widgets/vrmetal.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
// Deterministic noise in [-1, 1], so a face looks the same at every paint.
double noise(std::uint32_t n)
{
    n = (n << 13U) ^ n;
    const std::uint32_t m = (n * (n * n * 15731U + 789221U) + 1376312589U) & 0x7fffffffU;
    return 1.0 - double(m) / 1073741824.0;
}

int clampChannel(double v) { return std::clamp(int(std::lround(v)), 0, 255); }
} // namespace

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

QImage brushedMetal(QSize size, const QColor &shade, qreal ratio)
{
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    QImage image(pixels, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    if (image.isNull())
        return image;
    const double r = shade.red(), g = shade.green(), b = shade.blue();
    // The grain is a few levels either way, a little more on light metal.
    const double grain = 3.0 + 0.04 * std::max({r, g, b});
    const int height = pixels.height();
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int row = int(y / ratio);
        // Light falls from the top: some 12 % brighter there, 12 % darker below.
        const double light = 1.12 - 0.24 * double(y) / std::max(1, height - 1);
        const double rowGrain = noise(std::uint32_t(row) * 7919U) * 0.55;
        for (int x = 0; x < pixels.width(); ++x) {
            const int column = int(x / ratio);
            // Long streaks along the row, broken every few dozen pixels.
            const double streak = noise(std::uint32_t(column / 23 + row * 131)) * 0.3;
            const double fine = noise(std::uint32_t(column + row * 104729)) * 0.15;
            const double d = grain * (rowGrain + streak + fine);
            line[x] = qRgb(clampChannel(r * light + d), clampChannel(g * light + d), clampChannel(b * light + d));
        }
    }
    return image;
}

void drawScrew(QPainter &p, QPointF centre, qreal radius, qreal slotDegrees, const QColor &shade)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // The countersink: a dark ring cut into the face.
    p.setPen(Qt::NoPen);
    p.setBrush(shade.darker(260));
    p.drawEllipse(centre, radius + 0.8, radius + 0.8);
    QRadialGradient head(centre - QPointF(radius * 0.35, radius * 0.35), radius * 1.4);
    // Lit from the top left on dark metal; on light metal the head is the
    // face's own colour at its brightest, so it never shows as a grey spot.
    head.setColorAt(0.0, shade.value() > 140 ? shade : shade.lighter(260));
    head.setColorAt(1.0, shade.darker(140));
    p.setBrush(head);
    p.drawEllipse(centre, radius, radius);
    // The slot across the head.
    const qreal angle = slotDegrees * M_PI / 180.0;
    const QPointF along(std::cos(angle) * radius * 0.8, std::sin(angle) * radius * 0.8);
    p.setPen(QPen(shade.darker(300), std::max<qreal>(1.0, radius * 0.32), Qt::SolidLine, Qt::FlatCap));
    p.drawLine(centre - along, centre + along);
    p.restore();
}
