// The notes of the keys now held, as the staff draws them: eight note slots in the
// order they were collected, the unused ones holding the empty note.
#pragma once

#include "keys/KeyDef.h"

constexpr int HeldChordSize = 8;

struct THeldChord {
    TKeyNote Notes[HeldChordSize];
    int Count = 0; // slots filled, from slot 0

    THeldChord() {
        for (TKeyNote& n : Notes)
            n = EmptyKeyNote();
    }
    // Degree 0, no accidental, octave 4, left keyboard, velocity 0.
    static constexpr TKeyNote EmptyKeyNote() { return TKeyNote{0, 0, 4, 0, 0}; }
};
