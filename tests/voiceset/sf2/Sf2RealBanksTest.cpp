// The General MIDI banks the build converts: Debian's FluidR3_GM.sf2 (package
// fluid-soundfont-gm) and TimGM6mb.sf2 (timgm6mb-soundfont), both installed by
// scripts/setup. A missing bank fails the test: the build needs it.
#include "base/FileUtil.h"
#include "voiceset/sf2/Sf2Reader.h"
#include "voiceset/sf2/Sf2Resolver.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <set>

#include <gtest/gtest.h>

namespace {
constexpr const char* FluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr const char* TimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";

void Load(const char* path, const char* package, TSf2Bank& bank) {
    ASSERT_TRUE(FileExists(path)) << path << " is missing: scripts/setup installs " << package;
    const TSf2ReadResult r = LoadSf2File(path, bank);
    ASSERT_TRUE(r.Ok) << r.Message;
}

// 128 melodic presets in bank 0, the standard kit at bank 128, and every preset
// resolving to regions that play points of the bank's own sample data.
void ExpectGeneralMidi(const TSf2Bank& bank) {
    std::set<int> melodic;
    bool standardKit = false;
    for (const auto& p : bank.Presets) {
        if (p.Bank == 0) melodic.insert(p.Preset);
        standardKit |= p.Bank == 128 && p.Preset == 0;
    }
    EXPECT_EQ(melodic.size(), 128u);
    EXPECT_EQ(*melodic.rbegin(), 127);
    EXPECT_TRUE(standardKit);

    size_t regions = 0;
    for (size_t i = 0; i < bank.Presets.size(); ++i) {
        const TSf2ResolveResult res = ResolveSf2Preset(bank, i);
        ASSERT_TRUE(res.Ok) << res.Message;
        EXPECT_FALSE(res.Regions.empty()) << bank.Presets[i].Name;
        for (const auto& r : res.Regions) {
            const TSf2Sample& s = bank.SampleHeaders.at(r.SampleIndex);
            EXPECT_EQ(r.Sample, s);
            EXPECT_LE(s.End, bank.Samples.size());
            EXPECT_LE(s.Start, r.Start);
            EXPECT_LE(r.Start, r.LoopStart);
            EXPECT_LE(r.LoopStart, r.LoopEnd);
            EXPECT_LE(r.LoopEnd, r.End);
            EXPECT_LE(r.End, s.End);
            EXPECT_LT(r.Start, r.End) << bank.Presets[i].Name << " plays an empty sample";
            EXPECT_LE(r.KeyLo, r.KeyHi);
            EXPECT_LE(r.VelLo, r.VelHi);
            EXPECT_LE(r.RootKey, 127);
            EXPECT_GT(s.SampleRate, 0u);
        }
        regions += res.Regions.size();
    }
    EXPECT_GT(regions, bank.Presets.size());
}
} // namespace

TEST(Sf2RealBanks, FluidR3IsAGeneralMidiBank) {
    TSf2Bank bank;
    Load(FluidR3, "fluid-soundfont-gm", bank);
    if (HasFatalFailure()) return;
    EXPECT_EQ(bank.Info.Name, "Fluid R3 GM");
    EXPECT_EQ(bank.Info.VersionMajor, 2);
    EXPECT_GT(bank.Samples.size(), 70'000'000u); // some 148 MB of 16-bit points
    ExpectGeneralMidi(bank);
}

TEST(Sf2RealBanks, TimGM6mbIsAGeneralMidiBankAndSurvivesAWrite) {
    TSf2Bank bank;
    Load(TimGM6mb, "timgm6mb-soundfont", bank);
    if (HasFatalFailure()) return;
    ExpectGeneralMidi(bank);

    // Most of its samples lack the silent tail, so the writer lays them out anew.
    std::vector<uint8_t> bytes;
    const TSf2WriteResult w = WriteSf2(bank, bytes);
    ASSERT_TRUE(w.Ok) << w.Message;
    TSf2Bank back;
    const TSf2ReadResult r = ReadSf2(bytes, back);
    ASSERT_TRUE(r.Ok) << r.Message;
    TSf2Bank repacked = bank;
    RepackSf2Samples(repacked);
    EXPECT_TRUE(back == repacked);
    ExpectGeneralMidi(back);
    std::vector<uint8_t> again;
    ASSERT_TRUE(WriteSf2(back, again).Ok);
    EXPECT_TRUE(again == bytes);
}
