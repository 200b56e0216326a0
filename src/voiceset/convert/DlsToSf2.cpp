// DLS -> SoundFont: every instrument becomes a preset, every region an instrument
// zone, every wave channel a sample. Velocity layers that differ only by offsets a
// preset zone can carry share one SoundFont instrument, and what the zones of an
// instrument share moves to its global zone, so that a large set stays within the
// 16-bit indices of the SoundFont tables. The run-time image holds no copy of the
// sample data: it reads the points from the waves as it is read.
#include "voiceset/convert/VoiceSetConvert.h"

#include "voiceset/RiffChunk.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace {

// A zone before it is written: every generator's value, the zone's ranges and sample,
// and the modulators it must carry for FluidSynth.
struct TZonePlan {
    std::array<int32_t, Sf2GenCount> Gen{};
    uint8_t KeyLo = 0, KeyHi = 127, VelLo = 0, VelHi = 127;
    uint16_t Sample = 0;
    std::vector<TSf2Modulator> Mods;
};

bool Factored(uint16_t op) {
    const TSf2GenKind kind = Sf2GenInfo(op).Kind;
    return kind == TSf2GenKind::Value || kind == TSf2GenKind::Flags ||
           kind == TSf2GenKind::SampleOffset;
}

int32_t DefaultOf(uint16_t op) {
    const auto& info = Sf2GenInfo(op);
    return info.Kind == TSf2GenKind::SampleOffset ? 0 : info.Default;
}

TSf2Generator Gen(uint16_t op, int32_t value) {
    return {op, TSf2GenAmount::FromShort(static_cast<int16_t>(std::clamp(value, -32768, 32767)))};
}

// The modulators a zone carries so that FluidSynth plays `played`: FluidSynth's own
// defaults where they already agree, replaced (amount 0 switches one off) where not.
std::vector<TSf2Modulator> ZoneModulators(const std::vector<TSf2RegionModulator>& played) {
    std::vector<TSf2Modulator> mods;
    auto same = [](const TSf2RegionModulator& p, const TSf2Modulator& d) {
        return p.Src == d.Src && p.Dest == d.Dest && p.AmtSrc == d.AmtSrc;
    };
    for (const TSf2Modulator& d : PlayerDefaultModulators()) {
        auto it = std::find_if(played.begin(), played.end(), [&](auto& p) { return same(p, d); });
        if (it == played.end()) {
            TSf2Modulator off = d;
            off.Amount = 0;
            mods.push_back(off);
        } else if (it->Amount != d.Amount || it->Transform != d.Transform) {
            mods.push_back({d.Src, d.Dest,
                            static_cast<int16_t>(std::clamp(it->Amount, -32768, 32767)), d.AmtSrc,
                            it->Transform});
        }
    }
    for (const auto& p : played) {
        const auto& defaults = PlayerDefaultModulators();
        if (std::any_of(defaults.begin(), defaults.end(), [&](auto& d) { return same(p, d); }))
            continue;
        // One modulator of an identity a zone (FluidSynth ignores a repeated one).
        std::erase_if(mods, [&](const TSf2Modulator& m) {
            return m.Src == p.Src && m.Dest == p.Dest && m.AmtSrc == p.AmtSrc;
        });
        mods.push_back({p.Src, p.Dest, static_cast<int16_t>(std::clamp(p.Amount, -32768, 32767)),
                        p.AmtSrc, p.Transform});
    }
    return mods;
}

// Where a sample's points come from: a wave and one of its channels.
struct TPlacedSample {
    uint32_t Wave;
    unsigned Channel;
};

// Samples are made per wave channel on first use, from the wave's own 'wsmp' (else
// the first region's) so that regions playing it as it is need no offsets. With a
// layout list the points are not copied: the headers say where they will lie, and the
// list says what to put there.
class TSamplePool {
public:
    TSamplePool(const TDlsCollection& c, TSf2Bank& bank, std::vector<TPlacedSample>* layout)
        : C(c), Bank(bank), Layout(layout) {
        if (Layout) return;
        size_t points = 0;
        for (const auto& w : c.Waves)
            points += w.Samples.size() + w.Channels * Sf2GuardPoints;
        Bank.Samples.reserve(points);
    }

