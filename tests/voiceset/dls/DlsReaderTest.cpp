#include "DlsSampleFiles.h"
#include "TempDir.h"

#include "voiceset/RiffChunk.h"
#include "voiceset/dls/DlsReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

TDlsCollection ReadOk(const TBytes& bytes) {
    TDlsCollection c;
    const auto r = ReadDls(bytes, c);
    EXPECT_TRUE(r.Ok) << r.Message;
    return c;
}

TEST(DlsRead, Level1FileFieldByField) {
    const auto c = ReadOk(TLevel1File{}.Build());
    EXPECT_FALSE(c.Version);
    EXPECT_EQ(c.Name, "Tiny set");
    EXPECT_THAT(c.Info, ElementsAre(TDlsInfoItem{RiffId("ICOP"), "(c) nobody"}));

    ASSERT_EQ(c.Instruments.size(), 1u);
    const auto& ins = c.Instruments[0];
    EXPECT_EQ(ins.Name, "Piano");
    EXPECT_EQ(ins.MSB, 65);
    EXPECT_EQ(ins.LSB, 2);
    EXPECT_EQ(ins.Program, 5);
    EXPECT_FALSE(ins.Drum);
    EXPECT_EQ(ins.Patch(), 0x410205u);
    ASSERT_EQ(ins.Articulations.size(), 1u);
    EXPECT_EQ(ins.Articulations[0].Level, TDlsLevel::Level1);
    EXPECT_THAT(ins.Articulations[0].Connections,
                ElementsAre(TDlsConnection{DlsSrc::None, DlsSrc::None, DlsDst::Eg1ReleaseTime,
                                           DlsTrn::None, -1500 << 16}));

    ASSERT_EQ(ins.Regions.size(), 1u);
    const auto& rgn = ins.Regions[0];
    EXPECT_EQ(rgn.Keys, (TDlsRange{36, 96}));
    EXPECT_EQ(rgn.Velocities, (TDlsRange{0, 127}));
    EXPECT_FALSE(rgn.Layer);
    ASSERT_TRUE(rgn.Sample);
    EXPECT_EQ(rgn.Sample->UnityNote, 60);
    EXPECT_EQ(rgn.Sample->FineTune, -12);
    EXPECT_EQ(rgn.Sample->Gain, -655360);
    EXPECT_THAT(rgn.Sample->Loops, ElementsAre(TDlsLoop{DlsLoopForward, 1, 2}));
    EXPECT_EQ(rgn.WaveLink, (TDlsWaveLink{0, 0, DlsChannelLeft, 0}));
    ASSERT_EQ(rgn.Articulations.size(), 1u);
    EXPECT_EQ(rgn.Articulations[0].Connections[0].Destination, DlsDst::Attenuation);
    EXPECT_EQ(rgn.Articulations[0].Connections[0].Transform, DlsTrn::Concave);

    EXPECT_THAT(c.Cues, ElementsAre(0u));
    ASSERT_EQ(c.Waves.size(), 1u);
    const auto& wave = c.Waves[0];
    EXPECT_EQ(wave.Name, "Piano C4");
    EXPECT_EQ(wave.SampleRate, 22050u);
    EXPECT_EQ(wave.BitsPerSample, 8);
    EXPECT_TRUE(wave.Decoded());
    EXPECT_FALSE(wave.Sample);
    // unsigned 8-bit: 0x80 is silence, 0xFF the top, 0x00 the bottom
    EXPECT_THAT(wave.Samples, ElementsAre(0, 32512, -32768, 256, -256));
    EXPECT_EQ(c.WaveOf(rgn), &wave);
}

