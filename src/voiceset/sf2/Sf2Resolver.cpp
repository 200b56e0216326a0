// The zone, generator and modulator rules that turn a preset into flat regions.
#include "voiceset/sf2/Sf2Resolver.h"

#include <algorithm>

namespace {
std::string Num(size_t v) {
    return std::to_string(v);
}

// What one zone sets, after the rules on order, repeats and level.
struct TZoneValues {
    std::array<bool, Sf2GenCount> Set{};
    std::array<TSf2GenAmount, Sf2GenCount> Amount{};
    bool HasLink = false;
    uint16_t Link = 0; // instrument or sample index
    std::vector<TSf2Modulator> Mods;
};

bool IsLinked(const TSf2Modulator& m) {
    return (m.Dest & Sf2Mod::DestLink) != 0 ||
           (m.Src & (Sf2Mod::Cc | Sf2Mod::IndexMask)) == Sf2Mod::Link;
}

TZoneValues ReadZone(const TSf2Zone& zone, bool presetLevel) {
    TZoneValues v;
    const uint16_t linkOper = presetLevel ? Sf2Gen::Instrument : Sf2Gen::SampleId;
    int stage = 0; // 0: nothing yet, 1: after keyRange, 2: after anything else
    for (const auto& g : zone.Gens) {
        if (g.Oper == linkOper) {
            v.HasLink = true;
            v.Link = g.Amount.Word();
            break;
        }
        if (g.Oper == Sf2Gen::KeyRange || g.Oper == Sf2Gen::VelRange) {
            const bool inPlace = g.Oper == Sf2Gen::KeyRange ? stage == 0 : stage <= 1;
            if (inPlace) {
                v.Set[g.Oper] = true;
                v.Amount[g.Oper] = g.Amount;
                stage = g.Oper == Sf2Gen::KeyRange ? 1 : 2;
            }
            continue;
        }
        stage = 2;
        const TSf2GenInfo& info = Sf2GenInfo(g.Oper);
        if (info.Kind == TSf2GenKind::Unused || info.Kind == TSf2GenKind::Index) continue;
        if (presetLevel && !info.PresetLevel) continue;
        v.Set[g.Oper] = true;
        v.Amount[g.Oper] = g.Amount;
    }
    for (size_t i = 0; i < zone.Mods.size(); ++i) {
        const TSf2Modulator& m = zone.Mods[i];
        if (IsLinked(m)) continue;
        const bool replacedLater = std::any_of(zone.Mods.begin() + i + 1, zone.Mods.end(),
                                               [&](const TSf2Modulator& o) { return o.SameAs(m); });
        if (!replacedLater) v.Mods.push_back(m);
    }
    return v;
}

// A level's modulators: the global zone's that the zone does not replace, then the zone's.
std::vector<TSf2Modulator> LevelMods(const TZoneValues* global, const TZoneValues& local) {
    std::vector<TSf2Modulator> mods;
    if (global)
        for (const auto& g : global->Mods)
            if (std::none_of(local.Mods.begin(), local.Mods.end(),
                             [&](const TSf2Modulator& l) { return l.SameAs(g); }))
                mods.push_back(g);
    mods.insert(mods.end(), local.Mods.begin(), local.Mods.end());
    return mods;
}

void Range(const TZoneValues& local, const TZoneValues* global, uint16_t oper, uint8_t& lo,
           uint8_t& hi) {
    TSf2GenAmount a = TSf2GenAmount::FromRange(0, 127);
    if (local.Set[oper])
        a = local.Amount[oper];
    else if (global && global->Set[oper])
        a = global->Amount[oper];
    lo = a.Lo();
    hi = a.Hi();
}

const TZoneValues* Set(const TZoneValues& local, const TZoneValues* global, uint16_t oper) {
    if (local.Set[oper]) return &local;
    if (global && global->Set[oper]) return global;
    return nullptr;
}

std::vector<TSf2RegionModulator> Modulators(const std::vector<TSf2Modulator>& instrumentLevel,
                                            const std::vector<TSf2Modulator>& presetLevel) {
    std::vector<TSf2RegionModulator> list;
    auto same = [](const TSf2RegionModulator& r, const TSf2Modulator& m) {
        return r.Src == m.Src && r.Dest == m.Dest && r.AmtSrc == m.AmtSrc;
    };
    for (const auto& d : Sf2DefaultModulators())
        list.push_back({d.Src, d.Dest, d.AmtSrc, d.Transform, d.Amount, TSf2ModOrigin::Default});
    for (const auto& m : instrumentLevel) {
        auto it = std::find_if(list.begin(), list.end(), [&](auto& r) { return same(r, m); });
        if (it == list.end())
            list.push_back(
                {m.Src, m.Dest, m.AmtSrc, m.Transform, m.Amount, TSf2ModOrigin::Instrument});
        else {
            it->Amount = m.Amount;
            it->Transform = m.Transform;
            it->Origin = TSf2ModOrigin::Instrument;
        }
    }
    for (const auto& m : presetLevel) {
        auto it = std::find_if(list.begin(), list.end(), [&](auto& r) { return same(r, m); });
        if (it == list.end())
            list.push_back({m.Src, m.Dest, m.AmtSrc, m.Transform, m.Amount, TSf2ModOrigin::Preset});
        else if (m.Amount != 0) {
            it->Amount += m.Amount;
            it->Origin = TSf2ModOrigin::Preset;
        }
    }
    std::erase_if(list, [](const TSf2RegionModulator& r) { return r.Amount == 0; });
    return list;
}

// Start, end and loop with the address offsets applied, held within the sample.
void PlacePoints(TSf2Region& r) {
    const TSf2Sample& s = r.Sample;
    const auto& g = r.Gen;
    auto at = [](uint32_t base, int32_t fine, int32_t coarse) {
        return int64_t{base} + fine + int64_t{coarse} * 32768;
    };
    const int64_t lo = s.Start, hi = s.End;
    const int64_t start = std::clamp(
        at(s.Start, g[Sf2Gen::StartAddrsOffset], g[Sf2Gen::StartAddrsCoarseOffset]), lo, hi);
    const int64_t end = std::clamp(
        at(s.End, g[Sf2Gen::EndAddrsOffset], g[Sf2Gen::EndAddrsCoarseOffset]), start, hi);
    const int64_t loopStart = std::clamp(
        at(s.LoopStart, g[Sf2Gen::StartloopAddrsOffset], g[Sf2Gen::StartloopAddrsCoarseOffset]),
        start, end);
    const int64_t loopEnd = std::clamp(
        at(s.LoopEnd, g[Sf2Gen::EndloopAddrsOffset], g[Sf2Gen::EndloopAddrsCoarseOffset]),
        loopStart, end);
    r.Start = static_cast<uint32_t>(start);
    r.End = static_cast<uint32_t>(end);
    r.LoopStart = static_cast<uint32_t>(loopStart);
    r.LoopEnd = static_cast<uint32_t>(loopEnd);
}

void FillGenerators(TSf2Region& r, const TZoneValues& iz, const TZoneValues* ig,
                    const TZoneValues& pz, const TZoneValues* pg) {
    for (uint16_t op = 0; op < Sf2GenCount; ++op) {
        const TSf2GenInfo& info = Sf2GenInfo(op);
        switch (info.Kind) {
        case TSf2GenKind::Value:
        case TSf2GenKind::Flags:
        case TSf2GenKind::SampleOffset: {
            int32_t v = info.Default;
            if (const TZoneValues* z = Set(iz, ig, op)) v = z->Amount[op].Short();
            if (info.PresetLevel)
                if (const TZoneValues* z = Set(pz, pg, op)) v += z->Amount[op].Short();
            if (info.Clamped) v = std::clamp<int32_t>(v, info.Min, info.Max);
            r.Gen[op] = v;
            break;
        }
        default:
            r.Gen[op] = 0;
            break;
        }
    }
    r.Gen[Sf2Gen::KeyRange] = r.KeyLo | r.KeyHi << 8;
    r.Gen[Sf2Gen::VelRange] = r.VelLo | r.VelHi << 8;
    r.Gen[Sf2Gen::Instrument] = r.Instrument;
    r.Gen[Sf2Gen::SampleId] = r.SampleIndex;
}
} // namespace

