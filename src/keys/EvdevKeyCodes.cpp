// The main block numbers keys alike in both tables; the extended keys differ.
#include "keys/EvdevKeyCodes.h"

namespace {
struct TExtendedKey {
    int Evdev;
    int Dik;
};
constexpr TExtendedKey ExtendedKeys[] = {
    {96, 0x9C},  // keypad Enter
    {97, 0x9D},  // right Control
    {98, 0xB5},  // keypad /
    {99, 0xB7},  // SysRq
    {100, 0xB8}, // right Alt
    {102, 0xC7}, // Home
    {103, 0xC8}, // Up
    {104, 0xC9}, // Page Up
    {105, 0xCB}, // Left
    {106, 0xCD}, // Right
    {107, 0xCF}, // End
    {108, 0xD0}, // Down
    {109, 0xD1}, // Page Down
    {110, 0xD2}, // Insert
    {111, 0xD3}, // Delete
    {116, 0xDE}, // Power
    {119, 0xC5}, // Pause
    {125, 0xDB}, // left Windows key
    {126, 0xDC}, // right Windows key
    {127, 0xDD}, // Apps
    {142, 0xDF}, // Sleep
    {143, 0xE3}, // Wake Up
};
} // namespace

int DikOfEvdevCode(int evdevCode) {
    // Esc 1 ... keypad . 83, the ISO key 86, F11 87, F12 88.
    if ((evdevCode >= 1 && evdevCode <= 83) || (evdevCode >= 86 && evdevCode <= 88))
        return evdevCode;
    for (const TExtendedKey& k : ExtendedKeys)
        if (k.Evdev == evdevCode) return k.Dik;
    return -1;
}
