// Chord, arpeggio and bass parts of the preset styles. The parts are kept with each
// style but not played; the lines are still written as an arranger would, so that
// a part that is ever played sounds like its style. Codes: degree codes (0 = root,
// 7 = an octave up, -7 = an octave down, -10 = the fifth two octaves down), H = hold,
// R = release, N = no note.
#include "music/PresetStyleData.h"

namespace PresetStyleData {
namespace {
constexpr int8_t H = StepCodeHold, R = StepCodeRelease, N = StepCodeNoNote;
} // namespace

// clang-format off

// Chords on the beats, an arpeggio on the eighths, root and low fifth in the bass.
constexpr TPartsDef BrokenChordParts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 49, .ChordOption = 4, .ChordLevel = 4,
    .Chord = {  7,   H,   H,   H,   7,   H,   H,   H,   7,   H,   H,   H,   7,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 25, .ArpeggioLevel = 7,
    .Arpeggio1 = {  0,   H,   4,   H,   7,   H,   4,   H,   9,   H,   4,   H,   7,   H,   4,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 9,
    .Bass = { -7,   H,   H,   H,   H,   H,   H,   H, -10,   H,   H,   H,   H,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Driving guitar strums, a held string pad in two voices, a boogie bass.
constexpr TPartsDef RockParts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 25, .ChordOption = 4, .ChordLevel = 5,
    .Chord = {  7,   H,   R,   H,   7,   H,   7,   H,   7,   H,   R,   H,   7,   H,   7,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 48, .ArpeggioLevel = 4,
    .Arpeggio1 = {  4,   H,   H,   H,   H,   H,   H,   H,   7,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  2,   H,   H,   H,   H,   H,   H,   H,   4,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .BassProgram = 33, .BassLevel = 9,
    .Bass = { -7,   H,  -7,   H,  -5,   H,  -5,   H,  -3,   H,  -3,   H,  -2,   H,  -3,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// A string pad under a guitar arpeggio on every sixteenth; a busy bass.
constexpr TPartsDef DenseParts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 49, .ChordOption = 4, .ChordLevel = 5,
    .Chord = {  7,   H,   H,   H,   H,   H,   H,   H,   7,   H,   H,   H,   H,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 25, .ArpeggioLevel = 7,
    .Arpeggio1 = {  0,   2,   4,   7,   9,   7,   4,   2,   0,   2,   4,   7,  11,   9,   7,   4,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 9,
    .Bass = { -7,   H,   H,  -7,   H,   H,  -3,   H,  -7,   H,  -7,   H,  -2,   H,  -3,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Oom-pah-pah: bass on the first beat, short guitar chords on beats two and three.
constexpr TPartsDef WaltzParts = {
    .Length = 3, .TwoBar = 1,
    .ChordProgram = 25, .ChordOption = 3, .ChordLevel = 5,
    .Chord = {  H,   H,   H,   H,   7,   H,   R,   H,   7,   H,   R,   H,   H,   H,   H,   H,
                7,   H,   R,   H,   7,   H,   R,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 49, .ArpeggioLevel = 3,
    .Arpeggio1 = {  7,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   9,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 7,
    .Bass = { -7,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H, -10,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// A string pad with the guitar breaking the chord in eighths.
constexpr TPartsDef WaltzBrokenParts = {
    .Length = 3, .TwoBar = 1,
    .ChordProgram = 50, .ChordOption = 3, .ChordLevel = 5,
    .Chord = {  7,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   7,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 25, .ArpeggioLevel = 6,
    .Arpeggio1 = {  0,   H,   4,   H,   7,   H,   9,   H,   7,   H,   4,   H,  -3,   H,   0,   H,
                    4,   H,   7,   H,   4,   H,   0,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 8,
    .Bass = { -7,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H, -10,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Long pads and a legato bass; the pizzicato part is silent (level 0).
constexpr TPartsDef SoftWaltzParts = {
    .Length = 3, .TwoBar = 1,
    .ChordProgram = 51, .ChordOption = 3, .ChordLevel = 6,
    .Chord = {  7,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   7,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 45, .ArpeggioLevel = 0,
    .Arpeggio1 = {  H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 8,
    .Bass = { -7,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H, -10,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Oom-pa: short bass notes on the beats, chords on the offbeats.
constexpr TPartsDef PolkaParts = {
    .Length = 2, .TwoBar = 0,
    .ChordProgram = 2, .ChordOption = 0, .ChordLevel = 6,
    .Chord = {  H,   H,   7,   R,   H,   H,   7,   R,   H,   H,   H,   H,   H,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 33, .ArpeggioLevel = 0,
    .Arpeggio1 = {  H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 7,
    .Bass = { -7,   H,   R,   H, -10,   H,   R,   H,   H,   H,   H,   H,   H,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Offbeat guitar chops over muted-guitar picking and a light bass.
constexpr TPartsDef BriskParts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 25, .ChordOption = 4, .ChordLevel = 4,
    .Chord = {  H,   H,   7,   R,   H,   H,   7,   R,   H,   H,   7,   R,   H,   H,   7,   R,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 28, .ArpeggioLevel = 6,
    .Arpeggio1 = {  0,   H,   4,   H,   7,   H,   4,   H,   0,   H,   4,   H,   7,   H,   9,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 7,
    .Bass = { -7,   H,   H,   H,   H,   H,  -3,   H,  -7,   H,   H,   H,  -3,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Guitar chops on the offbeats and the octave-jumping disco bass, over two bars of 2/4.
constexpr TPartsDef DiscoParts = {
    .Length = 2, .TwoBar = 1,
    .ChordProgram = 26, .ChordOption = 0, .ChordLevel = 4,
    .Chord = {  H,   H,   7,   R,   H,   H,   7,   R,   H,   H,   7,   R,   H,   H,   7,   R,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 2, .ArpeggioLevel = 0,
    .Arpeggio1 = {  H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 34, .BassLevel = 7,
    .Bass = { -7,   H,   0,   H,  -7,   H,   0,   H,  -7,   H,   0,   H,  -7,   H,   0,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Piano chords on the 3-3-2 of the bar, a sung pad, the anticipated rumba bass.
constexpr TPartsDef RumbaParts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 2, .ChordOption = 4, .ChordLevel = 6,
    .Chord = {  7,   H,   R,   H,   H,   H,   7,   H,   R,   H,   H,   H,   7,   H,   R,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 54, .ArpeggioLevel = 4,
    .Arpeggio1 = {  4,   H,   H,   H,   H,   H,   H,   H,   5,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  2,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .BassProgram = 33, .BassLevel = 8,
    .Bass = { -7,   H,   H,   H,   H,   H,  -3,   H,   H,   H,   H,   H,  -7,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Marcato chords on every beat; a short 3-3-2 bass.
constexpr TPartsDef TangoParts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 26, .ChordOption = 4, .ChordLevel = 6,
    .Chord = {  7,   H,   R,   H,   7,   H,   R,   H,   7,   H,   R,   H,   7,   H,   R,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 0, .ArpeggioLevel = 0,
    .Arpeggio1 = {  H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 7,
    .Bass = { -7,   H,   R,   H,   H,   H,  -3,   H,   R,   H,   H,   H, -10,   H,   R,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Four short guitar chords a bar over a walking bass.
constexpr TPartsDef JitterbugParts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 25, .ChordOption = 4, .ChordLevel = 7,
    .Chord = {  7,   H,   R,   H,   7,   H,   R,   H,   7,   H,   R,   H,   7,   H,   R,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 0, .ArpeggioLevel = 0,
    .Arpeggio1 = {  H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 9,
    .Bass = { -7,   H,   H,   H,  -5,   H,   H,   H,  -3,   H,   H,   H,  -2,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// The metronomes (2/4, 3/4 and 4/4) play percussion only: no parts at all.
constexpr TPartsDef MetronomeParts = {
    .Length = 0, .TwoBar = 0,
    .ChordProgram = 0, .ChordOption = 0, .ChordLevel = 0,
    .Chord = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .ArpeggioProgram = 0, .ArpeggioLevel = 0,
    .Arpeggio1 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 0, .BassLevel = 0,
    .Bass = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
               N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
};

// Half-note chords, a held string line, root and fifth in the bass.
constexpr TPartsDef Hymn1Parts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 5, .ChordOption = 4, .ChordLevel = 7,
    .Chord = {  7,   H,   H,   H,   H,   H,   H,   H,   7,   H,   H,   H,   H,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 49, .ArpeggioLevel = 5,
    .Arpeggio1 = {  2,   H,   H,   H,   H,   H,   H,   H,   4,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,
                    N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N,   N},
    .BassProgram = 33, .BassLevel = 9,
    .Bass = { -7,   H,   H,   H,   H,   H,   H,   H, -10,   H,   H,   H,   H,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Chords on every beat, two held string voices, a bass moving in quarters.
constexpr TPartsDef Hymn2Parts = {
    .Length = 4, .TwoBar = 0,
    .ChordProgram = 5, .ChordOption = 4, .ChordLevel = 8,
    .Chord = {  7,   H,   H,   H,   7,   H,   H,   H,   7,   H,   H,   H,   7,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 49, .ArpeggioLevel = 5,
    .Arpeggio1 = {  4,   H,   H,   H,   H,   H,   H,   H,   5,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  2,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .BassProgram = 35, .BassLevel = 9,
    .Bass = { -7,   H,   H,   H,  -5,   H,   H,   H,  -3,   H,   H,   H,  -5,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// Fingerpicked guitar: the thumb on the second line, the fingers on the first.
constexpr TPartsDef FolkParts = {
    .Length = 3, .TwoBar = 1,
    .ChordProgram = 25, .ChordOption = 3, .ChordLevel = 0,
    .Chord = {  H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,
                H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .ArpeggioProgram = 25, .ArpeggioLevel = 9,
    .Arpeggio1 = {  H,   H,   4,   H,   7,   H,   9,   H,   7,   H,   4,   H,   H,   H,   4,   H,
                    7,   H,   9,   H,   7,   H,   4,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .Arpeggio2 = {  0,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,  -3,   H,   H,   H,
                    H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
    .BassProgram = 33, .BassLevel = 8,
    .Bass = { -7,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H, -10,   H,   H,   H,
               H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H,   H},
};

// clang-format on

} // namespace PresetStyleData
