#pragma once
// A label or picture that reports a click (left press and release over it), for
// web links and the brand picture.

#include <QLabel>

class TClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit TClickLabel(QWidget *parent = nullptr);

Q_SIGNALS:
    void OnClick();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};
