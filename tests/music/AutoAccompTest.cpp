// The accompaniment engine over a tempo clock moved by hand, with a recording
// synthesiser and the real song recorder.
#include "fakes/FakeSynthesizer.h"
#include "fakes/FakeTickClock.h"

#include "music/AutoAccomp.h"
#include "song/SimpleRecorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int MetronomeGroup = 1, Metronome4Index = 2; // bank slot 14: "4/4 节拍器"

// A note-on sent, with the clock's time.
struct TNote {
    uint32_t Ms;
    int Channel, Key, Velocity;
    bool operator==(const TNote&) const = default;
};

class AutoAccomp : public ::testing::Test {
protected:
    AutoAccomp() {
        Accomp.SetSynthesizer(&Synth);
        Accomp.SetRecorder(&Recorder);
        Accomp.SetAccompStyleGroupNum(0); // as the main window does
        Accomp.SetOnAutoChordChange(
            [this](TAutoAccomp&, std::string_view name) { Chords.emplace_back(name); });
        Accomp.SetOnFillInEndEvent([this](TAutoAccomp&) { ++FillInEvents; });
        Synth.Messages.clear();
    }
    void Select(int group, int index) {
        Accomp.SetAccompStyleGroupNum(group);
        Accomp.SetAccompStyleIndex(index);
    }
    // Starts the accompaniment and the clock as the accompaniment switch does.
    void StartAll() {
        Tempo.SetActive(false);
        Accomp.SetStart(true);
        Tempo.SetActive(true);
    }
    // Ticks every millisecond up to `ms` after the first tick, collecting note-ons.
    void RunTo(uint32_t ms) {
        for (; Time <= ms; ++Time) {
            Clock.Now = 1000 + Time;
            const size_t before = Synth.Messages.size();
            Tempo.Tick();
            for (size_t i = before; i < Synth.Messages.size(); ++i) {
                const TMidiMessage& m = Synth.Messages[i];
                if ((m.Status & 0xF0) == 0x90)
                    Notes.push_back({Time, m.Status & 0x0F, m.Data1, m.Data2});
            }
        }
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const TMidiMessage& m : Synth.Messages)
            t.push_back(MidiText(m));
        return t;
    }

    TFakeClock Clock;
    TMetronome Tempo{Clock, TTempoDriver::Manual};
    TFakeSynthesizer Synth;
    TSimpleRecorder Recorder{Clock};
    TAutoAccomp Accomp{Tempo};
    std::vector<std::string> Chords;
    std::vector<TNote> Notes;
    int FillInEvents = 0;
    uint32_t Time = 0;
};

TEST_F(AutoAccomp, StartsWithTheBankInSixGroupsAndStyleZeroOfGroupZero) {
    EXPECT_EQ(Accomp.AccompStyleGroupNum(), 0);
    EXPECT_EQ(Accomp.AccompStyleIndex(), 0);
    EXPECT_EQ(Accomp.CurrentStyle().Name.Utf8(), "4/4 分解和弦");
    EXPECT_EQ(Accomp.APercussVolume(), 60);
    EXPECT_EQ(Accomp.AChordVolume(), 90);
    EXPECT_EQ(Accomp.CurrChordRoot(), 48);
    EXPECT_EQ(Accomp.AutoChordStyleIndex(), 15);
    EXPECT_EQ(Accomp.TotalChordStyle().Name, ChordStyles[15].Name);
    EXPECT_EQ(Accomp.BankStyle(14).Name.Utf8(), "4/4 节拍器");
    EXPECT_EQ(Accomp.BankStyle(71).Name.Utf8(), "None");
    EXPECT_FALSE(Accomp.Start());
    Select(MetronomeGroup, Metronome4Index);
    EXPECT_EQ(Accomp.CurrentStyle().Name.Utf8(), "4/4 节拍器");
    // A group keeps the index: group 0 at index 2 is the dense style.
    Accomp.SetAccompStyleGroupNum(0);
    EXPECT_EQ(Accomp.CurrentStyle().Name.Utf8(), "4/4 (密集)");
    Accomp.SetAccompStyleGroupNum(6); // no such group
    Accomp.SetAccompStyleGroupNum(-1);
    EXPECT_EQ(Accomp.AccompStyleGroupNum(), 0);
}

