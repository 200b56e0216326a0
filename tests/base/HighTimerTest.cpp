// The playback timer with its real worker thread; the test thread plays the main
// thread, running the posted ticks when it drains its queue. Nothing here asserts a
// duration: waits only give the worker time, and their limits are failure guards.
#include "base/HighTimer.h"

#include "base/ErrorDisplay.h"
#include "fakes/FakeTickClock.h"
#include "song/SimpleRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The main thread's event queue: the worker posts, the test thread runs.
class TMainQueue {
public:
    THighTimer::TPost Poster() {
        return [this](std::function<void()> job) {
            std::lock_guard lock(M);
            Jobs.push_back(std::move(job));
            ++Posted;
        };
    }
    // Runs what is queued now; the number of jobs run.
    int Drain() {
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(M);
            jobs.swap(Jobs);
        }
        for (auto& job : jobs)
            job();
        return static_cast<int>(jobs.size());
    }
    int PostedCount() {
        std::lock_guard lock(M);
        return Posted;
    }
    // Drains until pred holds; false after a generous limit (a silent timer).
    template <typename TPred> bool RunUntil(TPred pred) {
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > limit) return false;
            std::this_thread::sleep_for(1ms);
            Drain();
        }
        return true;
    }

private:
    std::mutex M;
    std::deque<std::function<void()>> Jobs;
    int Posted = 0;
};

TEST(HighTimer, PropertiesFollowTheirRulesAndOnlyAFullSetUpTicks) {
    TMainQueue main;
    THighTimer t(main.Poster());
    EXPECT_EQ(t.TimerRes(), THighTimer::MinPeriod);
    EXPECT_EQ(t.Interval(), 1000u);
    EXPECT_FALSE(t.Enabled());
    t.SetTimerRes(0);
    EXPECT_EQ(t.TimerRes(), THighTimer::MinPeriod) << "raised to the minimum";
    t.SetTimerRes(5);
    t.SetInterval(3);
    EXPECT_EQ(t.Interval(), 1000u) << "an interval below the resolution is ignored";
    t.SetInterval(10);
    EXPECT_EQ(t.Interval(), 10u);

    t.SetEnabled(true);
    EXPECT_FALSE(t.Running()) << "no OnTimer, no timer";
    t.SetOnTimer([](THighTimer&) {});
    EXPECT_TRUE(t.Running());
    EXPECT_EQ(t.ResolutionInEffect(), 5u);
    t.SetOnTimer({});
    EXPECT_FALSE(t.Running());

    THighTimer nowhere(nullptr);
    nowhere.SetOnTimer([](THighTimer&) {});
    nowhere.SetEnabled(true);
    EXPECT_FALSE(nowhere.Running()) << "without a way to the main thread it stays silent";
}

TEST(HighTimer, TicksRunOnlyWhereTheyArePostedAndQueueUpWhileThatThreadIsBusy) {
    TMainQueue main;
    const auto self = std::this_thread::get_id();
    int ticks = 0;
    bool elsewhere = false;
    THighTimer t(main.Poster());
    t.SetInterval(10);
    t.SetOnTimer([&](THighTimer& sender) {
        EXPECT_EQ(&sender, &t);
        elsewhere |= std::this_thread::get_id() != self;
        ++ticks;
    });
    t.SetEnabled(true);
    ASSERT_TRUE(main.RunUntil([&] { return ticks >= 3; }));
    EXPECT_FALSE(elsewhere);

    // The "main thread" busy: the worker goes on posting, and the ticks arrive together.
    const int before = ticks;
    const int posted = main.PostedCount();
    while (main.PostedCount() < posted + 4)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(ticks, before) << "nothing runs on the worker";
    EXPECT_GE(main.Drain(), 4);
    EXPECT_GE(ticks, before + 4);
}

TEST(HighTimer, NoTickRunsAfterAStopAndAHandlerMayDestroyItsOwnTimer) {
    TMainQueue main;
    int ticks = 0;
    auto t = std::make_unique<THighTimer>(main.Poster());
    t->SetInterval(10);
    t->SetOnTimer([&](THighTimer&) { ++ticks; });
    t->SetEnabled(true);
    const int posted = main.PostedCount();
    while (main.PostedCount() < posted + 2)
        std::this_thread::sleep_for(1ms);
    const int ran = ticks;
    t->SetEnabled(false); // ticks already queued must not run
    main.Drain();
    EXPECT_EQ(ticks, ran);

    t->SetEnabled(true);
    t->SetOnTimer([&](THighTimer&) {
        ++ticks;
        t.reset();
    });
    ASSERT_TRUE(main.RunUntil([&] { return t == nullptr; }));
    const int atDestruction = ticks;
    std::this_thread::sleep_for(30ms);
    main.Drain();
    EXPECT_EQ(ticks, atDestruction);
}

TEST(HighTimer, AnExceptionInAHandlerIsReportedAndTheTimerGoesOn) {
    TMainQueue main;
    int ticks = 0;
    std::vector<std::string> errors;
    SetErrorDisplay([&](const std::string& text) { errors.push_back(text); });
    THighTimer t(main.Poster());
    t.SetInterval(10);
    t.SetOnTimer([&](THighTimer&) {
        if (++ticks == 1) throw std::runtime_error("first tick");
    });
    t.SetEnabled(true);
    ASSERT_TRUE(main.RunUntil([&] { return ticks >= 3; }));
    SetErrorDisplay({});
    EXPECT_EQ(errors, std::vector<std::string>{"first tick"});
}

// The recorder's playback on its own timer: the events reach the owner through the
// posted ticks, and the end handler stops playback from inside the timer's tick.
TEST(HighTimer, TheRecorderPlaysThroughItsTimerAndStopsFromItsEndHandler) {
    TMainQueue main;
    TFakeClock clock;
    TSimpleRecorder recorder(clock);
    recorder.SetTimerPoster(main.Poster());
    recorder.SetRecording(true);
    clock.Now = 5;
    recorder.RecordKeyDown(0x10);
    clock.Now = 40;
    recorder.RecordKeyUp(0x10);
    recorder.SetRecording(false);

    std::vector<int> kinds;
    int ends = 0;
    recorder.SetOnPlayEvent(
        [&](uint8_t kind, int32_t, const TKeyDefSet*) { kinds.push_back(kind); });
    recorder.SetOnPlayEnd([&] {
        ++ends;
        recorder.SetPlaying(false);
    });
    clock.Now = 1000;
    recorder.SetPlaying(true);
    clock.Now = 1010; // the key-down is due, the key-up not yet
    ASSERT_TRUE(main.RunUntil([&] { return kinds.size() == 1; }));
    clock.Now = 1040;
    ASSERT_TRUE(main.RunUntil([&] { return ends == 1; }));
    EXPECT_EQ(kinds, (std::vector<int>{evKeyDown, evKeyUp}));
    EXPECT_FALSE(recorder.IsPlaying());
    std::this_thread::sleep_for(30ms);
    main.Drain();
    EXPECT_EQ(ends, 1) << "no tick after the stop";
}

} // namespace
