// The key path allocates nothing: every operator new of this program is counted
// while the keys are played.
#include "ControllerFakes.h"

#include "controller/CommandTable.h"
#include "sound/FavoriteVoices.h"

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

TEST(KeyPath, CommandKeysAllocateNothing) {
    LoadDefaultKeyDefs();
    TVoiceList voices;
    FillTestVoices(voices);
    TFakeClock clock;
    TFakeSynthesizer synth;
    synth.Messages.reserve(256);
    TSimpleRecorder recorder(clock);
    const TFavoriteVoiceSet favorites = DefaultFavoriteVoiceSet();
    TCommandTable table;
    table.SetFavorites(&favorites);
    TControllerPorts ports;
    ports.Commands = &table;
    TPerformanceController ctl(synth, recorder, clock, voices, ports);
    table.Attach(ctl, recorder);
    const auto with = [&](int modifier, int code) {
        if (modifier >= 0) ctl.WMDIKeyDown(modifier, KeyIndexOfCode(modifier));
        ctl.WMDIKeyDown(code, KeyIndexOfCode(code));
        ctl.WMDIKeyUp(code, KeyIndexOfCode(code));
        if (modifier >= 0) ctl.WMDIKeyUp(modifier, KeyIndexOfCode(modifier));
    };

    Counting = true;
    with(DIK::LCONTROL, DIK::INSERT);
    with(-1, DIK::GRAVE);
    with(-1, DIK::F1);
    with(DIK::LSHIFT, DIK::F2);
    with(DIK::LCONTROL, DIK::CAPITAL);
    with(-1, DIK::TAB);
    with(DIK::LCONTROL, DIK::K1);
    with(-1, DIK::CAPITAL);
    with(-1, DIK::ESCAPE);
    Counting = false;

    EXPECT_EQ(Allocations, 0);
    // They did act: the right velocity is back to its stored 105, the octave too.
    EXPECT_EQ(ctl.State().RightVelocity, 105);
    EXPECT_EQ(ctl.State().RightOctave, 1);
    EXPECT_TRUE(table.Snapshot(0).Used);
}

} // namespace
