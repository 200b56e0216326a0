// talvimorena-tool voices, convert and ports, run as a real process on real files.
#include "ToolRun.h"

#include "base/ShortString.h"
#include "sound/PortList.h"
#include "sound/platform/AlsaDevices.h"
#include "sound/platform/fluid/TKTDirectMusic.h"
#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <gtest/gtest.h>

namespace {
// A bank with three melodic presets out of order, a variation and two kits.
TSf2Bank SmallBank() {
    TSf2Bank b;
    AddSf2Sample(b, "s", std::vector<int16_t>(256, 1000), 44100, 60, 0, 0, 0);
    b.Instruments.push_back({"i", {{{{Sf2Gen::SampleId, TSf2GenAmount::FromWord(0)}}, {}}}});
    auto preset = [&](const char* name, uint16_t bank, uint16_t program) {
        b.Presets.push_back({name,
                             program,
                             bank,
                             0,
                             0,
                             0,
                             {{{{Sf2Gen::Instrument, TSf2GenAmount::FromWord(0)}}, {}}}});
    };
    preset("Strings", 0, 48);
    preset("Piano", 0, 0);
    preset("Room Kit", 128, 8);
    preset("Bright", 8, 1);
    preset("Standard Kit", 128, 0);
    return b;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}
} // namespace

TEST(ToolVoices, BuiltInConversionListsGeneralMidiNumbersAndOneKitLast) {
    TTempDir dir;
    ASSERT_TRUE(SaveSf2File(dir.Path("gm.sf2"), SmallBank()).Ok);
    TRun made =
        RunTool(dir, "convert --built-in " + Q(dir.Path("gm.sf2")) + " " + Q(dir.Path("set.dls")));
    ASSERT_EQ(made.Status, 0) << made.Err;

    TRun listed = RunTool(dir, "voices " + Q(dir.Path("set.dls")));
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    const auto lines = Lines(listed.Out);
    const auto sorted = std::find(lines.begin(), lines.end(), "sorted (4):");
    ASSERT_NE(sorted, lines.end()) << listed.Out;
    ASSERT_GE(lines.end() - sorted, 5);
    EXPECT_EQ(sorted[1], "  0:<65:0:0> Piano");
    EXPECT_EQ(sorted[2], "  1:<65:0:48> Strings");
    EXPECT_EQ(sorted[3], "  2:<65:8:1> Bright");
    EXPECT_EQ(sorted[4].rfind("  3:<", 0), 0u);
    EXPECT_NE(sorted[4].find("Standard Kit [drum]"), std::string::npos) << sorted[4];
    EXPECT_EQ(listed.Out.find("Room Kit"), std::string::npos) << "only the standard kit is kept";
    EXPECT_NE(listed.Out.find("collection order (4):"), std::string::npos);

    TRun json = RunTool(dir, "voices --json " + Q(dir.Path("set.dls")));
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_NE(json.Out.find("\"instruments\": 4"), std::string::npos) << json.Out;
    EXPECT_NE(json.Out.find("\"text\": \"1:<65:0:48> Strings\""), std::string::npos);
    EXPECT_NE(json.Out.find("\"drum\": true"), std::string::npos);
}

TEST(ToolVoices, PlainConversionKeepsEveryPresetAndItsNumbers) {
    TTempDir dir;
    ASSERT_TRUE(SaveSf2File(dir.Path("gm.sf2"), SmallBank()).Ok);
    TRun made = RunTool(dir, "convert " + Q(dir.Path("gm.sf2")) + " " + Q(dir.Path("all.dls")));
    ASSERT_EQ(made.Status, 0) << made.Err;
    TRun listed = RunTool(dir, "voices " + Q(dir.Path("all.dls")));
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    EXPECT_NE(listed.Out.find("instruments: 5"), std::string::npos) << listed.Out;
    EXPECT_NE(listed.Out.find("Room Kit [drum]"), std::string::npos);
    EXPECT_NE(listed.Out.find("Standard Kit [drum]"), std::string::npos);
}

