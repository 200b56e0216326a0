// The notebook table, the drum keys and the modifier state of the held keys.
#include "controller/KeyRoles.h"

#include "controller/DIKeyboardBuffer.h"
#include "keys/KeyTable.h"

#include <array>
#include <cstdint>

namespace {
struct TCodePair {
    uint8_t Pressed, Becomes;
};
constexpr TCodePair NotebookPairs[] = {
    {0x09, DIK::NUMPAD7}, // "8"
    {0x0A, DIK::NUMPAD8}, // "9"
    {DIK::K0, DIK::NUMPAD9},     {DIK::MINUS, DIK::ADD},         {DIK::I, DIK::NUMPAD4},
    {DIK::O, DIK::NUMPAD5},      {DIK::P, DIK::NUMPAD6},         {DIK::K, DIK::NUMPAD1},
    {DIK::L, DIK::NUMPAD2},      {DIK::SEMICOLON, DIK::NUMPAD3}, {DIK::COMMA, DIK::NUMPAD0},
    {DIK::PERIOD, DIK::DECIMAL}, {DIK::SLASH, DIK::NUMPADENTER},
};

constexpr std::array<uint8_t, 256> MakeNotebookTable() {
    std::array<uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    for (const TCodePair& p : NotebookPairs)
        t[p.Pressed] = p.Becomes;
    return t;
}
constexpr std::array<uint8_t, 256> NotebookTable = MakeNotebookTable();

// Key indices of "\", "[", "]" and "'" in the key table.
constexpr int BackslashKey = 26, LBracketKey = 39, RBracketKey = 40, ApostropheKey = 53;
} // namespace

int NotebookCode(int code) {
    if (code < 0 || code > 255) return code;
    return NotebookTable[static_cast<size_t>(code)];
}

int DrumNoteOfKey(int keyIndex) {
    switch (keyIndex) {
    case ApostropheKey:
        return 36; // bass drum 1
    case LBracketKey:
        return 38; // acoustic snare
    case RBracketKey:
        return 40; // electric snare
    case BackslashKey:
        return 42; // closed hi-hat
    default:
        return -1;
    }
}

uint8_t TDIKeyboardBuffer::ShiftState() const {
    uint8_t m = 0;
    if (IsDown(DIK::LSHIFT) || IsDown(DIK::RSHIFT)) m |= ShiftBits::Shift;
    if (IsDown(DIK::LMENU) || IsDown(DIK::RMENU)) m |= ShiftBits::Alt;
    if (IsDown(DIK::LCONTROL) || IsDown(DIK::RCONTROL)) m |= ShiftBits::Ctrl;
    return m;
}
