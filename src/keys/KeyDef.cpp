// Key definitions: the default layout, the note-number rule, respelling and ordering.
#include "keys/KeyDef.h"

#include <cstring>
#include <utility>

TKeyDefSet KeyDefs{};

TKeyDef EmptyKeyDef() {
    TKeyDef def;
    std::memset(&def, 0, sizeof def);
    for (auto& slot : def.Slots)
        slot.Octave = 4;
    return def;
}

namespace {

struct TDefaultRow {
    const char* Keys[13];
    uint8_t Keyboard;
    uint8_t Notes[13][2]; // degree, octave
};

// Each letter row starts on do one octave above the row below it; the right keyboard
// climbs from the arrows through the keypad to the editing block.
const TDefaultRow DefaultRows[] = {
    {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", "\\"},
     0,
     {{1, 5},
      {2, 5},
      {3, 5},
      {4, 5},
      {5, 5},
      {6, 5},
      {7, 5},
      {1, 6},
      {2, 6},
      {3, 6},
      {4, 6},
      {5, 6},
      {6, 6}}},
    {{"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]"},
     0,
     {{1, 4},
      {2, 4},
      {3, 4},
      {4, 4},
      {5, 4},
      {6, 4},
      {7, 4},
      {1, 5},
      {2, 5},
      {3, 5},
      {4, 5},
      {5, 5}}},
    {{"A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'"},
     0,
     {{1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}},
    {{"Z", "X", "C", "V", "B", "N", "M", ",", ".", "/"},
     0,
     {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}, {1, 3}, {2, 3}, {3, 3}}},
    {{"Left", "Down", "Right", "Up"}, 1, {{1, 3}, {2, 3}, {3, 3}, {4, 3}}},
    {{"Num-0", "Num-.", "Num-Enter"}, 1, {{5, 3}, {6, 3}, {7, 3}}},
    {{"Num-1", "Num-2", "Num-3", "Num-4", "Num-5", "Num-6", "Num-7"},
     1,
     {{1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}, {7, 4}}},
    {{"Num-8", "Num-9", "Num-+", "Num-NumLock", "Num-/", "Num-*", "Num--"},
     1,
     {{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}},
    {{"Delete", "End", "PageDown", "Insert", "Home", "PageUp"},
     1,
     {{1, 6}, {2, 6}, {3, 6}, {4, 6}, {5, 6}, {6, 6}}},
};

constexpr const char* DefaultRemark = "缺省的键定义。左键盘有4个半8度，右手有3个半8度。没有半音。";

} // namespace

TKeyDefSet DefaultKeyDefSet() {
    TKeyDefSet set;
    std::memset(&set, 0, sizeof set);
    const TKeyDef empty = EmptyKeyDef();
    for (auto& def : set.Keys)
        def = empty;
    for (const auto& row : DefaultRows) {
        for (int i = 0; i < 13 && row.Keys[i]; ++i) {
            int index = KeyIndexOfName(row.Keys[i]);
            TKeyDef& def = set.Keys[index];
            def.Count = 1;
            def.Slots[0].Degree = row.Notes[i][0];
            def.Slots[0].Octave = row.Notes[i][1];
            def.Slots[0].Keyboard = row.Keyboard;
        }
    }
    set.Remark.SetUtf8(DefaultRemark);
    return set;
}

void LoadDefaultKeyDefs() {
    KeyDefs = DefaultKeyDefSet();
}

bool IsKeyDefined(const TKeyDefSet& set, int keyIndex) {
    if (keyIndex < 0 || keyIndex >= KeyCount) return false;
    return set.Keys[keyIndex].IsDefined();
}

bool IsKeyDefined(int keyIndex) {
    return IsKeyDefined(KeyDefs, keyIndex);
}

int KeyNoteToMidi(const TKeyNote& slot, bool applyShifts, const TNoteShifts& shifts) {
    static constexpr int Scale[8] = {0, 0, 2, 4, 5, 7, 9, 11};
    if (slot.Degree == 0 || slot.Degree > 7) return -1;
    int n = Scale[slot.Degree] + 12 * (static_cast<int>(slot.Octave) - 4) + 60;
    if (slot.Accidental == 1)
        ++n;
    else if (slot.Accidental == 2)
        --n;
    if (applyShifts) {
        if (slot.Keyboard == 0)
            n += 12 * shifts.LeftOctave + shifts.Transpose;
        else if (slot.Keyboard == 1)
            n += 12 * shifts.RightOctave + shifts.Transpose;
    }
    return (n < 0 || n > 127) ? -1 : n;
}

namespace {
// Spellings left alone by both directions: C flat, E sharp, F flat, B sharp.
bool IsFrozenSpelling(const TKeyNote& s) {
    return (s.Degree == 1 && s.Accidental == 2) || (s.Degree == 3 && s.Accidental == 1) ||
           (s.Degree == 4 && s.Accidental == 2) || (s.Degree == 7 && s.Accidental == 1);
}
} // namespace

void RaiseKeyNote(TKeyNote& s) {
    if (s.Degree == 0 || s.Degree > 7 || s.Accidental > 2 || IsFrozenSpelling(s)) return;
    if (s.Accidental == 1) { // sharp: the next natural
        s.Degree = static_cast<uint8_t>(s.Degree + 1);
        s.Accidental = 0;
    } else if (s.Accidental == 2) { // flat: its natural
        s.Accidental = 0;
    } else if (s.Degree == 3) { // E -> F
        s.Degree = 4;
    } else if (s.Degree == 7) { // B -> C of the next octave
        s.Degree = 1;
        s.Octave = static_cast<uint8_t>(s.Octave + 1);
    } else {
        s.Accidental = 1;
    }
}

void LowerKeyNote(TKeyNote& s) {
    if (s.Degree == 0 || s.Degree > 7 || s.Accidental > 2 || IsFrozenSpelling(s)) return;
    if (s.Accidental == 2) { // flat: the natural below
        s.Degree = static_cast<uint8_t>(s.Degree - 1);
        s.Accidental = 0;
    } else if (s.Accidental == 1) { // sharp: its natural
        s.Accidental = 0;
    } else if (s.Degree == 4) { // F -> E
        s.Degree = 3;
    } else if (s.Degree == 1) { // C -> B of the octave below
        s.Degree = 7;
        s.Octave = static_cast<uint8_t>(s.Octave - 1);
    } else {
        s.Accidental = 2;
    }
}

void RaiseKeyBySemitone(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= KeyCount) return;
    for (auto& slot : KeyDefs.Keys[keyIndex].Slots)
        RaiseKeyNote(slot);
}

void LowerKeyBySemitone(int keyIndex) {
    if (keyIndex < 0 || keyIndex >= KeyCount) return;
    for (auto& slot : KeyDefs.Keys[keyIndex].Slots)
        LowerKeyNote(slot);
}

void SortKeyNotes(TKeyNote (&slots)[KeySlotCount]) {
    for (int i = 0; i < KeySlotCount - 1; ++i) {
        for (int j = i + 1; j < KeySlotCount; ++j) {
            const TKeyNote& a = slots[i];
            const TKeyNote& b = slots[j];
            bool swap = false;
            if (!a.HasNote())
                swap = true;
            else if (b.HasNote())
                swap = a.Octave > b.Octave || (a.Octave == b.Octave && a.Degree > b.Degree);
            if (swap) std::swap(slots[i], slots[j]);
        }
    }
}

bool SameStaffStep(const TKeyNote& a, const TKeyNote& b) {
    return a.Degree == b.Degree && a.Octave == b.Octave;
}

bool NextStaffStep(const TKeyNote& a, const TKeyNote& b) {
    if (b.Degree == a.Degree + 1 && b.Octave == a.Octave) return true;
    return a.Degree == 7 && b.Degree == 1 && b.Octave == a.Octave + 1;
}
