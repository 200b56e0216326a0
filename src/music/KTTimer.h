// TKTHiTimer: the periodic timer under the tempo clock. In thread mode a worker thread
// of its own ticks on absolute deadlines of the monotonic clock; in message mode the
// ticks are handed to the main thread through the poster the owner gives.
#pragma once

#include "base/ThreadSafety.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

// The priority scale of the worker thread. Highest and TimeCritical ask for the
// real-time scheduler and fall back quietly to the ordinary one where the process may
// not use it; Idle runs only when nothing else wants the core; the others are ordinary.
enum class TThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// Every operation may be called from any thread, a tick handler included; a worker
// is always joined with no lock held, so a handler may call back in while its owner
// waits for it to end.
class TKTHiTimer {
public:
    using TOnTimer = std::function<void(TKTHiTimer& sender)>;
    // Runs a job on the main thread at some later time (an event posted to its loop).
    using TPostToMain = std::function<void(std::function<void()> job)>;

    // The device's period range in milliseconds: the monotonic clock sleeps to the
    // millisecond, and an interval is 16 bits wide.
    static constexpr uint32_t MinPeriod = 1, MaxPeriod = 65535;
    static constexpr uint16_t DefaultInterval = 1000;

    explicit TKTHiTimer(uint16_t interval = DefaultInterval);
    // Stops and joins the worker (or, from inside a tick, lets it end by itself).
    ~TKTHiTimer();
    TKTHiTimer(const TKTHiTimer&) = delete;
    TKTHiTimer& operator=(const TKTHiTimer&) = delete;

    // Stores and restarts, also when the value does not change: every enable starts a
    // fresh worker with a fresh phase, and a disable returns once no tick runs or will.
    // Called from a tick handler on the worker itself, the stop takes effect when the
    // handler returns.
    void SetEnabled(bool on) EXCLUDES(Lock);
    bool Enabled() const EXCLUDES(Lock);
    // Nothing if equal; a value outside MinPeriod..MaxPeriod becomes 1000; restarts.
    void SetInterval(uint16_t ms) EXCLUDES(Lock);
    uint16_t Interval() const EXCLUDES(Lock);
    // Kept for the next restart; the monotonic clock needs no resolution set.
    void SetTimerRes(uint16_t ms) EXCLUDES(Lock);
    uint16_t TimerRes() const EXCLUDES(Lock);
    // Stored only: a worker keeps the handler it was started with. What the handler
    // throws goes to the program's error display (base/ErrorDisplay.h) and the timer
    // goes on.
    void SetOnTimer(TOnTimer handler) EXCLUDES(Lock);
    // Thread mode: with Synchronize the handler runs on the main thread (through the
    // poster) and the worker waits for it; without a poster it runs on the worker.
    void SetSynchronize(bool on) EXCLUDES(Lock);
    bool Synchronize() const EXCLUDES(Lock);
    // A change restarts.
    void SetUseThread(bool on) EXCLUDES(Lock);
    bool UseThread() const EXCLUDES(Lock);
    // A change is stored and, in thread mode, restarts.
    void SetThreadPriority(TThreadPriority priority) EXCLUDES(Lock);
    TThreadPriority ThreadPriority() const EXCLUDES(Lock);
    // How ticks reach the main thread (message mode, Synchronize); taken at a restart.
    void SetPostToMain(TPostToMain post) EXCLUDES(Lock);

    // Called from a tick handler: the next tick comes when the system tick counter
    // (TSystemTickClock) reaches `tick`, so a handler that knows when its next event
    // falls is woken for it instead of up to an interval late. Without `orLater` only
    // a moment before the next regular tick is taken; with it the moment replaces the
    // regular tick (a handler with nothing to do until then sleeps through), within
    // a minute. Ignored outside a thread-mode tick.
    void WakeAtTick(uint32_t tick, bool orLater = false);
    // The next tick comes at once (what a sleeping handler waits for has changed);
    // within the last 2 ms before a tick the worker is not woken early.
    void Nudge() EXCLUDES(Lock);
    // Whether the current worker got the real-time scheduler it asked for (false for
    // the ordinary priorities, and before a worker started).
    bool RealTimeScheduling() const { return RealTime.load(); }

private:
    struct TWorker;
    // The worker whose tick runs on this thread, for WakeAtTick and a handler's stop.
    static thread_local TWorker* TickWorker;
    void Restart() EXCLUDES(Lock);
    void RunWorker(const std::shared_ptr<TWorker>& self);
    void DeliverTick(const std::shared_ptr<TWorker>& worker);

    mutable TMutex Lock;
    bool IsEnabled GUARDED_BY(Lock) = false;
    uint16_t IntervalMs GUARDED_BY(Lock);
    uint16_t TimerResMs GUARDED_BY(Lock) = MinPeriod;
    bool SynchronizeTicks GUARDED_BY(Lock) = true;
    bool ThreadMode GUARDED_BY(Lock) = true;
    TThreadPriority Priority GUARDED_BY(Lock) = TThreadPriority::Normal;
    TOnTimer OnTimer GUARDED_BY(Lock);
    TPostToMain Post GUARDED_BY(Lock);
    bool Destroying GUARDED_BY(Lock) = false;
    std::shared_ptr<TWorker> Current GUARDED_BY(Lock);
    // Workers told to stop from inside their own tick: joined at the next restart.
    std::vector<std::shared_ptr<TWorker>> Retired GUARDED_BY(Lock);
    std::atomic<bool> RealTime{false};
};
