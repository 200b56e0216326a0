#include "DlsSampleFiles.h"

#include "voiceset/RiffChunk.h"
#include "voiceset/dls/DlsReader.h"
#include "voiceset/dls/DlsWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

TBytes WriteOk(const TDlsCollection& c) {
    TBytes out;
    const auto r = WriteDls(c, out);
    EXPECT_TRUE(r.Ok) << r.Message;
    return out;
}

TDlsCollection ReadBack(const TBytes& bytes) {
    TDlsCollection c;
    const auto r = ReadDls(bytes, c);
    EXPECT_TRUE(r.Ok) << r.Message;
    return c;
}

TDlsArticulation Art(TDlsLevel level, uint16_t dst, int32_t scale) {
    return {level, {{DlsSrc::KeyOnVelocity, DlsSrc::Cc1, dst, 0x8421, scale}}};
}

// Every field of the model away from its default, in both levels.
TDlsCollection RichCollection() {
    TDlsCollection c;
    c.Version = TDlsVersion{0x00040000, 7};
    c.Name = "Rich set";
    c.Info = {{RiffId("ICOP"), "copyright"}, {RiffId("ICMT"), ""}};

    TDlsInstrument piano;
    piano.SetPatch(DlsPatchNumber(65, 3, 1, false));
    piano.Name = "Bright Piano";
    piano.Info = {{RiffId("ISBJ"), "\xE9\x92\xA2\xE7\x90\xB4"}};
    TDlsRegion low;
    low.Keys = {0, 63};
    low.Velocities = {10, 100};
    low.Options = DlsRegionSelfNonExclusive;
    low.KeyGroup = 2;
    low.Sample = TDlsSample{
        48, -7, -1000, DlsSampleNoTruncation, {{DlsLoopForward, 2, 5}, {DlsLoopRelease, 7, 1}}};
    low.WaveLink = {DlsWaveLinkPhaseMaster, 4, DlsChannelLeft, 1};
    low.Articulations = {
        Art(TDlsLevel::Level1, DlsDst::Pan, 5), Art(TDlsLevel::Level1, DlsDst::Pitch, 6),
        Art(TDlsLevel::Level2, DlsDst::FilterQ, 7), Art(TDlsLevel::Level1, DlsDst::Pan, 8)};
    TDlsRegion high;
    high.Keys = {64, 127};
    high.Layer = 1;
    high.WaveLink = {0, 0, DlsChannelRight, 0};
    piano.Regions = {low, high};
    piano.Articulations = {Art(TDlsLevel::Level2, DlsDst::Eg1ReleaseTime, -300)};

    TDlsInstrument kit;
    kit.SetPatch(DlsPatchNumber(127, 127, 127, true));
    TDlsRegion hit;
    hit.WaveLink.TableIndex = 2;
    kit.Regions = {hit};

    c.Instruments = {piano, kit};

    TDlsWave mono8;
    mono8.BitsPerSample = 8;
    mono8.SampleRate = 11025;
    mono8.Samples = {0, -32768, 32512, 256, -256}; // what 8-bit data holds
    mono8.Sample = TDlsSample{60, 0, 0, 0, {}};
    mono8.Name = "Eight";
    TDlsWave stereo;
    stereo.Channels = 2;
    stereo.Samples = {1, -1, 32767, -32768};
    stereo.Info = {{RiffId("ICMT"), "two channels"}};
    TDlsWave adpcm;
    adpcm.FormatTag = 2;
    adpcm.BitsPerSample = 4;
    c.Waves = {mono8, stereo, adpcm};
    c.Cues = {1, 0, 2, 1}; // out of order, one wave twice
    return c;
}

TEST(DlsWrite, RichCollectionReadsBackEqual) {
    const auto c = RichCollection();
    EXPECT_EQ(ReadBack(WriteOk(c)), c);
}

