// The chord style table (the chord types and voicings of the auto-chord, with the
// offsets of each root's chord) and the chord name tables.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

constexpr int ChordStyleCount = 32;
constexpr int ChordRootCount = 12;        // rows of a chord style: C, C sharp, ... B
constexpr int ChordPlaceCount = 6;        // offsets in a row
constexpr int32_t ChordOffsetNone = -127; // an empty place in a row
// The chord style the accompaniment starts with; it chooses among the first 16.
constexpr int DefaultChordStyleIndex = 15;
constexpr int SelectableChordStyleCount = 16;

// A chord style: its name (UTF-8) and, per root pitch class, the semitone offsets
// of the chord's notes from the root, the used places first.
struct TChordStyleNoVolumeType {
    std::string_view Name;
    int32_t Offsets[ChordRootCount][ChordPlaceCount];
};

extern const std::array<TChordStyleNoVolumeType, ChordStyleCount> ChordStyles;

// Chord style `index` (0..31), or nullptr.
const TChordStyleNoVolumeType* ChordStyle(int index);

constexpr int ChordTypeCount = 15;

// Names of the chords a single finger plays, by root pitch class: "C" .. "Bdim".
extern const std::array<std::string_view, ChordRootCount> OneFingerChordNames;
// Suffixes of chord types 0 (major, empty) .. 14 ("sus4").
extern const std::array<std::string_view, ChordTypeCount> ChordTypeSuffixes;
// Root names by pitch class, sharps written before the letter: "C", "#C", ...
extern const std::array<std::string_view, ChordRootCount> RootNames;

// The one-finger chord name of a root note (any MIDI note: by its pitch class).
std::string_view OneFingerChordName(int root);
