// The preset styles as written in the data files: drum patterns as strings of
// marks, part lines as step-code arrays. AccompStyle.cpp turns them into records.
#pragma once

#include "music/AccompStyle.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace PresetStyleData {

// One drum track. OnMarks has one character per step, 'x' = on-mark, '.' = none;
// steps past the end of the string have no mark.
struct TTrackDef {
    uint8_t On;
    int8_t Key;
    int8_t Weight;
    std::string_view OnMarks;
};

struct TPercussionDef {
    std::string_view SectionName;
    int8_t Length; // beats
    uint8_t TwoBar;
    int8_t Level;
    std::array<TTrackDef, DrumTrackCount> Tracks; // unused tracks are all zero
};

using TStepLine = std::array<int8_t, PatternStepCount>;

// The chord, arpeggio and bass parts of a style, shared by its sections.
struct TPartsDef {
    int8_t Length; // beats, for all three parts
    uint8_t TwoBar;
    int8_t ChordProgram, ChordOption, ChordLevel;
    TStepLine Chord;
    int8_t ArpeggioProgram, ArpeggioLevel;
    TStepLine Arpeggio1, Arpeggio2;
    int8_t BassProgram, BassLevel;
    TStepLine Bass;
};

struct TStyleDef {
    std::string_view Name; // UTF-8; stored in code page 936
    int8_t Length;
    uint8_t TwoBar;
    const TPercussionDef* Main;
    const TPercussionDef* FillIn1; // nullptr = empty section
    const TPercussionDef* FillIn2;
    const TPartsDef* Parts;
};

constexpr bool IsValidMarkString(std::string_view marks) {
    if (marks.size() > PatternStepCount) return false;
    for (char c : marks)
        if (c != 'x' && c != '.') return false;
    return true;
}

constexpr bool IsValidPercussion(const TPercussionDef& p) {
    for (const TTrackDef& t : p.Tracks)
        if (!IsValidMarkString(t.OnMarks) || t.Weight < 0 || t.Weight > 9) return false;
    return p.Level >= 0 && p.Level <= 9;
}

// Drum patterns (PresetStylePatterns.cpp), by style.
extern const TPercussionDef BrokenChordMain, BrokenChordFill1, BrokenChordFill2;
extern const TPercussionDef RockMain, RockFill1;
extern const TPercussionDef DenseMain;
extern const TPercussionDef WaltzMain, WaltzFill1, WaltzFill2;
extern const TPercussionDef WaltzBrokenMain, WaltzBrokenFill1;
extern const TPercussionDef SoftWaltzMain, SoftWaltzFill1, SoftWaltzFill2;
extern const TPercussionDef PolkaMain, PolkaFill1, PolkaFill2;
extern const TPercussionDef BriskMain, BriskFill1, BriskFill2;
extern const TPercussionDef DiscoMain, DiscoFill1, DiscoFill2;
extern const TPercussionDef RumbaMain, TangoMain, JitterbugMain;
extern const TPercussionDef Metronome2Main, Metronome3Main, Metronome4Main;
extern const TPercussionDef Hymn1Main, Hymn2Main, FolkMain;

// Chord, arpeggio and bass parts (PresetStyleParts.cpp), by style; the three
// metronomes share theirs.
extern const TPartsDef BrokenChordParts, RockParts, DenseParts, WaltzParts, WaltzBrokenParts,
    SoftWaltzParts, PolkaParts, BriskParts, DiscoParts, RumbaParts, TangoParts, JitterbugParts,
    MetronomeParts, Hymn1Parts, Hymn2Parts, FolkParts;

} // namespace PresetStyleData