TEST(DlsWrite, ImageOfAHandLaidFileIsThatFile) {
    const TBytes hand = TLevel1File{}.Build();
    EXPECT_EQ(WriteOk(ReadBack(hand)), hand);
}

TEST(DlsWrite, Level2FileReadsBackEqualAfterWriting) {
    const auto c = ReadBack(Level2File());
    EXPECT_EQ(ReadBack(WriteOk(c)), c);
}

TEST(DlsWrite, ChoosesRegionAndArticulationListsByLevel) {
    TRiffChunk root;
    const TBytes bytes = WriteOk(RichCollection());
    ASSERT_TRUE(ParseRiff(bytes, root).Ok);
    const auto& piano = root.FindList(RiffId("lins"))->Children[0];
    const auto* lrgn = piano.FindList(RiffId("lrgn"));
    ASSERT_NE(lrgn, nullptr);
    ASSERT_EQ(lrgn->Children.size(), 2u);
    EXPECT_TRUE(lrgn->Children[0].IsList(RiffId("rgn ")));
    EXPECT_EQ(lrgn->Children[0].Find(RiffId("rgnh"))->Data.size(), 12u);
    EXPECT_TRUE(lrgn->Children[1].IsList(RiffId("rgn2")));
    EXPECT_EQ(lrgn->Children[1].Find(RiffId("rgnh"))->Data.size(), 14u);

    // levels 1, 1, 2, 1: three lists, the first holding two art1 chunks
    const auto& low = lrgn->Children[0];
    std::vector<std::pair<uint32_t, size_t>> lists;
    for (const auto& l : low.Children)
        if (l.IsList()) lists.push_back({l.ListType, l.Children.size()});
    EXPECT_EQ(lists, (std::vector<std::pair<uint32_t, size_t>>{
                         {RiffId("lart"), 2}, {RiffId("lar2"), 1}, {RiffId("lart"), 1}}));
    EXPECT_EQ(piano.FindList(RiffId("lar2"))->Children[0].Id, RiffId("art2"));
}

TEST(DlsWrite, PoolTableOffsetsPointAtTheWaves) {
    TRiffChunk root;
    const TBytes bytes = WriteOk(RichCollection());
    ASSERT_TRUE(ParseRiff(bytes, root).Ok);
    const auto& pool = *root.FindList(RiffId("wvpl"));
    const auto& ptbl = *root.Find(RiffId("ptbl"));
    ASSERT_EQ(ptbl.Data.size(), 8u + 4 * 4);
    const uint32_t expectWave[] = {1, 0, 2, 1};
    for (size_t i = 0; i < 4; ++i) {
        const uint32_t offset = U32At(TBytes(ptbl.Data.begin(), ptbl.Data.end()), 8 + 4 * i);
        EXPECT_EQ(pool.DataOffset() + offset, pool.Children[expectWave[i]].Offset) << i;
    }
}

TEST(DlsWrite, EightBitWavesStayEightBit) {
    TDlsCollection c;
    TDlsWave w;
    w.BitsPerSample = 8;
    w.Samples = {-32768, -256, 0, 256, 32512};
    c.Waves = {w};
    TRiffChunk root;
    const TBytes bytes = WriteOk(c);
    ASSERT_TRUE(ParseRiff(bytes, root).Ok);
    const auto& wave = root.FindList(RiffId("wvpl"))->Children[0];
    const auto data = wave.Find(RiffId("data"))->Data;
    EXPECT_EQ(TBytes(data.begin(), data.end()), (TBytes{0x00, 0x7F, 0x80, 0x81, 0xFF}));
    const auto fmt = wave.Find(RiffId("fmt "))->Data;
    EXPECT_EQ(TBytes(fmt.begin(), fmt.end()),
              Cat({U16(1), U16(1), U32(44100), U32(44100), U16(1), U16(8)}));
}

