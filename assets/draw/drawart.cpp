// sonaveo_drawart: draws Sonaveo's built-in pictures and writes them as PNG files.
//
//   sonaveo_drawart <output-folder>
//
// Every picture is painted from scratch with QPainter; nothing is read from disk
// except the system fonts (DejaVu Sans, Liberation Sans as a fallback). The output
// is deterministic, so running it again reproduces the committed files in assets/art/.

#include "widgets/vrmetal.h"

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

// ---------------------------------------------------------------------------
// Colours

const QColor kTeal(0, 128, 128);
const QColor kAqua(0, 255, 255);
const QColor kTealDim(0, 58, 58);
const QColor kLogoGrey(47, 47, 47);

// The main window is shaped by this colour: every pixel of it in the background
// picture becomes a hole in the window.
constexpr QRgb kCutoutColour = 0xFF800080u;

// ---------------------------------------------------------------------------
// Shared helpers

QFont makeFont(const QString &family, qreal pixelSize, QFont::Weight weight, qreal spacing = 0.0)
{
    QFont f(family);
    f.setFamilies({family, QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    if (spacing != 0.0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

QPainterPath textPath(const QFont &font, QPointF baseline, const QString &text)
{
    QPainterPath path;
    path.addText(baseline, font, text);
    return path;
}

// Text cut into the surface: shadowed upper edge, lit lower edge.
void drawEngravedText(QPainter &p, const QFont &font, QPointF baseline, const QString &text,
                      const QColor &fill)
{
    const QPainterPath path = textPath(font, baseline, text);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 58));
    p.drawPath(path.translated(0.0, 1.0));
    p.setBrush(QColor(0, 0, 0, 190));
    p.drawPath(path.translated(0.0, -1.0));
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

// A line pressed into the faceplate (horizontal or vertical).
void drawGroove(QPainter &p, QPointF from, QPointF to)
{
    const bool horizontal = std::abs(to.y() - from.y()) < std::abs(to.x() - from.x());
    const QPointF step = horizontal ? QPointF(0.0, 1.0) : QPointF(1.0, 0.0);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0, 0, 0, 150), 1.0));
    p.drawLine(from, to);
    p.setPen(QPen(QColor(255, 255, 255, 26), 1.0));
    p.drawLine(from + step, to + step);
    p.restore();
}

// A sunken, darker area of the faceplate with a soft inner shadow.
void drawRecess(QPainter &p, const QRectF &r, qreal radius, const QColor &fill)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath shape;
    shape.addRoundedRect(r, radius, radius);

    // lit lip along the lower and right edge
    p.setPen(QPen(QColor(255, 255, 255, 30), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(-0.5, -0.5, 1.0, 1.0), radius + 0.5, radius + 0.5);

    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0.0, fill.darker(130));
    body.setColorAt(0.25, fill);
    body.setColorAt(1.0, fill.lighter(112));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(shape);

    // inner shadow from the top and left edge
    p.setClipPath(shape);
    QLinearGradient topShade(r.topLeft(), r.topLeft() + QPointF(0.0, 6.0));
    topShade.setColorAt(0.0, QColor(0, 0, 0, 170));
    topShade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(r, topShade);
    QLinearGradient leftShade(r.topLeft(), r.topLeft() + QPointF(4.0, 0.0));
    leftShade.setColorAt(0.0, QColor(0, 0, 0, 120));
    leftShade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(r, leftShade);
    p.setClipping(false);

    p.setPen(QPen(QColor(0, 0, 0, 200), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.restore();
}

// A round indicator lamp; `lit` in [0, 1].
void drawLed(QPainter &p, QPointF c, qreal radius, const QColor &colour, double lit)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    if (lit > 0.0) {
        QRadialGradient glow(c, radius * 3.2);
        QColor g = colour;
        g.setAlphaF(0.35 * lit);
        glow.setColorAt(0.0, g);
        g.setAlphaF(0.0);
        glow.setColorAt(1.0, g);
        p.setBrush(glow);
        p.drawEllipse(c, radius * 3.2, radius * 3.2);
    }
    p.setBrush(QColor(0, 0, 0, 200));
    p.drawEllipse(c, radius + 1.0, radius + 1.0);
    const QColor off(colour.red() / 5, colour.green() / 5, colour.blue() / 5);
    const QColor body(static_cast<int>(off.red() + (colour.red() - off.red()) * lit),
                      static_cast<int>(off.green() + (colour.green() - off.green()) * lit),
                      static_cast<int>(off.blue() + (colour.blue() - off.blue()) * lit));
    QRadialGradient lens(c - QPointF(radius * 0.35, radius * 0.4), radius * 1.4);
    lens.setColorAt(0.0, body.lighter(lit > 0.0 ? 160 : 200));
    lens.setColorAt(0.6, body);
    lens.setColorAt(1.0, body.darker(170));
    p.setBrush(lens);
    p.drawEllipse(c, radius, radius);
    p.setBrush(QColor(255, 255, 255, lit > 0.0 ? 170 : 70));
    p.drawEllipse(c - QPointF(radius * 0.35, radius * 0.4), radius * 0.28, radius * 0.22);
    p.restore();
}

