// DLS collections as FluidSynth gets them: the DLS defaults where a collection is
// silent, DLS units turned into SoundFont ones, Level 1 blocks, 'wsmp' data, stereo
// waves, and the runtime image.
#include "ConvertCheck.h"

#include "voiceset/sf2/Sf2Reader.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {
using namespace Sf2Gen;

int32_t Fixed(double units) {
    return static_cast<int32_t>(std::lround(units * 65536));
}
double TimeCents(double seconds) {
    return 1200 * std::log2(seconds);
}
double PitchCents(double hz) { // absolute: 6900 is 440 Hz
    return 6900 + 1200 * std::log2(hz / 440);
}

// One instrument with one region over a 2000-frame wave.
TDlsCollection Collection(std::vector<TDlsConnection> connections,
                          TDlsLevel level = TDlsLevel::Level2, uint16_t channels = 1) {
    TDlsCollection c;
    TDlsWave w;
    w.Channels = channels;
    for (int i = 0; i < 2000 * channels; ++i)
        w.Samples.push_back(int16_t(i * 7 % 20000 - 10000));
    c.Waves.push_back(w);
    c.Cues.push_back(0);
    TDlsInstrument ins;
    ins.Name = "Voice";
    TDlsRegion r;
    if (!connections.empty()) r.Articulations.push_back({level, std::move(connections)});
    ins.Regions.push_back(r);
    c.Instruments.push_back(ins);
    return c;
}

struct TPlayedRegion {
    TSf2Bank Bank;
    std::vector<TSf2Region> Regions;
    std::array<int32_t, Sf2GenCount> Gen{};
    std::vector<convert_check::TPlayed> Mods;
};

TPlayedRegion Convert(const TDlsCollection& c) {
    TPlayedRegion p;
    const TVoiceSetConvertResult r = ConvertDlsToSf2(c, p.Bank);
    EXPECT_TRUE(r.Ok) << r.Message;
    const TSf2ResolveResult res = ResolveSf2Preset(p.Bank, 0);
    EXPECT_TRUE(res.Ok) << res.Message;
    p.Regions = res.Regions;
    if (!p.Regions.empty()) {
        p.Gen = Sf2PlayedGenerators(p.Bank, 0, p.Regions[0]);
        p.Mods = convert_check::Played(p.Bank, 0, p.Regions[0]);
    }
    return p;
}

bool Has(const std::vector<convert_check::TPlayed>& mods, uint16_t src, uint16_t dest,
         uint16_t amtSrc, int32_t amount) {
    return std::any_of(mods.begin(), mods.end(), [&](const convert_check::TPlayed& m) {
        return m.Src == src && m.Dest == dest && m.AmtSrc == amtSrc && m.Amount == amount;
    });
}
bool Targets(const std::vector<convert_check::TPlayed>& mods, uint16_t src, uint16_t dest) {
    return std::any_of(mods.begin(), mods.end(), [&](const convert_check::TPlayed& m) {
        return m.Src == src && m.Dest == dest;
    });
}
} // namespace

