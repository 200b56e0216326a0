// What the performance controller, the accompaniment and song playback ask of the
// synthesiser: MIDI channel messages on the sixteen channels and the two per-channel
// facts the controller reads back. `TKTDirectMusic` is the real one; tests put a
// recording fake in its place. Every operation returns at once; false means the
// message did not reach the synthesiser (also when no port is open).
#pragma once

#include <cstdint>

class ISynthesizer {
public:
    virtual ~ISynthesizer() = default;

    // The one path to the synthesiser: every other message operation ends here.
    virtual bool SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) = 0;

    // 0x90+channel, note, velocity; the note is kept as the channel's last note
    // whatever the result.
    virtual bool NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) = 0;
    // 0x80+channel, note, 64.
    virtual bool NoteOff(uint8_t channel, uint8_t note) = 0;
    virtual bool ControlChange(uint8_t channel, uint8_t controller, uint8_t value) = 0;
    // Bank select MSB, bank select LSB, program change; the patch is kept as the
    // channel's patch whatever the results. The drum flag is not sent.
    virtual bool SetPatch(uint8_t channel, uint32_t patch) = 0;
    // Controller 64: 127 on, 0 off.
    virtual void SetSustain(uint8_t channel, bool on) = 0;
    // Controller 123 (the pedal keeps notes it holds) and controller 120.
    virtual void AllNotesOff(uint8_t channel) = 0;
    virtual void AllSoundOff(uint8_t channel) = 0;
    // The drum kit on channel index 9: the last voice-list entry.
    virtual bool SelectDrumKit() = 0;

    // The patch last given to SetPatch on a channel (0 before any), and the note of
    // the channel's last NoteOn (0 before any). Channels above 15 read 0.
    virtual uint32_t ChannelPatch(uint8_t channel) const = 0;
    virtual uint8_t LastNote(uint8_t channel) const = 0;
};
