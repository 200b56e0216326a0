// The tempo clock's positions, its tick and its subscription list. The list's lock is
// let go while a subscriber runs, so that a subscriber may subscribe and unsubscribe;
// a removal from another thread waits until the subscriber's call is over.
#include "music/KTMetronome.h"

#include <cmath>

namespace {
// Quarter-beat steps a millisecond at one beat a minute.
constexpr double StepsPerMsPerBpm = 4.0 / 60000.0;
// Rounding of the step position: a step that begins exactly now counts as begun.
constexpr double StepEpsilon = 1e-9;
} // namespace

TMetronome::TMetronome(const ITickClock& clock, TTempoDriver driver)
    : Clock(clock), Driver(driver), HiTimer(TickInterval) {
    HiTimer.SetTimerRes(1);
    HiTimer.SetSynchronize(false);
    HiTimer.SetUseThread(true);
    HiTimer.SetThreadPriority(TThreadPriority::Highest);
    HiTimer.SetOnTimer([this](TKTHiTimer&) { Tick(); });
}

TMetronome::~TMetronome() {
    HiTimer.SetEnabled(false);
}

void TMetronome::Reset() {
    ElapsedMs = 0;
    LastSecond = LastBar = LastBeat = LastStep = -1;
    PosMs = PosSteps = MsAtChange = StepsAtChange = 0;
    BaseTick = Clock.TickCount();
}

void TMetronome::SetActive(bool on) {
    // The worker is gone (or, from inside a tick, will be once it returns) before the
    // state is reset under it.
    HiTimer.SetEnabled(false);
    {
        TLock lock(Mutex);
        Reset();
        Running = on;
        RestartMark = on;
        if (on) StartTickCount = BaseTick;
    }
    if (on) {
        if (OnStart) OnStart(*this);
        if (Driver == TTempoDriver::Thread) HiTimer.SetEnabled(true);
    } else if (OnStop) {
        OnStop(*this);
    }
}

bool TMetronome::Active() const {
    TLock lock(Mutex);
    return Running;
}

void TMetronome::SetTempo(double beatsPerMinute) {
    // A tempo of 0 or below would stop or reverse the time line.
    if (!(beatsPerMinute > 0) || !std::isfinite(beatsPerMinute)) return;
    TLock lock(Mutex);
    if (beatsPerMinute == TempoBpm) return;
    if (Running && !RestartMark) ComputePosition(Clock.TickCount());
    MsAtChange = PosMs;
    StepsAtChange = PosSteps;
    TempoBpm = beatsPerMinute;
    lock.Unlock();
    HiTimer.Nudge(); // the next step's moment has moved
}

double TMetronome::Tempo() const {
    TLock lock(Mutex);
    return TempoBpm;
}

double TMetronome::PositionBars() const {
    TLock lock(Mutex);
    return PosSteps / (4.0 * BarBeats);
}

double TMetronome::PositionMs() const {
    TLock lock(Mutex);
    return PosMs;
}

uint32_t TMetronome::StartTick() const {
    TLock lock(Mutex);
    return StartTickCount;
}

void TMetronome::ComputePosition(uint32_t now) {
    PosMs = static_cast<double>(now - BaseTick);
    PosSteps = StepsAtChange + (PosMs - MsAtChange) * TempoBpm * StepsPerMsPerBpm;
}

uint32_t TMetronome::NextStepTick() const {
    const double next = std::floor(PosSteps + StepEpsilon) + 1;
    const double ms = MsAtChange + (next - StepsAtChange) / (TempoBpm * StepsPerMsPerBpm);
    const double second = (std::floor(PosMs / 1000) + 1) * 1000;
    return BaseTick + static_cast<uint32_t>(std::ceil(std::min(ms, second)));
}

bool TMetronome::Subscribe(std::string_view name, uint16_t mask, TMetronomeCallback callback) {
    TLock lock(Mutex);
    for (const auto& s : Subs)
        if (s && !s->Removed && s->Name == name) return false;
    auto sub = std::make_unique<TMetronomeNotify>();
    sub->Name = name;
    sub->Mask = mask;
    sub->Callback = std::move(callback);
    const bool everyTick = mask & meTick;
    Subs.push_back(std::move(sub));
    lock.Unlock();
    if (everyTick) HiTimer.Nudge(); // the clock may be sleeping until the next step
    return true;
}

