#include "widgets/vrblotter.h"

#include "widgets/vrmetal.h"
#include "widgets/vrwidgetutil.h"

#include <QPaintEvent>
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
    if (assignIfChanged(m_bevel, bevel)) {
        m_cache = QImage();
        update();
    }
}

void TVrBlotter::setColor(const QColor &color)
{
    if (assignIfChanged(m_color, color)) {
        m_cache = QImage();
        update();
    }
}

void TVrBlotter::setMetal(bool on, bool screws)
{
    if (m_metal == on && m_screws == screws)
        return;
    m_metal = on;
    m_screws = screws;
    m_cache = QImage();
    update();
}

void TVrBlotter::setBackImage(const QImage &image)
{
    m_backImage = image;
    m_cache = QImage();
    update();
}

QRect TVrBlotter::clientArea() const
{
    const int b = m_bevel.BorderWidth();
    return rect().adjusted(b, b, -b, -b);
}

QImage TVrBlotter::render() const
{
    QImage img = widgetCanvas(*this, m_color);
    QPainter p(&img);
    if (m_metal) {
        const QColor shade = metalShade(m_color);
        p.drawImage(QPoint(0, 0), brushedMetal(size(), shade, img.devicePixelRatio()));
        if (m_screws && width() > 40 && height() > 40) {
            constexpr qreal kInset = 5.0;
            const QPointF corners[] = {{kInset, kInset},
                                       {width() - kInset, kInset},
                                       {kInset, height() - kInset},
                                       {width() - kInset, height() - kInset}};
            const ScrewColours screw = screwColours(shade);
            qreal slot = 30;
            for (const QPointF &c : corners)
                drawScrew(p, c, 2.5, slot += 47, screw);
        }
    }
    const QRect inside = paintBevel(p, rect(), m_bevel, m_color);
    if (!m_backImage.isNull()) {
        // The picture is tiled from the top left corner inside the bevels.
        p.setBrushOrigin(inside.topLeft());
        p.fillRect(inside, QBrush(m_backImage));
    }
    return img;
}

void TVrBlotter::paintEvent(QPaintEvent *event)
{
    // Children that change often (clocks, animations) repaint the panel under
    // them; the panel is drawn once and then only copied where needed.
    if (m_cache.deviceIndependentSize() != QSizeF(size()) ||
        m_cache.devicePixelRatio() != devicePixelRatioF())
        m_cache = render();
    QPainter p(this);
    const QRect dirty = event->rect();
    const qreal ratio = m_cache.devicePixelRatio();
    p.drawImage(QRectF(dirty), m_cache,
                QRectF(dirty.x() * ratio, dirty.y() * ratio, dirty.width() * ratio, dirty.height() * ratio));
}
