// render-style: an accompaniment style played by the real engine through the real
// synthesiser, offline: the tempo clock moves with the rendered audio, a tick every
// millisecond of it, instead of with the wall clock.
#include "Commands.h"
#include "SongCommandArgs.h"

#include "base/FileUtil.h"
#include "music/AutoAccomp.h"
#include "music/KTMetronome.h"
#include "settings/Settings.h"
#include "song/MidiFileWriter.h"
#include "sound/MidiLog.h"
#include "sound/WavFileWriter.h"
#include "sound/platform/fluid/OfflineRender.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace {

constexpr uint32_t Rate = TOfflineRender::SampleRate;
constexpr uint32_t TailMs = TOfflineRender::TailMs;
constexpr double MaxTempo = 1000;
constexpr int MaxBars = 10000;

uint64_t FrameAt(uint64_t ms) {
    return ms * Rate / 1000;
}

// The synthesiser as the engine sees it: every message goes to the real one and is
// kept with its time for the MIDI file.
class TTeeSynthesizer final : public ISynthesizer {
public:
    explicit TTeeSynthesizer(ISynthesizer& synth) : Synth(synth) {}
    uint32_t NowMs = 0;
    std::vector<TMidiFileMessage> Messages;
    int NoteOns = 0;

    bool SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) override {
        Messages.push_back({NowMs, status, data1, data2});
        if ((status & 0xF0) == 0x90 && data2 > 0) ++NoteOns;
        return Synth.SendShortMessage(status, data1, data2);
    }
    bool NoteOn(uint8_t c, uint8_t n, uint8_t v) override {
        return SendShortMessage(static_cast<uint8_t>(0x90 | (c & 15)), n, v);
    }
    bool NoteOff(uint8_t c, uint8_t n) override {
        return SendShortMessage(static_cast<uint8_t>(0x80 | (c & 15)), n, 64);
    }
    bool ControlChange(uint8_t c, uint8_t ctl, uint8_t v) override {
        return SendShortMessage(static_cast<uint8_t>(0xB0 | (c & 15)), ctl, v);
    }
    bool SetPatch(uint8_t c, uint32_t patch) override { return Synth.SetPatch(c, patch); }
    void SetSustain(uint8_t c, bool on) override { ControlChange(c, 0x40, on ? 127 : 0); }
    void AllNotesOff(uint8_t c) override { ControlChange(c, 0x7B, 0); }
    void AllSoundOff(uint8_t c) override { ControlChange(c, 0x78, 0); }
    bool SelectDrumKit() override { return Synth.SelectDrumKit(); }
    uint32_t ChannelPatch(uint8_t c) const override { return Synth.ChannelPatch(c); }
    uint8_t LastNote(uint8_t c) const override { return Synth.LastNote(c); }

private:
    ISynthesizer& Synth;
};

// STYLE as a bank slot: its number, or its name as the styles command prints it.
int FindStyle(const TAutoAccomp& accomp, const std::string& text) {
    int slot = -1;
    const char* end = text.data() + text.size();
    if (auto [p, ec] = std::from_chars(text.data(), end, slot); ec == std::errc() && p == end)
        return slot >= 0 && slot < AccompStyleBankSize ? slot : -1;
    for (int i = 0; i < AccompStyleBankSize; ++i)
        if (accomp.BankStyle(i).Name.Utf8() == text) return i;
    return -1;
}

bool ParseNumber(const std::string& text, double& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && std::isfinite(out);
}

std::string Fixed(double v, int digits) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", digits, v);
    return buf;
}

} // namespace

int RenderStyleCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    std::string tempoText = "100", barsText = "4", voiceSet, midiOut;
    if (TakeOption(args, "--tempo", tempoText) < 0 || TakeOption(args, "--bars", barsText) < 0 ||
        TakeOption(args, "--voice-set", voiceSet) < 0 || TakeOption(args, "--midi", midiOut) < 0)
        return UsageError("render-style: an option is given twice or without its value");
    if (const std::string bad = UnknownOption(args); !bad.empty())
        return UsageError("render-style: unknown option '" + bad + "'");
    if (args.size() != 2) return UsageError("render-style takes STYLE and OUT.wav");
    const std::string styleText = args[0], out = args[1];
    double tempo = 0, barsValue = 0;
    if (!ParseNumber(tempoText, tempo) || tempo <= 0 || tempo > MaxTempo)
        return UsageError("render-style: --tempo wants beats a minute above 0, at most 1000");
    if (!ParseNumber(barsText, barsValue) || barsValue < 1 || barsValue > MaxBars ||
        barsValue != std::floor(barsValue))
        return UsageError("render-style: --bars wants a whole number of bars, 1 to 10000");
    const int bars = static_cast<int>(barsValue);
    if (voiceSet.empty()) voiceSet = DefaultVoiceSetPath();
    std::error_code ec;
    if (std::filesystem::equivalent(voiceSet, out, ec) ||
        (!midiOut.empty() && (std::filesystem::equivalent(voiceSet, midiOut, ec) ||
                              std::filesystem::equivalent(out, midiOut, ec) || out == midiOut)))
        return UsageError(
            "render-style: OUT.wav, OUT.mid and the voice set must be different files");

    TSongRunClock clock;
    TMetronome metronome(clock, TTempoDriver::Manual);
    TAutoAccomp accomp(metronome);
    const int slot = FindStyle(accomp, styleText);
    if (slot < 0)
        return UsageError("render-style: no style '" + styleText +
                          "' (a number 0..71 or a name as 'talvimorena-tool styles' prints it)");
    const TAccompStyle& style = accomp.BankStyle(slot);
    const uint64_t lengthMs = static_cast<uint64_t>(
        std::llround(double(bars) * std::max<int>(style.Length, 1) * 60000.0 / tempo));
    if (FrameAt(lengthMs + TailMs) > TWavFileWriter::MaxFrames)
        return UsageError("render-style: that many bars are longer than a WAV file holds");
    if (!midiOut.empty() && !DirectoryExists(ExtractFileDir(midiOut)))
        return FileFailure(midiOut, "the folder does not exist");

    std::string reason;
    TSettings settings;
    LoadSettings(settings);
    TOfflineRender render;
    if (!render.Open(voiceSet, settings.ReverbLevel, reason)) return FileFailure(out, reason);

    std::vector<TMidiFileMessage> messages;
    int noteOns = 0;
    const TOfflineRenderResult r = render.Render(
        out, static_cast<uint32_t>(lengthMs),
        [&](ISynthesizer& synth, const TVoiceList&, const std::function<bool(uint32_t)>& advance) {
            synth.SelectDrumKit();
            // As the piano does it: the style chosen by group and index, then the
            // clock restarted under the accompaniment.
            TTeeSynthesizer tee(synth);
            accomp.SetSynthesizer(&tee);
            accomp.SetAccompStyleGroupNum(slot / AccompStylesPerGroup);
            accomp.SetAccompStyleIndex(slot % AccompStylesPerGroup);
            metronome.SetTempo(tempo);
            metronome.SetActive(false);
            tee.Messages.clear(); // the file begins with the start's programs
            accomp.SetStart(true);
            metronome.SetActive(true);
            bool going = true;
            for (uint64_t ms = 0; going && ms < lengthMs; ++ms) {
                going = advance(static_cast<uint32_t>(ms));
                clock.Now = static_cast<uint32_t>(ms);
                tee.NowMs = clock.Now;
                metronome.Tick();
            }
            if (going) advance(static_cast<uint32_t>(lengthMs));
            accomp.SetStart(false);
            metronome.SetActive(false);
            accomp.SetSynthesizer(nullptr);
            messages = std::move(tee.Messages);
            noteOns = tee.NoteOns;
        },
        {});
    if (!r.Ok) return FileFailure(out, r.Error);

    if (!midiOut.empty()) {
        TMidiFileOptions options;
        options.TrackName = style.Name.Utf8();
        options.EndMs = static_cast<uint32_t>(lengthMs);
        std::vector<uint8_t> bytes;
        const TMidiFileResult built = BuildMidiFile(messages, options, bytes);
        if (!built.Ok) return FileFailure(midiOut, built.Message);
        if (!WriteFileAtomic(midiOut, bytes)) return FileFailure(midiOut, "cannot be written");
    }
    std::cout << out << ": " << Fixed(double(r.Frames) / Rate, 2) << " s of audio (\""
              << style.Name.Utf8() << "\", " << bars << " bars of " << int{style.Length}
              << " beats at " << Fixed(tempo, 1) << " beats a minute), " << noteOns << " notes\n";
    if (r.ClippedSamples > 0)
        std::cerr << "talvimorena-tool: " << out << ": " << r.ClippedSamples
                  << " samples were louder than full scale and clipped\n";
    return 0;
}
