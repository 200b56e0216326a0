#include "music/DegreeCode.h"

#include <gtest/gtest.h>

TEST(DegreeCode, CountsDegreesAndOctavesFromTheRoot) {
    EXPECT_EQ(DegreeCodeToMidi(48, 0), 48);
    EXPECT_EQ(DegreeCodeToMidi(48, 7), 60);
    EXPECT_EQ(DegreeCodeToMidi(48, -7), 36);
    EXPECT_EQ(DegreeCodeToMidi(48, 4), 55);
    EXPECT_EQ(DegreeCodeToMidi(48, -10), 31);
    EXPECT_EQ(DegreeCodeToMidi(48, -14), 24);
    EXPECT_EQ(DegreeCodeToMidi(48, 9), 64);
}

TEST(DegreeCode, MarkersAndCodesBelowTheLowestDegreeAreNoNote) {
    for (int code : {-127, -128, -15, -100, 98, 99})
        EXPECT_EQ(DegreeCodeToMidi(60, code), -1) << code;
}

TEST(DegreeCode, EachWhiteKeyRootHasItsModeAndBlackKeysTheFirst) {
    const int major[7] = {0, 2, 4, 5, 7, 9, 11};
    const std::pair<int, std::array<int, 7>> modes[] = {
        {0, {0, 2, 4, 5, 7, 9, 11}},  {2, {0, 2, 3, 5, 7, 9, 10}}, {4, {0, 1, 3, 5, 7, 8, 10}},
        {5, {0, 2, 4, 6, 7, 9, 11}},  {7, {0, 2, 4, 5, 7, 9, 10}}, {9, {0, 2, 3, 5, 7, 8, 10}},
        {11, {0, 1, 3, 5, 6, 8, 10}},
    };
    for (const auto& [pitchClass, table] : modes)
        for (int d = 0; d < 7; ++d)
            EXPECT_EQ(DegreeCodeToMidi(48 + pitchClass, d), 48 + pitchClass + table[d])
                << "pitch class " << pitchClass << " degree " << d;
    for (int pitchClass : {1, 3, 6, 8, 10})
        for (int d = 0; d < 7; ++d) {
            EXPECT_EQ(DegreeCodeToMidi(60 + pitchClass, d), 60 + pitchClass + major[d]);
            EXPECT_EQ(DegreeCodeToMidi(60 + pitchClass, d - 7), 48 + pitchClass + major[d]);
        }
}

TEST(DegreeCode, ResultsOutsideTheMidiRangeAreNoNote) {
    EXPECT_EQ(DegreeCodeToMidi(127, 0), 127);
    EXPECT_EQ(DegreeCodeToMidi(120, 7), -1);
    EXPECT_EQ(DegreeCodeToMidi(24, -14), 0);
    EXPECT_EQ(DegreeCodeToMidi(10, -7), -1);
    EXPECT_EQ(DegreeCodeToMidi(0, 97), -1);
    EXPECT_EQ(DegreeCodeToMidi(-1, 7), -1);
    EXPECT_EQ(DegreeCodeToMidi(128, -7), -1);
}
