#include "keys/KeyDef.h"

#include <gtest/gtest.h>

namespace {
TKeyNote Note(uint8_t degree, uint8_t accidental, uint8_t octave, uint8_t keyboard = 0) {
    return TKeyNote{degree, accidental, octave, keyboard, 0};
}
int DefaultMidi(const char* key, const TNoteShifts& shifts = {}, bool apply = false) {
    const TKeyDefSet set = DefaultKeyDefSet();
    return KeyNoteToMidi(set.Keys[KeyIndexOfName(key)].Slots[0], apply, shifts);
}
} // namespace

TEST(DefaultLayout, NotesOfTheRows) {
    EXPECT_EQ(DefaultMidi("Q"), 60);
    EXPECT_EQ(DefaultMidi("Z"), 36);
    EXPECT_EQ(DefaultMidi("\\"), 93);
    EXPECT_EQ(DefaultMidi("Delete"), 84);
    EXPECT_EQ(DefaultMidi("Left"), 48);
    EXPECT_EQ(DefaultMidi("Num-1"), 60);
    EXPECT_EQ(DefaultMidi("Num--"), 83);
    EXPECT_EQ(DefaultMidi("'"), 65);
}

TEST(DefaultLayout, ExactlyTheDefinableKeysHaveOneNote) {
    const TKeyDefSet set = DefaultKeyDefSet();
    for (int i = 0; i < KeyCount; ++i) {
        const TKeyDef& def = set.Keys[i];
        EXPECT_EQ(def.Count, DefinableKeys[i] ? 1 : 0) << KeyTable[i].Name;
        EXPECT_EQ(def.Caption.Length(), 0u);
        for (int s = DefinableKeys[i] ? 1 : 0; s < KeySlotCount; ++s) {
            EXPECT_EQ(def.Slots[s].Degree, 0);
            EXPECT_EQ(def.Slots[s].Octave, 4);
        }
        if (DefinableKeys[i]) {
            EXPECT_EQ(def.Slots[0].Accidental, 0);
            EXPECT_EQ(def.Slots[0].Velocity, 0);
            // Keys from Insert onwards are the right keyboard's.
            EXPECT_EQ(def.Slots[0].Keyboard, i >= 80 ? 1 : 0) << KeyTable[i].Name;
        }
    }
    EXPECT_EQ(set.Remark.Utf8(), "缺省的键定义。左键盘有4个半8度，右手有3个半8度。没有半音。");
}

TEST(DefaultLayout, IsKeyDefinedReadsTheLiveSet) {
    LoadDefaultKeyDefs();
    EXPECT_TRUE(IsKeyDefined(29));
    EXPECT_FALSE(IsKeyDefined(0));
    EXPECT_FALSE(IsKeyDefined(-1));
    EXPECT_FALSE(IsKeyDefined(KeyCount));
    KeyDefs.Keys[29].Count = 0;
    EXPECT_FALSE(IsKeyDefined(29));
    LoadDefaultKeyDefs();
}

TEST(KeyNoteToMidi, ShiftsApplyPerKeyboard) {
    EXPECT_EQ(DefaultMidi("Q", {2, -1, 0}, true), 50);
    EXPECT_EQ(DefaultMidi("Num-1", {-3, 0, 1}, true), 69);
    // Without the flag the shifts are ignored.
    EXPECT_EQ(DefaultMidi("Q", {2, -1, 0}, false), 60);
    // A keyboard byte other than 0 or 1 takes no shift, not even the transposition.
    EXPECT_EQ(KeyNoteToMidi(Note(1, 0, 4, 7), true, {5, 1, 1}), 60);
}

TEST(KeyNoteToMidi, RangeEnds) {
    EXPECT_EQ(KeyNoteToMidi(Note(5, 0, 9), false), 127);
    EXPECT_EQ(KeyNoteToMidi(Note(5, 1, 9), false), -1);
    EXPECT_EQ(KeyNoteToMidi(Note(1, 2, 0), false), 11);
    EXPECT_EQ(KeyNoteToMidi(Note(1, 2, 0), true, {0, -1, 0}), -1);
    EXPECT_EQ(KeyNoteToMidi(Note(0, 0, 4), false), -1);
    // Degrees above 7 never come from the editor: read as empty slots.
    EXPECT_EQ(KeyNoteToMidi(Note(8, 0, 4), false), -1);
    EXPECT_EQ(KeyNoteToMidi(Note(255, 0, 4), false), -1);
    // An unknown accidental adds nothing.
    EXPECT_EQ(KeyNoteToMidi(Note(2, 9, 4), false), 62);
}

