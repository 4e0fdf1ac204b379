#pragma once
// Machined metal for the faces of the program's windows: the brushed grain and
// the corner screws of the main window's picture, drawn in code at any size and
// in any colour, so the smaller windows wear the same art in the skin's colours.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>

class QPainter;

// The face colour a panel of the given colour shows as metal: the colour
// itself, lifted to a dark grey of its own hue where it is near black, so the
// grain still shows on a black panel.
QColor metalShade(const QColor &panel);

// Brushed metal of the given size and shade: fine horizontal grain over light
// falling from the top. The same size and shade give the same picture. The
// picture is made at the given pixel density (its size is size * ratio).
QImage brushedMetal(QSize size, const QColor &shade, qreal ratio = 1.0);

// A countersunk slotted screw head centred on centre, lit from the top left.
void drawScrew(QPainter &p, QPointF centre, qreal radius, qreal slotDegrees, const QColor &shade);
