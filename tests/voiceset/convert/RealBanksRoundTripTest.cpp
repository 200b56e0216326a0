// Debian's General MIDI SoundFonts through DLS and back: every region of every preset
// plays as before, and the result loads as a SoundFont again.
#include "ConvertCheck.h"

#include "base/FileUtil.h"
#include "voiceset/dls/DlsReader.h"
#include "voiceset/dls/DlsWriter.h"
#include "voiceset/sf2/Sf2Reader.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <set>

#include <gtest/gtest.h>

namespace {
constexpr const char* FluidR3 = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
constexpr const char* TimGM6mb = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// src -> DLS (through its file image) -> SoundFont; every instrument compared with the
// preset it came from.
void ExpectRoundTrip(const TSf2Bank& src, const TSf2ToDlsOptions& options) {
    TDlsCollection dls;
    const TVoiceSetConvertResult toDls = ConvertSf2ToDls(src, options, dls);
    ASSERT_TRUE(toDls.Ok) << toDls.Message;
    EXPECT_EQ(toDls.Message.find("without a DLS form"), std::string::npos) << toDls.Message;
    std::vector<uint8_t> image;
    ASSERT_TRUE(WriteDls(dls, image).Ok);
    TDlsCollection read;
    ASSERT_TRUE(ReadDls(image, read).Ok);
    ASSERT_EQ(read, dls);

    TSf2Bank back;
    const TVoiceSetConvertResult toSf2 = ConvertDlsToSf2(read, back);
    ASSERT_TRUE(toSf2.Ok) << toSf2.Message;
    EXPECT_EQ(toSf2.Message.find("without a SoundFont form"), std::string::npos) << toSf2.Message;
    std::vector<uint8_t> sf2Image;
    const TSf2WriteResult written = WriteSf2(back, sf2Image);
    ASSERT_TRUE(written.Ok) << written.Message;
    TSf2Bank reread;
    ASSERT_TRUE(ReadSf2(sf2Image, reread).Ok);
    ASSERT_EQ(reread.Presets.size(), read.Instruments.size());

    for (size_t i = 0; i < read.Instruments.size(); ++i) {
        const size_t source =
            convert_check::SourcePreset(src, read.Instruments[i], options.BuiltIn);
        ASSERT_LT(source, src.Presets.size()) << read.Instruments[i].Name;
        EXPECT_EQ(reread.Presets[i].Bank, RuntimeSoundFontBank(int(i)));
        EXPECT_EQ(reread.Presets[i].Preset, RuntimeSoundFontProgram(int(i)));
        EXPECT_EQ(reread.Presets[i].Name, src.Presets[source].Name);
        const std::string diff = convert_check::ComparePreset(src, source, reread, i);
        EXPECT_EQ(diff, "");
    }
}

void Load(const char* path, TSf2Bank& bank) {
    ASSERT_TRUE(FileExists(path)) << path << " is missing: scripts/setup installs it";
    const TSf2ReadResult r = LoadSf2File(path, bank);
    ASSERT_TRUE(r.Ok) << r.Message;
}
} // namespace

TEST(RealBanksRoundTrip, EveryPresetOfTimGM6mbPlaysAsBefore) {
    TSf2Bank bank;
    Load(TimGM6mb, bank);
    ExpectRoundTrip(bank, {});
}

// FluidR3 whole takes half a minute in a debug build: a sample of its kinds of
// voices, layered and stereo, a variation and the kit, through the built-in selection.
TEST(RealBanksRoundTrip, ASampleOfFluidR3PlaysAsBeforeThroughTheBuiltInSelection) {
    TSf2Bank bank;
    Load(FluidR3, bank);
    const std::set<std::pair<int, int>> kept = {{0, 0},  {0, 40},  {0, 48}, {0, 56}, {0, 73},
                                                {0, 95}, {0, 101}, {8, 4},  {8, 50}, {128, 0}};
    std::erase_if(bank.Presets, [&](const TSf2Preset& p) {
        return !kept.count({p.Bank, p.Preset});
    });
    ASSERT_EQ(bank.Presets.size(), kept.size());
    TSf2ToDlsOptions builtIn;
    builtIn.BuiltIn = true;
    ExpectRoundTrip(bank, builtIn);
}
