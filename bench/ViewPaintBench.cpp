// The views' share of a key: a four-key chord's notes through the controller of the
// real main window (offscreen, no sound port, no voice set), then the paints of the
// PC keyboard picture, the lower strip and the staff that follow, timed to their end;
// the paints while nothing changes; and the CPU the window spends at 20 chords a
// second against its CPU at rest.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_view_paint build/bin
#include "BenchSupport.h"
#include "BenchWindow.h"

#include "app/TKTPianoForm.h"
#include "base/ITickClock.h"
#include "keys/KeyTable.h"
#include "ui/GlyphLibrary.h"

#include <QApplication>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using bench::Micros;
using TClockType = bench::TClock;

// Counts the paint events every widget receives.
class TPaintCounter : public QObject {
public:
    long Paints = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++Paints;
        return QObject::eventFilter(o, e);
    }
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void Report(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    const auto at = [&](double q) { return us[static_cast<size_t>(q * (us.size() - 1))]; };
    std::printf("| %s | %zu | %.0f | %.0f | %.0f |\n", what, us.size(), at(0.5), at(0.99),
                us.back());
}

// Runs the event loop for a while, as the program idles.
void Idle(double seconds) {
    const auto end = TClockType::now() + std::chrono::duration<double>(seconds);
    while (TClockType::now() < end) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (!bench::ArgumentsGiven(argc, argv, 1, "PROGRAM-FOLDER (with TalvimorenaGlyphs.dll)"))
        return 2;
    QApplication app(argc, argv);
    TGlyphLibrary glyphs;
    if (!glyphs.Open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "no %s in %s\n", TGlyphLibrary::FileName, argv[1]);
        return 1;
    }
    // An empty program folder: no voice set, nothing written beside the program.
    char folder[] = "/tmp/talvimorena-bench-XXXXXX";
    if (!mkdtemp(folder)) return 1;

    TSettings settings;
    const auto window = bench::MakeWindow(glyphs, folder, settings);
    TKTPianoForm& form = *window;
    Idle(0.5);

    TPaintCounter counter;
    app.installEventFilter(&counter);
    TPerformanceController& ctl = form.Core().Controller();
    const int chord[] = {DIK::W, DIK::E, DIK::R, DIK::T};
    const auto press = [&](bool down) {
        for (int code : chord)
            if (down)
                ctl.WMDIKeyDown(code, KeyIndexOfCode(code));
            else
                ctl.WMDIKeyUp(code, KeyIndexOfCode(code));
    };

    std::printf("| step | chords | median (us) | 99th percentile (us) | worst (us) |\n"
                "|---|---:|---:|---:|---:|\n");
    const int rounds = 1000;
    std::vector<double> notes, paints, whole, release;
    long paintEvents = 0;
    for (int i = 0; i < rounds; ++i) {
        const long before = counter.Paints;
        const auto t0 = TClockType::now();
        press(true);
        const auto t1 = TClockType::now();
        QApplication::processEvents();
        const auto t2 = TClockType::now();
        paintEvents += counter.Paints - before;
        notes.push_back(Micros(t1 - t0));
        paints.push_back(Micros(t2 - t1));
        whole.push_back(Micros(t2 - t0));
        const auto t3 = TClockType::now();
        press(false);
        QApplication::processEvents();
        release.push_back(Micros(TClockType::now() - t3));
    }
    Report("four-key chord down: the notes (controller, views marked)", notes);
    Report("four-key chord down: from the last note to the end of the paints", paints);
    Report("four-key chord down: first note to end of paints", whole);
    Report("four-key chord up: first note-off to end of paints", release);
    std::printf("\nPaint events per chord: %.1f\n", double(paintEvents) / rounds);

    const long restBefore = counter.Paints;
    const double restCpu0 = CpuSeconds();
    const auto restStart = TClockType::now();
    Idle(10);
    const double restCpu = (CpuSeconds() - restCpu0) /
                           std::chrono::duration<double>(TClockType::now() - restStart).count();
    std::printf("At rest, 10 s: %ld paint events, CPU %.2f %% of a core\n",
                counter.Paints - restBefore, restCpu * 100);

    // 20 chords a second for 10 s: down for 25 ms, up for 25 ms.
    const double cpu0 = CpuSeconds();
    const auto start = TClockType::now();
    for (int i = 0; i < 200; ++i) {
        const auto at = start + std::chrono::milliseconds(50 * i);
        while (TClockType::now() < at) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        press(true);
        QApplication::processEvents();
        const auto upAt = at + std::chrono::milliseconds(25);
        while (TClockType::now() < upAt) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        press(false);
        QApplication::processEvents();
    }
    const double wall = std::chrono::duration<double>(TClockType::now() - start).count();
    const double busy = (CpuSeconds() - cpu0) / wall;
    std::printf("20 chords a second, %.1f s: CPU %.2f %% of a core (%.2f %% above rest)\n", wall,
                busy * 100, (busy - restCpu) * 100);
    std::filesystem::remove_all(folder);
    return 0;
}
