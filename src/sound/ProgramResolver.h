// Which voice of the list a channel's program change plays: the bank and program
// asked for when the set has them, else the voice that stands in for the program.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

class TVoiceList;

class TProgramResolver {
public:
    TProgramResolver() { Clear(); }

    // Nothing resolves (no set downloaded).
    void Clear();
    // Resolves over `voices` as they stand now (positions in the list).
    void Build(const TVoiceList& voices);
    // The position of the voice for `patch` (bank MSB, LSB, program and the drum
    // flag): that very patch; else, for a melodic program, the lowest bank that has
    // the program with LSB 0 (the main bank of a General MIDI set), else the lowest
    // bank that has it at all; for a kit, the kit of that program, else the first
    // kit. -1 when nothing answers.
    int Resolve(uint32_t patch) const;

private:
    // (patch, position) by patch; for each program the voice a missing bank falls
    // back to.
    std::vector<std::pair<uint32_t, int>> PatchIndex;
    std::array<int16_t, 128> MelodicFallback{};
    std::array<int16_t, 128> DrumByProgram{};
    int FirstDrumKit = -1;
};
