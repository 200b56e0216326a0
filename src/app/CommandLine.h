// The piano's command line: the word "MULTIINSTANCE" in any letter case, and a port
// number to open; anything else is ignored without a message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TCommandLine {
    bool MultiInstance = false; // kept; nothing else consults it
    int32_t PortNumber = -1;    // -1: none given
};

// The parameters after the program's name. A later number replaces an earlier one.
TCommandLine ParseCommandLine(const std::vector<std::string>& parameters);
