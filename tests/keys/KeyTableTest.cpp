#include "keys/KeyTable.h"

#include <gtest/gtest.h>
#include <set>

TEST(KeyTable, CodesAreUniqueAndLookupsFindThem) {
    std::set<int> codes;
    for (const auto& e : KeyTable)
        codes.insert(e.Code);
    EXPECT_EQ(codes.size(), static_cast<size_t>(KeyCount));
    for (int i = 0; i < KeyCount; ++i)
        EXPECT_EQ(KeyIndexOfCode(KeyTable[i].Code), i);
}

TEST(KeyTable, IndicesOfKnownKeys) {
    EXPECT_EQ(KeyIndexOfCode(DIK::NUMPADENTER), 104);
    EXPECT_EQ(KeyIndexOfCode(DIK::NUMPADEQUALS), -1);
    EXPECT_EQ(KeyIndexOfCode(-1), -1);
    EXPECT_EQ(KeyIndexOfCode(0x1FF), -1);
    EXPECT_EQ(KeyIndexOfCode(DIK::Q), 29);
    EXPECT_EQ(KeyIndexOfCode(DIK::SPACE), 69);
    EXPECT_EQ(KeyIndexOfCode(DIK::DECIMAL), 106);
    EXPECT_EQ(KeyTable[26].Name, "\\");
    EXPECT_EQ(KeyTable[72].Name, "Menu");
    EXPECT_EQ(KeyTable[90].Name, "Num-NumLock");
}

TEST(KeyTable, SeventyThreeDefinableKeysAndNoCommandKeys) {
    int n = 0;
    for (bool d : DefinableKeys)
        n += d;
    EXPECT_EQ(n, DefinableKeyCount);
    for (const char* name : {"Esc", "F1", "`", "Backspace", "Tab", "Enter", "Capslock", "LShift",
                             "RShift", "Space", "LWin", "Pause"})
        EXPECT_FALSE(DefinableKeys[KeyIndexOfName(name)]) << name;
    for (const char* name : {"1", "\\", "Q", "]", "A", "'", "Z", "/", "Insert", "Num-."})
        EXPECT_TRUE(DefinableKeys[KeyIndexOfName(name)]) << name;
}
