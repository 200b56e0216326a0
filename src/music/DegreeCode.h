// Step codes of the chord, arpeggio and bass parts, and the rule that turns a degree
// code into a note of the mode that belongs to the chord root.
#pragma once

#include <array>
#include <cstdint>

// The step codes that are not degree codes. The parts are stored but not played;
// the presets use the markers as follows.
constexpr int8_t StepCodeHold = 98;     // nothing new on this step, what sounds goes on
constexpr int8_t StepCodeRelease = 99;  // the notes of the part end here
constexpr int8_t StepCodeNoNote = -127; // the line has no note on this step
// Degree codes run from here upward: -14 is the root two octaves down.
constexpr int LowestDegreeCode = -14;

constexpr int ModeTableCount = 7;
constexpr int DegreesPerOctave = 7;
using TModeTable = std::array<int, DegreesPerOctave>; // semitones of degrees 0..6

extern const std::array<TModeTable, ModeTableCount> ModeTables;

// Which mode table a root uses: by pitch class, the first table for C and for the
// black keys.
int ModeTableIndexOf(int root);

// MIDI note of degree code `code` over chord root `root` (a MIDI note), or -1 for
// no note: for the markers and -127, for any other code below -14, for a root
// outside 0..127, for a code outside the signed byte range, and for a result
// outside 0..127.
int DegreeCodeToMidi(int root, int code);
