#pragma once
// The style the toolkit's controls are drawn in: Qt's Fusion, which draws with
// the application's palette (the skin's colours, see skinpalette.h), with the
// few things Fusion would otherwise take from elsewhere drawn by the program:
//
// - icons of message boxes and file dialogs, drawn in the palette's colours
//   instead of the desktop's or Qt's stock pictures (light grey and blue);
// - menus in the window colour within a border, which Fusion draws in a darker
//   window colour that vanishes on a dark pop-up colour;
// - drop-down lists that open below their box, as many rows high as the box
//   allows, instead of Fusion's menu-like list of every item over the screen.

#include <QIconEngine>
#include <QPalette>
#include <QProxyStyle>

// The pictures the program draws itself.
enum class TGlyph {
    Information,
    Question,
    Warning,
    Critical,
    Folder,
    NewFolder,
    File,
    Drive,
    Computer,
    Home,
    Trash,
    Back,
    Forward,
    Up,
    ListView,
    DetailView,
};

// An icon drawn at whatever size and screen density it is shown in, in the
// palette's colours: shapes in the highlight colour, the marks on them in the
// highlighted text colour, lines and outlines in the text colour.
class TGlyphIconEngine : public QIconEngine {
public:
    TGlyphIconEngine(TGlyph glyph, const QPalette &palette) : m_glyph(glyph), m_palette(palette) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine *clone() const override { return new TGlyphIconEngine(*this); }
    QString key() const override { return QStringLiteral("TGlyphIconEngine"); }

private:
    TGlyph m_glyph;
    QPalette m_palette;
};

class TSkinStyle : public QProxyStyle {
    Q_OBJECT
public:
    TSkinStyle();

    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
