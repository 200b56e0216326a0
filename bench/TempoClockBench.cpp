// The tempo clock's steadiness and cost: how late each quarter-beat step reaches its
// subscriber against its ideal moment (the start tick plus k steps at the tempo) on
// CLOCK_MONOTONIC, at 100 and 200 beats a minute, with the main thread idle and busy;
// and the CPU the running clock and accompaniment take. The accompaniment plays the
// dense style into a synthesiser that only counts, so the figures are the clock's and
// the engine's own.
//
//   build/bin/bench_tempo_clock [SECONDS]     (each of the four runs; 600 by default)
#include "BenchSupport.h"

#include "music/AutoAccomp.h"
#include "music/KTMetronome.h"
#include "sound/ISynthesizer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

namespace {

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A synthesiser that only counts what reaches it.
class TCountingSynth final : public ISynthesizer {
public:
    std::atomic<int> Sent{0};
    bool SendShortMessage(uint8_t, uint8_t, uint8_t) override {
        ++Sent;
        return true;
    }
    bool NoteOn(uint8_t, uint8_t, uint8_t) override { return SendShortMessage(0, 0, 0); }
    bool NoteOff(uint8_t, uint8_t) override { return SendShortMessage(0, 0, 0); }
    bool ControlChange(uint8_t, uint8_t, uint8_t) override { return SendShortMessage(0, 0, 0); }
    bool SetPatch(uint8_t, uint32_t) override { return SendShortMessage(0, 0, 0); }
    void SetSustain(uint8_t, bool) override {}
    void AllNotesOff(uint8_t) override {}
    void AllSoundOff(uint8_t) override {}
    bool SelectDrumKit() override { return true; }
    uint32_t ChannelPatch(uint8_t) const override { return 0; }
    uint8_t LastNote(uint8_t) const override { return 0; }
};

struct TRunResult {
    std::vector<double> LatenessMs; // by step, in order
    double CpuPercent = 0;
    int Sent = 0;
    bool RealTime = false;
};

TRunResult Run(double tempo, bool busy, double seconds) {
    const size_t steps = static_cast<size_t>(seconds * tempo * 4 / 60) + 16;
    std::vector<int64_t> at(steps, 0);
    std::vector<int64_t> index(steps, -1);
    std::atomic<size_t> count{0};

    TMetronome clock(TSystemTickClock::Instance());
    TCountingSynth synth;
    TAutoAccomp accomp(clock);
    accomp.SetSynthesizer(&synth);
    accomp.SetAccompStyleGroupNum(0);
    accomp.SetAccompStyleIndex(2); // "4/4 (密集)": the most strokes a step
    clock.SetTempo(tempo);
    // The bench's subscriber stands after the accompaniment, as the main window's does.
    clock.SetActive(false);
    accomp.SetStart(true);
    clock.Subscribe("Bench", meNewStep,
                    [&](TMetronome&, uint16_t, bool&, int32_t, double bars, double) {
                        const int64_t now = MonotonicNs();
                        const size_t n = count.load(std::memory_order_relaxed);
                        if (n >= at.size()) return;
                        at[n] = now;
                        index[n] = static_cast<int64_t>(std::floor(bars * 16 + 1e-9));
                        count.store(n + 1, std::memory_order_release);
                    });
    const double cpuBefore = ProcessCpuSeconds();
    clock.SetActive(true);
    const int64_t end = MonotonicNs() + static_cast<int64_t>(seconds * 1e9);
    volatile uint64_t spin = 0;
    while (MonotonicNs() < end) {
        if (busy)
            for (int i = 0; i < 100000; ++i)
                spin = spin + static_cast<uint64_t>(i);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    TRunResult r;
    r.RealTime = clock.Timer().RealTimeScheduling();
    clock.SetActive(false);
    r.CpuPercent = (ProcessCpuSeconds() - cpuBefore) / seconds * 100;
    accomp.SetStart(false);
    r.Sent = synth.Sent;

    // The start tick is the monotonic clock in whole ms, cut to 32 bits: the full
    // value is the first step's millisecond with its low 32 bits replaced.
    const size_t n = count.load(std::memory_order_acquire);
    if (n == 0) return r;
    const int64_t firstMs = at[0] / 1000000;
    int64_t baseMs = (firstMs & ~int64_t{0xFFFFFFFF}) | clock.StartTick();
    if (baseMs > firstMs) baseMs -= int64_t{1} << 32;
    const double stepNs = 15000.0 / tempo * 1e6;
    for (size_t k = 0; k < n; ++k)
        r.LatenessMs.push_back(
            (double(at[k]) - (double(baseMs) * 1e6 + double(index[k]) * stepNs)) / 1e6);
    return r;
}

double At(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * double(v.size() - 1))];
}

double MedianOf(const std::vector<double>& v, size_t from, size_t count) {
    return At(std::vector<double>(v.begin() + static_cast<long>(from),
                                  v.begin() + static_cast<long>(from + count)),
              0.5);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600;
    if (argc > 2 || seconds <= 0) {
        std::fprintf(stderr, "usage: %s [SECONDS]\n", argv[0]);
        return 2;
    }
    std::printf("runs of %.0f s each\n\n", seconds);
    std::printf("| tempo | main thread | steps | median (ms) | p99 (ms) | worst (ms) | drift (ms) "
                "| CPU %% of a core | real-time scheduling |\n");
    std::printf("|---:|---|---:|---:|---:|---:|---:|---:|---|\n");
    for (double tempo : {100.0, 200.0}) {
        for (bool busy : {false, true}) {
            TRunResult r = Run(tempo, busy, seconds);
            const std::vector<double>& l = r.LatenessMs;
            if (l.size() < 200) {
                std::printf("| %.0f | %s | %zu | too few steps |\n", tempo, busy ? "busy" : "idle",
                            l.size());
                continue;
            }
            // Drift: where the last hundred steps fall against the first hundred.
            const double drift = MedianOf(l, l.size() - 100, 100) - MedianOf(l, 0, 100);
            std::printf("| %.0f | %s | %zu | %.3f | %.3f | %.3f | %+.3f | %s | %s |\n", tempo,
                        busy ? "busy" : "idle", l.size(), At(l, 0.5), At(l, 0.99),
                        *std::max_element(l.begin(), l.end()), drift,
                        busy ? "-" : std::to_string(r.CpuPercent).substr(0, 5).c_str(),
                        r.RealTime ? "SCHED_FIFO" : "no (ordinary)");
            std::fflush(stdout);
        }
    }
    return 0;
}
