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
