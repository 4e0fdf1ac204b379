#include "widgets/vrcolors.h"

#include <QGuiApplication>
#include <QPalette>

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
