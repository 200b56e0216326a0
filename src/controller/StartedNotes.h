// The notes each key started and has not ended yet: a key's release ends exactly
// these, whatever the shifts, the key's definition or the modifiers are by then.
// Fixed tables only, so that the key path allocates nothing.
#pragma once

#include "keys/KeyDef.h"
#include "keys/KeyTable.h"

#include <array>
#include <cstddef>
#include <cstdint>

struct TStartedNote {
    uint8_t Channel = 0;
    uint8_t Note = 0;
    bool FromBlock = false; // a right-keyboard note of the smart-semitone block
};

class TStartedNotes {
public:
    // A key sounds at most one note per slot of its definition.
    static constexpr int PerKey = KeySlotCount;

    bool IsSounding(int keyIndex) const { return Valid(keyIndex) && Counts[At(keyIndex)] > 0; }
    // False when the key already holds PerKey notes (the note is then not kept).
    bool Add(int keyIndex, TStartedNote note) {
        if (!Valid(keyIndex) || Counts[At(keyIndex)] >= PerKey) return false;
        Notes[At(keyIndex)][Counts[At(keyIndex)]++] = note;
        return true;
    }
    // Hands every note of the key to `end`, in the order started, and forgets them.
    template <typename TEnd> void Release(int keyIndex, TEnd&& end) {
        if (!Valid(keyIndex)) return;
        const size_t k = At(keyIndex);
        const int count = Counts[k];
        Counts[k] = 0;
        for (int i = 0; i < count; ++i)
            end(Notes[k][static_cast<size_t>(i)]);
    }
    // Hands the block's notes of every key to `end` and forgets them; other notes stay.
    template <typename TEnd> void ReleaseBlockNotes(TEnd&& end) {
        for (size_t k = 0; k < Counts.size(); ++k) {
            int kept = 0;
            for (int i = 0; i < Counts[k]; ++i) {
                const TStartedNote n = Notes[k][static_cast<size_t>(i)];
                if (n.FromBlock)
                    end(n);
                else
                    Notes[k][static_cast<size_t>(kept++)] = n;
            }
            Counts[k] = static_cast<uint8_t>(kept);
        }
    }
    // Every note ended by other means (all notes off): nothing is left to end.
    void Clear() { Counts.fill(0); }

private:
    static bool Valid(int keyIndex) { return keyIndex >= 0 && keyIndex < KeyCount; }
    static size_t At(int keyIndex) { return static_cast<size_t>(keyIndex); }

    std::array<std::array<TStartedNote, PerKey>, KeyCount> Notes{};
    std::array<uint8_t, KeyCount> Counts{};
};
