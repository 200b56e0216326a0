// The renderer: FluidSynth's output period by period, each queued message applied at
// its frame on the latency clock, nothing rendered at rest.
#include "sound/platform/fluid/SynthRenderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

// FluidSynth's reverb turns its room size into a decay time at low frequencies of
// 0.7 s (room size 0) to 12.5 s (room size 1), in a straight line.
constexpr double ReverbMinTime = 0.7, ReverbMaxTime = 12.5;

} // namespace

int64_t MonotonicNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t TailFramesFor(double roomsize, int sampleRate) {
    const double decay =
        ReverbMinTime + std::clamp(roomsize, 0.0, 1.0) * (ReverbMaxTime - ReverbMinTime);
    return std::llround((decay + 0.5) * sampleRate);
}

void ApplyToSynth(fluid_synth_t* synth, const TTimedMessage& m) {
    const uint8_t ch = m.Status & 0x0F;
    switch (m.Status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth, ch, m.Data1);
        break;
    case 0x90:
        if (m.Data2 == 0)
            fluid_synth_noteoff(synth, ch, m.Data1);
        else
            fluid_synth_noteon(synth, ch, m.Data1, m.Data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, ch, m.Data1, m.Data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth, ch, m.Data1, m.Data2);
        break;
    case 0xC0:
        fluid_synth_program_select(synth, ch, m.SoundFont, m.Bank, m.Program);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, ch, m.Data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth, ch, m.Data1 | (m.Data2 << 7));
        break;
    }
}

bool StartsSound(const TTimedMessage& m) {
    return (m.Status & 0xF0) == 0x90 && m.Data2 != 0;
}

TSynthRenderer::TSynthRenderer(fluid_synth_t* synth, int sampleRate, std::function<int64_t()> now)
    : Synth(synth), Now(std::move(now)), TailFrames(TailFramesFor(0.2, sampleRate)),
      Clock(sampleRate) {}

int64_t TSynthRenderer::Stamp() const {
    if (SampleStamps.load(std::memory_order_relaxed))
        return Rendered.load(std::memory_order_acquire);
    return Now ? Now() : MonotonicNanos();
}

void TSynthRenderer::Hand(TTimedMessage m, TRendering rendering, TMutex& offlineRenders) {
    m.Sent = Stamp();
    // While a set is arriving there is no voice to play: a note is dropped rather than
    // sounded late, once the samples are in; everything else waits for them.
    if (StartsSound(m) && Arriving()) return;
    // The offline port renders whenever its caller asks; a software port only while
    // its driver runs.
    if (rendering == TRendering::Offline) {
        if (Queue.Push(m)) return;
        // Nobody has rendered for thousands of messages: what waits is applied now,
        // in order, as the renderer would.
        TLock rendering(offlineRenders);
        Flush();
    } else if (rendering == TRendering::Driver) {
        // A full queue means the driver's thread is behind: it takes what is due each
        // period, so wait for it a little rather than overtake what waits. A driver
        // that stopped rendering altogether gets the message directly.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        do {
            if (Queue.Push(m)) {
                Nudge();
                return;
            }
            std::this_thread::yield();
        } while (std::chrono::steady_clock::now() < giveUp);
    } else {
        Flush(); // nothing renders: what the last driver left, first
    }
    ApplyToSynth(Synth, m);
}

void TSynthRenderer::Render(float* left, float* right, int frames, int64_t now) {
    // Announced before the arrival is looked at: a set that begins to arrive after
    // the look waits for this period (BeginArrival).
    InRender.store(true, std::memory_order_seq_cst);
    RenderPeriod(left, right, frames, now);
    InRender.store(false, std::memory_order_release);
}

void TSynthRenderer::RenderPeriod(float* left, float* right, int frames, int64_t now) {
    const bool sampleStamps = SampleStamps.load(std::memory_order_relaxed);
    if (!sampleStamps) {
        if (RestartLine.exchange(false)) Clock.Reset();
        Clock.Configure(PeriodFrames.load(std::memory_order_relaxed),
                        MaxDelayFrames.load(std::memory_order_relaxed));
        // After a sleep the stream is empty and this period is heard at once, where
        // a running stream holds its lead in front of it: the line starts that lead
        // ahead, so that a note after a rest is as late as any other. The periods
        // after it, rendered while the stream fills up again, meet the line.
        int64_t lead = 0;
        if (Slept) {
            Slept = false;
            Clock.Reset();
            lead = StreamLeadFrames.load(std::memory_order_relaxed);
        }
        Clock.Period(now, Position + lead, frames);
        Delay.store(Clock.DelayFrames(), std::memory_order_relaxed);
    }
    if (Arrivals.load(std::memory_order_seq_cst) > 0) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        Position += frames;
        Rendered.store(Position, std::memory_order_release);
        return;
    }
    // Notes played while nothing rendered (the driver stopped) wake the renderer.
    if (AtRest && fluid_synth_get_active_voice_count(Synth) > 0) SetAtRest(false);
    int done = 0;
    while (const TTimedMessage* m = Queue.Front()) {
        const int64_t due = sampleStamps ? m->Sent : Clock.Due(m->Sent);
        if (due - Position >= frames) break; // a later period's
        // A message whose time has passed plays at once, after those before it.
        const int at = static_cast<int>(std::clamp<int64_t>(due - Position, done, frames));
        Segment(left, right, done, at);
        done = at;
        if (AtRest && StartsSound(*m)) Wake();
        ApplyToSynth(Synth, *m);
        Queue.Pop();
    }
    Segment(left, right, done, frames);
    Position += frames;
    Rendered.store(Position, std::memory_order_release);
}

