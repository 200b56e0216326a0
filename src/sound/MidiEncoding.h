// The MIDI bytes of the synthesiser interface's operations: what NoteOn, NoteOff,
// ControlChange, SetPatch, SetSustain, AllNotesOff and AllSoundOff send, one short
// message each (three for a patch).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct TShortMessage {
    uint8_t Status, Data1, Data2;
    bool operator==(const TShortMessage&) const = default;
};

namespace MidiEncoding {

constexpr TShortMessage NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) {
    return {static_cast<uint8_t>(0x90 | channel), note, velocity};
}
// Release velocity 64, the default.
constexpr TShortMessage NoteOff(uint8_t channel, uint8_t note) {
    return {static_cast<uint8_t>(0x80 | channel), note, 64};
}
constexpr TShortMessage ControlChange(uint8_t channel, uint8_t controller, uint8_t value) {
    return {static_cast<uint8_t>(0xB0 | channel), controller, value};
}
// Controller 64: 127 on, 0 off.
constexpr TShortMessage Sustain(uint8_t channel, bool on) {
    return ControlChange(channel, 0x40, on ? 127 : 0);
}
// Controller 123 (the pedal keeps the notes it holds).
constexpr TShortMessage AllNotesOff(uint8_t channel) {
    return ControlChange(channel, 0x7B, 0);
}
// Controller 120.
constexpr TShortMessage AllSoundOff(uint8_t channel) {
    return ControlChange(channel, 0x78, 0);
}
// Bank select MSB, bank select LSB, program change; the drum flag is not sent.
constexpr std::array<TShortMessage, 3> SetPatch(uint8_t channel, uint32_t patch) {
    return {{ControlChange(channel, 0x00, static_cast<uint8_t>(patch >> 16)),
             ControlChange(channel, 0x20, static_cast<uint8_t>(patch >> 8)),
             {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(patch), 0}}};
}
// Bytes of a channel message by its status: program change and channel pressure
// carry one data byte.
constexpr size_t MessageLength(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

} // namespace MidiEncoding