TEST(ToolVoices, ListsASoundFontsPresetsInFileOrderAsTheProgramWould) {
    TTempDir dir;
    ASSERT_TRUE(SaveSf2File(dir.Path("small.sf2"), SmallBank()).Ok);
    TRun listed = RunTool(dir, "voices " + Q(dir.Path("small.sf2")));
    ASSERT_EQ(listed.Status, 0) << listed.Err;
    EXPECT_NE(listed.Out.find("format: SoundFont 2\n"), std::string::npos) << listed.Out;
    EXPECT_NE(listed.Out.find("instruments: 5\n"), std::string::npos);
    const auto lines = Lines(listed.Out);
    const auto order = std::find(lines.begin(), lines.end(), "collection order (5):");
    ASSERT_NE(order, lines.end()) << listed.Out;
    ASSERT_GE(lines.end() - order, 6);
    EXPECT_EQ(order[1], "  0:<0:0:48> Strings");
    EXPECT_EQ(order[2], "  1:<0:0:0> Piano");
    EXPECT_EQ(order[3], "  2:<0:0:8> Room Kit [drum]");
    EXPECT_EQ(order[4], "  3:<0:8:1> Bright");
    EXPECT_EQ(order[5], "  4:<0:0:0> Standard Kit [drum]");

    TRun json = RunTool(dir, "voices --json " + Q(dir.Path("small.sf2")));
    ASSERT_EQ(json.Status, 0) << json.Err;
    EXPECT_NE(json.Out.find("\"format\": \"SoundFont 2\""), std::string::npos) << json.Out;
    EXPECT_NE(json.Out.find("\"text\": \"3:<0:8:1> Bright\""), std::string::npos);

    std::vector<uint8_t> cut = dir.Read("small.sf2");
    cut.resize(cut.size() / 2);
    dir.Write("cut.sf2", cut);
    TRun bad = RunTool(dir, "voices " + Q(dir.Path("cut.sf2")));
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find("not a voice set: chunk 'RIFF' at 0 declares"), std::string::npos)
        << bad.Err;
}

TEST(ToolVoices, WhatIsNoVoiceSetIsRefusedWithTheReasonAndNothingIsWritten) {
    TTempDir dir;
    dir.WriteText("text.sf2", "just some words, not a bank");
    TRun bad = RunTool(dir, "convert " + Q(dir.Path("text.sf2")) + " " + Q(dir.Path("o.dls")));
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find("text.sf2"), std::string::npos) << bad.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("o.dls")));

    // An existing target is left as it was.
    dir.WriteText("keep.dls", "mine");
    EXPECT_EQ(
        RunTool(dir, "convert " + Q(dir.Path("text.sf2")) + " " + Q(dir.Path("keep.dls"))).Status,
        1);
    EXPECT_EQ(dir.Read("keep.dls"), std::vector<uint8_t>({'m', 'i', 'n', 'e'}));

    TRun notSet = RunTool(dir, "voices " + Q(dir.Path("keep.dls")));
    EXPECT_EQ(notSet.Status, 1);
    EXPECT_NE(notSet.Err.find("not a voice set"), std::string::npos) << notSet.Err;
    EXPECT_EQ(RunTool(dir, "voices " + Q(dir.Path("missing.dls"))).Status, 1);
    EXPECT_EQ(RunTool(dir, "voices").Status, 2);
    EXPECT_EQ(RunTool(dir, "convert one.sf2").Status, 2);
}

TEST(ToolPorts, ListsTheOutputPortsAsOutDevListNumbersThemThenTheInputs) {
    TTempDir dir;
    TRun r = RunTool(dir, "ports");
    ASSERT_EQ(r.Status, 0) << r.Err;
    // The same enumeration here gives the lines of OutDevList.txt, which the tool
    // shows in UTF-8 with plain line ends.
    const TPortList ports = EnumeratePorts(TKTDirectMusic::AudioDrivers());
    ASSERT_GT(ports.OutputCount(), 0) << "FluidSynth offers audio drivers";
    std::string expected = Cp936ToUtf8(OutDevListText(ports));
    std::erase(expected, '\r');
    ASSERT_EQ(r.Out.rfind("output ports:\n" + expected + "input ports:\n", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find("0:  软件合成器 ("), std::string::npos);
    EXPECT_NE(r.Out.find("default output port: "), std::string::npos);
    EXPECT_EQ(RunTool(dir, "ports extra").Status, 2);
}
