#pragma once
// Small helpers shared by the owner-drawn widgets.

#include <QImage>
#include <QWidget>

#include <utility>

// Stores value in field and says whether anything changed, so a setter can skip
// the repaint when the program sets the value it already has.
template <class T, class U>
bool assignIfChanged(T &field, U &&value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}

// A picture to paint a widget into at its screen's pixel density, cleared to
// fill. It is painted in the widget's own coordinates and drawn back pixel for
// pixel, so text and lines stay sharp on a screen with a scale of 2 instead of
// being enlarged from a picture of the widget's size.
inline QImage widgetCanvas(const QWidget &widget, const QColor &fill)
{
    const qreal ratio = widget.devicePixelRatioF();
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(fill);
    return image;
}
