#include "app/splashform.h"

#include "app/artwork.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "widgets/vrblotter.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace {
// Panel and picture shared by the splash and the farewell window.
void composePicture(QWidget *window, const QImage &image, TVrBlotter *&panel, QLabel *&label)
{
    panel = new TVrBlotter(window);
    panel->setObjectName(QStringLiteral("VrBlotter1"));
    panel->setGeometry(0, 0, 492, 236);
    panel->setColor(Qt::black);
    label = new QLabel(panel);
    label->setObjectName(QStringLiteral("Image1"));
    label->setGeometry(2, 2, 488, 232);
    label->setPixmap(QPixmap::fromImage(image));
}
} // namespace

TSplashForm::TSplashForm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setWindowTitle(kSlogan);
    setFixedSize(492, 236);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    composePicture(this, artwork::splash(), VrBlotter1, Image1);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(246, 118));
}

namespace {
// Ends a wait once its window has been exposed.
class ExposeWatch : public QObject {
public:
    ExposeWatch(QWindow *window, QEventLoop *wait) : m_window(window), m_wait(wait) { window->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The loop ends after this event is handled, that is after the expose
        // has painted the window.
        if (watched == m_window && event->type() == QEvent::Expose)
            m_wait->quit();
        return false;
    }

private:
    QWindow *m_window;
    QEventLoop *m_wait;
};
} // namespace

void TSplashForm::showPainted(int patienceMs)
{
    show();
    QWindow *window = windowHandle();
    if (!window)
        return;
    if (window->isExposed()) {
        repaint();
        return;
    }
    // Handling the expose paints the window.
    QEventLoop wait;
    ExposeWatch watch(window, &wait);
    QTimer::singleShot(patienceMs, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

bool TSplashForm::FormActivate(EnvironmentChecks &checks)
{
    // A failed check is told and the caller ends the program with a failure.
    // Asking the application to quit here would not do: QCoreApplication::exit()
    // also ends every event loop started after it, so the second message box
    // would close before anyone saw it.
    m_startupChecks = true;
    if (!checks.mediaPlayerAvailable()) {
        dialogs().showMessage(QStringLiteral("Please install the Windows Media Player "), MessageKind::Error);
        m_startupChecks = false;
    }
    if (!checks.soundOutputAvailable()) {
        dialogs().showMessage(QStringLiteral("No Sound Card found!"), MessageKind::Error);
        m_startupChecks = false;
    }
    return m_startupChecks;
}

TFormSure::TFormSure(QWidget *parent) : TBorderlessForm(QSize(492, 236), parent)
{
    setObjectName(QStringLiteral("FormSure"));
    setWindowTitle(QStringLiteral("Sonaveo Message"));
    // The picture is only needed at exit; it is decoded when first shown.
    composePicture(this, QImage(), VrBlotter1, Image1);
    Image1->installEventFilter(this);
}

void TFormSure::showEvent(QShowEvent *event)
{
    if (Image1->pixmap().isNull())
        Image1->setPixmap(QPixmap::fromImage(artwork::farewell()));
    TBorderlessForm::showEvent(event);
}

void TFormSure::SplashFormClick() { close(); }

bool TFormSure::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            SplashFormClick();
            return true;
        }
    }
    return TBorderlessForm::eventFilter(watched, event);
}
