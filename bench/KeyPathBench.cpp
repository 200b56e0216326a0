// The key path: from the keyboard reader's message to the notes reaching the
// synthesiser, through the performance controller with the real synthesiser and the
// built-in voice set (rendering offline between strokes, untimed), and from a change
// of a key's state to the reader's posted message.
//
//   build/bin/bench_key_path build/bin/msf4.s
#include "BenchSupport.h"

#include "controller/PerformanceController.h"
#include "keys/KTDIKeyBoard.h"
#include "keys/KeyDef.h"
#include "keys/KeyTable.h"
#include "song/SimpleRecorder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using bench::Micros;
using TClockType = bench::TClock;

void Report(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) { return us[static_cast<size_t>(q * (us.size() - 1))]; };
    std::printf("| %s | %zu | %.1f | %.1f | %.1f |\n", what, us.size(), at(0.5), at(0.99),
                us.back());
}

} // namespace

int main(int argc, char** argv) {
    bench::TOfflineSynth offline;
    if (const int status = offline.Start(argc, argv, 1, "MSF4.S")) return status;
    TKTDirectMusic& synth = offline.Synth;
    TVoiceList& voices = offline.Voices;
    TSimpleRecorder recorder(TSystemTickClock::Instance());
    TPerformanceController ctl(synth, recorder, TSystemTickClock::Instance(), voices);
    LoadDefaultKeyDefs();
    ctl.SelectLeftVoice(0);
    ctl.SelectRightVoice(0);
    std::vector<float> l(256), r(256);

    std::printf("| path | strokes | median (us) | 99th percentile (us) | worst (us) |\n"
                "|---|---:|---:|---:|---:|\n");
    const int rounds = 5000;
    // One key: Q down and up.
    std::vector<double> down, up;
    for (int i = 0; i < rounds; ++i) {
        auto t0 = TClockType::now();
        ctl.WMDIKeyDown(DIK::Q, KeyIndexOfCode(DIK::Q));
        down.push_back(Micros(TClockType::now() - t0));
        synth.RenderOffline(l, r);
        t0 = TClockType::now();
        ctl.WMDIKeyUp(DIK::Q, KeyIndexOfCode(DIK::Q));
        up.push_back(Micros(TClockType::now() - t0));
        synth.RenderOffline(l, r);
    }
    Report("controller: Q down (note-on, held chord, recorder)", down);
    Report("controller: Q up", up);

    // A four-key chord, pressed one message after another, while recording.
    recorder.SetRecording(true);
    const int chord[] = {DIK::W, DIK::E, DIK::R, DIK::T};
    std::vector<double> chordDown;
    for (int i = 0; i < rounds / 4; ++i) {
        const auto t0 = TClockType::now();
        for (int code : chord)
            ctl.WMDIKeyDown(code, KeyIndexOfCode(code));
        chordDown.push_back(Micros(TClockType::now() - t0));
        synth.RenderOffline(l, r);
        for (int code : chord)
            ctl.WMDIKeyUp(code, KeyIndexOfCode(code));
        synth.RenderOffline(l, r);
    }
    recorder.SetRecording(false);
    Report("controller: four-key chord down, recording", chordDown);

    // The keyboard reader: from a source's key change to the posted message.
    std::atomic<int64_t> postedAt{0};
    std::atomic<int> posted{0};
    TKTDIKeyBoard reader([&](int, int, int) {
        postedAt = TClockType::now().time_since_epoch().count();
        ++posted;
    });
    reader.SetActive(true);
    reader.Acquire();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::vector<double> wake;
    for (int i = 0; i < rounds; ++i) {
        const int before = posted;
        const auto t0 = TClockType::now();
        reader.Device().SetKey(TKeyboardState::TSource::WindowKeys, DIK::Q, i % 2 == 0);
        while (posted == before)
            std::this_thread::yield();
        wake.push_back(Micros(TClockType::duration(postedAt.load()) - t0.time_since_epoch()));
    }
    Report("reader: key change to posted message (worker wake-up and scan)", wake);
    return 0;
}
