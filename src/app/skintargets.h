#pragma once
// The program's windows as the skin designer sees them: the main window's
// picture, outline and control places, and every control a skin colours.

#include "skin/skinhost.h"

struct TApplicationWindows;

class TSkinTargets : public TSkinHost {
public:
    explicit TSkinTargets(TApplicationWindows &windows) : m_windows(windows) {}

    QWidget *mainWindow() override;
    QPoint movablePlace(int n) const override;
    void setMovablePlace(int n, QPoint place) override;
    QSize smallestPicture() const override;
    void takePicture(const QImage &picture) override;
    void setTransparentColour(TColor colour) override;
    void setLedText(const QString &text) override;
    TSkinColourTable colourTable() override { return colourTable(nullptr); }
    // The controls of one window only (of every window when only is null).
    TSkinColourTable colourTable(const QWidget *only);

private:
    TApplicationWindows &m_windows;
};