    uint16_t For(uint32_t wave, unsigned channel, const TDlsSample& regionSample) {
        const auto key = std::make_pair(wave, channel);
        if (auto it = Index.find(key); it != Index.end()) return it->second;
        const TDlsWave& w = C.Waves[wave];
        const TDlsSample& s = w.Sample ? *w.Sample : regionSample;
        const auto frames = static_cast<uint32_t>(w.FrameCount());
        uint32_t loopStart = 0, loopEnd = frames;
        if (!s.Loops.empty()) {
            loopStart = std::min(s.Loops[0].Start, frames);
            loopEnd = static_cast<uint32_t>(
                std::min<uint64_t>(uint64_t{loopStart} + s.Loops[0].Length, frames));
        }
        std::string name = w.Name.empty() ? "wave " + std::to_string(wave) : w.Name;
        if (w.Channels == 2) name = name.substr(0, Sf2NameSize - 2) + (channel ? " R" : " L");
        name.resize(std::min(name.size(), Sf2NameSize));
        const auto pitch = static_cast<uint8_t>(std::min<uint16_t>(s.UnityNote, 127));
        const auto correction = static_cast<int8_t>(std::clamp<int>(s.FineTune, -128, 127));
        size_t index;
        if (Layout) {
            TSf2Sample h;
            h.Name = name;
            h.Start = static_cast<uint32_t>(Points);
            h.End = h.Start + frames;
            h.LoopStart = h.Start + loopStart;
            h.LoopEnd = h.Start + loopEnd;
            h.SampleRate = w.SampleRate;
            h.OriginalPitch = pitch;
            h.PitchCorrection = correction;
            Bank.SampleHeaders.push_back(h);
            Layout->push_back({wave, channel});
            Points += frames + Sf2GuardPoints;
            index = Bank.SampleHeaders.size() - 1;
        } else if (w.Channels == 1) {
            index = AddSf2Sample(Bank, name, w.Samples, w.SampleRate, pitch, correction, loopStart,
                                 loopEnd);
        } else {
            const std::vector<int16_t> points = DlsChannelSamples(w, channel);
            index = AddSf2Sample(Bank, name, points, w.SampleRate, pitch, correction, loopStart,
                                 loopEnd);
        }
        const auto id = static_cast<uint16_t>(index);
        Index.emplace(key, id);
        return id;
    }

private:
    const TDlsCollection& C;
    TSf2Bank& Bank;
    std::vector<TPlacedSample>* Layout;
    size_t Points = 0;
    std::map<std::pair<uint32_t, unsigned>, uint16_t> Index;
};

uint8_t Key(uint16_t v) {
    return static_cast<uint8_t>(std::min<uint16_t>(v, 127));
}

