// MusicXML 4.0 (partwise, UTF-8) of a score: the piano on a grand staff, and the
// percussion, when there is any, as a part of its own on a percussion staff.
#pragma once

#include "export/SongScore.h"

#include <string>

std::string WriteMusicXml(const TScore& score);

// How a MIDI note is written in a key of `fifths`: letter 0..6 (C..B), alteration
// -1..1 and octave as MusicXML counts them (middle C is C4).
struct TSpelledPitch {
    int Letter;
    int Alter;
    int Octave;
};
TSpelledPitch SpellPitch(int midiNote, int fifths);