TEST_F(AutoAccomp, SelectingAStyleSendsItsThreeProgramsAndBadIndicesAreIgnored) {
    int changes = 0;
    Accomp.SetOnAccompStyleChange([&](TAutoAccomp&) { ++changes; });
    Accomp.SetAccompStyleIndex(3); // "3/4 华尔兹": 25 / 49 / 33
    EXPECT_EQ(Texts(), (std::vector<std::string>{"C6 19 00", "C5 31 00", "C4 21 00"}));
    EXPECT_EQ(changes, 1);
    Synth.Messages.clear();
    Accomp.SetAccompStyleIndex(12);
    Accomp.SetAccompStyleIndex(-1);
    EXPECT_EQ(Accomp.AccompStyleIndex(), 3);
    EXPECT_EQ(Accomp.CurrentStyle().Name.Utf8(), "3/4 华尔兹");
    EXPECT_TRUE(Synth.Messages.empty());
    EXPECT_EQ(changes, 1);
    Accomp.SetAutoChordStyleIndex(16); // only the first sixteen chord styles
    EXPECT_EQ(Accomp.AutoChordStyleIndex(), 15);
    Accomp.SetAutoChordStyleIndex(2);
    EXPECT_EQ(Accomp.TotalChordStyle().Name, ChordStyles[2].Name);
}

TEST_F(AutoAccomp, StartSendsTheProgramsNamesTheChordCAndSubscribesForSteps) {
    StartAll();
    EXPECT_TRUE(Accomp.Start());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"C6 31 00", "C5 19 00", "C4 21 00"}));
    EXPECT_EQ(Chords, (std::vector<std::string>{"C"}));
    EXPECT_GE(Tempo.IndexOf("Accomp"), 0);
    // Starting again changes nothing; stopping unsubscribes and leaves the clock running.
    Synth.Messages.clear();
    Accomp.SetStart(true);
    EXPECT_TRUE(Synth.Messages.empty());
    Accomp.SetStart(false);
    EXPECT_EQ(Tempo.IndexOf("Accomp"), -1);
    EXPECT_TRUE(Tempo.Active());
    RunTo(1000);
    EXPECT_TRUE(Notes.empty());
}

TEST_F(AutoAccomp, TheFourFourMetronomeClicksEvery600MsAtOneHundredBeatsAMinute) {
    Select(MetronomeGroup, Metronome4Index);
    StartAll();
    RunTo(4800);
    const std::vector<TNote> expected = {{0, 9, 38, 26},    {600, 9, 44, 60},  {1200, 9, 44, 60},
                                         {1800, 9, 44, 60}, {2400, 9, 38, 26}, {3000, 9, 44, 60},
                                         {3600, 9, 44, 60}, {4200, 9, 44, 60}, {4800, 9, 38, 26}};
    EXPECT_EQ(Notes, expected);
    // Nothing else: the metronome never sends a note-off either.
    for (const TMidiMessage& m : Synth.Messages)
        EXPECT_TRUE((m.Status & 0xF0) == 0xC0 || (m.Status & 0xF0) == 0x90) << MidiText(m);
}

TEST_F(AutoAccomp, VelocityFollowsLevelVolumeAndWeightAndVolumeZeroSendsNothing) {
    Select(MetronomeGroup, Metronome4Index);
    Accomp.SetAPercussVolume(127);
    StartAll();
    RunTo(600);
    // 9 x 127 x 4 / 81 = 56; 9 x 127 x 9 / 81 = 127.
    EXPECT_EQ(Notes, (std::vector<TNote>{{0, 9, 38, 56}, {600, 9, 44, 127}}));
    Notes.clear();
    Accomp.SetAPercussVolume(0);
    RunTo(3000);
    EXPECT_TRUE(Notes.empty());
}

TEST_F(AutoAccomp, TheEmptyStyleSendsNoNote) {
    Select(2, 0); // bank slot 24: "None"
    EXPECT_EQ(Accomp.CurrentStyle().Name.Utf8(), "None");
    Synth.Messages.clear();
    StartAll();
    RunTo(5000);
    EXPECT_TRUE(Notes.empty());
    // Its programs still go out: chord 0, arpeggio 25, bass 33.
    EXPECT_EQ(Texts(), (std::vector<std::string>{"C6 00 00", "C5 19 00", "C4 21 00"}));
}

TEST_F(AutoAccomp, PatternsRestartAtTheEndOfTheirCycle) {
    // "4/4 分解和弦": a 16-step cycle, key 36 on steps 0 and 8.
    StartAll();
    RunTo(150 * 32);
    std::vector<uint32_t> kick;
    for (const TNote& n : Notes)
        if (n.Key == 36) kick.push_back(n.Ms);
    EXPECT_EQ(kick, (std::vector<uint32_t>{0, 1200, 2400, 3600, 4800}));
    for (const TNote& n : Notes)
        EXPECT_EQ(n.Channel, 9);
}

