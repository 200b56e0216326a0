// TMetronome: the tempo clock. Turns elapsed milliseconds into a position in bars,
// beats and quarter-beat steps at a settable tempo and calls named subscribers when a
// new second, bar, beat or step begins. It makes no sound of its own.
#pragma once

#include "base/ITickClock.h"
#include "base/ThreadSafety.h"
#include "music/KTTimer.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Event bits, the same in a subscription's mask and in what a callback receives.
enum TMetronomeEvent : uint16_t {
    meTick = 1,
    meNewBar = 2,
    meNewBeat = 4,
    meNewStep = 8, // a new quarter-beat step
    meNewSecond = 16,
};

class TMetronome;

// A subscriber: the clock, the events it asked for that occurred, a remove mark it
// may set (false on entry), beats per bar, and the position in bars and in ms.
using TMetronomeCallback = std::function<void(TMetronome& sender, uint16_t events, bool& remove,
                                              int32_t beatsPerBar, double bars, double ms)>;

struct TMetronomeNotify {
    std::string Name;
    bool Persistent = true;
    uint16_t Mask = 0;
    TMetronomeCallback Callback;
    bool InCall = false;  // the tick is calling it, with the list's lock let go
    bool Removed = false; // unsubscribed from inside its own call: freed when it returns
};

// Who moves the clock: its own timer thread (the program), or the owner calling Tick
// (tests, and rendering, where time is the rendered audio's).
enum class TTempoDriver { Thread, Manual };

class TMetronome {
public:
    static constexpr uint16_t TickInterval = 5; // ms
    static constexpr double DefaultTempo = 100.0;

    explicit TMetronome(const ITickClock& clock, TTempoDriver driver = TTempoDriver::Thread);
    ~TMetronome();
    TMetronome(const TMetronome&) = delete;
    TMetronome& operator=(const TMetronome&) = delete;

    // Start: the time line begins at the first tick after it. Stop: the position goes
    // back to 0. Both from the main thread, or from a subscriber (the stop then takes
    // effect once the tick is over).
    void SetActive(bool on) EXCLUDES(Mutex);
    bool Active() const EXCLUDES(Mutex);
    // A different tempo keeps the bar position where it is and changes its rate.
    void SetTempo(double beatsPerMinute) EXCLUDES(Mutex);
    double Tempo() const EXCLUDES(Mutex);

    // False and nothing changes if the name (case-sensitive) is subscribed already.
    bool Subscribe(std::string_view name, uint16_t mask, TMetronomeCallback callback)
        EXCLUDES(Mutex);
    // False when there is none. Once it returns the callback is not running and will
    // not run again (from inside that very callback: once the callback returns).
    bool Unsubscribe(std::string_view name) EXCLUDES(Mutex);
    // Slot of the named subscription, or -1.
    int IndexOf(std::string_view name) const EXCLUDES(Mutex);

    int32_t BeatsPerBar() const { return BarBeats; }
    double PositionBars() const EXCLUDES(Mutex);
    double PositionMs() const EXCLUDES(Mutex);
    // The tick count the time line started at (after the first tick of a start).
    uint32_t StartTick() const EXCLUDES(Mutex);

    void SetOnStart(std::function<void(TMetronome&)> handler) { OnStart = std::move(handler); }
    void SetOnStop(std::function<void(TMetronome&)> handler) { OnStop = std::move(handler); }

    // One tick: the timer's worker calls it every TickInterval ms (and at each step's
    // moment); with the manual driver the owner does. Nothing happens while stopped.
    void Tick() EXCLUDES(Mutex);
    // The timer, for its scheduling facts.
    const TKTHiTimer& Timer() const { return HiTimer; }

private:
    void Reset() REQUIRES(Mutex);
    // Position from the tick count `now`: ms and quarter-beat steps since the start.
    void ComputePosition(uint32_t now) REQUIRES(Mutex);
    // The tick count at which the next quarter-beat step begins.
    uint32_t NextStepTick() const REQUIRES(Mutex);
    // Waits until no callback of `sub` runs on another thread.
    void WaitIdle(TLock& lock, const TMetronomeNotify* sub) REQUIRES(Mutex);

    const ITickClock& Clock;
    const TTempoDriver Driver;
    const int32_t BarBeats = 4; // nothing changes it: the accompaniment counts its own bars
    TKTHiTimer HiTimer;
    std::function<void(TMetronome&)> OnStart, OnStop;

    mutable TMutex Mutex;
    std::condition_variable CallEnded; // a callback returned (with Mutex)
    std::thread::id TickThread GUARDED_BY(Mutex);
    bool Running GUARDED_BY(Mutex) = false;
    bool RestartMark GUARDED_BY(Mutex) = false;
    uint32_t StartTickCount GUARDED_BY(Mutex) = 0;
    uint32_t BaseTick GUARDED_BY(Mutex) = 0;
    std::vector<std::unique_ptr<TMetronomeNotify>> Subs GUARDED_BY(Mutex);
    int32_t LastSecond GUARDED_BY(Mutex) = -1;
    int32_t LastBar GUARDED_BY(Mutex) = -1;
    int32_t LastBeat GUARDED_BY(Mutex) = -1;
    int32_t LastStep GUARDED_BY(Mutex) = -1;
    double MsAtChange GUARDED_BY(Mutex) = 0;
    double StepsAtChange GUARDED_BY(Mutex) = 0; // quarter-beat steps at the last change
    double TempoBpm GUARDED_BY(Mutex) = DefaultTempo;
    double PosMs GUARDED_BY(Mutex) = 0;
    double PosSteps GUARDED_BY(Mutex) = 0;
    int32_t ElapsedMs GUARDED_BY(Mutex) = 0;
};
