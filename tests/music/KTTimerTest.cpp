// The tempo clock's timer with real worker threads. Nothing here asserts a duration:
// waits only give a worker time to misbehave, and their limits are failure guards.
#include "music/KTTimer.h"
#include "base/ITickClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Polls until pred holds; false after a generous limit (a hung worker).
template <typename TPred> bool WaitFor(TPred pred) {
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// What a tick saw: how many came and on how many threads (a thread's id may be
// reused by the next one, its thread-local storage is not).
struct TTicks {
    std::atomic<int> Count{0};
    std::atomic<int> Workers{0};
    std::atomic<bool> OnTestThread{false};
    void Add() {
        thread_local int seenBy = -1; // the TTicks this thread last counted itself in
        if (seenBy != Id) ++Workers;
        seenBy = Id;
        if (std::this_thread::get_id() == TestThread) OnTestThread = true;
        ++Count;
    }
    size_t ThreadCount() const { return static_cast<size_t>(Workers.load()); }
    const std::thread::id TestThread = std::this_thread::get_id();
    static inline std::atomic<int> NextId{0};
    const int Id = NextId++;
};

TEST(KTHiTimer, IntervalsOutsideTheDeviceRangeBecomeOneSecond) {
    TKTHiTimer t(5);
    EXPECT_EQ(t.Interval(), 5);
    t.SetInterval(0);
    EXPECT_EQ(t.Interval(), 1000);
    t.SetInterval(7);
    EXPECT_EQ(t.Interval(), 7);
    EXPECT_EQ(TKTHiTimer(0).Interval(), 1000);
    EXPECT_FALSE(t.Enabled());
    EXPECT_TRUE(t.UseThread());
    EXPECT_TRUE(t.Synchronize());
    EXPECT_EQ(t.ThreadPriority(), TThreadPriority::Normal);
}

TEST(KTHiTimer, TicksRunOnAWorkerAndNoneAfterTheDisableReturns) {
    TTicks ticks;
    TKTHiTimer t(1);
    t.SetSynchronize(false);
    t.SetOnTimer([&](TKTHiTimer&) { ticks.Add(); });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return ticks.Count >= 5; }));
    t.SetEnabled(false);
    const int after = ticks.Count;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks.Count, after);
    EXPECT_EQ(ticks.ThreadCount(), 1u);
    EXPECT_FALSE(ticks.OnTestThread);
}

TEST(KTHiTimer, EnablingAgainStartsAFreshWorker) {
    TTicks ticks;
    TKTHiTimer t(1);
    t.SetSynchronize(false);
    t.SetOnTimer([&](TKTHiTimer&) { ticks.Add(); });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return ticks.Count >= 2; }));
    t.SetEnabled(true); // the same value still restarts
    ASSERT_TRUE(WaitFor([&] { return ticks.ThreadCount() == 2; }));
    // A long interval: the stop must not wait out the sleep.
    t.SetInterval(60000);
    ASSERT_TRUE(WaitFor([&] { return ticks.ThreadCount() == 3; }));
    t.SetEnabled(false);
}

TEST(KTHiTimer, ANudgeWakesAWorkerThatSleepsOutALongInterval) {
    TTicks ticks;
    TKTHiTimer t(60000);
    t.SetSynchronize(false);
    t.SetOnTimer([&](TKTHiTimer&) { ticks.Add(); });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return ticks.Count == 1; })); // the first tick comes at once
    t.Nudge();
    ASSERT_TRUE(WaitFor([&] { return ticks.Count == 2; }));
    t.Nudge();
    ASSERT_TRUE(WaitFor([&] { return ticks.Count == 3; }));
    EXPECT_EQ(ticks.ThreadCount(), 1u); // the same worker, woken
}

TEST(KTHiTimer, AHandlerMayPutItsNextTickLaterThanTheInterval) {
    // Each tick asks for the next one a minute away: the worker sleeps through the
    // 1 ms interval, and only a nudge or the stop ends the sleep.
    TTicks ticks;
    TKTHiTimer t(1);
    t.SetSynchronize(false);
    t.SetOnTimer([&](TKTHiTimer& self) {
        ticks.Add();
        self.WakeAtTick(TSystemTickClock::Instance().TickCount() + 59000, true);
    });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return ticks.Count == 1; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks.Count, 1);
    t.Nudge();
    ASSERT_TRUE(WaitFor([&] { return ticks.Count == 2; }));
    t.SetEnabled(false); // does not wait out the minute
}

