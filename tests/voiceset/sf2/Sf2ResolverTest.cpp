// Flattening presets into regions: the level rules for generators, ranges and modulators.
#include "voiceset/sf2/Sf2Resolver.h"

#include <gtest/gtest.h>

namespace {
TSf2Generator G(uint16_t oper, int16_t v) {
    return {oper, TSf2GenAmount::FromShort(v)};
}
TSf2Generator R(uint16_t oper, uint8_t lo, uint8_t hi) {
    return {oper, TSf2GenAmount::FromRange(lo, hi)};
}
TSf2Zone Z(std::vector<TSf2Generator> gens, std::vector<TSf2Modulator> mods = {}) {
    return {std::move(gens), std::move(mods)};
}

// A bank with a short first sample (so that the second does not start at 0) and a
// 1000-point sample with its loop at 100..900 and original key 62.
TSf2Bank Bank(std::vector<TSf2Zone> instrumentZones, std::vector<TSf2Zone> presetZones) {
    TSf2Bank b;
    AddSf2Sample(b, "Short", std::vector<int16_t>(10, 5), 44100, 60, 0, 0, 0);
    AddSf2Sample(b, "Long", std::vector<int16_t>(1000, 7), 44100, 62, 0, 100, 900);
    b.Instruments.push_back({"Inst", std::move(instrumentZones)});
    b.Presets.push_back({"Preset", 0, 0, 0, 0, 0, std::move(presetZones)});
    return b;
}

std::vector<TSf2Region> Regions(const TSf2Bank& bank) {
    TSf2ResolveResult r = ResolveSf2Preset(bank, 0);
    EXPECT_TRUE(r.Ok) << r.Message;
    return r.Regions;
}

const TSf2Zone ToInst0 = Z({G(Sf2Gen::Instrument, 0)});

TSf2RegionModulator M(const TSf2Modulator& m, int32_t amount, TSf2ModOrigin origin) {
    return {m.Src, m.Dest, m.AmtSrc, m.Transform, amount, origin};
}
} // namespace

TEST(Sf2Resolver, PresetLevelValuesAreOffsetsToTheInstrumentValues) {
    const auto regions = Regions(Bank(
        {Z({G(Sf2Gen::AttackVolEnv, -2000), G(Sf2Gen::Pan, 50), G(Sf2Gen::InitialFilterFc, 9000)}),
         Z({G(Sf2Gen::InitialFilterFc, 8000), G(Sf2Gen::SampleId, 1)})},
        {Z({G(Sf2Gen::AttackVolEnv, 500), G(Sf2Gen::Pan, 100), G(Sf2Gen::CoarseTune, 2)}),
         Z({G(Sf2Gen::Pan, 30), G(Sf2Gen::Instrument, 0)})}));
    ASSERT_EQ(regions.size(), 1u);
    const auto& g = regions[0].Gen;
    EXPECT_EQ(g[Sf2Gen::AttackVolEnv], -1500);   // instrument global + preset global
    EXPECT_EQ(g[Sf2Gen::Pan], 80);               // preset zone replaces preset global
    EXPECT_EQ(g[Sf2Gen::InitialFilterFc], 8000); // zone replaces instrument global
    EXPECT_EQ(g[Sf2Gen::CoarseTune], 2);         // default 0 + preset global
    EXPECT_EQ(g[Sf2Gen::DecayVolEnv], -12000);   // defaults where no level speaks
    EXPECT_EQ(g[Sf2Gen::ScaleTuning], 100);
    EXPECT_EQ(g[Sf2Gen::Keynum], -1);
    EXPECT_EQ(g[Sf2Gen::Instrument], 0);
    EXPECT_EQ(g[Sf2Gen::SampleId], 1);
    EXPECT_EQ(regions[0].SampleIndex, 1);
    EXPECT_EQ(regions[0].PresetZone, 1);
    EXPECT_EQ(regions[0].InstrumentZone, 1);
}

TEST(Sf2Resolver, SumsAreHeldWithinTheGeneratorRanges) {
    const auto regions =
        Regions(Bank({Z({G(Sf2Gen::InitialAttenuation, 1400), G(Sf2Gen::InitialFilterFc, 13000),
                         G(Sf2Gen::FineTune, 150), G(Sf2Gen::SampleId, 1)})},
                     {Z({G(Sf2Gen::InitialAttenuation, 100), G(Sf2Gen::InitialFilterFc, 1000),
                         G(Sf2Gen::Pan, -700), G(Sf2Gen::Instrument, 0)})}));
    ASSERT_EQ(regions.size(), 1u);
    const auto& g = regions[0].Gen;
    EXPECT_EQ(g[Sf2Gen::InitialAttenuation], 1440);
    EXPECT_EQ(g[Sf2Gen::InitialFilterFc], 13500);
    EXPECT_EQ(g[Sf2Gen::Pan], -500);
    EXPECT_EQ(g[Sf2Gen::FineTune], 99);
}

