// The writer: its bytes against hand-laid files, round trips, the guard points, refusals.
#include "voiceset/sf2/Sf2Writer.h"
#include "Sf2TestBytes.h"
#include "TempDir.h"
#include "voiceset/sf2/Sf2Reader.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace sf2test;

namespace {
TBytes Write(const TSf2Bank& bank) {
    TBytes out;
    const TSf2WriteResult r = WriteSf2(bank, out);
    EXPECT_TRUE(r.Ok) << r.Message;
    return out;
}

TSf2Bank Read(const TBytes& bytes) {
    TSf2Bank bank;
    const TSf2ReadResult r = ReadSf2(bytes, bank);
    EXPECT_TRUE(r.Ok) << r.Message;
    return bank;
}

std::string Refusal(const TSf2Bank& bank) {
    TBytes out{1, 2, 3};
    const TSf2WriteResult r = WriteSf2(bank, out);
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(out.empty());
    return r.Message;
}

TSf2Generator G(uint16_t oper, int16_t v) {
    return {oper, TSf2GenAmount::FromShort(v)};
}
TSf2Generator R(uint16_t oper, uint8_t lo, uint8_t hi) {
    return {oper, TSf2GenAmount::FromRange(lo, hi)};
}

// A bank that uses every part of the model: stereo and ROM samples, 24-bit data, global
// zones with modulators only, empty presets, generators after the link, odd INFO data.
TSf2Bank RichBank() {
    TSf2Bank b;
    b.Info.VersionMinor = 4;
    b.Info.SoundEngine = "E-mu 10K1";
    b.Info.Name = "Rich";
    b.Info.Others = {{"ICMT", {'o', 'd', 'd'}}, {"ISFT", {'x', 0}}};
    const std::vector<int16_t> a = {100, -200, 300, -400, 500, -600, 700, -800};
    const std::vector<int16_t> c = {-32768, 32767, 0, 1};
    AddSf2Sample(b, "Left", a, 44100, 60, 3, 2, 6);
    AddSf2Sample(b, "Right", a, 44100, 60, 3, 2, 6);
    AddSf2Sample(b, "Click with twenty c", c, 32000, 255, -50, 0, 0);
    b.SampleHeaders[0].SampleType = Sf2SampleType::Left;
    b.SampleHeaders[0].SampleLink = 1;
    b.SampleHeaders[1].SampleType = Sf2SampleType::Right;
    b.SampleHeaders[1].SampleLink = 0;
    TSf2Sample rom;
    rom.Name = "In ROM";
    rom.Start = 1000000; // ROM positions are not checked against the file's data
    rom.End = 1000100;
    rom.SampleType = Sf2SampleType::Rom | Sf2SampleType::Mono;
    b.SampleHeaders.push_back(rom);
    b.Samples24.assign(b.Samples.size(), 0);
    for (size_t i = 0; i < b.Samples24.size(); i += 3)
        b.Samples24[i] = uint8_t(i);

    TSf2Instrument stereo{"Stereo", {}};
    stereo.Zones.push_back({{G(Sf2Gen::ReleaseVolEnv, 1200)}, {{0x0502, 48, 480, 0, 0}}});
    stereo.Zones.push_back(
        {{R(Sf2Gen::KeyRange, 0, 63), G(Sf2Gen::Pan, -500), G(Sf2Gen::SampleId, 0)}, {}});
    stereo.Zones.push_back(
        {{R(Sf2Gen::KeyRange, 0, 63), G(Sf2Gen::Pan, 500), G(Sf2Gen::SampleId, 1),
          G(Sf2Gen::FineTune, 7)}, // after the link: kept, though ignored
         {{0x00DB, 16, -200, 0x0081, 2}}});
    TSf2Instrument click{"Click", {}};
    click.Zones.push_back({{G(Sf2Gen::SampleModes, 1), G(Sf2Gen::SampleId, 2)}, {}});
    click.Zones.push_back({{G(Sf2Gen::SampleId, 3)}, {}});
    b.Instruments = {stereo, click};

    TSf2Preset piano{"Twenty characters!!!", 5, 0, 1, 2, 3, {}};
    piano.Zones.push_back({{}, {{0x0081, 6, 25, 0, 0}}}); // a global zone of modulators only
    piano.Zones.push_back({{G(Sf2Gen::CoarseTune, -12), G(Sf2Gen::Instrument, 0)}, {}});
    piano.Zones.push_back({{R(Sf2Gen::VelRange, 100, 127), G(Sf2Gen::Instrument, 1)}, {}});
    TSf2Preset empty{"Empty", 6, 128, 0, 0, 0, {}};
    TSf2Preset drums{"Drums", 0, 128, 0, 0, 0, {}};
    drums.Zones.push_back({{G(Sf2Gen::Instrument, 1)}, {}});
    drums.Zones.push_back({}); // an empty zone is kept as it is
    b.Presets = {piano, empty, drums};
    return b;
}
} // namespace

TEST(Sf2Writer, LaysOutAMinimalBankExactlyAsTheHandBuiltFile) {
    TRawSf2 raw = MinimalRaw();
    EXPECT_EQ(Write(Read(raw.Bytes())), raw.Bytes());
    raw.Info = Cat({raw.Info, Chunk("ICMT", TBytes{'o', 'd', 'd'})});
    raw.Sm24.assign(146, 0x11);
    EXPECT_EQ(Write(Read(raw.Bytes())), raw.Bytes());
}

TEST(Sf2Writer, WrittenBanksReadBackEqual) {
    const TSf2Bank bank = RichBank();
    ASSERT_TRUE(Sf2SamplesGuarded(bank));
    const TBytes bytes = Write(bank);
    const TSf2Bank back = Read(bytes);
    EXPECT_EQ(back, bank);
    EXPECT_EQ(Write(back), bytes);
}

