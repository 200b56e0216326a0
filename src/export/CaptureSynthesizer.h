// A synthesiser that plays nothing and keeps every short message handed to it with
// the song time it came at, in the bytes the real wrapper sends for each operation,
// so that a song's messages can be written as a MIDI file or read as notes.
#pragma once

#include "song/MidiFileWriter.h"
#include "sound/ISynthesizer.h"
#include "sound/VoiceList.h"

#include <array>
#include <cstdint>
#include <vector>

// The bank MSB of the built-in set's melodic voices (their variations by LSB).
constexpr uint8_t BuiltInVoiceMsb = 65;
constexpr uint8_t GeneralMidiDrumChannel = 9;

// What the capture writes for a voice change.
enum class TCaptureBanks {
    AsPlayed, // the set's own bank numbers, as the synthesiser is sent them
    // General MIDI: the built-in set's MSB as bank 0 (a variation keeps its LSB),
    // and a keyboard playing a drum kit sends its notes on the drum channel.
    GeneralMidi,
};

class TCaptureSynthesizer final : public ISynthesizer {
public:
    explicit TCaptureSynthesizer(const TVoiceList& voices,
                                 TCaptureBanks banks = TCaptureBanks::AsPlayed)
        : Voices(voices), Banks(banks) {}

    // The song time of the messages that follow.
    uint32_t NowMs = 0;
    std::vector<TMidiFileMessage> Messages;

    bool SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) override {
        Messages.push_back({NowMs, status, data1, data2});
        return true;
    }
    bool NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) override {
        if (channel >= 16) return false;
        LastNotes[channel] = note;
        return SendShortMessage(static_cast<uint8_t>(0x90 | Out(channel)), note, velocity);
    }
    bool NoteOff(uint8_t channel, uint8_t note) override {
        if (channel >= 16) return false;
        return SendShortMessage(static_cast<uint8_t>(0x80 | Out(channel)), note, 64);
    }
    bool ControlChange(uint8_t channel, uint8_t controller, uint8_t value) override {
        if (channel >= 16) return false;
        return SendShortMessage(static_cast<uint8_t>(0xB0 | Out(channel)), controller, value);
    }
    bool SetPatch(uint8_t channel, uint32_t patch) override {
        if (channel >= 16) return false;
        Patches[channel] = patch;
        uint8_t msb = PatchMSB(patch), lsb = PatchLSB(patch);
        if (Banks == TCaptureBanks::GeneralMidi) {
            DrumChannel[channel] = IsDrumPatch(patch);
            if (IsDrumPatch(patch))
                msb = lsb = 0;
            else if (msb == BuiltInVoiceMsb)
                msb = 0;
        }
        ControlChange(channel, 0x00, msb);
        ControlChange(channel, 0x20, lsb);
        return SendShortMessage(static_cast<uint8_t>(0xC0 | Out(channel)), PatchProgram(patch), 0);
    }
    void SetSustain(uint8_t channel, bool on) override {
        ControlChange(channel, 0x40, on ? 127 : 0);
    }
    void AllNotesOff(uint8_t channel) override { ControlChange(channel, 0x7B, 0); }
    void AllSoundOff(uint8_t channel) override { ControlChange(channel, 0x78, 0); }
    bool SelectDrumKit() override {
        if (Voices.Count() == 0) return false;
        return SetPatch(GeneralMidiDrumChannel, Voices[Voices.Count() - 1].Patch);
    }
    uint32_t ChannelPatch(uint8_t channel) const override {
        return channel < 16 ? Patches[channel] : 0;
    }
    uint8_t LastNote(uint8_t channel) const override {
        return channel < 16 ? LastNotes[channel] : 0;
    }

private:
    uint8_t Out(uint8_t channel) const {
        return DrumChannel[channel] ? GeneralMidiDrumChannel : channel;
    }

    const TVoiceList& Voices;
    const TCaptureBanks Banks;
    std::array<uint32_t, 16> Patches{};
    std::array<uint8_t, 16> LastNotes{};
    std::array<bool, 16> DrumChannel{};
};
