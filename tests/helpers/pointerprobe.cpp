// A window that stands for whatever lies behind the program on a desktop: it
// asks to be maximized, fills itself with one colour and tells on its standard
// output, a line each, what the pointer does over it:
//
//   size W H         its size, each time it changes
//   enter X Y        the pointer came in (window coordinates)
//   motion X Y       the pointer moved
//   leave            the pointer went to another window
//   press B X Y      a button went down (1 left, 2 middle, 3 right)
//   release B X Y    and up again
//
// Usage: pointer_probe [#RRGGBB]   (the colour, green by default)

#include <QColor>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>

#include <cstdio>

namespace {

int buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::MiddleButton:
        return 2;
    case Qt::RightButton:
        return 3;
    default:
        return 0;
    }
}

void say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QByteArray at(QPointF p) { return QByteArray::number(qRound(p.x())) + ' ' + QByteArray::number(qRound(p.y())); }

class ProbeWindow : public QRasterWindow {
public:
    explicit ProbeWindow(const QColor &colour) : m_colour(colour)
    {
        setFlag(Qt::FramelessWindowHint);
        setTitle(QStringLiteral("pointer probe"));
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(QRect(QPoint(), size()), m_colour); }
    void resizeEvent(QResizeEvent *event) override
    {
        say("size " + QByteArray::number(width()) + ' ' + QByteArray::number(height()));
        QRasterWindow::resizeEvent(event);
    }
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::Enter)
            say("enter " + at(static_cast<QEnterEvent *>(event)->position()));
        else if (event->type() == QEvent::Leave)
            say("leave");
        return QRasterWindow::event(event);
    }
    void mouseMoveEvent(QMouseEvent *event) override { say("motion " + at(event->position())); }
    void mousePressEvent(QMouseEvent *event) override
    {
        say("press " + QByteArray::number(buttonNumber(event->button())) + ' ' + at(event->position()));
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        say("release " + QByteArray::number(buttonNumber(event->button())) + ' ' + at(event->position()));
    }

private:
    QColor m_colour;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QColor colour(args.size() > 1 ? args.at(1) : QStringLiteral("#10e020"));
    ProbeWindow window(colour.isValid() ? colour : QColor(0x10, 0xe0, 0x20));
    window.showMaximized();
    return QGuiApplication::exec();
}
