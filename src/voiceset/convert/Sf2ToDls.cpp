// SoundFont -> DLS Level 2: which presets become instruments (all of them, or the
// built-in selection), and each preset's flattened regions as DLS regions over a
// shared pool of mono waves.
#include "voiceset/convert/VoiceSetConvert.h"

#include "voiceset/RiffChunk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace {

struct TPick {
    size_t Preset;
    uint8_t MSB, LSB, Program;
    bool Drum;
};

constexpr uint16_t DrumBank = 128;

std::string PresetText(const TSf2Bank& bank, size_t i) {
    const TSf2Preset& p = bank.Presets[i];
    return "preset " + std::to_string(i) + " (bank " + std::to_string(p.Bank) + ", program " +
           std::to_string(p.Preset) + ", \"" + p.Name + "\")";
}

// Presets of one bank, in program order, the first of any repeated number only.
std::vector<size_t> BankPresets(const TSf2Bank& bank, uint16_t number) {
    std::map<uint16_t, size_t> byProgram;
    for (size_t i = 0; i < bank.Presets.size(); ++i)
        if (bank.Presets[i].Bank == number && bank.Presets[i].Preset <= 127)
            byProgram.emplace(bank.Presets[i].Preset, i);
    std::vector<size_t> list;
    for (const auto& [program, index] : byProgram)
        list.push_back(index);
    return list;
}

bool PickBuiltIn(const TSf2Bank& bank, std::vector<TPick>& picks, std::string& error) {
    const std::vector<size_t> gm = BankPresets(bank, 0);
    if (gm.empty()) {
        error = "no General MIDI melodic preset in bank 0";
        return false;
    }
    const std::vector<size_t> kits = BankPresets(bank, DrumBank);
    if (kits.empty() || bank.Presets[kits[0]].Preset != 0) {
        error = "no standard drum kit (bank 128, preset 0)";
        return false;
    }
    for (size_t i : gm)
        picks.push_back(
            {i, BuiltInMelodicMsb, 0, static_cast<uint8_t>(bank.Presets[i].Preset), false});
    std::vector<uint16_t> variationBanks;
    for (const auto& p : bank.Presets)
        if (p.Bank > 0 && p.Bank < DrumBank) variationBanks.push_back(p.Bank);
    std::sort(variationBanks.begin(), variationBanks.end());
    variationBanks.erase(std::unique(variationBanks.begin(), variationBanks.end()),
                         variationBanks.end());
    for (uint16_t b : variationBanks) {
        const std::vector<size_t> presets = BankPresets(bank, b);
        if (picks.size() + presets.size() + 1 > BuiltInMaxInstruments) break;
        for (size_t i : presets)
            picks.push_back({i, BuiltInMelodicMsb, static_cast<uint8_t>(b),
                             static_cast<uint8_t>(bank.Presets[i].Preset), false});
    }
    picks.push_back({kits[0], 0, 0, 0, true});
    return true;
}

// Every preset, numbered from its bank; sorted by patch, or in file order. A repeated
// bank/preset pair only at its first place in that order.
void PickAll(const TSf2Bank& bank, std::vector<TPick>& picks, bool fileOrder) {
    for (size_t i = 0; i < bank.Presets.size(); ++i) {
        TDlsInstrument numbered;
        numbered.SetPatch(Sf2PresetPatch(bank.Presets[i]));
        picks.push_back({i, numbered.MSB, numbered.LSB, numbered.Program, numbered.Drum});
    }
    auto key = [](const TPick& p) { return std::make_tuple(p.Drum, p.MSB, p.LSB, p.Program); };
    if (fileOrder) {
        std::set<std::tuple<bool, uint8_t, uint8_t, uint8_t>> seen;
        std::erase_if(picks, [&](const TPick& p) { return !seen.insert(key(p)).second; });
        return;
    }
    std::stable_sort(picks.begin(), picks.end(),
                     [&](const TPick& a, const TPick& b) { return key(a) < key(b); });
    picks.erase(std::unique(picks.begin(), picks.end(),
                            [&](const TPick& a, const TPick& b) { return key(a) == key(b); }),
                picks.end());
}

// The instrument zones a preset's resolution goes through: each preset zone reads
// every zone of the instrument it names.
size_t ZonePairs(const TSf2Bank& bank, size_t presetIndex) {
    size_t pairs = 0;
    for (const TSf2Zone& z : bank.Presets[presetIndex].Zones)
        for (const TSf2Generator& g : z.Gens)
            if (g.Oper == Sf2Gen::Instrument) {
                if (g.Amount.Word() < bank.Instruments.size())
                    pairs += bank.Instruments[g.Amount.Word()].Zones.size();
                break;
            }
    return pairs;
}

bool Overlap(const TDlsRegion& a, const TDlsRegion& b) {
    return a.Keys.Low <= b.Keys.High && b.Keys.Low <= a.Keys.High &&
           a.Velocities.Low <= b.Velocities.High && b.Velocities.Low <= a.Velocities.High;
}

