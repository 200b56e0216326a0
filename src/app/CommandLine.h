// The piano's command line: the word "MULTIINSTANCE" in any letter case, and a port
// number to open; any other word is ignored without a message. Before any window,
// --help and --version are answered, and an unknown option or a bad port number
// ends the program with a message.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct TCommandLine {
    bool MultiInstance = false; // kept; nothing else consults it
    int32_t PortNumber = -1;    // -1: none given
};

// The parameters after the program's name. A later number replaces an earlier one.
TCommandLine ParseCommandLine(const std::vector<std::string>& parameters);

// The program's version, "major.minor" (the build's project version).
const char* ProgramVersion();

// The text --help prints.
std::string CommandLineHelp();

// What the command line asks for before any window or display exists: the status to
// end the program with when it is --help or --version (answered on `out`, 0) or in
// error (a message on `err`, 2); nothing when the piano is to start. Qt's own options
// (-platform NAME, -display NAME, -style NAME, ...) are left for Qt.
std::optional<int> AnswerCommandLine(const std::vector<std::string>& parameters, std::ostream& out,
                                     std::ostream& err);
