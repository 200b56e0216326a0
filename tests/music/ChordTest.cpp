#include "music/Chord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {
std::vector<int> Row(int style, int root) {
    std::vector<int> row;
    for (int32_t offset : ChordStyles[style].Offsets[root])
        if (offset != ChordOffsetNone) row.push_back(offset);
    return row;
}
using V = std::vector<int>;
} // namespace

TEST(ChordStyles, NamesKeepTheirAlignmentBlanks) {
    EXPECT_EQ(ChordStyles[0].Name, "大三和弦");
    EXPECT_EQ(ChordStyles[1].Name, "小三和弦      (m)");
    EXPECT_EQ(ChordStyles[4].Name, "六和弦        (6)");
    EXPECT_EQ(ChordStyles[11].Name, "降五小七和弦  (m7-5)");
    EXPECT_EQ(ChordStyles[15].Name, "Brenvik方式和弦1(351)");
    EXPECT_EQ(ChordStyles[31].Name, "自然七和弦");
}

TEST(ChordStyles, EveryRowListsItsNotesFirstThenEmptyPlaces) {
    for (int s = 0; s < ChordStyleCount; ++s)
        for (int r = 0; r < ChordRootCount; ++r) {
            const int32_t* row = ChordStyles[s].Offsets[r];
            int used = 0;
            while (used < ChordPlaceCount && row[used] != ChordOffsetNone)
                ++used;
            EXPECT_GE(used, 2) << s << "/" << r;
            for (int p = used; p < ChordPlaceCount; ++p)
                EXPECT_EQ(row[p], ChordOffsetNone);
            for (int p = 0; p < used; ++p)
                EXPECT_LE(std::abs(row[p]), 16) << s << "/" << r;
        }
}

TEST(ChordStyles, ChordTypesAreTheSameOverEveryRoot) {
    const std::pair<int, V> types[] = {{0, {0, 4, 7}},     {2, {0, 3, 6}},      {6, {0, 4, 7, 10}},
                                       {9, {0, 3, 7, 11}}, {13, {0, 5, 7, 10}}, {14, {0, 5, 7}},
                                       {18, {0, 12}},      {19, {0, -12}}};
    for (const auto& [style, row] : types)
        for (int r = 0; r < ChordRootCount; ++r)
            EXPECT_EQ(Row(style, r), row) << style << "/" << r;
    for (int style = 0; style < 15; ++style)
        for (int r = 1; r < ChordRootCount; ++r)
            EXPECT_EQ(Row(style, r), Row(style, 0));
}

TEST(ChordStyles, VoicingsFollowTheirRoot) {
    EXPECT_EQ(Row(15, 0), (V{4, 7, 12}));
    EXPECT_EQ(Row(15, 1), (V{3, 6, 9, 11}));
    EXPECT_EQ(Row(15, 10), (V{-6, -3, -1, 3}));
    EXPECT_EQ(Row(15, 11), (V{-6, 0, 3}));
    EXPECT_EQ(Row(20, 0), (V{0, 4}));
    EXPECT_EQ(Row(20, 3), (V{0, 2}));
    EXPECT_EQ(Row(20, 11), (V{0, 3}));
    EXPECT_EQ(Row(24, 0), (V{0, -3, -12}));
    EXPECT_EQ(Row(24, 10), (V{0, -5, -12}));
    EXPECT_EQ(Row(30, 3), (V{0, 2, 6, 12, -12}));
    EXPECT_EQ(Row(30, 7), (V{0, 4, 7, 12, -12}));
    EXPECT_EQ(Row(31, 0), (V{0, 4, 7, 11}));
    EXPECT_EQ(Row(31, 7), (V{0, 4, 7, 10}));
    EXPECT_EQ(Row(31, 8), (V{0, 3, 6, 9}));
    EXPECT_EQ(Row(31, 11), (V{0, 3, 6, 10}));
}

// The diatonic voicings are built from one another; checking the relations catches
// a wrong row in any of them.
TEST(ChordStyles, DiatonicVoicingsAgreeWithEachOther) {
    for (int r = 0; r < ChordRootCount; ++r) {
        SCOPED_TRACE(r);
        V third = Row(21, r), sixth = Row(25, r), triad = Row(27, r);
        third.push_back(-12);
        sixth.push_back(-12);
        EXPECT_EQ(Row(24, r), third);
        EXPECT_EQ(Row(26, r), sixth);
        ASSERT_EQ(triad.size(), 3u);
        EXPECT_EQ(Row(28, r), (V{triad[1], triad[2], 12}));
        EXPECT_EQ(Row(29, r), (V{triad[2] - 12, 0, triad[1]}));
        EXPECT_EQ(Row(30, r), (V{0, triad[1], triad[2], 12, -12}));
        EXPECT_EQ(Row(31, r)[2], triad[2]);
    }
}

TEST(ChordStyles, LookupRefusesIndicesOutsideTheTable) {
    EXPECT_EQ(ChordStyle(DefaultChordStyleIndex), &ChordStyles[15]);
    EXPECT_EQ(ChordStyle(-1), nullptr);
    EXPECT_EQ(ChordStyle(ChordStyleCount), nullptr);
}

TEST(ChordNames, TablesByPitchClassAndType) {
    EXPECT_EQ(OneFingerChordName(48), "C");
    EXPECT_EQ(OneFingerChordName(61), "C7");
    EXPECT_EQ(OneFingerChordName(71), "Bdim");
    EXPECT_EQ(OneFingerChordNames[9], "Am");
    EXPECT_EQ(ChordTypeSuffixes[0], "");
    EXPECT_EQ(ChordTypeSuffixes[11], "m7-5");
    EXPECT_EQ(ChordTypeSuffixes[13], "7sus4");
    EXPECT_EQ(ChordTypeSuffixes[14], "sus4");
    EXPECT_EQ(RootNames[1], "#C");
    EXPECT_EQ(RootNames[10], "#A");
    EXPECT_EQ(RootNames[11], "B");
}