TEST(KTHiTimer, WithoutAHandlerNoWorkerStarts) {
    TKTHiTimer t(1);
    t.SetEnabled(true);
    int late = 0;
    t.SetOnTimer([&](TKTHiTimer&) { ++late; }); // stored only: no restart
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(late, 0);
}

TEST(KTHiTimer, AHandlerMayStopItsOwnTimer) {
    std::atomic<int> calls{0};
    TKTHiTimer t(1);
    t.SetSynchronize(false);
    t.SetOnTimer([&](TKTHiTimer& self) {
        ++calls;
        self.SetEnabled(false);
    });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return calls >= 1; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(t.Enabled());
    // And it starts again from the main thread, joining the one that stopped itself.
    t.SetOnTimer([&](TKTHiTimer&) { ++calls; });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return calls >= 3; }));
}

TEST(KTHiTimer, AHandlerMayDestroyItsOwnTimer) {
    std::atomic<int> calls{0};
    std::atomic<bool> gone{false};
    auto* t = new TKTHiTimer(1);
    t->SetSynchronize(false);
    t->SetOnTimer([&](TKTHiTimer& self) {
        ++calls;
        delete &self;
        gone = true;
    });
    t->SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return gone.load(); }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(calls, 1);
}

// The main thread's queue of posted jobs, drained by the test.
struct TMainQueue {
    std::mutex Lock;
    std::deque<std::function<void()>> Jobs;
    void Post(std::function<void()> job) {
        std::lock_guard<std::mutex> g(Lock);
        Jobs.push_back(std::move(job));
    }
    size_t Size() {
        std::lock_guard<std::mutex> g(Lock);
        return Jobs.size();
    }
    int Drain() {
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard<std::mutex> g(Lock);
            jobs.swap(Jobs);
        }
        for (auto& j : jobs)
            j();
        return static_cast<int>(jobs.size());
    }
};

TEST(KTHiTimer, MessageModeDeliversOnTheMainThreadAndCoalescesWhileATickWaits) {
    TMainQueue main;
    TTicks ticks;
    TKTHiTimer t(1);
    t.SetUseThread(false);
    t.SetPostToMain([&](std::function<void()> job) { main.Post(std::move(job)); });
    t.SetOnTimer([&](TKTHiTimer&) { ticks.Add(); });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return main.Size() >= 1; }));
    std::this_thread::sleep_for(20ms); // many intervals: still one tick waiting
    EXPECT_EQ(main.Size(), 1u);
    EXPECT_EQ(main.Drain(), 1);
    EXPECT_EQ(ticks.Count, 1);
    EXPECT_TRUE(ticks.OnTestThread);
    ASSERT_TRUE(WaitFor([&] { return main.Size() >= 1; }));
    // A tick posted before the stop is dropped when it arrives.
    t.SetEnabled(false);
    main.Drain();
    EXPECT_EQ(ticks.Count, 1);
}

TEST(KTHiTimer, MessageModeWithoutAWayToTheMainThreadHasNoTimers) {
    TKTHiTimer t(1);
    t.SetOnTimer([](TKTHiTimer&) {});
    t.SetUseThread(false);
    try {
        t.SetEnabled(true);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Not enough timers available");
    }
}

TEST(KTHiTimer, SynchronizedTicksRunOnTheMainThreadAndAStopDoesNotWaitForThem) {
    TMainQueue main;
    TTicks ticks;
    TKTHiTimer t(1);
    t.SetPostToMain([&](std::function<void()> job) { main.Post(std::move(job)); });
    t.SetOnTimer([&](TKTHiTimer&) { ticks.Add(); });
    t.SetEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return main.Size() >= 1; }));
    main.Drain();
    ASSERT_TRUE(WaitFor([&] { return main.Size() >= 1; })); // the worker waited, then went on
    EXPECT_EQ(ticks.Count, 1);
    EXPECT_EQ(ticks.ThreadCount(), 1u);
    t.SetEnabled(false); // the worker waits for its posted tick: the stop releases it
    main.Drain();
    EXPECT_EQ(ticks.Count, 1);
}

} // namespace