TEST(DlsRead, Level2FileSkipsWhatItDoesNotKnow) {
    const auto c = ReadOk(Level2File());
    ASSERT_TRUE(c.Version);
    EXPECT_EQ(*c.Version, (TDlsVersion{0x00020001, 0x00030004}));
    EXPECT_EQ(c.Name, "");

    ASSERT_EQ(c.Instruments.size(), 2u);
    const auto& drum = c.Instruments[0];
    EXPECT_TRUE(drum.Drum);
    EXPECT_EQ(drum.Patch(), 0x80000000u);
    EXPECT_EQ(drum.Name, "Standard");
    ASSERT_EQ(drum.Regions.size(), 1u);
    const auto& hit = drum.Regions[0];
    EXPECT_EQ(hit.Keys, (TDlsRange{35, 35}));
    EXPECT_EQ(hit.Velocities, (TDlsRange{1, 127}));
    EXPECT_EQ(hit.Options, DlsRegionSelfNonExclusive);
    EXPECT_EQ(hit.KeyGroup, 1);
    EXPECT_EQ(hit.Layer, std::optional<uint16_t>(3));
    EXPECT_EQ(hit.WaveLink, (TDlsWaveLink{1, 7, DlsChannelLeft, 0}));
    ASSERT_EQ(hit.Articulations.size(), 1u);
    EXPECT_EQ(hit.Articulations[0].Level, TDlsLevel::Level2);
    EXPECT_THAT(
        hit.Articulations[0].Connections,
        ElementsAre(TDlsConnection{DlsSrc::KeyOnVelocity, DlsSrc::None, DlsDst::FilterCutoff,
                                   0x1234, 4800 << 16},
                    TDlsConnection{DlsSrc::Cc91, DlsSrc::None, DlsDst::Reverb, 0, 1000 << 16}));

    const auto& melodic = c.Instruments[1];
    EXPECT_EQ(melodic.Patch(), 0x010018u);
    EXPECT_EQ(melodic.Name, "");
    ASSERT_EQ(melodic.Regions.size(), 2u);
    EXPECT_EQ(melodic.Regions[1].Sample->UnityNote, 72);

    // cue 0 is the second wave, cue 1 the first
    EXPECT_THAT(c.Cues, ElementsAre(1u, 0u));
    ASSERT_EQ(c.Waves.size(), 2u);
    EXPECT_THAT(c.Waves[0].Samples, ElementsAre(1000, -1000));
    EXPECT_EQ(c.Waves[0].Sample->UnityNote, 60);
    EXPECT_THAT(c.Waves[1].Samples, ElementsAre(7, 8, 9));
    EXPECT_EQ(c.Waves[1].SampleRate, 32000u);
    EXPECT_EQ(c.WaveOf(hit), &c.Waves[1]);
    EXPECT_EQ(c.WaveOf(melodic.Regions[0]), &c.Waves[0]);
}

TEST(DlsRead, LocaleIgnoresReservedBits) {
    TLevel1File f;
    f.InsHeader = Insh(1, 0x7FFF7F7F | 0x80000000, 0xFFFFFF85);
    const auto c = ReadOk(f.Build());
    const auto& ins = c.Instruments[0];
    EXPECT_EQ(ins.MSB, 0x7F);
    EXPECT_EQ(ins.LSB, 0x7F);
    EXPECT_EQ(ins.Program, 0x05);
    EXPECT_TRUE(ins.Drum);
    EXPECT_EQ(ins.Patch(), 0x807F7F05u);
}

TEST(DlsRead, KeepsLongerRecordsAndUnusualValues) {
    TLevel1File f;
    // a header longer than its record, a key range upside down, velocity 0..0
    f.RegionHeader =
        Chunk("rgnh", Cat({U16(90), U16(20), U16(0), U16(0), U16(0), U16(0), U16(9), U16(0xEEEE)}));
    // a wsmp whose header and loop records are longer than we know, and a loop past the
    // end of the wave
    f.RegionWsmp = Chunk("wsmp", Cat({U32(24), U16(61), U16(3), U32(0), U32(3), U32(1), U32(0),
                                      U32(20), U32(1), U32(2), U32(1000), U32(0)}));
    // a fmt with the extension size of the longer wave format
    f.Format = Chunk("fmt ", Cat({U16(1), U16(1), U32(8000), U32(8000), U16(1), U16(8), U16(0)}));
    const auto c = ReadOk(f.Build());
    const auto& rgn = c.Instruments[0].Regions[0];
    EXPECT_EQ(rgn.Keys, (TDlsRange{90, 20}));
    EXPECT_EQ(rgn.Velocities, (TDlsRange{0, 0}));
    EXPECT_EQ(rgn.Layer, std::optional<uint16_t>(9));
    EXPECT_EQ(rgn.Sample->UnityNote, 61);
    EXPECT_EQ(rgn.Sample->Options, 3u);
    EXPECT_THAT(rgn.Sample->Loops, ElementsAre(TDlsLoop{DlsLoopRelease, 2, 1000}));
    EXPECT_EQ(c.Waves[0].SampleRate, 8000u);
}

TEST(DlsRead, ArticulationsInFileOrderWithTheirLevel) {
    TLevel1File f;
    const TBytes one = Art("art1", {Connection(0, 0, DlsDst::Pan, 0, 1)});
    const TBytes two = Art("art2", {Connection(0, 0, DlsDst::Pan, 0, 2)});
    const TBytes empty = Art("art1", {});
    // both list kinds, an art2 inside a lart, an empty art1 and an unknown chunk
    f.InsArt = Cat({List("lart", {one, two, Chunk("cdl ", {1, 2})}), List("lar2", {two, empty})});
    const auto arts = ReadOk(f.Build()).Instruments[0].Articulations;
    ASSERT_EQ(arts.size(), 4u);
    EXPECT_EQ(arts[0].Level, TDlsLevel::Level1);
    EXPECT_EQ(arts[0].Connections[0].Scale, 1);
    EXPECT_EQ(arts[1].Level, TDlsLevel::Level2);
    EXPECT_EQ(arts[1].Connections[0].Scale, 2);
    EXPECT_EQ(arts[2].Level, TDlsLevel::Level2);
    EXPECT_EQ(arts[3].Level, TDlsLevel::Level1);
    EXPECT_TRUE(arts[3].Connections.empty());
}

