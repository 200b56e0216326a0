// SoundFonts as the external voice set, through the real synthesiser rendered offline:
// the presets fill the voice list in the file's order and each plays its own sound;
// compressed banks are decoded by the synthesiser; broken files leave no voices.
#include "AudioMeasure.h"
#include "OfflineSynth.h"
#include "TempDir.h"
#include "voiceset/sf2/Sf2TestBytes.h"

#include "base/FileUtil.h"
#include "settings/Settings.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int Rate = TKTDirectMusic::SampleRate;

// A 441 Hz sine: exactly 100 points a period at 44.1 kHz.
std::vector<int16_t> Sine(int points) {
    std::vector<int16_t> s;
    for (int i = 0; i < points; ++i)
        s.push_back(static_cast<int16_t>(12000 * std::sin(2 * M_PI * i / 100.0)));
    return s;
}

// Two presets on one looped sine, listed against their numbers: "High" (bank 0,
// program 3) at root key 57, so that note 69 sounds 882 Hz, then "Low" (bank 0,
// program 1) at root key 69, 441 Hz.
TSf2Bank TwoPitchBank() {
    TSf2Bank b;
    AddSf2Sample(b, "sine", Sine(4410), Rate, 69, 0, 0, 4410);
    const TSf2Generator loop{Sf2Gen::SampleModes, TSf2GenAmount::FromWord(1)};
    const TSf2Generator sample{Sf2Gen::SampleId, TSf2GenAmount::FromWord(0)};
    b.Instruments.push_back(
        {"high", {{{loop, {Sf2Gen::OverridingRootKey, TSf2GenAmount::FromWord(57)}, sample}, {}}}});
    b.Instruments.push_back({"low", {{{loop, sample}, {}}}});
    b.Presets.push_back(
        {"High", 3, 0, 0, 0, 0, {{{{Sf2Gen::Instrument, TSf2GenAmount::FromWord(0)}}, {}}}});
    b.Presets.push_back(
        {"Low", 1, 0, 0, 0, 0, {{{{Sf2Gen::Instrument, TSf2GenAmount::FromWord(1)}}, {}}}});
    return b;
}

// libsndfile writing an Ogg Vorbis stream into memory.
struct TMemoryFile {
    std::vector<uint8_t> Bytes;
    sf_count_t Pos = 0;
};
sf_count_t MemLength(void* f) {
    return static_cast<sf_count_t>(static_cast<TMemoryFile*>(f)->Bytes.size());
}
sf_count_t MemSeek(sf_count_t offset, int whence, void* f) {
    auto* m = static_cast<TMemoryFile*>(f);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->Pos : MemLength(f);
    m->Pos = std::max<sf_count_t>(0, base + offset);
    return m->Pos;
}
sf_count_t MemRead(void* ptr, sf_count_t count, void* f) {
    auto* m = static_cast<TMemoryFile*>(f);
    const sf_count_t n = std::clamp<sf_count_t>(MemLength(f) - m->Pos, 0, count);
    std::memcpy(ptr, m->Bytes.data() + m->Pos, static_cast<size_t>(n));
    m->Pos += n;
    return n;
}
sf_count_t MemWrite(const void* ptr, sf_count_t count, void* f) {
    auto* m = static_cast<TMemoryFile*>(f);
    const auto end = static_cast<size_t>(m->Pos + count);
    if (m->Bytes.size() < end) m->Bytes.resize(end);
    std::memcpy(m->Bytes.data() + m->Pos, ptr, static_cast<size_t>(count));
    m->Pos += count;
    return count;
}
sf_count_t MemTell(void* f) {
    return static_cast<TMemoryFile*>(f)->Pos;
}

std::vector<uint8_t> OggVorbis(const std::vector<int16_t>& points) {
    SF_VIRTUAL_IO io{MemLength, MemSeek, MemRead, MemWrite, MemTell};
    SF_INFO info{};
    info.samplerate = Rate;
    info.channels = 1;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    TMemoryFile file;
    SNDFILE* f = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    if (!f) return {};
    EXPECT_EQ(sf_write_short(f, points.data(), static_cast<sf_count_t>(points.size())),
              static_cast<sf_count_t>(points.size()));
    sf_close(f);
    return file.Bytes;
}

// The same two presets as a compressed bank (version 3): one second of the sine as an
// Ogg Vorbis stream that two sample headers share, at root keys 57 and 69, unlooped.
std::vector<uint8_t> CompressedTwoPitchBank() {
    using namespace sf2test;
    TRawSf2 r;
    r.Info = Cat({Chunk("ifil", Cat({U16(3), U16(1)})), InfoText("isng", "EMU8000"),
                  InfoText("INAM", "Packed")});
    r.Smpl = OggVorbis(Sine(Rate));
    const auto size = static_cast<uint32_t>(r.Smpl.size());
    r.Phdr = Cat({Phdr("High", 3, 0, 0), Phdr("Low", 1, 0, 1), Phdr("EOP", 0, 0, 2)});
    r.Pbag = Cat({Bag(0, 0), Bag(1, 0), Bag(2, 0)});
    r.Pmod = Mod(0, 0, 0, 0, 0);
    r.Pgen = Cat({Gen(Sf2Gen::Instrument, 0), Gen(Sf2Gen::Instrument, 1), Gen(0, 0)});
    r.Inst = Cat({Inst("high", 0), Inst("low", 1), Inst("EOI", 2)});
    r.Ibag = Cat({Bag(0, 0), Bag(1, 0), Bag(2, 0)});
    r.Imod = Mod(0, 0, 0, 0, 0);
    r.Igen = Cat({Gen(Sf2Gen::SampleId, 0), Gen(Sf2Gen::SampleId, 1), Gen(0, 0)});
    const uint16_t vorbis = Sf2SampleType::Mono | Sf2SampleType::Vorbis;
    r.Shdr = Cat({Shdr("sine57", 0, size, 0, 0, Rate, 57, 0, 0, vorbis),
                  Shdr("sine69", 0, size, 0, 0, Rate, 69, 0, 0, vorbis),
                  Shdr("EOS", 0, 0, 0, 0, 0, 0, 0, 0, 0)});
    return r.Bytes();
}

