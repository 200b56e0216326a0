// Hand-built SoundFonts through DLS and back: every mapped generator, the modulators,
// loops, layers, stereo pairs and shared samples come out as FluidSynth played them.
#include "ConvertCheck.h"

#include "voiceset/dls/DlsReader.h"
#include "voiceset/dls/DlsWriter.h"
#include "voiceset/sf2/Sf2Reader.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <cmath>
#include <optional>

#include <gtest/gtest.h>

namespace {
using namespace Sf2Gen;

TSf2Generator G(uint16_t oper, int16_t v) {
    return {oper, TSf2GenAmount::FromShort(v)};
}
TSf2Generator R(uint16_t oper, uint8_t lo, uint8_t hi) {
    return {oper, TSf2GenAmount::FromRange(lo, hi)};
}
std::vector<int16_t> Tone(size_t n, double period, double level) {
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = int16_t(level * std::sin(2 * M_PI * double(i) / period));
    return v;
}

// Every mapped generator away from its default in the instrument's global zone; zones
// with loops of both kinds, address offsets, a stereo pair and two velocity layers; a
// preset whose offsets take attenuation below 0 and the cutoff above 13500; a
// variation and a kit over the same samples.
TSf2Bank LeadBank() {
    TSf2Bank b;
    const uint16_t ramp =
        uint16_t(AddSf2Sample(b, "Ramp", Tone(1000, 50, 9000), 44100, 62, -7, 100, 900));
    const uint16_t left =
        uint16_t(AddSf2Sample(b, "Pad L", Tone(800, 40, 7000), 32000, 64, 3, 50, 750));
    const uint16_t right =
        uint16_t(AddSf2Sample(b, "Pad R", Tone(800, 41, 7000), 32000, 64, 3, 50, 750));
    const uint16_t hit = uint16_t(AddSf2Sample(b, "Hit", Tone(300, 7, 12000), 22050, 60, 0, 0, 0));
    b.SampleHeaders[left].SampleType = Sf2SampleType::Left;
    b.SampleHeaders[left].SampleLink = right;
    b.SampleHeaders[right].SampleType = Sf2SampleType::Right;
    b.SampleHeaders[right].SampleLink = left;

    TSf2Zone global{{G(ModLfoToPitch, 30),
                     G(VibLfoToPitch, -20),
                     G(ModEnvToPitch, 150),
                     G(InitialFilterFc, 9000),
                     G(InitialFilterQ, 120),
                     G(ModLfoToFilterFc, -300),
                     G(ModEnvToFilterFc, 2400),
                     G(ModLfoToVolume, 25),
                     G(ChorusEffectsSend, 150),
                     G(ReverbEffectsSend, 300),
                     G(Pan, -200),
                     G(DelayModLfo, -5000),
                     G(FreqModLfo, 500),
                     G(DelayVibLfo, -3000),
                     G(FreqVibLfo, -400),
                     G(DelayModEnv, -4000),
                     G(AttackModEnv, -1000),
                     G(HoldModEnv, -2000),
                     G(DecayModEnv, 1200),
                     G(SustainModEnv, 300),
                     G(ReleaseModEnv, 800),
                     G(KeynumToModEnvHold, 20),
                     G(KeynumToModEnvDecay, -30),
                     G(DelayVolEnv, -6000),
                     G(AttackVolEnv, -3000),
                     G(HoldVolEnv, -2500),
                     G(DecayVolEnv, 2000),
                     G(SustainVolEnv, 200),
                     G(ReleaseVolEnv, 1500),
                     G(KeynumToVolEnvHold, 10),
                     G(KeynumToVolEnvDecay, 40),
                     G(InitialAttenuation, 60),
                     G(ScaleTuning, 50),
                     G(ExclusiveClass, 3),
                     G(CoarseTune, 2),
                     G(FineTune, -30)},
                    {}};
    TSf2Instrument lead{"Lead", {global}};
    lead.Zones.push_back({{R(KeyRange, 0, 59), G(SampleModes, 1), G(OverridingRootKey, 60),
                           G(StartloopAddrsOffset, 4), G(EndloopAddrsOffset, -6), G(FineTune, 12),
                           G(Pan, 100), G(SampleId, ramp)},
                          {}});
    lead.Zones.push_back({{R(KeyRange, 60, 127), R(VelRange, 0, 90), G(SampleModes, 3),
                           G(Pan, -500), G(AttackVolEnv, -8000), G(SampleId, left)},
                          {}});
    lead.Zones.push_back({{R(KeyRange, 60, 127), R(VelRange, 0, 90), G(SampleModes, 3), G(Pan, 500),
                           G(SampleId, right)},
                          {}});
    lead.Zones.push_back({{R(KeyRange, 60, 127), R(VelRange, 91, 127), G(StartAddrsOffset, 2),
                           G(EndAddrsOffset, -3), G(SampleId, hit)},
                          {}});
    b.Instruments.push_back(lead);
    b.Instruments.push_back(
        {"Kit",
         {{{R(KeyRange, 36, 36), G(ExclusiveClass, 1), G(SampleId, hit)}, {}},
          {{R(KeyRange, 38, 38), G(ExclusiveClass, 1), G(Pan, 300), G(SampleId, hit)}, {}}}});

    TSf2Preset p{"Lead", 5, 0, 0, 0, 0, {}};
    p.Zones.push_back(
        {{G(InitialAttenuation, -80), G(InitialFilterFc, 5000), G(ReleaseVolEnv, 200)}, {}});
    p.Zones.push_back({{G(Instrument, 0)}, {}});
    p.Zones.push_back({{R(VelRange, 100, 127), G(CoarseTune, 12), G(Instrument, 0)}, {}});
    b.Presets.push_back(p);
    b.Presets.push_back(
        {"Lead Var", 5, 8, 0, 0, 0, {{{G(Pan, 150), G(DecayVolEnv, -400), G(Instrument, 0)}, {}}}});
    b.Presets.push_back({"Kit", 0, 128, 0, 0, 0, {{{G(Instrument, 1)}, {}}}});
    return b;
}

struct TTrip {
    TDlsCollection Dls;
    TSf2Bank Back;
};

// Through both conversions and both file images, checking each image reads back.
TTrip RoundTrip(const TSf2Bank& src) {
    TTrip t;
    const TVoiceSetConvertResult toDls = ConvertSf2ToDls(src, {}, t.Dls);
    EXPECT_TRUE(toDls.Ok) << toDls.Message;
    std::vector<uint8_t> image;
    EXPECT_TRUE(WriteDls(t.Dls, image).Ok);
    TDlsCollection read;
    EXPECT_TRUE(ReadDls(image, read).Ok);
    EXPECT_EQ(read, t.Dls);
    TSf2Bank bank;
    const TVoiceSetConvertResult toSf2 = ConvertDlsToSf2(read, bank);
    EXPECT_TRUE(toSf2.Ok) << toSf2.Message;
    std::vector<uint8_t> sf2;
    EXPECT_TRUE(WriteSf2(bank, sf2).Ok);
    EXPECT_TRUE(ReadSf2(sf2, t.Back).Ok);
    return t;
}

void ExpectSamePresets(const TSf2Bank& src, const TTrip& t) {
    ASSERT_EQ(t.Back.Presets.size(), t.Dls.Instruments.size());
    for (size_t i = 0; i < t.Dls.Instruments.size(); ++i) {
        const size_t from = convert_check::SourcePreset(src, t.Dls.Instruments[i], false);
        ASSERT_LT(from, src.Presets.size());
        EXPECT_EQ(convert_check::ComparePreset(src, from, t.Back, i), "");
    }
}
} // namespace

