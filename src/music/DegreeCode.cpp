// The mode tables and the degree-code rule.
#include "music/DegreeCode.h"

#include <cstddef>

const std::array<TModeTable, ModeTableCount> ModeTables = {{
    {0, 2, 4, 5, 7, 9, 11}, // C, and the black keys
    {0, 2, 3, 5, 7, 9, 10}, // D
    {0, 1, 3, 5, 7, 8, 10}, // E
    {0, 2, 4, 6, 7, 9, 11}, // F
    {0, 2, 4, 5, 7, 9, 10}, // G
    {0, 2, 3, 5, 7, 8, 10}, // A
    {0, 1, 3, 5, 6, 8, 10}, // B
}};

int ModeTableIndexOf(int root) {
    static constexpr std::array<int, 12> TableOfPitchClass = {0, 0, 1, 0, 2, 3, 0, 4, 0, 5, 0, 6};
    int pitchClass = ((root % 12) + 12) % 12;
    return TableOfPitchClass[static_cast<size_t>(pitchClass)];
}

int DegreeCodeToMidi(int root, int code) {
    if (root < 0 || root > 127) return -1;
    // -127 lies below the lowest degree code, so this also rules out "no note".
    if (code < LowestDegreeCode || code > INT8_MAX) return -1;
    if (code == StepCodeHold || code == StepCodeRelease) return -1;
    const int position = code - LowestDegreeCode; // 0 = the root two octaves down
    const int degree = position % DegreesPerOctave;
    const int octave = position / DegreesPerOctave - 2;
    const int note =
        root +
        ModeTables[static_cast<size_t>(ModeTableIndexOf(root))][static_cast<size_t>(degree)] +
        12 * octave;
    return (note < 0 || note > 127) ? -1 : note;
}
