// Time and peak memory from reading the built-in voice set to FluidSynth holding it.
//
//   build/bin/bench_voiceset_load build/bin/msf4.s            (the set read into memory)
//   build/bin/bench_voiceset_load build/bin/msf4.s in-place   (the program's start-up load)
#include "BenchSupport.h"

#include "sound/PortList.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// Resident memory now, from /proc/self/statm (pages).
long CurrentRssKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

long PeakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
} // namespace

// The program's own load at start: on the load's thread, the file mapped and its
// samples read from it straight into FluidSynth (a driver on ALSA's null device, as a
// software port needs one).
int InPlace(const char* path) {
    TKTDirectMusicSetup setup;
    setup.Devices = std::vector<TSoundDevice>{{TAudioSystem::Alsa, "null", "null", {}}};
    setup.Ports = BuildPortList({"alsa"}, {});
    TVoiceList voices;
    TKTDirectMusic synth(voices, setup);
    if (!synth.SelectOutputPort(0)) return 1;
    const long before = PeakRssKb();
    std::atomic<bool> loaded{false};
    const auto t0 = bench::TClock::now();
    if (!synth.BeginVoiceSetLoad(path, [&] { loaded = true; })) return 1;
    while (!loaded)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const auto t1 = bench::TClock::now();
    if (!synth.FinishVoiceSetLoad()) {
        std::fprintf(stderr, "%s does not load: %s\n", path, synth.LastVoiceSetError().c_str());
        return 1;
    }
    std::printf("in place: %d voices, loaded into the synthesiser in %.0f ms\n", voices.Count(),
                bench::Millis(t1 - t0));
    std::printf("peak resident memory %.0f MB (%.0f MB before loading, %.0f MB once loaded)\n",
                PeakRssKb() / 1024.0, before / 1024.0, CurrentRssKb() / 1024.0);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[2], "in-place") == 0) return InPlace(argv[1]);
    if (!bench::ArgumentsGiven(argc, argv, 1, "MSF4.S [in-place]")) return 2;
    struct stat st {};
    ::stat(argv[1], &st);
    const long before = PeakRssKb();
    const auto t0 = bench::TClock::now();
    std::vector<uint8_t> image;
    if (!bench::ReadVoiceSet(argv[1], image)) return 1;
    const auto t1 = bench::TClock::now();
    bench::TOfflineSynth offline;
    if (!offline.Load(image, argv[1])) return 1;
    const auto t2 = bench::TClock::now();
    image.clear();
    image.shrink_to_fit();
    std::printf("file %s: %.1f MB, %d voices\n", argv[1], double(st.st_size) / 1e6,
                offline.Voices.Count());
    std::printf(
        "read file %.0f ms, parse + convert + load into the synthesiser %.0f ms, total %.0f ms\n",
        bench::Millis(t1 - t0), bench::Millis(t2 - t1), bench::Millis(t2 - t0));
    std::printf("peak resident memory %.0f MB (%.0f MB before loading, %.0f MB once loaded)\n",
                PeakRssKb() / 1024.0, before / 1024.0, CurrentRssKb() / 1024.0);
    return 0;
}
