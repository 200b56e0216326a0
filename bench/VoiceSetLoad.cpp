// Time and peak memory from reading the built-in voice set to FluidSynth holding it.
//
//   build/bin/bench_voiceset_load build/bin/msf4.s
#include "base/FileUtil.h"
#include "sound/platform/TKTDirectMusic.h"

#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
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

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MSF4.S\n", argv[0]);
        return 2;
    }
    struct stat st{};
    ::stat(argv[1], &st);
    const long before = PeakRssKb();
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<uint8_t> image;
    if (ReadFilePrefix(argv[1], size_t{1} << 30, image) != TReadResult::Ok) return 1;
    const auto t1 = std::chrono::steady_clock::now();
    TVoiceList voices;
    TKTDirectMusic synth(voices, TKTDirectMusicSetup::Offline());
    synth.OpenOfflinePort();
    if (!synth.LoadVoiceSetFromMemory(image)) {
        std::fprintf(stderr, "does not load: %s\n", synth.LastVoiceSetError().c_str());
        return 1;
    }
    const auto t2 = std::chrono::steady_clock::now();
    image.clear();
    image.shrink_to_fit();
    auto ms = [](auto a, auto b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    std::printf("file %s: %.1f MB, %d voices\n", argv[1], double(st.st_size) / 1e6, voices.Count());
    std::printf("read file %.0f ms, parse + convert + load into the synthesiser %.0f ms, total %.0f ms\n",
                ms(t0, t1), ms(t1, t2), ms(t0, t2));
    std::printf("peak resident memory %.0f MB (%.0f MB before loading, %.0f MB once loaded)\n",
                PeakRssKb() / 1024.0, before / 1024.0, CurrentRssKb() / 1024.0);
    return 0;
}
