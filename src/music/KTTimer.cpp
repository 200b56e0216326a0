// The worker of TKTHiTimer: absolute deadlines on CLOCK_MONOTONIC, slept in slices
// short enough that a stop is seen quickly, so a worker is never left blocked.
#include "music/KTTimer.h"

#include "base/ErrorDisplay.h"
#include "base/MonotonicClock.h"

#include "base/ThreadSafety.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <sys/resource.h>

namespace {

constexpr int64_t NsPerMs = 1000000;
// A sleep is a wait that a stop or a nudge ends, up to this long before the deadline,
// then a sleep of the monotonic clock to the deadline itself.
constexpr int64_t FinalSleepNs = 2 * NsPerMs;
// The furthest a handler may put its next tick.
constexpr int64_t LongestWakeNs = 60000 * NsPerMs;

// The real-time priority asked for: high in the range, below what the kernel's own
// threads use; capped by what RLIMIT_RTPRIO lets an unprivileged process take.
bool TryRealTime(TThreadPriority p) {
    const int top = sched_get_priority_max(SCHED_FIFO);
    int wanted = p == TThreadPriority::TimeCritical ? top - 10 : top - 20;
    sched_param sp{};
    sp.sched_priority = wanted;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0) return true;
    rlimit rl{};
    if (getrlimit(RLIMIT_RTPRIO, &rl) != 0 || rl.rlim_cur == 0) return false;
    wanted = static_cast<int>(std::min<rlim_t>(rl.rlim_cur, static_cast<rlim_t>(wanted)));
    sp.sched_priority = std::max(wanted, sched_get_priority_min(SCHED_FIFO));
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0;
}

bool ApplyPriority(TThreadPriority p) {
    if (p == TThreadPriority::Highest || p == TThreadPriority::TimeCritical) return TryRealTime(p);
    if (p == TThreadPriority::Idle) {
        sched_param sp{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &sp);
    }
    return false;
}

} // namespace

// One worker's life: its stop mark and what it was started with (its own copies of
// the handler and the poster, so that a handler may destroy the timer it runs for),
// shared with the ticks it posts, so that none of them runs once it was told to stop.
struct TKTHiTimer::TWorker {
    std::atomic<bool> Stop{false};
    std::thread Thread;
    // Set once Thread holds the worker: until then the worker waits, so that a
    // handler stopping its own timer finds the handle complete.
    std::atomic<bool> Ready{false};
    TOnTimer Handler;
    TPostToMain Post;
    int64_t IntervalNs = 0;
    TThreadPriority Priority = TThreadPriority::Normal;
    bool Synchronize = false;
    bool MessageMode = false;
    // A posted tick not yet delivered (message mode drops ticks meanwhile).
    std::atomic<bool> Busy{false};
    // The wake-up a handler asked for (0 = none), and whether it replaces the regular
    // tick; the worker's own.
    int64_t WakeNs = 0;
    bool WakeReplaces = false;
    // Ends a wait early: a stop or a nudge. The flags are atomic; the mutex only
    // serves the condition variable.
    std::atomic<bool> Nudged{false};
    std::mutex SleepLock;
    std::condition_variable SleepChanged;
    // Synchronize: the posted tick ran.
    TMutex DoneLock;
    std::condition_variable DoneChanged;
    bool Done GUARDED_BY(DoneLock) = false;

    void TellToStop() {
        {
            std::lock_guard<std::mutex> sleeping(SleepLock);
            Stop = true;
        }
        SleepChanged.notify_all();
        TLock lock(DoneLock);
        DoneChanged.notify_all(); // a worker waiting for its posted tick
    }
    void Wake() {
        {
            std::lock_guard<std::mutex> sleeping(SleepLock);
            Nudged = true;
        }
        SleepChanged.notify_all();
    }
    // Until the monotonic clock reads `deadline`; false when woken early.
    bool SleepUntil(int64_t deadline) {
        while (!Stop) {
            const int64_t left = deadline - MonotonicNs();
            if (left <= 0) return true;
            if (left <= FinalSleepNs) {
                SleepUntilNs(deadline);
                continue;
            }
            std::unique_lock<std::mutex> sleeping(SleepLock);
            const std::chrono::steady_clock::time_point until{
                std::chrono::nanoseconds(deadline - FinalSleepNs)};
            SleepChanged.wait_until(sleeping, until, [this] { return Stop || Nudged; });
            if (Nudged.exchange(false)) return false;
        }
        return false;
    }
};