// One zone per played channel of a region.
void PlanRegion(const TDlsInstrument& ins, const TDlsRegion& r, uint32_t waveIndex,
                const TDlsWave& wave, TSamplePool& samples, const TSf2Bank& bank,
                std::vector<TZonePlan>& zones, size_t& unexpressed) {
    const TDlsSample sample = r.Sample ? *r.Sample : wave.Sample ? *wave.Sample : TDlsSample{};
    const VoiceSetMap::TSf2Articulation art =
        VoiceSetMap::FromConnections(DlsEffectiveConnections(ins, r), unexpressed);
    const std::vector<TSf2Modulator> mods = ZoneModulators(art.Played);

    std::vector<unsigned> channels = {0};
    if (wave.Channels == 2) {
        const uint32_t mask = r.WaveLink.Channel & (DlsChannelLeft | DlsChannelRight);
        if (mask == DlsChannelRight) channels = {1};
        if (mask == (DlsChannelLeft | DlsChannelRight)) channels = {0, 1};
    }
    for (unsigned ch : channels) {
        TZonePlan z;
        z.Gen = art.Gen;
        z.Mods = mods;
        z.KeyLo = Key(r.Keys.Low);
        z.KeyHi = Key(r.Keys.High);
        // Level 1 writers leave the velocity range 0..0: velocity 0 plays nothing, so
        // such a range can only mean "every velocity".
        const bool noVelocities = r.Velocities.Low == 0 && r.Velocities.High == 0;
        z.VelLo = noVelocities ? 0 : Key(r.Velocities.Low);
        z.VelHi = noVelocities ? 127 : Key(r.Velocities.High);
        if (z.KeyLo > z.KeyHi || z.VelLo > z.VelHi) continue;
        z.Sample = samples.For(waveIndex, ch, sample);
        const TSf2Sample& h = bank.SampleHeaders[z.Sample];

        const int root = std::min<int>(sample.UnityNote, 127);
        z.Gen[Sf2Gen::OverridingRootKey] = root == h.OriginalPitch ? -1 : root;
        const int64_t cents = int64_t{sample.FineTune} - h.PitchCorrection + art.TuningCents;
        z.Gen[Sf2Gen::CoarseTune] =
            static_cast<int32_t>(std::clamp<int64_t>(cents / 100, -32768, 32767));
        z.Gen[Sf2Gen::FineTune] = static_cast<int32_t>(cents % 100);
        // Not held within 0..1440: FluidSynth does that after the modulators, so a DLS
        // gain above unity still makes the voice louder under the velocity's attenuation.
        z.Gen[Sf2Gen::InitialAttenuation] = static_cast<int32_t>(std::clamp<int64_t>(
            std::lround(-double(sample.Gain) / 65536.0) + art.AttenuationCb, -32768, 32767));
        z.Gen[Sf2Gen::ExclusiveClass] = std::min<int>(r.KeyGroup, 127);
        if (channels.size() == 2)
            z.Gen[Sf2Gen::Pan] = std::clamp(z.Gen[Sf2Gen::Pan] + (ch ? 500 : -500), -500, 500);

        z.Gen[Sf2Gen::SampleModes] = 0;
        const uint32_t frames = h.End - h.Start;
        if (!sample.Loops.empty() && sample.Loops[0].Length > 0 && sample.Loops[0].Start < frames) {
            const TDlsLoop& loop = sample.Loops[0];
            z.Gen[Sf2Gen::SampleModes] = loop.Type == DlsLoopRelease ? 3 : 1;
            const int64_t start = loop.Start;
            const int64_t end = std::min<int64_t>(start + loop.Length, frames);
            const int64_t dStart = start - (int64_t{h.LoopStart} - h.Start);
            const int64_t dEnd = end - (int64_t{h.LoopEnd} - h.Start);
            z.Gen[Sf2Gen::StartloopAddrsOffset] = static_cast<int32_t>(dStart % 32768);
            z.Gen[Sf2Gen::StartloopAddrsCoarseOffset] = static_cast<int32_t>(dStart / 32768);
            z.Gen[Sf2Gen::EndloopAddrsOffset] = static_cast<int32_t>(dEnd % 32768);
            z.Gen[Sf2Gen::EndloopAddrsCoarseOffset] = static_cast<int32_t>(dEnd / 32768);
        }
        zones.push_back(std::move(z));
    }
}

