// Drum patterns of the preset styles, one string of marks per track: one character
// per quarter-beat step, 'x' = on-mark. A fill-in plays one whole cycle of its
// style; in two-bar styles its first bar keeps the groove and the second bar fills.
#include "music/PresetStyleData.h"

namespace PresetStyleData {

// General MIDI percussion keys used here.
namespace {
constexpr int8_t Kick = 35, Kick1 = 36, SideStick = 37, Snare = 38, Clap = 39, Snare2 = 40,
                 LowFloorTom = 41, ClosedHat = 42, HighFloorTom = 43, PedalHat = 44, LowTom = 45,
                 OpenHat = 46, LowMidTom = 47, HighMidTom = 48, HighTom = 50, Tambourine = 54,
                 Crash2 = 57, HighBongo = 60, LowBongo = 61, MuteHighConga = 62, LowConga = 64,
                 Cabasa = 69, LongGuiro = 74, Claves = 75;
constexpr std::string_view MainName = "主奏", Fill1Name = "过门1", Fill2Name = "过门2";
} // namespace

// clang-format off

// 4/4 broken chords: kick on 1 and 3, snare on 2 and 4, closed hi-hat eighths. The
// hi-hat's mark on step 16 lies past the 16-step pattern, and the open hi-hat track
// is switched off; both are kept as the style has always had them.
constexpr TPercussionDef BrokenChordMain = {MainName, 4, 0, 9, {{
    {1, Kick1,     8, "x.......x......."},
    {1, Snare2,    7, "....x.......x..."},
    {1, ClosedHat, 5, "x.x.x.x.x.x.x.x.x"},
    {0, OpenHat,   5, "..............x."},
}}};
constexpr TPercussionDef BrokenChordFill1 = {Fill1Name, 4, 0, 9, {{
    {1, Kick1,     8, "x.......x......."},
    {1, Snare2,    7, "....x.....x.xxxx"},
    {1, ClosedHat, 5, "x.x.x.x.x......."},
}}};
constexpr TPercussionDef BrokenChordFill2 = {Fill2Name, 4, 0, 9, {{
    {1, Kick1,       8, "x.......x......."},
    {1, Snare2,      7, "....x..........."},
    {1, ClosedHat,   5, "x.x.x.x........."},
    {1, HighMidTom,  7, "........xx......"},
    {1, LowTom,      7, "..........xx...."},
    {1, HighFloorTom, 7, "............xx.."},
    {1, LowFloorTom, 8, "..............xx"},
}}};

// Rock: kick on 1, 3 and the "and" of 3, backbeat snare, pedal hi-hat eighths that
// open on the "and" of 2 and 4.
constexpr TPercussionDef RockMain = {MainName, 4, 0, 9, {{
    {1, Kick,     9, "x.......x.x....."},
    {1, Snare2,   8, "....x.......x..."},
    {1, PedalHat, 6, "x.x.x...x.x.x..."},
    {1, OpenHat,  5, "......x.......x."},
}}};
constexpr TPercussionDef RockFill1 = {Fill1Name, 4, 0, 9, {{
    {1, Kick,         9, "x.......x......."},
    {1, Snare2,       8, "....x...xx......"},
    {1, PedalHat,     6, "x.x.x.x........."},
    {1, HighTom,      7, "..........xx...."},
    {1, LowMidTom,    7, "............xx.."},
    {1, HighFloorTom, 8, "..............xx"},
}}};

// Dense: syncopated kick, snare doubled by a clap, closed hi-hat sixteenths that open
// on the last eighth, tambourine on the offbeats, a crash on the downbeat.
constexpr TPercussionDef DenseMain = {MainName, 4, 0, 9, {{
    {1, Kick,       9, "x..x....x.x....."},
    {1, Snare,      8, "....x.......x..."},
    {1, Clap,       5, "....x.......x..."},
    {1, ClosedHat,  5, "xxxxxxxxxxxxxx.x"},
    {1, OpenHat,    6, "..............x."},
    {1, Tambourine, 4, "..x...x...x...x."},
    {1, Crash2,     4, "x..............."},
}}};

// Waltz over two bars: oom on the first beat, pah-pah on beats two and three, a
// pedal hi-hat pickup at the end of the second bar.
constexpr TPercussionDef WaltzMain = {MainName, 3, 1, 9, {{
    {1, Kick,     8, "x...........x..........."},
    {1, Snare,    4, "....x...x.......x...x..."},
    {1, PedalHat, 6, "....x...x.......x...x.x."},
}}};
constexpr TPercussionDef WaltzFill1 = {Fill1Name, 3, 1, 9, {{
    {1, Kick,     8, "x...........x..........."},
    {1, Snare,    5, "....x...x.......x.x.xxxx"},
    {1, PedalHat, 6, "....x...x..............."},
}}};
constexpr TPercussionDef WaltzFill2 = {Fill2Name, 3, 1, 9, {{
    {1, Kick,         8, "x...........x..........."},
    {1, Snare,        4, "....x...x..............."},
    {1, PedalHat,     6, "....x...x..............."},
    {1, LowTom,       6, "................x.x....."},
    {1, HighFloorTom, 6, "....................x..."},
    {1, LowFloorTom,  7, "......................xx"},
}}};

// Waltz with broken chords: lighter; the hi-hat lilts on beat two and its "and",
// the snare marks beat three.
constexpr TPercussionDef WaltzBrokenMain = {MainName, 3, 1, 9, {{
    {1, Kick,     7, "x...........x..........."},
    {1, Snare,    4, "........x...........x..."},
    {1, PedalHat, 5, "....x.x.x.......x.x.x..."},
}}};
constexpr TPercussionDef WaltzBrokenFill1 = {Fill1Name, 3, 1, 9, {{
    {1, Kick,     7, "x...........x..........."},
    {1, Snare,    5, "........x.......x.x.x.xx"},
    {1, PedalHat, 5, "....x.x.x..............."},
}}};

// Soft waltz: only a soft kick and the pedal hi-hat; the fills stay soft (side stick,
// a gentle tom descent).
constexpr TPercussionDef SoftWaltzMain = {MainName, 3, 1, 7, {{
    {1, Kick,     6, "x...........x..........."},
    {1, PedalHat, 5, "....x...x.......x...x..."},
}}};
constexpr TPercussionDef SoftWaltzFill1 = {Fill1Name, 3, 1, 7, {{
    {1, Kick,      6, "x...........x..........."},
    {1, PedalHat,  5, "....x...x.......x......."},
    {1, SideStick, 5, "................x...x.x."},
}}};
constexpr TPercussionDef SoftWaltzFill2 = {Fill2Name, 3, 1, 7, {{
    {1, Kick,         6, "x...........x..........."},
    {1, PedalHat,     5, "....x...x..............."},
    {1, LowTom,       5, "................x.x....."},
    {1, HighFloorTom, 5, "....................x..."},
    {1, LowFloorTom,  5, "......................x."},
}}};

// Polka: kick on the beats, snare on the offbeats.
constexpr TPercussionDef PolkaMain = {MainName, 2, 0, 9, {{
    {1, Kick,  8, "x...x..."},
    {1, Snare, 7, "..x...x."},
}}};
constexpr TPercussionDef PolkaFill1 = {Fill1Name, 2, 0, 9, {{
    {1, Kick,  8, "x...x..."},
    {1, Snare, 7, "..x..xxx"},
}}};
constexpr TPercussionDef PolkaFill2 = {Fill2Name, 2, 0, 9, {{
    {1, Kick,  8, "x...x..."},
    {1, Snare, 6, "..xxxxxx"},
}}};

// Brisk: kick on 1 and 3, cabasa eighths, claves in a clave figure.
constexpr TPercussionDef BriskMain = {MainName, 4, 0, 9, {{
    {1, Kick,   8, "x.......x......."},
    {1, Cabasa, 5, "x.x.x.x.x.x.x.x."},
    {1, Claves, 6, "x..x..x...x.x..."},
}}};
constexpr TPercussionDef BriskFill1 = {Fill1Name, 4, 0, 9, {{
    {1, Kick,   8, "x.......x......."},
    {1, Cabasa, 5, "x.x.x.x.x.x....."},
    {1, Claves, 6, "x..x..x.x.xxx.x."},
}}};
constexpr TPercussionDef BriskFill2 = {Fill2Name, 4, 0, 9, {{
    {1, Kick,      8, "x.......x......."},
    {1, Cabasa,    5, "x.x.x.x........."},
    {1, HighBongo, 6, "........xxxx...."},
    {1, LowBongo,  6, "............xx.."},
    {1, LowConga,  7, "..............x."},
}}};

// Disco, two bars of 2/4: four on the floor, snare on the backbeats, hi-hat on every
// offbeat (the pedal hi-hat in the groove, the open hi-hat in the fills).
constexpr TPercussionDef DiscoMain = {MainName, 2, 1, 9, {{
    {1, Kick,     9, "x...x...x...x..."},
    {1, Snare,    7, "....x.......x..."},
    {1, PedalHat, 6, "..x...x...x...x."},
}}};
constexpr TPercussionDef DiscoFill1 = {Fill1Name, 2, 1, 9, {{
    {1, Kick,    9, "x...x...x...x..."},
    {1, Snare,   7, "....x.......xxxx"},
    {1, OpenHat, 6, "..x...x...x...x."},
}}};
constexpr TPercussionDef DiscoFill2 = {Fill2Name, 2, 1, 9, {{
    {1, Kick,         9, "x...x...x...x..."},
    {1, Snare,        7, "....x...x.xx...."},
    {1, OpenHat,      6, "..x...x........."},
    {1, HighTom,      7, "............xx.."},
    {1, LowMidTom,    7, "..............x."},
    {1, HighFloorTom, 8, "...............x"},
}}};

// Rumba: pedal hi-hat on the beats, muted high conga, open low-conga tones on the
// "and" of 2, on 4 and its "and" (the tumbao).
constexpr TPercussionDef RumbaMain = {MainName, 4, 0, 9, {{
    {1, PedalHat,      5, "x...x...x...x..."},
    {1, MuteHighConga, 6, "x.x.x...x.x....."},
    {1, LowConga,      7, "......x.....x.x."},
}}};

// Argentine tango: kick in 3-3-2, snare on 2 and the last eighth, hi-hat on the
// beats, a long guiro scrape on 3.
constexpr TPercussionDef TangoMain = {MainName, 4, 0, 9, {{
    {1, Kick,      8, "x.....x.....x..."},
    {1, Snare,     6, "....x.........x."},
    {1, PedalHat,  5, "x...x...x...x..."},
    {1, LongGuiro, 6, "........x......."},
}}};

// Jitterbug swing: the hi-hat plays the ride figure with the swung eighth on the
// last sixteenth of beats 2 and 4, claps on 2 and 4, kick on 1, 3 and a push.
constexpr TPercussionDef JitterbugMain = {MainName, 4, 0, 7, {{
    {1, Kick,     7, "x.......x..x...."},
    {1, Clap,     7, "....x.......x..."},
    {1, PedalHat, 6, "x...x..xx...x..x"},
}}};

// Metronomes: a soft snare on the first beat, the pedal hi-hat on the others, in
// tracks 0 and 2.
constexpr TPercussionDef Metronome2Main = {MainName, 2, 0, 9, {{
    {1, Snare,    4, "x"},
    {},
    {1, PedalHat, 9, "....x"},
}}};
constexpr TPercussionDef Metronome3Main = {MainName, 3, 0, 9, {{
    {1, Snare,    4, "x"},
    {},
    {1, PedalHat, 9, "....x...x"},
}}};
constexpr TPercussionDef Metronome4Main = {MainName, 4, 0, 9, {{
    {1, Snare,    4, "x"},
    {},
    {1, PedalHat, 9, "....x...x...x"},
}}};

// Hymns: kick on 1 and 3 with side stick (hymn 1) or a light snare (hymn 2) on 2
// and 4.
constexpr TPercussionDef Hymn1Main = {MainName, 4, 0, 9, {{
    {1, Kick,      6, "x.......x......."},
    {1, SideStick, 5, "....x.......x..."},
}}};
constexpr TPercussionDef Hymn2Main = {MainName, 4, 0, 9, {{
    {1, Kick,  6, "x.......x.x....."},
    {1, Snare, 4, "....x.......x..."},
}}};

// Campus folk over two bars of 3/4: kick on the downbeats, snare on beat three,
// closed hi-hat eighths that open on the last eighth.
constexpr TPercussionDef FolkMain = {MainName, 3, 1, 7, {{
    {1, Kick1,     7, "x...........x..........."},
    {1, Snare2,    5, "........x...........x..."},
    {1, ClosedHat, 4, "x.x.x.x.x.x.x.x.x.x.x..."},
    {1, OpenHat,   4, "......................x."},
}}};

// clang-format on

namespace {
constexpr const TPercussionDef* AllPatterns[] = {
    &BrokenChordMain,  &BrokenChordFill1, &BrokenChordFill2, &RockMain,       &RockFill1,
    &DenseMain,        &WaltzMain,        &WaltzFill1,       &WaltzFill2,     &WaltzBrokenMain,
    &WaltzBrokenFill1, &SoftWaltzMain,    &SoftWaltzFill1,   &SoftWaltzFill2, &PolkaMain,
    &PolkaFill1,       &PolkaFill2,       &BriskMain,        &BriskFill1,     &BriskFill2,
    &DiscoMain,        &DiscoFill1,       &DiscoFill2,       &RumbaMain,      &TangoMain,
    &JitterbugMain,    &Metronome2Main,   &Metronome3Main,   &Metronome4Main, &Hymn1Main,
    &Hymn2Main,        &FolkMain};

constexpr bool AllPatternsValid() {
    for (const TPercussionDef* p : AllPatterns)
        if (!IsValidPercussion(*p)) return false;
    return true;
}
static_assert(AllPatternsValid(), "a drum pattern has a bad mark string, weight or level");
} // namespace

} // namespace PresetStyleData
