// The MIDI log: when TALVIMORENA_MIDI_LOG names a file, every short message handed
// to the synthesiser is appended to it as one line, "1532 90 3C 46": milliseconds
// since the program started, then the bytes in two-digit hex.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

class TMidiLog {
public:
    static constexpr const char* EnvironmentVariable = "TALVIMORENA_MIDI_LOG";
    // The most bytes one line shows; longer messages are cut there.
    static constexpr size_t MaxBytes = 16;

    // Off. Times count from the start of the program.
    TMidiLog();
    ~TMidiLog();
    TMidiLog(const TMidiLog&) = delete;
    TMidiLog& operator=(const TMidiLog&) = delete;

    // Appends to the file from now on (creating it); false, and off, when it cannot
    // be opened. Open and Close belong to the owner's thread and must not overlap
    // a Log call.
    bool Open(const std::string& path);
    // The file the environment variable names; off when it is unset or empty.
    bool OpenFromEnvironment();
    void Close();
    bool IsOn() const { return Fd.load(std::memory_order_relaxed) >= 0; }

    // Safe from any thread at once: each line is one write to a file opened for
    // appending, so lines never mix, and the kernel has it when Log returns. No
    // allocation; nothing at all while the log is off.
    void Log(uint8_t status, uint8_t data1, uint8_t data2) const;
    void Log(std::span<const uint8_t> bytes) const;

private:
    std::atomic<int> Fd{-1};
    std::chrono::steady_clock::time_point Start;
};

// The process-wide log, opened from the environment on first use.
TMidiLog& ProcessMidiLog();
