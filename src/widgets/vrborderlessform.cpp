#include "widgets/vrborderlessform.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

TBorderlessForm::TBorderlessForm(const QSize &clientSize, QWidget *parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setFixedSize(clientSize);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
}

void TBorderlessForm::centreOnScreen()
{
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TBorderlessForm::showEvent(QShowEvent *event)
{
    if (!m_positioned) {
        centreOnScreen();
        m_positioned = true;
    }
    QDialog::showEvent(event);
}

void TBorderlessForm::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && startWindowDrag(this)) {
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

bool startWindowDrag(QWidget *window)
{
    QWindow *handle = window ? window->window()->windowHandle() : nullptr;
    return handle && handle->startSystemMove();
}
