// The run-time SoundFont held without its samples: read in any pieces, from bytes in
// memory or from the voice-set file, it gives the very bytes of the image built with
// every sample copied in.
#include "TempDir.h"
#include "voiceset/dls/DlsSampleFiles.h"

#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/convert/VoiceSetReader.h"
#include "voiceset/dls/DlsWriter.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <random>

#include <gtest/gtest.h>

namespace {

// Waves of every layout the image converts (16 and 8 bits, mono and stereo), a wave
// in a format that is not decoded, and instruments playing them: both channels of
// the 16-bit stereo wave, the right one alone of the 8-bit one.
TDlsCollection Mixed() {
    TDlsCollection c;
    const struct {
        uint16_t Channels, Bits;
        int Frames;
    } layouts[] = {{1, 16, 3001}, {2, 16, 2500}, {1, 8, 1501}, {2, 8, 999}};
    for (const auto& l : layouts) {
        TDlsWave w;
        w.Channels = l.Channels;
        w.BitsPerSample = l.Bits;
        for (int i = 0; i < l.Frames * l.Channels; ++i)
            w.Samples.push_back(l.Bits == 8 ? int16_t((i * 37 % 256 - 128) * 256)
                                            : int16_t(i * 7919 % 65536 - 32768));
        c.Waves.push_back(w);
    }
    TDlsWave adpcm;
    adpcm.FormatTag = 2;
    c.Waves.push_back(adpcm);
    for (uint32_t i = 0; i < c.Waves.size(); ++i) {
        c.Cues.push_back(i);
        TDlsInstrument ins;
        ins.Name = "Voice " + std::to_string(i);
        ins.Program = uint8_t(i);
        TDlsRegion r;
        r.WaveLink.TableIndex = i;
        if (i == 1) r.WaveLink.Channel = DlsChannelLeft | DlsChannelRight;
        if (i == 3) r.WaveLink.Channel = DlsChannelRight;
        ins.Regions.push_back(r);
        c.Instruments.push_back(ins);
    }
    return c;
}

std::vector<uint8_t> Image(const TDlsCollection& c) {
    std::vector<uint8_t> image;
    const TVoiceSetConvertResult built = BuildRuntimeSoundFont(c, image);
    EXPECT_TRUE(built.Ok) << built.Message;
    return image;
}

// Every way of reading the held image gives `expected`: whole, in pieces of 1 to 7
// bytes (every boundary at every alignment), at random places and lengths.
void ExpectReadsAs(const TRuntimeSoundFont& image, const std::vector<uint8_t>& expected) {
    ASSERT_EQ(image.Size(), expected.size());
    std::vector<uint8_t> whole(expected.size());
    ASSERT_TRUE(image.Read(0, whole));
    EXPECT_TRUE(whole == expected);

    std::vector<uint8_t> pieces;
    for (size_t at = 0, n = 1; at < expected.size(); at += n, n = n % 7 + 1) {
        std::vector<uint8_t> piece(std::min(n, expected.size() - at));
        ASSERT_TRUE(image.Read(at, piece)) << at;
        pieces.insert(pieces.end(), piece.begin(), piece.end());
    }
    EXPECT_TRUE(pieces == expected);

    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        const size_t at = random() % expected.size();
        std::vector<uint8_t> piece(std::min<size_t>(random() % 9000, expected.size() - at));
        ASSERT_TRUE(image.Read(at, piece));
        ASSERT_TRUE(std::equal(piece.begin(), piece.end(), expected.begin() + ptrdiff_t(at)))
            << at << " + " << piece.size();
    }
    std::vector<uint8_t> past(2);
    EXPECT_FALSE(image.Read(expected.size() - 1, past));
    EXPECT_TRUE(image.Read(expected.size(), {}));
}

} // namespace

TEST(VoiceSetImage, SamplesLeftInPlaceReadAsTheImageWithEverySampleCopied) {
    const TDlsCollection mixed = Mixed();
    std::vector<uint8_t> file;
    ASSERT_TRUE(WriteDls(mixed, file).Ok);
    TDlsCollection copied;
    ASSERT_TRUE(ReadDls(file, copied).Ok);
    const std::vector<uint8_t> expected = Image(copied);
    // The copied image is the converted bank as the SoundFont writer writes it.
    TSf2Bank bank;
    ASSERT_TRUE(ConvertDlsToSf2(copied, bank).Ok);
    std::vector<uint8_t> written;
    ASSERT_TRUE(WriteSf2(bank, written).Ok);
    ASSERT_TRUE(expected == written);
    EXPECT_EQ(bank.SampleHeaders.size(), 5u); // mono, left and right, mono 8-bit, right

    TDlsCollection inPlace;
    ASSERT_TRUE(ReadDls(file, inPlace, {.SamplesInPlace = true}).Ok);
    for (size_t i = 0; i < inPlace.Waves.size(); ++i) {
        const TDlsWave& w = inPlace.Waves[i];
        EXPECT_TRUE(w.Samples.empty());
        EXPECT_EQ(w.FrameCount(), copied.Waves[i].FrameCount());
        EXPECT_EQ(w.DataInPlace.has_value(), w.Decoded()) << i;
    }
    EXPECT_EQ(inPlace.Instruments, copied.Instruments);
    TRuntimeSoundFont held;
    const TVoiceSetConvertResult built =
        BuildRuntimeSoundFont(inPlace, std::make_shared<TSpanWaveBytes>(file), held);
    ASSERT_TRUE(built.Ok) << built.Message;
    ExpectReadsAs(held, expected);
}

