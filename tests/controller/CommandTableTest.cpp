// The command table's rows reached through the controller's key path: every row's
// exact modifiers, the accompaniment and tempo keys, voices, octaves, transposition
// and velocities (and what a recording keeps of them), the Esc reset and the ten
// one-touch slots.
#include "ControllerFakes.h"
#include "song/SongTestUtil.h"

#include "controller/CommandTable.h"
#include "keys/KeyTable.h"
#include "sound/FavoriteVoices.h"

#include <algorithm>
#include <set>

namespace {

// The window and the program around the table, and the tempo clock's speed.
struct TFakeHost final : ICommandHost, ITempoControl {
    explicit TFakeHost(TJournal& j) : J(j) {}
    void ShowAbout() override { J.push_back("about"); }
    void CloseMainWindow() override { J.push_back("close"); }
    void RebuildExternalVoiceLists() override { J.push_back("rebuild lists"); }
    bool StepExternalVoiceList(bool down) override {
        if (Lists) J.push_back(down ? "list down" : "list up");
        return Lists;
    }
    void StepMasterVolume(int delta) override { J.push_back("master " + std::to_string(delta)); }
    double Tempo() const override { return Bpm; }
    void SetTempo(double bpm) override { Bpm = bpm; }
    TJournal& J;
    bool Lists = false;
    double Bpm = 100;
};

class CommandTableTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        Table.Attach(Player, Recorder);
        Table.SetHost(&Host);
        Table.SetTempo(&Host);
        Table.SetSongs(&Songs);
        Table.SetFavorites(&Favorites);
        Player.SetPerformerDefaults();
        Player.ConnectRecorder();
        Reset();
    }
    // A key pressed and released with the modifier keys of `m` held (Ctrl 4, Alt 2,
    // Shift 1).
    void With(uint8_t m, int code) {
        if (m & 4) Down(DIK::LCONTROL);
        if (m & 2) Down(DIK::LMENU);
        if (m & 1) Down(DIK::LSHIFT);
        Down(code);
        Up(code);
        if (m & 1) Up(DIK::LSHIFT);
        if (m & 2) Up(DIK::LMENU);
        if (m & 4) Up(DIK::LCONTROL);
    }
    // The recorded events of one kind, by value.
    std::vector<int32_t> Recorded(uint8_t kind) const {
        std::vector<int32_t> out;
        for (const auto& e : EventsOf(Recorder))
            if (std::get<2>(e) == kind) out.push_back(std::get<3>(e));
        return out;
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

    TFakeHost Host{J};
    TFavoriteVoiceSet Favorites = DefaultFavoriteVoiceSet();
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

// Every key and modifier pair of the command keys, and the command each runs.
TEST_F(CommandTableTest, EveryListedPairRunsItsCommandAndNoOtherPairDoesAnything) {
    using C = TCommand;
    struct TRowWanted {
        int Code;
        uint8_t M;
        C Command;
    };
    std::vector<TRowWanted> wanted = {{DIK::ESCAPE, 0, C::ResetPerformance},
                                      {DIK::ESCAPE, 4, C::ShowAbout},
                                      {DIK::F4, 2, C::CloseWindow},
                                      {DIK::GRAVE, 0, C::StepOctave},
                                      {DIK::GRAVE, 1, C::StepOctave},
                                      {DIK::MINUS, 2, C::StepAccompGroup},
                                      {DIK::EQUALS, 2, C::StepAccompGroup},
                                      {DIK::BACK, 0, C::RecallSnapshot},
                                      {DIK::BACK, 2, C::RebuildVoiceLists},
                                      {DIK::BACK, 4, C::StoreSnapshot},
                                      {DIK::SYSRQ, 0, C::RecallSnapshot},
                                      {DIK::SYSRQ, 4, C::StoreSnapshot},
                                      {DIK::SCROLL, 0, C::RecallSnapshot},
                                      {DIK::SCROLL, 4, C::StoreSnapshot},
                                      {DIK::CAPITAL, 0, C::RecallNextSnapshot},
                                      {DIK::CAPITAL, 4, C::StoreSnapshotInFree},
                                      {DIK::CAPITAL, 5, C::ClearSnapshots},
                                      {DIK::CAPITAL, 2, C::ForgetRecall},
                                      {DIK::TAB, 0, C::NextVoice},
                                      {DIK::TAB, 1, C::NextVoice},
                                      {DIK::RETURN, 0, C::SwitchAccompaniment},
                                      {DIK::RETURN, 4, C::SwitchMousePedal},
                                      {DIK::HOME, 4, C::StepTranspose},
                                      {DIK::END, 4, C::StepTranspose},
                                      {DIK::HOME, 5, C::StepPercussVolume},
                                      {DIK::END, 5, C::StepPercussVolume},
                                      {DIK::INSERT, 4, C::StepRightVelocity},
                                      {DIK::DELETE, 4, C::StepRightVelocity},
                                      {DIK::INSERT, 5, C::StepLeftVelocity},
                                      {DIK::DELETE, 5, C::StepLeftVelocity},
                                      {DIK::PRIOR, 4, C::StepMasterVolume},
                                      {DIK::NEXT, 4, C::StepMasterVolume},
                                      {DIK::PRIOR, 5, C::ScaleTempo},
                                      {DIK::NEXT, 5, C::ScaleTempo},
                                      {DIK::PAUSE, 0, C::SwitchSmartSemitone},
                                      {DIK::PAUSE, 1, C::SwitchSmartSemitone},
                                      {DIK::POWER, 0, C::SwitchSmartSemitone},
                                      {DIK::WAKE, 0, C::Song},
                                      {DIK::SLEEP, 0, C::PlaySongOnce},
                                      {DIK::SLEEP, 1, C::Song},
                                      {DIK::R, 4, C::Song},
                                      {DIK::P, 4, C::Song},
                                      {DIK::P, 5, C::Song},
                                      {DIK::O, 4, C::Song},
                                      {DIK::O, 5, C::Song},
                                      {DIK::S, 4, C::Song},
                                      {DIK::S, 5, C::Song}};
    const int fkeys[12] = {DIK::F1, DIK::F2, DIK::F3, DIK::F4,  DIK::F5,  DIK::F6,
                           DIK::F7, DIK::F8, DIK::F9, DIK::F10, DIK::F11, DIK::F12};
    for (int f : fkeys) {
        wanted.push_back({f, 0, C::FavoriteVoice});
        wanted.push_back({f, 1, C::FavoriteVoice});
    }
    const int digits[10] = {DIK::K1,     DIK::K1 + 1, DIK::K1 + 2, DIK::K1 + 3, DIK::K1 + 4,
                            DIK::K1 + 5, DIK::K1 + 6, DIK::K1 + 7, DIK::K1 + 8, DIK::K0};
    for (int d : digits) {
        wanted.push_back({d, 2, C::SelectAccompStyle});
        wanted.push_back({d, 4, C::RecallSnapshot});
        wanted.push_back({d, 5, C::StoreSnapshot});
    }
    std::set<std::pair<int, int>> listed;
    for (const TRowWanted& w : wanted) {
        const TCommandRow* row = FindCommand(static_cast<uint8_t>(w.Code), w.M);
        ASSERT_NE(row, nullptr) << w.Code << " with " << int(w.M);
        EXPECT_EQ(row->Command, w.Command) << w.Code << " with " << int(w.M);
        listed.insert({w.Code, w.M});
    }
    EXPECT_EQ(CommandRows().size(), wanted.size());

    // Any other pair changes nothing the table could reach. The performer state
    // is made unlike every default first, with a slot stored.
    Player.SetTranspose(3);
    Player.SetRightOctave(1);
    Table.StoreSnapshot(4);
    Recorder.SetRecording(true);
    Reset();
    const TPerformerState before = Player.State();
    for (int code = 0; code < 256; ++code)
        for (uint8_t m : {0, 1, 2, 3, 4, 5, 6, 7}) {
            if (listed.count({code, m})) continue;
            Table.DoCommand(static_cast<uint8_t>(code), m);
        }
    EXPECT_TRUE(J.empty()) << J.front();
    EXPECT_TRUE(Synth.Messages.empty());
    EXPECT_EQ(Player.State().Transpose, before.Transpose);
    EXPECT_EQ(Player.State().RightOctave, before.RightOctave);
    EXPECT_EQ(Player.State().RightVelocity, before.RightVelocity);
    EXPECT_EQ(Host.Bpm, 100);
    EXPECT_EQ(Accomp.Volume, 60);
    EXPECT_TRUE(Table.Snapshot(4).Used);
    EXPECT_EQ(Table.RecallCursor(), -1);
    EXPECT_TRUE(Recorded(evTranspose).empty());
}

TEST_F(CommandTableTest, TheRightHandModifierKeysCountAsTheLeftOnes) {
    const struct {
        std::vector<int> Held; // modifier keys held, in this order, around one tap
        int Key;
        TJournal Wanted;
        double Bpm;     // the tempo afterwards (100 before)
        int LeftOctave; // the left keyboard's octave shift afterwards (0 before)
    } cases[] = {
        {{DIK::RMENU}, DIK::K1 + 2, {"accomp style 2"}, 100, 0},
        {{DIK::RMENU}, DIK::F4, {"close"}, 100, 0},
        {{DIK::RCONTROL}, DIK::ESCAPE, {"about"}, 100, 0},
        {{DIK::RCONTROL}, DIK::NEXT, {"master -5"}, 100, 0},
        {{DIK::RSHIFT}, DIK::GRAVE, {"pc left octave -1"}, 100, -1},
        {{DIK::RCONTROL, DIK::RSHIFT}, DIK::PRIOR, {}, 105, 0},
        {{DIK::LCONTROL, DIK::RSHIFT}, DIK::PRIOR, {}, 105, 0},
        {{DIK::RCONTROL, DIK::LSHIFT}, DIK::PRIOR, {}, 105, 0},
        // A note key with right Shift held is a command key (of no row): it plays
        // nothing.
        {{DIK::RSHIFT}, DIK::Q, {}, 100, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.Key << " with " << c.Held.size());
        Host.Bpm = 100;
        Player.SetLeftOctave(0);
        Reset();
        for (int m : c.Held)
            Down(m);
        Down(c.Key);
        Up(c.Key);
        for (int m : c.Held)
            Up(m);
        EXPECT_EQ(J, c.Wanted);
        EXPECT_DOUBLE_EQ(Host.Bpm, c.Bpm);
        EXPECT_EQ(Player.State().LeftOctave, c.LeftOctave);
        EXPECT_TRUE(Synth.Messages.empty());
    }
}

TEST_F(CommandTableTest, VelocitiesAndTranspositionClampOrWrapAndAreRecorded) {
    Player.SetRightVelocity(3);
    With(4, DIK::DELETE);
    EXPECT_EQ(Player.State().RightVelocity, 0);
    EXPECT_EQ(Boxes.Of(TValueBox::RightVelocity), "0");
    Player.SetLeftVelocity(125);
    Recorder.SetRecording(true);
    With(5, DIK::INSERT);
    EXPECT_EQ(Player.State().LeftVelocity, 127);
    With(4, DIK::INSERT);
    EXPECT_EQ(Player.State().RightVelocity, 5);
    EXPECT_EQ(Recorded(evLeftVolume), (std::vector<int32_t>{127}));
    EXPECT_EQ(Recorded(evRightVolume), (std::vector<int32_t>{5}));
    // The transposition wraps from -4 to +7 and back.
    Player.SetTranspose(-4);
    With(4, DIK::END);
    EXPECT_EQ(Player.State().Transpose, 7);
    With(4, DIK::HOME);
    EXPECT_EQ(Player.State().Transpose, -4);
    EXPECT_EQ(Recorded(evTranspose), (std::vector<int32_t>{7, -4}));
}

TEST_F(CommandTableTest, TheGraveKeyCyclesTheOctaveShiftsTheirOwnWays) {
    Recorder.SetRecording(true);
    std::vector<int> right, left;
    for (int i = 0; i < 3; ++i) {
        With(0, DIK::GRAVE);
        right.push_back(Player.State().RightOctave);
        With(1, DIK::GRAVE);
        left.push_back(Player.State().LeftOctave);
    }
    EXPECT_EQ(right, (std::vector<int>{1, -1, 0}));
    EXPECT_EQ(left, (std::vector<int>{-1, 1, 0}));
    EXPECT_EQ(Recorded(evRightOctave), (std::vector<int32_t>{1, -1, 0}));
    EXPECT_EQ(Recorded(evLeftOctave), (std::vector<int32_t>{-1, 1, 0}));
}

TEST_F(CommandTableTest, TabStepsTheVoicesRoundOrTheExternalListWhenItIsThere) {
    Voices.Clear();
    for (int i = 0; i < 128; ++i)
        Voices.Add(TVoiceEntry{i, MakePatch(65, 0, static_cast<uint8_t>(i)), "v", 0, 0});
    Player.SelectRightVoice(127);
    With(0, DIK::TAB);
    EXPECT_EQ(Player.State().RightVoiceIndex, 0);
    EXPECT_EQ(MidiSent().back(), "C1 00 00");
    // Shift+Tab: the left voice on.
    With(1, DIK::TAB);
    EXPECT_EQ(Player.State().LeftVoiceIndex, 1);
    // With the external lists both move the right list, and the positions stay.
    Host.Lists = true;
    Reset();
    With(0, DIK::TAB);
    With(1, DIK::TAB);
    EXPECT_EQ(J, (TJournal{"list down", "list up"}));
    EXPECT_EQ(Player.State().RightVoiceIndex, 0);
    EXPECT_EQ(Player.State().LeftVoiceIndex, 1);
    // An empty list: nothing.
    Host.Lists = false;
    Voices.Clear();
    Reset();
    With(0, DIK::TAB);
    EXPECT_TRUE(Synth.Messages.empty());
}

TEST_F(CommandTableTest, FunctionKeysChooseTheFavouritesByPatch) {
    // F2 holds program 1; Shift+F12 (record 23) program 2; F3 a bank-64 patch that
    // translates to program 18, which the list gets; F4 a patch the list lacks.
    Favorites.Voices[1].SetPatch(MakePatch(65, 0, 1));
    Favorites.Voices[23].SetPatch(MakePatch(65, 0, 2));
    Favorites.Voices[2].SetPatch(MakePatch(64, 0, 2));
    Favorites.Voices[3].SetPatch(MakePatch(65, 0, 99));
    Voices.Add(TVoiceEntry{6, MakePatch(65, 0, 18), "voice", 0, 0});
    With(0, DIK::F2);
    EXPECT_EQ(Player.State().RightVoiceIndex, 1);
    With(1, DIK::F12);
    EXPECT_EQ(Player.State().LeftVoiceIndex, 2);
    With(0, DIK::F3);
    EXPECT_EQ(Player.State().RightVoiceIndex, 6);
    Reset();
    With(0, DIK::F4);
    With(4, DIK::F2); // Ctrl: no favourite
    EXPECT_EQ(Player.State().RightVoiceIndex, 6);
    EXPECT_TRUE(Synth.Messages.empty());
}

TEST_F(CommandTableTest, TheOneTouchSlotsStoreAndRecallTheWholePerformerState) {
    // Ctrl+Shift+"2" stores into slot 1, Ctrl+"2" recalls it.
    Player.SelectLeftVoice(2);
    Player.SelectRightVoice(3);
    Player.SetLeftVelocity(40);
    Player.SetRightVelocity(90);
    Player.SetLeftOctave(-1);
    Player.SetRightOctave(1);
    Player.SetTranspose(5);
    With(5, DIK::K1 + 1);
    const TSnapshotSlot stored = Table.Snapshot(1);
    EXPECT_EQ(stored, (TSnapshotSlot{true, 2, 3, 40, 90, -1, 1, 5}));
    Player.SetPerformerDefaults();
    Player.SelectLeftVoice(0);
    Player.SelectRightVoice(0);
    Recorder.SetRecording(true);
    Reset();
    With(4, DIK::K1 + 1);
    const TPerformerState& p = Player.State();
    EXPECT_EQ((TSnapshotSlot{true, p.LeftVoiceIndex, p.RightVoiceIndex, p.LeftVelocity,
                             p.RightVelocity, p.LeftOctave, p.RightOctave, p.Transpose}),
              stored);
    EXPECT_EQ(Boxes.Of(TValueBox::LeftVelocity), "40");
    // The recording keeps the recalled sound.
    EXPECT_EQ(Recorded(evLeftVoice).size(), 1u);
    EXPECT_EQ(Recorded(evRightVoice).size(), 1u);
    EXPECT_EQ(Recorded(evLeftVolume), (std::vector<int32_t>{40}));
    EXPECT_EQ(Recorded(evRightOctave), (std::vector<int32_t>{1}));
    EXPECT_EQ(Recorded(evTranspose), (std::vector<int32_t>{5}));
    // An unused slot and a slot out of range change nothing.
    Reset();
    With(4, DIK::K0);
    Table.RecallSnapshot(10);
    Table.StoreSnapshot(-1);
    EXPECT_TRUE(Synth.Messages.empty());
    // Backspace, PrintScreen and ScrollLock reach slots 0, 1 and 2.
    Player.SetTranspose(0);
    With(0, DIK::SYSRQ);
    EXPECT_EQ(Player.State().Transpose, 5);
    Player.SetTranspose(-2);
    With(4, DIK::BACK);
    With(4, DIK::SCROLL);
    EXPECT_EQ(Table.Snapshot(0).Transpose, -2);
    EXPECT_EQ(Table.Snapshot(2).Transpose, -2);
}

TEST_F(CommandTableTest, CapslockWalksTheUsedSlotsAndFillsTheFreeOnes) {
    // Only slot 3 used, the cursor at -1: slot 3, then nothing (the cursor to 2),
    // then slot 3 again.
    Player.SetTranspose(6);
    Table.StoreSnapshot(3);
    std::vector<int> transposes, cursors;
    for (int i = 0; i < 3; ++i) {
        Player.SetTranspose(0);
        With(0, DIK::CAPITAL);
        transposes.push_back(Player.State().Transpose);
        cursors.push_back(Table.RecallCursor());
    }
    EXPECT_EQ(transposes, (std::vector<int>{6, 0, 6}));
    EXPECT_EQ(cursors, (std::vector<int>{3, 2, 3}));
    // Alt+Capslock forgets the cursor; so does Esc.
    With(2, DIK::CAPITAL);
    EXPECT_EQ(Table.RecallCursor(), -1);
    With(0, DIK::CAPITAL);
    With(0, DIK::ESCAPE);
    EXPECT_EQ(Table.RecallCursor(), -1);
    // Ctrl+Capslock fills 0, 1, 2, 4, ... and nothing once all ten are used.
    for (int i = 0; i < 10; ++i) {
        Player.SetTranspose(i - 4);
        With(4, DIK::CAPITAL);
    }
    EXPECT_EQ(Table.Snapshot(0).Transpose, -4);
    EXPECT_EQ(Table.Snapshot(3).Transpose, 6) << "a used slot is kept";
    EXPECT_EQ(Table.Snapshot(4).Transpose, -1);
    EXPECT_EQ(Table.Snapshot(9).Transpose, 4);
    // Ctrl+Shift+Capslock clears them all, with the current velocities.
    Player.SetLeftVelocity(33);
    With(5, DIK::CAPITAL);
    for (int s = 0; s < SnapshotSlotCount; ++s)
        EXPECT_EQ(Table.Snapshot(s), (TSnapshotSlot{false, 0, 0, 33, 100, 0, 0, 5}));
    Reset();
    With(0, DIK::CAPITAL);
    EXPECT_TRUE(Synth.Messages.empty());
}

TEST_F(CommandTableTest, HostTempoPercussionAndSwitchKeysActOnTheirParts) {
    With(4, DIK::ESCAPE);
    With(2, DIK::F4);
    With(2, DIK::BACK);
    With(4, DIK::PRIOR);
    With(4, DIK::NEXT);
    EXPECT_EQ(J, (TJournal{"about", "close", "rebuild lists", "master 5", "master -5"}));
    With(5, DIK::PRIOR);
    EXPECT_DOUBLE_EQ(Host.Bpm, 105);
    With(5, DIK::NEXT);
    EXPECT_DOUBLE_EQ(Host.Bpm, 99.75);
    Accomp.Volume = 125;
    With(5, DIK::HOME);
    EXPECT_EQ(Accomp.Volume, 127);
    Accomp.Volume = 3;
    With(5, DIK::END);
    EXPECT_EQ(Accomp.Volume, 0);
    With(4, DIK::RETURN);
    EXPECT_TRUE(Player.IsMousePedal());
    With(0, DIK::PAUSE);
    EXPECT_TRUE(Player.IsSmartSemitone());
    With(1, DIK::PAUSE);
    EXPECT_FALSE(Player.IsSmartSemitone());
    With(0, DIK::POWER);
    EXPECT_TRUE(Player.IsSmartSemitone());
}

} // namespace
