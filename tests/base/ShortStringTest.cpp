#include "base/ShortString.h"

#include <gtest/gtest.h>

TEST(Cp936, RoundTripsChineseText) {
    const std::string text = "缺省的键定义";
    const std::string gbk = Utf8ToCp936(text);
    EXPECT_EQ(gbk.size(), 12u); // two bytes a character
    EXPECT_EQ(static_cast<unsigned char>(gbk[0]), 0xC8);
    EXPECT_EQ(static_cast<unsigned char>(gbk[1]), 0xB1);
    EXPECT_EQ(Cp936ToUtf8(gbk), text);
}

TEST(Cp936, UndecodableBytesBecomeReplacementCharacters) {
    // A lead byte with its trail cut off, after plain ASCII.
    EXPECT_EQ(Cp936ToUtf8(std::string("ab\xC8", 3)), "ab\xEF\xBF\xBD");
    // A character that code page 936 cannot hold becomes a single '?'.
    EXPECT_EQ(Utf8ToCp936("a\xF0\x9F\x8E\xB9"
                          "b"),
              "a?b");
}

TEST(ShortString, CutsByBytesAndZeroesTheRest) {
    TShortString<5> s;
    s.Raw[4] = 0x55;
    s.SetBytes("abcdef");
    EXPECT_EQ(s.Raw[0], 4);
    EXPECT_EQ(s.Bytes(), "abcd");
    s.SetBytes("x");
    EXPECT_EQ(s.Raw[0], 1);
    EXPECT_EQ(s.Raw[2], 0);
    EXPECT_EQ(s.Raw[4], 0);
}

TEST(ShortString, OversizedLengthByteReadsTheFieldOnly) {
    TShortString<5> s;
    s.Raw[0] = 200;
    s.Raw[1] = 'a';
    s.Raw[2] = 'b';
    s.Raw[3] = 'c';
    s.Raw[4] = 'd';
    EXPECT_EQ(s.Bytes(), "abcd");
}

TEST(ShortString, ChineseCaptionOfTwoCharactersFitsFourBytes) {
    TShortString<5> s;
    s.SetUtf8("低音谱");
    EXPECT_EQ(s.Length(), 4u);
    EXPECT_EQ(s.Utf8(), "低音");
}

TEST(ShortString, Cp936CutsNeverEndInHalfACharacter) {
    const std::string text = "ab" + Utf8ToCp936("钢琴"); // 2 + 2 + 2 bytes
    EXPECT_EQ(CutCp936(text, 6), text);
    EXPECT_EQ(CutCp936(text, 5), text.substr(0, 4)) << "the second character is left whole out";
    EXPECT_EQ(CutCp936(text, 3), "ab");
    EXPECT_EQ(CutCp936(std::string(300, 'x'), 240).size(), 240u);
    // A lone lead byte at the end is one byte of its own.
    EXPECT_EQ(CutCp936("a\xB8", 2), "a\xB8");
}
