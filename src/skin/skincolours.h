#pragma once
// Where each of the skin's colours goes: a table of every control a skin colours,
// each with the colour it takes and how it takes it (its text, its lit segments,
// its face ...). The window that composes the program fills the table with its
// controls; applySkinColours walks it in order.

#include "skin/skinfile.h"
#include "widgets/vrcolors.h"

#include <QColor>

#include <functional>
#include <vector>

class QWidget;
class TVrDemoButton;

// The colours of a skin, as the designer names them.
enum class TSkinColour {
    Active,        // titles and input fields of the pop-up windows
    Passive,       // their labels
    WindowActive,  // lit segments and value texts of the main window
    WindowPassive, // its captions and unlit segments
    ButtonText,    // push buttons' captions
    MouseOver,     // push buttons' captions under the mouse
    PopUp,         // the panel that fills each pop-up window
};

struct TSkinTarget {
    TSkinColour colour;
    std::function<void(const QColor &)> apply;
};

class TSkinColourTable {
public:
    // The text colour of a label, edit field, list or combo box.
    void text(TSkinColour colour, QWidget *widget);
    // A push button's caption colour with the mouse over it, which is also the
    // colour of the frame that shows the button has the keyboard focus; and its
    // caption colour without the mouse over it.
    void enter(TSkinColour colour, TVrDemoButton *button);
    void leave(TSkinColour colour, TVrDemoButton *button);
    // Only the frame that shows a push button has the keyboard focus.
    void focus(TSkinColour colour, TVrDemoButton *button);
    // The lit and unlit colour of a display widget's palette (TVrNum, TVrClock,
    // TVrMatrix, TVrSlider, TVrSpinner ...).
    template <typename W>
    void high(TSkinColour colour, W *widget)
    {
        segments(colour, widget, &TVrPalette::High);
    }
    template <typename W>
    void low(TSkinColour colour, W *widget)
    {
        segments(colour, widget, &TVrPalette::Low);
    }
    // A display of the main window: lit in the window active colour, unlit in
    // the window passive one.
    template <typename W>
    void display(W *widget)
    {
        high(TSkinColour::WindowActive, widget);
        low(TSkinColour::WindowPassive, widget);
    }
    // Anything else a colour does.
    void add(TSkinColour colour, std::function<void(const QColor &)> apply);
    // What takes several of the skin's colours at once (a palette made from
    // them); applied after every single colour.
    void whole(std::function<void(const TSkin &)> apply);

    const std::vector<TSkinTarget> &targets() const { return m_targets; }
    const std::vector<std::function<void(const TSkin &)>> &wholeTargets() const { return m_whole; }

private:
    template <typename W>
    void segments(TSkinColour colour, W *widget, QColor TVrPalette::*part)
    {
        if (widget)
            add(colour, [widget, part](const QColor &c) {
                auto p = widget->Palette();
                p.*part = c;
                widget->setPalette(p);
            });
    }

    std::vector<TSkinTarget> m_targets;
    std::vector<std::function<void(const TSkin &)>> m_whole;
};

// The skin's value of a colour.
TColor skinColour(const TSkin &skin, TSkinColour colour);

// Gives every control of the table its colour from the skin, in the table's order,
// then what takes the whole skin; a control only changes where its colour really
// changes.
void applySkinColours(const TSkin &skin, const TSkinColourTable &table);

// The text colour of a widget (all of its text roles, every state), changed only
// when it differs.
void setFontColor(QWidget *widget, const QColor &colour);
