#include "sound/FavoriteVoices.h"
#include "TempDir.h"

#include <cstring>

#include <gtest/gtest.h>

TEST(FavoriteVoices, DefaultSetBothHalvesAlike) {
    const TFavoriteVoiceSet set = DefaultFavoriteVoiceSet();
    const int programs[12] = {0, 3, 18, 40, 8, 12, 9, 24, 28, 26, 49, 50};
    for (int i = 0; i < FavoriteVoiceCount; ++i) {
        const TFavoriteVoice& v = set.Voices[i];
        EXPECT_EQ(v.MSB, 65);
        EXPECT_EQ(v.LSB, 0);
        EXPECT_EQ(v.Program, programs[i % 12]);
        EXPECT_EQ(v.Reserved0, 0);
        EXPECT_EQ(v.Reserved1, 100);
        for (uint8_t b : v.Reserved2)
            EXPECT_EQ(b, 0);
    }
    EXPECT_EQ(set.Voices[0].Patch(), 0x410000u);
}

TEST(FavoriteVoices, SaveWritesTheImageAndLoadReadsItBack) {
    TTempDir dir;
    TFavoriteVoiceSet set = DefaultFavoriteVoiceSet();
    set.Voices[23].SetPatch(0x410A30);
    set.Voices[5].Reserved2[100] = 0x5A;
    ASSERT_TRUE(SaveFavoriteVoices(dir.Path("mine.fvc"), set));
    const auto bytes = dir.Read("mine.fvc");
    ASSERT_EQ(bytes.size(), 4416u);
    EXPECT_EQ(bytes[23 * 184 + 0], 0x41);
    EXPECT_EQ(bytes[23 * 184 + 1], 0x0A);
    EXPECT_EQ(bytes[23 * 184 + 2], 0x30);
    EXPECT_EQ(bytes[4], 100);
    TFavoriteVoiceSet back;
    EXPECT_TRUE(LoadFavoriteVoices(dir.Path("mine.fvc"), back));
    EXPECT_EQ(std::memcmp(&back, &set, sizeof set), 0);
}

TEST(FavoriteVoices, ShortFileKeepsTheDefaultTailLongFileIsCut) {
    TTempDir dir;
    std::vector<uint8_t> head(184 + 2, 0);
    head[0] = 1;   // record 0 MSB
    head[184] = 7; // record 1 MSB
    head[185] = 8; // record 1 LSB
    dir.Write("short.fvc", head);
    TFavoriteVoiceSet set;
    ASSERT_TRUE(LoadFavoriteVoices(dir.Path("short.fvc"), set));
    EXPECT_EQ(set.Voices[0].MSB, 1);
    EXPECT_EQ(set.Voices[0].Reserved1, 0); // replaced by the file's zeros
    EXPECT_EQ(set.Voices[1].MSB, 7);
    EXPECT_EQ(set.Voices[1].LSB, 8);
    EXPECT_EQ(set.Voices[1].Program, 3); // from the defaults: the file stops before it
    EXPECT_EQ(set.Voices[1].Reserved1, 100);
    EXPECT_EQ(set.Voices[23].Program, 50);

    std::vector<uint8_t> longer(5000, 0x22);
    dir.Write("long.fvc", longer);
    ASSERT_TRUE(LoadFavoriteVoices(dir.Path("long.fvc"), set));
    EXPECT_EQ(set.Voices[23].Program, 0x22);
}

TEST(FavoriteVoices, MissingFileGivesDefaults) {
    TTempDir dir;
    TFavoriteVoiceSet set;
    std::memset(&set, 0xFF, sizeof set);
    EXPECT_FALSE(LoadFavoriteVoices(dir.Path("Default.fvc"), set));
    const TFavoriteVoiceSet d = DefaultFavoriteVoiceSet();
    EXPECT_EQ(std::memcmp(&set, &d, sizeof d), 0);
}

TEST(FavoriteVoices, FunctionKeyCodes) {
    EXPECT_EQ(FavoriteIndexOfCode(0x3B), 0);
    EXPECT_EQ(FavoriteIndexOfCode(0x44), 9);
    EXPECT_EQ(FavoriteIndexOfCode(0x57), 10);
    EXPECT_EQ(FavoriteIndexOfCode(0x58), 11);
    EXPECT_EQ(FavoriteIndexOfCode(0x45), -1);
    EXPECT_EQ(FavoriteIndexOfCode(0x3A), -1);
}
