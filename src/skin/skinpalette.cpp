#include "skin/skinpalette.h"

#include "skin/skinstyle.h"
#include "widgets/vrcolors.h"

#include <QApplication>

#include <algorithm>
#include <cmath>

namespace {

QColor mix(const QColor &from, const QColor &to, double t)
{
    const QColor a = from.toRgb(), b = to.toRgb();
    const auto channel = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}

// Below this a colour counts as dark: its surfaces stand out lighter.
constexpr double kDark = 0.2;

// The colours a palette is made from.
struct Inks {
    QColor back;       // behind everything
    QColor text;       // text and the selection
    QColor quiet;      // quieter text: placeholders, disabled items
    QColor buttonText; // captions of push buttons
    QColor mouseOver;  // links
};

QPalette paletteOf(const Inks &k)
{
    const QColor window = k.back.toRgb();
    const QColor raised = shade(window, 14); // push buttons, headers, scroll bar handles
    const QColor text = readableOn(k.text, window);
    const QColor quiet = readableOn(k.quiet, window, 3.0);
    // The selection stands out from the window; its text reads on it, in the
    // window's own colour when that does.
    const QColor highlight = readableOn(k.text, window, 1.8);
    const QColor highlightedText = readableOn(window, highlight);
    const QColor link = readableOn(k.mouseOver, window);
    const QColor dimmed = readableOn(mix(quiet, window, 0.35), window, 2.0);

    QPalette p;
    const auto set = [&p](QPalette::ColorRole role, const QColor &colour) {
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, role, colour);
    };
    set(QPalette::Window, window);
    set(QPalette::Base, window);
    set(QPalette::AlternateBase, shade(window, 7));
    set(QPalette::ToolTipBase, window);
    set(QPalette::Button, raised);
    set(QPalette::Light, shade(window, 40));
    set(QPalette::Midlight, shade(window, 24));
    set(QPalette::Mid, shade(window, 30)); // borders of menus and frames
    set(QPalette::Dark, mix(window, Qt::black, 0.3));
    set(QPalette::Shadow, mix(window, Qt::black, 0.6));
    set(QPalette::WindowText, text);
    set(QPalette::Text, text);
    set(QPalette::ToolTipText, text);
    set(QPalette::ButtonText, readableOn(k.buttonText, raised));
    set(QPalette::BrightText, link);
    set(QPalette::PlaceholderText, quiet);
    set(QPalette::Highlight, highlight);
    set(QPalette::HighlightedText, highlightedText);
    set(QPalette::Link, link);
    set(QPalette::LinkVisited, quiet);
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, role, dimmed);
    p.setColor(QPalette::Disabled, QPalette::Highlight, shade(window, 30));
    return p;
}

} // namespace

QColor readableOn(const QColor &colour, const QColor &background, double minRatio)
{
    if (contrastRatio(colour, background) >= minRatio)
        return colour.toRgb();
    const QColor black(Qt::black), white(Qt::white);
    const QColor end = contrastRatio(black, background) >= contrastRatio(white, background) ? black : white;
    constexpr int kSteps = 20;
    for (int step = 1; step < kSteps; ++step) {
        const QColor c = mix(colour, end, double(step) / kSteps);
        if (contrastRatio(c, background) >= minRatio)
            return c;
    }
    return end;
}

QColor shade(const QColor &colour, int percent)
{
    const QColor towards = relativeLuminance(colour) < kDark ? QColor(Qt::white) : QColor(Qt::black);
    return mix(colour, towards, percent / 100.0);
}

QPalette popUpPalette(const TSkin &skin)
{
    return paletteOf(Inks{toQColor(skin.PopUp), toQColor(skin.Active), toQColor(skin.Passive),
                          toQColor(skin.ButtonText), toQColor(skin.MouseOver)});
}

QPalette mainWindowMenuPalette(const TSkin &skin)
{
    return paletteOf(Inks{toQColor(skin.PopUp), toQColor(skin.WindowActive), toQColor(skin.WindowPassive),
                          toQColor(skin.ButtonText), toQColor(skin.MouseOver)});
}

QPalette listPalette(const QColor &background, const QColor &text)
{
    return paletteOf(Inks{background, text, text, text, text});
}

void applyApplicationPalette(const TSkin &skin)
{
    if (!qobject_cast<TSkinStyle *>(QApplication::style())) {
        // The desktop's colours stay what a skin's system colours stand for,
        // whatever palette the skin puts on the application.
        setSystemColourPalette(QGuiApplication::palette());
        QApplication::setStyle(new TSkinStyle);
    }
    const QPalette palette = popUpPalette(skin);
    // Every window and control resolves a new palette: only on a real change.
    if (QApplication::palette() != palette)
        QApplication::setPalette(palette);
}