TEST(RoundTrip, EveryMappedGeneratorLoopLayerAndStereoPairComesBack) {
    const TSf2Bank src = LeadBank();
    const TTrip t = RoundTrip(src);
    ExpectSamePresets(src, t);

    // Numbered by patch: the two melodic presets, then the kit.
    ASSERT_EQ(t.Dls.Instruments.size(), 3u);
    EXPECT_EQ(t.Dls.Instruments[0].Patch(), DlsPatchNumber(0, 0, 5, false));
    EXPECT_EQ(t.Dls.Instruments[1].Patch(), DlsPatchNumber(0, 8, 5, false));
    EXPECT_EQ(t.Dls.Instruments[2].Patch(), DlsPatchNumber(0, 0, 0, true));
    // One wave per played part: the ramp, the pair, the hit cut by its offsets, and the
    // whole hit the kit plays.
    EXPECT_EQ(t.Dls.Waves.size(), 5u);
    for (const auto& w : t.Dls.Waves)
        EXPECT_EQ(w.Channels, 1);
    // Four regions under the full velocity range, two more under 100..127 (the pair's
    // 0..90 does not reach it); each overlaps another, so all are written with layers.
    const auto& lead = t.Dls.Instruments[0].Regions;
    ASSERT_EQ(lead.size(), 6u);
    EXPECT_TRUE(std::all_of(lead.begin(), lead.end(), [](auto& r) { return r.Layer.has_value(); }));
    EXPECT_NE(lead[0].Layer, lead[4].Layer); // the two ramps
    EXPECT_NE(lead[1].Layer, lead[2].Layer); // left and right
    EXPECT_FALSE(t.Dls.Instruments[2].Regions[0].Layer.has_value());
    EXPECT_EQ(t.Dls.Instruments[2].Regions[0].KeyGroup, 1);

    // The DLS side in DLS units.
    const TDlsRegion& ramp = lead[0];
    ASSERT_TRUE(ramp.Sample.has_value());
    EXPECT_EQ(ramp.Sample->UnityNote, 60);
    EXPECT_EQ(ramp.Sample->FineTune, -7);
    EXPECT_EQ(ramp.Sample->Gain, 20 << 16); // attenuation -20 cB: louder
    ASSERT_EQ(ramp.Sample->Loops.size(), 1u);
    EXPECT_EQ(ramp.Sample->Loops[0].Type, DlsLoopForward);
    EXPECT_EQ(ramp.Sample->Loops[0].Start, 104u);
    EXPECT_EQ(ramp.Sample->Loops[0].Length, 790u);
    EXPECT_EQ(lead[1].Sample->Loops.at(0).Type, DlsLoopRelease);
    EXPECT_TRUE(lead[3].Sample->Loops.empty());
    auto scale = [&](uint16_t src, uint16_t dst) -> std::optional<int32_t> {
        for (const auto& c : ramp.Articulations.at(0).Connections)
            if (c.Source == src && c.Control == DlsSrc::None && c.Destination == dst)
                return c.Scale;
        return std::nullopt;
    };
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Eg1AttackTime), -3000 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Eg1SustainLevel), 800 << 16); // 80 % of full level
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Eg2SustainLevel), 700 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Eg1DelayTime), -6000 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::LfoFrequency), 500 << 16); // 8.176 Hz * 2^(500/1200)
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::FilterCutoff), 14000 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::FilterQ), 120 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Pan), 100 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Reverb), 300 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Pitch), 212 << 16);       // coarse 2, fine 12
    EXPECT_EQ(scale(DlsSrc::KeyNumber, DlsDst::Pitch), 6400 << 16); // 50 cents a key
    EXPECT_EQ(scale(DlsSrc::Lfo, DlsDst::Gain), 25 << 16);
    EXPECT_EQ(scale(DlsSrc::Eg2, DlsDst::FilterCutoff), 2400 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Eg1KeyNumToHold), 10 << 16);
    EXPECT_EQ(scale(DlsSrc::None, DlsDst::Eg2DecayTime), 1200 << 16);
    // The kit keeps the default times: the fastest SoundFont time is DLS's "no time",
    // its default, so no connection is written for it.
    const auto& kit = t.Dls.Instruments[2].Regions[0].Articulations.at(0).Connections;
    EXPECT_TRUE(std::none_of(kit.begin(), kit.end(), [](const TDlsConnection& c) {
        return c.Destination == DlsDst::Eg1AttackTime || c.Destination == DlsDst::Eg2ReleaseTime;
    }));

    // What FluidSynth plays of the lead's first region: the preset took attenuation to
    // -20 and the cutoff to 14000, beyond the ranges the resolver holds them in.
    const TSf2ResolveResult back = ResolveSf2Preset(t.Back, 0);
    ASSERT_TRUE(back.Ok);
    const auto first = std::find_if(back.Regions.begin(), back.Regions.end(), [](auto& r) {
        return r.KeyHi == 59 && r.VelLo == 0 && r.VelHi == 127;
    });
    ASSERT_NE(first, back.Regions.end());
    const auto gen = Sf2PlayedGenerators(t.Back, 0, *first);
    EXPECT_EQ(gen[InitialAttenuation], -20);
    EXPECT_EQ(gen[InitialFilterFc], 14000);
    EXPECT_EQ(gen[ReleaseVolEnv], 1700);
    EXPECT_EQ(100 * gen[CoarseTune] + gen[FineTune] + first->Sample.PitchCorrection, 200 + 12 - 7);
    EXPECT_EQ(first->RootKey, 60);
    EXPECT_EQ(first->LoopStart - first->Start, 104u);
    EXPECT_EQ(first->LoopEnd - first->Start, 894u);
}

