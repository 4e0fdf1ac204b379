#pragma once
// The start-up splash and the farewell window: a bevelled panel holding one
// picture, borderless and centred.

#include "widgets/vrborderlessform.h"

class EnvironmentChecks;
class QLabel;
class TVrBlotter;

// The product slogan, shown as the splash window's caption.
inline const QString kSlogan = QStringLiteral("Sonaveo - internet radio, always on air");

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget *parent = nullptr);

    TVrBlotter *VrBlotter1 = nullptr;
    QLabel *Image1 = nullptr;

    // A new window can only be painted once the display has exposed it, a round
    // trip later; the splash paints its picture when that expose is handled.
    // show() asks for the window; the caller does other work meanwhile and
    // handles events now and then, and finally calls waitPainted(), which waits
    // (at most patienceMs) only when the expose has not been handled yet. The
    // start-up work that follows would otherwise leave the splash blank until it
    // is hidden again.
    void waitPainted(int patienceMs = 150);
    bool painted() const { return m_painted; }

    // Runs the two start-up checks; false when one failed: its message was shown
    // and the caller ends the program (both messages show when both fail).
    bool FormActivate(EnvironmentChecks &checks);
    bool startupChecksFlag() const { return m_startupChecks; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool m_startupChecks = false;
    bool m_painted = false;
};

class TFormSure : public TBorderlessForm {
    Q_OBJECT
public:
    explicit TFormSure(QWidget *parent = nullptr);

    TVrBlotter *VrBlotter1 = nullptr;
    QLabel *Image1 = nullptr;

    void SplashFormClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
};
