#include "widgets/vrcolors.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {
std::optional<QPalette> &systemColourPalette()
{
    static std::optional<QPalette> palette;
    return palette;
}
} // namespace

void setSystemColourPalette(const QPalette &palette) { systemColourPalette() = palette; }

QColor toQColor(TColor c)
{
    if (c & clSystemColor) {
        const QPalette pal = systemColourPalette().value_or(QGuiApplication::palette());
        switch (c & 0xFF) {
        case 5: return pal.color(QPalette::Base);
        case 8: return pal.color(QPalette::Text);
        case 15: return pal.color(QPalette::Button);
        case 16: return pal.color(QPalette::Dark);
        case 20: return pal.color(QPalette::Light);
        default: return pal.color(QPalette::Window);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

qreal relativeLuminance(const QColor &color)
{
    const auto linear = [](qreal c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const QColor c = color.toRgb();
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

qreal contrastRatio(const QColor &a, const QColor &b)
{
    const qreal la = relativeLuminance(a);
    const qreal lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor unlitColor(const TVrPalette &palette)
{
    if (!palette.High.isValid())
        return palette.Low.isValid() ? palette.Low : QColor(0x2E, 0x2E, 0x2E);
    const QColor lit = palette.High.toRgb();
    // Channels are cut, never rounded up, so the copy stays at or below its share.
    const auto dimmed = [&lit](int percent) {
        return QColor(lit.red() * percent / 100, lit.green() * percent / 100, lit.blue() * percent / 100,
                      lit.alpha());
    };
    constexpr int kUsual = 18;
    constexpr int kDimmest = 12;
    constexpr qreal kReadable = 7.0;
    if (contrastRatio(lit, dimmed(kDimmest)) < kReadable)
        return dimmed(kUsual);
    int percent = kUsual;
    while (percent > kDimmest && contrastRatio(lit, dimmed(percent)) < kReadable)
        --percent;
    return dimmed(percent);
}

QImage recolorReference(const QImage &picture, const QColor &low, const QColor &high,
                        const QColor &background)
{
    QImage out = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb lowRgb = low.rgba();
    const QRgb highRgb = high.rgba();
    const bool mapBlack = background.isValid();
    const QRgb backRgb = background.rgba();
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            if (p == kReferenceGrey)
                line[x] = lowRgb;
            else if (p == kReferenceSilver)
                line[x] = highRgb;
            else if (mapBlack && p == kReferenceBlack)
                line[x] = backRgb;
        }
    }
    return out;
}