TEST(VoiceSetImage, APartialFrameAtTheEndOfTheDataIsLeftOut) {
    TLevel1File f;
    f.Format = Fmt(1, 2, 22050, 16);
    f.Data = Chunk("data", {1, 0, 2, 0, 3, 0, 4, 0, 5, 0}); // two frames and a half
    const TBytes file = f.Build();
    TDlsCollection copied, inPlace;
    ASSERT_TRUE(ReadDls(file, copied).Ok);
    ASSERT_TRUE(ReadDls(file, inPlace, {.SamplesInPlace = true}).Ok);
    EXPECT_EQ(inPlace.Waves[0].FrameCount(), 2u);
    EXPECT_EQ(inPlace.Waves[0].DataInPlace, (TDlsDataPlace{FindId(file, "data") + 8, 8}));
    TRuntimeSoundFont held;
    ASSERT_TRUE(BuildRuntimeSoundFont(inPlace, std::make_shared<TSpanWaveBytes>(file), held).Ok);
    ExpectReadsAs(held, Image(copied));
}

TEST(VoiceSetImage, TheFileFormServesTheSamplesFromTheFileItKeepsOpen) {
    TTempDir dir;
    const TDlsCollection mixed = Mixed();
    std::vector<uint8_t> file;
    ASSERT_TRUE(WriteDls(mixed, file).Ok);
    dir.Write("msf4.s", file);
    TVoiceSet copied;
    ASSERT_TRUE(ReadVoiceSetFile(dir.Path("msf4.s"), copied).Ok);

    TVoiceSet set;
    TRuntimeSoundFont image;
    const TVoiceSetReadResult read = ReadVoiceSetFileInPlace(dir.Path("msf4.s"), set, image);
    ASSERT_TRUE(read.Ok) << read.Message;
    EXPECT_EQ(set.Format, TVoiceSetFormat::Dls);
    EXPECT_EQ(set.Collection.Instruments, copied.Collection.Instruments);
    // Removing the file's name leaves the open file to read from.
    std::filesystem::remove(dir.Path("msf4.s"));
    ExpectReadsAs(image, Image(copied.Collection));
}

TEST(VoiceSetImage, RefusalsLeaveTheSetAndImageAsTheyWere) {
    TTempDir dir;
    TBytes badCount = TLevel1File().Build();
    PutU32(badCount, FindId(badCount, "colh") + 8, 2);
    TDlsCollection unused;
    const std::string countMessage = ReadDls(badCount, unused).Message;
    dir.Write("empty", {});
    dir.Write("sf2", Riff("sfbk", {Chunk("JUNK", {1, 2})}));
    dir.Write("count", badCount);
    dir.Write("short", TBytes(badCount.begin(), badCount.begin() + 40));
    std::filesystem::create_directory(dir.Path("folder"));
    const struct {
        const char* Name;
        std::string Message;
    } cases[] = {{"none", "no such file"},
                 {"empty", "the file is empty"},
                 {"folder", "the file cannot be read"},
                 {"sf2", "not a DLS collection"},
                 {"count", countMessage},
                 {"short", ""}};

    dir.Write("good", TLevel1File().Build());
    TVoiceSet set;
    TRuntimeSoundFont image;
    ASSERT_TRUE(ReadVoiceSetFileInPlace(dir.Path("good"), set, image).Ok);
    const uint64_t size = image.Size();
    for (const auto& c : cases) {
        const TVoiceSetReadResult r = ReadVoiceSetFileInPlace(dir.Path(c.Name), set, image);
        EXPECT_FALSE(r.Ok) << c.Name;
        if (!c.Message.empty()) {
            EXPECT_EQ(r.Message, c.Message) << c.Name;
        }
        EXPECT_FALSE(r.Message.empty()) << c.Name;
        EXPECT_EQ(set.Collection.Instruments.size(), 1u);
        EXPECT_EQ(image.Size(), size);
    }
}

TEST(VoiceSetImage, SamplesMustBeWhereEachFormLooksForThem) {
    const TBytes file = TLevel1File().Build();
    TDlsCollection copied, inPlace;
    ASSERT_TRUE(ReadDls(file, copied).Ok);
    ASSERT_TRUE(ReadDls(file, inPlace, {.SamplesInPlace = true}).Ok);
    // Neither the copied image, the bank nor a DLS file can be made without the points.
    std::vector<uint8_t> bytes;
    TSf2Bank bank;
    EXPECT_FALSE(BuildRuntimeSoundFont(inPlace, bytes).Ok);
    EXPECT_FALSE(ConvertDlsToSf2(inPlace, bank).Ok);
    EXPECT_FALSE(WriteDls(inPlace, bytes).Ok);
    // The held form takes them from the source only.
    TRuntimeSoundFont held;
    EXPECT_FALSE(BuildRuntimeSoundFont(copied, std::make_shared<TSpanWaveBytes>(file), held).Ok);
    EXPECT_FALSE(BuildRuntimeSoundFont(inPlace, nullptr, held).Ok);
    EXPECT_EQ(held.Size(), 0u);

    // A source that lost the samples: the image reads up to them and no further.
    const auto cut = std::make_shared<TSpanWaveBytes>(std::span(file).first(FindId(file, "data")));
    ASSERT_TRUE(BuildRuntimeSoundFont(inPlace, cut, held).Ok);
    const std::vector<uint8_t> expected = Image(copied);
    const size_t smpl = FindId(expected, "smpl") + 8;
    std::vector<uint8_t> head(smpl);
    ASSERT_TRUE(held.Read(0, head));
    EXPECT_TRUE(std::equal(head.begin(), head.end(), expected.begin()));
    std::vector<uint8_t> whole(expected.size());
    EXPECT_FALSE(held.Read(0, whole));
}
