// End to end: the real program under a private X server, a private PulseAudio daemon
// whose only sink is a null sink, key presses through XTest, and the sink's monitor
// captured to find when each press first sounds. Also launch to window shown, launch
// to first playable note, memory once loaded and CPU at rest; FluidSynth's own shell
// on the same sink as the reference. Run under xvfb-run (see README.md).
#include "TempDir.h"
#include "sound/platform/PulseTestServer.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Rate = 44100;
constexpr int KeyQ = 24; // X keycode of Q: middle C on the left keyboard
constexpr const char* Title = "Talvimorena模拟钢琴";
// Sound starts where the capture first passes this level (-50 dBFS).
constexpr float Threshold = 0.00316f;

double Seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}
double Now() {
    return Seconds(Clock::now());
}
void SleepMs(double ms) {
    std::this_thread::sleep_for(std::chrono::microseconds(int64_t(ms * 1000)));
}

// The null sink's monitor, read in 64-frame pieces on a thread of its own. Each read
// returns once its frames exist, so the earliest (return time - frames so far / rate)
// over all reads places frame 0 on the monotonic clock.
class TCapture {
public:
    explicit TCapture(const std::string& source) {
        pa_sample_spec format{PA_SAMPLE_FLOAT32NE, Rate, 1};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = 64 * sizeof(float);
        int error = 0;
        Stream = pa_simple_new(nullptr, "bench", PA_STREAM_RECORD, source.c_str(), "monitor",
                               &format, nullptr, &attr, &error);
        if (!Stream) return;
        Samples.reserve(size_t(Rate) * 900);
        Thread = std::thread([this] { Run(); });
    }
    ~TCapture() {
        Running = false;
        if (Thread.joinable()) Thread.join();
        if (Stream) pa_simple_free(Stream);
    }
    bool Ok() const { return Stream != nullptr; }
    int64_t Frames() {
        std::lock_guard<std::mutex> lock(Mutex);
        return int64_t(Samples.size());
    }
    double TimeOf(int64_t frame) {
        std::lock_guard<std::mutex> lock(Mutex);
        return Origin + double(frame) / Rate;
    }
    int64_t FrameAt(double time) {
        std::lock_guard<std::mutex> lock(Mutex);
        return int64_t(std::floor((time - Origin) * Rate));
    }
    // The first frame in [from, to) louder than the threshold; -1 if none.
    int64_t FirstSound(int64_t from, int64_t to) {
        std::lock_guard<std::mutex> lock(Mutex);
        for (int64_t i = std::max<int64_t>(from, 0); i < std::min<int64_t>(to, Samples.size()); ++i)
            if (std::abs(Samples[size_t(i)]) > Threshold) return i;
        return -1;
    }
    float Peak(int64_t from, int64_t to) {
        std::lock_guard<std::mutex> lock(Mutex);
        float peak = 0;
        for (int64_t i = std::max<int64_t>(from, 0); i < std::min<int64_t>(to, Samples.size()); ++i)
            peak = std::max(peak, std::abs(Samples[size_t(i)]));
        return peak;
    }
    // Waits until the capture holds `frame`.
    void WaitFor(int64_t frame) {
        while (Frames() <= frame)
            SleepMs(2);
    }

private:
    void Run() {
        float buf[64];
        int error = 0;
        while (Running) {
            if (pa_simple_read(Stream, buf, sizeof buf, &error) < 0) break;
            const double t = Now();
            std::lock_guard<std::mutex> lock(Mutex);
            Samples.insert(Samples.end(), buf, buf + 64);
            Origin = std::min(Origin, t - double(Samples.size()) / Rate);
        }
    }
    pa_simple* Stream = nullptr;
    std::thread Thread;
    std::atomic<bool> Running{true};
    std::mutex Mutex;
    std::vector<float> Samples;
    double Origin = 1e300;
};

