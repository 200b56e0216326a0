#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

// A whole parameter that is a decimal integer (optional sign) and fits 32 bits.
bool ParseInt32(const std::string& text, int32_t& out) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first; // from_chars takes '-' only
    if (first == last) return false;
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(first, last, v, 10);
    if (ec != std::errc() || end != last) return false;
    out = v;
    return true;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& parameters) {
    TCommandLine line;
    for (const std::string& p : parameters) {
        std::string upper = p;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        int32_t port = 0;
        if (upper == "MULTIINSTANCE")
            line.MultiInstance = true;
        else if (ParseInt32(p, port))
            line.PortNumber = port;
    }
    return line;
}

#ifndef TALVIMORENA_VERSION
#error "TALVIMORENA_VERSION comes from the build's project version"
#endif

const char* ProgramVersion() {
    return TALVIMORENA_VERSION;
}

std::string CommandLineHelp() {
    return R"(Usage: talvimorena [PORT] [MULTIINSTANCE]

Talvimorena is a virtual piano with a Chinese user interface: the computer
keyboard plays a left and a right keyboard through a General MIDI software
synthesiser. It opens its window on the display and plays through PulseAudio,
or ALSA when no sound server answers; without a sound device it runs silently.

Options:
  PORT           Open the synthesiser's output port number PORT (0, 1, ...)
                 instead of the default one, and write the numbered list of
                 ports to OutDevList.txt; "talvimorena-tool ports" prints the
                 same list. A later number replaces an earlier one.
  MULTIINSTANCE  Accepted in any letter case; it changes nothing, as several
                 pianos may run at once.
  -h, --help     Show this text and exit.
  --version      Show the version and exit.

Any other word is ignored. Qt's own options (-platform NAME, -display NAME,
-style NAME, ...) are passed to Qt.

Files:
  The program folder (/usr/lib/talvimorena when installed from the package)
  holds msf4.s, the built-in voice set, TalvimorenaGlyphs.dll, the skin of the
  window, and the help page; the piano reads Default.fvc, the favourite voices,
  there. When that folder cannot be written, as when installed, the piano keeps
  the files it writes by itself in $XDG_CONFIG_HOME/talvimorena/
  (~/.config/talvimorena/ by default), and reads its settings there first:
  Talvimorena4.cfg, the settings (latency, reverb, external voice set),
  written when the settings dialog is confirmed, and OutDevList.txt, written
  at start when a port number is given. A program folder that can be written,
  as the build's own build/bin/, keeps both files beside the program. Songs
  (.lyt), key definitions (.kdf) and favourite voices (.fvc) are where the user
  saves them.

Exit status:
  0 when the window is closed, 1 when the glyph library is missing or the
  platform is too old, 2 on an unknown option or a bad port number.
)";
}

namespace {

// Qt's options that take the next parameter as their value, and those that stand
// alone; either may be written with one dash or two, and -style=NAME,
// -stylesheet=FILE and -qmljsdebugger=... carry their value.
constexpr const char* QtValueOptions[] = {"platform",        "platformpluginpath",
                                          "platformtheme",   "plugin",
                                          "qwindowgeometry", "geometry",
                                          "qwindowtitle",    "title",
                                          "qwindowicon",     "icon",
                                          "display",         "name",
                                          "class",           "visual",
                                          "style",           "stylesheet",
                                          "session"};
constexpr const char* QtFlagOptions[] = {"reverse", "widgetcount", "sync",
                                         "nograb",  "dograb",      "testability"};
constexpr const char* QtJoinedOptions[] = {"style=", "stylesheet=", "qmljsdebugger="};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A parameter that begins as a number does (a digit, or a sign and a digit) is meant
// as a port number.
bool LooksLikeNumber(const std::string& p) {
    if (p.empty()) return false;
    if (IsDigit(p[0])) return true;
    return (p[0] == '+' || p[0] == '-') && p.size() > 1 && IsDigit(p[1]);
}

} // namespace

std::optional<int> AnswerCommandLine(const std::vector<std::string>& parameters, std::ostream& out,
                                     std::ostream& err) {
    auto usageError = [&err](const std::string& message) {
        err << "talvimorena: " << message << "\n"
            << "Try 'talvimorena --help'.\n";
        return 2;
    };
    for (size_t i = 0; i < parameters.size(); ++i) {
        const std::string& p = parameters[i];
        if (p == "-h" || p == "--help") {
            out << CommandLineHelp();
            return 0;
        }
        if (p == "--version") {
            out << "talvimorena " << ProgramVersion() << "\n";
            return 0;
        }
        if (LooksLikeNumber(p)) {
            int32_t port = 0;
            if (!ParseInt32(p, port) || port < 0)
                return usageError("bad port number '" + p +
                                  "': a port is a number from 0 up (talvimorena-tool ports "
                                  "lists them)");
            continue;
        }
        if (p.empty() || p[0] != '-') continue; // MULTIINSTANCE, or a word that is ignored
        const std::string name = p.substr(p.rfind("--", 0) == 0 ? 2 : 1);
        bool known = false;
        for (const char* option : QtValueOptions) {
            if (name == option) {
                if (i + 1 >= parameters.size())
                    return usageError("option '" + p + "' needs a value");
                ++i;
                known = true;
            }
        }
        for (const char* option : QtFlagOptions)
            known = known || name == option;
        for (const char* option : QtJoinedOptions)
            known = known || name.rfind(option, 0) == 0;
        if (!known) return usageError("unknown option '" + p + "'");
    }
    return std::nullopt;
}