thread_local TKTHiTimer::TWorker* TKTHiTimer::TickWorker = nullptr;

TKTHiTimer::TKTHiTimer(uint16_t interval) {
    TLock lock(Lock);
    IntervalMs = interval < MinPeriod ? DefaultInterval : interval;
}

TKTHiTimer::~TKTHiTimer() {
    {
        TLock lock(Lock);
        Destroying = true;
    }
    Restart();
}

void TKTHiTimer::SetEnabled(bool on) {
    {
        TLock lock(Lock);
        IsEnabled = on;
    }
    Restart();
}

bool TKTHiTimer::Enabled() const {
    TLock lock(Lock);
    return IsEnabled;
}

void TKTHiTimer::SetInterval(uint16_t ms) {
    {
        TLock lock(Lock);
        if (ms == IntervalMs) return;
        IntervalMs = (ms < MinPeriod || ms > MaxPeriod) ? DefaultInterval : ms;
    }
    Restart();
}

uint16_t TKTHiTimer::Interval() const {
    TLock lock(Lock);
    return IntervalMs;
}

void TKTHiTimer::SetTimerRes(uint16_t ms) {
    TLock lock(Lock);
    TimerResMs = ms;
}

uint16_t TKTHiTimer::TimerRes() const {
    TLock lock(Lock);
    return TimerResMs;
}

void TKTHiTimer::SetOnTimer(TOnTimer handler) {
    TLock lock(Lock);
    OnTimer = std::move(handler);
}

void TKTHiTimer::SetSynchronize(bool on) {
    TLock lock(Lock);
    SynchronizeTicks = on;
}

bool TKTHiTimer::Synchronize() const {
    TLock lock(Lock);
    return SynchronizeTicks;
}

void TKTHiTimer::SetUseThread(bool on) {
    {
        TLock lock(Lock);
        if (on == ThreadMode) return;
        ThreadMode = on;
    }
    Restart();
}

bool TKTHiTimer::UseThread() const {
    TLock lock(Lock);
    return ThreadMode;
}

void TKTHiTimer::SetThreadPriority(TThreadPriority priority) {
    bool restart;
    {
        TLock lock(Lock);
        if (priority == Priority) return;
        Priority = priority;
        restart = ThreadMode;
    }
    if (restart) Restart();
}

TThreadPriority TKTHiTimer::ThreadPriority() const {
    TLock lock(Lock);
    return Priority;
}

void TKTHiTimer::SetPostToMain(TPostToMain post) {
    TLock lock(Lock);
    Post = std::move(post);
}

void TKTHiTimer::WakeAtTick(uint32_t tick, bool orLater) {
    TWorker* w = TickWorker;
    if (!w || w->MessageMode || w->Synchronize) return;
    // The system tick counter is the monotonic clock in whole milliseconds, cut to 32
    // bits: the moment it reads `tick` is found from the counter's value now.
    const int64_t now = MonotonicNs();
    const uint32_t current = static_cast<uint32_t>(now / NsPerMs);
    const int64_t ahead = static_cast<int32_t>(tick - current);
    if (ahead <= 0 || ahead * NsPerMs > (orLater ? LongestWakeNs : w->IntervalNs)) return;
    const int64_t at = (now / NsPerMs + ahead) * NsPerMs;
    if (w->WakeNs == 0 || at < w->WakeNs) w->WakeNs = at;
    w->WakeReplaces = w->WakeReplaces || orLater;
}

void TKTHiTimer::Nudge() {
    TLock lock(Lock);
    if (Current) Current->Wake();
}

