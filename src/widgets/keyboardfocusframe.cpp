#include "widgets/keyboardfocusframe.h"

#include <QFocusEvent>
#include <QFocusFrame>
#include <QWidget>

TKeyboardFocusFrame::TKeyboardFocusFrame(QObject *parent) : QObject(parent) {}

void TKeyboardFocusFrame::watch(QWidget *control)
{
    if (control)
        control->installEventFilter(this);
}

void TKeyboardFocusFrame::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    colourFrame();
}

void TKeyboardFocusFrame::colourFrame()
{
    if (!m_frame)
        return;
    // The style fills the frame's ring with its text colour.
    QPalette pal = m_frame->palette();
    pal.setColor(QPalette::WindowText, m_color);
    m_frame->setPalette(pal);
}

QWidget *TKeyboardFocusFrame::framed() const
{
    return m_frame && m_frame->isVisible() ? m_frame->widget() : nullptr;
}

bool TKeyboardFocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    auto *control = qobject_cast<QWidget *>(watched);
    if (control && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
            if (!m_frame) {
                m_frame = new QFocusFrame(control->parentWidget());
                colourFrame();
            }
            m_frame->setWidget(control);
        }
    } else if (control && event->type() == QEvent::FocusOut && m_frame && m_frame->widget() == control) {
        m_frame->setWidget(nullptr);
    }
    return QObject::eventFilter(watched, event);
}
