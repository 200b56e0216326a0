#include "sound/LatencyClock.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double NanosPerSecond = 1e9;
// How much of each period's error moves the line: small enough that the wake-ups'
// jitter is averaged out, large enough to follow the card's clock drifting.
constexpr double LineGain = 1.0 / 16;
// An error this large (in periods, or 20 ms at least) means the stream stopped or
// skipped: the line starts afresh.
constexpr double RestartPeriods = 8;
constexpr double RestartNanos = 20e6;
// The peak lead forgets one part in this many per period (about a second at 5 ms).
constexpr double LeadDecay = 1.0 / 200;

} // namespace

void TLatencyClock::Configure(int periodFrames, int maxDelayFrames) {
    PeriodFrames = std::max(periodFrames, 1);
    MaxDelayFrames = std::max(maxDelayFrames, 0);
}

void TLatencyClock::Period(int64_t now, int64_t first, int frames) {
    LastFrames = frames;
    const double framesToNanos = NanosPerSecond / Rate;
    if (Locked) {
        const double predicted = AnchorTime + double(first - AnchorSample) * framesToNanos;
        const double error = double(now) - predicted;
        const double restart = std::max(RestartNanos, RestartPeriods * frames * framesToNanos);
        if (std::abs(error) <= restart) {
            AnchorTime = predicted + error * LineGain;
            AnchorSample = first;
            // Ahead of the line: the renderer reached `first` before the line did. A
            // renderer runs ahead by at most about one of its periods; further ahead it
            // is catching up after a stall (the stream played on, or ran dry, without
            // it), and counting all of that would hold every note back for a second.
            const double lead = std::min((AnchorTime - double(now)) / framesToNanos,
                                         double(std::max(PeriodFrames, frames)));
            LeadPeak = std::max(lead, LeadPeak * (1 - LeadDecay));
            return;
        }
    }
    Locked = true;
    AnchorTime = double(now);
    AnchorSample = first;
    LeadPeak = 0;
}

int64_t TLatencyClock::SampleAt(int64_t time) const {
    return AnchorSample + std::llround((double(time) - AnchorTime) * Rate / NanosPerSecond);
}

int TLatencyClock::DelayFrames() const {
    // Leads below a twentieth of a frame are the clocks' rounding, not the renderer's.
    const int lead = static_cast<int>(std::ceil(std::max(LeadPeak - 0.05, 0.0)));
    return std::min(std::max(PeriodFrames, LastFrames) + lead, MaxDelayFrames);
}

int64_t TLatencyClock::Due(int64_t sent) const {
    return SampleAt(sent) + DelayFrames();
}
