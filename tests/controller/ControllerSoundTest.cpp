// The controller playing the default layout through the real synthesiser with the
// built-in voice set, rendered offline: the pitches, levels and silences it makes.
#include "AudioMeasure.h"
#include "sound/synth/OfflineSynth.h"

#include "base/FileUtil.h"
#include "controller/PerformanceController.h"
#include "fakes/FakeTickClock.h"
#include "keys/KeyTable.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr double Rate = TKTDirectMusic::SampleRate;

class ControllerSoundTest : public ::testing::Test {
protected:
    // The built-in set is large: one synthesiser serves the whole suite, each test
    // starting from silence.
    static void SetUpTestSuite() {
        Voices = std::make_unique<TVoiceList>();
        Synth = std::make_unique<TOfflineSynth>(*Voices);
        std::vector<uint8_t> image;
        ASSERT_EQ(ReadFilePrefix(TALVIMORENA_MSF4, size_t{1} << 30, image), TReadResult::Ok);
        ASSERT_TRUE(Synth->LoadVoiceSetFromMemory(image)) << Synth->LastVoiceSetError();
    }
    static void TearDownTestSuite() {
        Synth.reset();
        Voices.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(Synth);
        for (uint8_t c = 0; c < 16; ++c)
            Synth->AllSoundOff(c);
        Render(0.2);
        LoadDefaultKeyDefs();
        // The main window's start-up.
        Ctl.SetPerformerDefaults();
        Ctl.SelectRightVoice(0);
        Ctl.SelectLeftVoice(0);
        Synth->SelectDrumKit();
    }

    static std::vector<float> Render(double seconds) {
        return RenderMono(*Synth, static_cast<int>(seconds * Rate));
    }
    void Press(int code) { Ctl.WMDIKeyDown(code, KeyIndexOfCode(code)); }
    void Release(int code) { Ctl.WMDIKeyUp(code, KeyIndexOfCode(code)); }

    // The sound of a key held for half a second, its attack left out.
    std::vector<float> Hold(int code) {
        Press(code);
        Render(0.05);
        return Render(0.4);
    }

    static inline std::unique_ptr<TVoiceList> Voices;
    static inline std::unique_ptr<TOfflineSynth> Synth;
    TFakeClock Clock;
    TSimpleRecorder Recorder{Clock};
    TPerformanceController Ctl{*Synth, Recorder, Clock, *Voices};
};

double MidiHz(int note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

} // namespace

TEST_F(ControllerSoundTest, QSoundsMiddleCOnTheLeftAndItsReleaseEndsIt) {
    const std::vector<float> held = Hold(DIK::Q);
    EXPECT_GT(audio::LevelDb(held), -60);
    EXPECT_NEAR(audio::PeakHz(held, Rate), MidiHz(60), 3);
    Release(DIK::Q);
    Render(1.0);
    EXPECT_LT(audio::LevelDb(Render(0.3)), audio::LevelDb(held) - 40);
    EXPECT_EQ(Synth->ActiveVoiceCount(), 0);
}

TEST_F(ControllerSoundTest, NumOnePlaysTheRightKeyboardLouderAndFollowsItsShifts) {
    const double left = audio::LevelDb(Hold(DIK::Q));
    Release(DIK::Q);
    Render(1.5);
    const std::vector<float> right = Hold(DIK::NUMPAD1);
    EXPECT_NEAR(audio::PeakHz(right, Rate), MidiHz(60), 3);
    // Velocity 100 against the left keyboard's 70, on the same voice and note.
    EXPECT_GT(audio::LevelDb(right), left + 1);
    Release(DIK::NUMPAD1);
    Render(1.5);

    Ctl.SetRightOctave(1);
    Ctl.SetTranspose(2);
    const std::vector<float> shifted = Hold(DIK::NUMPAD1);
    EXPECT_NEAR(audio::PeakHz(shifted, Rate), MidiHz(74), 4);
    Release(DIK::NUMPAD1);
    Render(1.0);
    EXPECT_LT(audio::LevelDb(Render(0.3)), audio::LevelDb(shifted) - 40);
}

TEST_F(ControllerSoundTest, AKeyPressedWithShiftHeldStaysSilent) {
    Press(DIK::LSHIFT);
    EXPECT_LT(audio::LevelDb(Hold(DIK::Q)), -90);
    Release(DIK::Q);
    Release(DIK::LSHIFT);
    EXPECT_EQ(Synth->ActiveVoiceCount(), 0);
}

TEST_F(ControllerSoundTest, TheDrumKeysPlayTheKitAndTheSustainPedalHoldsReleasedNotes) {
    Press(DIK::LBRACKET);
    EXPECT_EQ(Synth->LastNote(DrumChannel), 38);
    EXPECT_GT(audio::LevelDb(Render(0.2)), -60) << "the snare of the kit";
    Release(DIK::LBRACKET);
    Render(1.5);

    Press(DIK::SPACE); // the left pedal
    const std::vector<float> held = Hold(DIK::W);
    Release(DIK::W);
    Render(1.0);
    const std::vector<float> pedalled = Render(0.3);
    EXPECT_NEAR(audio::PeakHz(pedalled, Rate), MidiHz(62), 3);
    EXPECT_GT(audio::LevelDb(pedalled), audio::LevelDb(held) - 25);
    Release(DIK::SPACE); // lifts the pedal: the note ends
    Render(1.0);
    EXPECT_LT(audio::LevelDb(Render(0.3)), audio::LevelDb(held) - 40);
}