// A click written to the sink at a known moment: the server's own latency figure
// says when it plays; the capture's onset says when it was seen.
double ClickCheck(TCapture& capture, const std::string& sink) {
    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, Rate, 1};
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = 256 * sizeof(float);
    attr.prebuf = 0;
    attr.minreq = uint32_t(-1);
    int error = 0;
    pa_simple* play = pa_simple_new(nullptr, "bench", PA_STREAM_PLAYBACK, sink.c_str(), "click",
                                    &format, nullptr, &attr, &error);
    if (!play) {
        std::fprintf(stderr, "click stream: %s\n", pa_strerror(error));
        return NAN;
    }
    // Silence first, written as it plays (a short buffer), then the click.
    std::vector<float> silence(64, 0.0f), click(441, 0.5f);
    for (int i = 0; i < 700; ++i)
        pa_simple_write(play, silence.data(), silence.size() * sizeof(float), &error);
    const double latency = double(pa_simple_get_latency(play, &error)) / 1e6;
    const double t = Now();
    pa_simple_write(play, click.data(), click.size() * sizeof(float), &error);
    for (int i = 0; i < 300; ++i)
        pa_simple_write(play, silence.data(), silence.size() * sizeof(float), &error);
    pa_simple_free(play);
    capture.WaitFor(capture.FrameAt(t + 0.3));
    const int64_t at = capture.FirstSound(capture.FrameAt(t - 0.05), capture.Frames());
    if (at < 0)
        std::fprintf(stderr, "click not seen: frames %ld, looked from %ld\n",
                     long(capture.Frames()), long(capture.FrameAt(t - 0.05)));
    return at < 0 ? NAN : capture.TimeOf(at) - (t + latency);
}

// The X display: finds the window, focuses it, presses keys.
class TDisplay {
public:
    // Windows come and go while they are looked for (the splash): errors are ignored.
    TDisplay() : Dpy(XOpenDisplay(nullptr)) {
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~TDisplay() {
        if (Dpy) XCloseDisplay(Dpy);
    }
    bool Ok() const { return Dpy != nullptr; }
    // A viewable top-level window with this title; 0 if none.
    Window Find(const std::string& title) {
        Window root = DefaultRootWindow(Dpy), parent, *children = nullptr;
        unsigned count = 0;
        Window found = 0;
        const Atom name = XInternAtom(Dpy, "_NET_WM_NAME", False);
        const Atom utf8 = XInternAtom(Dpy, "UTF8_STRING", False);
        if (!XQueryTree(Dpy, root, &root, &parent, &children, &count)) return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(Dpy, children[i], &a) || a.map_state != IsViewable) continue;
            Atom type;
            int format;
            unsigned long n, after;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(Dpy, children[i], name, 0, 256, False, utf8, &type, &format, &n,
                                   &after, &data) == Success &&
                data) {
                if (title == reinterpret_cast<const char*>(data)) found = children[i];
                XFree(data);
            }
        }
        if (children) XFree(children);
        return found;
    }
    void Focus(Window w) {
        XRaiseWindow(Dpy, w);
        XSetInputFocus(Dpy, w, RevertToParent, CurrentTime);
        XSync(Dpy, False);
    }
    // Sends the key event; the moment it left for the server.
    double Key(int code, bool down) {
        XTestFakeKeyEvent(Dpy, unsigned(code), down, CurrentTime);
        XFlush(Dpy);
        return Now();
    }

private:
    Display* Dpy;
};

struct TProcess {
    pid_t Pid = -1;
    int In = -1; // its standard input, when piped
    ~TProcess() { Stop(); }
    void Stop() {
        if (In >= 0) ::close(In);
        In = -1;
        if (Pid <= 0) return;
        ::kill(Pid, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(Pid, nullptr, WNOHANG) == Pid) {
                Pid = -1;
                return;
            }
            SleepMs(20);
        }
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
        Pid = -1;
    }
};

