// The reader against hand-laid files: what it keeps, what it tolerates, what it refuses.
#include "voiceset/sf2/Sf2Reader.h"
#include "Sf2TestBytes.h"

#include <gtest/gtest.h>

using namespace sf2test;

namespace {
TSf2Bank ReadOk(const TBytes& bytes) {
    TSf2Bank bank;
    const TSf2ReadResult r = ReadSf2(bytes, bank);
    EXPECT_TRUE(r.Ok) << r.Message;
    return bank;
}

std::string Refusal(const TBytes& bytes) {
    TSf2Bank bank;
    bank.Info.Name = "untouched";
    const TSf2ReadResult r = ReadSf2(bytes, bank);
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Message.empty());
    EXPECT_EQ(bank.Info.Name, "untouched"); // the target is left alone on failure
    return r.Message;
}
} // namespace

TEST(Sf2Reader, ReadsEveryFieldOfAMinimalBank) {
    const TSf2Bank bank = ReadOk(MinimalRaw().Bytes());
    EXPECT_EQ(bank.Info.VersionMajor, 2);
    EXPECT_EQ(bank.Info.VersionMinor, 1);
    EXPECT_EQ(bank.Info.SoundEngine, "EMU8000");
    EXPECT_EQ(bank.Info.Name, "Tiny");
    EXPECT_TRUE(bank.Info.Others.empty());
    EXPECT_EQ(bank.Samples, RampPoints());
    EXPECT_TRUE(bank.Samples24.empty());

    ASSERT_EQ(bank.Presets.size(), 1u);
    const TSf2Preset& p = bank.Presets[0];
    EXPECT_EQ(p.Name, "Grand");
    EXPECT_EQ(p.Library, 1u);
    EXPECT_EQ(p.Genre, 2u);
    EXPECT_EQ(p.Morphology, 3u);
    ASSERT_EQ(p.Zones.size(), 1u);
    const std::vector<TSf2Generator> pgens = {{Sf2Gen::KeyRange, TSf2GenAmount::FromRange(0, 127)},
                                              {Sf2Gen::Instrument, TSf2GenAmount::FromWord(0)}};
    EXPECT_EQ(p.Zones[0].Gens, pgens);
    EXPECT_TRUE(p.Zones[0].Mods.empty());

    ASSERT_EQ(bank.Instruments.size(), 1u);
    EXPECT_EQ(bank.Instruments[0].Name, "GrandInst");
    ASSERT_EQ(bank.Instruments[0].Zones.size(), 1u);
    const TSf2Zone& iz = bank.Instruments[0].Zones[0];
    ASSERT_EQ(iz.Gens.size(), 3u);
    EXPECT_EQ(iz.Gens[0].Amount.Lo(), 10);
    EXPECT_EQ(iz.Gens[0].Amount.Hi(), 120);
    EXPECT_EQ(iz.Gens[1].Oper, Sf2Gen::Pan);
    EXPECT_EQ(iz.Gens[1].Amount.Short(), -200);
    const std::vector<TSf2Modulator> imods = {{0x0081, 8, -1200, 0, 0}};
    EXPECT_EQ(iz.Mods, imods);

    ASSERT_EQ(bank.SampleHeaders.size(), 1u);
    const TSf2Sample& s = bank.SampleHeaders[0];
    EXPECT_EQ(s.Name, "Ramp");
    EXPECT_EQ(s.Start, 0u);
    EXPECT_EQ(s.End, 100u);
    EXPECT_EQ(s.LoopStart, 10u);
    EXPECT_EQ(s.LoopEnd, 90u);
    EXPECT_EQ(s.SampleRate, 22050u);
    EXPECT_EQ(s.OriginalPitch, 62);
    EXPECT_EQ(s.PitchCorrection, -5);
    EXPECT_EQ(s.SampleType, Sf2SampleType::Mono);
}