void TMetronome::WaitIdle(TLock& lock, const TMetronomeNotify* sub) {
    (void)lock;
    while (true) {
        bool inCall = false;
        for (const auto& s : Subs)
            if (s.get() == sub) inCall = s->InCall;
        if (!inCall) return;
        Mutex.Wait(CallEnded);
    }
}

bool TMetronome::Unsubscribe(std::string_view name) {
    TLock lock(Mutex);
    while (true) {
        size_t i = 0;
        while (i < Subs.size() && !(Subs[i] && !Subs[i]->Removed && Subs[i]->Name == name))
            ++i;
        if (i == Subs.size()) return false;
        TMetronomeNotify* sub = Subs[i].get();
        if (!sub->InCall) {
            Subs[i].reset(); // the slot stays, empty
            return true;
        }
        if (TickThread == std::this_thread::get_id()) {
            // From inside its own call: the tick frees it when the call returns.
            sub->Removed = true;
            return true;
        }
        // The call ends soon; the tick may free the subscription itself meanwhile,
        // so it is looked up again.
        WaitIdle(lock, sub);
    }
}

int TMetronome::IndexOf(std::string_view name) const {
    TLock lock(Mutex);
    for (size_t i = 0; i < Subs.size(); ++i)
        if (Subs[i] && !Subs[i]->Removed && Subs[i]->Name == name) return static_cast<int>(i);
    return -1;
}

void TMetronome::Tick() {
    TLock lock(Mutex);
    if (!Running) return;
    const uint32_t now = Clock.TickCount();
    if (RestartMark) {
        StartTickCount = BaseTick = now;
        RestartMark = false;
    }
    ElapsedMs = static_cast<int32_t>(now - StartTickCount);
    ComputePosition(now);

    const int64_t stepsPerBar = 4 * int64_t{BarBeats};
    const auto steps = static_cast<int64_t>(std::floor(PosSteps + StepEpsilon));
    const auto second = static_cast<int32_t>(PosMs / 1000);
    const auto bar = static_cast<int32_t>(steps / stepsPerBar);
    const auto beat = static_cast<int32_t>(steps % stepsPerBar / 4);
    const auto step = static_cast<int32_t>(steps % 4);
    uint16_t events = meTick;
    if (second != LastSecond) events |= meNewSecond;
    if (bar != LastBar) events |= meNewBar;
    if (beat != LastBeat) events |= meNewBeat;
    if (step != LastStep) events |= meNewStep;
    const double bars = PosSteps / double(stepsPerBar), ms = PosMs;

    TickThread = std::this_thread::get_id();
    const size_t count = Subs.size();
    for (size_t i = 0; i < count && Running; ++i) {
        TMetronomeNotify* sub = Subs[i].get();
        if (!sub || sub->Removed || !sub->Callback) continue;
        const uint16_t m = sub->Mask & events;
        if (m == 0) continue;
        bool remove = false;
        sub->InCall = true;
        lock.Unlock();
        sub->Callback(*this, m, remove, BarBeats, bars, ms);
        lock.Lock();
        sub->InCall = false;
        // Slots never move, so the subscription is still at i.
        if (remove || !sub->Persistent || sub->Removed) Subs[i].reset();
        CallEnded.notify_all();
    }
    TickThread = {};
    if (!Running) return;
    LastSecond = second;
    LastBar = bar;
    LastBeat = beat;
    LastStep = step;
    if (Driver != TTempoDriver::Thread) return;
    // Woken for the next step or second; with no one asking for every tick, the clock
    // sleeps through the ticks between.
    bool everyTick = false;
    for (const auto& s : Subs)
        if (s && !s->Removed && (s->Mask & meTick)) everyTick = true;
    HiTimer.WakeAtTick(NextStepTick(), !everyTick);
}