TEST(RoundTrip, ModulatorsComeBackAsFluidSynthPlaysThem) {
    TSf2Bank src = LeadBank();
    using namespace Sf2Mod;
    src.Instruments[0].Zones[0].Mods = {
        {Cc | 1, ModLfoToPitch, 40, 0, 0}, // LFO depth by the wheel
        {NoteOnVelocity | Convex, InitialFilterQ, -470, NoteOnVelocity | Switch | Negative, 0},
        {Cc | 7 | Negative | Concave, InitialAttenuation, 480, 0, 0}, // a default, changed
        {NoteOnVelocity | Negative, InitialFilterFc, -1200, NoteOnVelocity | Switch,
         0},                               // FluidSynth's own
        {Cc | 10 | Bipolar, Pan, 0, 0, 0}, // a default, off
        {ChannelPressure | Bipolar, InitialAttenuation, 100, 0, 0},
        {NoteOnKey, DecayVolEnv, -300, Cc | 11, TransformAbsolute}, // |x| of a unipolar pair
        {PitchWheel | Bipolar, FineTune, 6350, PitchWheelSensitivity, 0},
    };
    src.Presets[0].Zones[0].Mods = {{Cc | 1, ModLfoToPitch, 10, 0, 0}}; // adds to the instrument's
    const TTrip t = RoundTrip(src);
    ExpectSamePresets(src, t);

    const auto& conns = t.Dls.Instruments[0].Regions[0].Articulations.at(0).Connections;
    auto has = [&](uint16_t s, uint16_t c, uint16_t d, int32_t scale) {
        return std::any_of(conns.begin(), conns.end(), [&](const TDlsConnection& k) {
            return k.Source == s && k.Control == c && k.Destination == d && k.Scale == scale;
        });
    };
    EXPECT_TRUE(has(DlsSrc::Lfo, DlsSrc::Cc1, DlsDst::Pitch, 50 << 16));
    EXPECT_TRUE(has(DlsSrc::Cc7, DlsSrc::None, DlsDst::Gain, -480 << 16));
    EXPECT_TRUE(has(DlsSrc::Cc10, DlsSrc::None, DlsDst::Pan, 0));
    EXPECT_TRUE(
        has(DlsSrc::KeyOnVelocity, DlsSrc::KeyOnVelocity, DlsDst::FilterCutoff, -1200 << 16));
    EXPECT_TRUE(has(DlsSrc::KeyNumber, DlsSrc::Cc11, DlsDst::Eg1DecayTime, 300 << 16));
    EXPECT_TRUE(
        has(DlsSrc::PitchWheel, DlsSrc::Rpn0, DlsDst::Pitch, 6400 << 16)); // a one-semitone bend
}

