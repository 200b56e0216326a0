// The main window's own key events as a source of the keyboard reader: each press
// and release reported by its DirectInput code. Under X11 the native scan code is the
// evdev code plus 8; keys pair by it, never by key(), which Shift changes between
// press and release. The system's auto-repeat (release and press pairs, flagged or
// at one server time) never reaches the reader.
#pragma once

#include "keys/KeyboardState.h"

#include <QObject>
#include <QTimer>

#include <vector>

class QKeyEvent;

class TWindowKeys : public QObject {
public:
    TWindowKeys(TKeyboardState& state, QObject* parent);

    // A key event of the window; keys without a DirectInput code are left out.
    void KeyEvent(const QKeyEvent& key, bool down);
    // Releases waiting for a repeat's press are reported now (the window is left).
    void FlushReleases();

private:
    void Report(int code, bool down);

    TKeyboardState& State;
    // Releases wait a moment for a press of the same key at the same server time: that
    // pair is the system's auto-repeat even where Qt did not flag it.
    struct TPendingRelease {
        int Code;
        quint64 Time;
    };
    std::vector<TPendingRelease> PendingReleases;
    QTimer ReleaseTimer;
    static constexpr int ReleaseWaitMs = 10;
};
