#include "ControllerFakes.h"
#include "controller/PerformerText.h"
#include "song/SongTestUtil.h"

namespace {

TEST_F(ControllerTest, TranspositionWrapsRoundItsRangeWithKeyNameAndSignature) {
    const struct {
        int In, Stored;
        const char* Text;
        int Signature;
    } cases[] = {
        {8, -4, "1=bA (-4)", 11}, {-5, 7, "1=G (+7)", 1},  {3, 3, "1=bE (+3)", 10},
        {0, 0, "1=C (0)", 0},     {-1, -1, "1=B (-1)", 5}, {12, 0, "1=C (0)", 0},
        {-13, -1, "1=B (-1)", 5}, {19, 7, "1=G (+7)", 1},  {6, 6, "1=#F (+6)", 6},
        {-2, -2, "1=bB (-2)", 9}, {1, 1, "1=bD (+1)", 12},
    };
    for (const auto& c : cases) {
        J.clear();
        Ctl.SetTranspose(c.In);
        EXPECT_EQ(Ctl.State().Transpose, c.Stored) << c.In;
        EXPECT_EQ(Boxes.Of(TValueBox::Transpose), c.Text) << c.In;
        EXPECT_EQ(J, (TJournal{"signature " + std::to_string(c.Signature)})) << c.In;
    }
    // Stepping past an end comes round the other.
    Ctl.SetTranspose(7);
    Ctl.SetTranspose(Ctl.State().Transpose + 1);
    EXPECT_EQ(Ctl.State().Transpose, -4);
    Ctl.SetTranspose(Ctl.State().Transpose - 1);
    EXPECT_EQ(Ctl.State().Transpose, 7);
}

TEST_F(ControllerTest, PerformerDefaultsRestoreAFreshPianosStateAndBoxes) {
    Ctl.SetTranspose(3);
    Ctl.SetLeftOctave(1);
    Ctl.SetRightOctave(-1);
    Ctl.SetLeftVelocity(20);
    Ctl.SetRightVelocity(127);
    Ctl.SetPerformerDefaults();
    EXPECT_EQ(Ctl.State().Transpose, 0);
    EXPECT_EQ(Ctl.State().LeftOctave, 0);
    EXPECT_EQ(Ctl.State().RightOctave, 0);
    EXPECT_EQ(Boxes.Of(TValueBox::Transpose), "1=C (0)");
    EXPECT_EQ(Boxes.Of(TValueBox::RightOctave), "0");
    EXPECT_EQ(Boxes.Of(TValueBox::LeftVelocity), "70");
    EXPECT_EQ(Boxes.Of(TValueBox::RightVelocity), "100");
}

TEST_F(ControllerTest, OctavesAndVelocitiesAreClampedAndShown) {
    Ctl.SetLeftOctave(5);
    Ctl.SetRightOctave(-3);
    EXPECT_EQ(J, (TJournal{"pc left octave 1", "pc right octave -1"}));
    EXPECT_EQ(Boxes.Of(TValueBox::LeftOctave), "+1");
    EXPECT_EQ(Boxes.Of(TValueBox::RightOctave), "-1");
    Ctl.SetRightOctave(0);
    EXPECT_EQ(Boxes.Of(TValueBox::RightOctave), "0");

    Ctl.SetLeftVelocity(130);
    Ctl.SetRightVelocity(-2);
    EXPECT_EQ(Ctl.State().LeftVelocity, 127);
    EXPECT_EQ(Ctl.State().RightVelocity, 0);
    EXPECT_EQ(Boxes.Of(TValueBox::LeftVelocity), "127");
    EXPECT_EQ(Boxes.Of(TValueBox::RightVelocity), "0");
    EXPECT_EQ(Ctl.State().LeftOctave, 1);
    // The value setters leave recording to their callers.
    Recorder.SetRecording(true);
    Ctl.SetTranspose(2);
    Ctl.SetLeftOctave(0);
    Ctl.SetRightVelocity(90);
    EXPECT_TRUE(Recorder.IsEmpty());
}

TEST_F(ControllerTest, VoicesBySelectionAndByStoredPatch) {
    Recorder.SetRecording(true);
    Ctl.SelectRightVoice(2);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"B1 00 41", "B1 20 00", "C1 02 00"}));
    EXPECT_EQ(Ctl.State().RightVoiceIndex, 2);
    EXPECT_EQ(Boxes.Of(TValueBox::RightVoice), "2");

    // Outside the list, or a patch the list does not hold: nothing at all.
    Reset();
    Ctl.SelectRightVoice(6);
    Ctl.SelectLeftVoice(-1);
    Ctl.SelectLeftVoiceByPatch(MakePatch(65, 0, 5));
    Ctl.SelectLeftVoiceByPatch(MakePatch(65, 0, 1, true)); // differs in the drum flag only
    EXPECT_TRUE(MidiSent().empty());
    EXPECT_EQ(Ctl.State().LeftVoiceIndex, 0);

    // A bank-64 number of the older set is translated first: program 1 became 2.
    Ctl.SelectLeftVoiceByPatch(MakePatch(64, 0, 1));
    EXPECT_EQ(Ctl.State().LeftVoiceIndex, 2);
    EXPECT_EQ(Synth.ChannelPatch(0), MakePatch(65, 0, 2));
    Ctl.SelectRightVoiceByPatch(MakePatch(65, 1, 0));
    EXPECT_EQ(Ctl.State().RightVoiceIndex, 4);
    EXPECT_EQ(Boxes.Of(TValueBox::LeftVoice), "2");

    EXPECT_EQ(EventsOf(Recorder),
              (std::vector<TEventFields>{{0, 0, evRightVoice, int32_t(MakePatch(65, 0, 2))},
                                         {0, 0, evLeftVoice, int32_t(MakePatch(65, 0, 2))},
                                         {0, 0, evRightVoice, int32_t(MakePatch(65, 1, 0))}}));
}

