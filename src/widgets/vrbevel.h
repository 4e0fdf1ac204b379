#pragma once
// Bevel frames of the widget family: an outer and an inner bevel, each raised,
// lowered or absent, with a filled space inside each.

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
    QColor OuterColor = toQColor(clBtnFace);
    QColor OuterShadow = toQColor(clBtnShadow);
    QColor OuterHighlight = toQColor(clBtnHighlight);
    QColor OuterOutline; // invalid: no outline line around the outer bevel

    TVrBevelStyle InnerStyle = bsLowered;
    int InnerWidth = 2;
    int InnerSpace = 0;
    QColor InnerColor = toQColor(clBlack);
    QColor InnerShadow = toQColor(clBtnShadow);
    QColor InnerHighlight = toQColor(clBtnHighlight);

    // Pixels the whole frame takes on each side.
    int BorderWidth() const;
    bool operator==(const TVrBevel &) const = default;
};

// Paints the frame into rect and returns the rectangle left inside it.
QRect paintBevel(QPainter &p, const QRect &rect, const TVrBevel &bevel);

// A font as the widget family gives it: face, pixel height (the toolkit's negative
// heights), weight and colour.
struct TVrFont {
    QFont Font;
    QColor Color = toQColor(clBlack);
    bool operator==(const TVrFont &) const = default;
};

// A font of the given family whose character height is pixelHeight pixels
// (a negative "Height" in the form files, written here as a positive number).
QFont vrFont(const QString &family, int pixelHeight, bool bold = false);
