// A synthesiser that keeps every operation handed to it with its song time, to be
// handed on later, in order, to a real synthesiser on another thread: the song is
// run where the program's key definitions live (the main thread), the sound is
// rendered elsewhere.
#pragma once

#include "sound/ISynthesizer.h"
#include "sound/VoiceList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class TSynthCallLog final : public ISynthesizer {
public:
    explicit TSynthCallLog(const TVoiceList& voices) : Voices(voices) {}

    uint32_t NowMs = 0; // the song time of the calls that follow

    bool SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) override {
        return Add(TOp::Short, status, data1, data2);
    }
    bool NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) override {
        if (channel >= 16) return false;
        LastNotes[channel] = note;
        return Add(TOp::NoteOn, channel, note, velocity);
    }
    bool NoteOff(uint8_t channel, uint8_t note) override {
        return channel < 16 && Add(TOp::NoteOff, channel, note, 0);
    }
    bool ControlChange(uint8_t channel, uint8_t controller, uint8_t value) override {
        return channel < 16 && Add(TOp::Control, channel, controller, value);
    }
    bool SetPatch(uint8_t channel, uint32_t patch) override {
        if (channel >= 16) return false;
        Patches[channel] = patch;
        return Add(TOp::Patch, channel, 0, 0, patch);
    }
    void SetSustain(uint8_t channel, bool on) override {
        if (channel < 16) Add(TOp::Sustain, channel, on, 0);
    }
    void AllNotesOff(uint8_t channel) override {
        if (channel < 16) Add(TOp::NotesOff, channel, 0, 0);
    }
    void AllSoundOff(uint8_t channel) override {
        if (channel < 16) Add(TOp::SoundOff, channel, 0, 0);
    }
    bool SelectDrumKit() override {
        Add(TOp::DrumKit, 0, 0, 0);
        return Voices.Count() > 0;
    }
    uint32_t ChannelPatch(uint8_t channel) const override {
        return channel < 16 ? Patches[channel] : 0;
    }
    uint8_t LastNote(uint8_t channel) const override {
        return channel < 16 ? LastNotes[channel] : 0;
    }

    uint32_t EndMs() const { return Calls.empty() ? 0 : Calls.back().TimeMs; }
    size_t Count() const { return Calls.size(); }

    // Hands every call on to synth: advance(time) before the calls of each time,
    // times rising, and a last advance(endMs); a false from advance ends the replay.
    void Replay(ISynthesizer& synth, uint32_t endMs,
                const std::function<bool(uint32_t)>& advance) const {
        for (size_t i = 0; i < Calls.size(); ++i) {
            const TCall& c = Calls[i];
            if ((i == 0 || Calls[i - 1].TimeMs != c.TimeMs) && !advance(c.TimeMs)) return;
            switch (c.Op) {
            case TOp::Short:
                synth.SendShortMessage(c.A, c.B, c.C);
                break;
            case TOp::NoteOn:
                synth.NoteOn(c.A, c.B, c.C);
                break;
            case TOp::NoteOff:
                synth.NoteOff(c.A, c.B);
                break;
            case TOp::Control:
                synth.ControlChange(c.A, c.B, c.C);
                break;
            case TOp::Patch:
                synth.SetPatch(c.A, c.Patch);
                break;
            case TOp::Sustain:
                synth.SetSustain(c.A, c.B != 0);
                break;
            case TOp::NotesOff:
                synth.AllNotesOff(c.A);
                break;
            case TOp::SoundOff:
                synth.AllSoundOff(c.A);
                break;
            case TOp::DrumKit:
                synth.SelectDrumKit();
                break;
            }
        }
        advance(endMs);
    }

private:
    enum class TOp : uint8_t {
        Short,
        NoteOn,
        NoteOff,
        Control,
        Patch,
        Sustain,
        NotesOff,
        SoundOff,
        DrumKit
    };
    struct TCall {
        uint32_t TimeMs;
        TOp Op;
        uint8_t A, B, C;
        uint32_t Patch;
    };
    bool Add(TOp op, uint8_t a, uint8_t b, uint8_t c, uint32_t patch = 0) {
        Calls.push_back({NowMs, op, a, b, c, patch});
        return true;
    }

    const TVoiceList& Voices;
    std::vector<TCall> Calls;
    std::array<uint32_t, 16> Patches{};
    std::array<uint8_t, 16> LastNotes{};
};