TEST(DlsToSf2, ACollectionWithoutArticulationPlaysTheDlsDefaults) {
    const TPlayedRegion p = Convert(Collection({}));
    ASSERT_EQ(p.Regions.size(), 1u);
    EXPECT_EQ(p.Gen[FreqModLfo], std::lround(PitchCents(5))); // 5 Hz LFOs after 10 ms
    EXPECT_EQ(p.Gen[FreqVibLfo], std::lround(PitchCents(5)));
    EXPECT_EQ(p.Gen[DelayModLfo], std::lround(TimeCents(0.01)));
    EXPECT_EQ(p.Gen[DelayVibLfo], std::lround(TimeCents(0.01)));
    for (uint16_t op :
         {DelayVolEnv, AttackVolEnv, HoldVolEnv, DecayVolEnv, ReleaseVolEnv, AttackModEnv})
        EXPECT_EQ(p.Gen[op], -12000) << Sf2GenInfo(op).Name; // no time at all
    EXPECT_EQ(p.Gen[SustainVolEnv], 0);                      // sustain at full level
    EXPECT_EQ(p.Gen[InitialFilterFc], 13500);                // no filter
    EXPECT_EQ(p.Gen[ScaleTuning], 100);
    EXPECT_EQ(p.Gen[InitialAttenuation], 0);

    using namespace Sf2Mod;
    EXPECT_TRUE(Has(p.Mods, NoteOnVelocity | Negative | Concave, InitialAttenuation, 0, 960));
    EXPECT_TRUE(Has(p.Mods, Cc | 7 | Negative | Concave, InitialAttenuation, 0, 960));
    EXPECT_TRUE(Has(p.Mods, Cc | 11 | Negative | Concave, InitialAttenuation, 0, 960));
    EXPECT_TRUE(Has(p.Mods, Cc | 10 | Bipolar, Pan, 0, 508));
    EXPECT_TRUE(Has(p.Mods, Cc | 91, ReverbEffectsSend, 0, 1000));
    EXPECT_TRUE(Has(p.Mods, Cc | 93, ChorusEffectsSend, 0, 1000));
    EXPECT_TRUE(Has(p.Mods, PitchWheel | Bipolar, FineTune, PitchWheelSensitivity, 12700));
    EXPECT_TRUE(Has(p.Mods, Cc | 1, VibLfoToPitch, 0, 50));
    // FluidSynth's own extras that DLS does not have are switched off.
    EXPECT_FALSE(Targets(p.Mods, NoteOnVelocity | Negative, InitialFilterFc));
    EXPECT_FALSE(Targets(p.Mods, ChannelPressure, VibLfoToPitch));
    EXPECT_EQ(p.Mods.size(), 8u);
}

TEST(DlsToSf2, DlsUnitsBecomeSoundFontUnits) {
    using namespace DlsDst;
    const uint16_t none = DlsSrc::None;
    const TPlayedRegion p = Convert(Collection({
        {none, none, Eg1AttackTime, 0, Fixed(TimeCents(0.5))},
        {none, none, Eg1SustainLevel, 0, Fixed(600)}, // 60 %
        {none, none, Eg1ReleaseTime, 0, Fixed(TimeCents(2))},
        {none, none, Eg2DecayTime, 0, Fixed(TimeCents(0.25))},
        {none, none, LfoFrequency, 0, Fixed(PitchCents(6))},
        {none, none, FilterCutoff, 0, Fixed(PitchCents(1000))},
        {none, none, FilterQ, 0, Fixed(60)},      // 6 dB
        {none, none, DlsDst::Pan, 0, Fixed(250)}, // a quarter right
        {none, none, Reverb, 0, Fixed(400)},
        {none, none, Gain, 0, Fixed(-35)},
        {none, none, Pitch, 0, Fixed(-250)}, // two and a half semitones down
        {DlsSrc::Eg2, none, Pitch, 0, Fixed(1200)},
        {DlsSrc::Vibrato, none, Pitch, 0, Fixed(20)},
        {DlsSrc::Lfo, none, Gain, 0, Fixed(-30)},
        {DlsSrc::KeyNumber, none, Pitch, 0, Fixed(6400)}, // half a semitone a key
        // Level 2.0's key scaling: a one-second decay at key 0, 100 time cents
        // shorter a key above it.
        {none, none, Eg1DecayTime, 0, 0},
        {DlsSrc::KeyNumber, none, Eg1DecayTime, 0, Fixed(-100 * 128)},
        {DlsSrc::KeyOnVelocity, none, Eg1AttackTime, 0, Fixed(-1200)},
        {DlsSrc::Lfo, DlsSrc::Cc1, FilterCutoff, 0, Fixed(600)},
    }));
    EXPECT_EQ(p.Gen[AttackVolEnv], -1200);
    EXPECT_EQ(p.Gen[SustainVolEnv], 400);
    EXPECT_EQ(p.Gen[ReleaseVolEnv], 1200);
    EXPECT_EQ(p.Gen[DecayModEnv], -2400);
    EXPECT_EQ(p.Gen[FreqModLfo], std::lround(PitchCents(6)));
    EXPECT_EQ(p.Gen[InitialFilterFc], std::lround(PitchCents(1000)));
    EXPECT_EQ(p.Gen[InitialFilterQ], 60);
    EXPECT_EQ(p.Gen[Sf2Gen::Pan], 250);
    EXPECT_EQ(p.Gen[ReverbEffectsSend], 400);
    EXPECT_EQ(p.Gen[InitialAttenuation], 35);
    EXPECT_EQ(100 * p.Gen[CoarseTune] + p.Gen[FineTune], -250);
    EXPECT_EQ(p.Gen[ModEnvToPitch], 1200);
    EXPECT_EQ(p.Gen[VibLfoToPitch], 20);
    EXPECT_EQ(p.Gen[ModLfoToVolume], -30);
    EXPECT_EQ(p.Gen[ScaleTuning], 50);
    // Key 60 keeps the time DLS gives it there: 0 - 100 * 60.
    EXPECT_EQ(p.Gen[KeynumToVolEnvDecay], 100);
    EXPECT_EQ(p.Gen[DecayVolEnv] + p.Gen[KeynumToVolEnvDecay] * (60 - 60), -6000);
    using namespace Sf2Mod;
    EXPECT_TRUE(Has(p.Mods, NoteOnVelocity, AttackVolEnv, 0, -1200));
    EXPECT_TRUE(Has(p.Mods, Cc | 1, ModLfoToFilterFc, 0, 600));
}

