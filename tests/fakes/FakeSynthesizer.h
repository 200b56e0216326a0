// A synthesiser that plays nothing and keeps every short message it was handed, in
// the bytes the real one would send, with the per-channel facts callers read back.
#pragma once

#include "sound/ISynthesizer.h"
#include "sound/MidiEncoding.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using TMidiMessage = TShortMessage;

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
        const bool ok = Send(MidiEncoding::NoteOn(channel, note, velocity));
        if (channel < 16) LastNotes[channel] = note;
        return ok;
    }
    bool NoteOff(uint8_t channel, uint8_t note) override {
        return Send(MidiEncoding::NoteOff(channel, note));
    }
    bool ControlChange(uint8_t channel, uint8_t controller, uint8_t value) override {
        return Send(MidiEncoding::ControlChange(channel, controller, value));
    }
    bool SetPatch(uint8_t channel, uint32_t patch) override {
        bool ok = false;
        for (const TShortMessage& m : MidiEncoding::SetPatch(channel, patch))
            ok = Send(m); // the program change's result
        if (channel < 16) Patches[channel] = patch;
        return ok;
    }
    void SetSustain(uint8_t channel, bool on) override { Send(MidiEncoding::Sustain(channel, on)); }
    void AllNotesOff(uint8_t channel) override { Send(MidiEncoding::AllNotesOff(channel)); }
    void AllSoundOff(uint8_t channel) override { Send(MidiEncoding::AllSoundOff(channel)); }
    bool SelectDrumKit() override { return SetPatch(9, DrumKitPatch); }
    uint32_t ChannelPatch(uint8_t channel) const override {
        return channel < 16 ? Patches[channel] : 0;
    }
    uint8_t LastNote(uint8_t channel) const override {
        return channel < 16 ? LastNotes[channel] : 0;
    }

    bool Send(const TShortMessage& m) { return SendShortMessage(m.Status, m.Data1, m.Data2); }

    std::vector<TMidiMessage> Messages;
    // When set, every message is also appended here as MidiText, so that a test can
    // see it in order among other events.
    std::vector<std::string>* Journal = nullptr;
    bool PortOpen = true;
    uint32_t DrumKitPatch = 0x80000000u;
    std::array<uint32_t, 16> Patches{};
    std::array<uint8_t, 16> LastNotes{};
};
