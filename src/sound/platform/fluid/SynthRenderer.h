// The rendering side of the synthesiser: the queue of messages the senders stamp with
// the latency clock, the renderer that applies each at its frame, the rest (no voice,
// the effects' tails over, nothing queued) during which the audio driver's thread
// sleeps on a futex, and the guard under which a voice set arrives.
#pragma once

#include "base/ThreadSafety.h"
#include "sound/LatencyClock.h"
#include "sound/platform/fluid/FluidTypes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

// FluidSynth renders in blocks of this many frames: a message takes effect at the
// start of the next block.
constexpr int FluidBlock = 64;

// The monotonic clock in nanoseconds, the senders' clock unless one is given.
int64_t MonotonicNanos();
// Frames of silence after the last voice before the effects' tails of a reverb with
// FluidSynth's room size `roomsize` are taken as over.
int64_t TailFramesFor(double roomsize, int sampleRate);
// Applies one message to the synthesiser.
void ApplyToSynth(fluid_synth_t* synth, const TTimedMessage& m);
// A note-on with a velocity: a message that starts a sound.
bool StartsSound(const TTimedMessage& m);

// Render runs on one thread at a time: the audio driver's, or the caller of an offline
// render. The senders reach it only through the queue and atomics.
struct TSynthRenderer {
    // Messages that can wait for the renderer; a key press sends at most 16 (a chord
    // of eight notes and their pedal), the accompaniment a few per step.
    static constexpr size_t QueueCapacity = 4096;

    TSynthRenderer(fluid_synth_t* synth, int sampleRate, std::function<int64_t()> now);

    TTimedMessageQueue<QueueCapacity> Queue;
    fluid_synth_t* const Synth;
    const std::function<int64_t()> Now; // the senders' clock

    // Set by the senders' side, read by the renderer.
    std::atomic<bool> SampleStamps{false};
    std::atomic<int> PeriodFrames{64};
    std::atomic<int> MaxDelayFrames{1 << 30};
    std::atomic<int64_t> TailFrames;
    std::atomic<bool> RestartLine{true};
    // The driver is being stopped: its thread must not fall asleep in the callback.
    std::atomic<bool> Halting{false};
    // Frames the driver's stream holds in front of the period being rendered, once it
    // runs; a stream that starts again after a sleep plays its first period at once.
    std::atomic<int> StreamLeadFrames{0};
    // Published by the renderer.
    std::atomic<int64_t> Rendered{0};
    std::atomic<int> Delay{0};
    std::atomic<bool> Resting{true};
    // The driver's thread sleeps in the callback while nothing sounds; a sender that
    // finds it asleep bumps the count and wakes it (a futex wake, no lock).
    std::atomic<bool> Sleeping{false};
    std::atomic<uint32_t> WakeCount{0};

    // The time a message sent now is stamped with.
    int64_t Stamp() const;
    // Who renders: the caller of offline renders, a running driver, or nobody.
    enum class TRendering { Offline, Driver, None };
    // Senders' side: stamps `m` with the latency clock and hands it to the renderer;
    // to the synthesiser at once when nothing renders, or when the queue stays full (a
    // driver that stopped rendering; an offline port nobody renders, whose renders
    // `offlineRenders` then keeps out). A note is dropped while a set arrives.
    void Hand(TTimedMessage m, TRendering rendering, TMutex& offlineRenders)
        EXCLUDES(offlineRenders);
    // One period of `frames` frames starting at time `now`, with the messages due in
    // it applied at their frames.
    void Render(float* left, float* right, int frames, int64_t now);
    // With no renderer running: every message waiting goes to the synthesiser now.
    void Flush();
    // Senders' side, after a push or a halt: wakes a sleeping driver thread.
    void Nudge();

    // A voice set arrives: FluidSynth holds its own lock for the whole load, so from
    // BeginArrival to EndArrival the renderer leaves FluidSynth alone (silence) and
    // keeps the messages until it is over. BeginArrival returns once a period being
    // rendered has left FluidSynth. Arrivals may overlap; the last to end ends it.
    void BeginArrival();
    void EndArrival();
    bool Arriving() const { return Arrivals.load(std::memory_order_acquire) > 0; }

    // The audio driver's callback: `data` is the renderer.
    static int DriverCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);

private:
    void RenderPeriod(float* left, float* right, int frames, int64_t now);
    void Segment(float* left, float* right, int from, int to);
    void Wake();
    void SetAtRest(bool on);
    void SleepWhileAtRest();

    std::atomic<int> Arrivals{0};
    std::atomic<bool> InRender{false};
    // The renderer's own.
    TLatencyClock Clock;
    int64_t Position = 0;    // frames rendered
    int64_t FluidFrames = 0; // frames FluidSynth rendered (none at rest)
    int64_t QuietFrames = 0; // frames rendered since the last voice ended
    bool AtRest = true;      // nothing has sounded yet
    bool Slept = false;      // the driver's stream ran dry while the thread slept
    std::array<float, 2 * FluidBlock> Scratch{};
};
