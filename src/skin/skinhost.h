#pragma once
// The main window and the other windows as the skin designer works on them: it
// is handed one of these when the program is composed, and never looks a window
// up.

#include "skin/skincolours.h"
#include "widgets/vrcolors.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

class QWidget;

class TSkinHost {
public:
    virtual ~TSkinHost() = default;

    // The main window, hidden and moved while its picture changes.
    virtual QWidget *mainWindow() = 0;
    // The place of movable control n (1 to kSkinControlCount), as a skin file
    // holds it, and a new one (shown within reach of the window).
    virtual QPoint movablePlace(int n) const = 0;
    virtual void setMovablePlace(int n, QPoint place) = 0;
    // The smallest picture that keeps the Skin Designer and Exit buttons in reach.
    virtual QSize smallestPicture() const = 0;
    // The main window takes the picture's size and outline, its controls within
    // reach of the new size.
    virtual void takePicture(const QImage &picture) = 0;
    // The colour whose pixels are cut out of the picture.
    virtual void setTransparentColour(TColor colour) = 0;
    // The text the LED matrix scrolls.
    virtual void setLedText(const QString &text) = 0;
    // Every control outside the designer that a skin colours.
    virtual TSkinColourTable colourTable() = 0;
};
