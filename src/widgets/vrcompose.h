#pragma once
// Small helpers the windows use to lay out their controls: each control gets its
// component name as objectName and its place in its parent's client pixels.

#include "widgets/vrbevel.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <limits>
#include <type_traits>

class TVrDemoButton;

template <typename T>
T *place(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(left, top, width, height);
    // A field holds any text whole: a stream URL with a long token is not cut at
    // the toolkit's default of 32767 characters.
    if constexpr (std::is_base_of_v<QLineEdit, T>)
        w->setMaxLength(std::numeric_limits<int>::max());
    return w;
}

// Sets a caption's text. A caption placed without a fixed width grows and shrinks
// with its text, so a longer value (a bit rate of "128000" after "0") is shown
// whole; one with a fixed width keeps it and shortens the text with "…".
void setCaptionText(QLabel *label, const QString &text);

// A caption sized to its text (in the parent's font unless one is given), or
// given a fixed width; then a longer text ends in "…" and the caption's tooltip
// tells it whole.
QLabel *placeLabel(QWidget *parent, const char *name, const QString &caption, int left, int top,
                   const QColor &color, int width = 0, const QFont *font = nullptr);

// A push button in the program's usual look: black face, a thin outline, a dark
// bevel, the caption in leave colour and enter colour under the mouse; the
// outline turns the enter colour while the button has the keyboard focus.
void styleButton(TVrDemoButton *b, const QString &caption, const QFont &font, const QColor &leave,
                 const QColor &enter, const QColor &outline);

// A single-line field without border: black background, aqua Arial text.
void styleLedEdit(QLineEdit *edit);
