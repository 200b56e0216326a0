// The evdev keyboards as a keyboard source: a thread reads every readable input
// device that has letter keys and reports its presses and releases (auto-repeat
// left out) to the keyboard state. The only code of the program that includes
// libevdev; devices are read, never grabbed, so the desktop keeps its keyboard.
#pragma once

#include "keys/KeyboardState.h"
#include "sound/SoundPlatform.h"

#include <thread>
#include <vector>

struct libevdev;

class TEvdevKeyboard {
public:
    explicit TEvdevKeyboard(TKeyboardState& state);
    ~TEvdevKeyboard();
    TEvdevKeyboard(const TEvdevKeyboard&) = delete;
    TEvdevKeyboard& operator=(const TEvdevKeyboard&) = delete;

    // Whether some keyboard under /dev/input can be opened for reading.
    static bool Readable();
    // The start-up probe's check of libevdev: it can make a device record (no input
    // device needs to be readable).
    static TPlatformCheck PlatformCheck();
    // Opens the keyboards and starts reading; false when none opens.
    bool Start();
    void Stop();

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
