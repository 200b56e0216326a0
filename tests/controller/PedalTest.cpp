#include "ControllerFakes.h"
#include "song/SongTestUtil.h"

namespace {

TEST_F(ControllerTest, SpacePedalAndTheDoublePressThatSwitchesTheTimedPedal) {
    Recorder.SetRecording(true);
    Clock.Now = 0; // even at tick 0 the first press is an ordinary one
    Tap(DIK::SPACE);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"B0 40 7F", "B0 40 00"}));
    EXPECT_FALSE(Ctl.IsTimedPedal());

    Clock.Now = 300;
    Press(DIK::SPACE);
    EXPECT_TRUE(Ctl.IsTimedPedal());
    Release(DIK::SPACE); // lifts the pedal until the next tick
    Reset();
    Ctl.TimedPedalTick();
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"B0 40 00", "B0 40 7F"}));

    // 500 ms after the last press is an ordinary press again; the timed pedal stays on.
    Clock.Now = 800;
    Press(DIK::SPACE);
    EXPECT_TRUE(Ctl.IsTimedPedal());
    std::vector<int32_t> pedal;
    Recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet*) {
        EXPECT_EQ(e.Kind, evLeftPedal);
        pedal.push_back(int32_t{e.Value}); // a copy: the packed field is unaligned
    });
    EXPECT_EQ(pedal, (std::vector<int32_t>{-1, 0, -1, 0, 0, -1, -1}));

    // A second press within 500 ms across the wrap of the tick counter.
    Clock.Now = 0xFFFFFF00;
    Press(DIK::SPACE);
    Clock.Now = 0x50;
    Press(DIK::SPACE);
    EXPECT_FALSE(Ctl.IsTimedPedal());
    Reset();
    Ctl.TimedPedalTick();
    EXPECT_TRUE(MidiSent().empty());
}

TEST_F(ControllerTest, SpaceUnderAModifierDoesNotPressThePedalButItsReleaseLiftsIt) {
    Press(DIK::LCONTROL);
    Reset();
    Press(DIK::SPACE);
    EXPECT_TRUE(J.empty());
    Release(DIK::SPACE);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"B0 40 00"}));
}

TEST_F(ControllerTest, MousePedalHoldsTheCursorAndPedalsBothKeyboards) {
    Ctl.WindowMouseDown(TMouseButton::Left);
    Ctl.WindowMouseUp(TMouseButton::Left);
    EXPECT_TRUE(J.empty());

    Recorder.SetRecording(true);
    Ctl.SetMousePedal(true);
    Ctl.WindowMouseDown(TMouseButton::Left);
    EXPECT_EQ(J, (TJournal{"confine 400,120", "B0 40 7F", "B1 40 7F"}));
    EXPECT_EQ(Ctl.ConfinedCursor(), (TClientPoint{400, 120})) << "where a move is put back";
    // Switched off with the button still down: the release lifts the pedals all the same.
    Ctl.SetMousePedal(false);
    EXPECT_EQ(Ctl.ConfinedCursor(), std::nullopt);
    Reset();
    Ctl.WindowMouseUp(TMouseButton::Left);
    EXPECT_EQ(MidiSent(), (std::vector<std::string>{"B0 40 00", "B1 40 00"}));
    EXPECT_EQ(EventsOf(Recorder), (std::vector<TEventFields>{{0, 0, evLeftPedal, -1},
                                                             {0, 0, evRightPedal, -1},
                                                             {0, 0, evLeftPedal, 0},
                                                             {0, 0, evRightPedal, 0}}));
    Reset();
    Ctl.WindowMouseDown(TMouseButton::Left);
    EXPECT_TRUE(J.empty());
}

} // namespace