TEST(DlsRead, DecodesSixteenBitStereoAndDropsAPartialFrame) {
    TLevel1File f;
    f.Format = Fmt(1, 2, 44100, 16);
    // two whole frames and three bytes of a third
    f.Data = Chunk("data",
                   Cat({U16(1), U16(uint16_t(-2)), U16(3), U16(uint16_t(-4)), U16(5), TBytes{6}}));
    const auto c = ReadOk(f.Build());
    const auto& wave = c.Waves[0];
    EXPECT_EQ(wave.Channels, 2);
    EXPECT_EQ(wave.FrameCount(), 2u);
    EXPECT_THAT(wave.Samples, ElementsAre(1, -2, 3, -4));
    EXPECT_THAT(DlsChannelSamples(wave, 0), ElementsAre(1, 3));
    EXPECT_THAT(DlsChannelSamples(wave, 1), ElementsAre(-2, -4));
    EXPECT_TRUE(DlsChannelSamples(wave, 2).empty());
}

TEST(DlsRead, KeepsWavesOfOtherFormatsWithoutSamples) {
    for (const auto& fmt : {Fmt(2, 1, 22050, 4),     // ADPCM
                            Fmt(1, 1, 22050, 24),    // 24-bit PCM
                            Fmt(1, 4, 22050, 16),    // four channels
                            Fmt(3, 1, 22050, 32)}) { // float
        TLevel1File f;
        f.Format = fmt;
        f.Data = Chunk("data", TBytes(64, 0x11));
        const auto c = ReadOk(f.Build());
        const auto& wave = c.Waves[0];
        EXPECT_FALSE(wave.Decoded());
        EXPECT_TRUE(wave.Samples.empty());
        EXPECT_EQ(wave.FrameCount(), 0u);
        // the region still finds it
        EXPECT_EQ(c.WaveOf(c.Instruments[0].Regions[0]), &wave);
    }
}

TEST(DlsRead, EmptyCollectionIsValid) {
    const auto c = ReadOk(Riff("DLS ", {Chunk("colh", U32(0)), List("lins", {}),
                                        Chunk("ptbl", Cat({U32(8), U32(0)})), List("wvpl", {})}));
    EXPECT_TRUE(c.Instruments.empty());
    EXPECT_TRUE(c.Cues.empty());
    EXPECT_TRUE(c.Waves.empty());
}

TEST(DlsRead, InstrumentWithoutRegionsNeedsNoRegionList) {
    TLevel1File f;
    f.InsHeader = Insh(0, 0, 1);
    const TBytes ins = List("ins ", {f.InsHeader});
    const auto c = ReadOk(Riff("DLS ", {f.Colh, List("lins", {ins}), f.Ptbl, f.Wvpl()}));
    ASSERT_EQ(c.Instruments.size(), 1u);
    EXPECT_TRUE(c.Instruments[0].Regions.empty());
}

TEST(DlsRead, NameEndsAtItsFirstNulAndAllInfoListsCount) {
    TLevel1File f;
    f.InsInfo = Cat({List("INFO", {Chunk("INAM", {'A', 'b', 0, 'x', 'y'}),
                                   Text("ICMT", "\xE9\x92\xA2\xE7\x90\xB4")}),
                     List("INFO", {Text("INAM", "second"), Chunk("ISFT", {})})});
    const auto c = ReadOk(f.Build());
    const auto& ins = c.Instruments[0];
    EXPECT_EQ(ins.Name, "Ab");
    EXPECT_THAT(ins.Info, ElementsAre(TDlsInfoItem{RiffId("ICMT"), "\xE9\x92\xA2\xE7\x90\xB4"},
                                      TDlsInfoItem{RiffId("INAM"), "second"},
                                      TDlsInfoItem{RiffId("ISFT"), ""}));
}

TEST(DlsRead, FromFile) {
    TTempDir dir;
    dir.Write("set.dls", TLevel1File{}.Build());
    TDlsCollection c;
    auto r = ReadDlsFile(dir.Path("set.dls"), c);
    ASSERT_TRUE(r.Ok) << r.Message;
    EXPECT_EQ(c.Name, "Tiny set");

    r = ReadDlsFile(dir.Path("none.dls"), c);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "no such file");

    dir.Write("bad.dls", TBytes(100, 0));
    r = ReadDlsFile(dir.Path("bad.dls"), c);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(c.Name, "Tiny set"); // untouched by the failed read
}

} // namespace
