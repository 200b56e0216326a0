// The worker of THighTimer: absolute deadlines on CLOCK_MONOTONIC, slept in slices
// short enough that a stop never waits long for it.
#include "base/HighTimer.h"

#include "base/ErrorDisplay.h"
#include "base/MonotonicClock.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <thread>

namespace {

constexpr int64_t NsPerMs = 1000000;
// The longest single sleep: how soon a worker sees that it was told to stop.
constexpr int64_t StopCheckNs = 5 * NsPerMs;

} // namespace

// One run of the periodic source. The posted ticks share it, so a tick still queued
// when the timer stops (or goes) sees the stop mark and does nothing; they read the
// mark and run the handler on the main thread, where the stop is set too.
struct THighTimer::TWorker {
    std::atomic<bool> Stop{false};
    std::thread Thread;
    TPost Post;
    TOnTimer Handler;
    int64_t IntervalNs = 0;

    void Run(const std::shared_ptr<TWorker>& self, THighTimer* timer) {
        int64_t deadline = MonotonicNs() + IntervalNs;
        while (!Stop) {
            while (!Stop) {
                const int64_t left = deadline - MonotonicNs();
                if (left <= 0) break;
                SleepUntilNs(left > StopCheckNs ? MonotonicNs() + StopCheckNs : deadline);
            }
            if (Stop) break;
            Post([self, timer] { self->Tick(*timer); });
            deadline += IntervalNs;
            // After a stall of the worker itself (a loaded or suspended machine) the
            // missed ticks are dropped but the phase is kept, so that the ticks stay on
            // the grid playback started with; ticks the main thread is slow to take
            // still queue up.
            const int64_t behind = MonotonicNs() - deadline;
            if (behind > IntervalNs) deadline += behind / IntervalNs * IntervalNs;
        }
    }

    // On the main thread.
    void Tick(THighTimer& timer) {
        if (Stop) return;
        try {
            Handler(timer);
        } catch (...) {
            ShowUnhandledError(std::current_exception()); // and the ticks go on
        }
    }
};

THighTimer::THighTimer(TPost post) : Post(std::move(post)) {}

THighTimer::~THighTimer() {
    IsEnabled = false;
    Restart();
}

void THighTimer::SetTimerRes(uint32_t ms) {
    if (ms < MinPeriod) ms = MinPeriod;
    if (ms == Res) return;
    Res = ms;
    Restart();
}

void THighTimer::SetInterval(uint32_t ms) {
    if (ms == IntervalMs || ms < Res) return;
    IntervalMs = ms > MaxPeriod ? MaxPeriod : ms;
    Restart();
}

void THighTimer::SetEnabled(bool on) {
    if (on == IsEnabled) return;
    IsEnabled = on;
    Restart();
}

void THighTimer::SetOnTimer(TOnTimer handler) {
    OnTimer = std::move(handler);
    Restart();
}

void THighTimer::Restart() {
    if (std::shared_ptr<TWorker> old = std::move(Worker)) {
        Worker.reset();
        old->Stop = true;
        // The worker only sleeps and posts: it ends within one sleep slice. A handler
        // that stops its own timer runs on the main thread, never on the worker.
        old->Thread.join();
    }
    if (IntervalMs == 0 || !IsEnabled || !OnTimer || !Post) return;
    auto w = std::make_shared<TWorker>();
    w->Post = Post;
    w->Handler = OnTimer;
    w->IntervalNs = int64_t{IntervalMs} * NsPerMs;
    w->Thread = std::thread([w, this] { w->Run(w, this); });
    ResInEffect = Res;
    Worker = std::move(w);
}
