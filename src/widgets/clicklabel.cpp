#include "widgets/clicklabel.h"

#include <QMouseEvent>

TClickLabel::TClickLabel(QWidget *parent) : QLabel(parent) {}

void TClickLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    event->accept();
}

void TClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    event->accept();
    // A press that is dragged off the label and released elsewhere is no click.
    if (rect().contains(event->position().toPoint()))
        Q_EMIT OnClick();
}
