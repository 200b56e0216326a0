// A song's exports timed apart from loading the voice set: a ten-minute dense song
// (a three-note chord every half second, a melody note every 100 ms) made with the
// real recorder, then its General MIDI file, its MusicXML score and its WAV render,
// each from the song's bytes, as the window's Save dialog does them. Each export is
// taken `runs` times; the best and the median are printed.
//
//   build/bin/bench_song_export [MINUTES] [RUNS]
#include "BenchSupport.h"

#include "base/ITickClock.h"
#include "export/SongExport.h"
#include "export/SongRun.h"
#include "keys/KeyDef.h"
#include "keys/KeyTable.h"
#include "song/SimpleRecorder.h"
#include "sound/VoiceList.h"
#include "sound/platform/fluid/OfflineRender.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using bench::Millis;
using bench::TClock;

struct TManualClock : ITickClock {
    uint32_t TickCount() const override { return Now; }
    uint32_t Now = 0;
};

std::vector<uint8_t> DenseSong(int minutes, size_t& events) {
    TManualClock clock;
    TSimpleRecorder rec(clock);
    TPerformSnapshot snapshot = EmptyPerformSnapshot();
    snapshot.RightVolume = 100;
    snapshot.LeftVolume = 70;
    snapshot.RightVoice = snapshot.LeftVoice = static_cast<int32_t>(MakePatch(65, 0, 0));
    rec.SetSnapshot(snapshot);
    rec.SetStartKeyTable(DefaultKeyDefSet());
    rec.SetRecording(true);
    const uint8_t chords[2][3] = {{DIK::Z, DIK::X, DIK::C}, {DIK::A, DIK::S, DIK::D}};
    const uint8_t melody[] = {DIK::Q, DIK::W, DIK::E, DIK::R, DIK::T, DIK::Y, DIK::U};
    const uint32_t end = static_cast<uint32_t>(minutes) * 60000;
    for (uint32_t t = 0, n = 0; t < end; t += 100, ++n) {
        clock.Now = t;
        if (n % 5 == 0) {
            for (uint8_t code : chords[(n / 5 + 1) % 2])
                if (n > 0) rec.RecordKeyUp(code);
            for (uint8_t code : chords[(n / 5) % 2])
                rec.RecordKeyDown(code);
        }
        rec.RecordKeyDown(melody[n % 7]);
        clock.Now = t + 80;
        rec.RecordKeyUp(melody[n % 7]);
    }
    rec.SetRecording(false);
    events = rec.EventCount();
    std::vector<uint8_t> bytes;
    if (!rec.SongImage(MakeSongInfo("bench", "", ""), bytes)) bytes.clear();
    return bytes;
}

struct TFigures {
    std::vector<double> Ms;
    double Best() const { return *std::min_element(Ms.begin(), Ms.end()); }
    double Median() const {
        std::vector<double> v = Ms;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
};

} // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    size_t events = 0;
    const std::vector<uint8_t> song = DenseSong(minutes, events);
    if (song.empty()) {
        std::fprintf(stderr, "the song could not be made\n");
        return 1;
    }
    std::printf("song: %d minutes, %zu events, %zu bytes\n", minutes, events, song.size());

    TOfflineRender render;
    std::string reason;
    const auto loadStart = TClock::now();
    if (!render.Open(DefaultVoiceSetPath(), 0, reason)) {
        std::fprintf(stderr, "voice set: %s\n", reason.c_str());
        return 1;
    }
    std::printf("voice set loaded once: %.1f ms\n", Millis(TClock::now() - loadStart));

    TFigures midi, xml;
    size_t midiBytes = 0, xmlBytes = 0;
    for (int i = 0; i < runs; ++i) {
        for (const bool score : {false, true}) {
            const auto start = TClock::now();
            TSongRun run;
            if (!run.LoadBytes(song, reason)) {
                std::fprintf(stderr, "song: %s\n", reason.c_str());
                return 1;
            }
            const TSongExportResult r =
                score ? ExportSongMusicXml(run, render.Voices(), TScoreOptions{})
                      : ExportSongMidi(run, render.Voices(), TCaptureBanks::GeneralMidi);
            const double ms = Millis(TClock::now() - start);
            if (!r.Ok) {
                std::fprintf(stderr, "export: %s\n", r.Error.c_str());
                return 1;
            }
            (score ? xml : midi).Ms.push_back(ms);
            (score ? xmlBytes : midiBytes) = r.Bytes.size();
        }
    }
    std::printf("| export | best ms | median ms | runs | bytes |\n|---|---:|---:|---:|---:|\n");
    std::printf("| General MIDI file | %.0f | %.0f | %d | %zu |\n", midi.Best(), midi.Median(),
                runs, midiBytes);
    std::printf("| MusicXML score | %.0f | %.0f | %d | %zu |\n", xml.Best(), xml.Median(), runs,
                xmlBytes);

    // The WAV render once: its speed against the song's length.
    TSongRun run;
    if (!run.LoadBytes(song, reason)) return 1;
    const std::string out =
        (std::filesystem::temp_directory_path() / "bench_song_export.wav").string();
    const auto start = TClock::now();
    const TOfflineRenderResult r = render.Render(
        out, run.ContentEndTime(),
        [&](ISynthesizer& synth, const TVoiceList& voices,
            const std::function<bool(uint32_t)>& advance) { run.Play(synth, voices, advance); },
        [](uint32_t) { return true; });
    const double ms = Millis(TClock::now() - start);
    std::error_code ec;
    std::filesystem::remove(out, ec);
    if (!r.Ok) {
        std::fprintf(stderr, "render: %s\n", r.Error.c_str());
        return 1;
    }
    const double audioMs = double(r.Frames) * 1000.0 / TOfflineRender::SampleRate;
    std::printf("| WAV render | %.0f | | 1 | %.0f s of audio, %.1fx real time |\n", ms,
                audioMs / 1000, audioMs / ms);
    return 0;
}
