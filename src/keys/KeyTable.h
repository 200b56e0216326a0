// The fixed table of the 107 physical PC keys: DirectInput code and display name.
// A key's position in this table (its key index) is its identity in every record
// and file, so the order never changes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

constexpr int KeyCount = 107;
constexpr int DefinableKeyCount = 73;

struct TKeyTableEntry {
    uint8_t Code;          // DirectInput key code
    std::string_view Name; // display name
};

extern const std::array<TKeyTableEntry, KeyCount> KeyTable;
// One flag per key index: may the key carry notes?
extern const std::array<bool, KeyCount> DefinableKeys;

// Index of the first key-table entry with that DirectInput code, or -1.
int KeyIndexOfCode(int code);
// Key index whose display name is `name` (exact), or -1.
int KeyIndexOfName(std::string_view name);

// DirectInput key codes used by name elsewhere in the program.
namespace DIK {
constexpr uint8_t ESCAPE = 0x01, K1 = 0x02, K0 = 0x0B, MINUS = 0x0C, EQUALS = 0x0D, BACK = 0x0E,
                  TAB = 0x0F, Q = 0x10, W = 0x11, E = 0x12, R = 0x13, T = 0x14, Y = 0x15, U = 0x16,
                  I = 0x17, O = 0x18, P = 0x19, LBRACKET = 0x1A, RBRACKET = 0x1B, RETURN = 0x1C,
                  LCONTROL = 0x1D, A = 0x1E, S = 0x1F, D = 0x20, F = 0x21, G = 0x22, H = 0x23,
                  J = 0x24, K = 0x25, L = 0x26, SEMICOLON = 0x27, APOSTROPHE = 0x28, GRAVE = 0x29,
                  LSHIFT = 0x2A, BACKSLASH = 0x2B, Z = 0x2C, X = 0x2D, C = 0x2E, V = 0x2F, B = 0x30,
                  N = 0x31, M = 0x32, COMMA = 0x33, PERIOD = 0x34, SLASH = 0x35, RSHIFT = 0x36,
                  MULTIPLY = 0x37, LMENU = 0x38, SPACE = 0x39, CAPITAL = 0x3A, F1 = 0x3B, F2 = 0x3C,
                  F3 = 0x3D, F4 = 0x3E, F5 = 0x3F, F6 = 0x40, F7 = 0x41, F8 = 0x42, F9 = 0x43,
                  F10 = 0x44, NUMLOCK = 0x45, SCROLL = 0x46, NUMPAD7 = 0x47, NUMPAD8 = 0x48,
                  NUMPAD9 = 0x49, SUBTRACT = 0x4A, NUMPAD4 = 0x4B, NUMPAD5 = 0x4C, NUMPAD6 = 0x4D,
                  ADD = 0x4E, NUMPAD1 = 0x4F, NUMPAD2 = 0x50, NUMPAD3 = 0x51, NUMPAD0 = 0x52,
                  DECIMAL = 0x53, OEM_102 = 0x56, F11 = 0x57, F12 = 0x58, NUMPADEQUALS = 0x8D,
                  NUMPADENTER = 0x9C, RCONTROL = 0x9D, DIVIDE = 0xB5, SYSRQ = 0xB7, RMENU = 0xB8,
                  PAUSE = 0xC5, HOME = 0xC7, UP = 0xC8, PRIOR = 0xC9, LEFT = 0xCB, RIGHT = 0xCD,
                  END = 0xCF, DOWN = 0xD0, NEXT = 0xD1, INSERT = 0xD2, DELETE = 0xD3, LWIN = 0xDB,
                  RWIN = 0xDC, APPS = 0xDD, POWER = 0xDE, SLEEP = 0xDF, WAKE = 0xE3;
} // namespace DIK