// The instrument's zones as written: shared generator values and modulators in a
// global zone when there are several zones.
TSf2Instrument WriteInstrument(const std::string& name, const std::vector<TZonePlan>& plans) {
    TSf2Instrument inst;
    inst.Name = name.substr(0, std::min(name.size(), Sf2NameSize));
    std::array<int32_t, Sf2GenCount> base{};
    for (uint16_t op = 0; op < Sf2GenCount; ++op)
        base[op] = DefaultOf(op);
    std::vector<TSf2Modulator> shared;
    if (plans.size() > 1) {
        TSf2Zone global;
        for (uint16_t op = 0; op < Sf2GenCount; ++op) {
            if (!Factored(op)) continue;
            std::map<int32_t, size_t> counts;
            for (const auto& z : plans)
                ++counts[z.Gen[op]];
            const auto most = std::max_element(
                counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
            if (most->first != base[op] && most->second > 1) {
                base[op] = most->first;
                global.Gens.push_back(Gen(op, most->first));
            }
        }
        for (const auto& m : plans[0].Mods)
            if (std::all_of(plans.begin() + 1, plans.end(), [&](const TZonePlan& z) {
                    return std::find(z.Mods.begin(), z.Mods.end(), m) != z.Mods.end();
                }))
                shared.push_back(m);
        global.Mods = shared;
        if (!global.Gens.empty() || !global.Mods.empty()) inst.Zones.push_back(std::move(global));
    }
    for (const auto& z : plans) {
        TSf2Zone zone;
        if (z.KeyLo != 0 || z.KeyHi != 127)
            zone.Gens.push_back({Sf2Gen::KeyRange, TSf2GenAmount::FromRange(z.KeyLo, z.KeyHi)});
        if (z.VelLo != 0 || z.VelHi != 127)
            zone.Gens.push_back({Sf2Gen::VelRange, TSf2GenAmount::FromRange(z.VelLo, z.VelHi)});
        for (uint16_t op = 0; op < Sf2GenCount; ++op)
            if (Factored(op) && z.Gen[op] != base[op]) zone.Gens.push_back(Gen(op, z.Gen[op]));
        zone.Gens.push_back({Sf2Gen::SampleId, TSf2GenAmount::FromWord(z.Sample)});
        for (const auto& m : z.Mods)
            if (std::find(shared.begin(), shared.end(), m) == shared.end()) zone.Mods.push_back(m);
        inst.Zones.push_back(std::move(zone));
    }
    return inst;
}

// The zones of one velocity range of an instrument: what a preset zone of the source
// bank usually was. SoundFonts play velocity layers and variations of a sound through
// one instrument with offsets in the preset zones; layers that differ only by such
// offsets share one instrument here too, which keeps large sets within the tables.
struct TLayer {
    uint8_t VelLo = 0, VelHi = 127;
    std::vector<TZonePlan> Zones;
};

std::vector<TLayer> Layers(const std::vector<TZonePlan>& plans) {
    std::vector<TLayer> layers;
    for (const auto& z : plans) {
        auto it = std::find_if(layers.begin(), layers.end(), [&](const TLayer& l) {
            return l.VelLo == z.VelLo && l.VelHi == z.VelHi;
        });
        if (it == layers.end()) {
            layers.push_back({z.VelLo, z.VelHi, {}});
            it = layers.end() - 1;
        }
        it->Zones.push_back(z);
        it->Zones.back().VelLo = 0;
        it->Zones.back().VelHi = 127;
    }
    return layers;
}

bool Offsettable(uint16_t op) {
    const auto& info = Sf2GenInfo(op);
    return info.Kind == TSf2GenKind::Value && info.PresetLevel;
}

class TSharedInstruments {
public:
    // The preset zone that plays the layer: its velocity range, the offsets from the
    // shared instrument's values and the link to it.
    TSf2Zone ZoneFor(const TLayer& layer, const std::string& name, TSf2Bank& bank) {
        TSf2Zone zone;
        if (layer.VelLo != 0 || layer.VelHi != 127)
            zone.Gens.push_back(
                {Sf2Gen::VelRange, TSf2GenAmount::FromRange(layer.VelLo, layer.VelHi)});
        if (layer.Zones.empty()) {
            // Nothing playable: a silent instrument keeps the preset loadable.
            zone.Gens.push_back({Sf2Gen::Instrument, TSf2GenAmount::FromWord(Silent(bank))});
            return zone;
        }
        const std::vector<int32_t> key = Signature(layer.Zones);
        auto it = Shared.find(key);
        if (it == Shared.end()) {
            bank.Instruments.push_back(WriteInstrument(name, layer.Zones));
            it = Shared
                     .emplace(key, TShared{static_cast<uint16_t>(bank.Instruments.size() - 1),
                                           layer.Zones[0].Gen})
                     .first;
        }
        for (uint16_t op = 0; op < Sf2GenCount; ++op)
            if (Offsettable(op) && layer.Zones[0].Gen[op] != it->second.Reference[op])
                zone.Gens.push_back(Gen(op, layer.Zones[0].Gen[op] - it->second.Reference[op]));
        zone.Gens.push_back({Sf2Gen::Instrument, TSf2GenAmount::FromWord(it->second.Instrument)});
        return zone;
    }

private:
    // Equal for layers that differ only by a constant offset of the generators a
    // preset zone may offset.
    static std::vector<int32_t> Signature(const std::vector<TZonePlan>& zones) {
        std::vector<int32_t> s;
        for (const auto& z : zones) {
            s.insert(s.end(), {z.KeyLo, z.KeyHi, z.Sample, static_cast<int32_t>(z.Mods.size())});
            for (const auto& m : z.Mods)
                s.insert(s.end(), {m.Src, m.Dest, m.Amount, m.AmtSrc, m.Transform});
            for (uint16_t op = 0; op < Sf2GenCount; ++op)
                if (Factored(op))
                    s.push_back(Offsettable(op) ? z.Gen[op] - zones[0].Gen[op] : z.Gen[op]);
        }
        return s;
    }
    uint16_t Silent(TSf2Bank& bank) {
        if (!SilentIndex) {
            TSf2Instrument inst;
            inst.Name = "silent";
            bank.Instruments.push_back(inst);
            SilentIndex = static_cast<uint16_t>(bank.Instruments.size() - 1);
        }
        return *SilentIndex;
    }

    struct TShared {
        uint16_t Instrument;
        std::array<int32_t, Sf2GenCount> Reference; // its first zone's values
    };
    std::map<std::vector<int32_t>, TShared> Shared;
    std::optional<uint16_t> SilentIndex;
};

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

// The conversion; with a layout list the sample points are left out of `out` (see
// TSamplePool).
TVoiceSetConvertResult Convert(const TDlsCollection& dls, TSf2Bank& out,
                               std::vector<TPlacedSample>* layout) {
    TVoiceSetConvertResult result;
    auto fail = [&](std::string why) {
        result.Message = std::move(why);
        return result;
    };
    if (dls.Instruments.empty()) return fail("the collection has no instruments");
    for (size_t i = 0; i < dls.Cues.size(); ++i)
        if (dls.Cues[i] >= dls.Waves.size())
            return fail("pool cue " + std::to_string(i) + " names wave " +
                        std::to_string(dls.Cues[i]) + " of " + std::to_string(dls.Waves.size()));

    TSf2Bank bank;
    bank.Info.Name = dls.Name.empty() ? "Talvimorena voice set" : dls.Name;
    TSamplePool samples(dls, bank, layout);
    TSharedInstruments layers;
    size_t unexpressed = 0, silent = 0;
    for (size_t i = 0; i < dls.Instruments.size(); ++i) {
        const TDlsInstrument& ins = dls.Instruments[i];
        std::vector<TZonePlan> plans;
        for (size_t r = 0; r < ins.Regions.size(); ++r) {
            const TDlsRegion& region = ins.Regions[r];
            const std::string where =
                "instrument " + std::to_string(i) + ", region " + std::to_string(r);
            if (region.WaveLink.TableIndex >= dls.Cues.size())
                return fail(where + ": links to cue " + std::to_string(region.WaveLink.TableIndex) +
                            " of " + std::to_string(dls.Cues.size()));
            const uint32_t waveIndex = dls.Cues[region.WaveLink.TableIndex];
            const TDlsWave& wave = dls.Waves[waveIndex];
            if (!layout && wave.DataInPlace)
                return fail("wave " + std::to_string(waveIndex) +
                            ": its samples were left in the file");
            if (!wave.Decoded() || wave.FrameCount() == 0) {
                ++silent; // a wave we cannot play: the region stays silent
                continue;
            }
            if (wave.SampleRate == 0)
                return fail("wave " + std::to_string(waveIndex) + " has sample rate 0");
            if (bank.SampleHeaders.size() >= 0xFFFF)
                return fail("more wave channels than a SoundFont can index");
            PlanRegion(ins, region, waveIndex, wave, samples, bank, plans, unexpressed);
        }
        TSf2Preset preset;
        preset.Name = ins.Name.substr(0, std::min(ins.Name.size(), Sf2NameSize));
        preset.Bank = static_cast<uint16_t>(RuntimeSoundFontBank(static_cast<int>(i)));
        preset.Preset = static_cast<uint16_t>(RuntimeSoundFontProgram(static_cast<int>(i)));
        std::vector<TLayer> presetLayers = Layers(plans);
        if (presetLayers.empty())
            presetLayers.emplace_back(); // keeps the numbering: a silent preset
        for (const TLayer& layer : presetLayers)
            preset.Zones.push_back(layers.ZoneFor(layer, ins.Name, bank));
        bank.Presets.push_back(std::move(preset));
    }

    size_t zones = 0, gens = 0, mods = 0;
    size_t presetZones = 0, presetGens = 0;
    for (const auto& inst : bank.Instruments)
        for (const auto& z : inst.Zones) {
            ++zones;
            gens += z.Gens.size();
            mods += z.Mods.size();
        }
    for (const auto& p : bank.Presets)
        for (const auto& z : p.Zones) {
            ++presetZones;
            presetGens += z.Gens.size();
        }
    if (zones > 0xFFFF || gens > 0xFFFF || mods > 0xFFFF || bank.Instruments.size() > 0xFFFF ||
        presetZones > 0xFFFF || presetGens > 0xFFFF)
        return fail("the collection needs " + std::to_string(zones) + " zones, " +
                    std::to_string(gens) + " generators and " + std::to_string(mods) +
                    " modulators; a SoundFont indexes at most 65535 of each");

    result.Message = std::to_string(bank.Presets.size()) + " presets, " + std::to_string(zones) +
                     " zones, " + std::to_string(gens) + " generators, " + std::to_string(mods) +
                     " modulators, " + std::to_string(bank.SampleHeaders.size()) + " samples";
    if (unexpressed)
        result.Message +=
            ", " + std::to_string(unexpressed) + " connections without a SoundFont form";
    if (silent) result.Message += ", " + std::to_string(silent) + " regions without playable wave";
    out = std::move(bank);
    result.Ok = true;
    return result;
}

// The held samples of a collection's waves laid end to end as 16-bit points: what
// the image built into a vector reads its sample data from.
class THeldSamples final : public IWaveBytes {
public:
    explicit THeldSamples(const TDlsCollection& c) : C(c) {
        Start.reserve(c.Waves.size());
        for (const TDlsWave& w : c.Waves) {
            Start.push_back(Total);
            Total += w.Samples.size() * 2;
        }
    }
    uint64_t StartOf(size_t wave) const { return Start[wave]; }

    bool ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        if (offset > Total || out.size() > Total - offset) return false;
        size_t done = 0;
        while (done < out.size()) {
            const uint64_t at = offset + done;
            // The last wave starting at or before `at`: it holds that byte.
            const auto w = static_cast<size_t>(std::upper_bound(Start.begin(), Start.end(), at) -
                                               Start.begin() - 1);
            const std::vector<int16_t>& points = C.Waves[w].Samples;
            const auto from = static_cast<size_t>(at - Start[w]);
            const size_t n = std::min(out.size() - done, points.size() * 2 - from);
            std::memcpy(out.data() + done, reinterpret_cast<const uint8_t*>(points.data()) + from,
                        n);
            done += n;
        }
        return true;
    }

private:
    const TDlsCollection& C;
    std::vector<uint64_t> Start;
    uint64_t Total = 0;
};

