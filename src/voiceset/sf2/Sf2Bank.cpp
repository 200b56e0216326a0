// Generator table, default modulators and the bank-wide checks and sample layout.
#include "voiceset/sf2/Sf2Bank.h"

#include <algorithm>
#include <cstring>

namespace {
using K = TSf2GenKind;
constexpr bool P = true;  // allowed in preset zones
constexpr bool I = false; // instrument zones only

// name, kind, default, clamped, min, max, preset level
constexpr TSf2GenInfo GenTable[Sf2GenCount] = {
    {"startAddrsOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"endAddrsOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"startloopAddrsOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"endloopAddrsOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"startAddrsCoarseOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"modLfoToPitch", K::Value, 0, true, -12000, 12000, P},
    {"vibLfoToPitch", K::Value, 0, true, -12000, 12000, P},
    {"modEnvToPitch", K::Value, 0, true, -12000, 12000, P},
    {"initialFilterFc", K::Value, 13500, true, 1500, 13500, P},
    {"initialFilterQ", K::Value, 0, true, 0, 960, P},
    {"modLfoToFilterFc", K::Value, 0, true, -12000, 12000, P},
    {"modEnvToFilterFc", K::Value, 0, true, -12000, 12000, P},
    {"endAddrsCoarseOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"modLfoToVolume", K::Value, 0, true, -960, 960, P},
    {"unused1", K::Unused, 0, false, 0, 0, I},
    {"chorusEffectsSend", K::Value, 0, true, 0, 1000, P},
    {"reverbEffectsSend", K::Value, 0, true, 0, 1000, P},
    {"pan", K::Value, 0, true, -500, 500, P},
    {"unused2", K::Unused, 0, false, 0, 0, I},
    {"unused3", K::Unused, 0, false, 0, 0, I},
    {"unused4", K::Unused, 0, false, 0, 0, I},
    {"delayModLFO", K::Value, -12000, true, -12000, 5000, P},
    {"freqModLFO", K::Value, 0, true, -16000, 4500, P},
    {"delayVibLFO", K::Value, -12000, true, -12000, 5000, P},
    {"freqVibLFO", K::Value, 0, true, -16000, 4500, P},
    {"delayModEnv", K::Value, -12000, true, -12000, 5000, P},
    {"attackModEnv", K::Value, -12000, true, -12000, 8000, P},
    {"holdModEnv", K::Value, -12000, true, -12000, 5000, P},
    {"decayModEnv", K::Value, -12000, true, -12000, 8000, P},
    {"sustainModEnv", K::Value, 0, true, 0, 1000, P},
    {"releaseModEnv", K::Value, -12000, true, -12000, 8000, P},
    {"keynumToModEnvHold", K::Value, 0, true, -1200, 1200, P},
    {"keynumToModEnvDecay", K::Value, 0, true, -1200, 1200, P},
    {"delayVolEnv", K::Value, -12000, true, -12000, 5000, P},
    {"attackVolEnv", K::Value, -12000, true, -12000, 8000, P},
    {"holdVolEnv", K::Value, -12000, true, -12000, 5000, P},
    {"decayVolEnv", K::Value, -12000, true, -12000, 8000, P},
    {"sustainVolEnv", K::Value, 0, true, 0, 1440, P},
    {"releaseVolEnv", K::Value, -12000, true, -12000, 8000, P},
    {"keynumToVolEnvHold", K::Value, 0, true, -1200, 1200, P},
    {"keynumToVolEnvDecay", K::Value, 0, true, -1200, 1200, P},
    {"instrument", K::Index, 0, false, 0, 0, P},
    {"reserved1", K::Unused, 0, false, 0, 0, I},
    {"keyRange", K::Range, 127 << 8, false, 0, 127, P},
    {"velRange", K::Range, 127 << 8, false, 0, 127, P},
    {"startloopAddrsCoarseOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"keynum", K::Value, -1, true, -1, 127, I},
    {"velocity", K::Value, -1, true, -1, 127, I},
    {"initialAttenuation", K::Value, 0, true, 0, 1440, P},
    {"reserved2", K::Unused, 0, false, 0, 0, I},
    {"endloopAddrsCoarseOffset", K::SampleOffset, 0, false, 0, 0, I},
    {"coarseTune", K::Value, 0, true, -120, 120, P},
    {"fineTune", K::Value, 0, true, -99, 99, P},
    {"sampleID", K::Index, 0, false, 0, 0, I},
    {"sampleModes", K::Flags, 0, false, 0, 0, I},
    {"reserved3", K::Unused, 0, false, 0, 0, I},
    {"scaleTuning", K::Value, 100, true, 0, 1200, P},
    {"exclusiveClass", K::Value, 0, true, 0, 127, I},
    {"overridingRootKey", K::Value, -1, true, -1, 127, I},
    {"unused5", K::Unused, 0, false, 0, 0, I},
    {"endOper", K::Unused, 0, false, 0, 0, I},
};
constexpr TSf2GenInfo UnknownGen = {"unknown", K::Unused, 0, false, 0, 0, I};

using namespace Sf2Mod;
constexpr std::array<TSf2Modulator, 10> DefaultMods = {{
    {NoteOnVelocity | Negative | Concave, Sf2Gen::InitialAttenuation, 960, 0, 0},
    {NoteOnVelocity | Negative | Linear, Sf2Gen::InitialFilterFc, -2400, 0, 0},
    {ChannelPressure, Sf2Gen::VibLfoToPitch, 50, 0, 0},
    {Cc | 1, Sf2Gen::VibLfoToPitch, 50, 0, 0},
    {Cc | 7 | Negative | Concave, Sf2Gen::InitialAttenuation, 960, 0, 0},
    {Cc | 10 | Bipolar, Sf2Gen::Pan, 500, 0, 0},
    {Cc | 11 | Negative | Concave, Sf2Gen::InitialAttenuation, 960, 0, 0},
    {Cc | 91, Sf2Gen::ReverbEffectsSend, 200, 0, 0},
    {Cc | 93, Sf2Gen::ChorusEffectsSend, 200, 0, 0},
    {PitchWheel | Bipolar, Sf2Gen::FineTune, 12700, PitchWheelSensitivity, 0},
}};

bool IsStereo(uint16_t type) {
    return (type & (Sf2SampleType::Right | Sf2SampleType::Left | Sf2SampleType::Linked)) != 0;
}
} // namespace

const TSf2GenInfo& Sf2GenInfo(uint16_t oper) {
    return oper < Sf2GenCount ? GenTable[oper] : UnknownGen;
}

const std::array<TSf2Modulator, 10>& Sf2DefaultModulators() {
    return DefaultMods;
}

namespace {
// The zones' links to instruments and samples, and the stereo links between samples.
std::string CheckZoneLinks(const TSf2Bank& bank) {
    const size_t nInst = bank.Instruments.size(), nSamples = bank.SampleHeaders.size();
    for (size_t p = 0; p < bank.Presets.size(); ++p)
        for (size_t z = 0; z < bank.Presets[p].Zones.size(); ++z)
            for (const auto& g : bank.Presets[p].Zones[z].Gens)
                if (g.Oper == Sf2Gen::Instrument && g.Amount.Word() >= nInst)
                    return "preset " + std::to_string(p) + " zone " + std::to_string(z) +
                           " names instrument " + std::to_string(g.Amount.Word()) + " of " +
                           std::to_string(nInst);
    for (size_t i = 0; i < nInst; ++i)
        for (size_t z = 0; z < bank.Instruments[i].Zones.size(); ++z)
            for (const auto& g : bank.Instruments[i].Zones[z].Gens)
                if (g.Oper == Sf2Gen::SampleId && g.Amount.Word() >= nSamples)
                    return "instrument " + std::to_string(i) + " zone " + std::to_string(z) +
                           " names sample " + std::to_string(g.Amount.Word()) + " of " +
                           std::to_string(nSamples);
    for (size_t s = 0; s < nSamples; ++s) {
        const TSf2Sample& h = bank.SampleHeaders[s];
        if (IsStereo(h.SampleType) && h.SampleLink >= nSamples)
            return "sample " + std::to_string(s) + " links to sample " +
                   std::to_string(h.SampleLink) + " of " + std::to_string(nSamples);
    }
    return {};
}
} // namespace

std::string CheckSf2Links(const TSf2Bank& bank) {
    if (std::string error = CheckZoneLinks(bank); !error.empty()) return error;
    const size_t points = bank.Samples.size();
    const std::string pts = " past the " + std::to_string(points) + " sample points";
    for (size_t s = 0; s < bank.SampleHeaders.size(); ++s) {
        const TSf2Sample& h = bank.SampleHeaders[s];
        const std::string which = "sample " + std::to_string(s);
        if (h.InRom()) continue; // its points are in a sound ROM, not in this file
        if (h.End > points) return which + " end " + std::to_string(h.End) + pts;
        if (h.Start > h.End)
            return which + " starts at " + std::to_string(h.Start) + " after its end " +
                   std::to_string(h.End);
        if (h.LoopStart > points) return which + " loop start " + std::to_string(h.LoopStart) + pts;
        if (h.LoopEnd > points) return which + " loop end " + std::to_string(h.LoopEnd) + pts;
    }
    if (!bank.Samples24.empty() && bank.Samples24.size() != points)
        return "sm24 holds " + std::to_string(bank.Samples24.size()) + " bytes for " +
               std::to_string(points) + " sample points";
    return {};
}

std::string CheckSf3Links(const TSf2Bank& bank, size_t dataBytes) {
    if (std::string error = CheckZoneLinks(bank); !error.empty()) return error;
    for (size_t s = 0; s < bank.SampleHeaders.size(); ++s) {
        const TSf2Sample& h = bank.SampleHeaders[s];
        if (h.InRom()) continue;
        const bool compressed = h.Compressed();
        const size_t room = compressed ? dataBytes : dataBytes / 2;
        const std::string which = "sample " + std::to_string(s);
        if (h.End > room)
            return which + " end " + std::to_string(h.End) + " past the " + std::to_string(room) +
                   (compressed ? " bytes of compressed sample data" : " sample points");
        if (h.Start > h.End)
            return which + " starts at " + std::to_string(h.Start) + " after its end " +
                   std::to_string(h.End);
    }
    return {};
}

bool Sf2SamplesGuarded(const TSf2Bank& bank) {
    const auto& data = bank.Samples;
    for (const auto& h : bank.SampleHeaders) {
        if (h.InRom()) continue;
        if (h.End > data.size() || data.size() - h.End < Sf2GuardPoints) return false;
        if (!std::all_of(data.begin() + h.End, data.begin() + h.End + Sf2GuardPoints,
                         [](int16_t v) { return v == 0; }))
            return false;
    }
    return true;
}

void RepackSf2Samples(TSf2Bank& bank) {
    const bool has24 = !bank.Samples24.empty();
    std::vector<int16_t> data;
    std::vector<uint8_t> data24;
    size_t total = 0;
    for (const auto& h : bank.SampleHeaders)
        if (!h.InRom() && h.Start <= h.End && h.End <= bank.Samples.size())
            total += h.End - h.Start + Sf2GuardPoints;
    data.reserve(total);
    if (has24) data24.reserve(total);
    for (auto& h : bank.SampleHeaders) {
        if (h.InRom()) continue;
        const size_t start = std::min<size_t>(h.Start, bank.Samples.size());
        const size_t end = std::clamp<size_t>(h.End, start, bank.Samples.size());
        const size_t len = end - start, at = data.size();
        data.insert(data.end(), bank.Samples.begin() + start, bank.Samples.begin() + end);
        data.insert(data.end(), Sf2GuardPoints, int16_t{0});
        if (has24) {
            const size_t s24 = std::min(start, bank.Samples24.size());
            const size_t e24 = std::clamp(end, s24, bank.Samples24.size());
            data24.insert(data24.end(), bank.Samples24.begin() + s24, bank.Samples24.begin() + e24);
            data24.resize(data.size(), 0);
        }
        auto moveLoop = [&](uint32_t p) {
            const size_t rel = p < start ? 0 : std::min<size_t>(p - start, len);
            return static_cast<uint32_t>(at + rel);
        };
        h.LoopStart = moveLoop(h.LoopStart);
        h.LoopEnd = moveLoop(h.LoopEnd);
        h.Start = static_cast<uint32_t>(at);
        h.End = static_cast<uint32_t>(at + len);
    }
    bank.Samples = std::move(data);
    bank.Samples24 = std::move(data24);
}

size_t AddSf2Sample(TSf2Bank& bank, const std::string& name, std::span<const int16_t> points,
                    uint32_t sampleRate, uint8_t originalPitch, int8_t pitchCorrection,
                    uint32_t loopStart, uint32_t loopEnd) {
    TSf2Sample h;
    h.Name = name;
    h.Start = static_cast<uint32_t>(bank.Samples.size());
    h.End = static_cast<uint32_t>(h.Start + points.size());
    h.LoopStart = h.Start + std::min<uint32_t>(loopStart, static_cast<uint32_t>(points.size()));
    h.LoopEnd = h.Start + std::min<uint32_t>(loopEnd, static_cast<uint32_t>(points.size()));
    h.SampleRate = sampleRate;
    h.OriginalPitch = originalPitch;
    h.PitchCorrection = pitchCorrection;
    bank.Samples.insert(bank.Samples.end(), points.begin(), points.end());
    bank.Samples.insert(bank.Samples.end(), Sf2GuardPoints, int16_t{0});
    if (!bank.Samples24.empty()) bank.Samples24.resize(bank.Samples.size(), 0);
    bank.SampleHeaders.push_back(std::move(h));
    return bank.SampleHeaders.size() - 1;
}