TEST(Sf2Writer, InfoTextsEndInANulAndHaveEvenSizes) {
    TSf2Bank bank;
    bank.Info.Name = "Odd";
    bank.Info.SoundEngine = "";
    const TBytes bytes = Write(bank);
    const TBytes inam = Chunk("INAM", TBytes{'O', 'd', 'd', 0});
    const TBytes isng = Chunk("isng", TBytes{'E', 'M', 'U', '8', '0', '0', '0', 0});
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), inam.begin(), inam.end()), bytes.end());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), isng.begin(), isng.end()), bytes.end());
    bank.Info.Name = "Even";
    const TBytes even = Write(bank);
    const TBytes inam2 = Chunk("INAM", TBytes{'E', 'v', 'e', 'n', 0, 0});
    EXPECT_NE(std::search(even.begin(), even.end(), inam2.begin(), inam2.end()), even.end());
    EXPECT_EQ(even.size() % 2, 0u);
    EXPECT_EQ(Read(even).Info.Name, "Even");
}

TEST(Sf2Writer, GivesSamplesWithoutSilentTailsTheirGuardPoints) {
    TSf2Bank bank;
    for (int i = 1; i <= 20; ++i)
        bank.Samples.push_back(int16_t(i));
    bank.Samples24.assign(20, 9);
    TSf2Sample s;
    s.Name = "A";
    s.Start = 0, s.End = 10, s.LoopStart = 2, s.LoopEnd = 8;
    bank.SampleHeaders.push_back(s);
    s.Name = "B";
    s.Start = 10, s.End = 18, s.LoopStart = 12, s.LoopEnd = 20; // loop end past the sample
    bank.SampleHeaders.push_back(s);
    s.Name = "A again"; // shares A's points
    s.Start = 0, s.End = 10, s.LoopStart = 0, s.LoopEnd = 10;
    bank.SampleHeaders.push_back(s);
    ASSERT_FALSE(Sf2SamplesGuarded(bank));

    const TSf2Bank back = Read(Write(bank));
    EXPECT_TRUE(Sf2SamplesGuarded(back));
    ASSERT_EQ(back.Samples.size(), 10 + 8 + 10 + 3 * Sf2GuardPoints);
    const auto& h = back.SampleHeaders;
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0].Start, 0u);
    EXPECT_EQ(h[0].End, 10u);
    EXPECT_EQ(h[0].LoopStart, 2u);
    EXPECT_EQ(h[0].LoopEnd, 8u);
    EXPECT_EQ(h[1].Start, 56u);
    EXPECT_EQ(h[1].End, 64u);
    EXPECT_EQ(h[1].LoopStart, 58u);
    EXPECT_EQ(h[1].LoopEnd, 64u); // held within the sample
    EXPECT_EQ(h[2].Start, 110u);
    for (size_t k = 0; k < 3; ++k)
        for (uint32_t i = 0; i < bank.SampleHeaders[k].End - bank.SampleHeaders[k].Start; ++i)
            EXPECT_EQ(back.Samples[h[k].Start + i], bank.Samples[bank.SampleHeaders[k].Start + i]);
    EXPECT_EQ(back.Samples24[56], 9);
    EXPECT_EQ(back.Samples24[10], 0); // a guard point

    TSf2Bank repacked = bank;
    RepackSf2Samples(repacked);
    EXPECT_EQ(back, repacked);
    EXPECT_EQ(Read(Write(back)), back);
}

TEST(Sf2Writer, RefusesBanksItCannotStore) {
    TSf2Bank bank = RichBank();
    bank.Info.VersionMajor = 3;
    EXPECT_EQ(Refusal(bank), "version 3.4 is not a SoundFont 2 version");

    bank = RichBank();
    bank.Presets[1].Name = "twenty-one characters";
    EXPECT_EQ(Refusal(bank), "preset 1 name is 21 bytes, at most 20 fit");

    bank = RichBank();
    bank.Info.Others.push_back({"abc", {}});
    EXPECT_EQ(Refusal(bank), "INFO chunk id \"abc\" is not four characters");

    bank = RichBank();
    bank.Presets[2].Zones[0].Gens[0].Amount = TSf2GenAmount::FromWord(2);
    EXPECT_EQ(Refusal(bank), "preset 2 zone 0 names instrument 2 of 2");

    bank = RichBank();
    bank.SampleHeaders[2].End = 5000;
    EXPECT_EQ(Refusal(bank), "sample 2 end 5000 past the " + std::to_string(bank.Samples.size()) +
                                 " sample points");

    bank = RichBank();
    bank.Samples24.pop_back();
    EXPECT_NE(Refusal(bank).find("sm24 holds"), std::string::npos);

    bank = RichBank();
    bank.Instruments[1].Zones[0].Gens.insert(bank.Instruments[1].Zones[0].Gens.begin(), 65536,
                                             G(Sf2Gen::Pan, 0));
    EXPECT_EQ(Refusal(bank),
              "the instruments hold more zones, generators or modulators than 65535");
}

TEST(Sf2Writer, SavedFileLoadsBack) {
    TTempDir dir;
    const TSf2Bank bank = RichBank();
    const TSf2WriteResult w = SaveSf2File(dir.Path("rich.sf2"), bank);
    ASSERT_TRUE(w.Ok) << w.Message;
    TSf2Bank loaded;
    const TSf2ReadResult r = LoadSf2File(dir.Path("rich.sf2"), loaded);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(loaded, bank);
    EXPECT_FALSE(LoadSf2File(dir.Path("none.sf2"), loaded).Ok);
    EXPECT_FALSE(SaveSf2File(dir.Path("no/such/folder/x.sf2"), bank).Ok);
}
