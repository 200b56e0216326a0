// Checks for the SoundFont -> DLS -> SoundFont round trip: a preset of the result
// against its source, region by region, by what a player hears (effective generator
// values, played sample points, loops, the modulators FluidSynth applies).
#pragma once

#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/sf2/Sf2Resolver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace convert_check {

// The generators the conversion maps one to one (tuning, root key and loops are
// compared on their own).
inline const std::vector<uint16_t>& MappedGenerators() {
    using namespace Sf2Gen;
    static const std::vector<uint16_t> ops = {ModLfoToPitch,
                                              VibLfoToPitch,
                                              ModEnvToPitch,
                                              InitialFilterFc,
                                              InitialFilterQ,
                                              ModLfoToFilterFc,
                                              ModEnvToFilterFc,
                                              ModLfoToVolume,
                                              ChorusEffectsSend,
                                              ReverbEffectsSend,
                                              Pan,
                                              DelayModLfo,
                                              FreqModLfo,
                                              DelayVibLfo,
                                              FreqVibLfo,
                                              DelayModEnv,
                                              AttackModEnv,
                                              HoldModEnv,
                                              DecayModEnv,
                                              SustainModEnv,
                                              ReleaseModEnv,
                                              KeynumToModEnvHold,
                                              KeynumToModEnvDecay,
                                              DelayVolEnv,
                                              AttackVolEnv,
                                              HoldVolEnv,
                                              DecayVolEnv,
                                              SustainVolEnv,
                                              ReleaseVolEnv,
                                              KeynumToVolEnvHold,
                                              KeynumToVolEnvDecay,
                                              InitialAttenuation,
                                              ScaleTuning,
                                              ExclusiveClass};
    return ops;
}

// What both formats mean by a value: a sustain of more than 1000 tenths is silence
// in DLS and in FluidSynth alike, no time is shorter than -12000 time cents, and a
// SoundFont amount has 16 bits (a sum of levels past them is far outside every range
// FluidSynth holds values in).
inline int32_t Effective(uint16_t op, int32_t v) {
    v = std::clamp(v, -32768, 32767);
    if (op == Sf2Gen::SustainVolEnv) return std::min(v, 1000);
    if (Sf2GenInfo(op).Min == -12000) return std::max(v, -12000);
    return v;
}

inline std::span<const int16_t> Points(const TSf2Bank& bank, const TSf2Region& r) {
    return {bank.Samples.data() + r.Start, r.End - r.Start};
}

inline uint64_t Hash(std::span<const int16_t> points) {
    uint64_t h = 1469598103934665603ull;
    for (int16_t v : points)
        h = (h ^ static_cast<uint16_t>(v)) * 1099511628211ull;
    return h;
}

inline int32_t Tuning(const std::array<int32_t, Sf2GenCount>& gen, const TSf2Region& r) {
    return 100 * gen[Sf2Gen::CoarseTune] + gen[Sf2Gen::FineTune] + r.Sample.PitchCorrection;
}

inline bool Loops(const TSf2Region& r) {
    const int modes = r.Gen[Sf2Gen::SampleModes] & 3;
    return (modes == 1 || modes == 3) && r.LoopEnd > r.LoopStart;
}

struct TPlayed {
    uint16_t Src, Dest, AmtSrc, Transform;
    int32_t Amount;
    auto Key() const { return std::tie(Src, Dest, AmtSrc, Transform, Amount); }
    bool operator<(const TPlayed& o) const { return Key() < o.Key(); }
    bool operator==(const TPlayed& o) const { return Key() == o.Key(); }
};

inline std::vector<TPlayed> Played(const TSf2Bank& bank, size_t preset, const TSf2Region& r) {
    std::vector<TPlayed> list;
    for (const auto& m : Sf2PlayedModulators(bank, preset, r)) {
        // |x| of two sources that cannot go negative is x with the amount's size.
        const bool unipolar = !(m.Src & Sf2Mod::Bipolar) && !(m.AmtSrc & Sf2Mod::Bipolar);
        if (m.Transform == Sf2Mod::TransformAbsolute && unipolar)
            list.push_back({m.Src, m.Dest, m.AmtSrc, Sf2Mod::TransformLinear, std::abs(m.Amount)});
        else
            list.push_back({m.Src, m.Dest, m.AmtSrc, m.Transform, m.Amount});
    }
    std::sort(list.begin(), list.end());
    return list;
}

struct TKeyed {
    const TSf2Region* Region;
    std::array<int32_t, Sf2GenCount> Gen; // as FluidSynth plays the region
    std::tuple<int, int, int, int, size_t, uint64_t, int32_t, int32_t, int32_t> Key;
};

inline std::vector<TKeyed> Keyed(const TSf2Bank& bank, size_t preset,
                                 const std::vector<TSf2Region>& regions) {
    std::vector<TKeyed> list;
    for (const auto& r : regions) {
        if (r.End <= r.Start || r.VelHi == 0) continue; // plays nothing, so it is not converted
        const auto gen = Sf2PlayedGenerators(bank, preset, r);
        list.push_back({&r,
                        gen,
                        {r.KeyLo, r.KeyHi, r.VelLo, r.VelHi, r.End - r.Start, Hash(Points(bank, r)),
                         gen[Sf2Gen::Pan], r.RootKey, Tuning(gen, r)}});
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const TKeyed& a, const TKeyed& b) { return a.Key < b.Key; });
    return list;
}

