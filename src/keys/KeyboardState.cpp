#include "keys/KeyboardState.h"

void TKeyboardState::Signal() {
    Signalled = true;
    Changed.notify_all();
}

void TKeyboardState::Changed1(size_t code) {
    if (Flips[code] < 2) ++Flips[code];
    Signal();
}

void TKeyboardState::SetKey(TSource source, int code, bool down) {
    if (code < 0 || code > 255) return;
    TLock lock(Mutex);
    if (down && !Acquired) return;
    auto& held = Held[static_cast<size_t>(source)];
    const auto c = static_cast<size_t>(code);
    if (held[c] == down) return; // a release of a key this source does not hold
    const bool before = Held[0][c] || Held[1][c];
    held[c] = down;
    if ((Held[0][c] || Held[1][c]) != before) Changed1(c);
}

void TKeyboardState::ReleaseAll(TSource source) {
    TLock lock(Mutex);
    auto& held = Held[static_cast<size_t>(source)];
    auto& other = Held[source == TSource::WindowKeys ? 1 : 0];
    for (size_t c = 0; c < held.size(); ++c) {
        if (!held[c]) continue;
        held[c] = false;
        if (!other[c]) Changed1(c);
    }
}

void TKeyboardState::SetAcquired(bool on) {
    TLock lock(Mutex);
    Acquired = on;
    if (on) return;
    for (size_t c = 0; c < 256; ++c) {
        const bool down = Held[0][c] || Held[1][c];
        Held[0][c] = Held[1][c] = false;
        if (down) Changed1(c);
    }
}

bool TKeyboardState::IsAcquired() const {
    TLock lock(Mutex);
    return Acquired;
}

void TKeyboardState::Read(std::array<uint8_t, 256>& out) const {
    TLock lock(Mutex);
    for (size_t c = 0; c < out.size(); ++c)
        out[c] = Held[0][c] || Held[1][c] ? 0x80 : 0;
}

void TKeyboardState::ReadAndReset(std::array<uint8_t, 256>& out,
                                  std::array<bool, 256>& struckBack) {
    TLock lock(Mutex);
    for (size_t c = 0; c < out.size(); ++c) {
        out[c] = Held[0][c] || Held[1][c] ? 0x80 : 0;
        // Two changes or more and the key is where it was: it was struck and let go
        // (or let go and struck again) in between.
        struckBack[c] = Flips[c] >= 2;
        Flips[c] = 0;
    }
}

bool TKeyboardState::Wait() {
    TLock lock(Mutex);
    while (!Signalled && !Stopped)
        Mutex.Wait(Changed);
    Signalled = false;
    return !Stopped;
}

void TKeyboardState::Wake() {
    TLock lock(Mutex);
    Signal();
}

void TKeyboardState::Stop() {
    TLock lock(Mutex);
    Stopped = true;
    Changed.notify_all();
}
