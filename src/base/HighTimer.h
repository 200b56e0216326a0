// THighTimer: the periodic timer of song playback. A worker thread of its own sleeps
// to absolute deadlines of the monotonic clock and only posts each tick to the main
// thread, where the handler runs; ticks that queue while the main thread is busy
// arrive there in a burst.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// Owned and set on the main thread (where its ticks run); the worker touches nothing
// but its own record and the poster.
class THighTimer {
public:
    using TOnTimer = std::function<void(THighTimer& sender)>;
    // Runs a job on the main thread later (an event of type TimerEventType posted to
    // its loop); called on the worker thread.
    using TPost = std::function<void(std::function<void()> job)>;

    static constexpr int TimerEventType = 5478; // the timer's posted event
    // The period range in milliseconds: the monotonic clock sleeps to the millisecond.
    static constexpr uint32_t MinPeriod = 1, MaxPeriod = 65535;

    // Without a poster the timer never ticks (it has no way to the main thread).
    explicit THighTimer(TPost post);
    // Stops the worker; a tick already posted does not run.
    ~THighTimer();
    THighTimer(const THighTimer&) = delete;
    THighTimer& operator=(const THighTimer&) = delete;

    // Raised to MinPeriod when below it; a changed value restarts.
    void SetTimerRes(uint32_t ms);
    uint32_t TimerRes() const { return Res; }
    // Taken only when it differs and is not below TimerRes; a taken value restarts.
    void SetInterval(uint32_t ms);
    uint32_t Interval() const { return IntervalMs; }
    // A changed value restarts.
    void SetEnabled(bool on);
    bool Enabled() const { return IsEnabled; }
    // Always restarts; an empty handler means no timer. What the handler throws goes
    // to the program's error display (base/ErrorDisplay.h) and the timer goes on.
    void SetOnTimer(TOnTimer handler);

    // A periodic source runs: Interval > 0, Enabled, OnTimer and a poster.
    bool Running() const { return Worker != nullptr; }
    // The resolution the running source was started with (0 when none runs).
    uint32_t ResolutionInEffect() const { return Running() ? ResInEffect : 0; }

private:
    struct TWorker;
    void Restart();

    TPost Post;
    uint32_t Res = MinPeriod;
    uint32_t IntervalMs = 1000;
    bool IsEnabled = false;
    TOnTimer OnTimer;
    uint32_t ResInEffect = 0;
    std::shared_ptr<TWorker> Worker;
};
