#pragma once
// Colours as the program stores them (00BBGGRR, or 80000000 + a system colour
// index) and the named colours of the widget family, plus the palette recolouring
// every segment and LED picture goes through.

#include <QColor>
#include <QImage>
#include <QPalette>
#include <cstdint>

using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

// System colours: 0x80000000 plus the system colour index.
inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowText = clSystemColor | 8;

// The colour a TColor stands for on this desktop; system colours come from the
// desktop's palette (see setSystemColourPalette).
QColor toQColor(TColor c);

// The palette system colours are taken from, kept before the application takes
// a palette of its own; until it is given, the application palette.
void setSystemColourPalette(const QPalette &palette);

// Shorthand for the fixed named colours.
inline QColor qc(TColor c) { return toQColor(c); }

// The two-colour palette of segment displays, sliders, spinners and LED cells.
// High is the colour of lit segments and dots. Low is kept as the skin gives
// it, but unlit parts are drawn in unlitColor(), a dim copy of High.
struct TVrPalette {
    QColor Low = toQColor(clGreen);
    QColor High = toQColor(clLime);
    bool operator==(const TVrPalette &) const = default;
};

// Relative luminance of a colour as the web's contrast rules define it:
// 0 for black, 1 for white, from the linear light of its three channels.
qreal relativeLuminance(const QColor &color);
// How much a brighter colour stands out against a darker one: 1 (equal) to 21
// (white on black); 7 reads well even for tired eyes.
qreal contrastRatio(const QColor &a, const QColor &b);

// The colour unlit segments and dots are drawn in: the lit colour dimmed to 18 %
// of its brightness, so it keeps its hue. A skin's Low colour is often a shade
// of its High colour ("clTeal" beside "clAqua"), and drawn as it is, "001" and
// "100" both read as "888". Where 18 % leaves a lit segment standing out less
// than 7:1, the dim copy goes down to 12 % while that reaches 7:1; a lit colour
// too dark for 7:1 at all keeps 18 %. A palette without a lit colour falls back
// to its Low colour, and one without either to a dark grey.
QColor unlitColor(const TVrPalette &palette);

// Reference colours the artwork is drawn in; recolouring maps them to a palette.
inline constexpr QRgb kReferenceGrey = 0xFF808080;
inline constexpr QRgb kReferenceSilver = 0xFFC0C0C0;
inline constexpr QRgb kReferenceBlack = 0xFF000000;

// Every pixel of reference grey becomes low, every pixel of reference silver high;
// when background is valid, every black pixel becomes background.
QImage recolorReference(const QImage &picture, const QColor &low, const QColor &high,
                        const QColor &background = QColor());
