// Black keys of the six-key block, their definitions and the remembered notes.
#include "controller/SmartSemitone.h"

namespace {
// Base note of each key, Insert .. PageDown; the black key lies a semitone above.
constexpr int SixKeyBase[SixKeyCount] = {69, 69, 65, 62, 60, 67};

struct TSixKeyNote {
    uint8_t Degree, Accidental, Octave;
};
constexpr TSixKeyNote SixKeyOn[SixKeyCount] = {{6, 1, 4}, {6, 1, 4}, {4, 1, 4},
                                               {2, 1, 4}, {1, 1, 4}, {5, 1, 4}};
constexpr TSixKeyNote SixKeyOff[SixKeyCount] = {{4, 0, 6}, {5, 0, 6}, {6, 0, 6},
                                                {1, 0, 6}, {2, 0, 6}, {3, 0, 6}};
} // namespace

int SemitoneNote(int keyIndex, int transpose, int lastRightNote) {
    if (!IsSixKey(keyIndex)) return -1;
    const int c = SixKeyBase[keyIndex - SixKeyFirst] + transpose + 1;
    const int r = lastRightNote < 1 ? 60 : lastRightNote;
    // hi: the first note of c's pitch class at or above r; lo: the one an octave below.
    const int hi = r + (((c - r) % 12) + 12) % 12;
    const int lo = hi - 12;
    if (hi > 127) return lo;
    if (lo < 0) return hi;
    return hi - r < r - lo ? hi : lo;
}

void ApplySixKeyDefs(TKeyDefSet& set, bool on) {
    for (int i = 0; i < SixKeyCount; ++i) {
        const TSixKeyNote& n = on ? SixKeyOn[i] : SixKeyOff[i];
        TKeyDef& def = set.Keys[SixKeyFirst + i];
        def.Count = 1;
        def.Slots[0].Degree = n.Degree;
        def.Slots[0].Accidental = n.Accidental;
        def.Slots[0].Octave = n.Octave;
        def.Slots[0].Keyboard = 1;
    }
}

bool TSemitoneSlots::Take(int keyIndex, int note) {
    for (TEntry& e : Entries)
        if (e.KeyIndex < 0) {
            e = TEntry{keyIndex, note};
            return true;
        }
    return false;
}

int TSemitoneSlots::UsedCount() const {
    int n = 0;
    for (const TEntry& e : Entries)
        n += e.KeyIndex >= 0;
    return n;
}
