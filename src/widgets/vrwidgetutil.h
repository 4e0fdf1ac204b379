#pragma once
// Small helpers shared by the owner-drawn widgets.

#include <utility>

// Stores value in field and says whether anything changed, so a setter can skip
// the repaint when the program sets the value it already has.
template <class T, class U>
bool assignIfChanged(T &field, U &&value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}
