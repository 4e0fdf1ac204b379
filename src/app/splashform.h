#pragma once
// The start-up splash and the farewell window: a bevelled panel holding one
// picture, borderless and centred.

#include "vrborderlessform.h"

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

    // Runs the two start-up checks; false when one failed (its message was shown
    // and the application asked to end).
    bool FormActivate(EnvironmentChecks &checks);
    bool startupChecksFlag() const { return m_startupChecks; }

private:
    bool m_startupChecks = false;
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
