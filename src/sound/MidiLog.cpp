// The MIDI log's lines, formatted on the stack and written with one system call.
#include "sound/MidiLog.h"

#include <charconv>
#include <cstdlib>

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Taken while the program's statics are set up, i.e. as it starts.
const std::chrono::steady_clock::time_point ProgramStart = std::chrono::steady_clock::now();

} // namespace

TMidiLog::TMidiLog() : Start(ProgramStart) {}

TMidiLog::~TMidiLog() {
    Close();
}

bool TMidiLog::Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    Fd.store(fd);
    return true;
}

bool TMidiLog::OpenFromEnvironment() {
    const char* path = std::getenv(EnvironmentVariable);
    if (!path || !*path) {
        Close();
        return false;
    }
    return Open(path);
}

void TMidiLog::Close() {
    int fd = Fd.exchange(-1);
    if (fd >= 0) ::close(fd);
}

void TMidiLog::Log(uint8_t status, uint8_t data1, uint8_t data2) const {
    const uint8_t bytes[3] = {status, data1, data2};
    Log(bytes);
}

void TMidiLog::Log(std::span<const uint8_t> bytes) const {
    const int fd = Fd.load(std::memory_order_relaxed);
    if (fd < 0) return;
    static constexpr char Hex[] = "0123456789ABCDEF";
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - Start)
                        .count();
    char line[32 + 3 * MaxBytes];
    char* p = std::to_chars(line, line + 32, static_cast<long long>(ms)).ptr;
    for (size_t i = 0; i < bytes.size() && i < MaxBytes; ++i) {
        *p++ = ' ';
        *p++ = Hex[bytes[i] >> 4];
        *p++ = Hex[bytes[i] & 0xF];
    }
    *p++ = '\n';
    // A regular file takes a short append whole; only a signal can cut it short.
    const char* q = line;
    while (q < p) {
        ssize_t n = ::write(fd, q, static_cast<size_t>(p - q));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        q += n;
    }
}

TMidiLog& ProcessMidiLog() {
    static TMidiLog* log = [] {
        auto* l = new TMidiLog; // lives as long as the process: senders may outlast statics
        l->OpenFromEnvironment();
        return l;
    }();
    return *log;
}