// Frames [from, to) of the period.
void TSynthRenderer::Segment(float* left, float* right, int from, int to) {
    const int frames = to - from;
    if (frames <= 0) return;
    std::fill(left + from, left + to, 0.0f);
    std::fill(right + from, right + to, 0.0f);
    if (AtRest) return;
    float* out[2] = {left + from, right + from};
    float* fx[4] = {out[0], out[1], out[0], out[1]};
    fluid_synth_process(Synth, frames, 4, fx, 2, out);
    FluidFrames += frames;
    if (fluid_synth_get_active_voice_count(Synth) > 0) {
        QuietFrames = 0;
    } else if ((QuietFrames += frames) >= TailFrames.load(std::memory_order_relaxed)) {
        SetAtRest(true);
    }
}

// Leaving rest for a note: what is left of FluidSynth's current block is silence and
// is dropped, so that the note's block starts exactly where the note is due.
void TSynthRenderer::Wake() {
    const int rest = static_cast<int>((FluidBlock - FluidFrames % FluidBlock) % FluidBlock);
    if (rest > 0) {
        float* out[2] = {Scratch.data(), Scratch.data() + FluidBlock};
        float* fx[4] = {out[0], out[1], out[0], out[1]};
        fluid_synth_process(Synth, rest, 4, fx, 2, out);
        FluidFrames += rest;
    }
    SetAtRest(false);
}

void TSynthRenderer::SetAtRest(bool on) {
    AtRest = on;
    QuietFrames = 0;
    Resting.store(on, std::memory_order_relaxed);
}

// While nothing sounds and nothing waits, the driver's thread sleeps here instead of
// rendering silence: its stream runs dry and costs nothing. A message wakes it
// (Nudge), and so does a driver being stopped.
void TSynthRenderer::SleepWhileAtRest() {
    while (AtRest && !Halting.load(std::memory_order_acquire)) {
        const uint32_t seen = WakeCount.load(std::memory_order_acquire);
        Sleeping.store(true, std::memory_order_seq_cst);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (!Queue.Empty() || Halting.load(std::memory_order_seq_cst)) {
            Sleeping.store(false, std::memory_order_relaxed);
            return;
        }
        WakeCount.wait(seen, std::memory_order_acquire);
        Sleeping.store(false, std::memory_order_relaxed);
        Slept = true;
    }
}

void TSynthRenderer::Nudge() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!Sleeping.load(std::memory_order_seq_cst)) return;
    WakeCount.fetch_add(1, std::memory_order_release);
    WakeCount.notify_all();
}

void TSynthRenderer::BeginArrival() {
    Arrivals.fetch_add(1, std::memory_order_seq_cst);
    // A period that began before the arrival was seen may still be in FluidSynth; it
    // is short, and once it is over the renderer stays out until EndArrival.
    while (InRender.load(std::memory_order_seq_cst))
        std::this_thread::yield();
}

void TSynthRenderer::EndArrival() {
    Arrivals.fetch_sub(1, std::memory_order_acq_rel);
    Nudge();
}

int TSynthRenderer::DriverCallback(void* data, int len, int nfx, float* fx[], int nout,
                                   float* out[]) {
    auto* renderer = static_cast<TSynthRenderer*>(data);
    renderer->SleepWhileAtRest();
    for (int i = 0; i < nfx; ++i)
        if (fx[i]) std::fill(fx[i], fx[i] + len, 0.0f);
    for (int i = 2; i < nout; ++i)
        std::fill(out[i], out[i] + len, 0.0f);
    if (nout < 2) return FLUID_FAILED;
    renderer->Render(out[0], out[1], len, renderer->Now ? renderer->Now() : MonotonicNanos());
    return FLUID_OK;
}

void TSynthRenderer::Flush() {
    while (const TTimedMessage* m = Queue.Front()) {
        ApplyToSynth(Synth, *m);
        Queue.Pop();
    }
}