TEST(DlsToSf2, Level1BlocksAndInstrumentArticulationFollowTheirRules) {
    using namespace DlsDst;
    // Level 1: the concave curve of velocity is the default's, the pitch wheel's 200
    // cents are the bend range, and the wheel moves the one LFO.
    TDlsCollection c = Collection({}, TDlsLevel::Level1);
    c.Instruments[0].Articulations.push_back(
        {TDlsLevel::Level1,
         {{DlsSrc::KeyOnVelocity, DlsSrc::None, Attenuation, DlsTrn::Concave, Fixed(-960)},
          {DlsSrc::PitchWheel, DlsSrc::None, Pitch, 0, Fixed(200)},
          {DlsSrc::None, DlsSrc::None, Eg1ReleaseTime, 0, Fixed(TimeCents(1))}}});
    TPlayedRegion p = Convert(c);
    using namespace Sf2Mod;
    EXPECT_EQ(p.Gen[ReleaseVolEnv], 0);
    EXPECT_TRUE(Has(p.Mods, NoteOnVelocity | Negative | Concave, InitialAttenuation, 0, 960));
    EXPECT_TRUE(Has(p.Mods, PitchWheel | Bipolar, FineTune, PitchWheelSensitivity, 12700));
    EXPECT_TRUE(Has(p.Mods, Cc | 1, ModLfoToPitch, 0, 50));
    EXPECT_FALSE(Targets(p.Mods, Cc | 1, VibLfoToPitch));
    // The instrument's modulators equal FluidSynth's defaults: none is written.
    const auto& zones = p.Bank.Instruments[0].Zones;
    for (const auto& z : zones)
        for (const auto& m : z.Mods)
            EXPECT_NE(m.Dest, InitialAttenuation) << m.Src;

    // A region's own articulation replaces the instrument's entirely.
    c.Instruments[0].Regions[0].Articulations.push_back(
        {TDlsLevel::Level2,
         {{DlsSrc::None, DlsSrc::None, Eg1AttackTime, 0, Fixed(TimeCents(0.1))}}});
    p = Convert(c);
    EXPECT_EQ(p.Gen[AttackVolEnv], std::lround(TimeCents(0.1)));
    EXPECT_EQ(p.Gen[ReleaseVolEnv], -12000);
    EXPECT_TRUE(Has(p.Mods, Cc | 1, VibLfoToPitch, 0, 50));
}

