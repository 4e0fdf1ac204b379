#pragma once
// A borderless auxiliary window of the program: black, fixed client size, centred
// on the screen when shown, and dragged by pressing the left mouse button anywhere
// on its surface.

#include <QDialog>

class TBorderlessForm : public QDialog {
    Q_OBJECT
public:
    TBorderlessForm(const QSize &clientSize, QWidget *parent = nullptr);

    // Places the window in the middle of the screen it is on (or the primary one).
    void centreOnScreen();

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool m_positioned = false;
};

// Starts a window-manager move of the window under a left press; the shared
// dragging of every borderless window (children that do not take the press pass it
// up to their window).
bool startWindowDrag(QWidget *window);
