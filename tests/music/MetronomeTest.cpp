// The tempo clock driven by a fake tick count: its events and positions, tempo
// changes, and the subscription list's rules.
#include "fakes/FakeTickClock.h"

#include "music/KTMetronome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TCall {
    uint16_t Events;
    double Bars, Ms;
};

class Metronome : public ::testing::Test {
protected:
    Metronome() { Clock.Now = 5000; }
    // Subscribes `name`, keeping what each call received.
    void Watch(const std::string& name, uint16_t mask, std::vector<TCall>& calls) {
        ASSERT_TRUE(Tempo.Subscribe(
            name, mask, [&calls](TMetronome&, uint16_t ev, bool&, int32_t, double bars, double ms) {
                calls.push_back({ev, bars, ms});
            }));
    }
    // Moves time to `ms` after the start and ticks.
    void TickAt(uint32_t ms) {
        Clock.Now = Start + ms;
        Tempo.Tick();
    }
    // Ticks every millisecond from the last tick to `ms` after the start.
    void RunTo(uint32_t ms) {
        for (uint32_t t = Clock.Now - Start + 1; t <= ms; ++t)
            TickAt(t);
    }

    TFakeClock Clock;
    TMetronome Tempo{Clock, TTempoDriver::Manual};
    uint32_t Start = 5000;
};

TEST_F(Metronome, FirstTickAfterAStartRaisesAllFiveEventsAtTheOrigin) {
    std::vector<TCall> calls;
    Watch("all", 31, calls);
    Tempo.Tick(); // stopped: nothing
    EXPECT_TRUE(calls.empty());
    Tempo.SetActive(true);
    Clock.Now = Start = 5007; // the time line begins at the first tick, not at the start
    Tempo.Tick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Events, 31);
    EXPECT_EQ(calls[0].Bars, 0);
    EXPECT_EQ(calls[0].Ms, 0);
    EXPECT_EQ(Tempo.StartTick(), 5007u);
    TickAt(5);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].Events, meTick);
}

TEST_F(Metronome, AtOneHundredBeatsAMinuteStepsFallEvery150MsAndBeatsEvery600) {
    std::vector<TCall> steps, beats, bars, seconds;
    Watch("steps", meNewStep, steps);
    Watch("beats", meNewBeat, beats);
    Watch("bars", meNewBar, bars);
    Watch("seconds", meNewSecond, seconds);
    Tempo.SetActive(true);
    TickAt(0);
    RunTo(4800);
    ASSERT_EQ(steps.size(), 33u); // 0, 150, ... 4800
    for (size_t k = 0; k < steps.size(); ++k)
        EXPECT_EQ(steps[k].Ms, 150.0 * double(k)) << k;
    ASSERT_EQ(beats.size(), 9u);
    EXPECT_EQ(beats[1].Ms, 600);
    ASSERT_EQ(bars.size(), 3u); // four beats to the bar
    EXPECT_EQ(bars[1].Ms, 2400);
    EXPECT_EQ(bars[2].Bars, 2);
    ASSERT_EQ(seconds.size(), 5u);
    EXPECT_EQ(seconds[4].Ms, 4000);
    EXPECT_EQ(Tempo.PositionBars(), 2);
}

TEST_F(Metronome, ATempoChangeMidBarKeepsThePositionAndChangesItsRate) {
    std::vector<TCall> steps;
    Watch("steps", meNewStep, steps);
    Tempo.SetActive(true);
    TickAt(0);
    RunTo(1000); // 100 BPM: 1000 ms = 1000/2400 bar
    const double before = Tempo.PositionBars();
    EXPECT_NEAR(before, 1000.0 / 2400, 1e-12);
    Tempo.SetTempo(200);
    TickAt(1000);
    EXPECT_NEAR(Tempo.PositionBars(), before, 1e-12); // no jump
    // From here a bar lasts 1200 ms: 0.5 bar later is 600 ms later.
    TickAt(1600);
    EXPECT_NEAR(Tempo.PositionBars(), before + 0.5, 1e-12);
    steps.clear();
    Tempo.SetTempo(100); // back: the position continues again
    const double at = Tempo.PositionBars();
    TickAt(1600);
    EXPECT_NEAR(Tempo.PositionBars(), at, 1e-12);
    EXPECT_TRUE(steps.empty());
    Tempo.SetTempo(0); // no tempo: ignored
    Tempo.SetTempo(-5);
    EXPECT_EQ(Tempo.Tempo(), 100);
}

TEST_F(Metronome, StepsAfterATempoChangeFollowTheNewRateFromTheChange) {
    std::vector<TCall> steps;
    Watch("steps", meNewStep, steps);
    Tempo.SetActive(true);
    TickAt(0);
    RunTo(1000); // steps 0..6 (900 ms); 1000 ms is 6 2/3 steps
    ASSERT_EQ(steps.size(), 7u);
    Tempo.SetTempo(200); // 75 ms a step: step 7 is 1/3 step = 25 ms away
    RunTo(1200);
    ASSERT_EQ(steps.size(), 10u);
    EXPECT_EQ(steps[7].Ms, 1025);
    EXPECT_EQ(steps[8].Ms, 1100);
    EXPECT_EQ(steps[9].Ms, 1175);
}

