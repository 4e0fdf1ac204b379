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
// Draws a bevel of width w along the inside of r: top and left in the first colour,
// bottom and right in the second.
void frame3D(QPainter &p, QRect &r, int w, const QColor &topLeft, const QColor &bottomRight)
{
    for (int i = 0; i < w && r.width() > 0 && r.height() > 0; ++i) {
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
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

QRect paintBevel(QPainter &p, const QRect &rect, const TVrBevel &b)
{
    QRect r = rect;
    if (b.OuterOutline.isValid())
        fillSpace(p, r, 1, b.OuterOutline);
    if (b.OuterStyle == bsRaised)
        frame3D(p, r, b.OuterWidth, b.OuterHighlight, b.OuterShadow);
    else if (b.OuterStyle == bsLowered)
        frame3D(p, r, b.OuterWidth, b.OuterShadow, b.OuterHighlight);
    fillSpace(p, r, b.OuterSpace, b.OuterColor);
    if (b.InnerStyle == bsRaised)
        frame3D(p, r, b.InnerWidth, b.InnerHighlight, b.InnerShadow);
    else if (b.InnerStyle == bsLowered)
        frame3D(p, r, b.InnerWidth, b.InnerShadow, b.InnerHighlight);
    fillSpace(p, r, b.InnerSpace, b.InnerColor);
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
