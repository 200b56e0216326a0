// Voice-set files by content: DLS collections, SoundFont 2 banks in their own order,
// compressed SoundFonts kept for the synthesiser, and what is refused.
#include "TempDir.h"
#include "voiceset/sf2/Sf2TestBytes.h"

#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/convert/VoiceSetReader.h"
#include "voiceset/dls/DlsWriter.h"
#include "voiceset/sf2/Sf2Reader.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

namespace {

// Presets in the order given, preset i playing sample i (named "s<i>") through
// instrument i.
TSf2Bank OrderedBank(const std::vector<std::tuple<std::string, uint16_t, uint16_t>>& presets) {
    TSf2Bank b;
    for (size_t i = 0; i < presets.size(); ++i) {
        const auto& [name, bank, program] = presets[i];
        AddSf2Sample(b, "s" + std::to_string(i), std::vector<int16_t>(64 + i, 1000), 44100, 60, 0,
                     0, 0);
        b.Instruments.push_back(
            {"i" + std::to_string(i),
             {{{{Sf2Gen::SampleId, TSf2GenAmount::FromWord(static_cast<uint16_t>(i))}}, {}}}});
        TSf2Preset p;
        p.Name = name;
        p.Bank = bank;
        p.Preset = program;
        p.Zones.push_back(
            {{{Sf2Gen::Instrument, TSf2GenAmount::FromWord(static_cast<uint16_t>(i))}}, {}});
        b.Presets.push_back(p);
    }
    return b;
}

std::vector<uint8_t> Bytes(const TSf2Bank& bank) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(WriteSf2(bank, bytes).Ok);
    return bytes;
}

TVoiceSet ReadOk(const std::vector<uint8_t>& bytes) {
    TVoiceSet set;
    const TVoiceSetReadResult r = ReadVoiceSet(bytes, set);
    EXPECT_TRUE(r.Ok) << r.Message;
    return set;
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
    TVoiceSet set;
    set.Collection.Name = "untouched";
    const TVoiceSetReadResult r = ReadVoiceSet(bytes, set);
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Message.empty());
    EXPECT_EQ(set.Collection.Name, "untouched");
    return r.Message;
}

// The minimal raw bank as a compressed one: its one sample a 301-byte stream.
sf2test::TRawSf2 CompressedRaw() {
    using namespace sf2test;
    TRawSf2 r = MinimalRaw();
    r.Info = Cat({Chunk("ifil", Cat({U16(3), U16(1)})), InfoText("INAM", "Packed")});
    r.Smpl.assign(301, 0x4F);
    r.Phdr = Cat({Phdr("Kit", 0, 128, 0), Phdr("Grand", 0, 0, 0), Phdr("Again", 0, 0, 0),
                  Phdr("EOP", 0, 0, 1)});
    r.Shdr = Cat({Shdr("Ogg", 0, 301, 0, 80, 44100, 60, 0, 0, 0x11),
                  Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
    return r;
}

} // namespace

TEST(VoiceSetReader, SoundFontPresetsBecomeInstrumentsInFileOrderEachWithItsOwnSample) {
    const TSf2Bank bank = OrderedBank({{"Strings", 0, 48},
                                       {"Piano", 0, 0},
                                       {"Room Kit", 128, 8},
                                       {"Bright", 8, 1},
                                       {"Piano again", 0, 0},
                                       {"Far", 200, 3}});
    const TVoiceSet set = ReadOk(Bytes(bank));
    EXPECT_EQ(set.Format, TVoiceSetFormat::SoundFont2);
    EXPECT_FALSE(set.PlaysOwnImage());
    const auto& inst = set.Collection.Instruments;
    ASSERT_EQ(inst.size(), 5u); // the repeated bank 0, program 0 only once
    const std::vector<std::pair<std::string, uint32_t>> expected = {
        {"Strings", DlsPatchNumber(0, 0, 48, false)},
        {"Piano", DlsPatchNumber(0, 0, 0, false)},
        {"Room Kit", DlsPatchNumber(0, 0, 8, true)},
        {"Bright", DlsPatchNumber(0, 8, 1, false)},
        {"Far", DlsPatchNumber(1, 72, 3, false)}};
    const std::vector<std::string> samples = {"s0", "s1", "s2", "s3", "s5"};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(inst[i].Name, expected[i].first);
        EXPECT_EQ(inst[i].Patch(), expected[i].second) << i;
        ASSERT_EQ(inst[i].Regions.size(), 1u);
        const TDlsWave* wave = set.Collection.WaveOf(inst[i].Regions[0]);
        ASSERT_NE(wave, nullptr);
        EXPECT_EQ(wave->Name, samples[i]);
    }
}