TEST(Sf2Reader, SplitsZonesAndTablesByTheirBagIndices) {
    // Two presets: the first with a global zone (pan) and two instrument zones, the
    // second with one zone and two modulators; the generator and modulator runs of
    // each bag must land in the right zone.
    TRawSf2 r = MinimalRaw();
    r.Phdr = Cat({Phdr("A", 1, 0, 0), Phdr("B", 2, 128, 3), Phdr("EOP", 0, 0, 4)});
    r.Pbag = Cat({Bag(0, 0), Bag(1, 0), Bag(2, 0), Bag(4, 0), Bag(5, 2)});
    r.Pgen = Cat({Gen(17, 100), Gen(41, 0), Gen(51, 3), Gen(41, 0), Gen(41, 0), Gen(0, 0)});
    r.Pmod = Cat({Mod(0x0082, 48, 10, 0, 0), Mod(0x0083, 48, 20, 0, 2), Mod(0, 0, 0, 0, 0)});
    const TSf2Bank bank = ReadOk(r.Bytes());
    ASSERT_EQ(bank.Presets.size(), 2u);
    const auto& a = bank.Presets[0];
    const auto& b = bank.Presets[1];
    EXPECT_EQ(a.Preset, 1);
    EXPECT_EQ(b.Bank, 128);
    ASSERT_EQ(a.Zones.size(), 3u);
    EXPECT_EQ(a.Zones[0].Gens.size(), 1u);
    EXPECT_EQ(a.Zones[0].Gens[0].Oper, Sf2Gen::Pan);
    EXPECT_EQ(a.Zones[1].Gens.size(), 1u);
    ASSERT_EQ(a.Zones[2].Gens.size(), 2u);
    EXPECT_EQ(a.Zones[2].Gens[0].Oper, Sf2Gen::CoarseTune);
    ASSERT_EQ(b.Zones.size(), 1u);
    ASSERT_EQ(b.Zones[0].Mods.size(), 2u);
    EXPECT_EQ(b.Zones[0].Mods[1].Amount, 20);
    EXPECT_EQ(b.Zones[0].Mods[1].Transform, 2);
    for (const auto& z : a.Zones)
        EXPECT_TRUE(z.Mods.empty());
}

TEST(Sf2Reader, KeepsOtherInfoChunksAndTheLowSampleBytes) {
    TRawSf2 r = MinimalRaw();
    r.Info = Cat({InfoText("INAM", "Named first"), Chunk("ifil", Cat({U16(2), U16(4)})),
                  Chunk("ICMT", TBytes{'o', 'd', 'd'}), Chunk("zzzz", TBytes{1, 2, 3, 4}),
                  InfoText("INAM", "second name")});
    r.Sm24.assign(146, 0x5A);
    const TSf2Bank bank = ReadOk(r.Bytes());
    EXPECT_EQ(bank.Info.Name, "Named first");
    EXPECT_EQ(bank.Info.VersionMinor, 4);
    EXPECT_EQ(bank.Info.SoundEngine, "EMU8000"); // no isng: the format's default engine
    ASSERT_EQ(bank.Info.Others.size(), 3u);
    EXPECT_EQ(bank.Info.Others[0].Id, "ICMT");
    EXPECT_EQ(bank.Info.Others[0].Bytes, (TBytes{'o', 'd', 'd'})); // the pad byte is not data
    EXPECT_EQ(bank.Info.Others[1].Id, "zzzz");
    EXPECT_EQ(bank.Info.Others[2].Id, "INAM");
    EXPECT_EQ(bank.Samples24, TBytes(146, 0x5A));
}

TEST(Sf2Reader, ToleratesGeneratorAndModulatorTablesWithoutTerminalRecords) {
    const TSf2Bank reference = ReadOk(MinimalRaw().Bytes());
    TRawSf2 r = MinimalRaw();
    r.Pmod.clear();                   // no preset modulators at all, not even the terminal
    r.Pgen.resize(r.Pgen.size() - 4); // drop the terminal generators
    r.Igen.resize(r.Igen.size() - 4);
    r.Imod.resize(r.Imod.size() - 10);
    r.Pbag = Cat({Bag(0, 0), Bag(2, 0)});
    EXPECT_EQ(ReadOk(r.Bytes()), reference);
}

TEST(Sf2Reader, RefusesEveryCutOfAValidFile) {
    const TBytes whole = MinimalRaw().Bytes();
    for (size_t n = 0; n < whole.size(); ++n) {
        TSf2Bank bank;
        EXPECT_FALSE(ReadSf2(TBytes(whole.begin(), whole.begin() + n), bank).Ok) << n;
    }
    EXPECT_NE(Refusal(TBytes(whole.begin(), whole.end() - 1)).find("declares"), std::string::npos);
}

