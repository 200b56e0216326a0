// The real synthesiser wrapper with an offline port: no devices, no ports, no
// audio driver; its sound is rendered with RenderOffline and measured.
#pragma once

#include "sound/platform/fluid/TKTDirectMusic.h"
#include "voiceset/dls/DlsWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <vector>

// A wrapper whose offline port is already open.
class TOfflineSynth : public TKTDirectMusic {
public:
    explicit TOfflineSynth(TVoiceList& voices, TMidiLog* log = nullptr)
        : TKTDirectMusic(voices, TKTDirectMusicSetup::Offline(log)) {
        EXPECT_TRUE(OpenOfflinePort());
    }
};

// Mono mix of `frames` frames rendered now.
inline std::vector<float> RenderMono(TKTDirectMusic& synth, int frames) {
    std::vector<float> l(static_cast<size_t>(frames)), r(static_cast<size_t>(frames));
    EXPECT_TRUE(synth.RenderOffline(l, r));
    for (size_t i = 0; i < l.size(); ++i)
        l[i] = 0.5f * (l[i] + r[i]);
    return l;
}

// Time cents of a duration in seconds: 1200 * log2(seconds), scaled by 65536.
inline int32_t TimeCents(double seconds) {
    return static_cast<int32_t>(std::lround(1200 * std::log2(seconds) * 65536));
}

// One looped sine voice: a 441 Hz wave of exactly 100 samples a period at 44.1 kHz,
// at root key `rootKey` (so note 69 sounds 441 Hz times 2^((69-rootKey)/12)), with
// the release time given in time cents.
inline TDlsCollection SineCollection(int32_t releaseTimeCents, uint8_t program, bool drum = false,
                                     uint16_t rootKey = 69) {
    TDlsCollection c;
    TDlsWave w;
    for (int i = 0; i < 4410; ++i)
        w.Samples.push_back(static_cast<int16_t>(12000 * std::sin(2 * M_PI * i / 100.0)));
    w.Name = "sine";
    c.Waves.push_back(w);
    c.Cues.push_back(0);
    TDlsInstrument inst;
    inst.MSB = 65;
    inst.Program = program;
    inst.Drum = drum;
    inst.Name = drum ? "Sine Kit" : "Sine";
    TDlsRegion r;
    TDlsSample s;
    s.UnityNote = rootKey;
    s.Loops.push_back({DlsLoopForward, 0, 4410});
    r.Sample = s;
    TDlsArticulation art;
    art.Level = TDlsLevel::Level2;
    art.Connections.push_back(
        {DlsSrc::None, DlsSrc::None, DlsDst::Eg1ReleaseTime, 0, releaseTimeCents});
    r.Articulations.push_back(art);
    inst.Regions.push_back(r);
    c.Instruments.push_back(inst);
    return c;
}

inline std::vector<uint8_t> Image(const TDlsCollection& c) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(WriteDls(c, bytes).Ok);
    return bytes;
}