void Start(TProcess& p, std::vector<std::string> args, bool pipeInput) {
    int fds[2] = {-1, -1};
    if (pipeInput && ::pipe(fds) != 0) return;
    p.Pid = ::fork();
    if (p.Pid == 0) {
        if (pipeInput) {
            ::dup2(fds[0], 0);
            ::close(fds[0]);
            ::close(fds[1]);
        }
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    if (pipeInput) {
        ::close(fds[0]);
        p.In = fds[1];
    }
}

// Resident and peak resident memory in MiB.
std::pair<double, double> Memory(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    double rss = 0, hwm = 0;
    while (std::getline(f, line)) {
        if (line.rfind("VmRSS:", 0) == 0) rss = std::stod(line.substr(6)) / 1024;
        if (line.rfind("VmHWM:", 0) == 0) hwm = std::stod(line.substr(6)) / 1024;
    }
    return {rss, hwm};
}

// CPU seconds the process has used (all its threads).
double CpuSeconds(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::istringstream in(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && in >> field; ++i) {
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return (utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

// CPU seconds of each thread, by name.
std::vector<std::pair<std::string, double>> ThreadCpu(pid_t pid) {
    std::vector<std::pair<std::string, double>> out;
    const fs::path task = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(task, ec)) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        std::getline(comm, name);
        std::ifstream f(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        std::istringstream in(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double cpu = 0;
        for (int i = 3; i <= 15 && in >> field; ++i)
            if (i == 14 || i == 15) cpu += std::stod(field);
        out.emplace_back(name + " " + entry.path().filename().string(),
                         cpu / double(::sysconf(_SC_CLK_TCK)));
    }
    return out;
}

std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

struct TFigures {
    std::vector<double> Ms;
    int Missed = 0;
    // Every press: when it left and when it sounded (NaN when it did not count).
    std::vector<double> Pressed, Sounded;
};

void Print(const std::string& what, TFigures f) {
    if (f.Ms.empty()) {
        std::printf("| %s | no sound | | | | | %d |\n", what.c_str(), f.Missed);
        return;
    }
    std::sort(f.Ms.begin(), f.Ms.end());
    const size_t n = f.Ms.size();
    const double median = n % 2 ? f.Ms[n / 2] : (f.Ms[n / 2 - 1] + f.Ms[n / 2]) / 2;
    // The middle 80 % of the presses: the spread without the few that a stall of the
    // machine (or of the sound server) moved.
    const double p10 = f.Ms[n / 10], p90 = f.Ms[n - 1 - n / 10];
    std::printf("| %s | %.1f | %.1f | %.1f | %.1f | %.1f | %zu (%d missed) |\n", what.c_str(),
                median, f.Ms.front(), f.Ms.back(), f.Ms.back() - f.Ms.front(), p90 - p10, n,
                f.Missed);
    std::fflush(stdout);
}

// Where the spread arises: the MIDI log stamps each note-on when the key path sends
// it (milliseconds since the program started, so only differences count). The last
// note-ons of the log are the presses, in order.
void SplitSpread(const std::string& log, const TFigures& f) {
    std::ifstream in(log);
    std::vector<double> sent;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string ms, status, note, velocity;
        if (words >> ms >> status >> note >> velocity && status == "90" && velocity != "00")
            sent.push_back(std::stod(ms) / 1000);
    }
    if (sent.size() < f.Pressed.size()) return;
    sent.erase(sent.begin(), sent.end() - long(f.Pressed.size()));
    double keyMin = 1e300, keyMax = -1e300, synthMin = 1e300, synthMax = -1e300;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (std::isnan(f.Sounded[i])) continue;
        const double key = sent[i] - f.Pressed[i], synth = f.Sounded[i] - sent[i];
        keyMin = std::min(keyMin, key), keyMax = std::max(keyMax, key);
        synthMin = std::min(synthMin, synth), synthMax = std::max(synthMax, synth);
    }
    std::printf("  spread of press -> note sent (X server, Qt, key path): %.1f ms; of note sent "
                "-> sound (synthesiser, sound server): %.1f ms (the log counts whole ms)\n",
                (keyMax - keyMin) * 1000, (synthMax - synthMin) * 1000);
}

// Presses `count` times: `press` sends the note and returns when it left, `release`
// ends it. The onset is looked for from 2 ms before the press to 400 ms after.
template <typename Press, typename Release>
TFigures Measure(TCapture& capture, int count, Press press, Release release, int gapMs = 400) {
    TFigures f;
    for (int i = 0; i < count; ++i) {
        // A random wait, so that presses fall anywhere within the driver's periods.
        SleepMs(gapMs + (i * 37) % 50);
        const double t = press();
        SleepMs(150);
        release();
        const int64_t end = capture.FrameAt(t + 0.4);
        capture.WaitFor(end);
        const int64_t from = capture.FrameAt(t - 0.002);
        f.Pressed.push_back(t);
        f.Sounded.push_back(NAN);
        if (capture.Peak(capture.FrameAt(t - 0.05), from) > Threshold) {
            ++f.Missed; // the last note still sounding: not a clean start
            continue;
        }
        const int64_t at = capture.FirstSound(from, end);
        if (at < 0) {
            ++f.Missed;
            continue;
        }
        f.Sounded.back() = capture.TimeOf(at);
        f.Ms.push_back((capture.TimeOf(at) - t) * 1000);
    }
    return f;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int presses = argc > 1 ? std::atoi(argv[1]) : 30;
    const std::string bin = TALVIMORENA_BIN_DIR;
    const std::string soundFont = argc > 2 ? argv[2] : "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    std::printf("load average at start: %s\n", LoadAverage().c_str());

    TPulseTestServer server({{"bench", "Bench sink", "rate=44100"}}, "bench");
    if (!server.Error().empty()) {
        std::fprintf(stderr, "%s\n", server.Error().c_str());
        return 1;
    }
    TDisplay display;
    if (!display.Ok()) {
        std::fprintf(stderr, "no X display: run under xvfb-run\n");
        return 1;
    }
    TCapture capture("bench.monitor");
    if (!capture.Ok()) {
        std::fprintf(stderr, "cannot record the sink's monitor\n");
        return 1;
    }
    capture.WaitFor(Rate / 2);
    {
        const double t0 = Now();
        const int64_t f0 = capture.Frames();
        SleepMs(2000);
        std::printf("capture: %.0f frames a second\n",
                    double(capture.Frames() - f0) / (Now() - t0));
    }
    double worst = 0;
    for (int i = 0; i < 3; ++i) {
        const double e = ClickCheck(capture, "bench");
        std::printf("click: seen %.2f ms after the server's latency says it plays\n", e * 1000);
        worst = std::max(worst, std::abs(e));
    }

    std::printf("\n| program and setting | median ms | min ms | max ms | spread ms | p10..p90 ms "
                "| presses |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    struct TRun {
        int Latency;
        double Window = 0, FirstNote = 0, Rss = 0, Peak = 0, IdleCpu = -1;
    };
    std::vector<TRun> runs;
    for (int latency : {10, 40, 100}) {
        TRun run{latency};
        TTempDir folder;
        fs::copy_file(bin + "/talvimorena", folder.Path("talvimorena"));
        fs::create_symlink(bin + "/msf4.s", folder.Path("msf4.s"));
        fs::create_symlink(bin + "/TalvimorenaGlyphs.dll", folder.Path("TalvimorenaGlyphs.dll"));
        // Latency, reverb 0 (no tail between presses), no external set.
        folder.WriteText("Talvimorena4.cfg", std::to_string(latency) + "\r\n0\r\n0\r\n\r\n");
        TProcess program;
        const double launch = Now();
        ::setenv("TALVIMORENA_MIDI_LOG", folder.Path("midi.log").c_str(), 1);
        Start(program, {folder.Path("talvimorena")}, false);
        ::unsetenv("TALVIMORENA_MIDI_LOG");
        Window w = 0;
        while (!(w = display.Find(Title)) && Now() - launch < 60)
            SleepMs(1);
        run.Window = Now() - launch;
        if (!w) {
            std::fprintf(stderr, "the window did not show\n");
            return 1;
        }
        display.Focus(w);
        // First playable: a press every 30 ms until one sounds.
        double firstPress = 0;
        for (int i = 0; i < 2000 && firstPress == 0; ++i) {
            const double t = display.Key(KeyQ, true);
            SleepMs(15);
            display.Key(KeyQ, false);
            SleepMs(15);
            const int64_t at = capture.FirstSound(capture.FrameAt(launch), capture.Frames());
            if (at >= 0) firstPress = capture.TimeOf(at);
            (void)t;
        }
        run.FirstNote = firstPress - launch;
        SleepMs(1000);
        const TFigures f = Measure(
            capture, presses, [&] { return display.Key(KeyQ, true); },
            [&] { display.Key(KeyQ, false); });
        Print("this piano, latency " + std::to_string(latency), f);
        SplitSpread(folder.Path("midi.log"), f);
        // Presses far enough apart that the synthesiser comes to rest (its driver's
        // thread asleep, the stream run dry) before each.
        const TFigures rested = Measure(
            capture, std::max(presses / 3, 3), [&] { return display.Key(KeyQ, true); },
            [&] { display.Key(KeyQ, false); }, 2500);
        Print("this piano, latency " + std::to_string(latency) + ", each press after a rest",
              rested);
        std::tie(run.Rss, run.Peak) = Memory(program.Pid);
        if (latency == 40) {
            SleepMs(5000); // past the effects' tails
            const double c0 = CpuSeconds(program.Pid), t0 = Now();
            const auto before = ThreadCpu(program.Pid);
            SleepMs(30000);
            run.IdleCpu = (CpuSeconds(program.Pid) - c0) / (Now() - t0) * 100;
            for (const auto& [name, cpu] : ThreadCpu(program.Pid))
                for (const auto& [name0, cpu0] : before)
                    if (name == name0 && cpu > cpu0)
                        std::printf("idle thread %s: %.2f %% of a core\n", name.c_str(),
                                    (cpu - cpu0) / (Now() - t0) * 100);
        }
        program.Stop();
        runs.push_back(run);
    }

    // The reference: FluidSynth's shell with 64-frame periods, its notes typed in.
    {
        TProcess shell;
        Start(shell,
              {"fluidsynth", "-q", "-a", "pulseaudio", "-o", "audio.period-size=64", "-o",
               "audio.periods=2", "-o", "synth.reverb.active=0", "-o", "synth.chorus.active=0",
               "-g", "0.2", soundFont},
              true);
        SleepMs(8000);
        auto say = [&](const std::string& line) {
            const std::string text = line + "\n";
            if (::write(shell.In, text.data(), text.size()) < 0) return 0.0;
            return Now();
        };
        const TFigures f = Measure(
            capture, presses, [&] { return say("noteon 0 60 70"); }, [&] { say("noteoff 0 60"); });
        Print("FluidSynth's shell, 64-frame periods", f);
        shell.Stop();
    }

    std::printf("\n| latency | window shown s | first note playable s | resident MiB | peak "
                "MiB | idle CPU %% of a core |\n|---|---|---|---|---|---|\n");
    for (const TRun& r : runs) {
        std::printf("| %d | %.2f | %.2f | %.0f | %.0f | ", r.Latency, r.Window, r.FirstNote, r.Rss,
                    r.Peak);
        if (r.IdleCpu >= 0)
            std::printf("%.2f |\n", r.IdleCpu);
        else
            std::printf("- |\n");
    }
    std::printf("\nclick check: worst %.2f ms; load average at end: %s\n", worst * 1000,
                LoadAverage().c_str());
    return 0;
}