TEST(DlsToSf2, SampleDataRootTuningGainLoopsAndStereoWaves) {
    TDlsCollection c = Collection({}, TDlsLevel::Level2, 2);
    TDlsWave& wave = c.Waves[0];
    wave.SampleRate = 22050;
    wave.Sample = TDlsSample{60, 0, 0, 0, {{DlsLoopForward, 100, 1500}}};
    TDlsRegion& r = c.Instruments[0].Regions[0];
    r.Keys = {30, 90};
    r.Velocities = {0, 0}; // as Level 1 writers leave it
    r.KeyGroup = 4;
    r.WaveLink.Channel = DlsChannelLeft | DlsChannelRight;
    r.Sample = TDlsSample{64, 30, Fixed(-60), 0, {{DlsLoopRelease, 200, 1000}}};
    const TPlayedRegion p = Convert(c);

    ASSERT_EQ(p.Regions.size(), 2u); // one zone a channel, panned apart
    for (size_t ch = 0; ch < 2; ++ch) {
        const TSf2Region& z = p.Regions[ch];
        const auto gen = Sf2PlayedGenerators(p.Bank, 0, z);
        EXPECT_EQ(z.KeyLo, 30);
        EXPECT_EQ(z.KeyHi, 90);
        EXPECT_EQ(z.VelLo, 0);
        EXPECT_EQ(z.VelHi, 127);
        EXPECT_EQ(z.RootKey, 64);
        EXPECT_EQ(100 * gen[CoarseTune] + gen[FineTune] + z.Sample.PitchCorrection, 30);
        EXPECT_EQ(gen[InitialAttenuation], 60);
        EXPECT_EQ(gen[ExclusiveClass], 4);
        EXPECT_EQ(gen[SampleModes], 3);
        EXPECT_EQ(z.LoopStart - z.Start, 200u);
        EXPECT_EQ(z.LoopEnd - z.Start, 1200u);
        EXPECT_EQ(z.Sample.SampleRate, 22050u);
        EXPECT_EQ(gen[Pan], ch ? 500 : -500);
        const std::vector<int16_t> expected = DlsChannelSamples(wave, unsigned(ch));
        const auto points = convert_check::Points(p.Bank, z);
        EXPECT_TRUE(std::equal(points.begin(), points.end(), expected.begin(), expected.end()));
    }
    // A link to the right channel alone plays that channel, unpanned.
    c.Instruments[0].Regions[0].WaveLink.Channel = DlsChannelRight;
    const TPlayedRegion right = Convert(c);
    ASSERT_EQ(right.Regions.size(), 1u);
    EXPECT_EQ(right.Gen[Pan], 0);
    EXPECT_EQ(convert_check::Points(right.Bank, right.Regions[0])[1],
              DlsChannelSamples(wave, 1)[1]);
}

TEST(DlsToSf2, RuntimeImageIsTheConvertedBankNumberedByPosition) {
    TDlsCollection c = Collection({});
    const TDlsInstrument base = c.Instruments[0];
    c.Instruments.clear();
    for (int i = 0; i < 130; ++i) {
        TDlsInstrument ins = base;
        ins.Name = "Voice " + std::to_string(i);
        ins.Program = uint8_t(i % 2); // the collection's own numbers collide; positions do not
        ins.Drum = i == 129;
        c.Instruments.push_back(ins);
    }
    std::vector<uint8_t> image;
    const TVoiceSetConvertResult built = BuildRuntimeSoundFont(c, image);
    ASSERT_TRUE(built.Ok) << built.Message;
    TSf2Bank bank;
    ASSERT_TRUE(ConvertDlsToSf2(c, bank).Ok);
    std::vector<uint8_t> written;
    ASSERT_TRUE(WriteSf2(bank, written).Ok);
    EXPECT_TRUE(image == written); // the same bytes, without a second copy of the samples

    TSf2Bank read;
    ASSERT_TRUE(ReadSf2(image, read).Ok);
    ASSERT_EQ(read.Presets.size(), 130u);
    for (int i : {0, 1, 127, 128, 129}) {
        EXPECT_EQ(read.Presets[size_t(i)].Bank, i / 128);
        EXPECT_EQ(read.Presets[size_t(i)].Preset, i % 128);
        EXPECT_EQ(read.Presets[size_t(i)].Name, "Voice " + std::to_string(i));
    }
    EXPECT_EQ(read.SampleHeaders.size(), 1u); // every instrument plays the one wave
    EXPECT_EQ(read.Instruments.size(), 1u);   // through one shared instrument
}