TEST_F(ControllerTest, ValueBoxStepsClampOrWrapAndExternalVoicesAreSentAndRecorded) {
    // Six voices: the voice boxes come round at both ends, the others stop or wrap as
    // their setters do.
    Ctl.StepValueBox(TValueBox::LeftVoice, false);
    EXPECT_EQ(Ctl.State().LeftVoiceIndex, 5);
    Ctl.StepValueBox(TValueBox::LeftVoice, true);
    EXPECT_EQ(Ctl.State().LeftVoiceIndex, 0);
    Ctl.SelectRightVoice(5);
    Ctl.StepValueBox(TValueBox::RightVoice, true);
    EXPECT_EQ(Ctl.State().RightVoiceIndex, 0);
    EXPECT_EQ(Boxes.Of(TValueBox::RightVoice), "0");
    Ctl.SetLeftOctave(1);
    Ctl.StepValueBox(TValueBox::LeftOctave, true);
    EXPECT_EQ(Ctl.State().LeftOctave, 1);
    Ctl.SetRightVelocity(0);
    Ctl.StepValueBox(TValueBox::RightVelocity, false);
    EXPECT_EQ(Ctl.State().RightVelocity, 0);
    Ctl.SetTranspose(7);
    Ctl.StepValueBox(TValueBox::Transpose, true);
    EXPECT_EQ(Ctl.State().Transpose, -4);

    // An external list's voice goes to the channel and into the song, and leaves the
    // boxes' positions alone; a position outside the list does nothing.
    Reset();
    Recorder.SetRecording(true);
    Ctl.SelectExternalVoice(true, 4);
    Ctl.SelectExternalVoice(false, 6);
    Ctl.SelectExternalVoice(false, -1);
    EXPECT_EQ(Synth.ChannelPatch(1), MakePatch(65, 1, 0));
    EXPECT_EQ(Ctl.State().RightVoiceIndex, 0);
    EXPECT_EQ(EventsOf(Recorder),
              (std::vector<TEventFields>{{0, 0, evRightVoice, int32_t(MakePatch(65, 1, 0))}}));
}

TEST_F(ControllerTest, InstallingKeyDefinitionsReplacesTheLiveSetAndRedrawsTheKeys) {
    TKeyDefSet set = DefaultKeyDefSet();
    set.Keys[29].Slots[0] = TKeyNote{5, 0, 4, 1, 0};
    Ctl.InstallKeyDefs(set);
    EXPECT_EQ(J, (TJournal{"pc refresh"}));
    Tap(DIK::Q);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"91 43 64", "81 43 40"}));
}

} // namespace
