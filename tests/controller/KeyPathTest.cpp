#include "ControllerFakes.h"
#include "song/SongTestUtil.h"

namespace {

TEST_F(ControllerTest, DefaultQSoundsMiddleCBeforeTheViewsAndTheRecorderHearOfIt) {
    Recorder.SetRecording(true);
    Clock.Now = 40;
    Press(DIK::Q);
    EXPECT_EQ(J, (TJournal{"90 3C 46", "left 36 down", "pc 29 down", "chord 0: 1/4L"}));
    EXPECT_TRUE(Ctl.HeldKeys().IsDown(DIK::Q));
    Reset();
    Clock.Now = 90;
    Release(DIK::Q);
    EXPECT_EQ(J, (TJournal{"80 3C 40", "left 36 up", "pc 29 up", "chord 0:"}));
    EXPECT_FALSE(Ctl.HeldKeys().IsDown(DIK::Q));
    EXPECT_EQ(EventsOf(Recorder),
              (std::vector<TEventFields>{{40, 0, evKeyDown, DIK::Q}, {90, 0, evKeyUp, DIK::Q}}));
}

TEST_F(ControllerTest, ShiftsApplyAtPressAndTheReleaseEndsWhatThePressStarted) {
    Ctl.SetRightOctave(1);
    Ctl.SetTranspose(2);
    Press(DIK::NUMPAD1);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"91 4A 64"}));
    EXPECT_TRUE(Ctl.IsKeySounding(KeyIndexOfCode(DIK::NUMPAD1)));
    Ctl.SetTranspose(0);
    Reset();
    Release(DIK::NUMPAD1);
    EXPECT_EQ(J,
              (TJournal{"81 4A 40", "right 50 up",
                        "pc " + std::to_string(KeyIndexOfCode(DIK::NUMPAD1)) + " up", "chord 0:"}));
    EXPECT_FALSE(Ctl.IsKeySounding(KeyIndexOfCode(DIK::NUMPAD1)));
}

TEST_F(ControllerTest, AKeyUnderAModifierIsACommandAndIsNotSilencedLater) {
    Press(DIK::LSHIFT);
    Press(DIK::Q);
    EXPECT_TRUE(MidiSent().empty());
    EXPECT_EQ(J, (TJournal{"command 42 0", "command 16 1"}));
    // Held under Shift, Q still counts towards the chord; Shift itself adds nothing.
    const THeldChord chord = Ctl.CollectHeldNotes();
    ASSERT_EQ(chord.Count, 1);
    EXPECT_EQ(NoteText(chord.Notes[0]), "1/4L");
    Release(DIK::Q);
    Release(DIK::LSHIFT);
    EXPECT_TRUE(MidiSent().empty());

    // Releasing the Shift key itself is not a modified release.
    Press(DIK::Q);
    Press(DIK::RSHIFT);
    Reset();
    Release(DIK::RSHIFT);
    Release(DIK::Q);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"80 3C 40"}));
}

TEST_F(ControllerTest, NotebookModeReplacesTheCodeBeforeEverythingElse) {
    Ctl.SetNotebookMode(true);
    Recorder.SetRecording(true);
    Press(DIK::K);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"91 3C 64"}));
    EXPECT_TRUE(Ctl.HeldKeys().IsDown(DIK::NUMPAD1));
    Release(DIK::K);
    EXPECT_EQ(EventsOf(Recorder), (std::vector<TEventFields>{{0, 0, evKeyDown, DIK::NUMPAD1},
                                                             {0, 0, evKeyUp, DIK::NUMPAD1}}));
    // Ctrl+O stands for Ctrl+"Num-5" and loses its command.
    Press(DIK::LCONTROL);
    J.clear();
    Press(DIK::O);
    EXPECT_EQ(J, (TJournal{"command 76 4"}));
}

TEST_F(ControllerTest, DrumKeysPlayPercussionAndAreRecordedTwice) {
    Accomp.Volume = 90;
    Recorder.SetRecording(true);
    Tap(DIK::LBRACKET);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"99 26 5A", "89 26 40"}));
    EXPECT_EQ(EventsOf(Recorder), (std::vector<TEventFields>{{0, 0, evMidiMessage, 0x99265A},
                                                             {0, 0, evKeyDown, DIK::LBRACKET},
                                                             {0, 0, evMidiMessage, 0x892640},
                                                             {0, 0, evKeyUp, DIK::LBRACKET}}));
    // Whatever the definition says, as long as there is one.
    KeyDefs.Keys[53].Slots[0].Keyboard = 1;
    Reset();
    Tap(DIK::APOSTROPHE);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"99 24 5A", "89 24 40"}));
    KeyDefs.Keys[53].Count = 0;
    Reset();
    Tap(DIK::APOSTROPHE);
    EXPECT_TRUE(MidiSent().empty());
}

TEST_F(ControllerTest, VoicesOfProgram126AndAboveIgnoreTheTransposition) {
    Ctl.SelectRightVoice(3); // program 126
    Ctl.SetTranspose(3);
    Ctl.SetRightOctave(-1);
    Reset();
    Tap(DIK::NUMPAD1);
    Tap(DIK::Q); // the left voice is still transposed
    EXPECT_EQ(MidiSent(),
              (std::vector<std::string>{"91 30 64", "81 30 40", "90 3F 46", "80 3F 40"}));
    // G sharp 9 comes into range only through the transposition it then ignores.
    KeyDefs.Keys[101].Slots[0] = TKeyNote{5, 1, 9, 1, 0};
    Ctl.SetRightOctave(0);
    Ctl.SetTranspose(-4);
    Reset();
    Tap(DIK::NUMPAD1);
    EXPECT_TRUE(MidiSent().empty());
}

