// The evdev keyboards as a keyboard source: a thread reads every readable input
// device that has letter keys and reports its presses and releases (auto-repeat
// left out) to the keyboard state. The only code of the program that includes
// libevdev; devices are read, never grabbed, so the desktop keeps its keyboard.
#pragma once

#include "base/PlatformCheck.h"
#include "keys/IKeySource.h"
#include "keys/KeyboardState.h"

#include <memory>
#include <thread>
#include <vector>

struct libevdev;

class TEvdevKeyboard : public IKeySource {
public:
    explicit TEvdevKeyboard(TKeyboardState& state);
    ~TEvdevKeyboard() override;
    TEvdevKeyboard(const TEvdevKeyboard&) = delete;
    TEvdevKeyboard& operator=(const TEvdevKeyboard&) = delete;

    // Whether some keyboard under /dev/input can be opened for reading.
    static bool Readable();
    // The keyboard reader's extra source: the evdev keyboards reading into the state,
    // or null when none can be read here.
    static std::unique_ptr<IKeySource> StartOn(TKeyboardState& state);
    // The start-up probe's check of libevdev: it can make a device record (no input
    // device needs to be readable).
    static TPlatformCheck PlatformCheck();
    // Opens the keyboards and starts reading; false when none opens.
    bool Start();
    void Stop() override;

    // One input event as a device reports it (type, code, value): key presses (1)
    // and releases (0) reach the state, repeats (2) and other events do not.
    void HandleEvent(unsigned type, unsigned code, int value);

private:
    void Run();

    TKeyboardState& State;
    std::vector<int> Fds;
    std::vector<libevdev*> Devices;
    int WakePipe[2] = {-1, -1};
    std::thread Reader;
};