TEST(Sf2Resolver, KeyAndVelocityRangesIntersect) {
    const auto regions = Regions(Bank(
        {Z({R(Sf2Gen::KeyRange, 0, 50), G(Sf2Gen::SampleId, 1)}),
         Z({R(Sf2Gen::KeyRange, 60, 127), R(Sf2Gen::VelRange, 90, 127), G(Sf2Gen::SampleId, 1)}),
         Z({R(Sf2Gen::KeyRange, 90, 100), G(Sf2Gen::SampleId, 1)}),
         Z({R(Sf2Gen::KeyRange, 45, 70), R(Sf2Gen::VelRange, 101, 127), G(Sf2Gen::SampleId, 1)})},
        {Z({R(Sf2Gen::KeyRange, 40, 80), R(Sf2Gen::VelRange, 0, 100), G(Sf2Gen::Instrument, 0)})}));
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0].InstrumentZone, 0);
    EXPECT_EQ(regions[0].KeyLo, 40);
    EXPECT_EQ(regions[0].KeyHi, 50);
    EXPECT_EQ(regions[0].VelLo, 0);
    EXPECT_EQ(regions[0].VelHi, 100);
    EXPECT_EQ(regions[1].InstrumentZone, 1);
    EXPECT_EQ(regions[1].KeyLo, 60);
    EXPECT_EQ(regions[1].KeyHi, 80);
    EXPECT_EQ(regions[1].VelLo, 90);
    EXPECT_EQ(regions[1].VelHi, 100);
    EXPECT_EQ(regions[1].Gen[Sf2Gen::KeyRange], 60 | 80 << 8);
    EXPECT_EQ(regions[1].Gen[Sf2Gen::VelRange], 90 | 100 << 8);
}

TEST(Sf2Resolver, GlobalZonesGiveWhatTheirZonesLeaveOpen) {
    const auto regions = Regions(Bank(
        {Z({R(Sf2Gen::KeyRange, 0, 59), G(Sf2Gen::DecayVolEnv, 1000)}), Z({G(Sf2Gen::SampleId, 1)}),
         Z({R(Sf2Gen::KeyRange, 60, 127), G(Sf2Gen::DecayVolEnv, 2000), G(Sf2Gen::SampleId, 0)})},
        {Z({R(Sf2Gen::VelRange, 1, 64), G(Sf2Gen::ReverbEffectsSend, 300)}), ToInst0,
         Z({G(Sf2Gen::Pan, 400)})})); // a later zone without an instrument counts for nothing
    ASSERT_EQ(regions.size(), 2u);    // the global zones play nothing themselves
    EXPECT_EQ(regions[0].KeyHi, 59);
    EXPECT_EQ(regions[0].Gen[Sf2Gen::DecayVolEnv], 1000);
    EXPECT_EQ(regions[1].KeyLo, 60);
    EXPECT_EQ(regions[1].Gen[Sf2Gen::DecayVolEnv], 2000);
    EXPECT_EQ(regions[1].SampleIndex, 0);
    for (const auto& r : regions) {
        EXPECT_EQ(r.VelLo, 1);
        EXPECT_EQ(r.VelHi, 64);
        EXPECT_EQ(r.Gen[Sf2Gen::ReverbEffectsSend], 300);
        EXPECT_EQ(r.Gen[Sf2Gen::Pan], 0);
    }
}

TEST(Sf2Resolver, InstrumentOnlyGeneratorsAreIgnoredInPresetZones) {
    const auto regions = Regions(
        Bank({Z({G(Sf2Gen::OverridingRootKey, 50), G(Sf2Gen::SampleId, 1)})},
             {Z({G(Sf2Gen::OverridingRootKey, 70), G(Sf2Gen::SampleModes, 1),
                 G(Sf2Gen::StartAddrsOffset, 5), G(Sf2Gen::EndloopAddrsOffset, -5),
                 G(Sf2Gen::ExclusiveClass, 3), G(Sf2Gen::Keynum, 60), G(Sf2Gen::Velocity, 90),
                 G(Sf2Gen::SampleId, 0), G(Sf2Gen::Instrument, 0)})}));
    ASSERT_EQ(regions.size(), 1u);
    const TSf2Region& r = regions[0];
    EXPECT_EQ(r.Gen[Sf2Gen::OverridingRootKey], 50);
    EXPECT_EQ(r.RootKey, 50);
    EXPECT_EQ(r.Gen[Sf2Gen::SampleModes], 0);
    EXPECT_EQ(r.Gen[Sf2Gen::StartAddrsOffset], 0);
    EXPECT_EQ(r.Start, r.Sample.Start);
    EXPECT_EQ(r.LoopEnd, r.Sample.LoopEnd);
    EXPECT_EQ(r.Gen[Sf2Gen::ExclusiveClass], 0);
    EXPECT_EQ(r.Gen[Sf2Gen::Keynum], -1);
    EXPECT_EQ(r.Gen[Sf2Gen::Velocity], -1);
    EXPECT_EQ(r.SampleIndex, 1);
}

