// The command table's rows reached through the controller's key path: the
// accompaniment switch, style selection, the style-group steps and the Esc reset.
#include "ControllerFakes.h"
#include "song/SongTestUtil.h"

#include "controller/CommandTable.h"
#include "keys/KeyTable.h"

#include <algorithm>

namespace {

class CommandTableTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        Table.Attach(Player);
        Player.SetPerformerDefaults();
        Player.ConnectRecorder();
        Reset();
    }
    void Down(int code) { Player.WMDIKeyDown(code, KeyIndexOfCode(code)); }
    void Up(int code) { Player.WMDIKeyUp(code, KeyIndexOfCode(code)); }
    // A key pressed and released with Alt held.
    void AltTap(int code) {
        Down(DIK::LMENU);
        Down(code);
        Up(code);
        Up(DIK::LMENU);
    }

    TCommandTable Table{&Accomp};
    TPerformanceController Player{Synth, Recorder, Clock, Voices,
                                  TControllerPorts{&PC, &LeftStrip, &RightStrip, &Staff, &Boxes,
                                                   &Window, &Accomp, &Tempo, &Table, &Songs}};
};

TEST_F(CommandTableTest, EnterSwitchesTheAccompanimentOnAndOff) {
    Down(DIK::RETURN);
    Up(DIK::RETURN);
    EXPECT_TRUE(Player.IsAccompanimentRunning());
    EXPECT_EQ(
        J, (TJournal{"tempo off", "subscribe NewSecondAndNewBeat 20", "accomp start", "tempo on"}));
    Reset();
    Down(DIK::RETURN);
    EXPECT_FALSE(Player.IsAccompanimentRunning());
    EXPECT_EQ(J, (TJournal{"accomp stop", "unsubscribe NewSecondAndNewBeat"}));
    // Enter with a modifier is another row's (or none).
    Reset();
    Down(DIK::LSHIFT);
    Down(DIK::RETURN);
    EXPECT_FALSE(Player.IsAccompanimentRunning());
    EXPECT_TRUE(J.empty());
}

TEST_F(CommandTableTest, AltWithADigitSelectsStylesZeroToNine) {
    AltTap(DIK::K1 + 2); // "3"
    AltTap(DIK::K0);
    AltTap(DIK::K1);
    EXPECT_EQ(J, (TJournal{"accomp style 2", "accomp style 9", "accomp style 0"}));
    // Without Alt the digits are note keys, with Ctrl another row's.
    Reset();
    Down(DIK::LCONTROL);
    Down(DIK::K1 + 2);
    EXPECT_TRUE(J.empty());
}

TEST_F(CommandTableTest, AltMinusAndEqualsStepThroughTheSixStyleGroupsRoundAbout) {
    AltTap(DIK::EQUALS);
    EXPECT_EQ(Accomp.Group, 1); // the metronomes: Alt+"3" is then "4/4 节拍器"
    AltTap(DIK::MINUS);
    AltTap(DIK::MINUS);
    EXPECT_EQ(Accomp.Group, 5);
    AltTap(DIK::EQUALS);
    EXPECT_EQ(Accomp.Group, 0);
    EXPECT_EQ(J,
              (TJournal{"accomp group 1", "accomp group 0", "accomp group 5", "accomp group 0"}));
}

TEST_F(CommandTableTest, EscLiftsThePedalsSwitchesSmartSemitoneOffAndStopsEverything) {
    Down(DIK::RETURN);
    Up(DIK::RETURN);
    Player.SetSmartSemitone(true);
    Player.SetTimedPedal(true);
    Player.SetRightPedal(true);
    Recorder.SetRecording(true);
    Reset();
    Down(DIK::ESCAPE);
    EXPECT_FALSE(Player.IsAccompanimentRunning());
    EXPECT_FALSE(Player.IsTimedPedal());
    EXPECT_FALSE(Player.IsSmartSemitone());
    EXPECT_FALSE(Recorder.IsRecording());
    const auto has = [&](const std::string& s) {
        return std::find(J.begin(), J.end(), s) != J.end();
    };
    EXPECT_TRUE(has("B0 40 00")); // left pedal up
    EXPECT_TRUE(has("B1 40 00")); // right pedal up
    EXPECT_TRUE(has("accomp stop"));
    EXPECT_TRUE(has("song recording off"));
    // The pedals went up while the recording still ran: the song keeps them.
    int pedals = 0;
    for (const auto& e : EventsOf(Recorder))
        if (std::get<2>(e) == evLeftPedal || std::get<2>(e) == evRightPedal) ++pedals;
    EXPECT_GE(pedals, 2);
}

} // namespace
