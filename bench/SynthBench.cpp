// The synthesiser's own delay from a note-on to its first sound, the driver's
// buffering at each latency setting, the cost of the note path, and the CPU time
// FluidSynth needs with many voices sounding.
//
//   build/bin/bench_synth build/bin/msf4.s
#include "BenchSupport.h"

#include "settings/Settings.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using bench::Rate;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Frames from a note-on to the first sample above -80 dBFS, rendering in periods.
int FirstSoundFrames(TKTDirectMusic& synth, int periodFrames) {
    std::vector<float> l(static_cast<size_t>(periodFrames)), r(l.size());
    synth.AllSoundOff(0);
    for (int i = 0; i < 8; ++i)
        synth.RenderOffline(l, r); // let the last note die
    synth.NoteOn(0, 60, 100);
    for (int rendered = 0; rendered < Rate; rendered += periodFrames) {
        synth.RenderOffline(l, r);
        for (int i = 0; i < periodFrames; ++i)
            if (std::fabs(l[i]) > 1e-4f || std::fabs(r[i]) > 1e-4f) {
                synth.NoteOff(0, 60);
                return rendered + i;
            }
    }
    synth.NoteOff(0, 60);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    bench::TOfflineSynth offline;
    if (const int status = offline.Start(argc, argv, 1, "MSF4.S")) return status;
    TKTDirectMusic& synth = offline.Synth;
    synth.SetPatch(0, MakePatch(65, 0, 0));
    synth.SetReverbLevel(0);

    std::printf("## note-on to first sound, by write latency\n\n");
    std::printf("| latency (ms) | period (ms) | period x count (frames) | driver buffer (frames) "
                "| synthesiser (frames) | total (frames) | total (ms) "
                "|\n|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int latency : {5, 10, 20, 30, 40, 45, 50, 60, 80, 100, 150, 200}) {
        synth.SetWriteLatency(static_cast<uint32_t>(latency));
        synth.SetWritePeriod(static_cast<uint32_t>(WritePeriodForLatency(latency)));
        const int frames = synth.DriverPeriodFrames(), periods = synth.DriverPeriods();
        const int buffer = frames * periods;
        // The note starts in the period being rendered; the worst case waits for
        // every period already queued in front of it.
        const int own = FirstSoundFrames(synth, frames);
        std::printf("| %d | %u | %d x %d | %d | %d | %d | %.1f |\n", latency,
                    synth.GetWritePeriod(), frames, periods, buffer, own, buffer + own,
                    (buffer + own) * 1000.0 / Rate);
    }

    std::printf("\n## CPU time with many voices (10 s of audio, offline)\n\n");
    std::printf("| notes held | voices sounding | CPU s for 10 s | real-time factor | us CPU per "
                "voice per s |\n|---:|---:|---:|---:|---:|\n");
    double idle = 0;
    for (int notes : {0, 64, 128}) {
        synth.AllSoundOff(0);
        synth.AllSoundOff(1);
        std::vector<float> l(512), r(512);
        for (int i = 0; i < 16; ++i)
            synth.RenderOffline(l, r);
        // A church organ never decays and sounds one voice a note, so every note
        // keeps exactly one voice sounding.
        synth.SetPatch(0, MakePatch(65, 0, 19));
        synth.SetPatch(1, MakePatch(65, 0, 19));
        for (int i = 0; i < notes; ++i)
            synth.NoteOn(static_cast<uint8_t>(i % 2), static_cast<uint8_t>(24 + i / 2 % 64), 100);
        synth.RenderOffline(l, r);
        const int voicesSounding = synth.ActiveVoiceCount();
        const double c0 = CpuSeconds();
        for (int done = 0; done < 10 * Rate; done += 512)
            synth.RenderOffline(l, r);
        const double cpu = CpuSeconds() - c0;
        if (notes == 0) idle = cpu;
        std::printf("| %d | %d | %.3f | %.4f | %.1f |\n", notes, voicesSounding, cpu, cpu / 10.0,
                    voicesSounding ? (cpu - idle) / 10.0 / voicesSounding * 1e6 : 0.0);
    }
    // The note path: NoteOn and NoteOff as the key handler calls them.
    {
        // A period is rendered between the pairs, untimed, as the driver would.
        const int n = 20000;
        std::vector<float> l(64), r(64);
        double us = 0;
        for (int i = 0; i < n; ++i) {
            const auto t0 = bench::TClock::now();
            synth.NoteOn(1, static_cast<uint8_t>(40 + i % 40), 100);
            synth.NoteOff(1, static_cast<uint8_t>(40 + i % 40));
            us += bench::Micros(bench::TClock::now() - t0);
            synth.RenderOffline(l, r);
        }
        std::printf("\nNoteOn + NoteOff: %.2f us a pair (%d pairs)\n", us / n, n);
        synth.AllSoundOff(1);
    }

    return 0;
}
