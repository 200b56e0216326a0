// The key path allocates nothing: every operator new of this program is counted
// while the keys are played.
#include "ControllerFakes.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> Counting{false};
std::atomic<int> Allocations{0};
} // namespace

// GCC takes the free of a replaced operator delete for a mismatch with new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (Counting) ++Allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

TEST(KeyPath, PlayingKeysAllocatesNothing) {
    LoadDefaultKeyDefs();
    TVoiceList voices;
    FillTestVoices(voices);
    TFakeClock clock;
    TFakeSynthesizer synth;
    synth.Messages.reserve(256);
    TSimpleRecorder recorder(clock);
    TPerformanceController ctl(synth, recorder, clock, voices);
    ctl.SetSmartSemitone(true);
    const auto tap = [&](int code) {
        ctl.WMDIKeyDown(code, KeyIndexOfCode(code));
        ctl.WMDIKeyUp(code, KeyIndexOfCode(code));
    };

    Counting = true;
    for (int code : {DIK::Q, DIK::NUMPAD1, DIK::LBRACKET, DIK::END, DIK::SPACE}) {
        tap(code);
        clock.Now += 1000;
    }
    ctl.WMDIKeyDown(DIK::LSHIFT, KeyIndexOfCode(DIK::LSHIFT));
    tap(DIK::Q);
    Counting = false;

    EXPECT_EQ(Allocations, 0);
    // The keys did play: Q, Num-1, the snare, End's black key, the pedal.
    EXPECT_EQ(synth.Messages.size(), 10u);
}

} // namespace
