// Voice sets through the real synthesiser, rendered offline and measured.
#include "AudioMeasure.h"
#include "OfflineSynth.h"
#include "TempDir.h"

#include "base/FileUtil.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int Rate = TKTDirectMusic::SampleRate;

std::vector<float> Render(TKTDirectMusic& synth, int frames) {
    return RenderMono(synth, frames);
}

} // namespace

TEST(VoiceSetBridge, ConvertedVoiceSoundsAtItsPitchAndReleases) {
    TVoiceList voices;
    TOfflineSynth synth(voices);
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(SineCollection(TimeCents(0.5), 5))))
        << synth.LastVoiceSetError();
    ASSERT_EQ(voices.Count(), 1);
    EXPECT_EQ(voices[0].Patch, MakePatch(65, 0, 5));
    EXPECT_EQ(voices[0].Name, "Sine");
    ASSERT_TRUE(synth.SetPatch(0, voices[0].Patch));

    ASSERT_TRUE(synth.NoteOn(0, 69, 100));
    const auto held = Render(synth, Rate / 2);
    EXPECT_NEAR(audio::PeakHz(held, Rate), 441.0, 3.0);
    synth.NoteOff(0, 69);
    ASSERT_TRUE(synth.NoteOn(0, 81, 100)); // an octave up
    EXPECT_NEAR(audio::PeakHz(Render(synth, Rate / 2), Rate), 882.0, 4.0);
    synth.NoteOff(0, 81);
    // The half-second release: still sounding after 100 ms, gone after 1.5 s.
    const auto tail = Render(synth, Rate * 2);
    const std::span<const float> early(tail.data() + Rate / 20, Rate / 20);
    const std::span<const float> late(tail.data() + Rate * 3 / 2, Rate / 4);
    EXPECT_GT(audio::LevelDb(early), audio::LevelDb(held) - 20);
    EXPECT_LT(audio::LevelDb(late), audio::LevelDb(held) - 50);
}

TEST(VoiceSetBridge, ReleaseTimeOfTheSetIsWhatSounds) {
    // The same voice with a short and a long release: the long one rings on.
    auto tailLevel = [](int32_t release) {
        TVoiceList voices;
        TOfflineSynth synth(voices);
        EXPECT_TRUE(synth.LoadVoiceSetFromMemory(Image(SineCollection(release, 0))));
        synth.SetPatch(0, voices[0].Patch);
        synth.NoteOn(0, 60, 100);
        Render(synth, Rate / 4);
        synth.NoteOff(0, 60);
        const auto tail = Render(synth, Rate / 2);
        return audio::LevelDb(std::span<const float>(tail.data() + Rate / 5, Rate / 10));
    };
    EXPECT_GT(tailLevel(TimeCents(2.0)), tailLevel(TimeCents(0.05)) + 20);
}