TEST(Sf2Resolver, ZoneGeneratorOrderRules) {
    const auto regions = Regions(
        Bank({Z({G(Sf2Gen::Pan, 10), R(Sf2Gen::KeyRange, 0, 10), G(Sf2Gen::Pan, 20), G(99, 5),
                 G(Sf2Gen::Unused1, 5), G(Sf2Gen::SampleId, 1), G(Sf2Gen::Pan, 99),
                 G(Sf2Gen::SampleId, 0)}),
              Z({R(Sf2Gen::KeyRange, 5, 6), R(Sf2Gen::VelRange, 7, 8), G(Sf2Gen::SampleId, 1)}),
              Z({G(Sf2Gen::FineTune, 1), R(Sf2Gen::VelRange, 7, 8), G(Sf2Gen::SampleId, 1)})},
             {ToInst0}));
    ASSERT_EQ(regions.size(), 3u);
    EXPECT_EQ(regions[0].Gen[Sf2Gen::Pan], 20); // the last value counts; none after the link
    EXPECT_EQ(regions[0].KeyHi, 127);           // keyRange only as the first generator
    EXPECT_EQ(regions[0].SampleIndex, 1);       // the first sampleID ends the zone
    EXPECT_EQ(regions[0].Gen[Sf2Gen::Unused1], 0);
    EXPECT_EQ(regions[1].KeyLo, 5);
    EXPECT_EQ(regions[1].VelLo, 7); // velRange right after keyRange
    EXPECT_EQ(regions[2].VelLo, 0); // velRange after another generator
    EXPECT_EQ(regions[2].Gen[Sf2Gen::FineTune], 1);
}

TEST(Sf2Resolver, SamplePointsFollowTheAddressOffsetsWithinTheSample) {
    const auto regions = Regions(
        Bank({Z({G(Sf2Gen::StartAddrsOffset, 10), G(Sf2Gen::EndAddrsOffset, -20),
                 G(Sf2Gen::StartloopAddrsOffset, -5), G(Sf2Gen::EndloopAddrsOffset, 7),
                 G(Sf2Gen::SampleId, 1)}),
              Z({G(Sf2Gen::StartAddrsCoarseOffset, -1), G(Sf2Gen::EndloopAddrsCoarseOffset, 1),
                 G(Sf2Gen::StartloopAddrsCoarseOffset, 1), G(Sf2Gen::EndAddrsOffset, 50),
                 G(Sf2Gen::OverridingRootKey, 40), G(Sf2Gen::SampleId, 1)}),
              Z({G(Sf2Gen::SampleId, 0)})},
             {ToInst0}));
    ASSERT_EQ(regions.size(), 3u);
    const TSf2Region& a = regions[0];
    const uint32_t s = a.Sample.Start;
    ASSERT_EQ(s, 56u); // after the short sample and its guard points
    EXPECT_EQ(a.Start, s + 10);
    EXPECT_EQ(a.End, s + 980);
    EXPECT_EQ(a.LoopStart, s + 95);
    EXPECT_EQ(a.LoopEnd, s + 907);
    EXPECT_EQ(a.RootKey, 62);
    const TSf2Region& b = regions[1]; // everything pushed out is held at the sample's edges
    EXPECT_EQ(b.Start, s);
    EXPECT_EQ(b.End, s + 1000);
    EXPECT_EQ(b.LoopStart, s + 1000);
    EXPECT_EQ(b.LoopEnd, s + 1000);
    EXPECT_EQ(b.Gen[Sf2Gen::StartAddrsCoarseOffset], -1);
    EXPECT_EQ(b.RootKey, 40);
    EXPECT_EQ(regions[2].Start, 0u);
    EXPECT_EQ(regions[2].End, 10u);
}

TEST(Sf2Resolver, RootKeyOfUnpitchedSamplesIsMiddleC) {
    TSf2Bank bank = Bank({Z({G(Sf2Gen::SampleId, 1)})}, {ToInst0});
    bank.SampleHeaders[1].OriginalPitch = 255;
    EXPECT_EQ(Regions(bank).at(0).RootKey, 60);
}

