#include "vrformshape.h"

#include "firstpaint.h"
#include "vrborderlessform.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

TVrFormShape::TVrFormShape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TVrFormShape::setMask(const QImage &picture)
{
    m_mask = picture;
    update();
}

void TVrFormShape::setMaskColor(const QColor &color)
{
    if (m_maskColor == color)
        return;
    m_maskColor = color;
    update();
}

void TVrFormShape::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect dirty = event->rect();
    p.fillRect(dirty, Qt::black);
    if (!m_mask.isNull())
        p.drawImage(dirty.topLeft(), m_mask, dirty);
    if (!m_painted) {
        m_painted = true;
        reportFirstPaint();
    }
}

void TVrFormShape::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        startWindowDrag(this);
        event->accept();
    } else if (event->button() == Qt::RightButton && m_popup) {
        m_popup->popup(event->globalPosition().toPoint());
        event->accept();
    } else {
        QWidget::mousePressEvent(event);
    }
}

void TVrFormShape::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = mapTo(window(), event->position().toPoint());
    Q_EMIT OnMouseMove(event->buttons(), p.x(), p.y());
    QWidget::mouseMoveEvent(event);
}