// The broadcast emblem: a radiating dot with `rings` arcs on both sides.
void drawBroadcastEmblem(QPainter &p, QPointF c, qreal dot, qreal spacing, int rings,
                         qreal width, const QColor &colour, double fade, qreal halo = 2.6)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 1; i <= rings; ++i) {
        const qreal r = dot + spacing * i;
        QColor ring = colour;
        ring.setAlphaF(std::max(0.0, 1.0 - fade * (i - 1)));
        const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        QColor haze = ring;
        haze.setAlphaF(ring.alphaF() * 0.22);
        for (const int start : {-40, 140}) {
            p.setPen(QPen(haze, width * halo, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(box, start * 16, 80 * 16);
            p.setPen(QPen(ring, width, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(box, start * 16, 80 * 16);
        }
    }
    QRadialGradient glow(c, dot * 3.0);
    QColor g = colour;
    g.setAlphaF(0.45);
    glow.setColorAt(0.0, g);
    g.setAlphaF(0.0);
    glow.setColorAt(1.0, g);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, dot * 3.0, dot * 3.0);
    QRadialGradient core(c - QPointF(dot * 0.3, dot * 0.3), dot * 1.3);
    core.setColorAt(0.0, QColor(230, 255, 255));
    core.setColorAt(0.5, colour);
    core.setColorAt(1.0, colour.darker(160));
    p.setBrush(core);
    p.drawEllipse(c, dot, dot);
    p.restore();
}

// Largest pixel size (not above maxPx) at which `text` fits into `maxWidth`.
QFont fittedFont(const QString &family, QFont::Weight weight, qreal maxPx, qreal maxWidth,
                 const QString &text, qreal spacing = 0.0)
{
    for (qreal px = maxPx; px > 6.0; px -= 1.0) {
        const QFont f = makeFont(family, px, weight, spacing);
        if (QFontMetricsF(f).horizontalAdvance(text) <= maxWidth)
            return f;
    }
    return makeFont(family, 6.0, weight, spacing);
}

// Makes the image opaque and moves any pixel of the window's cut-out colour one
// step off it, so the window shape never gets holes from the artwork.
QImage opaqueWithoutCutout(const QImage &src)
{
    QImage img = src.convertToFormat(QImage::Format_RGB32);
    int nudged = 0;
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] | 0xFF000000u) == kCutoutColour) {
                line[x] = qRgb(128, 0, 127);
                ++nudged;
            }
        }
    }
    if (nudged > 0)
        std::fprintf(stderr, "drawart: moved %d pixel(s) off the cut-out colour\n", nudged);
    return img;
}

