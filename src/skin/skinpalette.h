#pragma once
// The toolkit's own windows and controls in the skin's colours: message boxes,
// the file and colour dialogs, menus, lists, scroll bars and drop-down lists
// draw with the application's palette, which is made here from the skin, so that
// no light grey panel or toolkit blue shows beside the dark face.
//
// A skin gives seven colours; the palette needs more. What the skin does not
// give is derived from it: raised surfaces and borders are the pop-up colour a
// step lighter (darker on a light pop-up colour), and every text colour is moved
// towards black or white, keeping its hue, until it reads on what it is drawn
// on. So any skin stays readable: a light pop-up colour gets dark text even
// where the skin's text colours are light.

#include "skin/skinfile.h"
#include "widgets/vrcolors.h" // contrastRatio

#include <QColor>
#include <QPalette>

// colour itself when it has at least minRatio contrast on background; else the
// same hue moved towards black or white, whichever reads better, just far
// enough; black or white when nothing less will do.
QColor readableOn(const QColor &colour, const QColor &background, double minRatio = 4.5);

// A colour percent of the way towards white when it is dark, towards black when
// it is light: a surface that stands out a little from colour.
QColor shade(const QColor &colour, int percent);

// The palette of the pop-up windows and of every window and control of the
// toolkit: the pop-up colour behind, the active colour for text and selection,
// the passive colour for quieter text, the button colours on push buttons.
QPalette popUpPalette(const TSkin &skin);

// The palette of the main window's menus: the pop-up colour behind, the main
// window's own colours (window active and passive) for their text and selection.
QPalette mainWindowMenuPalette(const TSkin &skin);

// The palette of a list on a background of its own (the band list's black well):
// its text and selection in text, its scroll bar and everything else derived
// from background, so that the list and its scroll bar belong together.
QPalette listPalette(const QColor &background, const QColor &text);

// Makes the skin's palette the application's, and the style that draws the
// toolkit's controls with it (Qt's Fusion with the program's own icons, focus
// frames and drop-down lists) the application's style. Nothing changes while
// the palette is the one in use already.
void applyApplicationPalette(const TSkin &skin);
