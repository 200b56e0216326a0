// A synthesiser that plays nothing and keeps every short message it was handed, in
// the bytes the real one would send, with the per-channel facts callers read back.
#pragma once

#include "sound/ISynthesizer.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct TMidiMessage {
    uint8_t Status, Data1, Data2;
    bool operator==(const TMidiMessage&) const = default;
};

// "90 3C 46".
inline std::string MidiText(const TMidiMessage& m) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%02X %02X %02X", m.Status, m.Data1, m.Data2);
    return buf;
}

class TFakeSynthesizer final : public ISynthesizer {
public:
    bool SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) override {
        const TMidiMessage m{status, data1, data2};
        Messages.push_back(m);
        if (Journal) Journal->push_back(MidiText(m));
        return PortOpen;
    }
    bool NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) override {
        const bool ok = SendShortMessage(static_cast<uint8_t>(0x90 + channel), note, velocity);
        if (channel < 16) LastNotes[channel] = note;
        return ok;
    }
    bool NoteOff(uint8_t channel, uint8_t note) override {
        return SendShortMessage(static_cast<uint8_t>(0x80 + channel), note, 64);
    }
    bool ControlChange(uint8_t channel, uint8_t controller, uint8_t value) override {
        return SendShortMessage(static_cast<uint8_t>(0xB0 + channel), controller, value);
    }
    bool SetPatch(uint8_t channel, uint32_t patch) override {
        ControlChange(channel, 0x00, static_cast<uint8_t>(patch >> 16));
        ControlChange(channel, 0x20, static_cast<uint8_t>(patch >> 8));
        const bool ok =
            SendShortMessage(static_cast<uint8_t>(0xC0 + channel), static_cast<uint8_t>(patch), 0);
        if (channel < 16) Patches[channel] = patch;
        return ok;
    }
    void SetSustain(uint8_t channel, bool on) override {
        ControlChange(channel, 0x40, on ? 127 : 0);
    }
    void AllNotesOff(uint8_t channel) override { ControlChange(channel, 0x7B, 0); }
    void AllSoundOff(uint8_t channel) override { ControlChange(channel, 0x78, 0); }
    bool SelectDrumKit() override { return SetPatch(9, DrumKitPatch); }
    uint32_t ChannelPatch(uint8_t channel) const override {
        return channel < 16 ? Patches[channel] : 0;
    }
    uint8_t LastNote(uint8_t channel) const override {
        return channel < 16 ? LastNotes[channel] : 0;
    }

    std::vector<TMidiMessage> Messages;
    // When set, every message is also appended here as MidiText, so that a test can
    // see it in order among other events.
    std::vector<std::string>* Journal = nullptr;
    bool PortOpen = true;
    uint32_t DrumKitPatch = 0x80000000u;
    std::array<uint32_t, 16> Patches{};
    std::array<uint8_t, 16> LastNotes{};
};
