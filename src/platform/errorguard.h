#pragma once
// One guard around every handler: an error ends the handler that raised it, its
// text is shown in the standard error box and the program goes on. No exception
// crosses Qt's event loop.

#include "platform/dialogs.h"
#include "platform/errors.h"

#include <exception>
#include <utility>

// The text of an error caught by a guard.
QString exceptionText(std::exception_ptr error);
// The file (and line) an error caught by a guard names as its place; empty when
// it names none.
QString exceptionPlace(std::exception_ptr error);
// Shows the text of an error caught by a guard, with its place.
void showException(std::exception_ptr error);

template <typename F>
void guarded(F &&handler)
{
    try {
        std::forward<F>(handler)();
    } catch (...) {
        showException(std::current_exception());
    }
}
