// The anchor of the start-up benchmark: a plain Qt window of the main window's
// size, reporting its first paint the same way the program does.

#include "widgets/firstpaint.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

namespace {
class Window : public QWidget {
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), Qt::black);
        reportFirstPaint();
    }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Window w;
    w.setWindowFlags(Qt::FramelessWindowHint);
    w.setFixedSize(601, 352);
    w.show();
    return QApplication::exec();
}
