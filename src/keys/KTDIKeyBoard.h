// The keyboard reader: a worker thread that wakes on every change of the keyboard's
// state and posts one message for each key of the key table that went down or up,
// so that the main window does all musical work on its own thread. Holding a key
// gives one down message and no repeats; several keys changing at once are posted
// in ascending code order, but for Shift, Ctrl and Alt, which go down before the
// others and up after them.
#pragma once

#include "keys/IKeySource.h"
#include "keys/KeyboardState.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

// The two messages posted to the main window: wParam is the key code, lParam the
// key index in the key table.
constexpr int WM_DIKEYDOWN = 0x054D;
constexpr int WM_DIKEYUP = 0x054E;

class TKTDIKeyBoard {
public:
    // Called on the worker thread; it must only queue the message for the window.
    using TPostMessage = std::function<void(int message, int code, int keyIndex)>;

    // The worker is created waiting and scans nothing until SetActive(true). A source
    // started by extraSource (the evdev keyboards) feeds the state too.
    explicit TKTDIKeyBoard(TPostMessage post, const TKeySourceStarter& extraSource = {});
    ~TKTDIKeyBoard();
    TKTDIKeyBoard(const TKTDIKeyBoard&) = delete;
    TKTDIKeyBoard& operator=(const TKTDIKeyBoard&) = delete;

    // The state the window's key events are reported to.
    TKeyboardState& Device() { return State; }
    bool HasExtraSource() const { return Extra != nullptr; }

    // True lets the worker scan (and scan once now); false makes it wait without
    // scanning, so that what changed meanwhile is posted after the next activation.
    void SetActive(bool on);
    bool IsActive() const { return Active.load(); }
    // The window is active: presses count. Inactive: every held key is released,
    // and the releases are posted, so that no note hangs.
    void Acquire();
    void Unacquire();
    // The combined state of all 256 codes; 0 (there is always a device).
    int ReadState(std::array<uint8_t, 256>& state) const;

private:
    void Run();
    void Scan();

    TPostMessage Post;
    TKeyboardState State;
    std::array<uint8_t, 256> LastState{}; // the worker's own after construction
    std::atomic<bool> Active{false};
    std::unique_ptr<IKeySource> Extra;
    std::thread Worker;
};