TEST(VoiceSetReader, DlsCollectionsReadAsTheyAre) {
    TDlsCollection c;
    ASSERT_TRUE(ConvertSf2ToDls(OrderedBank({{"A", 0, 1}, {"B", 0, 2}}), {}, c).Ok);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(WriteDls(c, bytes).Ok);
    TDlsCollection direct;
    ASSERT_TRUE(ReadDls(bytes, direct).Ok);
    const TVoiceSet set = ReadOk(bytes);
    EXPECT_EQ(set.Format, TVoiceSetFormat::Dls);
    EXPECT_EQ(set.Collection, direct);
    EXPECT_FALSE(set.PlaysOwnImage());

    TTempDir dir;
    dir.Write("set.dls", bytes);
    TVoiceSet fromFile;
    ASSERT_TRUE(ReadVoiceSetFile(dir.Path("set.dls"), fromFile).Ok);
    EXPECT_EQ(fromFile.Collection, direct);
    EXPECT_EQ(ReadVoiceSetFile(dir.Path("none.sf2"), fromFile).Message, "no such file");
}

TEST(VoiceSetReader, CompressedSoundFontListsItsPresetsAndKeepsItsSamplesInAMendedImage) {
    // An odd name without its pad, an unknown INFO chunk, a stray list, the hydra out
    // of order and bytes after the file: the image for the synthesiser has none of it.
    using namespace sf2test;
    const TRawSf2 raw = CompressedRaw();
    const TBytes info =
        Cat({TBytes{'I', 'N', 'F', 'O'}, Chunk("ifil", Cat({U16(3), U16(1)})),
             Chunk("zzzz", TBytes{1, 2}), ChunkNoPad("INAM", TBytes{'O', 'd', 'd', 0, 0})});
    const TBytes pdta = List(
        "pdta", Cat({Chunk("shdr", raw.Shdr), Chunk("phdr", raw.Phdr), Chunk("pbag", raw.Pbag),
                     Chunk("pmod", raw.Pmod), Chunk("pgen", raw.Pgen), Chunk("inst", raw.Inst),
                     Chunk("ibag", raw.Ibag), Chunk("imod", raw.Imod), Chunk("igen", raw.Igen)}));
    TBytes file = ChunkNoPad("RIFF", Cat({TBytes{'s', 'f', 'b', 'k'}, ChunkNoPad("LIST", info),
                                          List("junk", {}), raw.Sdta(), pdta}));
    file.insert(file.end(), {9, 9, 9});
    const TVoiceSet set = ReadOk(file);
    EXPECT_EQ(set.Format, TVoiceSetFormat::SoundFont3);
    ASSERT_TRUE(set.PlaysOwnImage());
    EXPECT_TRUE(set.Collection.Waves.empty());
    const auto& inst = set.Collection.Instruments;
    ASSERT_EQ(inst.size(), 2u); // "Again" repeats bank 0, program 0
    EXPECT_EQ(inst[0].Name, "Kit");
    EXPECT_EQ(inst[0].Patch(), DlsPatchNumber(0, 0, 0, true));
    EXPECT_EQ(inst[1].Name, "Grand");
    EXPECT_TRUE(inst[1].Regions.empty());
    const std::vector<TSoundFontPresetNumber> presets = {{128, 0}, {0, 0}};
    EXPECT_EQ(set.SoundFontPresets, presets);

    const TBytes expected = Chunk(
        "RIFF", Cat({TBytes{'s', 'f', 'b', 'k'},
                     List("INFO", Cat({Chunk("ifil", Cat({U16(3), U16(1)})),
                                       InfoText("isng", "EMU8000"), InfoText("INAM", "Odd")})),
                     raw.Sdta(), raw.Pdta()}));
    EXPECT_EQ(set.SoundFontImage, expected);
    const TVoiceSet again = ReadOk(set.SoundFontImage);
    EXPECT_EQ(again.Collection.Instruments, set.Collection.Instruments);
    EXPECT_EQ(again.SoundFontImage, set.SoundFontImage);
}

