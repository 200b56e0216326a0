#include "ControllerFakes.h"
#include "song/SongTestUtil.h"

namespace {

using TMidi = std::vector<std::string>;

class PlaybackTest : public ControllerTest {
protected:
    // What the song commands do when a recording starts.
    void StartRecording() {
        TPerformSnapshot s = EmptyPerformSnapshot();
        const TPerformerState& p = Ctl.State();
        s.Transpose = p.Transpose;
        s.RightVolume = p.RightVelocity;
        s.LeftVolume = p.LeftVelocity;
        s.RightOctave = p.RightOctave;
        s.LeftOctave = p.LeftOctave;
        s.RightVoice = static_cast<int32_t>(Synth.ChannelPatch(1));
        s.LeftVoice = static_cast<int32_t>(Synth.ChannelPatch(0));
        s.SmartSemitone = Ctl.IsSmartSemitone() ? -1 : 0;
        Recorder.SetSnapshot(s);
        Recorder.SetStartKeyTable(KeyDefs);
        Recorder.SetRecording(true);
    }
    // The 10 ms playback timer, running for `ms` from the current tick.
    void PlayFor(uint32_t ms) {
        for (uint32_t t = 0; t <= ms; t += 10) {
            Recorder.PlaybackTick();
            Clock.Now += 10;
        }
    }
};

TEST_F(PlaybackTest, ARecordedPerformancePlaysBackThroughTheSamePaths) {
    Clock.Now = 5000;
    StartRecording();
    const auto at = [&](uint32_t ms) { Clock.Now = 5000 + ms; };
    Press(DIK::Q);
    at(50), Release(DIK::Q);
    at(100), Ctl.SetTranspose(2), Recorder.RecordTranspose(2);
    at(150), Press(DIK::NUMPAD1);
    at(250), Ctl.SelectRightVoice(2);
    at(300), Release(DIK::NUMPAD1);
    at(320), Tap(DIK::LBRACKET);
    at(400), Press(DIK::SPACE);
    at(450), Release(DIK::SPACE);
    Recorder.SetRecording(false);
    EXPECT_EQ(MidiSent(),
              (TMidi{"90 3C 46", "80 3C 40", "91 3E 64", "B1 00 41", "B1 20 00", "C1 02 00",
                     "81 3E 40", "99 26 3C", "89 26 40", "B0 40 7F", "B0 40 00"}));

    // Whatever the performer changed since, the song starts from its snapshot.
    Ctl.SetTranspose(5);
    Ctl.SetLeftOctave(1);
    Ctl.SelectLeftVoice(1);
    Accomp.Volume = 30;
    Reset();
    Recorder.SetPlaying(true);
    PlayFor(500);
    // The drum key comes twice: its raw message, then the key with today's volume.
    EXPECT_EQ(MidiSent(), (TMidi{"B1 00 41", "B1 20 00", "C1 00 00", "B0 00 41", "B0 20 00",
                                 "C0 00 00", "90 3C 46", "80 3C 40", "91 3E 64", "B1 00 41",
                                 "B1 20 00", "C1 02 00", "81 3E 40", "99 26 3C", "99 26 1E",
                                 "89 26 40", "89 26 40", "B0 40 7F", "B0 40 00"}));
    EXPECT_EQ(Ctl.State().Transpose, 2);
    EXPECT_EQ(Ctl.State().LeftOctave, 0);
}

TEST_F(PlaybackTest, WhileASongPlaysOnlyEscAndPowerActAndTheyStopIt) {
    StartRecording();
    Tap(DIK::Q);
    Recorder.SetRecording(false);
    Recorder.SetPlaying(true);
    Reset();
    Press(DIK::W);
    Release(DIK::Q);
    Press(DIK::LCONTROL);
    EXPECT_TRUE(J.empty());
    EXPECT_FALSE(Ctl.HeldKeys().IsDown(DIK::LCONTROL));
    Press(DIK::ESCAPE);
    EXPECT_EQ(J, (TJournal{"song playing off"}));
    EXPECT_FALSE(Recorder.IsPlaying());

    Recorder.SetPlaying(true);
    Reset();
    Press(DIK::POWER);
    EXPECT_EQ(J, (TJournal{"song playing off"}));
}

TEST_F(PlaybackTest, TheSnapshotIsAppliedInItsOrderAndTheSongsKeyTableWins) {
    TPerformSnapshot s = EmptyPerformSnapshot();
    s.SmartSemitone = -1;
    s.RightOctave = 1;
    s.LeftOctave = -1;
    s.Transpose = 3;
    s.RightVolume = 50;
    s.LeftVolume = 40;
    s.RightVoice = static_cast<int32_t>(MakePatch(64, 0, 1)); // the older set's numbering
    s.LeftVoice = static_cast<int32_t>(MakePatch(65, 0, 126));
    TKeyDefSet table = DefaultKeyDefSet();
    table.Keys[29].Slots[0] = TKeyNote{2, 0, 4, 0, 0};
    Ctl.ApplySongSnapshot(s, table);
    EXPECT_EQ(J, (TJournal{"pc six on", "pc refresh", "pc right octave 1", "pc left octave -1",
                           "signature 10", "B1 00 41", "B1 20 00", "C1 02 00", "B0 00 41",
                           "B0 20 00", "C0 7E 00"}));
    EXPECT_TRUE(Ctl.IsSmartSemitone());
    EXPECT_EQ(KeyDefs.Keys[80].Slots[0].Degree, 4); // the song's Insert, not the mode's
    EXPECT_EQ(KeyDefs.Keys[29].Slots[0].Degree, 2);
    const TPerformerState& p = Ctl.State();
    EXPECT_EQ(p.RightVelocity, 50);
    EXPECT_EQ(p.LeftVelocity, 40);
    EXPECT_EQ(p.RightVoiceIndex, 2);
    EXPECT_EQ(p.LeftVoiceIndex, 3);
}

TEST_F(PlaybackTest, EventsOfEveryKindRunAsLive) {
    TKeyDefSet table = DefaultKeyDefSet();
    table.Keys[29].Slots[0].Keyboard = 1;
    Ctl.PlaySongEvent(evRightPedal, -1, nullptr);
    Ctl.PlaySongEvent(evLeftPedal, 0, nullptr);
    Ctl.PlaySongEvent(evMidiMessage, 0xC90500, nullptr);
    Ctl.PlaySongEvent(evRightOctave, 9, nullptr);
    Ctl.PlaySongEvent(evLeftVolume, 200, nullptr);
    Ctl.PlaySongEvent(evLeftVoice, static_cast<int32_t>(MakePatch(65, 1, 0)), nullptr);
    Ctl.PlaySongEvent(evSixKeyMode, 5, nullptr);
    Ctl.PlaySongEvent(evKeyTable, 0, nullptr); // no table: nothing to install
    Ctl.PlaySongEvent(7, 1, nullptr);
    Ctl.PlaySongEvent(evEndMark, 0, nullptr);
    EXPECT_EQ(MidiSent(),
              (TMidi{"B1 40 7F", "B0 40 00", "C9 05 00", "B0 00 41", "B0 20 01", "C0 00 00"}));
    Ctl.PlaySongEvent(evKeyTable, 0, &table);
    EXPECT_EQ(KeyDefs.Keys[29].Slots[0].Keyboard, 1);
    EXPECT_EQ(Ctl.State().RightOctave, 1);
    EXPECT_EQ(Ctl.State().LeftVelocity, 127);
    EXPECT_TRUE(Ctl.IsSmartSemitone());
}

TEST_F(ControllerTest, StopAllRunsItsStepsInOrder) {
    Ctl.SetAccompaniment(true);
    EXPECT_EQ(
        J, (TJournal{"tempo off", "subscribe NewSecondAndNewBeat 20", "accomp start", "tempo on"}));
    Ctl.SetAccompaniment(true);
    EXPECT_EQ(J.size(), 4u);
    Recorder.SetRecording(true);
    Press(DIK::Q);
    Reset();
    Ctl.StopAll(TStop::Everything);
    // The recording still ran when the accompaniment stopped: the beat stays subscribed.
    EXPECT_EQ(J, (TJournal{"accomp stop", "song recording off", "B0 7B 00", "B1 7B 00", "B0 78 00",
                           "B1 78 00", "left release all", "right release all", "pc release all",
                           "staff clear"}));
    EXPECT_FALSE(Ctl.IsAccompanimentRunning());
    EXPECT_FALSE(Ctl.HeldKeys().IsDown(DIK::Q));
    EXPECT_EQ(std::get<2>(EventsOf(Recorder).back()), evEndMark);

    Ctl.SetAccompaniment(true);
    Reset();
    Ctl.StopAll(TStop::Accompaniment | TStop::Recording | TStop::Playback);
    EXPECT_EQ(J, (TJournal{"accomp stop", "unsubscribe NewSecondAndNewBeat"}));
    Recorder.SetPlaying(true);
    Reset();
    Ctl.StopAll(TStop::Playback);
    EXPECT_EQ(J, (TJournal{"song playing off"}));
}

TEST_F(ControllerTest, MouseNotesOnTheStripsTakeNoShiftsAndAreNotRecorded) {
    Ctl.SetTranspose(3);
    Ctl.SetLeftOctave(1);
    Recorder.SetRecording(true);
    Reset();
    Ctl.PianoKeyDown(false, 36);
    Ctl.PianoKeyUp(false, 36);
    Ctl.PianoKeyDown(true, 0);
    Ctl.PianoKeyDown(true, 73); // past the top C
    EXPECT_EQ(J, (TJournal{"90 3C 46", "note 60 kb 0 v 70 t 3", "80 3C 40", "staff clear",
                           "91 18 64", "note 24 kb 1 v 100 t 3"}));
    EXPECT_TRUE(Recorder.IsEmpty());
}

TEST_F(ControllerTest, ThePCKeyboardViewPlaysLikeTheKeyboard) {
    Ctl.PCKeyboardMouseDown(29);
    Ctl.PCKeyboardMouseUp(29);
    Ctl.SetNotebookMode(true);
    Ctl.PCKeyboardMouseDown(50); // "K" stands for "Num-1"
    EXPECT_EQ(MidiSent(), (TMidi{"90 3C 46", "80 3C 40", "91 3C 64"}));
    Reset();
    Ctl.PCKeyboardDoubleClick(43);
    EXPECT_EQ(J, (TJournal{"pc 43 up", "editor 43"}));
    Reset();
    Ctl.PCKeyboardMouseMove(29);
    Ctl.PCKeyboardMouseMove(101);
    KeyDefs.Keys[30].Count = 0;
    Ctl.PCKeyboardMouseMove(30);
    EXPECT_EQ(J, (TJournal{"cursor left", "cursor right", "cursor default"}));
}

} // namespace