// Regions that overlap another get the lowest layer free of overlaps within it. Work
// grows with the square of the regions (the caller bounds it).
void AssignLayers(std::vector<TDlsRegion>& regions) {
    const size_t n = regions.size();
    std::vector<bool> overlaps(n, false);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            if (Overlap(regions[i], regions[j])) overlaps[i] = overlaps[j] = true;
    std::vector<bool> taken;
    for (size_t i = 0; i < n; ++i) {
        if (!overlaps[i]) continue;
        // The i regions before it hold at most i layers: one of 0..i is free.
        taken.assign(i + 1, false);
        for (size_t j = 0; j < i; ++j)
            if (regions[j].Layer && *regions[j].Layer <= i && Overlap(regions[i], regions[j]))
                taken[*regions[j].Layer] = true;
        const auto layer =
            static_cast<uint16_t>(std::find(taken.begin(), taken.end(), false) - taken.begin());
        regions[i].Layer = layer;
    }
}

std::optional<TDlsLoop> RegionLoop(const TSf2Region& r) {
    const int32_t modes = r.Gen[Sf2Gen::SampleModes] & 3;
    if ((modes != 1 && modes != 3) || r.LoopEnd <= r.LoopStart) return std::nullopt;
    return TDlsLoop{modes == 3 ? DlsLoopRelease : DlsLoopForward, r.LoopStart - r.Start,
                    r.LoopEnd - r.LoopStart};
}

// The pool: one wave for each played part of the sample data.
class TWavePool {
public:
    TWavePool(const TSf2Bank& bank, TDlsCollection& c) : Bank(bank), C(c) {}

    // Sample points the waves would hold with this region's wave added (0 when the
    // pool has it already).
    size_t PointsWith(const TSf2Region& r) const {
        const bool known = Cues.contains(std::make_tuple(r.Start, r.End, r.Sample.SampleRate));
        return Points + (known ? 0 : r.End - r.Start);
    }

    uint32_t CueFor(const TSf2Region& r) {
        const auto key = std::make_tuple(r.Start, r.End, r.Sample.SampleRate);
        if (auto it = Cues.find(key); it != Cues.end()) return it->second;
        Points += r.End - r.Start;
        TDlsWave w;
        w.SampleRate = r.Sample.SampleRate;
        w.Samples.assign(Bank.Samples.begin() + r.Start, Bank.Samples.begin() + r.End);
        w.Name = r.Sample.Name;
        // The wave's own playing data: the sample's root, tuning and loop, so that a
        // player without the region's 'wsmp' (and the way back) finds them here.
        TDlsSample s;
        s.UnityNote = r.RootKey;
        s.FineTune = r.Sample.PitchCorrection;
        const TSf2Sample& h = r.Sample;
        if (h.LoopEnd > h.LoopStart && h.LoopStart >= r.Start && h.LoopEnd <= r.End)
            s.Loops.push_back({DlsLoopForward, h.LoopStart - r.Start, h.LoopEnd - h.LoopStart});
        else if (auto loop = RegionLoop(r))
            s.Loops.push_back({DlsLoopForward, loop->Start, loop->Length});
        w.Sample = s;
        const auto cue = static_cast<uint32_t>(C.Waves.size());
        C.Waves.push_back(std::move(w));
        C.Cues.push_back(cue);
        Cues.emplace(key, cue);
        return cue;
    }

private:
    const TSf2Bank& Bank;
    TDlsCollection& C;
    std::map<std::tuple<uint32_t, uint32_t, uint32_t>, uint32_t> Cues;
    size_t Points = 0;
};

TDlsRegion MakeRegion(const TSf2Region& r, const std::array<int32_t, Sf2GenCount>& gen,
                      std::vector<TDlsConnection> connections, uint32_t cue) {
    TDlsRegion d;
    d.Keys = {r.KeyLo, r.KeyHi};
    d.Velocities = {r.VelLo, r.VelHi};
    d.KeyGroup = static_cast<uint16_t>(std::clamp(gen[Sf2Gen::ExclusiveClass], 0, 127));
    d.WaveLink.Channel = DlsChannelLeft;
    d.WaveLink.TableIndex = cue;
    TDlsSample s;
    s.UnityNote = r.RootKey;
    s.FineTune = r.Sample.PitchCorrection;
    s.Gain = -std::clamp(gen[Sf2Gen::InitialAttenuation], -32767, 32767) * 65536;
    if (auto loop = RegionLoop(r)) s.Loops.push_back(*loop);
    d.Sample = s;
    if (!connections.empty())
        d.Articulations.push_back({TDlsLevel::Level2, std::move(connections)});
    return d;
}