TEST(DlsWrite, NameOnlyInInfoKeepsItsPlace) {
    // an empty name followed by a second 'INAM' must not turn that one into the name
    TDlsCollection c;
    c.Info = {{RiffId("INAM"), "later"}};
    const auto back = ReadBack(WriteOk(c));
    EXPECT_EQ(back.Name, "");
    EXPECT_EQ(back.Info, c.Info);
}

TEST(DlsWrite, RefusesWhatWouldNotReadBack) {
    struct TCase {
        const char* Reason;
        void (*Change)(TDlsCollection&);
    };
    const TCase cases[] = {
        {"instrument 0: MSB 128", [](TDlsCollection& c) { c.Instruments[0].MSB = 128; }},
        {"instrument 1: LSB 200", [](TDlsCollection& c) { c.Instruments[1].LSB = 200; }},
        {"program 255", [](TDlsCollection& c) { c.Instruments[0].Program = 255; }},
        {"region 0 links to cue 4 of 4",
         [](TDlsCollection& c) { c.Instruments[1].Regions[0].WaveLink.TableIndex = 4; }},
        {"pool cue 3 names wave 3 of 3", [](TDlsCollection& c) { c.Cues[3] = 3; }},
        {"wave 2: holds samples", [](TDlsCollection& c) { c.Waves[2].Samples = {1}; }},
        {"wave 1: ends with a partial frame", [](TDlsCollection& c) { c.Waves[1].Samples = {1}; }},
        {"the name holds a NUL", [](TDlsCollection& c) { c.Name = std::string("a\0b", 3); }},
        {"instrument 0: INFO item 'ISBJ' holds a NUL",
         [](TDlsCollection& c) { c.Instruments[0].Info[0].Text += '\0'; }},
        {"would read as a list",
         [](TDlsCollection& c) {
             c.Waves[0].Info = {{RiffIdList, "x"}};
         }},
    };
    for (const auto& k : cases) {
        auto c = RichCollection();
        k.Change(c);
        TBytes out{1, 2, 3};
        const auto r = WriteDls(c, out);
        EXPECT_FALSE(r.Ok) << k.Reason;
        EXPECT_THAT(r.Message, HasSubstr(k.Reason));
        EXPECT_TRUE(out.empty());
    }
}

TEST(DlsModel, PatchNumbersAndLookups) {
    EXPECT_EQ(DlsPatchNumber(65, 0, 0, false), 0x410000u);
    EXPECT_EQ(DlsPatchNumber(0, 0, 0, true), 0x80000000u);
    EXPECT_EQ(DlsPatchNumber(1, 2, 3, true), 0x80010203u);
    TDlsInstrument ins;
    ins.SetPatch(0x80410A7Fu);
    EXPECT_EQ(ins.MSB, 0x41);
    EXPECT_EQ(ins.LSB, 0x0A);
    EXPECT_EQ(ins.Program, 0x7F);
    EXPECT_TRUE(ins.Drum);
    EXPECT_EQ(ins.Patch(), 0x80410A7Fu);

    const auto c = RichCollection();
    TDlsRegion r;
    r.WaveLink.TableIndex = 0;
    EXPECT_EQ(c.WaveOf(r), &c.Waves[1]);
    r.WaveLink.TableIndex = 4;
    EXPECT_EQ(c.WaveOf(r), nullptr);
}

TEST(DlsModel, TransformFieldLayout) {
    TDlsTransform t;
    t.Output = DlsTrn::Switch;
    t.Control = DlsTrn::Convex;
    t.ControlInvert = true;
    t.Source = DlsTrn::Concave;
    t.SourceBipolar = true;
    EXPECT_EQ(t.Pack(), 0x3 | 0x2 << 4 | 1 << 9 | 0x1 << 10 | 1 << 14);
    EXPECT_EQ(TDlsTransform::Unpack(t.Pack()), t);
    for (uint32_t v = 0; v <= 0xFFFF; v += 0x111)
        EXPECT_EQ(TDlsTransform::Unpack(uint16_t(v)).Pack(), v);
}

} // namespace
