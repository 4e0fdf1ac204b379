#pragma once
// Machined metal: the brushed grain and the countersunk screws of the main
// window's faceplate, the splash and the farewell picture (which the artwork
// generator draws with these functions), and of the smaller windows, which wear
// the same metal in the skin's colours at any size.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>

#include <array>

class QPainter;

// How a sheet of brushed metal looks. Its brightness runs from top at the first
// row to bottom at the last, the brushing strays up to about twice grain either
// way, and a pixel of brightness v has the channels v * gain + lift (red, green,
// blue): grey steel has gains of one and a touch of blue in its lift.
struct MetalFinish {
    double top = 0;
    double bottom = 0;
    double grain = 0;
    std::array<double, 3> gain{1.0, 1.0, 1.0};
    std::array<int, 3> lift{0, 0, 0};
};

// The bluish steel of the main window's faceplate and of the splash's stage.
MetalFinish steelFinish(double top, double bottom, double grain);

// Metal of the given shade: on average that colour, lighter at the top and
// darker at the bottom, with grain that shows on dark and on light shades.
MetalFinish shadeFinish(const QColor &shade);

// The face colour a panel of the given colour shows as metal: the colour
// itself, lifted to a dark grey of its own hue where it is near black, so the
// grain still shows on a black panel.
QColor metalShade(const QColor &panel);

// Fills image with brushed metal. The grain follows the image's device pixel
// ratio, so a picture for a dense screen shows the same metal, finer drawn. The
// same size and finish give the same picture.
void paintBrushedMetal(QImage &image, const MetalFinish &finish);

// Brushed metal of the given size and shade, made at the given pixel density
// (its size in pixels is size * ratio).
QImage brushedMetal(QSize size, const QColor &shade, qreal ratio = 1.0);

// The colours of a screw head: the dark countersink around it, the head lit
// from the top left (light, mid, dark), the slot and the gleam on its edge.
struct ScrewColours {
    QColor hollow;
    QColor light;
    QColor mid;
    QColor dark;
    QColor slot;
    QColor gleam;
};

// The steel screws of the main window's faceplate.
ScrewColours steelScrew();

// Screws for metal of the given shade: a head lit above the face and a slot
// cut below it, in the face's hue.
ScrewColours screwColours(const QColor &shade);

// A countersunk slotted screw head centred on centre, lit from the top left.
void drawScrew(QPainter &p, QPointF centre, qreal radius, qreal slotDegrees,
               const ScrewColours &colours = steelScrew());
