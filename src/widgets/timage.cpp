#include "widgets/timage.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::setPicture(const QImage &picture)
{
    // Drawing is fastest from the backing store's own format.
    m_picture = picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                          : picture.convertToFormat(QImage::Format_RGB32);
    updateOpacity();
    update();
}

void TImage::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    setAttribute(Qt::WA_TransparentForMouseEvents, !shown);
    updateOpacity();
    update();
}

void TImage::updateOpacity()
{
    const bool covers = m_picture.width() >= width() && m_picture.height() >= height();
    setAttribute(Qt::WA_OpaquePaintEvent, m_shown && covers && !m_picture.hasAlphaChannel());
}

void TImage::resizeEvent(QResizeEvent *) { updateOpacity(); }

void TImage::paintEvent(QPaintEvent *event)
{
    if (!m_shown)
        return;
    QPainter painter(this);
    const QRect r = event->rect() & m_picture.rect();
    if (!r.isEmpty())
        painter.drawImage(r.topLeft(), m_picture, r);
}