TEST(RoundTrip, ModulatorsDlsCannotHoldAreCountedNotGuessed) {
    TSf2Bank src = LeadBank();
    using namespace Sf2Mod;
    src.Instruments[0].Zones[0].Mods = {
        {Cc | 1, ModLfoToPitch, 40, Cc | 2, 0},                 // a depth under two controls
        {PitchWheel | Bipolar, Pan, 300, 0, TransformAbsolute}, // |x| of a bipolar source
        {Cc | 1, OverridingRootKey, 5, 0, 0},                   // no DLS destination
    };
    TDlsCollection dls;
    const TVoiceSetConvertResult r = ConvertSf2ToDls(src, {}, dls);
    ASSERT_TRUE(r.Ok) << r.Message;
    // Three modulators in each of the lead's six regions and the variation's four.
    EXPECT_NE(r.Message.find(", 30 modulators without a DLS form"), std::string::npos) << r.Message;
}

TEST(RoundTrip, FluidSynthKeepsItsVelocityFilterUnlessAZoneNamesItsOwnForm) {
    using namespace Sf2Mod;
    TSf2Bank b = LeadBank();
    const uint16_t velocity = NoteOnVelocity | Negative;
    auto velocityFilter = [&](const TSf2Bank& bank, size_t preset) {
        const TSf2ResolveResult r = ResolveSf2Preset(bank, preset);
        EXPECT_TRUE(r.Ok);
        std::vector<std::pair<uint16_t, int32_t>> found; // amount source, amount
        for (const auto& m : Sf2PlayedModulators(bank, preset, r.Regions.at(0)))
            if (m.Src == velocity && m.Dest == InitialFilterFc)
                found.push_back({m.AmtSrc, m.Amount});
        std::sort(found.begin(), found.end());
        return found;
    };
    using TFound = std::vector<std::pair<uint16_t, int32_t>>;
    const uint16_t own = NoteOnVelocity | Switch;
    EXPECT_EQ(velocityFilter(b, 0), (TFound{{own, -2400}}));
    // The printed table's form (and the one FluidR3 switches off with) is another
    // modulator to FluidSynth: it adds to FluidSynth's own.
    b.Instruments[0].Zones[1].Mods = {
        {velocity, InitialFilterFc, -600, 0, 0},
        {velocity, InitialFilterFc, 0, NoteOnVelocity | Switch | Negative, 0}};
    EXPECT_EQ(velocityFilter(b, 0), (TFound{{0, -600}, {own, -2400}}));
    // FluidSynth's own form is replaced in the instrument and added to in the preset.
    b.Instruments[0].Zones[0].Mods = {{velocity, InitialFilterFc, -1000, own, 0}};
    b.Presets[0].Zones[1].Mods = {{velocity, InitialFilterFc, 300, own, 0}};
    EXPECT_EQ(velocityFilter(b, 0), (TFound{{0, -600}, {own, -700}}));
    EXPECT_EQ(velocityFilter(b, 1), (TFound{{0, -600}, {own, -1000}}));
    // A preset-level modulator of the printed form with no instrument one to add to
    // stands alone in FluidSynth, without the table's -2400 beneath it.
    b.Instruments[0].Zones[1].Mods.clear();
    b.Presets[0].Zones[2].Mods = {{velocity, InitialFilterFc, 500, 0, 0}};
    const TSf2ResolveResult layer = ResolveSf2Preset(b, 0);
    ASSERT_TRUE(layer.Ok);
    TFound upper;
    for (const auto& m : Sf2PlayedModulators(b, 0, layer.Regions.back()))
        if (m.Src == velocity && m.Dest == InitialFilterFc) upper.push_back({m.AmtSrc, m.Amount});
    std::sort(upper.begin(), upper.end());
    EXPECT_EQ(upper, (TFound{{0, 500}, {own, -1000}})); // this layer's zone adds nothing to it
    ExpectSamePresets(b, RoundTrip(b));
    ExpectSamePresets(b, RoundTrip(b));
}
