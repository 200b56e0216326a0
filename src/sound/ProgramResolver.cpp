#include "sound/ProgramResolver.h"

#include "sound/VoiceList.h"

#include <algorithm>

void TProgramResolver::Clear() {
    PatchIndex.clear();
    MelodicFallback.fill(-1);
    DrumByProgram.fill(-1);
    FirstDrumKit = -1;
}

void TProgramResolver::Build(const TVoiceList& voices) {
    Clear();
    PatchIndex.reserve(static_cast<size_t>(voices.Count()));
    for (int i = 0; i < voices.Count(); ++i)
        PatchIndex.emplace_back(voices[i].Patch, i);
    std::stable_sort(PatchIndex.begin(), PatchIndex.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    // Fallbacks, in patch order; a program past 127 is reached only by its patch.
    std::array<int16_t, 128> anyBank;
    anyBank.fill(-1);
    for (const auto& [patch, position] : PatchIndex) {
        const uint8_t program = PatchProgram(patch);
        if (program >= anyBank.size()) continue;
        const auto pos = static_cast<int16_t>(position);
        if (IsDrumPatch(patch)) {
            if (FirstDrumKit < 0) FirstDrumKit = pos;
            if (DrumByProgram[program] < 0) DrumByProgram[program] = pos;
            continue;
        }
        if (anyBank[program] < 0) anyBank[program] = pos;
        if (PatchLSB(patch) == 0 && MelodicFallback[program] < 0) MelodicFallback[program] = pos;
    }
    for (size_t p = 0; p < 128; ++p)
        if (MelodicFallback[p] < 0) MelodicFallback[p] = anyBank[p];
}

int TProgramResolver::Resolve(uint32_t patch) const {
    const auto it = std::lower_bound(PatchIndex.begin(), PatchIndex.end(), patch,
                                     [](const auto& e, uint32_t p) { return e.first < p; });
    if (it != PatchIndex.end() && it->first == patch) return it->second;
    const uint8_t program = PatchProgram(patch);
    if (program >= MelodicFallback.size()) return -1;
    if (IsDrumPatch(patch))
        return DrumByProgram[program] >= 0 ? DrumByProgram[program] : FirstDrumKit;
    return MelodicFallback[program];
}
