#include "widgets/vrbevel.h"

#include <QPainter>

int TVrBevel::BorderWidth() const
{
    int b = 0;
    if (OuterOutline.isValid())
        b += 1;
    if (OuterStyle != bsNone)
        b += OuterWidth;
    b += OuterSpace;
    if (InnerStyle != bsNone)
        b += InnerWidth;
    b += InnerSpace;
    return b;
}

namespace {
// One side's colour of a bevel. A shade the frame took from its surface fades
// toward the surface row by row, so a bevel two or more pixels wide looks like a
// rounded edge rather than a drawn line; a colour given by the program is used
// as it is on every row.
struct Shade {
    QColor colour;
    QColor fadeTo; // invalid: no fading

    QColor row(int i, int width) const
    {
        if (!fadeTo.isValid() || i == 0)
            return colour;
        const auto mix = [&](int a, int b) { return a + (b - a) * i / width; };
        return QColor(mix(colour.red(), fadeTo.red()), mix(colour.green(), fadeTo.green()),
                      mix(colour.blue(), fadeTo.blue()));
    }
};

// Draws a bevel of width w along the inside of r: top and left in the first shade,
// bottom and right in the second.
void frame3D(QPainter &p, QRect &r, int w, const Shade &topLeft, const Shade &bottomRight)
{
    for (int i = 0; i < w && r.width() > 0 && r.height() > 0; ++i) {
        const QColor tl = topLeft.row(i, w);
        const QColor br = bottomRight.row(i, w);
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), tl);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), tl);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
        r.adjust(1, 1, -1, -1);
    }
}

void fillSpace(QPainter &p, QRect &r, int w, const QColor &c)
{
    for (int i = 0; i < w && r.width() > 0 && r.height() > 0; ++i) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
        r.adjust(1, 1, -1, -1);
    }
}
} // namespace

QColor bevelShadow(const QColor &surface)
{
    const QColor s = surface.isValid() ? surface.toRgb() : QColor(Qt::black);
    return QColor(s.red() / 2, s.green() / 2, s.blue() / 2);
}

QColor bevelHighlight(const QColor &surface)
{
    const QColor s = surface.isValid() ? surface.toRgb() : QColor(Qt::black);
    const auto lighter = [](int c) { return c + (255 - c) / 5; };
    return QColor(lighter(s.red()), lighter(s.green()), lighter(s.blue()));
}

QRect paintBevel(QPainter &p, const QRect &rect, const TVrBevel &b, const QColor &surface)
{
    const QColor ground = surface.isValid() ? surface.toRgb() : QColor(Qt::black);
    const auto orElse = [](const QColor &given, const QColor &derived) { return given.isValid() ? given : derived; };
    const auto shade = [&ground](const QColor &given, const QColor &derived) {
        return given.isValid() ? Shade{given, QColor()} : Shade{derived, ground};
    };
    const Shade outerShadow = shade(b.OuterShadow, bevelShadow(ground));
    const Shade outerHighlight = shade(b.OuterHighlight, bevelHighlight(ground));
    const Shade innerShadow = shade(b.InnerShadow, bevelShadow(ground));
    const Shade innerHighlight = shade(b.InnerHighlight, bevelHighlight(ground));

    QRect r = rect;
    if (b.OuterOutline.isValid())
        fillSpace(p, r, 1, b.OuterOutline);
    if (b.OuterStyle == bsRaised)
        frame3D(p, r, b.OuterWidth, outerHighlight, outerShadow);
    else if (b.OuterStyle == bsLowered)
        frame3D(p, r, b.OuterWidth, outerShadow, outerHighlight);
    fillSpace(p, r, b.OuterSpace, orElse(b.OuterColor, ground));
    if (b.InnerStyle == bsRaised)
        frame3D(p, r, b.InnerWidth, innerHighlight, innerShadow);
    else if (b.InnerStyle == bsLowered)
        frame3D(p, r, b.InnerWidth, innerShadow, innerHighlight);
    fillSpace(p, r, b.InnerSpace, orElse(b.InnerColor, ground));
    return r;
}

QFont vrFont(const QString &family, int pixelHeight, bool bold)
{
    // The layout names the classic desktop faces; Liberation Sans has Arial's
    // metrics, so captions keep their designed widths.
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    Q_UNUSED(substituted);
    QFont f(family);
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}