TEST(Respelling, EveryRowOfTheTable) {
    struct Row {
        uint8_t d, a, rd, ra, ro, ld, la, lo; // from; raised (degree, acc, octave); lowered
    };
    // Octaves relative to 4.
    const Row rows[] = {
        {1, 0, 1, 1, 4, 7, 0, 3}, {1, 1, 2, 0, 4, 1, 0, 4}, {1, 2, 1, 2, 4, 1, 2, 4},
        {2, 0, 2, 1, 4, 2, 2, 4}, {2, 1, 3, 0, 4, 2, 0, 4}, {2, 2, 2, 0, 4, 1, 0, 4},
        {3, 0, 4, 0, 4, 3, 2, 4}, {3, 1, 3, 1, 4, 3, 1, 4}, {3, 2, 3, 0, 4, 2, 0, 4},
        {4, 0, 4, 1, 4, 3, 0, 4}, {4, 1, 5, 0, 4, 4, 0, 4}, {4, 2, 4, 2, 4, 4, 2, 4},
        {5, 0, 5, 1, 4, 5, 2, 4}, {5, 1, 6, 0, 4, 5, 0, 4}, {5, 2, 5, 0, 4, 4, 0, 4},
        {6, 0, 6, 1, 4, 6, 2, 4}, {6, 1, 7, 0, 4, 6, 0, 4}, {6, 2, 6, 0, 4, 5, 0, 4},
        {7, 0, 1, 0, 5, 7, 2, 4}, {7, 1, 7, 1, 4, 7, 1, 4}, {7, 2, 7, 0, 4, 6, 0, 4},
    };
    for (const Row& r : rows) {
        TKeyNote up = Note(r.d, r.a, 4), down = Note(r.d, r.a, 4);
        RaiseKeyNote(up);
        LowerKeyNote(down);
        EXPECT_EQ(up.Degree, r.rd) << int(r.d) << "/" << int(r.a);
        EXPECT_EQ(up.Accidental, r.ra) << int(r.d) << "/" << int(r.a);
        EXPECT_EQ(up.Octave, r.ro) << int(r.d) << "/" << int(r.a);
        EXPECT_EQ(down.Degree, r.ld) << int(r.d) << "/" << int(r.a);
        EXPECT_EQ(down.Accidental, r.la) << int(r.d) << "/" << int(r.a);
        EXPECT_EQ(down.Octave, r.lo) << int(r.d) << "/" << int(r.a);
        // Respelling keeps the sound a semitone away (frozen spellings stay put).
        int from = KeyNoteToMidi(Note(r.d, r.a, 4), false);
        int raised = KeyNoteToMidi(up, false), lowered = KeyNoteToMidi(down, false);
        if (raised != from) {
            EXPECT_EQ(raised, from + 1);
        }
        if (lowered != from) {
            EXPECT_EQ(lowered, from - 1);
        }
    }
}

TEST(Respelling, WholeKeyAllEightSlotsAndEmptyUntouched) {
    LoadDefaultKeyDefs();
    const int q = KeyIndexOfName("Q");
    KeyDefs.Keys[q].Slots[6] = Note(7, 0, 4, 1);
    RaiseKeyBySemitone(q);
    EXPECT_EQ(KeyDefs.Keys[q].Slots[0].Accidental, 1);
    EXPECT_EQ(KeyDefs.Keys[q].Slots[6].Degree, 1); // beyond the count, still processed
    EXPECT_EQ(KeyDefs.Keys[q].Slots[6].Octave, 5);
    EXPECT_EQ(KeyDefs.Keys[q].Slots[3].Degree, 0);
    EXPECT_EQ(KeyDefs.Keys[q].Slots[3].Octave, 4);
    LowerKeyBySemitone(q);
    LowerKeyBySemitone(q);
    EXPECT_EQ(KeyDefs.Keys[q].Slots[0].Degree, 7);
    EXPECT_EQ(KeyDefs.Keys[q].Slots[0].Octave, 3);
    RaiseKeyBySemitone(-1);
    RaiseKeyBySemitone(KeyCount);
    LoadDefaultKeyDefs();
}

TEST(StaffOrder, SortPutsNotesAscendingAndEmptySlotsLast) {
    TKeyNote slots[8] = {Note(0, 0, 4), Note(5, 0, 4), Note(1, 0, 5), Note(3, 1, 4),
                         Note(0, 0, 4), Note(1, 0, 4), Note(0, 0, 4), Note(0, 0, 4)};
    SortKeyNotes(slots);
    EXPECT_EQ(slots[0].Degree, 1);
    EXPECT_EQ(slots[0].Octave, 4);
    EXPECT_EQ(slots[1].Degree, 3);
    EXPECT_EQ(slots[1].Accidental, 1);
    EXPECT_EQ(slots[2].Degree, 5);
    EXPECT_EQ(slots[3].Degree, 1);
    EXPECT_EQ(slots[3].Octave, 5);
    for (int i = 4; i < 8; ++i)
        EXPECT_FALSE(slots[i].HasNote());
}

TEST(StaffOrder, NeighbourTests) {
    EXPECT_TRUE(SameStaffStep(Note(3, 0, 4), Note(3, 1, 4)));
    EXPECT_FALSE(SameStaffStep(Note(3, 0, 4), Note(3, 0, 5)));
    EXPECT_TRUE(NextStaffStep(Note(3, 0, 4), Note(4, 2, 4)));
    EXPECT_TRUE(NextStaffStep(Note(7, 0, 4), Note(1, 0, 5)));
    EXPECT_FALSE(NextStaffStep(Note(7, 0, 4), Note(1, 0, 4)));
    EXPECT_FALSE(NextStaffStep(Note(4, 0, 4), Note(3, 0, 4)));
}
