// The up/down state of all 256 key codes as the keyboard sources report it, and the
// wake-up the keyboard reader waits for. Two sources feed it: the main window's key
// events and, where the input devices are readable, the evdev keyboards; a key is
// down while either source holds it.
#pragma once

#include "base/ThreadSafety.h"

#include <array>
#include <condition_variable>
#include <cstdint>

class TKeyboardState {
public:
    enum class TSource { WindowKeys, Evdev };
    static constexpr int SourceCount = 2;

    // A key of one source went down or up; codes outside 0..255 are ignored, and so
    // are presses while the keyboard is not acquired. Wakes the reader when the
    // combined state changes.
    void SetKey(TSource source, int code, bool down) EXCLUDES(Mutex);
    // Every key of that source up (a window that loses focus hears no releases).
    void ReleaseAll(TSource source) EXCLUDES(Mutex);
    // Not acquired: every key of every source is up and presses are ignored until
    // the keyboard is acquired again.
    void SetAcquired(bool on) EXCLUDES(Mutex);
    bool IsAcquired() const EXCLUDES(Mutex);

    // The combined state: 0x80 for a key that is down, 0 for one that is up.
    void Read(std::array<uint8_t, 256>& out) const EXCLUDES(Mutex);
    // The same, and for each key whether it changed and changed back since the last
    // such read (a tap quicker than the reader), so that no stroke is lost.
    void ReadAndReset(std::array<uint8_t, 256>& out, std::array<bool, 256>& struckBack)
        EXCLUDES(Mutex);

    // Waits, without a time limit, until the state changed since the last wait
    // returned (changes meanwhile fold into one wake-up) or Wake or Stop is called.
    // False once Stop was called.
    bool Wait() EXCLUDES(Mutex);
    // Wakes the waiting reader once without a change.
    void Wake() EXCLUDES(Mutex);
    void Stop() EXCLUDES(Mutex);

private:
    void Signal() REQUIRES(Mutex);
    void Changed1(size_t code) REQUIRES(Mutex); // the combined state of code flipped

    mutable TMutex Mutex;
    std::condition_variable Changed;
    bool Signalled GUARDED_BY(Mutex) = false;
    bool Stopped GUARDED_BY(Mutex) = false;
    bool Acquired GUARDED_BY(Mutex) = false;

    std::array<std::array<bool, 256>, SourceCount> Held GUARDED_BY(Mutex){};
    // Combined changes since the last ReadAndReset.
    std::array<uint8_t, 256> Flips GUARDED_BY(Mutex){};
};