TEST_F(ControllerTest, EverySlotSoundsWithItsOwnVelocityOrTheKeyboards) {
    TKeyDef& q = KeyDefs.Keys[29];
    q.Count = 4;
    q.Slots[1] = TKeyNote{5, 1, 9, 1, 0};   // G sharp in octave 9: above 127, skipped
    q.Slots[2] = TKeyNote{3, 0, 4, 1, 20};  // E4 on the right keyboard, velocity 20
    q.Slots[3] = TKeyNote{1, 2, 5, 0, 300}; // B4 on the left, velocity beyond MIDI
    Press(DIK::Q);
    EXPECT_EQ(J, (TJournal{"90 3C 46", "91 40 14", "90 47 7F", "left 36 down", "right 40 down",
                           "left 47 down", "pc 29 down", "chord 0: 1/4L 5#/9R 3/4R 1b/5L"}));
    Reset();
    Release(DIK::Q);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"80 3C 40", "81 40 40", "80 47 40"}));
    // A count beyond the record's eight slots reads only those eight.
    q.Count = 100;
    Reset();
    Press(DIK::Q);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"90 3C 46", "91 40 14", "90 47 7F"}));
}

TEST_F(ControllerTest, TheStaffGetsTheFirstEightHeldSlotsInCodeOrder) {
    // Pressed from "O" down to "Q": collected from the lowest code up.
    for (int code : {DIK::O, DIK::I, DIK::U, DIK::Y, DIK::T, DIK::R, DIK::E, DIK::W, DIK::Q})
        Press(code);
    EXPECT_EQ(J.back(), "chord 0: 1/4L 2/4L 3/4L 4/4L 5/4L 6/4L 7/4L 1/5L");
    // A key of two slots fills the chord up to eight and no further.
    KeyDefs.Keys[29].Count = 2;
    KeyDefs.Keys[29].Slots[1] = TKeyNote{5, 0, 3, 0, 0};
    const THeldChord chord = Ctl.CollectHeldNotes();
    EXPECT_EQ(chord.Count, 8);
    EXPECT_EQ(NoteText(chord.Notes[1]), "5/3L");
    EXPECT_EQ(NoteText(chord.Notes[7]), "7/4L");
}

TEST_F(ControllerTest, KeysOutsideTheTableOrWithoutADefinitionDoNotSound) {
    Ctl.WMDIKeyDown(DIK::Q, -1);
    Ctl.DoKeyDown(DIK::NUMPADEQUALS);
    Ctl.DoKeyUp(1000); // a code from a damaged song file
    Ctl.PlaySongEvent(evKeyDown, -7, nullptr);
    EXPECT_TRUE(J.empty());
    EXPECT_FALSE(Ctl.HeldKeys().IsDown(DIK::NUMPADEQUALS));

    // WakeUp reaches its command but is never marked held; F1 is.
    Press(DIK::WAKE);
    Press(DIK::F1);
    EXPECT_EQ(J, (TJournal{"command 227 0", "command 59 0"}));
    EXPECT_FALSE(Ctl.HeldKeys().IsDown(DIK::WAKE));
    EXPECT_TRUE(Ctl.HeldKeys().IsDown(DIK::F1));

    // A key set that "defines" Esc does not turn the reset key into a note key.
    KeyDefs.Keys[0] = KeyDefs.Keys[29];
    J.clear();
    Press(DIK::ESCAPE);
    EXPECT_EQ(J, (TJournal{"command 1 0"}));
}

TEST_F(ControllerTest, HoldingAWindowsKeyRespellsKeysInsteadOfSoundingThem) {
    Recorder.SetRecording(true);
    Press(DIK::LWIN);
    EXPECT_EQ(Ctl.RetuneMode(), rmRaise);
    Tap(DIK::Q);
    EXPECT_EQ(NoteText(KeyDefs.Keys[29].Slots[0]), "1#/4L");
    EXPECT_FALSE(Ctl.HeldKeys().IsDown(DIK::Q));
    Release(DIK::LWIN);
    EXPECT_EQ(Ctl.RetuneMode(), rmOff);
    EXPECT_TRUE(MidiSent().empty());
    EXPECT_EQ(J, (TJournal{"pc refresh"}));
    // The changed set went into the song.
    int tables = 0;
    Recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet* t) {
        if (e.Kind == evKeyTable && t) {
            ++tables;
            EXPECT_EQ(NoteText(t->Keys[29].Slots[0]), "1#/4L");
        }
    });
    EXPECT_EQ(tables, 1);

    Tap(DIK::Q);
    Press(DIK::RWIN);
    Tap(DIK::W);
    Tap(DIK::W);
    Release(DIK::RWIN);
    Tap(DIK::W);
    EXPECT_EQ(MidiSent(),
              (std::vector<std::string>{"90 3D 46", "80 3D 40", "90 3C 46", "80 3C 40"}));
}

} // namespace
