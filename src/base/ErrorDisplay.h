// The program's display of an error that nobody handled where it came up: what a
// tick handler of the timers throws ends here, and the timer goes on. The window
// installs the display once at start; until then, and in programs without a window,
// the text goes to standard error.
#pragma once

#include <exception>
#include <functional>
#include <string>

// Called on the thread where the error came up (a timer's worker too): the display
// hands the text on to the main thread itself.
using TErrorDisplay = std::function<void(const std::string& text)>;

// Replaces the display; an empty one brings back standard error. Any thread.
void SetErrorDisplay(TErrorDisplay display);

// Hands the error's text to the display: what() of a standard exception, else
// "Unknown exception". Any thread; no lock is held while the display runs.
void ShowUnhandledError(std::exception_ptr error);