// The pitch note 69 sounds with the voice at `position`.
double PitchOf(TKTDirectMusic& synth, const TVoiceList& voices, int position) {
    EXPECT_TRUE(synth.SetPatch(0, voices[position].Patch));
    synth.NoteOn(0, 69, 100);
    const double hz = audio::PeakHz(RenderMono(synth, Rate / 2), Rate);
    synth.NoteOff(0, 69);
    synth.AllSoundOff(0);
    RenderMono(synth, Rate / 10);
    return hz;
}

TSettings External(const std::string& path) {
    TSettings settings;
    settings.UseExternalDLS = true;
    settings.ExternalDLSFile = path;
    return settings;
}

} // namespace

TEST(SoundFontVoiceSet, ChosenAsTheExternalSetItListsItsPresetsInFileOrderAndPlaysThem) {
    TTempDir dir;
    ASSERT_TRUE(SaveSf2File(dir.Path("two.sf2"), TwoPitchBank()).Ok);
    TVoiceList voices;
    TOfflineSynth synth(voices);
    ASSERT_TRUE(synth.LoadExternalDLS(ExternalVoiceSetPath(External(dir.Path("two.sf2")))))
        << synth.LastVoiceSetError();
    ASSERT_EQ(voices.Count(), 2);
    EXPECT_EQ(voices[0].Name, "High");
    EXPECT_EQ(voices[0].Patch, MakePatch(0, 0, 3));
    EXPECT_EQ(voices[1].Name, "Low");
    EXPECT_EQ(voices[1].Patch, MakePatch(0, 0, 1));
    ASSERT_TRUE(synth.DownloadVoices()) << synth.LastVoiceSetError();
    EXPECT_NEAR(PitchOf(synth, voices, 0), 882.0, 4.0);
    EXPECT_NEAR(PitchOf(synth, voices, 1), 441.0, 3.0);
}

TEST(SoundFontVoiceSet, CompressedBankIsDecodedByTheSynthesiserFromFileOrMemory) {
    const std::vector<uint8_t> bytes = CompressedTwoPitchBank();
    ASSERT_FALSE(bytes.empty());
    TTempDir dir;
    dir.Write("two.sf3", bytes);
    TVoiceList voices;
    TOfflineSynth synth(voices);
    ASSERT_TRUE(synth.LoadExternalDLS(ExternalVoiceSetPath(External(dir.Path("two.sf3")))))
        << synth.LastVoiceSetError();
    ASSERT_EQ(voices.Count(), 2);
    EXPECT_EQ(voices[0].Name, "High");
    EXPECT_EQ(voices[1].Patch, MakePatch(0, 0, 1));
    ASSERT_TRUE(synth.DownloadVoices()) << synth.LastVoiceSetError();
    EXPECT_NEAR(PitchOf(synth, voices, 0), 882.0, 4.0);
    EXPECT_NEAR(PitchOf(synth, voices, 1), 441.0, 3.0);
    EXPECT_TRUE(synth.DownloadVoices()); // the same set again changes nothing

    // As the built-in set from memory: sorted by number, Low first.
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(bytes)) << synth.LastVoiceSetError();
    ASSERT_EQ(voices.Count(), 2);
    EXPECT_EQ(voices[0].Name, "Low");
    EXPECT_NEAR(PitchOf(synth, voices, 0), 441.0, 3.0);
    EXPECT_NEAR(PitchOf(synth, voices, 1), 882.0, 4.0);
}

TEST(SoundFontVoiceSet, AMissingPadIsTakenAndACutFileLeavesNoVoicesWithTheReason) {
    using namespace sf2test;
    const TRawSf2 raw = MinimalRaw();
    // "Tiny" and its NUL, 5 bytes, written without the pad; the sizes count none.
    const TBytes info = Cat({TBytes{'I', 'N', 'F', 'O'}, Chunk("ifil", Cat({U16(2), U16(1)})),
                             ChunkNoPad("INAM", TBytes{'T', 'i', 'n', 'y', 0})});
    const TBytes file = ChunkNoPad("RIFF", Cat({TBytes{'s', 'f', 'b', 'k'},
                                                ChunkNoPad("LIST", info), raw.Sdta(), raw.Pdta()}));
    TTempDir dir;
    dir.Write("nopad.sf2", file);
    TVoiceList voices;
    TOfflineSynth synth(voices);
    ASSERT_TRUE(synth.LoadExternalDLS(dir.Path("nopad.sf2"))) << synth.LastVoiceSetError();
    ASSERT_EQ(voices.Count(), 1);
    EXPECT_EQ(voices[0].Name, "Grand");
    EXPECT_TRUE(synth.DownloadVoices()) << synth.LastVoiceSetError();

    dir.Write("cut.sf2", TBytes(file.begin(), file.end() - 40));
    EXPECT_FALSE(synth.LoadExternalDLS(dir.Path("cut.sf2")));
    EXPECT_EQ(voices.Count(), 0);
    EXPECT_NE(synth.LastVoiceSetError().find("declares"), std::string::npos)
        << synth.LastVoiceSetError();
    EXPECT_FALSE(synth.DownloadVoices());
    EXPECT_FALSE(synth.SetPatch(0, MakePatch(0, 0, 0)));
}