void TKTHiTimer::Restart() {
    std::vector<std::shared_ptr<TWorker>> toJoin;
    bool noTimers = false;
    {
        TLock lock(Lock);
        if (std::shared_ptr<TWorker> old = std::move(Current)) {
            Current.reset();
            old->TellToStop();
            if (old.get() != TickWorker)
                toJoin.push_back(std::move(old));
            else if (Destroying)
                old->Thread.detach(); // the handler destroys its timer: the worker ends alone
            else
                Retired.push_back(std::move(old)); // it ends when its handler returns
        }
        // Workers that stopped themselves have ended, or are about to.
        std::erase_if(Retired, [&](std::shared_ptr<TWorker>& w) {
            if (w.get() == TickWorker) return false;
            toJoin.push_back(std::move(w));
            return true;
        });
        noTimers = !Destroying && IsEnabled && OnTimer && !ThreadMode && !Post;
        if (!Destroying && IsEnabled && OnTimer && !noTimers) {
            auto w = std::make_shared<TWorker>();
            w->Handler = OnTimer;
            w->Post = Post;
            w->IntervalNs = int64_t{IntervalMs} * NsPerMs;
            w->Priority = Priority;
            w->MessageMode = !ThreadMode;
            w->Synchronize = ThreadMode && SynchronizeTicks && Post;
            RealTime = false;
            Current = w;
            w->Thread = std::thread([this, w] { RunWorker(w); });
            w->Ready = true;
            w->Ready.notify_one();
        }
    }
    // No lock is held while waiting: a handler still running may call in.
    for (auto& w : toJoin)
        if (w->Thread.joinable()) w->Thread.join();
    // Message mode without a way to the main thread has no timer to tick with.
    if (noTimers) throw std::runtime_error("Not enough timers available");
}

void TKTHiTimer::DeliverTick(const std::shared_ptr<TWorker>& w) {
    // What a handler throws goes to the program's error display; the timer goes on.
    const auto runHandler = [this, w] {
        try {
            w->Handler(*this);
        } catch (...) {
            ShowUnhandledError(std::current_exception());
        }
    };
    if (!w->MessageMode && !w->Synchronize) {
        TickWorker = w.get();
        runHandler();
        TickWorker = nullptr;
        return;
    }
    if (w->MessageMode) {
        // A tick still on its way makes this one superfluous, as with window timers.
        if (w->Busy.exchange(true)) return;
        w->Post([w, runHandler] {
            if (!w->Stop) runHandler();
            w->Busy = false;
        });
        return;
    }
    {
        TLock lock(w->DoneLock);
        w->Done = false;
    }
    w->Post([w, runHandler] {
        if (!w->Stop) runHandler();
        TLock lock(w->DoneLock);
        w->Done = true;
        w->DoneChanged.notify_all();
    });
    TLock lock(w->DoneLock);
    while (!w->Done && !w->Stop)
        w->DoneLock.Wait(w->DoneChanged);
}

void TKTHiTimer::RunWorker(const std::shared_ptr<TWorker>& self) {
    self->Ready.wait(false);
    if (!self->MessageMode) RealTime = ApplyPriority(self->Priority);
    int64_t deadline = MonotonicNs();
    while (!self->Stop) {
        self->WakeNs = 0;
        self->WakeReplaces = false;
        DeliverTick(self);
        // From here on the timer may be gone (a handler stopped or destroyed it):
        // only the worker's own record is touched until the stop mark is read.
        if (self->Stop) break;
        deadline += self->IntervalNs;
        const int64_t now = MonotonicNs();
        // After a stall (a long tick, a suspended machine) the phase starts afresh
        // instead of firing the missed ticks in a burst.
        if (now - deadline > self->IntervalNs) deadline = now + self->IntervalNs;
        if (self->WakeNs != 0 && (self->WakeReplaces || self->WakeNs < deadline))
            deadline = self->WakeNs; // the regular ticks go on from the handler's moment
        if (!self->SleepUntil(deadline)) deadline = MonotonicNs(); // nudged: a fresh phase
    }
}
