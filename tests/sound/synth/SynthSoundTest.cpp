// What the wrapper's pedal, note-off, volume and reverb operations do to the sound,
// rendered offline and measured.
#include "AudioMeasure.h"
#include "OfflineSynth.h"

#include <gtest/gtest.h>

namespace {

constexpr int Rate = TKTDirectMusic::SampleRate;

// A synthesiser playing one sine voice with a short release on channel 0.
struct TSinePlayer {
    explicit TSinePlayer(uint32_t directXVersion = DirectXVersionUsable)
        : Synth(Voices, Setup(directXVersion)) {
        EXPECT_TRUE(Synth.OpenOfflinePort());
        EXPECT_TRUE(Synth.LoadVoiceSetFromMemory(Image(SineCollection(TimeCents(0.05), 0))));
        EXPECT_TRUE(Synth.SetPatch(0, MakePatch(65, 0, 0)));
        // No reverb tail in the way of measuring the notes themselves.
        Synth.SetReverbLevel(0);
    }
    static TKTDirectMusicSetup Setup(uint32_t directXVersion) {
        TKTDirectMusicSetup setup = TKTDirectMusicSetup::Offline();
        setup.DirectXVersion = directXVersion;
        return setup;
    }
    double Level(int frames) { return audio::LevelDb(RenderMono(Synth, frames)); }

    TVoiceList Voices;
    TKTDirectMusic Synth;
};

// Level of the reverb's tail: a short note, released, measured from 0.3 s to 0.6 s
// after the release (the voice itself is gone after 0.2 s).
double ReverbTail(uint8_t level, uint32_t directXVersion = DirectXVersionUsable, int before = -1) {
    TSinePlayer p(directXVersion);
    p.Synth.ControlChange(0, 91, 127); // full reverb send
    if (before >= 0) p.Synth.SetReverbLevel(static_cast<uint8_t>(before));
    p.Synth.SetReverbLevel(level);
    p.Synth.NoteOn(0, 69, 120);
    p.Level(Rate / 5);
    p.Synth.NoteOff(0, 69);
    p.Level(Rate * 3 / 10);
    return p.Level(Rate * 3 / 10);
}

} // namespace

TEST(SynthSound, SustainHoldsReleasedNotesUntilThePedalLifts) {
    TSinePlayer p;
    p.Synth.SetSustain(0, true);
    p.Synth.NoteOn(0, 69, 100);
    const double held = p.Level(Rate / 5);
    p.Synth.NoteOff(0, 69);
    p.Level(Rate / 10);
    EXPECT_NEAR(p.Level(Rate / 5), held, 1.0) << "the pedal holds the note";
    p.Synth.SetSustain(0, false);
    p.Level(Rate / 2);
    EXPECT_LT(p.Level(Rate / 10), held - 60) << "lifting the pedal releases it";
}

TEST(SynthSound, AllNotesOffRespectsThePedalAndAllSoundOffDoesNot) {
    TSinePlayer p;
    p.Synth.NoteOn(0, 69, 100);
    const double held = p.Level(Rate / 5);
    p.Synth.AllNotesOff(0);
    p.Level(Rate / 2);
    EXPECT_LT(p.Level(Rate / 10), held - 60) << "without the pedal the notes end";

    p.Synth.SetSustain(0, true);
    p.Synth.NoteOn(0, 69, 100);
    p.Level(Rate / 5);
    p.Synth.AllNotesOff(0);
    p.Level(Rate / 2);
    EXPECT_NEAR(p.Level(Rate / 10), held, 1.0) << "the pedal keeps them";
    p.Synth.AllSoundOff(0);
    p.Level(256); // the block already under way
    EXPECT_LT(p.Level(Rate / 10), held - 60) << "all sound off ends them at once, pedal or not";
}

TEST(SynthSound, VolumeIsInHundredthsOfADecibel) {
    TSinePlayer p;
    p.Synth.NoteOn(0, 69, 100);
    p.Level(Rate / 5);
    ASSERT_TRUE(p.Synth.SetSynthVolume(0));
    const double normal = p.Level(Rate / 5);
    ASSERT_TRUE(p.Synth.SetSynthVolume(-600));
    p.Level(Rate / 20); // FluidSynth moves to a new gain within one block
    EXPECT_NEAR(p.Level(Rate / 5) - normal, -6.0, 0.3);
    ASSERT_TRUE(p.Synth.SetSynthVolume(2000));
    p.Level(Rate / 20);
    EXPECT_NEAR(p.Level(Rate / 5) - normal, 20.0, 0.3);
}

TEST(SynthSound, ReverbLevelsGiveTheirTails) {
    const double none = ReverbTail(0);
    const double small = ReverbTail(1);
    const double large = ReverbTail(4);
    EXPECT_LT(none, -90) << "level 0 has no reverb";
    EXPECT_GT(small, none + 20) << "level 1 still has one";
    EXPECT_GT(large, small + 10) << "level 4 rings on longer and louder";
    EXPECT_GT(ReverbTail(3), small);
    // A level past the table leaves the reverb as it was.
    EXPECT_NEAR(ReverbTail(7, DirectXVersionUsable, 4), large, 0.1);
    EXPECT_NEAR(ReverbTail(7, DirectXVersionUsable, 0), none, 0.1);
    // Below version 0x700 the reverb is never touched: FluidSynth's own stays.
    EXPECT_GT(ReverbTail(0, 0x600), none + 40);
}
