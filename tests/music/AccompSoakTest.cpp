// The accompaniment on the tempo clock's own thread while the main thread plays
// keys, records, changes style, group, volume and tempo, switches the accompaniment
// and renders the synthesiser: a run for the thread sanitizer. Its length in seconds
// comes from TALVIMORENA_SOAK_SECONDS (3 unless set; a full soak is 60).
#include "app/MusicPorts.h"
#include "controller/CommandTable.h"
#include "controller/PerformanceController.h"
#include "keys/KeyDef.h"
#include "keys/KeyTable.h"
#include "music/AutoAccomp.h"
#include "music/KTMetronome.h"
#include "song/SimpleRecorder.h"
#include "sound/MidiLog.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

double SoakSeconds() {
    const char* text = std::getenv("TALVIMORENA_SOAK_SECONDS");
    const double s = text ? std::atof(text) : 0;
    return s > 0 ? s : 3;
}

TEST(AccompSoak, TheClockThreadAndTheMainThreadShareSynthesiserRecorderAndEngine) {
    const ITickClock& clock = TSystemTickClock::Instance();
    TMidiLog quiet;
    TVoiceList voices;
    TKTDirectMusic synth(voices, TKTDirectMusicSetup::Offline(&quiet));
    ASSERT_TRUE(synth.OpenOfflinePort());
    TSimpleRecorder recorder(clock);
    TMetronome tempo(clock);
    TAutoAccomp accomp(tempo);
    accomp.SetSynthesizer(&synth);
    accomp.SetRecorder(&recorder);
    accomp.SetAccompStyleGroupNum(0);
    TAccompanimentPort accompPort(accomp);
    TTempoClockPort tempoPort(tempo);
    TCommandTable table(&accompPort);
    TControllerPorts ports;
    ports.Accomp = &accompPort;
    ports.Tempo = &tempoPort;
    ports.Commands = &table;
    TPerformanceController player(synth, recorder, clock, voices, ports);
    table.Attach(player, recorder);
    LoadDefaultKeyDefs();
    player.SetPerformerDefaults();
    player.ConnectRecorder();

    const auto press = [&](int code) { player.WMDIKeyDown(code, KeyIndexOfCode(code)); };
    const auto release = [&](int code) { player.WMDIKeyUp(code, KeyIndexOfCode(code)); };
    const int notes[] = {DIK::Q, DIK::W, DIK::E, DIK::R, DIK::A, DIK::S, DIK::D, DIK::F};
    std::vector<float> left(256), right(256);

    recorder.SetRecording(true);
    press(DIK::RETURN); // the accompaniment on
    release(DIK::RETURN);
    ASSERT_TRUE(player.IsAccompanimentRunning());
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(SoakSeconds());
    int round = 0;
    while (std::chrono::steady_clock::now() < end) {
        ++round;
        const int key = notes[round % 8];
        press(key);
        synth.RenderOffline(left, right);
        release(key);
        if (round % 7 == 0) table.DoCommand(static_cast<uint8_t>(DIK::K1 + round % 10), cmAlt);
        if (round % 23 == 0) table.DoCommand(DIK::EQUALS, cmAlt);
        if (round % 11 == 0)
            tempo.SetTempo(round % 22 == 0 ? tempo.Tempo() * 1.05 : tempo.Tempo() * 0.95);
        if (round % 13 == 0) accomp.SetAPercussVolume(40 + round % 80);
        if (round % 17 == 0) accomp.SetTranspose(round % 5);
        if (round % 97 == 0) { // off and on again: the clock restarts under it
            table.DoCommand(DIK::RETURN, cmNone);
            table.DoCommand(DIK::RETURN, cmNone);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    player.StopAll(TStop::Everything);
    tempo.SetActive(false);

    // Both threads reached the song: the keys and the accompaniment's percussion.
    int keys = 0, percussion = 0;
    recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet*) {
        const uint8_t kind = e.Kind;
        const int32_t value = e.Value;
        if (kind == evKeyDown) ++keys;
        if (kind == evMidiMessage && (value >> 16) == 0x99) ++percussion;
    });
    EXPECT_GT(keys, 0);
    EXPECT_GT(percussion, 0);
}

} // namespace
