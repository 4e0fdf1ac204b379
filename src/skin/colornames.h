#pragma once
// Colours as text, the way skin files hold them: one of the widget family's 52
// colour names, or "$" and the value in eight upper-case hexadecimal digits.
// Reading takes a name in any letter case, or any integer the integer rule below
// accepts.

#include "widgets/vrcolors.h"

#include <QString>
#include <cstdint>

// The name of the colour when it has one ("clAqua"), otherwise "$" and eight
// upper-case hexadecimal digits ("$00FF8040").
QString ColorToString(TColor color);

// A colour name in any letter case, or an integer as StrToInt reads it; anything
// else throws EConvertError ("'<text>' is not a valid integer value").
TColor StringToColor(const QString &text);

// The colour named text (any letter case); false when no colour has that name.
bool IdentToColor(const QString &text, TColor &color);

// A 32-bit integer: optional leading blanks, an optional sign, then decimal digits
// or hexadecimal digits after "$", "x", "X", "0x" or "0X", and nothing after them.
// Hexadecimal takes the full 32 bits ("$FFFFFFFF" is -1), decimal the signed range.
// Anything else throws EConvertError with the text as given.
std::int32_t StrToInt(const QString &text);
