// The synthesiser's own delay from a note-on to its first sound, the driver's
// buffering at each latency setting, the cost of the note path, the CPU time
// FluidSynth needs with many voices sounding, and the longest audio callback while an
// external SoundFont of about 20 MB loads.
//
//   build/bin/bench_synth build/bin/msf4.s
#include "BenchSupport.h"

#include "settings/Settings.h"
#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <unistd.h>

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

// A SoundFont of `instruments` looped voices of 256 Ki samples each (half a megabyte
// of samples a voice), written to `path`.
bool WriteLargeSoundFont(const std::string& path, int instruments) {
    TDlsCollection c;
    for (int i = 0; i < instruments; ++i) {
        TDlsWave w;
        w.Name = "wave " + std::to_string(i);
        w.Samples.resize(size_t{1} << 18);
        for (size_t n = 0; n < w.Samples.size(); ++n)
            w.Samples[n] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * double(n) / (50 + i)));
        c.Waves.push_back(std::move(w));
        c.Cues.push_back(static_cast<uint32_t>(i));
        TDlsInstrument inst;
        inst.MSB = 65;
        inst.Program = static_cast<uint8_t>(i);
        inst.Name = "voice " + std::to_string(i);
        TDlsRegion r;
        TDlsSample sample;
        sample.UnityNote = 60;
        sample.Loops.push_back({DlsLoopForward, 0, uint32_t{1} << 18});
        r.Sample = sample;
        r.WaveLink.TableIndex = static_cast<uint32_t>(i);
        inst.Regions.push_back(r);
        c.Instruments.push_back(std::move(inst));
    }
    TSf2Bank bank;
    if (!ConvertDlsToSf2(c, bank).Ok) return false;
    return SaveSf2File(path, bank).Ok;
}

// The driver's callback as a thread paced at the driver's period, rendering through
// the offline port while the main thread loads an external set as the settings
// dialog's OK does (ReloadExternalDLS), notes of the built-in set sounding.
void LongestCallbackDuringLoad(TKTDirectMusic& synth, const TVoiceList& voices) {
    const std::string path = "/tmp/talvimorena-bench-" + std::to_string(::getpid()) + ".sf2";
    if (!WriteLargeSoundFont(path, 40)) {
        std::printf("\nthe SoundFont to load could not be written\n");
        return;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const double megabytes = std::ftell(f) / 1e6;
    std::fclose(f);
    const TSettings defaults;
    synth.SetWriteLatency(static_cast<uint32_t>(defaults.Latency));
    synth.SetWritePeriod(static_cast<uint32_t>(WritePeriodForLatency(defaults.Latency)));
    const int frames = synth.DriverPeriodFrames();
    const double periodMs = frames * 1000.0 / Rate;
    synth.SetPatch(0, MakePatch(65, 0, 0));
    for (uint8_t note : {48, 52, 55, 60, 64, 67})
        synth.NoteOn(0, note, 100);
    std::atomic<bool> loading{false}, done{false};
    double longestBefore = 0, longestDuring = 0;
    int periodsDuring = 0;
    std::thread callback([&] {
        std::vector<float> l(static_cast<size_t>(frames)), r(l.size());
        const auto period = std::chrono::nanoseconds(int64_t(frames) * 1000000000 / Rate);
        auto next = bench::TClock::now();
        while (!done) {
            const bool during = loading;
            const auto t0 = bench::TClock::now();
            synth.RenderOffline(l, r);
            const double ms = bench::Millis(bench::TClock::now() - t0);
            if (during) {
                longestDuring = std::max(longestDuring, ms);
                ++periodsDuring;
            } else {
                longestBefore = std::max(longestBefore, ms);
            }
            next += period;
            std::this_thread::sleep_until(next);
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    loading = true;
    const auto t0 = bench::TClock::now();
    synth.ReloadExternalDLS(path);
    const double loadMs = bench::Millis(bench::TClock::now() - t0);
    loading = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    done = true;
    callback.join();
    std::remove(path.c_str());
    std::printf("\n## the longest audio callback while an external SoundFont loads\n\n");
    std::printf("latency %d ms, driver period %d frames (%.2f ms); SoundFont %.1f MB, %d voices, "
                "loaded in %.0f ms\n",
                defaults.Latency, frames, periodMs, megabytes, voices.Count(), loadMs);
    std::printf("longest callback: %.3f ms while loading (%d callbacks), %.3f ms before\n",
                longestDuring, periodsDuring, longestBefore);
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
    LongestCallbackDuringLoad(synth, offline.Voices);

    return 0;
}
