// Song playback through the real main window offscreen: a song of dense chords (three
// keys down every 50 ms, the previous three up) played by the window's playback timer
// and its posted ticks, each event's lateness against its recorded time measured as
// the controller receives it; once on a quiet main thread and once while the main
// thread repaints the whole window without pause.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_song_playback build/bin [MINUTES]
#include "BenchSupport.h"
#include "BenchWindow.h"

#include "app/TKTPianoForm.h"
#include "base/ITickClock.h"
#include "keys/KeyTable.h"
#include "ui/GlyphLibrary.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using TClockType = bench::TClock;

struct TManualClock : ITickClock {
    uint32_t TickCount() const override { return Now; }
    uint32_t Now = 0;
};

// The song's file: `minutes` of chords, alternating Q W E and A S D.
bool WriteDenseSong(const std::string& path, int minutes, size_t& events) {
    TManualClock clock;
    TSimpleRecorder rec(clock);
    rec.SetRecording(true);
    const uint8_t chords[2][3] = {{DIK::Q, DIK::W, DIK::E}, {DIK::A, DIK::S, DIK::D}};
    const uint32_t end = static_cast<uint32_t>(minutes) * 60000;
    int n = 0;
    for (uint32_t t = 50; t <= end; t += 50, ++n) {
        clock.Now = t;
        for (uint8_t code : chords[(n + 1) % 2])
            if (n > 0) rec.RecordKeyUp(code);
        for (uint8_t code : chords[n % 2])
            rec.RecordKeyDown(code);
    }
    rec.SetRecording(false);
    events = rec.EventCount();
    return rec.SaveToFile(path, MakeSongInfo("bench", "", ""));
}

struct TRun {
    std::vector<double> Lateness; // ms, by event
    bool InOrder = true;
    long Repaints = 0;
};

double At(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * double(v.size() - 1))];
}

void Report(const char* what, const TRun& run) {
    const std::vector<double>& l = run.Lateness;
    const size_t tenth = l.size() / 10;
    const std::vector<double> first(l.begin(), l.begin() + long(tenth));
    const std::vector<double> last(l.end() - long(tenth), l.end());
    std::printf("| %s | %zu | %.2f | %.2f | %.2f | %+.2f | %s |\n", what, l.size(), At(l, 0.5),
                At(l, 0.99), *std::max_element(l.begin(), l.end()), At(last, 0.5) - At(first, 0.5),
                run.InOrder ? "yes" : "NO");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s PROGRAM-FOLDER [MINUTES]\n", argv[0]);
        return 2;
    }
    const int minutes = argc == 3 ? std::atoi(argv[2]) : 10;
    QApplication app(argc, argv);
    TGlyphLibrary glyphs;
    if (!glyphs.Open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "no %s in %s\n", TGlyphLibrary::FileName, argv[1]);
        return 1;
    }
    char folder[] = "/tmp/talvimorena-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;
    const std::string songPath = std::string(folder) + "/dense.lyt";
    size_t eventCount = 0;
    if (!WriteDenseSong(songPath, minutes, eventCount)) return 1;

    TSettings settings;
    const auto window = bench::MakeWindow(glyphs, folder, settings);
    TKTPianoForm& form = *window;
    TSimpleRecorder& rec = form.Core().Recorder();
    TPerformanceController& ctl = form.Core().Controller();
    TSongInfoRec info{};
    if (!rec.LoadFromFile(songPath, info)) return 1;
    std::vector<std::pair<uint8_t, int32_t>> expected;
    std::vector<uint32_t> times;
    rec.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet*) {
        expected.emplace_back(e.Kind, e.Value);
        times.push_back(e.Time);
    });

    // The controller's own handlers, with the measurement in front of them.
    TRun* run = nullptr;
    TClockType::time_point start;
    size_t next = 0;
    rec.SetOnPlayStart([&] {
        start = TClockType::now();
        next = 0;
        ctl.ApplySongSnapshot();
    });
    rec.SetOnPlayEvent([&](uint8_t kind, int32_t value, const TKeyDefSet* table) {
        const double elapsed = bench::Millis(TClockType::now() - start);
        if (next < times.size()) {
            run->Lateness.push_back(elapsed - times[next]);
            if (expected[next] != std::make_pair(kind, value)) run->InOrder = false;
        }
        ++next;
        ctl.PlaySongEvent(kind, value, table);
    });

    const auto play = [&](TRun& r, bool storm) {
        run = &r;
        QTimer repaint;
        QObject::connect(&repaint, &QTimer::timeout, [&] {
            form.repaint();
            ++r.Repaints;
        });
        if (storm) repaint.start(0);
        form.Core().SetSongPlaying(true);
        while (rec.IsPlaying())
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        repaint.stop();
        if (next != eventCount) r.InOrder = false;
    };

    std::printf("Song: %d min, %zu events (3-key chords every 50 ms)\n\n", minutes, eventCount);
    std::printf("| main thread | events | median (ms) | 99th percentile (ms) | worst (ms) | "
                "drift, last tenth - first tenth (ms) | all in order |\n"
                "|---|---:|---:|---:|---:|---:|---|\n");
    TRun quiet, busy;
    play(quiet, false);
    Report("quiet", quiet);
    play(busy, true);
    Report("repainting the whole window without pause", busy);
    std::printf("\nRepaints during the busy run: %ld (%.0f a second)\n", busy.Repaints,
                double(busy.Repaints) / (minutes * 60.0));
    std::filesystem::remove_all(folder);
    return 0;
}
