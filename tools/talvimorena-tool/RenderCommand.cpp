// render: a song played through the performance controller and the real
// synthesiser, rendered offline and written as a WAV file.
#include "Commands.h"
#include "SongRun.h"
#include "WavFileWriter.h"

#include "settings/Settings.h"
#include "sound/MidiLog.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace {

constexpr uint32_t Rate = TKTDirectMusic::SampleRate;
// After the song: up to this long for the last notes and the reverb to die away,
// ending early once the output is silent, and faded over its last part when the
// sound is still going.
constexpr uint32_t TailMs = 2000, TailFadeMs = 100;
constexpr uint32_t TailBlockFrames = Rate / 100; // 10 ms
// Songs longer than this show their progress.
constexpr uint32_t LongSongMs = 30000;
// Below half a step of 16 bits: what the file would hold as zero.
constexpr float SilentLevel = 0.5f / 32767.0f;

uint64_t FrameAt(uint32_t ms) {
    return uint64_t{ms} * Rate / 1000;
}

std::string Clock(uint64_t ms) {
    const uint64_t s = ms / 1000;
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%llu:%02llu:%02llu", (unsigned long long)(s / 3600),
                      (unsigned long long)(s / 60 % 60), (unsigned long long)(s % 60));
    else
        std::snprintf(buf, sizeof buf, "%llu:%02llu", (unsigned long long)(s / 60),
                      (unsigned long long)(s % 60));
    return buf;
}

std::string Seconds(uint64_t frames) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f s", double(frames) / Rate);
    return buf;
}

// The progress line: rewritten in place on a terminal, one line a tenth elsewhere.
class TProgress {
public:
    explicit TProgress(uint32_t totalMs)
        : TotalMs(totalMs), On(totalMs > LongSongMs), Terminal(::isatty(2)) {}
    void Update(uint32_t ms) {
        if (!On) return;
        const int tenth = static_cast<int>(uint64_t{ms} * 10 / TotalMs);
        const int percent = static_cast<int>(uint64_t{ms} * 100 / TotalMs);
        if (Terminal ? percent == LastPercent : tenth == LastTenth) return;
        LastTenth = tenth;
        LastPercent = percent;
        std::fprintf(stderr, "%srendering: %3d%% (%s of %s)%s", Terminal ? "\r" : "", percent,
                     Clock(ms).c_str(), Clock(TotalMs).c_str(), Terminal ? "" : "\n");
        std::fflush(stderr);
    }
    void Done() {
        if (On && Terminal) std::fputc('\n', stderr);
    }

private:
    uint32_t TotalMs;
    bool On, Terminal;
    int LastTenth = -1, LastPercent = -1;
};

// "--max-seconds S": a positive whole number of seconds, at most what a WAV holds.
int TakeMaxSeconds(TArgs& args, std::optional<uint64_t>& maxFrames) {
    std::string text;
    const int taken = TakeOption(args, "--max-seconds", text);
    if (taken < 0) return UsageError("--max-seconds takes one number of seconds");
    if (taken == 0) return 0;
    uint64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds == 0 ||
        seconds > TWavFileWriter::MaxFrames / Rate)
        return UsageError("--max-seconds takes a whole number of seconds from 1 to " +
                          std::to_string(TWavFileWriter::MaxFrames / Rate));
    maxFrames = seconds * Rate;
    return 0;
}

} // namespace

int RenderCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    std::optional<uint64_t> maxFrames;
    if (const int status = TakeMaxSeconds(args, maxFrames)) return status;
    TSongCommandArgs a;
    TSongRun run;
    std::string reason;
    if (const int status = StartSongCommand("render", args, a, run)) return status;
    // The sound ends with the last note's event: later events that sound nothing
    // (a voice, a pedal, a key without notes, however late) add no silence.
    const uint32_t endMs = run.ContentEndTime();
    const uint64_t endFrame =
        maxFrames ? std::min<uint64_t>(FrameAt(endMs), *maxFrames) : FrameAt(endMs);
    if (!maxFrames && FrameAt(endMs) + FrameAt(TailMs) > TWavFileWriter::MaxFrames)
        return FileFailure(a.Song, "the song lasts " + Clock(endMs) +
                                       ", longer than a WAV file holds (" +
                                       Clock(TWavFileWriter::MaxFrames * 1000 / Rate) + ")");

    // A log of its own, left off: the run writes no file but OUT.
    TMidiLog quiet;
    TVoiceList voices;
    TKTDirectMusic synth(voices, TKTDirectMusicSetup::Offline(&quiet));
    if (!synth.OpenOfflinePort()) return FileFailure(a.Song, "the synthesiser cannot be started");
    if (!LoadVoiceSetFile(a.VoiceSet, synth, reason))
        return FileFailure(a.VoiceSet, "voice set does not load: " + reason);
    // As the piano sets it up: the normal synthesiser volume and the reverb of its
    // settings file (the defaults when there is none).
    TSettings settings;
    LoadSettings(settings);
    synth.SetSynthVolume(0);
    synth.SetReverbLevel(settings.ReverbLevel);

    TWavFileWriter wav(a.Out, Rate);
    if (!wav.Open(reason)) return FileFailure(a.Out, reason);

    std::vector<float> left(4096), right(4096);
    bool ok = true;
    std::string failure;
    const auto render = [&](size_t n) {
        if (ok && !synth.RenderOffline({left.data(), n}, {right.data(), n})) {
            ok = false;
            failure = "the synthesiser stopped rendering";
        }
        return ok;
    };
    const auto write = [&](size_t n) {
        if (ok && !wav.Write({left.data(), n}, {right.data(), n})) {
            ok = false;
            failure = wav.Error();
        }
        return ok;
    };
    uint64_t frame = 0;
    const auto renderTo = [&](uint64_t target) {
        target = std::min(target, endFrame);
        while (ok && frame < target) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(target - frame, left.size()));
            if (render(n)) write(n);
            frame += n;
        }
    };
    const auto totalMs = static_cast<uint32_t>(endFrame * 1000 / Rate);
    TProgress progress(totalMs);
    run.Play(synth, voices, [&](uint32_t ms) {
        renderTo(FrameAt(ms));
        progress.Update(std::min(ms, totalMs));
    });
    progress.Done();

    const uint64_t songFrames = frame;
    uint64_t tailFrames = FrameAt(TailMs);
    if (maxFrames) tailFrames = std::min(tailFrames, *maxFrames - std::min(*maxFrames, songFrames));
    const uint64_t fadeFrames = std::min(FrameAt(TailFadeMs), tailFrames);
    for (uint64_t done = 0; ok && done < tailFrames;) {
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(TailBlockFrames, tailFrames - done));
        if (!render(n)) break;
        float peak = 0;
        for (size_t i = 0; i < n; ++i)
            peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
        if (peak < SilentLevel && synth.ActiveVoiceCount() == 0) break;
        for (size_t i = 0; i < n; ++i) {
            const uint64_t toEnd = tailFrames - (done + i);
            if (toEnd < fadeFrames) {
                const float gain = float(toEnd) / float(fadeFrames);
                left[i] *= gain;
                right[i] *= gain;
            }
        }
        write(n);
        done += n;
    }
    // On failure the temporary file goes with the writer and OUT stays as it was.
    if (!ok) return FileFailure(a.Out, failure);
    if (!wav.Commit(reason)) return FileFailure(a.Out, reason);

    std::cout << a.Out << ": " << Seconds(wav.Frames()) << " of audio (the song "
              << Seconds(songFrames) << ", then " << Seconds(wav.Frames() - songFrames) << "), "
              << Rate << " Hz stereo 16-bit, " << run.EventCount() << " events\n";
    if (wav.ClippedSamples() > 0)
        std::cerr << "talvimorena-tool: " << a.Out << ": " << wav.ClippedSamples()
                  << " samples were louder than full scale and clipped\n";
    return 0;
}