TEST_F(AutoAccomp, AnEmptyFillInIsIgnoredAndAFillInPlaysOneCycleThenReturns) {
    Accomp.SetAccompStyleIndex(2); // the dense style has no fill-ins
    Synth.Messages.clear();
    Accomp.SetFillInState(fsFillIn1);
    EXPECT_EQ(Accomp.FillInState(), fsNoFillIn);
    EXPECT_EQ(FillInEvents, 0);
    EXPECT_TRUE(Synth.Messages.empty());

    Accomp.SetAccompStyleIndex(0); // "4/4 分解和弦" has both
    const TAccompStyle style = Accomp.CurrentStyle();
    StartAll();
    RunTo(150 * 4);
    Accomp.RequestFillIn(1); // begins at the next cycle boundary (step 16)
    RunTo(150 * 15);
    EXPECT_EQ(Accomp.FillInState(), fsNoFillIn);
    RunTo(150 * 16);
    EXPECT_EQ(Accomp.FillInState(), fsFillIn1);
    EXPECT_EQ(FillInEvents, 1);
    EXPECT_EQ(Accomp.CurrentStyle().Main.Name.Utf8(), style.FillIn1.Name.Utf8());
    // A one-bar fill-in: its last step is step 31, after which the main section is back.
    RunTo(150 * 30);
    EXPECT_EQ(Accomp.FillInState(), fsFillIn1);
    RunTo(150 * 31);
    EXPECT_EQ(Accomp.FillInState(), fsNoFillIn);
    EXPECT_EQ(FillInEvents, 2);
    const TAccompStyle after = Accomp.CurrentStyle();
    EXPECT_EQ(std::memcmp(&after.Main, &style.Main, sizeof style.Main), 0);
}

TEST_F(AutoAccomp, ChangingStyleOrTransposeWhileStartedSubscribesAgain) {
    Select(MetronomeGroup, Metronome4Index);
    StartAll();
    RunTo(700);
    const int slot = Tempo.IndexOf("Accomp");
    Select(0, 0);
    EXPECT_GT(Tempo.IndexOf("Accomp"), slot); // a new subscription, appended
    EXPECT_EQ(Accomp.CurrentStyle().Name.Utf8(), "4/4 分解和弦");
    Accomp.SetTranspose(3);
    EXPECT_EQ(Accomp.Transpose(), 3);
    EXPECT_GE(Tempo.IndexOf("Accomp"), 0);
    Notes.clear();
    RunTo(1200);
    // The new style from its first step, and percussion is never transposed.
    ASSERT_FALSE(Notes.empty());
    EXPECT_EQ(Notes.front().Key, 36);
    EXPECT_EQ(Notes.front().Ms, 750);
}

TEST_F(AutoAccomp, SynchOnSilencesThePartsUntilItIsSwitchedOff) {
    int32_t ended = -1;
    Accomp.SetOnSynchEndEvent([&](TAutoAccomp&, int32_t v) { ended = v; });
    Accomp.SetSynchOn(true); // not started: ignored
    EXPECT_FALSE(Accomp.SynchOn());
    Select(MetronomeGroup, Metronome4Index);
    StartAll();
    Accomp.SetSynchOn(true);
    EXPECT_EQ(Accomp.APercussVolume(), 0);
    EXPECT_EQ(Accomp.ABassVolume(), 0);
    RunTo(1300);
    EXPECT_TRUE(Notes.empty());
    Accomp.SetSynchOn(false, 7);
    EXPECT_EQ(ended, 7);
    EXPECT_EQ(Accomp.APercussVolume(), 60);
    EXPECT_EQ(Accomp.AChordVolume(), 90);
    RunTo(1800);
    EXPECT_EQ(Notes, (std::vector<TNote>{{1800, 9, 44, 60}}));
}

TEST_F(AutoAccomp, EverythingSentWhileRecordingIsStoredAsRawMidiEvents) {
    Select(MetronomeGroup, Metronome4Index);
    Recorder.SetRecording(true);
    Synth.Messages.clear();
    StartAll();
    RunTo(1300);
    Accomp.SetStart(false);
    Recorder.SetRecording(false);
    std::vector<std::string> recorded;
    Recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet*) {
        const uint8_t kind = e.Kind;
        const int32_t value = e.Value;
        EXPECT_EQ(kind, evMidiMessage);
        recorded.push_back(
            MidiText({static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                      static_cast<uint8_t>(value)}));
    });
    EXPECT_EQ(recorded, Texts());
    EXPECT_EQ(recorded, (std::vector<std::string>{"C6 00 00", "C5 00 00", "C4 00 00", "99 26 1A",
                                                  "99 2C 3C", "99 2C 3C"}));
}

} // namespace