// The dark stage shared by the splash and the farewell picture.
void paintStage(QImage &img)
{
    paintBrushedMetal(img, steelFinish(24.0, 8.0, 5.0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r(0, 0, img.width(), img.height());

    // soft teal light from the emblem side
    QRadialGradient wash(QPointF(r.width() * 0.18, r.height() * 0.42), r.width() * 0.55);
    wash.setColorAt(0.0, QColor(0, 128, 128, 46));
    wash.setColorAt(1.0, QColor(0, 128, 128, 0));
    p.fillRect(r, wash);

    // outer bevel
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0, 0, 0));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QColor(96, 100, 104));
    p.drawLine(1, 1, img.width() - 2, 1);
    p.drawLine(1, 1, 1, img.height() - 2);
    p.setPen(QColor(10, 10, 11));
    p.drawLine(2, img.height() - 2, img.width() - 2, img.height() - 2);
    p.drawLine(img.width() - 2, 2, img.width() - 2, img.height() - 2);
    p.setRenderHint(QPainter::Antialiasing, true);

    // thin teal inlay
    p.setPen(QPen(QColor(0, 128, 128, 110), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(7.5, 7.5, -7.5, -7.5), 5, 5);

    for (const QPointF c : {QPointF(14, 14), QPointF(r.width() - 14, 14),
                            QPointF(14, r.height() - 14), QPointF(r.width() - 14, r.height() - 14)})
        drawScrew(p, c, 3.2, 35.0 + c.x() * 0.7);
}

// A horizontal LED bar meter; `lit` segments light up, the last quarter in red.
void drawBarMeter(QPainter &p, QRectF area, int segments, int lit)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    drawRecess(p, area.adjusted(-4, -4, 4, 4), 3, QColor(8, 9, 10));
    const qreal gap = 2.0;
    const qreal w = (area.width() - gap * (segments - 1)) / segments;
    for (int i = 0; i < segments; ++i) {
        const QRectF seg(area.left() + i * (w + gap), area.top(), w, area.height());
        const bool hot = i >= segments * 3 / 4;
        const QColor on = hot ? QColor(255, 60, 50) : kAqua;
        const QColor off = hot ? QColor(60, 14, 12) : QColor(0, 46, 46);
        if (i < lit) {
            QColor halo = on;
            halo.setAlpha(60);
            p.setPen(Qt::NoPen);
            p.setBrush(halo);
            p.drawRoundedRect(seg.adjusted(-1.5, -1.5, 1.5, 1.5), 2, 2);
            QLinearGradient g(seg.topLeft(), seg.bottomLeft());
            g.setColorAt(0.0, on.lighter(130));
            g.setColorAt(1.0, on.darker(125));
            p.setBrush(g);
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(off);
        }
        p.drawRoundedRect(seg, 1, 1);
    }
    p.restore();
}

// A small radio tower under the emblem for the splash and farewell pictures.
void drawTower(QPainter &p, QPointF top, qreal height, const QColor &colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal half = height * 0.30;
    const QPointF left(top.x() - half, top.y() + height);
    const QPointF right(top.x() + half, top.y() + height);
    p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(top, left);
    p.drawLine(top, right);
    QPen thin(colour, 1.0);
    p.setPen(thin);
    for (int i = 1; i <= 4; ++i) {
        const qreal t = i / 5.0;
        const QPointF a = top + (left - top) * t;
        const QPointF b = top + (right - top) * t;
        const QPointF a2 = top + (left - top) * (t + 0.2);
        const QPointF b2 = top + (right - top) * (t + 0.2);
        p.drawLine(a, b);
        p.drawLine(a, b2);
        p.drawLine(b, a2);
    }
    p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(left - QPointF(8, 0), right + QPointF(8, 0));
    p.restore();
}

