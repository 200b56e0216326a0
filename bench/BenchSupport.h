// What the benchmarks share: their command line, the built-in voice set read and
// loaded into a synthesiser that renders offline, and the clock they time with.
#pragma once

#include "base/FileUtil.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace bench {

constexpr int Rate = TKTDirectMusic::SampleRate;

using TClock = std::chrono::steady_clock;

inline double Micros(TClock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

inline double Millis(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// True when the program was given as many arguments as usage names ("MSF4.S
// SOURCE.sf2" is two); otherwise prints the usage line. The caller exits with 2.
inline bool ArgumentsGiven(int argc, char** argv, int count, const char* usage) {
    if (argc == count + 1) return true;
    std::fprintf(stderr, "usage: %s %s\n", argv[0], usage);
    return false;
}

// The whole voice-set file (msf4.s is about 150 MB); says so when it cannot be read.
inline bool ReadVoiceSet(const char* path, std::vector<uint8_t>& image) {
    if (ReadFilePrefix(path, size_t{1} << 30, image) == TReadResult::Ok) return true;
    std::fprintf(stderr, "cannot read %s\n", path);
    return false;
}

// The synthesiser on its offline port (the benchmark renders by RenderOffline) and
// the voice list it fills when a set is loaded.
struct TOfflineSynth {
    TVoiceList Voices;
    TKTDirectMusic Synth{Voices, TKTDirectMusicSetup::Offline()};

    TOfflineSynth() { Synth.OpenOfflinePort(); }

    // Loads the image read from path; says why when it does not load.
    bool Load(std::span<const uint8_t> image, const char* path) {
        if (Synth.LoadVoiceSetFromMemory(image)) return true;
        std::fprintf(stderr, "%s does not load: %s\n", path, Synth.LastVoiceSetError().c_str());
        return false;
    }

    // Reads the file and loads it; the image is dropped once the synthesiser holds it.
    bool LoadFile(const char* path) {
        std::vector<uint8_t> image;
        return ReadVoiceSet(path, image) && Load(image, path);
    }

    // How a benchmark on the voice set starts: the command line checked and the set
    // its first argument names loaded. 0 when the synthesiser holds the set, else the
    // status to exit with (2 for a wrong command line, 1 for a set that cannot be
    // read or loaded).
    int Start(int argc, char** argv, int count, const char* usage) {
        if (!ArgumentsGiven(argc, argv, count, usage)) return 2;
        return LoadFile(argv[1]) ? 0 : 1;
    }
};

} // namespace bench