TEST(Sf2Resolver, EveryRegionStartsWithTheDefaultModulators) {
    const auto regions = Regions(Bank({Z({G(Sf2Gen::SampleId, 1)})}, {ToInst0}));
    ASSERT_EQ(regions.size(), 1u);
    std::vector<TSf2RegionModulator> expected;
    for (const auto& d : Sf2DefaultModulators())
        expected.push_back(M(d, d.Amount, TSf2ModOrigin::Default));
    EXPECT_EQ(regions[0].Modulators, expected);
    const auto& velToAttenuation = Sf2DefaultModulators()[0];
    EXPECT_EQ(velToAttenuation.Src, 0x0502);
    EXPECT_EQ(velToAttenuation.Dest, Sf2Gen::InitialAttenuation);
    EXPECT_EQ(velToAttenuation.Amount, 960);
}

TEST(Sf2Resolver, ModulatorsOverrideAndAddAcrossLevels) {
    const auto& d = Sf2DefaultModulators();
    const TSf2Modulator cc7 = d[4], velToFilter = d[1], cc91 = d[7];
    const TSf2Modulator x = {0x0082, Sf2Gen::InitialFilterFc, 100, 0, 0};
    const TSf2Modulator y = {0x0084, Sf2Gen::Pan, 50, 0, 0};
    const TSf2Modulator z = {0x0085, Sf2Gen::ReverbEffectsSend, 10, 0, 0};
    auto with = [](TSf2Modulator m, int16_t amount) {
        m.Amount = amount;
        return m;
    };
    const TSf2Modulator linked = {0x0082, Sf2Mod::DestLink | 1, 100, 0, 0};
    const auto regions = Regions(Bank(
        {Z({}, {with(cc7, 480), x}),
         Z({G(Sf2Gen::SampleId, 1)}, {with(velToFilter, 0), with(x, 300), with(x, 310), linked})},
        {Z({}, {with(cc7, 100), y}),
         Z({G(Sf2Gen::Instrument, 0)}, {with(y, 70), z, with(cc91, -200)})}));
    ASSERT_EQ(regions.size(), 1u);
    using O = TSf2ModOrigin;
    const std::vector<TSf2RegionModulator> expected = {
        M(d[0], 960, O::Default), M(d[2], 50, O::Default),    M(d[3], 50, O::Default),
        M(cc7, 580, O::Preset),   M(d[5], 500, O::Default),   M(d[6], 960, O::Default),
        M(d[8], 200, O::Default), M(d[9], 12700, O::Default), M(x, 310, O::Instrument),
        M(y, 70, O::Preset),      M(z, 10, O::Preset),
    };
    EXPECT_EQ(regions[0].Modulators, expected);
}

TEST(Sf2Resolver, RomSamplesPlayNothing) {
    TSf2Bank bank = Bank({Z({G(Sf2Gen::SampleId, 1)}), Z({G(Sf2Gen::SampleId, 0)})}, {ToInst0});
    bank.SampleHeaders[1].SampleType = Sf2SampleType::Rom | Sf2SampleType::Mono;
    const auto regions = Regions(bank);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].SampleIndex, 0);
}

TEST(Sf2Resolver, RefusesBrokenLinksAndRunawayPresets) {
    auto message = [](const TSf2Bank& bank, size_t preset) {
        const TSf2ResolveResult r = ResolveSf2Preset(bank, preset);
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Regions.empty());
        return r.Message;
    };
    const TSf2Bank good = Bank({Z({G(Sf2Gen::SampleId, 1)})}, {ToInst0});
    EXPECT_EQ(message(good, 1), "no preset 1 of 1");
    TSf2Bank bank = good;
    bank.Presets[0].Zones.push_back(Z({G(Sf2Gen::Instrument, 9)}));
    EXPECT_EQ(message(bank, 0), "preset 0 zone 1 names instrument 9 of 1");
    bank = good;
    bank.Instruments[0].Zones[0].Gens[0].Amount = TSf2GenAmount::FromWord(2);
    EXPECT_EQ(message(bank, 0), "instrument 0 zone 0 names sample 2 of 2");
    bank = good;
    bank.SampleHeaders[1].End = 5000;
    EXPECT_EQ(message(bank, 0), "sample 1 lies outside the 1102 sample points");

    bank = good;
    bank.Instruments[0].Zones.assign(200, Z({G(Sf2Gen::SampleId, 1)}));
    bank.Presets[0].Zones.assign(100, ToInst0);
    EXPECT_EQ(message(bank, 0), "preset 0 makes more than 16384 regions");
}
