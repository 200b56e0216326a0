#include "keys/KeyTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TKey {
    int Code; // the published DirectInput code
    const char* Name;
};

// The 107 keys in key-index order, as every stored key-definition set has them.
const std::vector<TKey> Keys = {{0x01, "Esc"},
                                // 1-12
                                {0x3B, "F1"},
                                {0x3C, "F2"},
                                {0x3D, "F3"},
                                {0x3E, "F4"},
                                {0x3F, "F5"},
                                {0x40, "F6"},
                                {0x41, "F7"},
                                {0x42, "F8"},
                                {0x43, "F9"},
                                {0x44, "F10"},
                                {0x57, "F11"},
                                {0x58, "F12"},
                                // 13-28
                                {0x29, "`"},
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
                                {0x0C, "-"},
                                {0x0D, "="},
                                {0x2B, "\\"},
                                {0x0E, "Backspace"},
                                {0x0F, "Tab"},
                                // 29-42
                                {0x10, "Q"},
                                {0x11, "W"},
                                {0x12, "E"},
                                {0x13, "R"},
                                {0x14, "T"},
                                {0x15, "Y"},
                                {0x16, "U"},
                                {0x17, "I"},
                                {0x18, "O"},
                                {0x19, "P"},
                                {0x1A, "["},
                                {0x1B, "]"},
                                {0x1C, "Enter"},
                                {0x3A, "Capslock"},
                                // 43-54
                                {0x1E, "A"},
                                {0x1F, "S"},
                                {0x20, "D"},
                                {0x21, "F"},
                                {0x22, "G"},
                                {0x23, "H"},
                                {0x24, "J"},
                                {0x25, "K"},
                                {0x26, "L"},
                                {0x27, ";"},
                                {0x28, "'"},
                                {0x2A, "LShift"},
                                // 55-65
                                {0x2C, "Z"},
                                {0x2D, "X"},
                                {0x2E, "C"},
                                {0x2F, "V"},
                                {0x30, "B"},
                                {0x31, "N"},
                                {0x32, "M"},
                                {0x33, ","},
                                {0x34, "."},
                                {0x35, "/"},
                                {0x36, "RShift"},
                                // 66-79
                                {0x1D, "LControl"},
                                {0xDB, "LWin"},
                                {0x38, "LAlt"},
                                {0x39, "Space"},
                                {0xB8, "RAlt"},
                                {0xDC, "RWin"},
                                {0xDD, "Menu"},
                                {0x9D, "RControl"},
                                {0xE3, "WakeUp"},
                                {0xDF, "Sleep"},
                                {0xDE, "Power"},
                                {0xB7, "PrintScreen"},
                                {0x46, "ScrollLock"},
                                {0xC5, "Pause"},
                                // 80-89
                                {0xD2, "Insert"},
                                {0xC7, "Home"},
                                {0xC9, "PageUp"},
                                {0xD3, "Delete"},
                                {0xCF, "End"},
                                {0xD1, "PageDown"},
                                {0xC8, "Up"},
                                {0xCB, "Left"},
                                {0xD0, "Down"},
                                {0xCD, "Right"},
                                // 90-106
                                {0x45, "Num-NumLock"},
                                {0xB5, "Num-/"},
                                {0x37, "Num-*"},
                                {0x4A, "Num--"},
                                {0x47, "Num-7"},
                                {0x48, "Num-8"},
                                {0x49, "Num-9"},
                                {0x4E, "Num-+"},
                                {0x4B, "Num-4"},
                                {0x4C, "Num-5"},
                                {0x4D, "Num-6"},
                                {0x4F, "Num-1"},
                                {0x50, "Num-2"},
                                {0x51, "Num-3"},
                                {0x9C, "Num-Enter"},
                                {0x52, "Num-0"},
                                {0x53, "Num-."}};

TEST(KeyTable, EveryKeyHasItsCodeAndNameAtItsIndex) {
    ASSERT_EQ(Keys.size(), static_cast<size_t>(KeyCount));
    for (int i = 0; i < KeyCount; ++i) {
        SCOPED_TRACE(Keys[i].Name);
        EXPECT_EQ(KeyTable[i].Code, Keys[i].Code) << "key index " << i;
        EXPECT_EQ(std::string(KeyTable[i].Name), Keys[i].Name) << "key index " << i;
        EXPECT_EQ(KeyIndexOfCode(Keys[i].Code), i);
        EXPECT_EQ(KeyIndexOfName(Keys[i].Name), i);
    }
    // Codes of no key in the table, and names of none.
    for (int code : {0x00, 0x8D /* keypad = */, 0x54, 0xFF, -1, 0x1FF})
        EXPECT_EQ(KeyIndexOfCode(code), -1) << code;
    for (const char* name : {"", "esc", "Num-=", "F13"})
        EXPECT_EQ(KeyIndexOfName(name), -1) << name;
}

TEST(KeyTable, TheNumberLetterRowsAndTheRightBlocksAreDefinable) {
    // 14-26 "1".."\", 29-40 "Q".."]", 43-53 "A".."'", 55-64 "Z".."/", 80-106.
    const std::vector<std::pair<int, int>> definable = {
        {14, 26}, {29, 40}, {43, 53}, {55, 64}, {80, 106}};
    int count = 0;
    for (int i = 0; i < KeyCount; ++i) {
        bool inRange = false;
        for (auto [first, last] : definable)
            inRange |= i >= first && i <= last;
        EXPECT_EQ(DefinableKeys[i], inRange) << Keys[i].Name;
        count += DefinableKeys[i];
    }
    EXPECT_EQ(count, DefinableKeyCount);
    EXPECT_EQ(DefinableKeyCount, 73);
}

} // namespace
