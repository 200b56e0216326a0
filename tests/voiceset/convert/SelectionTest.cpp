// Which presets become instruments, and with which numbers: the built-in selection
// and the general numbering, and the files the build and the tool make.
#include "TempDir.h"

#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/dls/DlsReader.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {
// A bank whose presets all play one short sample, in the order given.
TSf2Bank Bank(const std::vector<std::pair<uint16_t, uint16_t>>& bankAndPreset) {
    TSf2Bank b;
    AddSf2Sample(b, "s", std::vector<int16_t>(64, 1000), 44100, 60, 0, 0, 0);
    b.Instruments.push_back({"i", {{{{Sf2Gen::SampleId, TSf2GenAmount::FromWord(0)}}, {}}}});
    for (const auto& [bank, preset] : bankAndPreset) {
        TSf2Preset p;
        p.Bank = bank;
        p.Preset = preset;
        p.Name = std::to_string(bank) + ":" + std::to_string(preset);
        p.Zones.push_back({{{Sf2Gen::Instrument, TSf2GenAmount::FromWord(0)}}, {}});
        b.Presets.push_back(p);
    }
    return b;
}

std::vector<uint32_t> Patches(const TDlsCollection& c) {
    std::vector<uint32_t> v;
    for (const auto& i : c.Instruments)
        v.push_back(i.Patch());
    return v;
}

TDlsCollection Convert(const TSf2Bank& b, bool builtIn) {
    TDlsCollection c;
    TSf2ToDlsOptions o;
    o.BuiltIn = builtIn;
    const TVoiceSetConvertResult r = ConvertSf2ToDls(b, o, c);
    EXPECT_TRUE(r.Ok) << r.Message;
    return c;
}
} // namespace

TEST(Selection, BuiltInTakesGeneralMidiAtMsb65VariationsByBankAndOneKitLast) {
    TSf2Bank b = Bank({{128, 8},
                       {8, 6},
                       {0, 5},
                       {16, 0},
                       {0, 127},
                       {128, 0},
                       {0, 0},
                       {8, 5},
                       {0, 5},
                       {0, 130},
                       {200, 1}});
    b.Presets[8].Name = "second 0:5";
    const TDlsCollection c = Convert(b, true);
    EXPECT_EQ(Patches(c), (std::vector<uint32_t>{
                              DlsPatchNumber(65, 0, 0, false), DlsPatchNumber(65, 0, 5, false),
                              DlsPatchNumber(65, 0, 127, false), DlsPatchNumber(65, 8, 5, false),
                              DlsPatchNumber(65, 8, 6, false), DlsPatchNumber(65, 16, 0, false),
                              DlsPatchNumber(0, 0, 0, true)}));
    EXPECT_EQ(c.Instruments[1].Name, "0:5"); // the first of a repeated number
    EXPECT_EQ(c.Instruments.back().Name, "128:0");
    // One kit, whose drum flag (bit 31) sorts it after every melodic patch.
    EXPECT_EQ(
        std::count_if(c.Instruments.begin(), c.Instruments.end(), [](auto& i) { return i.Drum; }),
        1);
    for (size_t i = 0; i + 1 < c.Instruments.size(); ++i)
        EXPECT_LT(c.Instruments[i].Patch(), c.Instruments.back().Patch());
}

TEST(Selection, BuiltInStopsAtThreeHundredWithWholeVariationBanks) {
    std::vector<std::pair<uint16_t, uint16_t>> presets;
    for (uint16_t p = 0; p < 128; ++p)
        presets.push_back({0, p});
    for (uint16_t bank : {1, 2, 3})
        for (uint16_t p = 0; p < 60; ++p)
            presets.push_back({bank, p});
    for (uint16_t p = 0; p < 5; ++p)
        presets.push_back({4, p}); // would fit, but comes after bank 3
    presets.push_back({128, 0});
    const TDlsCollection c = Convert(Bank(presets), true);
    ASSERT_EQ(c.Instruments.size(), 128u + 60 + 60 + 1);
    EXPECT_LE(c.Instruments.size(), BuiltInMaxInstruments);
    EXPECT_EQ(c.Instruments[128 + 60].LSB, 2);
    EXPECT_EQ(c.Instruments[128 + 119].LSB, 2);
    EXPECT_TRUE(c.Instruments.back().Drum);
}

TEST(Selection, GeneralConversionKeepsEveryNumberInPatchOrder) {
    const TDlsCollection c =
        Convert(Bank({{128, 8}, {300, 7}, {0, 5}, {8, 5}, {128, 0}, {0, 5}}), false);
    EXPECT_EQ(Patches(c),
              (std::vector<uint32_t>{DlsPatchNumber(0, 0, 5, false), DlsPatchNumber(0, 8, 5, false),
                                     DlsPatchNumber(2, 44, 7, false), DlsPatchNumber(0, 0, 0, true),
                                     DlsPatchNumber(0, 0, 8, true)}));
    EXPECT_EQ(c.Instruments[2].Name, "300:7");
}

TEST(Selection, FilesAreWrittenWholeAndSayWhatTheyHold) {
    TTempDir dir;
    const TSf2Bank b = Bank({{0, 0}, {0, 1}, {128, 0}, {128, 1}});
    ASSERT_TRUE(SaveSf2File(dir.Path("in.sf2"), b).Ok);

    const TVoiceSetConvertResult built =
        BuildBuiltInVoiceSetFile(dir.Path("in.sf2"), dir.Path("msf4.s"));
    ASSERT_TRUE(built.Ok) << built.Message;
    EXPECT_EQ(built.Message.rfind("msf4.s: 3 instruments, 1 waves, ", 0), 0u) << built.Message;
    TDlsCollection read;
    ASSERT_TRUE(ReadDlsFile(dir.Path("msf4.s"), read).Ok);
    EXPECT_EQ(read, Convert(b, true));

    const TVoiceSetConvertResult all = ConvertSf2FileToDls(dir.Path("in.sf2"), dir.Path("all.dls"));
    ASSERT_TRUE(all.Ok) << all.Message;
    ASSERT_TRUE(ReadDlsFile(dir.Path("all.dls"), read).Ok);
    EXPECT_EQ(read.Instruments.size(), 4u);

    const TVoiceSetConvertResult missing =
        BuildBuiltInVoiceSetFile(dir.Path("none.sf2"), dir.Path("x.s"));
    EXPECT_FALSE(missing.Ok);
    EXPECT_FALSE(missing.Message.empty());
    const TVoiceSetConvertResult unwritable =
        ConvertSf2FileToDls(dir.Path("in.sf2"), dir.Path("no/such/folder/x.dls"));
    EXPECT_FALSE(unwritable.Ok);
    EXPECT_NE(unwritable.Message.find("cannot be written"), std::string::npos);
}