// Glowing text, used for the product name on the splash and farewell pictures.
void drawGlowText(QPainter &p, const QFont &font, QPointF baseline, const QString &text,
                  const QColor &top, const QColor &bottom, qreal glow)
{
    const QPainterPath path = textPath(font, baseline, text);
    const QRectF box = path.boundingRect();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    for (int i = 4; i >= 1; --i) {
        QColor halo = top;
        halo.setAlphaF(glow / (i + 1.0));
        p.setPen(QPen(halo, i * 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(path.translated(1.5, 2.0));
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0.0, top.lighter(125));
    g.setColorAt(0.55, top);
    g.setColorAt(1.0, bottom);
    p.setBrush(g);
    p.drawPath(path);
    p.restore();
}

// ---------------------------------------------------------------------------
// The pictures

// Main window faceplate, 600 x 350.
QImage drawBackground()
{
    QImage img(600, 350, QImage::Format_RGB32);
    paintBrushedMetal(img, steelFinish(33.0, 21.0, 6.0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // faceplate edge
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, 599, 349);
    p.setPen(QColor(88, 92, 96));
    p.drawLine(1, 1, 598, 1);
    p.drawLine(1, 1, 1, 348);
    p.setPen(QColor(9, 9, 10));
    p.drawLine(2, 348, 598, 348);
    p.drawLine(598, 2, 598, 348);
    p.setRenderHint(QPainter::Antialiasing, true);

    // module grooves: preset column on the left, transport deck on the right
    drawGroove(p, QPointF(264, 52), QPointF(264, 343));
    drawGroove(p, QPointF(264, 52), QPointF(462, 52));
    drawGroove(p, QPointF(276, 205), QPointF(472, 205));
    drawGroove(p, QPointF(276, 278), QPointF(472, 278));

    // name plate
    drawBroadcastEmblem(p, QPointF(33, 29), 3.2, 5.5, 2, 1.8, kTeal, 0.35);
    const QFont title = makeFont(QStringLiteral("DejaVu Sans"), 25, QFont::Bold, 5.0);
    drawEngravedText(p, title, QPointF(54, 38), QStringLiteral("SONAVEO"), QColor(17, 18, 20));
    const QFont sub = makeFont(QStringLiteral("DejaVu Sans"), 8, QFont::Bold, 2.2);
    p.setPen(QColor(0, 128, 128, 210));
    p.setFont(sub);
    p.drawText(QPointF(56, 50), QStringLiteral("INTERNET RADIO  \u00B7  RECORDER"));
    drawLed(p, QPointF(238, 28), 2.4, kAqua, 1.0);

    // preset column: a recessed tray behind the seven station buttons
    drawRecess(p, QRectF(12, 58, 240, 286), 4, QColor(14, 15, 17));
    constexpr std::array<int, 7> rowTops = {66, 108, 150, 192, 235, 277, 319};
    const QFont digits = makeFont(QStringLiteral("DejaVu Sans"), 10, QFont::Bold);
    p.setFont(digits);
    for (std::size_t i = 0; i < rowTops.size(); ++i) {
        const qreal mid = rowTops[i] + 9.0;
        p.setPen(QColor(0, 110, 110));
        p.drawText(QRectF(17, mid - 7, 10, 14), Qt::AlignCenter, QString::number(i + 1));
        drawLed(p, QPointF(36, mid), 2.6, kAqua, 0.0);
        // guide rails under each button
        p.setPen(QPen(QColor(0, 128, 128, 70), 1.0));
        p.drawLine(QPointF(48, rowTops[i] + 20.5), QPointF(238, rowTops[i] + 20.5));
        if (i + 1 < rowTops.size()) {
            const qreal sep = std::round((rowTops[i] + 18 + rowTops[i + 1]) / 2.0) + 0.5;
            p.setPen(QPen(QColor(0, 0, 0, 150), 1.0));
            p.drawLine(QPointF(18, sep), QPointF(246, sep));
            p.setPen(QPen(QColor(255, 255, 255, 14), 1.0));
            p.drawLine(QPointF(18, sep + 1), QPointF(246, sep + 1));
        }
    }

    // bezel of the LED display
    drawRecess(p, QRectF(321, 10, 124, 29), 4, QColor(10, 11, 12));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kTealDim);
    p.setBrush(QColor(0, 0, 0));
    p.drawRect(325, 14, 115, 20);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QFont tag = makeFont(QStringLiteral("DejaVu Sans"), 7, QFont::Bold, 1.2);
    p.setFont(tag);
    p.setPen(QColor(0, 128, 128, 200));
    p.drawText(QRectF(280, 14, 38, 20), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("LINK"));

    // recess behind the station status block
    drawRecess(p, QRectF(284, 130, 303, 70), 5, QColor(12, 13, 15));

    // corner screws
    drawScrew(p, QPointF(7.5, 7.5), 3.5, 30);
    drawScrew(p, QPointF(592.5, 7.5), 3.5, 110);
    drawScrew(p, QPointF(7.5, 342.5), 3.5, 75);
    drawScrew(p, QPointF(592.5, 342.5), 3.5, 160);
    p.end();
    return opaqueWithoutCutout(img);
}

// Maker's wordmark for the button block, 102 x 12.
QImage drawLogo()
{
    QImage img(102, 12, QImage::Format_RGB32);
    img.fill(kLogoGrey);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QFont f = makeFont(QStringLiteral("DejaVu Sans"), 11, QFont::Black, 3.0);
    const QString word = QStringLiteral("MARO");
    const QFontMetricsF fm(f);
    const qreal w = fm.horizontalAdvance(word) - 3.0;
    const qreal x = std::round((img.width() - w) / 2.0);
    const QPointF base(x, 10.0);
    const QPainterPath path = textPath(f, base, word);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 20));
    p.drawPath(path.translated(0.8, 0.8));
    QLinearGradient silver(0, 1, 0, 11);
    silver.setColorAt(0.0, QColor(255, 255, 255));
    silver.setColorAt(0.5, QColor(222, 224, 226));
    silver.setColorAt(1.0, QColor(150, 153, 156));
    p.setBrush(silver);
    p.drawPath(path);

    // fine rules either side of the word
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const auto &[from, to] : {std::pair<int, int>{6, static_cast<int>(x) - 7},
                                   std::pair<int, int>{static_cast<int>(x + w) + 7, 95}}) {
        QLinearGradient rule(from, 0, to, 0);
        const bool leftSide = from == 6;
        rule.setColorAt(leftSide ? 0.0 : 1.0, QColor(47, 47, 47));
        rule.setColorAt(leftSide ? 1.0 : 0.0, QColor(170, 172, 175));
        p.fillRect(QRect(from, 5, to - from, 1), rule);
        p.fillRect(QRect(from, 6, to - from, 1), QColor(30, 30, 30));
    }
    p.end();
    return opaqueWithoutCutout(img);
}