TSf2ResolveResult ResolveSf2Preset(const TSf2Bank& bank, size_t presetIndex) {
    TSf2ResolveResult result;
    auto fail = [&result](std::string message) {
        result.Message = std::move(message);
        result.Regions.clear();
        return std::move(result);
    };
    if (presetIndex >= bank.Presets.size())
        return fail("no preset " + Num(presetIndex) + " of " + Num(bank.Presets.size()));
    const TSf2Preset& preset = bank.Presets[presetIndex];
    std::vector<TZoneValues> pzones;
    for (const auto& z : preset.Zones)
        pzones.push_back(ReadZone(z, true));
    const TZoneValues* pg = !pzones.empty() && !pzones[0].HasLink ? &pzones[0] : nullptr;

    for (size_t pj = 0; pj < pzones.size(); ++pj) {
        const TZoneValues& pz = pzones[pj];
        if (!pz.HasLink) continue;
        if (pz.Link >= bank.Instruments.size())
            return fail("preset " + Num(presetIndex) + " zone " + Num(pj) + " names instrument " +
                        Num(pz.Link) + " of " + Num(bank.Instruments.size()));
        uint8_t pKeyLo, pKeyHi, pVelLo, pVelHi;
        Range(pz, pg, Sf2Gen::KeyRange, pKeyLo, pKeyHi);
        Range(pz, pg, Sf2Gen::VelRange, pVelLo, pVelHi);
        const auto presetMods = LevelMods(pg, pz);

        const TSf2Instrument& inst = bank.Instruments[pz.Link];
        std::vector<TZoneValues> izones;
        for (const auto& z : inst.Zones)
            izones.push_back(ReadZone(z, false));
        const TZoneValues* ig = !izones.empty() && !izones[0].HasLink ? &izones[0] : nullptr;
        for (size_t ik = 0; ik < izones.size(); ++ik) {
            const TZoneValues& iz = izones[ik];
            if (!iz.HasLink) continue;
            if (iz.Link >= bank.SampleHeaders.size())
                return fail("instrument " + Num(pz.Link) + " zone " + Num(ik) + " names sample " +
                            Num(iz.Link) + " of " + Num(bank.SampleHeaders.size()));
            const TSf2Sample& sample = bank.SampleHeaders[iz.Link];
            if (sample.InRom()) continue;
            if (sample.Start > sample.End || sample.End > bank.Samples.size())
                return fail("sample " + Num(iz.Link) + " lies outside the " +
                            Num(bank.Samples.size()) + " sample points");
            TSf2Region r;
            uint8_t iKeyLo, iKeyHi, iVelLo, iVelHi;
            Range(iz, ig, Sf2Gen::KeyRange, iKeyLo, iKeyHi);
            Range(iz, ig, Sf2Gen::VelRange, iVelLo, iVelHi);
            r.KeyLo = std::max(pKeyLo, iKeyLo);
            r.KeyHi = std::min(pKeyHi, iKeyHi);
            r.VelLo = std::max(pVelLo, iVelLo);
            r.VelHi = std::min(pVelHi, iVelHi);
            if (r.KeyLo > r.KeyHi || r.VelLo > r.VelHi) continue;
            if (result.Regions.size() == Sf2MaxRegionsPerPreset)
                return fail("preset " + Num(presetIndex) + " makes more than " +
                            Num(Sf2MaxRegionsPerPreset) + " regions");
            r.PresetZone = static_cast<uint16_t>(pj);
            r.Instrument = pz.Link;
            r.InstrumentZone = static_cast<uint16_t>(ik);
            r.SampleIndex = iz.Link;
            r.Sample = sample;
            FillGenerators(r, iz, ig, pz, pg);
            PlacePoints(r);
            const int32_t root = r.Gen[Sf2Gen::OverridingRootKey];
            r.RootKey = static_cast<uint8_t>(root >= 0                     ? root
                                             : sample.OriginalPitch <= 127 ? sample.OriginalPitch
                                                                           : 60);
            r.Modulators = Modulators(LevelMods(ig, iz), presetMods);
            result.Regions.push_back(std::move(r));
        }
    }
    result.Ok = true;
    return result;
}
