// The smart-semitone block: in that mode the six editing-block keys play the black
// key nearest to the right keyboard's last note, and the notes they start are
// remembered so that their release ends exactly those notes.
#pragma once

#include "keys/KeyDef.h"

#include <array>
#include <cstdint>

// "Insert", "Home", "PageUp", "Delete", "End", "PageDown".
constexpr int SixKeyFirst = 80, SixKeyCount = 6;
constexpr bool IsSixKey(int keyIndex) {
    return keyIndex >= SixKeyFirst && keyIndex < SixKeyFirst + SixKeyCount;
}

// The black key of the six-key `keyIndex` (its pitch class moved by the
// transposition) nearest to lastRightNote, which counts as 60 when below 1. A tie
// goes to the lower note, and the result always lies in 0..127. -1 for other keys.
int SemitoneNote(int keyIndex, int transpose, int lastRightNote);

// Rewrites the six keys for the mode: on, each a right-keyboard sharp in octave 4
// naming its black key; off, their notes of the default layout.
void ApplySixKeyDefs(TKeyDefSet& set, bool on);

// Six remembered (key, note) pairs of right-keyboard notes sounding from the block.
class TSemitoneSlots {
public:
    static constexpr int Size = 6;
    // False when all six are taken: the note then is not remembered.
    bool Take(int keyIndex, int note);
    // Frees every entry of the key, handing each note to `end` first.
    template <typename TEnd> void ReleaseKey(int keyIndex, TEnd&& end) {
        for (TEntry& e : Entries)
            if (e.KeyIndex == keyIndex) {
                const int note = e.Note;
                e = TEntry{};
                end(note);
            }
    }
    template <typename TEnd> void FreeAll(TEnd&& end) {
        for (TEntry& e : Entries)
            if (e.KeyIndex >= 0) {
                const int note = e.Note;
                e = TEntry{};
                end(note);
            }
    }
    int UsedCount() const;

private:
    struct TEntry {
        int32_t KeyIndex = -1; // -1: free
        int32_t Note = 0;
    };
    std::array<TEntry, Size> Entries{};
};
