// The real programs' --help and --version, and the piano's answer to a mistaken
// command line, all without a display: no X server, no Wayland, no Qt platform asked
// for. A window-less answer must never reach Qt, which would fail for want of one.
#include "tool/ToolRun.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// No display of any kind: the piano's Qt would fail to start if it were reached.
const std::string NoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";

struct TCase {
    const char* Program;
    const char* Args;
    int Status;
    const char* Out; // in stdout (and stderr empty) when the status is 0
    const char* Err; // in stderr (and stdout empty) otherwise
};

} // namespace

TEST(CommandLineWithoutDisplay, HelpVersionAndMistakes) {
    const std::string version = TALVIMORENA_VERSION;
    const std::string piano = "talvimorena " + version + "\n";
    const std::string tool = "talvimorena-tool " + version + "\n";
    const TCase cases[] = {
        {TALVIMORENA_PROGRAM, "--help", 0, "Usage: talvimorena [PORT] [MULTIINSTANCE]", ""},
        {TALVIMORENA_PROGRAM, "-h", 0, "$XDG_CONFIG_HOME/talvimorena/", ""},
        {TALVIMORENA_PROGRAM, "--version", 0, piano.c_str(), ""},
        // Words and port numbers before it, Qt's options with their values too.
        {TALVIMORENA_PROGRAM, "multiinstance 2 letters -platform offscreen --version", 0,
         piano.c_str(), ""},
        {TALVIMORENA_PROGRAM, "--display :7 -reverse -style=fusion --help", 0, "Exit status:", ""},
        {TALVIMORENA_PROGRAM, "--frobnicate", 2, "", "talvimorena: unknown option '--frobnicate'"},
        {TALVIMORENA_PROGRAM, "-x 2", 2, "", "unknown option '-x'"},
        {TALVIMORENA_PROGRAM, "-platform", 2, "", "option '-platform' needs a value"},
        {TALVIMORENA_PROGRAM, "99999999999", 2, "", "bad port number '99999999999'"},
        {TALVIMORENA_PROGRAM, "-1", 2, "", "bad port number '-1'"},
        {TALVIMORENA_PROGRAM, "2x", 2, "", "bad port number '2x'"},
        // The first mistake ends it before a later --help is seen.
        {TALVIMORENA_PROGRAM, "3 +4.5 --help", 2, "", "bad port number '+4.5'"},
        {TALVIMORENA_TOOL, "--version", 0, tool.c_str(), ""},
        {TALVIMORENA_TOOL, "--help", 0, "talvimorena-tool --version", ""},
    };
    TTempDir dir;
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Program) + " " + c.Args);
        const TRun r = RunProgram(NoDisplay + c.Program, dir, c.Args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        if (c.Status == 0) {
            EXPECT_NE(r.Out.find(c.Out), std::string::npos) << r.Out;
            EXPECT_EQ(r.Err, "");
        } else {
            EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
            EXPECT_NE(r.Err.find("Try 'talvimorena --help'."), std::string::npos) << r.Err;
            EXPECT_EQ(r.Out, "");
        }
    }
}
