// The real program under Xvfb: started from a program folder of its own, played by
// raw keycodes through XTest, checked through its MIDI log and a screenshot.
#include "TempDir.h"
#include "sound/platform/PulseTestServer.h"

#include "base/ShortString.h"
#include "keys/KeyDef.h"
#include "keys/KeyTable.h"
#include "ui/SkinLayout.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QResource>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string BinDir = TALVIMORENA_BIN_DIR;
constexpr const char* Title = "Talvimorena模拟钢琴";

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[512];
        while (size_t n = std::fread(buf, 1, sizeof buf, p))
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A program folder: a copy of the executable (its folder is where it looks for its
// files), the built-in voice set and, unless left out, the glyph library.
struct TProgramFolder {
    explicit TProgramFolder(bool withGlyphs = true) {
        fs::copy_file(BinDir + "/talvimorena", Dir.Path("talvimorena"));
        fs::create_symlink(BinDir + "/msf4.s", Dir.Path("msf4.s"));
        if (withGlyphs)
            fs::create_symlink(BinDir + "/TalvimorenaGlyphs.dll",
                               Dir.Path("TalvimorenaGlyphs.dll"));
    }
    TTempDir Dir;
};

// The program running; stopped (SIGTERM, which it takes as a close) at the end.
class TProgram {
public:
    TProgram(const TProgramFolder& folder, std::vector<std::string> args = {}) {
        Log = folder.Dir.Path("midi.log");
        Pid = ::fork();
        if (Pid == 0) {
            ::setenv("TALVIMORENA_MIDI_LOG", Log.c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            std::vector<std::string> all = {folder.Dir.Path("talvimorena")};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (auto& a : all)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~TProgram() { Stop(); }

    // The id of the top-level window with this exact title, waiting for it.
    std::string WaitForWindow(const std::string& title, int seconds = 60) {
        for (int i = 0; i < seconds * 10; ++i) {
            // Only a mapped window can take the focus.
            std::string id = Shell("xdotool search --onlyvisible --name '^" + title +
                                   "$' 2>/dev/null | head -1");
            while (!id.empty() && (id.back() == '\n' || id.back() == ' '))
                id.pop_back();
            if (!id.empty()) return id;
            if (Exited()) return "";
            Sleep(100);
        }
        return "";
    }
    // Waits until the built-in voice set has arrived, which the window does not wait
    // for: both keyboards' first voices then appear in the log (program changes on
    // channels 0 and 1). Only where a sound port opened: otherwise no set is loaded.
    bool WaitUntilPlayable(int seconds = 60) {
        auto has = [](const std::vector<std::string>& lines, const char* prefix) {
            return std::any_of(lines.begin(), lines.end(),
                               [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        };
        for (int i = 0; i < seconds * 10; ++i) {
            const auto lines = Messages();
            if (has(lines, "C0 ") && has(lines, "C1 ")) return true;
            if (Exited()) return false;
            Sleep(100);
        }
        return false;
    }
    bool Exited() {
        if (Pid <= 0) return true;
        int status = 0;
        if (::waitpid(Pid, &status, WNOHANG) == Pid) {
            Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            Pid = -1;
            return true;
        }
        return false;
    }
    int WaitForExit(int seconds = 20) {
        for (int i = 0; i < seconds * 10 && !Exited(); ++i)
            Sleep(100);
        return Pid < 0 ? Status : -2;
    }
    void Stop() {
        if (Pid <= 0) return;
        ::kill(Pid, SIGTERM);
        if (WaitForExit() == -2) {
            ::kill(Pid, SIGKILL);
            WaitForExit();
        }
    }
    // The log's lines without their times.
    std::vector<std::string> Messages() const {
        std::ifstream in(Log);
        std::vector<std::string> out;
        std::string line;
        while (std::getline(in, line)) {
            const size_t blank = line.find(' ');
            if (blank != std::string::npos) out.push_back(line.substr(blank + 1));
        }
        return out;
    }
    std::string Log;
    int Status = -1;

private:
    pid_t Pid = -1;
};

std::string Hex(int status, int note, int velocity) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X %02X %02X", status, note, velocity);
    return buf;
}

int Count(const std::vector<std::string>& v, const std::string& s) {
    return static_cast<int>(std::count(v.begin(), v.end(), s));
}

// X keycodes are evdev codes plus 8.
std::string Press(int evdev) {
    return "+" + std::to_string(evdev + 8);
}
std::string Release(int evdev) {
    return "-" + std::to_string(evdev + 8);
}
constexpr int EvQ = 16, EvW = 17, EvE = 18, EvR = 19, EvT = 20, EvKp1 = 79;

void Keys(const std::vector<std::string>& steps) {
    std::string cmd = TALVIMORENA_XTEST_KEYS;
    for (const auto& s : steps)
        cmd += " " + s;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// Waits until the log has grown by at least n lines past `from`.
std::vector<std::string> WaitForMessages(TProgram& p, size_t from, size_t n) {
    std::vector<std::string> m;
    for (int i = 0; i < 100; ++i) {
        m = p.Messages();
        if (m.size() >= from + n) break;
        Sleep(50);
    }
    return m.size() > from ? std::vector<std::string>(m.begin() + from, m.end())
                           : std::vector<std::string>{};
}

// The window as the screen shows it now.
QImage Shot(const TProgramFolder& folder, const std::string& window, const std::string& name) {
    const std::string path = folder.Dir.Path(name);
    Shell("import -window " + window + " " + path + " 2>/dev/null");
    QImage image(QString::fromStdString(path));
    if (const char* keep = std::getenv("TALVIMORENA_E2E_SHOTS"))
        fs::copy_file(path, std::string(keep) + "/" + name, fs::copy_options::overwrite_existing);
    return image.convertToFormat(QImage::Format_RGB32);
}

// How many pixels of the rectangle differ between two pictures.
int Changed(const QImage& a, const QImage& b, const SkinLayout::TSkinRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Top + r.Height; ++y)
        for (int x = r.Left; x < r.Left + r.Width; ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// How many pixels of the rectangle have exactly this colour.
int Pixels(const QImage& image, const SkinLayout::TSkinRect& r, QRgb colour) {
    int n = 0;
    for (int y = r.Top; y < r.Top + r.Height; ++y)
        for (int x = r.Left; x < r.Left + r.Width; ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

} // namespace

TEST(PianoE2E, KeysPlayTheirNotesOnceAndTheWindowIsTheSkin) {
    TProgramFolder folder;
    TProgram piano(folder);
    const std::string window = piano.WaitForWindow(Title);
    ASSERT_FALSE(window.empty()) << "the main window appears";
    Shell("xdotool windowfocus --sync " + window);
    Sleep(500);
    // Whatever start-up sent (voices, when a sound port opened) is behind us now.
    Sleep(1000);
    const size_t base = piano.Messages().size();

    // Q: left keyboard, middle C, velocity 70. Num-1: right keyboard, middle C at 100.
    Keys({Press(EvQ), "w100", Release(EvQ), "w100", Press(EvKp1), "w100", Release(EvKp1)});
    auto played = WaitForMessages(piano, base, 4);
    EXPECT_EQ(Count(played, Hex(0x90, 60, 70)), 1) << "Q";
    EXPECT_EQ(Count(played, Hex(0x80, 60, 64)), 1);
    EXPECT_EQ(Count(played, Hex(0x91, 60, 100)), 1) << "Num-1";
    EXPECT_EQ(Count(played, Hex(0x81, 60, 64)), 1);

    // A four-key chord pressed at once: every key sounds, every release is seen.
    const size_t chordBase = piano.Messages().size();
    Keys({Press(EvW), Press(EvE), Press(EvR), Press(EvT), "w200", Release(EvW), Release(EvE),
          Release(EvR), Release(EvT)});
    int expected = 0;
    for (int code : {DIK::W, DIK::E, DIK::R, DIK::T})
        expected += DefaultKeyDefSet().Keys[KeyIndexOfCode(code)].Count;
    ASSERT_GE(expected, 4);
    auto chord = WaitForMessages(piano, chordBase, static_cast<size_t>(2 * expected));
    int ons = 0, offs = 0;
    for (const auto& m : chord) {
        ons += m.rfind("90 ", 0) == 0 || m.rfind("91 ", 0) == 0;
        offs += m.rfind("80 ", 0) == 0 || m.rfind("81 ", 0) == 0;
    }
    EXPECT_EQ(ons, expected);
    EXPECT_EQ(offs, expected);

    // Held for a second, through the server's auto-repeat: still one note.
    const size_t holdBase = piano.Messages().size();
    Keys({Press(EvQ), "w1200", Release(EvQ)});
    auto held = WaitForMessages(piano, holdBase, 2);
    Sleep(300);
    held = WaitForMessages(piano, holdBase, 2);
    EXPECT_EQ(Count(held, Hex(0x90, 60, 70)), 1);
    EXPECT_EQ(Count(held, Hex(0x80, 60, 64)), 1);

    // The window is the skin, 621 x 436.
    const std::string shot = folder.Dir.Path("window.png");
    Shell("import -window " + window + " " + shot + " 2>/dev/null");
    QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 621);
    EXPECT_EQ(image.height(), 436);
    ASSERT_TRUE(
        QResource::registerResource(QString::fromStdString(BinDir + "/TalvimorenaGlyphs.dll")));
    const QImage skin = QImage(":/RES_TOTALBMP").convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(skin.width(), 621);
    const QImage seen = image.convertToFormat(QImage::Format_RGB32);
    long same = 0;
    for (int y = 0; y < 436; ++y)
        for (int x = 0; x < 621; ++x)
            same += seen.pixel(x, y) == skin.pixel(x, y);
    EXPECT_GT(same, 621L * 436 * 9 / 10) << "most of the window is the skin's picture";
    if (const char* keep = std::getenv("TALVIMORENA_E2E_SHOTS"))
        fs::copy_file(shot, std::string(keep) + "/window.png",
                      fs::copy_options::overwrite_existing);

    piano.Stop();
    EXPECT_EQ(piano.Status, 0) << "a close by SIGTERM ends the program normally";
}

TEST(PianoE2E, WithoutTheGlyphLibraryOnlyTheErrorBoxIsShown) {
    TProgramFolder folder(false);
    TProgram piano(folder);
    const std::string box = piano.WaitForWindow("错误！", 30);
    ASSERT_FALSE(box.empty()) << "the error box appears";
    EXPECT_TRUE(Shell("xdotool search --name '^" + std::string(Title) + "$'").empty());
    // Return on the focused box is its OK; a box still being mapped is tried again.
    for (int i = 0; i < 20 && !piano.Exited(); ++i) {
        Shell("xdotool windowfocus --sync " + box + " key Return 2>/dev/null");
        piano.WaitForExit(1);
    }
    EXPECT_EQ(piano.WaitForExit(), 1);
}

TEST(PianoE2E, APortNumberWritesTheOutputPortListAndAWordDoesNot) {
    {
        TProgramFolder folder;
        TProgram piano(folder, {"multiinstance", "5", "2"});
        ASSERT_FALSE(piano.WaitForWindow(Title).empty());
        std::ifstream in(folder.Dir.Path("OutDevList.txt"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str().rfind("0:  ", 0), 0u) << text.str();
        EXPECT_NE(text.str().find("\r\n1:  "), std::string::npos);
    }
    {
        TProgramFolder folder;
        TProgram piano(folder, {"letters"});
        ASSERT_FALSE(piano.WaitForWindow(Title).empty());
        EXPECT_FALSE(fs::exists(folder.Dir.Path("OutDevList.txt")));
    }
}

// The port number on the command line is the port that plays. A private sound
// server takes both software synthesisers: the PulseAudio one directly, the ALSA one
// through ALSA's plug-in for the server as its default device, so that the stream on
// the server tells which of them the program opened. A number beyond the list opens
// nothing and the program stays silent.
TEST(PianoE2E, ThePortNumberOnTheCommandLineIsThePortThatPlays) {
    TPulseTestServer server({{"piano", "Piano", "rate=44100"}}, "piano");
    ASSERT_EQ(server.Error(), "");
    TTempDir alsa;
    alsa.WriteText("asound.conf", "pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    TEnvironmentVariable config("ALSA_CONFIG_PATH", alsa.Path("asound.conf"));

    // The numbers of the two synthesisers, from the list the program writes.
    std::string list;
    {
        TProgramFolder folder;
        TProgram piano(folder, {"0"});
        ASSERT_FALSE(piano.WaitForWindow(Title).empty());
        std::ifstream in(folder.Dir.Path("OutDevList.txt"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        list = Cp936ToUtf8(text.str());
    }
    auto numberOf = [&](const std::string& description) {
        const size_t at = list.find(":  " + description + "\r\n");
        if (at == std::string::npos) return std::string();
        const size_t start = list.rfind('\n', at);
        return list.substr(start == std::string::npos ? 0 : start + 1,
                           at - (start == std::string::npos ? 0 : start + 1));
    };
    const std::string pulse = numberOf("软件合成器 (PulseAudio)");
    const std::string alsaPort = numberOf("软件合成器 (ALSA)");
    ASSERT_FALSE(pulse.empty()) << list;
    ASSERT_FALSE(alsaPort.empty()) << list;

    const struct {
        const char* What;
        std::string Port;
        const char* Client; // the stream's application on the server; "" for none
    } cases[] = {
        {"PulseAudio", pulse, "FluidSynth"},
        {"ALSA", alsaPort, "ALSA plug-in [talvimorena]"},
        {"beyond the list", "99", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TProgramFolder folder;
        TProgram piano(folder, {c.Port});
        const std::string window = piano.WaitForWindow(Title);
        ASSERT_FALSE(window.empty());
        const bool plays = *c.Client != 0;
        if (plays) {
            ASSERT_TRUE(piano.WaitUntilPlayable()) << "the voices went to the opened port";
        } else {
            Sleep(3000); // time for a set to arrive, had a port opened
            for (const std::string& m : piano.Messages())
                EXPECT_TRUE(m.rfind("C0 ", 0) != 0 && m.rfind("C1 ", 0) != 0)
                    << "no port, no keyboard voices: " << m;
        }
        // Which streams the server has from the program.
        const std::string streams = Pactl("list sink-inputs");
        std::vector<std::string> clients;
        static const std::regex name(R"re(application\.name = "([^"]*)")re");
        for (auto it = std::sregex_iterator(streams.begin(), streams.end(), name);
             it != std::sregex_iterator(); ++it)
            clients.push_back((*it)[1]);
        EXPECT_EQ(clients, plays ? std::vector<std::string>{c.Client} : std::vector<std::string>{})
            << streams;

        // A key held while the server's output is recorded: heard only from an opened port.
        // A port's stream may be slow to start on a loaded machine: an opened port has
        // up to three presses to be heard, and a closed one must stay silent in all.
        Shell("xdotool windowfocus --sync " + window);
        Sleep(300);
        int peak = 0;
        for (int attempt = 0; attempt < 3 && (attempt == 0 || !plays || peak <= 100); ++attempt) {
            const std::string recording =
                folder.Dir.Path("heard" + std::to_string(attempt) + ".raw");
            std::thread recorder([&] {
                Shell("timeout 2 parec --device=piano.monitor --format=s16le --channels=1 "
                      "--rate=44100 --raw > " +
                      recording + " 2>/dev/null");
            });
            Sleep(300);
            Keys({Press(EvQ), "w800", Release(EvQ)});
            recorder.join();
            std::ifstream in(recording, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
            EXPECT_GT(bytes.size(), 0u) << "the server's output was recorded";
            for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
                const auto v = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                                    static_cast<uint8_t>(bytes[i + 1]) << 8);
                peak = std::max(peak, std::abs(int{v}));
            }
        }
        if (plays) {
            EXPECT_GT(peak, 100) << "Q is heard";
        } else {
            EXPECT_EQ(peak, 0) << "nothing is heard";
        }
        piano.Stop();
        EXPECT_EQ(piano.Status, 0);
    }
}

TEST(PianoE2E, HeldKeysLightTheirPicturesAndAClickOnAKeyPlaysIt) {
    TProgramFolder folder;
    TProgram piano(folder);
    const std::string window = piano.WaitForWindow(Title);
    ASSERT_FALSE(window.empty());
    Shell("xdotool windowfocus --sync " + window);
    Sleep(1500);
    const QImage rest = Shot(folder, window, "rest.png");
    ASSERT_EQ(rest.size(), QSize(621, 436));

    // Q W E held: C D E on the left keyboard, middle octave.
    using namespace SkinLayout;
    const QRgb orange = qRgb(255, 153, 0), yellow = qRgb(255, 255, 0);
    const TSkinRect numbers{220, 280, 60, 151};
    // The window as it shows once `done` holds of it (not a timing check: a slow build
    // paints later, and a failure shows the last picture).
    const auto shotWhen = [&](const std::string& name, auto done) {
        QImage image;
        for (int i = 0; i < 50; ++i) {
            image = Shot(folder, window, name);
            if (done(image)) break;
            Sleep(200);
        }
        return image;
    };
    Keys({Press(EvQ), Press(EvW), Press(EvE), "w400"});
    const QImage held = shotWhen("held-qwe.png", [&](const QImage& i) {
        return Pixels(i, numbers, orange) > 3 * 10 && Pixels(i, StaffPanel, orange) > 3 * 20;
    });
    Keys({Release(EvQ), Release(EvW), Release(EvE), "w400"});
    const QImage after = shotWhen("released.png", [&](const QImage& i) {
        return Changed(rest, i, {0, 0, 621, 436}) == 0;
    });

    for (int code : {DIK::Q, DIK::W, DIK::E})
        EXPECT_GT(Changed(rest, held, PCKeyRect(KeyIndexOfCode(code))), 20) << code;
    EXPECT_EQ(Changed(rest, held, PCKeyRect(KeyIndexOfCode(DIK::R))), 0);
    // Notes 60, 62, 64 are white keys 21, 22, 23 of the lower strip; the upper is still.
    for (int white = 19; white <= 25; ++white)
        EXPECT_EQ(Changed(rest, held, PianoWhiteLower(LowerPianoOrigin, white)) > 0,
                  white >= 21 && white <= 23)
            << white;
    EXPECT_EQ(
        Changed(rest, held, {UpperPianoOrigin.X, UpperPianoOrigin.Y, PianoWidth, PianoHeight}), 0);
    // Three orange heads on the staff and three orange digits beside it; nothing yellow.
    EXPECT_GT(Pixels(held, StaffPanel, orange), 3 * 20);
    EXPECT_GT(Pixels(held, numbers, orange), 3 * 10);
    EXPECT_EQ(Pixels(held, StaffPanel, yellow), 0);
    EXPECT_EQ(Changed(rest, after, {0, 0, 621, 436}), 0) << "released, every picture is back";

    // Num-1 on the right keyboard: a yellow head.
    Keys({Press(EvKp1), "w400"});
    const QImage right = shotWhen(
        "held-num1.png", [&](const QImage& i) { return Pixels(i, StaffPanel, yellow) > 20; });
    Keys({Release(EvKp1), "w300"});
    EXPECT_GT(Pixels(right, StaffPanel, yellow), 20);
    EXPECT_EQ(Pixels(right, StaffPanel, orange), 0);

    // A click on white key 21 of each strip, and on the Q of the picture.
    const auto click = [&](int x, int y) {
        Shell("xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
              std::to_string(y) + " mousedown 1");
        Sleep(200);
        Shell("xdotool mouseup 1");
        Sleep(200);
    };
    const size_t base = piano.Messages().size();
    const TSkinRect lower = PianoWhiteLower(LowerPianoOrigin, 21);
    const TSkinRect upper = PianoWhiteLower(UpperPianoOrigin, 21);
    const TSkinRect q = PCKeyRect(KeyIndexOfCode(DIK::Q));
    click(lower.Left + lower.Width / 2, lower.Top + lower.Height / 2);
    click(upper.Left + upper.Width / 2, upper.Top + upper.Height / 2);
    click(q.Left + q.Width / 2, q.Top + q.Height / 2);
    const auto clicked = WaitForMessages(piano, base, 6);
    EXPECT_EQ(Count(clicked, Hex(0x90, 60, 70)), 2) << "the lower strip and Q";
    EXPECT_EQ(Count(clicked, Hex(0x91, 60, 100)), 1) << "the upper strip";
    EXPECT_EQ(Count(clicked, Hex(0x80, 60, 64)), 2);
    EXPECT_EQ(Count(clicked, Hex(0x81, 60, 64)), 1);
}

namespace {

constexpr int EvLCtrl = 29, EvReturn = 28, EvS = 31, EvO = 24, EvP = 25, EvN = 49, EvG = 34,
              EvDot = 52, EvL = 38, EvY = 21, EvLShift = 42, EvGrave = 41, Ev1 = 2, EvF2 = 60,
              EvInsert = 110, EvDelete = 111, EvEsc = 1, EvLAlt = 56, EvF4 = 62;

// A key pressed with Ctrl held.
std::vector<std::string> CtrlKey(int evdev) {
    // Ctrl alone first long enough for a slow build to see it before the key.
    return {Press(EvLCtrl), "w400", Press(evdev),     "w50",
            Release(evdev), "w50",  Release(EvLCtrl), "w100"};
}

// A key pressed with Ctrl and Shift held.
std::vector<std::string> CtrlShiftKey(int evdev) {
    return {Press(EvLCtrl),    Press(EvLShift),  "w400", Press(evdev), "w50", Release(evdev), "w50",
            Release(EvLShift), Release(EvLCtrl), "w100"};
}

std::vector<std::string> Typed(std::initializer_list<int> keys) {
    std::vector<std::string> steps;
    for (int k : keys) {
        steps.push_back(Press(k));
        steps.push_back(Release(k));
        steps.push_back("w30");
    }
    return steps;
}

// The note messages of a log stretch, in order.
std::vector<std::string> Notes(const std::vector<std::string>& messages) {
    std::vector<std::string> notes;
    for (const auto& m : messages)
        if (m.rfind("9", 0) == 0 || m.rfind("8", 0) == 0) notes.push_back(m);
    return notes;
}

// Focuses the dialog of that title (waiting for it) and presses Return until it goes.
bool AnswerWithReturn(TProgram& piano, const std::string& title,
                      const std::vector<std::string>& before = {}) {
    const std::string dialog = piano.WaitForWindow(title, 20);
    if (dialog.empty()) {
        if (const char* keep = std::getenv("TALVIMORENA_E2E_SHOTS"))
            Shell("import -window root " + std::string(keep) + "/no-dialog.png");
        return false;
    }
    Shell("xdotool windowfocus --sync " + dialog);
    Sleep(300);
    if (!before.empty()) Keys(before);
    for (int i = 0; i < 10; ++i) {
        Keys({Press(EvReturn), Release(EvReturn), "w300"});
        if (Shell("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null").empty())
            return true;
    }
    if (const char* keep = std::getenv("TALVIMORENA_E2E_SHOTS"))
        Shell("import -window root " + std::string(keep) + "/stuck-dialog.png");
    return false;
}

} // namespace

TEST(PianoE2E, ARecordedSongIsSavedReopenedAndPlaysTheSameNotes) {
    // A sound server of its own, so that the program plays to a null sink and has a
    // mixer (no master-volume warning box comes between the dialogs).
    TPulseTestServer server({{"piano", "Piano", ""}}, "piano");
    ASSERT_EQ(server.Error(), "");
    TProgramFolder folder;
    TProgram piano(folder);
    const std::string window = piano.WaitForWindow(Title);
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(piano.WaitUntilPlayable());
    Shell("xdotool windowfocus --sync " + window);
    Sleep(1500);

    // Ctrl+R, Q, W and Q W together, Ctrl+R.
    const size_t base = piano.Messages().size();
    Keys(CtrlKey(EvR));
    // Recording has begun (and Ctrl is up again) once the caption names the new song;
    // a slow build takes its time.
    ASSERT_FALSE(piano.WaitForWindow("Talvimorena - NewFile", 20).empty());
    Sleep(300);
    Keys({Press(EvQ), "w150", Release(EvQ), "w100", Press(EvW), "w150", Release(EvW), "w100",
          Press(EvQ), Press(EvW), "w200", Release(EvQ), Release(EvW), "w100"});
    Keys(CtrlKey(EvR));
    // Every note of the recording, however many other messages come with them.
    std::vector<std::string> recorded;
    for (int i = 0; i < 200 && recorded.size() < 8; ++i) {
        Sleep(100);
        recorded = Notes(WaitForMessages(piano, base, 0));
    }
    Sleep(300);
    recorded = Notes(WaitForMessages(piano, base, 0));
    std::string seen;
    for (const auto& m : recorded)
        seen += m + "; ";
    ASSERT_EQ(recorded.size(), 8u) << seen;
    EXPECT_FALSE(piano.WaitForWindow("Talvimorena - NewFile", 5).empty());

    // Ctrl+S: the information (OK at once), then the save dialog: "song", Return.
    Keys(CtrlKey(EvS));
    ASSERT_TRUE(AnswerWithReturn(piano, "请输入歌曲信息"));
    ASSERT_TRUE(AnswerWithReturn(piano, "Save As", Typed({EvS, EvO, EvN, EvG})));
    const std::string song = folder.Dir.Path("song.lyt");
    for (int i = 0; i < 50 && !fs::exists(song); ++i)
        Sleep(100);
    ASSERT_TRUE(fs::exists(song)) << "saved in the program folder with the default suffix";
    EXPECT_FALSE(piano.WaitForWindow("Talvimorena - " + song, 5).empty());
    const std::string info = Shell(BinDir + "/talvimorena-tool info " + song + " 2>&1");
    EXPECT_NE(info.find("evKeyDown"), std::string::npos) << info;

    // Without a sound server's mixer the window's second activation says so once, in
    // a box under the program's title (the window's own title names the song by now).
    Shell("xdotool windowfocus --sync " + window);
    Sleep(1000);
    if (!Shell("xdotool search --onlyvisible --name '^" + std::string(Title) + "$' 2>/dev/null")
             .empty())
        ASSERT_TRUE(AnswerWithReturn(piano, Title));

    // Ctrl+O: "song.lyt", Return; the read-only information, Return; then Ctrl+P.
    Shell("xdotool windowfocus --sync " + window);
    Sleep(300);
    Keys(CtrlKey(EvO));
    ASSERT_TRUE(AnswerWithReturn(piano, "Open", Typed({EvS, EvO, EvN, EvG, EvDot, EvL, EvY, EvT})));
    ASSERT_TRUE(AnswerWithReturn(piano, "歌曲信息"));
    Shell("xdotool windowfocus --sync " + window);
    Sleep(1000);
    const size_t playBase = piano.Messages().size();
    Keys(CtrlKey(EvP));
    std::vector<std::string> played;
    for (int i = 0; i < 60 && played.size() < recorded.size(); ++i) {
        Sleep(100);
        played = Notes(WaitForMessages(piano, playBase, 0));
    }
    EXPECT_EQ(played, recorded) << "the playback sends what the keys sent";
}

TEST(PianoE2E, CommandKeysChangeVelocityOctaveAndVoiceAndASlotBringsThemBack) {
    // A sound server, so that the voice set loads and the favourites find their voices.
    TPulseTestServer server({{"piano", "Piano", ""}}, "piano");
    ASSERT_EQ(server.Error(), "");
    TProgramFolder folder;
    TProgram piano(folder);
    const std::string window = piano.WaitForWindow(Title);
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(piano.WaitUntilPlayable());
    Shell("xdotool windowfocus --sync " + window);
    Sleep(1500);
    // The first message starting with `prefix` after the keys, waiting for it.
    const auto after = [&](const std::vector<std::string>& steps, const std::string& prefix) {
        const size_t base = piano.Messages().size();
        Keys(steps);
        std::string seen = "none of";
        for (int i = 0; i < 100; ++i) {
            seen = "none of";
            for (const auto& m : WaitForMessages(piano, base, 0)) {
                if (m.rfind(prefix, 0) == 0) return m;
                seen += " [" + m + "]";
            }
            Sleep(100);
        }
        return seen;
    };
    // Num-1 after the keys: the right keyboard's note.
    const auto noteAfter = [&](std::vector<std::string> steps) {
        for (const auto& s : {Press(EvKp1), std::string("w100"), Release(EvKp1)})
            steps.push_back(s);
        return after(steps, "91 ");
    };
    EXPECT_EQ(noteAfter({}), Hex(0x91, 60, 100));
    // Ctrl+Delete: velocity 95; the grave key: an octave up.
    EXPECT_EQ(noteAfter(CtrlKey(EvDelete)), Hex(0x91, 60, 95));
    EXPECT_EQ(noteAfter({Press(EvGrave), "w50", Release(EvGrave), "w100"}), Hex(0x91, 72, 95));
    // Ctrl+Shift+"1" stores that in slot 0; Ctrl+Insert and the grave key change it
    // (velocity 100, an octave down); Ctrl+"1" brings the slot back.
    Keys(CtrlShiftKey(Ev1));
    std::vector<std::string> change = CtrlKey(EvInsert);
    for (const auto& s :
         {Press(EvGrave), std::string("w50"), Release(EvGrave), std::string("w100")})
        change.push_back(s);
    EXPECT_EQ(noteAfter(change), Hex(0x91, 48, 100));
    EXPECT_EQ(noteAfter(CtrlKey(Ev1)), Hex(0x91, 72, 95));
    // F2: the right keyboard's favourite 2, program 3 of the default set.
    EXPECT_EQ(after({Press(EvF2), "w50", Release(EvF2), "w100"}, "C1 "), "C1 03 00");

    // Ctrl+Esc opens the About box, Return closes it; Alt+F4 then ends the program
    // as the close box does.
    Keys(CtrlKey(EvEsc));
    ASSERT_TRUE(AnswerWithReturn(piano, "关于"));
    Shell("xdotool windowfocus --sync " + window);
    Sleep(1000);
    Keys({Press(EvLAlt), "w400", Press(EvF4), "w50", Release(EvF4), "w50", Release(EvLAlt)});
    EXPECT_EQ(piano.WaitForExit(), 0);
}
