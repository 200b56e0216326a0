// The PulseAudio adapter: whether a sound server answers, its sinks and its default
// sink. The only code of the program that includes libpulse headers; every query
// connects, asks and disconnects again, so nothing of it outlives the call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TPulseSink {
    uint32_t Index = 0;      // the server's own number
    std::string Name;        // what a stream names to play there
    std::string Description; // UTF-8, as the desktop shows it
    unsigned Channels = 0;   // the sink's sample format
    unsigned Rate = 0;
};

struct TPulseServerState {
    bool Answered = false;         // a server accepted the connection and answered
    std::string DefaultSinkName;   // "" when the server has none
    std::vector<TPulseSink> Sinks; // in the server's index order
};

// How long a query waits for a server that accepts a connection and then says
// nothing; one that is not there fails at once.
constexpr int PulseQueryTimeoutMs = 3000;

// The server named by PULSE_SERVER or the client configuration; a daemon is never
// spawned for the query.
TPulseServerState QueryPulseServer(int timeoutMs = PulseQueryTimeoutMs);
bool PulseServerAnswers(int timeoutMs = PulseQueryTimeoutMs);
// Whether the server answers and still has a sink of that name.
bool PulseSinkExists(const std::string& name, int timeoutMs = PulseQueryTimeoutMs);

// Whether the client library can set up a main loop and a context (no server
// needed): its configuration and allocations work.
bool PulseLibraryUsable();
