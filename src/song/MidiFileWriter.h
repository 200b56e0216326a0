// Standard MIDI Files from time-stamped short messages: what a song sends to the
// synthesiser, written so that other players and sequencers open it. One track
// (format 0) whose ticks are milliseconds: a tempo of 120 beats a minute at 500
// ticks a quarter note, so every message keeps its exact time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// 500 ticks a quarter note of 500000 microseconds: one tick is one millisecond.
constexpr uint16_t MidiFileDivision = 500;
constexpr uint32_t MidiFileTempo = 500000;
// The longest gap a delta time can carry (28 bits of ticks, some 74 hours).
constexpr uint32_t MidiFileMaxDelta = 0x0FFFFFFF;

struct TMidiFileMessage {
    uint32_t TimeMs; // from the start of the song
    uint8_t Status;
    uint8_t Data1;
    uint8_t Data2;
};

struct TMidiFileOptions {
    // Written as the track's name when not empty; the bytes go in as they are.
    std::string TrackName;
    // The end of the track, when later than the last message (a song that ends in
    // silence keeps its length).
    uint32_t EndMs = 0;
};

struct TMidiFileResult {
    bool Ok = false;
    std::string Message; // why it failed; "" when Ok
    // Messages that are no channel messages (a status below 0x80 or of the system
    // range, or a data byte with bit 7 set): a synthesiser refuses them, and in a
    // file they would break every message after them, so they are left out.
    size_t Dropped = 0;
};

// The bytes of a channel message including its status: 2 for program change and
// channel pressure, 3 for the others; 0 for anything that is no channel message.
size_t MidiChannelMessageLength(uint8_t status, uint8_t data1, uint8_t data2);

// Appends the whole file to out (out is left as it was on failure). The messages
// are put in time order; messages of equal time keep the order they came in.
// Fails only when two neighbouring times lie more than MidiFileMaxDelta apart.
TMidiFileResult BuildMidiFile(std::span<const TMidiFileMessage> messages,
                              const TMidiFileOptions& options, std::vector<uint8_t>& out);
