// What cannot be converted is refused with the reason, and the target stays as it was.
#include "voiceset/convert/VoiceSetConvert.h"

#include <gtest/gtest.h>

namespace {
TSf2Bank OnePreset(uint16_t bank, uint16_t preset, uint16_t instrument = 0) {
    TSf2Bank b;
    AddSf2Sample(b, "s", std::vector<int16_t>(64, 1000), 44100, 60, 0, 0, 0);
    b.Instruments.push_back({"i", {{{{Sf2Gen::SampleId, TSf2GenAmount::FromWord(0)}}, {}}}});
    b.Presets.push_back({"p",
                         preset,
                         bank,
                         0,
                         0,
                         0,
                         {{{{Sf2Gen::Instrument, TSf2GenAmount::FromWord(instrument)}}, {}}}});
    return b;
}

// Fails with a message holding `why`, leaving the sentinel target alone.
void ExpectRefused(const TSf2Bank& b, bool builtIn, const std::string& why) {
    TDlsCollection out;
    out.Name = "untouched";
    TSf2ToDlsOptions o;
    o.BuiltIn = builtIn;
    const TVoiceSetConvertResult r = ConvertSf2ToDls(b, o, out);
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Message.find(why), std::string::npos) << r.Message;
    EXPECT_EQ(out.Name, "untouched");
}

void ExpectRefused(const TDlsCollection& c, const std::string& why) {
    TSf2Bank out;
    out.Info.Name = "untouched";
    const TVoiceSetConvertResult r = ConvertDlsToSf2(c, out);
    EXPECT_FALSE(r.Ok);
    EXPECT_NE(r.Message.find(why), std::string::npos) << r.Message;
    EXPECT_EQ(out.Info.Name, "untouched");
    std::vector<uint8_t> image;
    EXPECT_FALSE(BuildRuntimeSoundFont(c, image).Ok);
}

TDlsCollection OneRegion() {
    TDlsCollection c;
    TDlsWave w;
    w.Samples.assign(100, 500);
    c.Waves.push_back(w);
    c.Cues.push_back(0);
    TDlsInstrument ins;
    ins.Regions.emplace_back();
    c.Instruments.push_back(ins);
    return c;
}
} // namespace

TEST(ConvertReject, SoundFontsWithoutWhatTheConversionNeeds) {
    ExpectRefused(TSf2Bank{}, false, "no presets");
    ExpectRefused(OnePreset(8, 0), true, "no General MIDI melodic preset in bank 0");
    TSf2Bank noKit = OnePreset(0, 0);
    noKit.Presets.push_back({"room", 8, 128, 0, 0, 0, noKit.Presets[0].Zones});
    ExpectRefused(noKit, true, "no standard drum kit (bank 128, preset 0)");
    ExpectRefused(OnePreset(0, 3, 7), false,
                  "preset 0 (bank 0, program 3, \"p\"): preset 0 zone 0 names instrument 7 of 1");
}

TEST(ConvertReject, CollectionsWithBrokenLinksOrNothingToPlay) {
    ExpectRefused(TDlsCollection{}, "no instruments");
    TDlsCollection c = OneRegion();
    c.Instruments[0].Regions[0].WaveLink.TableIndex = 3;
    ExpectRefused(c, "instrument 0, region 0: links to cue 3 of 1");
    c = OneRegion();
    c.Cues[0] = 9;
    ExpectRefused(c, "pool cue 0 names wave 9 of 1");
    c = OneRegion();
    c.Waves[0].SampleRate = 0;
    ExpectRefused(c, "wave 0 has sample rate 0");
    // More modulators than the SoundFont tables index: 6600 regions with ten controller
    // connections of their own each.
    c = OneRegion();
    c.Instruments[0].Regions.resize(6600);
    for (size_t i = 0; i < 6600; ++i) {
        TDlsArticulation art;
        for (unsigned cc = 20; cc < 30; ++cc)
            art.Connections.push_back(
                {DlsSrc::Cc(cc), DlsSrc::None, DlsDst::Gain, 0, int32_t(i + 1) << 16});
        c.Instruments[0].Regions[i].Articulations.push_back(art);
    }
    ExpectRefused(c, "at most 65535");
}

TEST(ConvertReject, WavesWithoutSoundLeaveTheirRegionsSilentNotTheSet) {
    TDlsCollection c = OneRegion();
    c.Waves[0].FormatTag = 2; // not PCM: kept in the pool, without samples
    c.Waves[0].Samples.clear();
    TSf2Bank out;
    const TVoiceSetConvertResult r = ConvertDlsToSf2(c, out);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_NE(r.Message.find("1 regions without playable wave"), std::string::npos) << r.Message;
    ASSERT_EQ(out.Presets.size(), 1u);
    EXPECT_TRUE(out.SampleHeaders.empty());
}
