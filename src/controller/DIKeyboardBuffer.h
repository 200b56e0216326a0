// The held-key buffer: one byte per DirectInput key code, bit 7 set while the key is
// down, kept up to date by the performance controller from the key messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Modifier values of ShiftState, compared as whole values (Ctrl is exactly 4).
namespace ShiftBits {
constexpr uint8_t Shift = 1, Alt = 2, Ctrl = 4;
}

class TDIKeyboardBuffer {
public:
    // Codes outside 0..255 are ignored (they come from song files too).
    void SetDown(int code) { Set(code, 0x80); }
    void SetUp(int code) { Set(code, 0); }
    bool IsDown(int code) const {
        return code >= 0 && code < 256 && (Keys[static_cast<std::size_t>(code)] & 0x80) != 0;
    }
    void Clear() { Keys.fill(0); }
    // 1 for either Shift, 2 for either Alt, 4 for either Control, added together.
    uint8_t ShiftState() const;

private:
    void Set(int code, uint8_t value) {
        if (code >= 0 && code < 256) Keys[static_cast<std::size_t>(code)] = value;
    }
    std::array<uint8_t, 256> Keys{};
};
