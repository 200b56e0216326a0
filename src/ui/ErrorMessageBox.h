// The window's display of the errors nobody handled (base/ErrorDisplay.h): a message
// box with the error's text, shown on the main thread from its event loop, whichever
// thread the error came up on. While one box is open, further errors are dropped,
// so a timer that fails at every tick does not pile up boxes.
#pragma once

#include <QString>

class QWidget;

// Installs the display for the window's life (it goes back to standard error when
// the window is destroyed). Main thread.
void InstallErrorMessageBox(QWidget* window, const QString& caption);
