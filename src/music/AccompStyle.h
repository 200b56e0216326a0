// Accompaniment style records (a style, its three sections, their drum tracks) and
// the styles the bank starts with: 18 presets and the empty style "None".
#pragma once

#include "base/ShortString.h"
#include "music/DegreeCode.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr int DrumTrackCount = 8;
// Steps of the longest pattern: four beats of two bars, four quarter-beat steps each.
constexpr int PatternStepCount = 32;

constexpr int PresetAccompStyleCount = 18;
constexpr int AccompStyleGroupCount = 6;
constexpr int AccompStylesPerGroup = 12;
constexpr int AccompStyleBankSize = AccompStyleGroupCount * AccompStylesPerGroup;

#pragma pack(push, 1)
struct TDrumTrack {
    uint8_t On;                         // nonzero = switched on
    int8_t Key;                         // General MIDI percussion key
    int8_t Weight;                      // 0..9
    uint8_t OffMarks[PatternStepCount]; // nonzero = mark; stored, never acted on
    uint8_t OnMarks[PatternStepCount];  // nonzero = the key sounds on this step
};

struct TAccompSection {
    TShortString<65> Name;
    int8_t PercussLength;  // in beats; 0 = no percussion pattern
    uint8_t PercussTwoBar; // nonzero: 8 steps per beat of length instead of 4
    TDrumTrack DrumTracks[DrumTrackCount];
    int8_t PercussLevel; // 0..9
    int8_t ChordLength;  // in beats
    uint8_t ChordTwoBar;
    int8_t ChordProgram;                 // General MIDI program counted from 0
    int8_t ChordOption;                  // kept, not interpreted
    int8_t ChordSteps[PatternStepCount]; // step codes (DegreeCode.h)
    int8_t ChordLevel;                   // 0..9
    int8_t ArpeggioLength;
    uint8_t ArpeggioTwoBar;
    int8_t ArpeggioProgram;
    int8_t ArpeggioSteps[2][PatternStepCount]; // two lines
    int8_t ArpeggioLevel;
    int8_t BassLength;
    uint8_t BassTwoBar;
    int8_t BassProgram;
    int8_t BassSteps[PatternStepCount];
    int8_t BassLevel;

    bool HasPercussion() const { return PercussLength != 0; }
};

struct TAccompStyle {
    TShortString<129> Name;
    int8_t Length;  // bar length in beats; 0 = no style
    uint8_t TwoBar; // main cycle of 8 x Length steps instead of 4 x Length
    TAccompSection Main;
    uint8_t FillIn1TwoBar;
    TAccompSection FillIn1;
    uint8_t FillIn2TwoBar;
    TAccompSection FillIn2;
};
#pragma pack(pop)

static_assert(sizeof(TDrumTrack) == 67);
static_assert(offsetof(TDrumTrack, Key) == 1);
static_assert(offsetof(TDrumTrack, Weight) == 2);
static_assert(offsetof(TDrumTrack, OffMarks) == 3);
static_assert(offsetof(TDrumTrack, OnMarks) == 35);

static_assert(sizeof(TAccompSection) == 745);
static_assert(offsetof(TAccompSection, PercussLength) == 65);
static_assert(offsetof(TAccompSection, PercussTwoBar) == 66);
static_assert(offsetof(TAccompSection, DrumTracks) == 67);
static_assert(offsetof(TAccompSection, PercussLevel) == 603);
static_assert(offsetof(TAccompSection, ChordLength) == 604);
static_assert(offsetof(TAccompSection, ChordTwoBar) == 605);
static_assert(offsetof(TAccompSection, ChordProgram) == 606);
static_assert(offsetof(TAccompSection, ChordOption) == 607);
static_assert(offsetof(TAccompSection, ChordSteps) == 608);
static_assert(offsetof(TAccompSection, ChordLevel) == 640);
static_assert(offsetof(TAccompSection, ArpeggioLength) == 641);
static_assert(offsetof(TAccompSection, ArpeggioTwoBar) == 642);
static_assert(offsetof(TAccompSection, ArpeggioProgram) == 643);
static_assert(offsetof(TAccompSection, ArpeggioSteps) == 644);
static_assert(offsetof(TAccompSection, ArpeggioLevel) == 708);
static_assert(offsetof(TAccompSection, BassLength) == 709);
static_assert(offsetof(TAccompSection, BassTwoBar) == 710);
static_assert(offsetof(TAccompSection, BassProgram) == 711);
static_assert(offsetof(TAccompSection, BassSteps) == 712);
static_assert(offsetof(TAccompSection, BassLevel) == 744);

static_assert(sizeof(TAccompStyle) == 2368);
static_assert(offsetof(TAccompStyle, Length) == 129);
static_assert(offsetof(TAccompStyle, TwoBar) == 130);
static_assert(offsetof(TAccompStyle, Main) == 131);
static_assert(offsetof(TAccompStyle, FillIn1TwoBar) == 876);
static_assert(offsetof(TAccompStyle, FillIn1) == 877);
static_assert(offsetof(TAccompStyle, FillIn2TwoBar) == 1622);
static_assert(offsetof(TAccompStyle, FillIn2) == 1623);

using TAccompStyleBank = std::array<TAccompStyle, AccompStyleBankSize>;

// The preset styles in bank order (built once, on first use; safe from any thread).
const std::array<TAccompStyle, PresetAccompStyleCount>& PresetAccompStyles();
// Preset `index` (0..17); any other index gives the empty style, which is what the
// bank's slots past the presets hold.
const TAccompStyle& PresetAccompStyle(int index);
// "None": length 2, a silent main section, empty fill-ins.
const TAccompStyle& EmptyAccompStyle();
// The bank as it starts: the presets in slots 0..17, the empty style in 18..71.
void FillInitialAccompStyleBank(TAccompStyleBank& bank);
