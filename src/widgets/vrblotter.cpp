#include "vrblotter.h"

#include "vrwidgetutil.h"

#include <QPainter>

TVrBevel TVrBlotter::defaultBevel()
{
    TVrBevel b;
    b.OuterStyle = bsRaised;
    b.OuterWidth = 1;
    b.OuterSpace = 0;
    b.InnerStyle = bsLowered;
    b.InnerWidth = 1;
    b.InnerSpace = 0;
    return b;
}

TVrBlotter::TVrBlotter(QWidget *parent)
    : QWidget(parent), m_bevel(defaultBevel()), m_color(toQColor(clBtnFace))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
}

void TVrBlotter::setBevel(const TVrBevel &bevel)
{
    if (assignIfChanged(m_bevel, bevel))
        update();
}

void TVrBlotter::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color))
        update();
}

void TVrBlotter::setBackImage(const QImage &image)
{
    m_backImage = image;
    update();
}

QRect TVrBlotter::clientArea() const
{
    const int b = m_bevel.BorderWidth();
    return rect().adjusted(b, b, -b, -b);
}

QImage TVrBlotter::render() const
{
    QImage img(size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(m_color);
    QPainter p(&img);
    const QRect inside = paintBevel(p, img.rect(), m_bevel);
    if (!m_backImage.isNull()) {
        // The picture is tiled from the top left corner inside the bevels.
        p.setBrushOrigin(inside.topLeft());
        p.fillRect(inside, QBrush(m_backImage));
    }
    return img;
}

void TVrBlotter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}
