// How the staff spells what it shows: a MIDI note as a slot of numbered notation
// (movable do in the key of the transposition), and a slot as the letter and octave
// written on the grand staff in that key. Plain C++: no pictures here.
#pragma once

#include "keys/KeyDef.h"

// The accidental of a written note that cancels the key signature (display only).
constexpr uint8_t NaturalSign = 3;

// The degree of a slot that the staff can draw: 1..7; anything else draws nothing.
inline bool IsDrawableDegree(const TKeyNote& slot) {
    return slot.Degree >= 1 && slot.Degree <= 7;
}

// Fills the slot's degree, accidental and octave with `midiNote` minus the
// transposition, spelled with sharps (60 = do in octave 4). Notes above 127, and
// those that fall below octave 0 once transposed, give the empty slot. Keyboard and
// velocity are left as they are.
void MidiToSlot(int midiNote, int transpose, TKeyNote& slot);

// Whether the key signature of `code` (1..7 sharps, 8..14 seven plus the flats)
// sharpens or flattens a letter (C = 1 .. B = 7).
bool SignatureSharpens(int code, int letter);
bool SignatureFlattens(int code, int letter);

// Rewrites a slot as written on the staff for a transposition in -4..7: the degree
// becomes the letter (C = 1 .. B = 7), the octave the written octave, and a sharp or
// flat that the key signature already gives the other way becomes NaturalSign. Empty
// slots, undrawable degrees and transpositions outside -4..7 are left unchanged.
void RespellForKey(TKeyNote& slot, int transpose);