TEST(Sf2Reader, RefusesBrokenTablesWithAReason) {
    struct TCase {
        const char* Expect;
        void (*Break)(TRawSf2&);
    };
    const TCase cases[] = {
        {"shdr size 93 is not a multiple of 46", [](TRawSf2& r) { r.Shdr.push_back(0); }},
        {"pgen size 13 is not a multiple of 4", [](TRawSf2& r) { r.Pgen.push_back(0); }},
        {"preset 0 pbag index 900 past the 1 bags",
         [](TRawSf2& r) {
             r.Phdr = Cat({Phdr("Grand", 0, 0, 900), Phdr("EOP", 0, 0, 1)});
         }},
        {"phdr terminal record closes at bag 0 but there are 1 bags: is a terminal record "
         "missing?",
         [](TRawSf2& r) { r.Phdr = Phdr("Grand", 0, 0, 0); }}, // EOP left out
        {"instrument 0 starts at bag 1, not at bag 0",
         [](TRawSf2& r) {
             r.Inst = Cat({Inst("GrandInst", 1), Inst("EOI", 1)});
         }},
        {"inst is empty: its terminal record is missing", [](TRawSf2& r) { r.Inst.clear(); }},
        {"pbag terminal record pgen index 7 past the 3 generators",
         [](TRawSf2& r) {
             r.Pbag = Cat({Bag(0, 0), Bag(7, 0)});
         }},
        {"ibag terminal record closes at generator 1 but igen holds 4 records",
         [](TRawSf2& r) {
             r.Ibag = Cat({Bag(0, 0), Bag(1, 1)});
         }},
        {"ibag 2 starts at modulator 0, before 1 of the bag before it",
         [](TRawSf2& r) {
             r.Inst = Cat({Inst("GrandInst", 0), Inst("EOI", 3)});
             r.Ibag = Cat({Bag(0, 0), Bag(1, 1), Bag(2, 0), Bag(3, 1)});
         }},
        {"sample 0 end 4000 past the 146 sample points",
         [](TRawSf2& r) {
             r.Shdr = Cat({Shdr("Ramp", 0, 4000, 10, 90, 22050, 62, 0, 0, 1),
                           Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
         }},
        {"sample 0 starts at 120 after its end 100",
         [](TRawSf2& r) {
             r.Shdr = Cat({Shdr("Ramp", 120, 100, 10, 90, 22050, 62, 0, 0, 1),
                           Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
         }},
        {"sample 0 loop end 147 past the 146 sample points",
         [](TRawSf2& r) {
             r.Shdr = Cat({Shdr("Ramp", 0, 100, 10, 147, 22050, 62, 0, 0, 1),
                           Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
         }},
        {"sample 0 links to sample 3 of 1",
         [](TRawSf2& r) {
             r.Shdr = Cat({Shdr("Ramp", 0, 100, 10, 90, 22050, 62, 0, 3, 4),
                           Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
         }},
        {"instrument 0 zone 0 names sample 0 of 0",
         [](TRawSf2& r) { r.Shdr = Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0); }},
        {"preset 0 zone 0 names instrument 5 of 1",
         [](TRawSf2& r) {
             r.Pgen = Cat({Range(43, 0, 127), Gen(41, 5), Gen(0, 0)});
         }},
        {"smpl size 293 is odd", [](TRawSf2& r) { r.Smpl.push_back(0); }},
        {"sm24 holds 10 bytes for 146 sample points", [](TRawSf2& r) { r.Sm24.assign(10, 1); }},
        {"the INFO list has no ifil version",
         [](TRawSf2& r) { r.Info = InfoText("INAM", "Tiny"); }},
        {"ifil holds 6 bytes, not 4",
         [](TRawSf2& r) {
             r.Info = Chunk("ifil", Cat({U16(2), U16(1), U16(0)}));
         }},
        {"version 3.1 is a compressed SoundFont, whose samples cannot be read here",
         [](TRawSf2& r) {
             r.Info = Chunk("ifil", Cat({U16(3), U16(1)}));
         }},
        {"version 4.0 is not a SoundFont 2 bank",
         [](TRawSf2& r) {
             r.Info = Chunk("ifil", Cat({U16(4), U16(0)}));
         }},
    };
    for (const auto& c : cases) {
        TRawSf2 r = MinimalRaw();
        c.Break(r);
        EXPECT_EQ(Refusal(r.Bytes()), c.Expect);
    }
}

TEST(Sf2Reader, RefusesMissingAndDoubledChunks) {
    const TRawSf2 r = MinimalRaw();
    const TBytes form{'s', 'f', 'b', 'k'};
    const TBytes info = List("INFO", r.Info);
    auto riff = [&](std::initializer_list<TBytes> parts) {
        return Chunk("RIFF", Cat({form, Cat(parts)}));
    };
    EXPECT_EQ(Refusal(riff({info, r.Sdta()})), "the bank has no 'pdta' list");
    EXPECT_EQ(Refusal(riff({info, r.Sdta(), r.Pdta(), r.Pdta()})),
              "the bank holds two 'pdta' lists");
    const TBytes noIgen =
        List("pdta", Cat({Chunk("phdr", r.Phdr), Chunk("pbag", r.Pbag), Chunk("pmod", r.Pmod),
                          Chunk("pgen", r.Pgen), Chunk("inst", r.Inst), Chunk("ibag", r.Ibag),
                          Chunk("imod", r.Imod), Chunk("shdr", r.Shdr)}));
    EXPECT_EQ(Refusal(riff({info, r.Sdta(), noIgen})), "the 'pdta' list has no 'igen' chunk");
    const TBytes twoSmpl = List("sdta", Cat({Chunk("smpl", r.Smpl), Chunk("smpl", r.Smpl)}));
    EXPECT_EQ(Refusal(riff({info, twoSmpl, r.Pdta()})), "the 'sdta' list holds two 'smpl' chunks");

    TBytes dls = r.Bytes();
    std::memcpy(dls.data() + 8, "DLS ", 4);
    EXPECT_EQ(Refusal(dls), "not a SoundFont 2 bank: the RIFF form is 'DLS '");
    EXPECT_FALSE(Refusal(TBytes{'R', 'I', 'F'}).empty());
}

TEST(Sf2Reader, SkipsUnknownChunksAndBytesAfterTheFile) {
    const TRawSf2 r = MinimalRaw();
    const TSf2Bank reference = ReadOk(r.Bytes());
    TBytes bytes = Chunk("RIFF", Cat({TBytes{'s', 'f', 'b', 'k'}, Chunk("junk", TBytes(5, 7)),
                                      List("INFO", r.Info), r.Sdta(), List("xtra", {}), r.Pdta()}));
    bytes.insert(bytes.end(), {1, 2, 3});
    EXPECT_EQ(ReadOk(bytes), reference);
}

TEST(Sf2Reader, ReadsABankWhoseOddChunksLackTheirPadBytes) {
    // The name "Tiny" with its NUL is 5 bytes, written without a pad; so is the odd
    // INFO list around it, and the sizes count no pads.
    const TRawSf2 r = MinimalRaw();
    const TSf2Bank reference = ReadOk(r.Bytes());
    const TBytes info =
        Cat({TBytes{'I', 'N', 'F', 'O'}, Chunk("ifil", Cat({U16(2), U16(1)})),
             InfoText("isng", "EMU8000"), ChunkNoPad("INAM", TBytes{'T', 'i', 'n', 'y', 0})});
    ASSERT_EQ(info.size() % 2, 1u);
    const TBytes body =
        Cat({TBytes{'s', 'f', 'b', 'k'}, ChunkNoPad("LIST", info), r.Sdta(), r.Pdta()});
    const TBytes file = ChunkNoPad("RIFF", body);
    EXPECT_EQ(ReadOk(file), reference);
}

TEST(Sf2Reader, ReadsACompressedBankOnlyWhenAskedAndChecksItsBytePositions) {
    // Version 3: the sample is 301 bytes of an (undecoded) stream, its positions bytes.
    TRawSf2 r = MinimalRaw();
    r.Info = Cat({Chunk("ifil", Cat({U16(3), U16(1)})), InfoText("INAM", "Packed")});
    r.Smpl.assign(301, 0x4F);
    r.Shdr = Cat({Shdr("Ogg", 0, 301, 0, 80, 44100, 60, 0, 0, 0x11),
                  Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
    TSf2ReadOptions compressed;
    compressed.AcceptCompressed = true;
    TSf2Bank bank;
    const TSf2ReadResult read = ReadSf2(r.Bytes(), bank, compressed);
    ASSERT_TRUE(read.Ok) << read.Message;
    EXPECT_EQ(bank.Info.VersionMajor, 3);
    EXPECT_TRUE(bank.Samples.empty());
    ASSERT_EQ(bank.SampleHeaders.size(), 1u);
    EXPECT_TRUE(bank.SampleHeaders[0].Compressed());
    ASSERT_EQ(bank.Presets.size(), 1u);
    EXPECT_EQ(bank.Presets[0].Name, "Grand");

    EXPECT_EQ(Refusal(r.Bytes()),
              "version 3.1 is a compressed SoundFont, whose samples cannot be read here");
    r.Shdr = Cat({Shdr("Ogg", 0, 302, 0, 80, 44100, 60, 0, 0, 0x11),
                  Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
    TSf2ReadResult past = ReadSf2(r.Bytes(), bank, compressed);
    EXPECT_FALSE(past.Ok);
    EXPECT_EQ(past.Message, "sample 0 end 302 past the 301 bytes of compressed sample data");
    // An uncompressed sample of such a bank counts in points of the same bytes.
    r.Shdr = Cat(
        {Shdr("Raw", 0, 151, 0, 80, 44100, 60, 0, 0, 1), Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
    past = ReadSf2(r.Bytes(), bank, compressed);
    EXPECT_FALSE(past.Ok);
    EXPECT_EQ(past.Message, "sample 0 end 151 past the 150 sample points");
}
