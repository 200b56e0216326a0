// How faithfully the built-in voice set sounds through our DLS -> SoundFont bridge,
// against its source SoundFont loaded straight into FluidSynth.
//
//   build/bin/bench_voiceset_fidelity build/bin/msf4.s /usr/share/sounds/sf2/FluidR3_GM.sf2
//
// For every melodic program: notes 48, 60 and 72 at velocity 100, held one second and
// released for one second, rendered offline by both paths. Printed per program: the
// level difference (dB, bridge minus source, over the two seconds), the difference of
// the spectral centroid of the held second (%), and the energy of the released second
// relative to the held one for both (dB; -200 means silence).
#include "AudioMeasure.h"
#include "BenchSupport.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Rate;
constexpr int Notes[3] = {48, 60, 72};

struct TTake {
    std::vector<float> Held, Released; // mono sums of left and right
};

template <typename TRender>
TTake Play(TRender&& render, const auto& noteOn, const auto& noteOff, int note) {
    std::vector<float> l(Rate), r(Rate);
    TTake take;
    noteOn(note);
    render(l, r);
    for (int i = 0; i < Rate; ++i)
        take.Held.push_back(0.5f * (l[i] + r[i]));
    noteOff(note);
    render(l, r);
    for (int i = 0; i < Rate; ++i)
        take.Released.push_back(0.5f * (l[i] + r[i]));
    // Let everything die away before the next note.
    for (int i = 0; i < 3; ++i)
        render(l, r);
    return take;
}

struct TRow {
    int Program;
    double LevelDiff, CentroidDiff, BridgeRelease, SourceRelease;
};

double ReleaseDb(const TTake& t) {
    const double held = audio::Energy(t.Held), rel = audio::Energy(t.Released);
    return (held > 0 && rel > 0) ? 10 * std::log10(rel / held) : -200;
}

} // namespace

int main(int argc, char** argv) {
    bench::TOfflineSynth offline;
    if (const int status = offline.Start(argc, argv, 2, "MSF4.S SOURCE.sf2")) return status;
    TKTDirectMusic& bridge = offline.Synth;
    const TVoiceList& voices = offline.Voices;

    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", Rate);
    fluid_settings_setint(settings, "synth.polyphony", 256);
    fluid_synth_t* source = new_fluid_synth(settings);
    const int sfont = fluid_synth_sfload(source, argv[2], 1);
    if (sfont < 0) {
        std::fprintf(stderr, "cannot load %s\n", argv[2]);
        return 1;
    }

    std::vector<TRow> rows;
    for (int program = 0; program < 128; ++program) {
        const int position = voices.FindVoiceIndex(MakePatch(65, 0, static_cast<uint8_t>(program)));
        if (position < 0 || !bridge.SetPatch(0, voices[position].Patch)) {
            std::printf("program %d: not in the built-in set\n", program);
            continue;
        }
        fluid_synth_program_select(source, 0, sfont, 0, program);
        double levelDiff = 0, centroidDiff = 0, bridgeRel = -200, sourceRel = -200;
        for (int note : Notes) {
            TTake b = Play([&](auto& l, auto& r) { bridge.RenderOffline(l, r); },
                           [&](int n) { bridge.NoteOn(0, n, 100); },
                           [&](int n) { bridge.NoteOff(0, n); }, note);
            TTake s = Play(
                [&](auto& l, auto& r) {
                    fluid_synth_write_float(source, Rate, l.data(), 0, 1, r.data(), 0, 1);
                },
                [&](int n) { fluid_synth_noteon(source, 0, n, 100); },
                [&](int n) { fluid_synth_noteoff(source, 0, n); }, note);
            std::vector<float> bAll = b.Held, sAll = s.Held;
            bAll.insert(bAll.end(), b.Released.begin(), b.Released.end());
            sAll.insert(sAll.end(), s.Released.begin(), s.Released.end());
            levelDiff += audio::LevelDb(bAll) - audio::LevelDb(sAll);
            const double bc = audio::CentroidHz(b.Held, Rate), sc = audio::CentroidHz(s.Held, Rate);
            centroidDiff += sc > 0 ? 100 * (bc - sc) / sc : 0;
            bridgeRel = std::max(bridgeRel, ReleaseDb(b));
            sourceRel = std::max(sourceRel, ReleaseDb(s));
        }
        rows.push_back({program, levelDiff / 3, centroidDiff / 3, bridgeRel, sourceRel});
    }

    std::printf(
        "| program | name | level diff dB | centroid diff %% | release dB (bridge / source) |\n");
    std::printf("|---:|---|---:|---:|---:|\n");
    for (const TRow& r : rows) {
        const int position =
            voices.FindVoiceIndex(MakePatch(65, 0, static_cast<uint8_t>(r.Program)));
        std::printf("| %d | %s | %+.2f | %+.1f | %.1f / %.1f |\n", r.Program,
                    voices[position].Name.c_str(), r.LevelDiff, r.CentroidDiff, r.BridgeRelease,
                    r.SourceRelease);
    }
    auto median = [](std::vector<double> v) {
        if (v.empty()) return 0.0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::vector<double> level, centroid;
    int missingRelease = 0;
    for (const TRow& r : rows) {
        level.push_back(std::fabs(r.LevelDiff));
        centroid.push_back(std::fabs(r.CentroidDiff));
        if (r.SourceRelease > -60 && r.BridgeRelease < r.SourceRelease - 20) ++missingRelease;
    }
    std::printf("\nmedian |level diff| %.2f dB, median |centroid diff| %.2f %%, "
                "programs whose release is missing or 20 dB short: %d of %zu\n",
                median(level), median(centroid), missingRelease, rows.size());
    std::vector<TRow> worst = rows;
    std::sort(worst.begin(), worst.end(), [](const TRow& a, const TRow& b) {
        return std::fabs(a.LevelDiff) + std::fabs(a.CentroidDiff) / 4 >
               std::fabs(b.LevelDiff) + std::fabs(b.CentroidDiff) / 4;
    });
    std::printf("\nworst ten (by |level| + |centroid|/4):\n");
    for (size_t i = 0; i < worst.size() && i < 10; ++i)
        std::printf("  program %d: level %+.2f dB, centroid %+.1f %%, release %.1f / %.1f dB\n",
                    worst[i].Program, worst[i].LevelDiff, worst[i].CentroidDiff,
                    worst[i].BridgeRelease, worst[i].SourceRelease);
    delete_fluid_synth(source);
    delete_fluid_settings(settings);
    return 0;
}