// "" when preset `dstPreset` of `dst` plays as preset `srcPreset` of `src`, else the
// first difference.
inline std::string ComparePreset(const TSf2Bank& src, size_t srcPreset, const TSf2Bank& dst,
                                 size_t dstPreset) {
    const TSf2ResolveResult a = ResolveSf2Preset(src, srcPreset);
    const TSf2ResolveResult b = ResolveSf2Preset(dst, dstPreset);
    if (!a.Ok || !b.Ok) return "does not resolve: " + a.Message + b.Message;
    const auto ka = Keyed(src, srcPreset, a.Regions), kb = Keyed(dst, dstPreset, b.Regions);
    std::ostringstream why;
    const std::string name = "preset \"" + src.Presets[srcPreset].Name + "\"";
    if (ka.size() != kb.size()) {
        why << name << ": " << ka.size() << " regions became " << kb.size();
        return why.str();
    }
    for (size_t i = 0; i < ka.size(); ++i) {
        const TSf2Region& x = *ka[i].Region;
        const TSf2Region& y = *kb[i].Region;
        const auto& gx = ka[i].Gen;
        const auto& gy = kb[i].Gen;
        auto differ = [&](const std::string& what, auto u, auto v) {
            why << name << ", region keys " << int(x.KeyLo) << "-" << int(x.KeyHi) << " vel "
                << int(x.VelLo) << "-" << int(x.VelHi) << ": " << what << " " << u << " became "
                << v;
            return why.str();
        };
        if (ka[i].Key != kb[i].Key) {
            if (x.KeyLo != y.KeyLo || x.KeyHi != y.KeyHi || x.VelLo != y.VelLo ||
                x.VelHi != y.VelHi)
                return differ("ranges", "", "other ranges");
            if (x.End - x.Start != y.End - y.Start)
                return differ("length", x.End - x.Start, y.End - y.Start);
            if (Hash(Points(src, x)) != Hash(Points(dst, y)))
                return differ("sample points", "", "others");
            if (gx[Sf2Gen::Pan] != gy[Sf2Gen::Pan])
                return differ("pan", gx[Sf2Gen::Pan], gy[Sf2Gen::Pan]);
            if (x.RootKey != y.RootKey) return differ("root key", int(x.RootKey), int(y.RootKey));
            return differ("tuning cents", Tuning(gx, x), Tuning(gy, y));
        }
        if (x.Sample.SampleRate != y.Sample.SampleRate)
            return differ("sample rate", x.Sample.SampleRate, y.Sample.SampleRate);
        for (uint16_t op : MappedGenerators())
            if (Effective(op, gx[op]) != Effective(op, gy[op]))
                return differ(Sf2GenInfo(op).Name, gx[op], gy[op]);
        if (Loops(x) != Loops(y)) return differ("looping", Loops(x), Loops(y));
        if (Loops(x)) {
            if ((x.Gen[Sf2Gen::SampleModes] & 3) != (y.Gen[Sf2Gen::SampleModes] & 3))
                return differ("sampleModes", x.Gen[Sf2Gen::SampleModes],
                              y.Gen[Sf2Gen::SampleModes]);
            if (x.LoopStart - x.Start != y.LoopStart - y.Start)
                return differ("loop start", x.LoopStart - x.Start, y.LoopStart - y.Start);
            if (x.LoopEnd - x.Start != y.LoopEnd - y.Start)
                return differ("loop end", x.LoopEnd - x.Start, y.LoopEnd - y.Start);
        }
        const auto px = Played(src, srcPreset, x), py = Played(dst, dstPreset, y);
        if (px != py) {
            std::ostringstream list;
            for (const auto& m : px)
                list << " " << std::hex << m.Src << ">" << std::dec << m.Dest << "@" << std::hex
                     << m.AmtSrc << std::dec << "=" << m.Amount;
            list << " |";
            for (const auto& m : py)
                list << " " << std::hex << m.Src << ">" << std::dec << m.Dest << "@" << std::hex
                     << m.AmtSrc << std::dec << "=" << m.Amount;
            return differ("modulators", "", list.str());
        }
    }
    return {};
}

// The source preset a converted instrument came from: the first with its number, as
// the built-in selection or the general numbering gave it.
inline size_t SourcePreset(const TSf2Bank& src, const TDlsInstrument& ins, bool builtIn) {
    for (size_t i = 0; i < src.Presets.size(); ++i) {
        const TSf2Preset& p = src.Presets[i];
        const bool drum = p.Bank == 128;
        if (drum != ins.Drum || (p.Preset & 0x7F) != ins.Program) continue;
        if (drum) return i;
        if (builtIn ? p.Bank == ins.LSB
                    : ((p.Bank >> 7 & 0x7F) == ins.MSB && (p.Bank & 0x7F) == ins.LSB))
            return i;
    }
    return src.Presets.size();
}

} // namespace convert_check