TEST(VoiceSetReader, RefusesWhatIsNoVoiceSetWithTheReason) {
    using namespace sf2test;
    const TBytes sf2 = Bytes(OrderedBank({{"A", 0, 1}}));
    EXPECT_EQ(Refusal({'R', 'I', 'F', 'F'}), "not a RIFF file");
    TBytes wave = sf2;
    std::memcpy(wave.data() + 8, "WAVE", 4);
    EXPECT_EQ(Refusal(wave), "neither a DLS collection nor a SoundFont: the RIFF form is 'WAVE'");
    EXPECT_NE(Refusal(TBytes(sf2.begin(), sf2.end() - 3)).find("declares"), std::string::npos);
    TSf2Bank none = OrderedBank({{"A", 0, 1}});
    none.Presets.clear();
    EXPECT_EQ(Refusal(Bytes(none)), "the bank has no presets");
    TRawSf2 raw = CompressedRaw();
    raw.Shdr = Cat({Shdr("Ogg", 0, 400, 0, 80, 44100, 60, 0, 0, 0x11),
                    Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
    EXPECT_EQ(Refusal(raw.Bytes()),
              "sample 0 end 400 past the 301 bytes of compressed sample data");
}

TEST(VoiceSetReader, RefusesBanksThatWouldMakeTooMuchOfTheirSamples) {
    // Instrument zones that each start one point later: every region copies almost the
    // whole sample, far more than the bank holds.
    TSf2Bank copies = OrderedBank({{"Copies", 0, 0}});
    copies.Samples.clear();
    copies.SampleHeaders.clear();
    AddSf2Sample(copies, "long", std::vector<int16_t>(100000, 500), 44100, 60, 0, 0, 0);
    auto& zones = copies.Instruments[0].Zones;
    zones.clear();
    for (uint16_t k = 0; k < 40; ++k)
        zones.push_back({{{Sf2Gen::KeyRange, TSf2GenAmount::FromRange(uint8_t(k), uint8_t(k))},
                          {Sf2Gen::StartAddrsOffset, TSf2GenAmount::FromWord(k)},
                          {Sf2Gen::SampleId, TSf2GenAmount::FromWord(0)}},
                         {}});
    EXPECT_NE(Refusal(Bytes(copies)).find("sample points, too many for the bank's"),
              std::string::npos);

    // One preset whose zones all overlap: too many to lay out in layers.
    TSf2Bank layered = OrderedBank({{"Layers", 0, 0}});
    const TSf2Zone zone = layered.Instruments[0].Zones[0];
    layered.Instruments[0].Zones.assign(8193, zone);
    EXPECT_NE(Refusal(Bytes(layered)).find("too many regions to lay out in layers"),
              std::string::npos);

    // Preset zones that each name an instrument of 60000 zones: resolving would go
    // through all of them again for every preset zone.
    TSf2Bank wide = OrderedBank({{"Wide", 0, 0}});
    const TSf2Zone instrumentZone = wide.Instruments[0].Zones[0];
    wide.Instruments[0].Zones.assign(60000, instrumentZone);
    const TSf2Zone presetZone = wide.Presets[0].Zones[0];
    wide.Presets[0].Zones.assign(70, presetZone);
    EXPECT_EQ(Refusal(Bytes(wide)), "the presets go through more than 4194304 instrument zones");

    // Presets that each give 16384 regions (silent ones: velocity 0 only).
    TSf2Bank many = OrderedBank({{"P0", 0, 0}});
    many.Instruments[0].Zones.assign(16384, {{{Sf2Gen::VelRange, TSf2GenAmount::FromRange(0, 0)},
                                              {Sf2Gen::SampleId, TSf2GenAmount::FromWord(0)}},
                                             {}});
    for (uint16_t p = 1; p < 17; ++p) {
        TSf2Preset preset = many.Presets[0];
        preset.Preset = p;
        many.Presets.push_back(preset);
    }
    EXPECT_EQ(Refusal(Bytes(many)), "the presets give more than 262144 regions");
}
