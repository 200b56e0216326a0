#include "ControllerFakes.h"
#include "song/SongTestUtil.h"

#include <cstdlib>

namespace {

constexpr int Insert = 80, Home = 81, PageUp = 82, Delete = 83, End = 84, PageDown = 85;

TEST(SemitoneNote, TheBlackKeyNearestToTheLastRightNote) {
    EXPECT_EQ(SemitoneNote(End, 0, 72), 73);    // C sharp above
    EXPECT_EQ(SemitoneNote(PageUp, 0, 72), 66); // F sharp: 6 below against 6 above goes down
    EXPECT_EQ(SemitoneNote(End, 0, 0), 61);     // no right note yet: around middle C
    EXPECT_EQ(SemitoneNote(Insert, 0, 60), SemitoneNote(Home, 0, 60));
    EXPECT_EQ(SemitoneNote(Delete, 0, 63), 63);
    EXPECT_EQ(SemitoneNote(PageDown, 2, 60), 58); // G sharp moved up two: A sharp below
    EXPECT_EQ(SemitoneNote(Delete, 0, 127), 123); // the D sharp above would be past 127
    EXPECT_EQ(SemitoneNote(29, 0, 60), -1);       // not one of the six keys
}

TEST(SemitoneNote, AlwaysAPlayableNoteOfTheKeysPitchClassWithinATritone) {
    for (int k = Insert; k <= PageDown; ++k)
        for (int t = -4; t <= 7; ++t) {
            const int pitchClass = (SemitoneNote(k, t, 60) % 12);
            for (int r = 1; r <= 127; ++r) {
                const int n = SemitoneNote(k, t, r);
                ASSERT_GE(n, 0);
                ASSERT_LE(n, 127);
                ASSERT_EQ(n % 12, pitchClass) << k << " " << t << " " << r;
                if (r >= 6 && r <= 121) {
                    ASSERT_LE(std::abs(n - r), 6) << k << " " << t << " " << r;
                }
            }
        }
}

class SmartSemitoneTest : public ControllerTest {};

TEST_F(SmartSemitoneTest, TheBlockEndsExactlyTheNotesItStarted) {
    Ctl.SetSmartSemitone(true);
    Synth.LastNotes[1] = 72;
    Reset();
    Press(DIK::END);
    EXPECT_EQ(J, (TJournal{"91 49 64", "right 49 down", "pc 84 down", "chord 0: 1#/4R"}));
    // Another right note moves the reference; the release still ends 73.
    Tap(DIK::NUMPAD1);
    Reset();
    Release(DIK::END);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"81 49 40"}));
    EXPECT_EQ(Ctl.SemitoneSlots().UsedCount(), 0);
    // A release with nothing remembered sends nothing.
    Reset();
    Release(DIK::END);
    EXPECT_TRUE(MidiSent().empty());
}

TEST_F(SmartSemitoneTest, EveryRememberedNoteAndEveryLeftSlotOfTheKeyEndsAtItsRelease) {
    Ctl.SetSmartSemitone(true);
    TKeyDef& home = KeyDefs.Keys[Home];
    home.Count = 3;
    home.Slots[1] = home.Slots[0];           // a second right slot
    home.Slots[2] = TKeyNote{1, 0, 4, 0, 0}; // and middle C on the left
    Synth.LastNotes[1] = 72;
    Reset();
    Press(DIK::HOME);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"91 46 64", "91 46 64", "90 3C 46"}));
    Reset();
    Release(DIK::HOME);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"81 46 40", "81 46 40", "80 3C 40"}));
    EXPECT_EQ(Ctl.SemitoneSlots().UsedCount(), 0);
}

TEST_F(SmartSemitoneTest, ASeventhNoteIsNotInTheBlockButItsKeyStillEndsIt) {
    Ctl.SetSmartSemitone(true);
    TKeyDef& ins = KeyDefs.Keys[Insert];
    ins.Count = 7;
    for (int j = 1; j < 7; ++j)
        ins.Slots[j] = ins.Slots[0];
    Reset();
    Press(DIK::INSERT);
    EXPECT_EQ(Synth.Messages.size(), 7u);
    EXPECT_EQ(Ctl.SemitoneSlots().UsedCount(), 6);
    Reset();
    Release(DIK::INSERT);
    EXPECT_EQ(Synth.Messages.size(), 7u);
    EXPECT_EQ(Ctl.SemitoneSlots().UsedCount(), 0);
}

TEST_F(SmartSemitoneTest, SwitchingTheModeEndsHeldNotesAndRewritesTheSixKeysOnlyOnAChange) {
    // A layout of its own on Insert survives switching the mode off while it is off.
    KeyDefs.Keys[Insert].Slots[0] = TKeyNote{1, 0, 2, 0, 0};
    Recorder.SetRecording(true);
    Ctl.SetSmartSemitone(false);
    EXPECT_EQ(NoteText(KeyDefs.Keys[Insert].Slots[0]), "1/2L");

    Ctl.SetSmartSemitone(true);
    EXPECT_EQ(NoteText(KeyDefs.Keys[Insert].Slots[0]), "6#/4R");
    EXPECT_EQ(NoteText(KeyDefs.Keys[PageDown].Slots[0]), "5#/4R");
    Synth.LastNotes[1] = 72;
    Press(DIK::END);
    Reset();
    Ctl.SetSmartSemitone(false);
    EXPECT_EQ(J, (TJournal{"81 49 40", "right 49 up", "pc six off"}));
    EXPECT_EQ(NoteText(KeyDefs.Keys[End].Slots[0]), "2/6R");
    EXPECT_EQ(KeyDefs.Keys[Insert].Count, 1);
    EXPECT_EQ(NoteText(KeyDefs.Keys[Insert].Slots[0]), "4/6R");

    std::vector<int32_t> modes;
    Recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet*) {
        if (e.Kind == evSixKeyMode) modes.push_back(int32_t{e.Value}); // packed field: copy it
    });
    EXPECT_EQ(modes, (std::vector<int32_t>{0, 1, 0}));
}

} // namespace
