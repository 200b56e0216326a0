// A keyboard source beside the window's own key events (the evdev keyboards, say):
// it reports presses and releases to the keyboard state from a thread of its own
// until it is stopped. The keyboard reader owns the one it is given.
#pragma once

#include <functional>
#include <memory>

class TKeyboardState;

class IKeySource {
public:
    virtual ~IKeySource() = default;
    virtual void Stop() = 0;
};

// Starts a source on the state; null when there is none to read on this machine.
using TKeySourceStarter = std::function<std::unique_ptr<IKeySource>(TKeyboardState&)>;
