#include "sound/VoiceList.h"

#include <gtest/gtest.h>

namespace {
TVoiceEntry Entry(int index, uint32_t patch, std::string name) {
    TVoiceEntry e;
    e.Index = index;
    e.Patch = patch;
    e.Name = std::move(name);
    return e;
}
} // namespace

TEST(VoiceList, SortPutsMelodicBanksInProgramOrderAndDrumsLast) {
    TVoiceList list;
    list.Add(Entry(0, MakePatch(0, 0, 0, true), "Standard"));
    list.Add(Entry(1, MakePatch(65, 0, 5), "Rhodes"));
    list.Add(Entry(2, MakePatch(65, 8, 0), "Piano variation"));
    list.Add(Entry(3, MakePatch(65, 0, 0), "Piano"));
    list.Sort();
    EXPECT_EQ(list[0].Name, "Piano");
    EXPECT_EQ(list[0].Index, 3); // the collection's own index travels with the entry
    EXPECT_EQ(list[1].Name, "Rhodes");
    EXPECT_EQ(list[2].Name, "Piano variation");
    EXPECT_EQ(list[3].Name, "Standard");
}

TEST(VoiceList, FindComparesAllBitsAndLegacyPatchesTranslate) {
    TVoiceList list;
    list.Add(Entry(0, MakePatch(65, 0, 0), "Piano"));
    list.Add(Entry(1, MakePatch(65, 0, 18), "Rock Organ"));
    EXPECT_EQ(list.FindVoiceIndex(MakePatch(65, 0, 18)), 1);
    EXPECT_EQ(list.FindVoiceIndex(MakePatch(65, 0, 18, true)), -1);
    EXPECT_EQ(VoiceIndexForStoredPatch(list, MakePatch(64, 0, 2)), 1);
    EXPECT_EQ(VoiceIndexForStoredPatch(list, MakePatch(64, 0, 127)), 0);
    EXPECT_EQ(VoiceIndexForStoredPatch(list, MakePatch(64, 0, 10)), -1);
    EXPECT_EQ(LegacyPatch(MakePatch(64, 0, 10)), MakePatch(64, 0, 10));
    EXPECT_EQ(LegacyPatch(MakePatch(64, 0, 7)), MakePatch(65, 0, 49));
    EXPECT_EQ(LegacyPatch(MakePatch(64, 0, 5)), MakePatch(65, 0, 24));
    EXPECT_EQ(LegacyPatch(MakePatch(64, 3, 5)), MakePatch(64, 3, 5));
    EXPECT_EQ(LegacyPatch(MakePatch(65, 0, 5)), MakePatch(65, 0, 5));
}

TEST(VoiceList, SteppingWrapsAndAnEmptyListSelectsNothing) {
    TVoiceList list;
    for (int i = 0; i < 130; ++i)
        list.Add(Entry(i, MakePatch(65, 0, i & 0x7F), "v"));
    EXPECT_EQ(list.PreviousPosition(0), 129);
    EXPECT_EQ(list.NextPosition(129), 0);
    EXPECT_EQ(list.NextPosition(5), 6);
    TVoiceList empty;
    EXPECT_EQ(empty.NextPosition(0), -1);
    EXPECT_EQ(empty.PreviousPosition(0), -1);
    EXPECT_EQ(empty[0].Patch, 0u); // nothing read outside the list
    EXPECT_EQ(empty[-1].Name, "");
}

TEST(VoiceList, CapacityAndDisplayForms) {
    TVoiceList list;
    for (int i = 0; i < VoiceListCapacity; ++i)
        ASSERT_TRUE(list.Add(Entry(i, MakePatch(65, 1, 2), "x")));
    EXPECT_FALSE(list.Add(Entry(300, 0, "over")));
    EXPECT_EQ(list.Count(), 300);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(Entry(0, MakePatch(65, 8, 25), "Ukulele"));
    EXPECT_EQ(TVoiceList::NumberText(0), "0");
    EXPECT_EQ(list.ListText(0), "0: Ukulele");
    EXPECT_EQ(list.FavoriteText(0), "0:<65:8:25> Ukulele");
    // Names are cut to 31 characters, never inside a character.
    list.Add(Entry(1, 0, std::string(40, 'n')));
    EXPECT_EQ(list[1].Name.size(), 31u);
    EXPECT_EQ(VoiceNameOf("钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴"),
              "钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢琴钢");
}

TEST(PatchNumbers, StoredTripleExchangesTheOuterBytes) {
    // Bytes MSB 65, LSB 2, program 30 read as a little-endian number.
    const uint32_t stored = 30u << 16 | 2u << 8 | 65u;
    EXPECT_EQ(SwapPatchTriple(stored), MakePatch(65, 2, 30));
    EXPECT_EQ(SwapPatchTriple(MakePatch(65, 2, 30)), stored);
}
