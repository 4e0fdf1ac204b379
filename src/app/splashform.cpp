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
// Marks its window painted once an expose has been handled (handling it paints
// the window), and then ends the wait it is given, if any.
class ExposeWatch : public QObject {
public:
    ExposeWatch(QWindow *window, bool &painted) : QObject(window), m_window(window), m_painted(painted)
    {
        window->installEventFilter(this);
    }
    void endWithExpose(QEventLoop *wait) { m_wait = wait; }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed()) {
            // The filter sees the event before it is handled: the window counts
            // as painted from the next event on.
            QMetaObject::invokeMethod(this, [this] {
                m_painted = true;
                if (m_wait)
                    m_wait->quit();
                deleteLater();
            }, Qt::QueuedConnection);
            m_window->removeEventFilter(this);
        }
        return false;
    }

private:
    QWindow *m_window;
    bool &m_painted;
    QEventLoop *m_wait = nullptr;
};
} // namespace

void TSplashForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QWindow *window = windowHandle();
    if (m_painted || !window || window->findChild<ExposeWatch *>(QString(), Qt::FindDirectChildrenOnly))
        return;
    if (window->isExposed())
        m_painted = true; // shown again: the display keeps it exposed
    else
        new ExposeWatch(window, m_painted);
}

void TSplashForm::waitPainted(int patienceMs)
{
    QWindow *window = windowHandle();
    if (m_painted || !window || !isVisible())
        return;
    auto *watch = window->findChild<ExposeWatch *>(QString(), Qt::FindDirectChildrenOnly);
    if (!watch)
        return;
    QEventLoop wait;
    watch->endWithExpose(&wait);
    QTimer::singleShot(patienceMs, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    if (!m_painted)
        watch->endWithExpose(nullptr);
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
