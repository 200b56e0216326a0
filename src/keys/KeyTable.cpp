// Key table data and lookups.
#include "keys/KeyTable.h"

using namespace DIK;

const std::array<TKeyTableEntry, KeyCount> KeyTable = {{
    {ESCAPE, "Esc"},
    {F1, "F1"},
    {F2, "F2"},
    {F3, "F3"},
    {F4, "F4"},
    {F5, "F5"},
    {F6, "F6"},
    {F7, "F7"},
    {F8, "F8"},
    {F9, "F9"},
    {F10, "F10"},
    {F11, "F11"},
    {F12, "F12"},
    {GRAVE, "`"},
    {0x02, "1"},
    {0x03, "2"},
    {0x04, "3"},
    {0x05, "4"},
    {0x06, "5"},
    {0x07, "6"},
    {0x08, "7"},
    {0x09, "8"},
    {0x0A, "9"},
    {0x0B, "0"},
    {MINUS, "-"},
    {EQUALS, "="},
    {BACKSLASH, "\\"},
    {BACK, "Backspace"},
    {TAB, "Tab"},
    {Q, "Q"},
    {W, "W"},
    {E, "E"},
    {R, "R"},
    {T, "T"},
    {Y, "Y"},
    {U, "U"},
    {I, "I"},
    {O, "O"},
    {P, "P"},
    {LBRACKET, "["},
    {RBRACKET, "]"},
    {RETURN, "Enter"},
    {CAPITAL, "Capslock"},
    {A, "A"},
    {S, "S"},
    {D, "D"},
    {F, "F"},
    {G, "G"},
    {H, "H"},
    {J, "J"},
    {K, "K"},
    {L, "L"},
    {SEMICOLON, ";"},
    {APOSTROPHE, "'"},
    {LSHIFT, "LShift"},
    {Z, "Z"},
    {X, "X"},
    {C, "C"},
    {V, "V"},
    {B, "B"},
    {N, "N"},
    {M, "M"},
    {COMMA, ","},
    {PERIOD, "."},
    {SLASH, "/"},
    {RSHIFT, "RShift"},
    {LCONTROL, "LControl"},
    {LWIN, "LWin"},
    {LMENU, "LAlt"},
    {SPACE, "Space"},
    {RMENU, "RAlt"},
    {RWIN, "RWin"},
    {APPS, "Menu"},
    {RCONTROL, "RControl"},
    {WAKE, "WakeUp"},
    {SLEEP, "Sleep"},
    {POWER, "Power"},
    {SYSRQ, "PrintScreen"},
    {SCROLL, "ScrollLock"},
    {PAUSE, "Pause"},
    {INSERT, "Insert"},
    {HOME, "Home"},
    {PRIOR, "PageUp"},
    {DELETE, "Delete"},
    {END, "End"},
    {NEXT, "PageDown"},
    {UP, "Up"},
    {LEFT, "Left"},
    {DOWN, "Down"},
    {RIGHT, "Right"},
    {NUMLOCK, "Num-NumLock"},
    {DIVIDE, "Num-/"},
    {MULTIPLY, "Num-*"},
    {SUBTRACT, "Num--"},
    {NUMPAD7, "Num-7"},
    {NUMPAD8, "Num-8"},
    {NUMPAD9, "Num-9"},
    {ADD, "Num-+"},
    {NUMPAD4, "Num-4"},
    {NUMPAD5, "Num-5"},
    {NUMPAD6, "Num-6"},
    {NUMPAD1, "Num-1"},
    {NUMPAD2, "Num-2"},
    {NUMPAD3, "Num-3"},
    {NUMPADENTER, "Num-Enter"},
    {NUMPAD0, "Num-0"},
    {DECIMAL, "Num-."},
}};

namespace {
constexpr std::array<bool, KeyCount> MakeDefinable() {
    std::array<bool, KeyCount> d{};
    auto range = [&d](int from, int to) {
        for (int i = from; i <= to; ++i)
            d[static_cast<size_t>(i)] = true;
    };
    range(14, 26);  // number row "1" .. "\"
    range(29, 40);  // "Q" .. "]"
    range(43, 53);  // "A" .. "'"
    range(55, 64);  // "Z" .. "/"
    range(80, 106); // editing block, arrows, numeric keypad
    return d;
}
} // namespace

const std::array<bool, KeyCount> DefinableKeys = MakeDefinable();

int KeyIndexOfCode(int code) {
    for (int i = 0; i < KeyCount; ++i)
        if (KeyTable[static_cast<size_t>(i)].Code == code) return i;
    return -1;
}

int KeyIndexOfName(std::string_view name) {
    for (int i = 0; i < KeyCount; ++i)
        if (KeyTable[static_cast<size_t>(i)].Name == name) return i;
    return -1;
}