TEST_F(Metronome, StopResetsThePositionAndARestartBeginsAgainAtZero) {
    std::vector<TCall> calls;
    Watch("all", 31, calls);
    int starts = 0, stops = 0;
    Tempo.SetOnStart([&](TMetronome&) { ++starts; });
    Tempo.SetOnStop([&](TMetronome&) { ++stops; });
    Tempo.SetActive(true);
    TickAt(0);
    RunTo(3000);
    Tempo.SetActive(false);
    EXPECT_FALSE(Tempo.Active());
    EXPECT_EQ(Tempo.PositionBars(), 0);
    calls.clear();
    TickAt(3100);
    EXPECT_TRUE(calls.empty());
    Tempo.SetActive(true);
    Start = Clock.Now = 9000;
    Tempo.Tick();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Events, 31);
    EXPECT_EQ(calls[0].Ms, 0);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(stops, 1);
}

TEST_F(Metronome, DuplicateNamesAreRefusedAndKeepTheFirstSubscription) {
    std::vector<TCall> first, second;
    Watch("Accomp", meNewStep, first);
    EXPECT_FALSE(Tempo.Subscribe("Accomp", 31,
                                 [&](TMetronome&, uint16_t ev, bool&, int32_t, double, double) {
                                     second.push_back({ev, 0, 0});
                                 }));
    EXPECT_TRUE(Tempo.Subscribe("accomp", 0, nullptr)); // names are case-sensitive
    EXPECT_EQ(Tempo.IndexOf("Accomp"), 0);
    EXPECT_EQ(Tempo.IndexOf("accomp"), 1);
    Tempo.SetActive(true);
    TickAt(0);
    TickAt(5); // a plain tick: the first subscription's mask (steps) lets it pass
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].Events, meNewStep);
    EXPECT_TRUE(second.empty());
}

TEST_F(Metronome, ASubscriberThatSetsRemoveIsCalledNoMoreAndItsNameIsFreeAgain) {
    int calls = 0;
    ASSERT_TRUE(Tempo.Subscribe("once", meTick,
                                [&](TMetronome&, uint16_t, bool& remove, int32_t, double, double) {
                                    ++calls;
                                    remove = true;
                                }));
    std::vector<TCall> other;
    Watch("other", meTick, other);
    Tempo.SetActive(true);
    TickAt(0);
    TickAt(5);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(other.size(), 2u); // the slot after the removed one goes on
    EXPECT_EQ(Tempo.IndexOf("once"), -1);
    EXPECT_EQ(Tempo.IndexOf("other"), 1); // removal leaves an empty slot
    EXPECT_TRUE(Tempo.Subscribe("once", meTick, nullptr));
    EXPECT_EQ(Tempo.IndexOf("once"), 2);
}

TEST_F(Metronome, SubscribersMaySubscribeAndUnsubscribeFromTheirOwnCall) {
    int selfCalls = 0, addedCalls = 0;
    ASSERT_TRUE(Tempo.Subscribe("self", meTick,
                                [&](TMetronome& m, uint16_t, bool&, int32_t, double, double) {
                                    ++selfCalls;
                                    EXPECT_TRUE(m.Unsubscribe("self"));
                                    EXPECT_EQ(m.IndexOf("self"), -1);
                                    m.Subscribe("added", meTick,
                                                [&](TMetronome&, uint16_t, bool&, int32_t, double,
                                                    double) { ++addedCalls; });
                                }));
    Tempo.SetActive(true);
    TickAt(0);
    // The subscription added during the tick waits for the next one.
    EXPECT_EQ(selfCalls, 1);
    EXPECT_EQ(addedCalls, 0);
    TickAt(5);
    EXPECT_EQ(selfCalls, 1);
    EXPECT_EQ(addedCalls, 1);
    EXPECT_FALSE(Tempo.Unsubscribe("self"));
    EXPECT_TRUE(Tempo.Unsubscribe("added"));
    EXPECT_FALSE(Tempo.Unsubscribe("added"));
}

TEST_F(Metronome, ASubscriberStoppingTheClockEndsTheTick) {
    int later = 0;
    ASSERT_TRUE(Tempo.Subscribe(
        "stopper", meTick,
        [](TMetronome& m, uint16_t, bool&, int32_t, double, double) { m.SetActive(false); }));
    ASSERT_TRUE(Tempo.Subscribe(
        "later", meTick, [&](TMetronome&, uint16_t, bool&, int32_t, double, double) { ++later; }));
    Tempo.SetActive(true);
    TickAt(0);
    EXPECT_FALSE(Tempo.Active());
    EXPECT_EQ(later, 0);
    TickAt(5);
    EXPECT_EQ(later, 0);
}

} // namespace
