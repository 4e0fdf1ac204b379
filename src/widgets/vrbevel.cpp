#include "widgets/vrbevel.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <mutex>
#include <optional>

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

namespace {
// The faces the windows were laid out with: Arial, and the free faces made to
// Arial's widths. The program asks for Liberation Sans (its package depends on
// fonts-liberation) and takes any of the others a desktop has.
const QStringList &layoutFaces()
{
    static const QStringList faces{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                   QStringLiteral("Arial")};
    return faces;
}

// Words the captions are made of, and their width in Liberation Sans at 100
// pixels, regular and bold.
const QString &sampleLine()
{
    static const QString line = QStringLiteral(
        "Station History Record Position: Bitrate 0123456789 Choose Band Skin Designer Options About Exit "
        "Temporary Audio File");
    return line;
}
constexpr qreal kSampleWidth[2] = {5411.62, 5807.89};

// The stretch that gives a face standing in for the layout faces their widths:
// 100 for one of them or a face no wider, less for a wider one (DejaVu Sans,
// the usual stand-in, is about an eighth wider). Without it captions run into
// each other ("Bitrate:" into the bit rate beside it) or lose their ends.
//
// The face the layout faces resolve to is the same at every size, so it is
// asked for once, regular and bold: asking loads the face at the size asked,
// and the windows use a dozen sizes, most of them in windows not yet shown.
int layoutStretch(const QFont &font)
{
    static std::mutex mutex;
    static std::optional<int> known[2];
    const bool bold = font.bold();
    std::lock_guard lock(mutex);
    if (known[bold])
        return *known[bold];
    QFont probe = font;
    probe.setPixelSize(100);
    probe.setStretch(100);
    if (layoutFaces().contains(QFontInfo(probe).family(), Qt::CaseInsensitive))
        return *(known[bold] = 100);

    const qreal wanted = kSampleWidth[bold ? 1 : 0];
    int stretch = 100;
    // A narrower stretch may pick a condensed face of the family rather than
    // squeeze the normal one, so the width is measured again at each step.
    for (int step = 0; step < 8; ++step) {
        probe.setStretch(stretch);
        const qreal width = QFontMetricsF(probe).horizontalAdvance(sampleLine());
        if (width <= wanted || stretch <= 50)
            break;
        stretch = std::max(50, std::min(stretch - 1, int(stretch * wanted / width)));
    }
    known[bold] = stretch;
    return stretch;
}
} // namespace

QFont vrFont(const QString &family, int pixelHeight, bool bold)
{
    // The layout names the classic desktop faces; Liberation Sans has Arial's
    // metrics, so captions keep their designed widths. Fonts made elsewhere
    // with those names find it too.
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    Q_UNUSED(substituted);
    QFont f;
    const bool layoutFace = family == QLatin1String("Arial") || family == QLatin1String("MS Sans Serif");
    if (layoutFace)
        f.setFamilies(layoutFaces());
    else
        f.setFamily(family);
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    if (layoutFace)
        f.setStretch(layoutStretch(f));
    return f;
}
