#pragma once
// Skin files (".skn"): the whole changeable look of the program in 42 lines, one
// value a line, no header and no blank lines: the background picture, eight
// colours, the LED matrix text and the left and top of the sixteen movable
// controls of the main window. The program keeps the skin in use in
// "currentskin.skn" in the data directory; the skin designer loads and saves
// further files under the names the user picks.
//
// TSkin holds the values in file order. The skin itself lives in the skin
// designer's fields and the main window's control positions: callers fill a TSkin
// from them before saving and put it back after loading (also after a failed
// load, whose lines before the bad one are already in the TSkin).

#include "widgets/vrcolors.h"

#include <QString>
#include <array>

// The main window's movable controls, in file order. Their objectName is the name
// given here.
inline constexpr int kSkinControlCount = 16;
inline constexpr std::array<const char *, kSkinControlCount> kSkinControlNames = {
    "VrMatrixConn",         "VrBlotterMixer",       "VrBlotterBand",        "VrBlotterStation",
    "VrBlotterPlayback",    "VrBlotterButtonSet",   "VrDemoButtonStop",     "VrDemoButtonRec",
    "VrDemoButtonStart",    "VrDemoButtonStation1", "VrDemoButtonStation2", "VrDemoButtonStation3",
    "VrDemoButtonStation4", "VrDemoButtonStation5", "VrDemoButtonStation6", "VrDemoButtonStation7",
};

// A control's place in the main window's client area, in pixels. No range is
// implied: a skin may put a control outside the window.
struct TSkinPlace {
    int Left = 0;
    int Top = 0;
    bool operator==(const TSkinPlace &) const = default;
};

struct TSkin {
    // Line 1: full path of the background picture (a Windows bitmap). Text that
    // names no existing file, such as the word "default", means no picture.
    QString Picture;
    TColor WindowActive = 0;  // line 2: lit texts and segments of the main window
    TColor WindowPassive = 0; // line 3: labels and unlit segments of the main window
    QString LEDMatrix;        // line 4: what the LED matrix scrolls while online
    TColor Active = 0;        // line 5: texts of the pop-up windows
    TColor Passive = 0;       // line 6: labels of the pop-up windows
    TColor PopUp = 0;         // line 7: background of the pop-up windows
    TColor ButtonText = 0;    // line 8
    TColor MouseOver = 0;     // line 9: button text under the mouse
    TColor Transparent = 0;   // line 10: cut out of the main window's picture
    // Lines 11 to 42: left then top of each control of kSkinControlNames.
    std::array<TSkinPlace, kSkinControlCount> Places{};

    bool operator==(const TSkin &) const = default;
};

// The skin as the program starts with no skin file loaded: no picture
// ("default"), the built-in colours and LED text, and the main window's composed
// layout.
TSkin DefaultSkin();

// Reads the skin file at path into skin, line by line, each value stored as soon
// as its line is read. No file at path: nothing changes. A missing line reads as
// empty text; lines after the 42nd are ignored. A colour or position line that is
// no colour or integer throws EConvertError ("'<text>' is not a valid integer
// value") and ends the load there: the lines before it stay in skin, the rest keep
// their old values. A file that cannot be read throws EInOutError.
void LoadSkinFile(const QString &path, TSkin &skin);

// Writes skin to path (an empty path means "CurrentSkin.skn" in the current
// directory), replacing the file: colours by name or "$" and hexadecimal digits,
// positions in decimal, every line ended by CR LF. An empty picture is first set
// to "default" in skin, so the caller's picture field shows what was written.
// Throws EInOutError when the file cannot be written; the old file then stays.
void SaveSkinFile(const QString &path, TSkin &skin);