TEST(VoiceSetBridge, BrokenImagesLeaveNoVoicesAndExternalSetsKeepTheirOrder) {
    TVoiceList voices;
    TOfflineSynth synth(voices);
    std::vector<uint8_t> bytes = Image(SineCollection(TimeCents(0.2), 0));
    bytes.resize(bytes.size() / 2);
    EXPECT_FALSE(synth.LoadVoiceSetFromMemory(bytes));
    EXPECT_EQ(voices.Count(), 0);
    EXPECT_FALSE(synth.LastVoiceSetError().empty());
    EXPECT_FALSE(synth.SetPatch(0, MakePatch(65, 0, 0)));

    // An external set: drum kit first, then program 5, then program 0 - not sorted.
    TDlsCollection c = SineCollection(TimeCents(0.2), 0, true);
    TDlsInstrument p5 = SineCollection(TimeCents(0.2), 5).Instruments[0];
    TDlsInstrument p0 = SineCollection(TimeCents(0.2), 0).Instruments[0];
    c.Instruments.push_back(p5);
    c.Instruments.push_back(p0);
    TTempDir dir;
    ASSERT_TRUE(WriteFileAtomic(dir.Path("mine.dls"), Image(c)));
    TSettings settings;
    settings.UseExternalDLS = true;
    settings.ExternalDLSFile = dir.Path("mine.dls");
    ASSERT_TRUE(synth.LoadExternalDLS(ExternalVoiceSetPath(settings)));
    ASSERT_EQ(voices.Count(), 3);
    EXPECT_TRUE(IsDrumPatch(voices[0].Patch));
    EXPECT_EQ(voices[1].Patch, MakePatch(65, 0, 5));
    ASSERT_TRUE(synth.DownloadVoices());
    ASSERT_TRUE(synth.SetPatch(0, voices[2].Patch));
    synth.NoteOn(0, 69, 100);
    EXPECT_NEAR(audio::PeakHz(Render(synth, Rate / 2), Rate), 441.0, 3.0);

    // The built-in set sorts instead: melodic programs first, the kit last.
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(c)));
    EXPECT_EQ(voices[0].Patch, MakePatch(65, 0, 0));
    EXPECT_EQ(voices[1].Patch, MakePatch(65, 0, 5));
    EXPECT_TRUE(IsDrumPatch(voices[2].Patch));

    // Not asked for, or missing: no voices.
    settings.UseExternalDLS = false;
    EXPECT_EQ(ExternalVoiceSetPath(settings), "");
    EXPECT_FALSE(synth.LoadExternalDLS(ExternalVoiceSetPath(settings)));
    EXPECT_EQ(voices.Count(), 0);
    settings.UseExternalDLS = true;
    settings.ExternalDLSFile = dir.Path("gone.dls");
    EXPECT_EQ(ExternalVoiceSetPath(settings), "");
    EXPECT_FALSE(synth.LoadExternalDLS(dir.Path("gone.dls")));
    EXPECT_FALSE(synth.DownloadVoices());
}

TEST(BuiltInVoiceSet, HasGeneralMidiNumberingAndPlays) {
    std::vector<uint8_t> image;
    ASSERT_EQ(ReadFilePrefix(TALVIMORENA_MSF4, size_t{1} << 30, image), TReadResult::Ok)
        << "the build makes " << TALVIMORENA_MSF4;
    TVoiceList voices;
    TOfflineSynth synth(voices);
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(image)) << synth.LastVoiceSetError();
    ASSERT_GE(voices.Count(), 129);
    ASSERT_LE(voices.Count(), VoiceListCapacity);
    for (int p = 0; p < 128; ++p)
        EXPECT_EQ(voices[p].Patch, MakePatch(65, 0, p)) << p;
    int kits = 0;
    for (int i = 0; i < voices.Count(); ++i)
        kits += IsDrumPatch(voices[i].Patch);
    EXPECT_EQ(kits, 1);
    EXPECT_TRUE(IsDrumPatch(voices[voices.Count() - 1].Patch));

    // A flute at A4 sounds at 440 Hz, and its note ends after the release.
    ASSERT_TRUE(synth.SetPatch(0, voices[voices.FindVoiceIndex(MakePatch(65, 0, 73))].Patch));
    synth.NoteOn(0, 69, 100);
    const auto held = Render(synth, Rate);
    EXPECT_NEAR(audio::PeakHz(held, Rate), 440.0, 4.0);
    synth.NoteOff(0, 69);
    const auto tail = Render(synth, Rate * 2);
    EXPECT_LT(audio::LevelDb(std::span<const float>(tail.data() + Rate, Rate / 2)),
              audio::LevelDb(held) - 40);
    // The kit on channel index 9: a snare (38) makes sound.
    ASSERT_TRUE(synth.SetPatch(9, voices[voices.Count() - 1].Patch));
    synth.NoteOn(9, 38, 100);
    EXPECT_GT(audio::LevelDb(Render(synth, Rate / 4)), -40);
}