// The source's credits travel with the set; the software is ours.
void CopyInfo(const TSf2Info& from, std::vector<TDlsInfoItem>& to) {
    for (const char* id : {"ICOP", "ICMT", "IENG", "ICRD"})
        for (const auto& chunk : from.Others)
            if (chunk.Id == id) {
                uint32_t code = 0;
                for (int i = 3; i >= 0; --i)
                    code = code << 8 | uint8_t(id[i]);
                const auto end = std::find(chunk.Bytes.begin(), chunk.Bytes.end(), uint8_t{0});
                to.push_back({code, std::string(chunk.Bytes.begin(), end)});
                break;
            }
    to.push_back({RiffId("ISFT"), "Talvimorena voice-set converter"});
}

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

} // namespace

uint32_t Sf2PresetPatch(const TSf2Preset& p) {
    if (p.Bank == DrumBank)
        return DlsPatchNumber(0, 0, static_cast<uint8_t>(p.Preset & 0x7F), true);
    return DlsPatchNumber(static_cast<uint8_t>((p.Bank >> 7) & 0x7F),
                          static_cast<uint8_t>(p.Bank & 0x7F),
                          static_cast<uint8_t>(p.Preset & 0x7F), false);
}

TVoiceSetConvertResult ConvertSf2ToDls(const TSf2Bank& sf2, const TSf2ToDlsOptions& options,
                                       TDlsCollection& out) {
    TVoiceSetConvertResult result;
    if (sf2.Presets.empty()) {
        result.Message = "the bank has no presets";
        return result;
    }
    std::vector<TPick> picks;
    if (options.BuiltIn) {
        if (!PickBuiltIn(sf2, picks, result.Message)) return result;
    } else {
        PickAll(sf2, picks, options.FileOrder);
    }
    const size_t maxPoints = Sf2MaxWaveShare * sf2.Samples.size() + Sf2WavePointsAllowance;
    size_t zonePairs = 0;
    for (const TPick& pick : picks)
        zonePairs += ZonePairs(sf2, pick.Preset);
    if (zonePairs > Sf2MaxZonePairs) {
        result.Message = "the presets go through more than " + std::to_string(Sf2MaxZonePairs) +
                         " instrument zones";
        return result;
    }

    TDlsCollection c;
    c.Name = sf2.Info.Name;
    CopyInfo(sf2.Info, c.Info);
    TWavePool pool(sf2, c);
    size_t unexpressed = 0, regions = 0, resolvedRegions = 0, regionPairs = 0;
    for (const TPick& pick : picks) {
        const TSf2ResolveResult resolved = ResolveSf2Preset(sf2, pick.Preset);
        if (!resolved.Ok) {
            result.Message = PresetText(sf2, pick.Preset) + ": " + resolved.Message;
            return result;
        }
        TDlsInstrument ins;
        ins.MSB = pick.MSB;
        ins.LSB = pick.LSB;
        ins.Program = pick.Program;
        ins.Drum = pick.Drum;
        ins.Name = sf2.Presets[pick.Preset].Name;
        resolvedRegions += resolved.Regions.size();
        if (resolvedRegions > Sf2MaxRegionsPerBank) {
            result.Message =
                "the presets give more than " + std::to_string(Sf2MaxRegionsPerBank) + " regions";
            return result;
        }
        for (const TSf2Region& r : resolved.Regions) {
            // Nothing to play: no points, no rate, or velocity 0 only (which DLS files of
            // Level 1 write for "every velocity").
            if (r.End <= r.Start || r.Sample.SampleRate == 0 || r.VelHi == 0) continue;
            if (pool.PointsWith(r) > maxPoints) {
                result.Message = PresetText(sf2, pick.Preset) + ": the presets play more than " +
                                 std::to_string(maxPoints) +
                                 " sample points, too many for the bank's " +
                                 std::to_string(sf2.Samples.size());
                return result;
            }
            const auto gen = Sf2PlayedGenerators(sf2, pick.Preset, r);
            const auto played = Sf2PlayedModulators(sf2, pick.Preset, r);
            ins.Regions.push_back(MakeRegion(
                r, gen, VoiceSetMap::ToConnections(gen, played, unexpressed), pool.CueFor(r)));
        }
        regionPairs += ins.Regions.size() * ins.Regions.size();
        if (regionPairs > Sf2MaxRegionPairs) {
            result.Message = PresetText(sf2, pick.Preset) +
                             ": the presets give too many regions to lay out in layers";
            return result;
        }
        AssignLayers(ins.Regions);
        regions += ins.Regions.size();
        c.Instruments.push_back(std::move(ins));
    }

    size_t bytes = 0;
    for (const auto& w : c.Waves)
        bytes += w.Samples.size() * 2;
    result.Message = std::to_string(c.Instruments.size()) + " instruments, " +
                     std::to_string(regions) + " regions, " + std::to_string(c.Waves.size()) +
                     " waves, " + Megabytes(double(bytes)) + " of samples";
    if (unexpressed)
        result.Message += ", " + std::to_string(unexpressed) + " modulators without a DLS form";
    out = std::move(c);
    result.Ok = true;
    return result;
}
