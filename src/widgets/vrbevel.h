#pragma once
// Bevel frames of the widget family: an outer and an inner bevel, each raised,
// lowered or absent, with a filled space inside each. A colour left invalid is
// taken from the surface the frame belongs to (a panel's or a display's own
// colour): a darker shadow and a slightly lighter highlight, so the frame looks
// cut into the same dark metal as the rest of the window whatever colours a
// skin gives the panels.

#include "widgets/vrcolors.h"

#include <QColor>
#include <QFont>
#include <QRect>

class QPainter;

enum TVrBevelStyle { bsNone, bsLowered, bsRaised };

struct TVrBevel {
    TVrBevelStyle OuterStyle = bsNone;
    int OuterWidth = 1;
    int OuterSpace = 0;
    QColor OuterColor;
    QColor OuterShadow;
    QColor OuterHighlight;
    QColor OuterOutline; // invalid: no outline line around the outer bevel

    TVrBevelStyle InnerStyle = bsLowered;
    int InnerWidth = 2;
    int InnerSpace = 0;
    QColor InnerColor = toQColor(clBlack);
    QColor InnerShadow;
    QColor InnerHighlight;

    // Pixels the whole frame takes on each side.
    int BorderWidth() const;
    bool operator==(const TVrBevel &) const = default;
};

// The shades a bevel takes from the surface it belongs to when it names none:
// the shadow at half the surface's brightness, the highlight a fifth of the way
// from the surface to white. On black that is black and a dark grey (33 33 33),
// a low-contrast edge like light on machined metal.
QColor bevelShadow(const QColor &surface);
QColor bevelHighlight(const QColor &surface);

// Paints the frame into rect and returns the rectangle left inside it. surface
// is the colour the frame's own shades come from; invalid counts as black.
QRect paintBevel(QPainter &p, const QRect &rect, const TVrBevel &bevel, const QColor &surface = QColor());

// A font as the widget family gives it: face, pixel height (the toolkit's negative
// heights), weight and colour.
struct TVrFont {
    QFont Font;
    QColor Color = toQColor(clBlack);
    bool operator==(const TVrFont &) const = default;
};

// A font of the given family whose character height is pixelHeight pixels
// (a negative "Height" in the form files, written here as a positive number).
// "Arial" and "MS Sans Serif", the faces the windows were laid out with, ask
// for Liberation Sans, which has Arial's widths; a desktop without it gets its
// stand-in face narrowed to those widths, so captions keep their places.
QFont vrFont(const QString &family, int pixelHeight, bool bold = false);