// The image's small parts around its sample data: the hydra is written by WriteSf2
// over placeholder samples, then the image is put together from its chunks with the
// real sample headers and an empty 'smpl' whose sizes are grown to hold the runs.
bool AssembleImage(std::vector<TRuntimeSampleRun> runs, TSf2Bank& hydra,
                   std::shared_ptr<const IWaveBytes> source, TRuntimeSoundFont& out,
                   std::string& error) {
    const std::vector<TSf2Sample> headers = hydra.SampleHeaders;
    for (auto& h : hydra.SampleHeaders)
        h.Start = h.End = h.LoopStart = h.LoopEnd = 0;
    hydra.Samples.assign(Sf2GuardPoints, 0);
    std::vector<uint8_t> small;
    if (const TSf2WriteResult w = WriteSf2(hydra, small); !w.Ok) {
        error = w.Message;
        return false;
    }
    TRiffChunk root;
    if (const TRiffParseResult p = ParseRiff(small, root); !p.Ok) {
        error = p.Message;
        return false;
    }
    uint64_t sampleBytes = 0;
    for (const TRuntimeSampleRun& run : runs)
        sampleBytes += (uint64_t{run.Frames} + Sf2GuardPoints) * 2;

    std::vector<uint8_t> image;
    TRiffWriter w(image);
    size_t sdtaAt = 0, smplEnd = 0;
    w.BeginRiff(RiffId("sfbk"));
    for (const TRiffChunk& list : root.Children) {
        if (list.ListType == RiffId("sdta")) {
            sdtaAt = w.Size();
            w.BeginList(list.ListType);
            w.BeginChunk(RiffId("smpl"));
            smplEnd = w.Size();
            w.End();
            w.End();
            continue;
        }
        w.BeginList(list.ListType);
        for (const TRiffChunk& c : list.Children) {
            if (c.Id != RiffId("shdr")) {
                w.Chunk(c.Id, c.Data);
                continue;
            }
            w.BeginChunk(c.Id);
            w.Append(c.Data.first(std::min(c.Data.size(), headers.size() * 46)));
            for (size_t i = 0; i < headers.size(); ++i) {
                const size_t at = w.Size() - (headers.size() - i) * 46;
                const uint32_t fields[4] = {headers[i].Start, headers[i].End, headers[i].LoopStart,
                                            headers[i].LoopEnd};
                std::memcpy(image.data() + at + Sf2NameSize, fields, sizeof fields);
            }
            w.Append(c.Data.subspan(std::min(c.Data.size(), headers.size() * 46)));
            w.End();
        }
        w.End();
    }
    w.End();
    if (!w.Finish() || smplEnd == 0 || image.size() - 8 + sampleBytes > 0xFFFFFFFF) {
        error = "the voice set is larger than a RIFF file can hold";
        return false;
    }
    // The sizes of 'RIFF', 'sdta' and 'smpl' count the points the image reads from
    // the source.
    for (const size_t header : {size_t{0}, sdtaAt, smplEnd - 8}) {
        uint32_t size;
        std::memcpy(&size, image.data() + header + 4, 4);
        size += static_cast<uint32_t>(sampleBytes);
        std::memcpy(image.data() + header + 4, &size, 4);
    }
    std::vector<uint8_t> tail(image.begin() + static_cast<ptrdiff_t>(smplEnd), image.end());
    image.resize(smplEnd);
    out = TRuntimeSoundFont(std::move(image), std::move(runs), std::move(tail), std::move(source));
    return true;
}

