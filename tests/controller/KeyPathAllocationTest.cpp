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

// A controller with its command table, as the window has them; the synthesiser's
// log has room for every message, so that only the key path could allocate.
struct TKeyPathRig {
    TKeyPathRig() {
        LoadDefaultKeyDefs();
        FillTestVoices(Voices);
        Synth.Messages.reserve(256);
        Table.SetFavorites(&Favorites);
        Table.Attach(Ctl, Recorder);
    }
    void Down(int code) { Ctl.WMDIKeyDown(code, KeyIndexOfCode(code)); }
    void Up(int code) { Ctl.WMDIKeyUp(code, KeyIndexOfCode(code)); }

    TVoiceList Voices;
    TFakeClock Clock;
    TFakeSynthesizer Synth;
    TSimpleRecorder Recorder{Clock};
    const TFavoriteVoiceSet Favorites = DefaultFavoriteVoiceSet();
    TCommandTable Table;
    TPerformanceController Ctl{Synth, Recorder, Clock, Voices, [this] {
                                   TControllerPorts ports;
                                   ports.Commands = &Table;
                                   return ports;
                               }()};
};

TEST(KeyPath, PlayingKeysAllocatesNothing) {
    TKeyPathRig rig;
    TPerformanceController& ctl = rig.Ctl;
    TFakeClock& clock = rig.Clock;
    TFakeSynthesizer& synth = rig.Synth;
    ctl.SetSmartSemitone(true);
    const auto tap = [&](int code) {
        rig.Down(code);
        rig.Up(code);
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
    TKeyPathRig rig;
    TPerformanceController& ctl = rig.Ctl;
    TCommandTable& table = rig.Table;
    const auto with = [&](int modifier, int code) {
        if (modifier >= 0) rig.Down(modifier);
        rig.Down(code);
        rig.Up(code);
        if (modifier >= 0) rig.Up(modifier);
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
