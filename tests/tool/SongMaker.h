// Songs and voice sets for the tests of render and export-midi: songs recorded with
// the real recorder on a hand-driven clock (or written as version-1 bytes), a small
// voice set of sine voices whose pitches say which voice played, and readers of the
// tool's WAV output.
#pragma once

#include "TempDir.h"
#include "fakes/FakeTickClock.h"
#include "keys/KeyDef.h"
#include "song/SimpleRecorder.h"
#include "sound/VoiceList.h"
#include "sound/synth/OfflineSynth.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

// A recording in progress: the snapshot and key table at its start, then events
// stamped at the times the test moves the clock to.
class TSongMaker {
public:
    explicit TSongMaker(TPerformSnapshot snapshot = DefaultSnapshot(),
                        const TKeyDefSet& keys = DefaultKeyDefSet()) {
        Recorder.SetSnapshot(snapshot);
        Recorder.SetStartKeyTable(keys);
        Recorder.SetRecording(true);
    }
    static TPerformSnapshot DefaultSnapshot() {
        TPerformSnapshot s = EmptyPerformSnapshot();
        s.RightVolume = 100;
        s.LeftVolume = 70;
        s.RightVoice = static_cast<int32_t>(MakePatch(65, 0, 0));
        s.LeftVoice = static_cast<int32_t>(MakePatch(65, 0, 0));
        return s;
    }
    TSimpleRecorder& At(uint32_t ms) {
        Clock.Now = ms;
        return Recorder;
    }
    void Save(const std::string& path, const std::string& title = "SongTitle") {
        Recorder.SetRecording(false);
        ASSERT_TRUE(Recorder.SaveToFile(path, MakeSongInfo(title, "Marevo", "SongRemark")))
            << Recorder.LastError();
    }

    TFakeClock Clock;
    TSimpleRecorder Recorder{Clock};
};

// A version-1 song: 376-byte header and 8-byte key events (time, skip, code, down).
struct TV1Event {
    uint32_t Time;
    uint8_t Skip, Code, Down;
};
inline std::vector<uint8_t> V1Song(const std::vector<TV1Event>& events, int32_t transpose = 0,
                                   int32_t rightVolume = 100, int32_t leftVolume = 70) {
    std::vector<uint8_t> b(376, 0);
    std::memcpy(b.data(), "TalvimorenaSong", 16);
    const auto put = [&](size_t at, int32_t v) { std::memcpy(b.data() + at, &v, 4); };
    put(16, 1);
    b[20] = 2, b[21] = 'V', b[22] = '1';
    const int32_t snapshot[5] = {transpose, rightVolume, leftVolume, 0, 0};
    for (int i = 0; i < 5; ++i)
        put(337 + 4 * static_cast<size_t>(i), snapshot[i]);
    put(372, static_cast<int32_t>(events.size()));
    for (const TV1Event& e : events) {
        uint8_t rec[8] = {};
        std::memcpy(rec, &e.Time, 4);
        rec[4] = e.Skip, rec[5] = e.Code, rec[6] = e.Down;
        b.insert(b.end(), rec, rec + 8);
    }
    return b;
}

// Sine voices of bank MSB 65 whose root keys differ, so that one note sounds at a
// pitch that names the voice: program 0 plays note 69 at 441 Hz, program 5 an octave
// higher. A quick release, so that a note is gone soon after its note-off; the kit
// last, as in the built-in set.
inline TDlsCollection SineVoiceSet(double releaseSeconds = 0.02) {
    TDlsCollection c = SineCollection(TimeCents(releaseSeconds), 0, false, 69);
    TDlsInstrument octave = c.Instruments[0];
    octave.Program = 5;
    octave.Name = "Sine octave";
    octave.Regions[0].Sample->UnityNote = 57;
    c.Instruments.push_back(octave);
    TDlsInstrument kit = c.Instruments[0];
    kit.MSB = 0;
    kit.Drum = true;
    kit.Name = "Sine Kit";
    c.Instruments.push_back(kit);
    return c;
}

inline double NoteHz(int note, int rootKey = 69) {
    return 441.0 * std::pow(2.0, (note - rootKey) / 12.0);
}

// A WAV file as the tool writes it, its header checked field by field.
struct TWav {
    std::vector<float> Left, Right, Mono;
    size_t Frames() const { return Mono.size(); }
    // Mono samples from `fromMs` for `lengthMs`.
    std::span<const float> Window(uint32_t fromMs, uint32_t lengthMs) const {
        const size_t from = std::min(Mono.size(), size_t{fromMs} * 441 / 10);
        const size_t n = std::min(Mono.size() - from, size_t{lengthMs} * 441 / 10);
        return {Mono.data() + from, n};
    }
};

inline uint32_t LE(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}

inline TWav ReadWav(const std::vector<uint8_t>& b) {
    TWav w;
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44) return w;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(LE(b, 4, 4), b.size() - 8) << "RIFF size";
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(LE(b, 16, 4), 16u);
    EXPECT_EQ(LE(b, 20, 2), 1u) << "PCM";
    EXPECT_EQ(LE(b, 22, 2), 2u) << "stereo";
    EXPECT_EQ(LE(b, 24, 4), 44100u);
    EXPECT_EQ(LE(b, 28, 4), 44100u * 4) << "bytes a second";
    EXPECT_EQ(LE(b, 32, 2), 4u) << "block align";
    EXPECT_EQ(LE(b, 34, 2), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(LE(b, 40, 4), b.size() - 44) << "data size";
    for (size_t at = 44; at + 4 <= b.size(); at += 4) {
        const float l = static_cast<int16_t>(LE(b, at, 2)) / 32768.0f;
        const float r = static_cast<int16_t>(LE(b, at + 2, 2)) / 32768.0f;
        w.Left.push_back(l);
        w.Right.push_back(r);
        w.Mono.push_back(0.5f * (l + r));
    }
    return w;
}