// The run-time image whose points come from `held` (a collection holding its
// samples) or else from the waves' places in `source`.
TVoiceSetConvertResult BuildImage(const TDlsCollection& dls, const THeldSamples* held,
                                  std::shared_ptr<const IWaveBytes> source,
                                  TRuntimeSoundFont& image) {
    TSf2Bank bank;
    std::vector<TPlacedSample> layout;
    TVoiceSetConvertResult result = Convert(dls, bank, &layout);
    if (!result.Ok) return result;
    std::vector<TRuntimeSampleRun> runs;
    runs.reserve(layout.size());
    for (const TPlacedSample& s : layout) {
        const TDlsWave& w = dls.Waves[s.Wave];
        TRuntimeSampleRun run;
        run.Frames = static_cast<uint32_t>(w.FrameCount());
        run.Channels = static_cast<uint8_t>(w.Channels);
        run.Channel = static_cast<uint8_t>(s.Channel);
        const std::string where = "wave " + std::to_string(s.Wave) + ": ";
        if (held) {
            if (w.DataInPlace) return {false, where + "its samples were left in the file"};
            run.SourceOffset = held->StartOf(s.Wave);
        } else {
            if (!w.DataInPlace) return {false, where + "its samples are not in the source"};
            run.SourceOffset = w.DataInPlace->Offset;
            run.Bits = static_cast<uint8_t>(w.BitsPerSample);
        }
        runs.push_back(run);
    }
    std::string error;
    if (!AssembleImage(std::move(runs), bank, std::move(source), image, error))
        return {false, error};
    result.Message += ", " + Megabytes(double(image.Size()));
    return result;
}

} // namespace

