#pragma once
// The keyboard's place on controls that draw no focus of their own (the fader,
// the station spinner): while one of them has the focus because the user moved
// it there with the keyboard, a frame in one colour goes round it. A click that
// gives such a control the focus shows no frame, so dragging the fader leaves
// nothing behind.

#include <QColor>
#include <QObject>

class QFocusFrame;
class QWidget;

class TKeyboardFocusFrame : public QObject {
    Q_OBJECT
public:
    explicit TKeyboardFocusFrame(QObject *parent = nullptr);

    // Frames control whenever the keyboard brings the focus to it.
    void watch(QWidget *control);

    QColor Color() const { return m_color; }
    void setColor(const QColor &color);
    // The control framed now, or none.
    QWidget *framed() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void colourFrame();

    QFocusFrame *m_frame = nullptr; // made when first shown, on the control's parent
    QColor m_color;
};