// Player indicator of the fader block, 33 x 33, idle or playing.
QImage drawPlayer(bool active)
{
    QImage img(33, 33, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c(16.5, 16.5);

    // round bezel
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 220));
    p.drawEllipse(c, 16.3, 16.3);
    QLinearGradient rim(0, 0, 0, 33);
    rim.setColorAt(0.0, QColor(105, 110, 114));
    rim.setColorAt(0.5, QColor(45, 48, 50));
    rim.setColorAt(1.0, QColor(20, 21, 22));
    p.setBrush(rim);
    p.drawEllipse(c, 15.4, 15.4);
    QRadialGradient face(c - QPointF(2, 3), 15);
    if (active) {
        face.setColorAt(0.0, QColor(0, 70, 72));
        face.setColorAt(1.0, QColor(0, 14, 16));
    } else {
        face.setColorAt(0.0, QColor(34, 37, 40));
        face.setColorAt(1.0, QColor(10, 11, 12));
    }
    p.setBrush(face);
    p.drawEllipse(c, 13.6, 13.6);

    // speaker
    QPainterPath speaker;
    speaker.moveTo(6.5, 13.5);
    speaker.lineTo(10.5, 13.5);
    speaker.lineTo(15.5, 8.5);
    speaker.lineTo(15.5, 24.5);
    speaker.lineTo(10.5, 19.5);
    speaker.lineTo(6.5, 19.5);
    speaker.closeSubpath();
    const QColor body = active ? kAqua : QColor(78, 84, 88);
    const QColor edge = active ? QColor(200, 255, 255) : kTeal;
    if (active) {
        p.setPen(QPen(QColor(0, 255, 255, 70), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(speaker);
    }
    QLinearGradient shade(0, 8, 0, 25);
    shade.setColorAt(0.0, body.lighter(125));
    shade.setColorAt(1.0, body.darker(140));
    p.setPen(QPen(edge, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(shade);
    p.drawPath(speaker);

    // sound waves
    const QPointF w(15.0, 16.5);
    for (int i = 0; i < 3; ++i) {
        const qreal r = 4.0 + i * 3.6;
        const QRectF box(w.x() - r, w.y() - r, 2 * r, 2 * r);
        if (active) {
            p.setPen(QPen(QColor(0, 255, 255, 60), 3.2, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(box, -42 * 16, 84 * 16);
            p.setPen(QPen(QColor(0, 255, 255, 255 - i * 45), 1.6, Qt::SolidLine, Qt::RoundCap));
        } else {
            p.setPen(QPen(QColor(0, 90, 90, 150 - i * 35), 1.4, Qt::SolidLine, Qt::RoundCap));
        }
        p.drawArc(box, -42 * 16, 84 * 16);
    }

    // glass highlight
    QLinearGradient glass(0, 3, 0, 17);
    glass.setColorAt(0.0, QColor(255, 255, 255, 45));
    glass.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(QRectF(6.5, 3.5, 20, 11));
    p.end();
    return img;
}

// Level meter animation of the station block: three 78 x 20 frames side by side.
QImage drawAnimation()
{
    constexpr int frameW = 78;
    constexpr int frameH = 20;
    constexpr int frames = 3;
    constexpr int bars = 13;
    constexpr int barW = 4;
    constexpr int barGap = 2;
    constexpr int segH = 2;
    constexpr int segGap = 1;
    constexpr int segments = 6;

    QImage img(frameW * frames, frameH, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    const int left = (frameW - (bars * barW + (bars - 1) * barGap)) / 2;
    const int bottom = frameH - 2; // lowest segment ends just above this row

    // Each bar follows a sine with its own phase; a full period every three frames,
    // so the last frame flows back into the first.
    constexpr double pi = 3.14159265358979323846;
    for (int f = 0; f < frames; ++f) {
        const int ox = f * frameW;
        for (int b = 0; b < bars; ++b) {
            // louder in the bass on the left, quieter towards the treble
            const double envelope = 1.0 - 0.45 * b / (bars - 1.0);
            const double phase = 2.0 * pi * f / frames + b * 1.9 + std::sin(b * 0.7) * 1.3;
            const double level = 0.22 + 0.78 * envelope * (0.5 + 0.5 * std::sin(phase));
            const int lit = std::clamp(static_cast<int>(std::lround(level * segments)), 1, segments);
            const double peakPhase = phase - 0.9;
            const int peak = std::clamp(
                std::max(lit + 1, static_cast<int>(std::lround(envelope * (0.6 + 0.4 * std::sin(peakPhase)) * segments))),
                1, segments);
            const int x = ox + left + b * (barW + barGap);
            for (int s = 0; s < segments; ++s) {
                const int y = bottom - (s + 1) * segH - s * segGap;
                QColor c;
                if (s < lit)
                    c = s == lit - 1 ? QColor(170, 255, 255) : (s < 2 ? QColor(0, 200, 200) : kAqua);
                else if (s == peak - 1 && peak > lit)
                    c = QColor(0, 140, 140);
                else
                    c = QColor(0, 30, 30);
                p.fillRect(x, y, barW, segH, c);
            }
        }
        // faint base line under the bars
        p.fillRect(ox + left, frameH - 1, bars * barW + (bars - 1) * barGap, 1, QColor(0, 60, 60));
    }
    p.end();
    return opaqueWithoutCutout(img);
}

// The bottom line shared by the splash and the farewell picture: a tagline, the
// maker's mark and the on-air lamp, lit or dark.
void drawPictureFooter(QPainter &p, int width, const QString &tagline, bool onAir)
{
    const QFont small = makeFont(QStringLiteral("DejaVu Sans"), 8, QFont::Bold, 2.0);
    p.setFont(small);
    p.setPen(QColor(0, 128, 128));
    p.drawText(QPointF(170, 186), tagline);

    const QFont maker = makeFont(QStringLiteral("DejaVu Sans"), 11, QFont::Bold, 2.0);
    p.setFont(maker);
    const qreal mw = QFontMetricsF(maker).horizontalAdvance(QStringLiteral("MARO"));
    p.setPen(QColor(0, 0, 0, 160));
    p.drawText(QPointF(width - 34 - mw + 1, 213), QStringLiteral("MARO"));
    p.setPen(QColor(200, 204, 208));
    p.drawText(QPointF(width - 34 - mw, 212), QStringLiteral("MARO"));
    drawLed(p, QPointF(28, 211), 2.2, QColor(255, 60, 50), onAir ? 1.0 : 0.0);
    p.setFont(small);
    p.setPen(onAir ? QColor(190, 90, 80) : QColor(95, 60, 58));
    p.drawText(QPointF(36, 214), onAir ? QStringLiteral("ON AIR") : QStringLiteral("OFF AIR"));
}

// Start-up splash, 488 x 232.
QImage drawSplash()
{
    QImage img(488, 232, QImage::Format_RGB32);
    paintStage(img);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    drawBroadcastEmblem(p, QPointF(88, 84), 7.0, 13.0, 3, 3.2, kAqua, 0.25);
    drawTower(p, QPointF(88, 96), 70, QColor(0, 150, 150));

    const QFont name = fittedFont(QStringLiteral("DejaVu Sans"), QFont::Bold, 62, 300,
                                  QStringLiteral("Sonaveo"), 1.0);
    drawGlowText(p, name, QPointF(166, 104), QStringLiteral("Sonaveo"), kAqua, kTeal, 0.16);

    const QFont slogan = makeFont(QStringLiteral("DejaVu Sans"), 14, QFont::Normal, 0.6);
    p.setFont(slogan);
    p.setPen(QColor(175, 205, 205));
    p.drawText(QPointF(170, 132), QStringLiteral("Internet radio, always on air"));

    drawBarMeter(p, QRectF(170, 152, 270, 9), 24, 17);

    drawPictureFooter(p, img.width(), QStringLiteral("PLAY  \u00B7  RECORD  \u00B7  TUNE IN"), true);
    p.end();
    return opaqueWithoutCutout(img);
}

// Goodbye picture shown when the program closes, 488 x 232.
QImage drawFarewell()
{
    QImage img(488, 232, QImage::Format_RGB32);
    paintStage(img);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // the signal fading out
    drawBroadcastEmblem(p, QPointF(88, 84), 7.0, 13.0, 3, 3.2, kTeal, 0.4);
    drawTower(p, QPointF(88, 96), 70, QColor(0, 100, 100));

    const QString thanks = QStringLiteral("Thank you for listening");
    const QFont big = fittedFont(QStringLiteral("DejaVu Sans"), QFont::Bold, 30, 290, thanks);
    drawGlowText(p, big, QPointF(166, 92), thanks, kAqua, kTeal, 0.12);

    const QFont name = makeFont(QStringLiteral("DejaVu Sans"), 22, QFont::Bold, 4.0);
    drawGlowText(p, name, QPointF(168, 126), QStringLiteral("SONAVEO"), QColor(190, 205, 208),
                 QColor(110, 120, 124), 0.0);

    drawBarMeter(p, QRectF(170, 152, 270, 9), 24, 2);

    drawPictureFooter(p, img.width(), QStringLiteral("UNTIL NEXT TIME  \u00B7  STAY TUNED"), false);
    p.end();
    return opaqueWithoutCutout(img);
}

// Program icon at any size: an aqua broadcast emblem on a dark rounded square.
QImage drawIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 256.0, size / 256.0);

    const QRectF plate(10, 10, 236, 236);
    // drop shadow
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawRoundedRect(plate.translated(0, 4), 50, 50);
    // outer rim
    QLinearGradient rim(plate.topLeft(), plate.bottomLeft());
    rim.setColorAt(0.0, QColor(120, 126, 132));
    rim.setColorAt(0.5, QColor(46, 50, 54));
    rim.setColorAt(1.0, QColor(14, 15, 16));
    p.setBrush(rim);
    p.drawRoundedRect(plate, 50, 50);
    // face
    const QRectF face = plate.adjusted(7, 7, -7, -7);
    QLinearGradient faceGrad(face.topLeft(), face.bottomLeft());
    faceGrad.setColorAt(0.0, QColor(40, 44, 48));
    faceGrad.setColorAt(1.0, QColor(10, 11, 13));
    p.setBrush(faceGrad);
    p.drawRoundedRect(face, 44, 44);
    QRadialGradient wash(QPointF(128, 104), 120);
    wash.setColorAt(0.0, QColor(0, 128, 128, 90));
    wash.setColorAt(1.0, QColor(0, 128, 128, 0));
    p.setBrush(wash);
    p.drawRoundedRect(face, 44, 44);

    // emblem
    drawBroadcastEmblem(p, QPointF(128, 104), 17, 28, 2, 14, kAqua, 0.2, 1.6);

    // level meter along the bottom
    constexpr std::array<int, 7> levels = {2, 3, 4, 5, 4, 3, 2};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const qreal x = 62 + i * 19.0;
        for (int s = 0; s < 5; ++s) {
            const QRectF seg(x, 206 - s * 9.0, 14, 6);
            p.setBrush(s < levels[i] ? (s == levels[i] - 1 ? kAqua : kTeal) : QColor(0, 44, 46));
            p.drawRoundedRect(seg, 1.5, 1.5);
        }
    }

    // glass highlight over the upper half
    QLinearGradient glass(face.topLeft(), face.topLeft() + QPointF(0, 110));
    glass.setColorAt(0.0, QColor(255, 255, 255, 40));
    glass.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(glass);
    QPainterPath upper;
    upper.addRoundedRect(face, 44, 44);
    QPainterPath cut;
    cut.addRect(QRectF(face.left(), face.top(), face.width(), 110));
    p.drawPath(upper.intersected(cut));
    p.end();
    return img;
}

bool save(const QImage &img, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "drawart: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s  %dx%d\n", qPrintable(path), img.width(), img.height());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-folder>\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "drawart: cannot create %s\n", argv[1]);
        return 1;
    }

    bool ok = true;
    ok &= save(drawBackground(), dir, QStringLiteral("background.png"));
    ok &= save(drawLogo(), dir, QStringLiteral("logo.png"));
    ok &= save(drawPlayer(false), dir, QStringLiteral("player_idle.png"));
    ok &= save(drawPlayer(true), dir, QStringLiteral("player_active.png"));
    ok &= save(drawAnimation(), dir, QStringLiteral("animate.png"));
    ok &= save(drawSplash(), dir, QStringLiteral("splash.png"));
    ok &= save(drawFarewell(), dir, QStringLiteral("farewell.png"));
    ok &= save(drawIcon(64), dir, QStringLiteral("icon.png"));
    ok &= save(drawIcon(256), dir, QStringLiteral("icon-256.png"));
    return ok ? 0 : 1;
}