int RuntimeSoundFontBank(int instrumentIndex) {
    return instrumentIndex / 128;
}

int RuntimeSoundFontProgram(int instrumentIndex) {
    return instrumentIndex % 128;
}

TVoiceSetConvertResult ConvertDlsToSf2(const TDlsCollection& dls, TSf2Bank& out) {
    return Convert(dls, out, nullptr);
}

TVoiceSetConvertResult BuildRuntimeSoundFont(const TDlsCollection& dls,
                                             std::vector<uint8_t>& image) {
    const auto held = std::make_shared<const THeldSamples>(dls);
    TRuntimeSoundFont runtime;
    TVoiceSetConvertResult result = BuildImage(dls, held.get(), held, runtime);
    if (!result.Ok) return result;
    std::vector<uint8_t> bytes(static_cast<size_t>(runtime.Size()));
    if (!runtime.Read(0, bytes)) return {false, "the voice set's samples cannot be read"};
    image = std::move(bytes);
    return result;
}

TVoiceSetConvertResult BuildRuntimeSoundFont(const TDlsCollection& dls,
                                             std::shared_ptr<const IWaveBytes> source,
                                             TRuntimeSoundFont& image) {
    if (!source) return {false, "no source for the voice set's samples"};
    return BuildImage(dls, nullptr, std::move(source), image);
}
