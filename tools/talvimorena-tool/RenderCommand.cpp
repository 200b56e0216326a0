// render: a song played through the performance controller and the real
// synthesiser, rendered offline and written as a WAV file.
#include "Commands.h"
#include "SongCommandArgs.h"

#include "export/SongScore.h"
#include "settings/Settings.h"
#include "sound/WavFileWriter.h"
#include "sound/platform/fluid/OfflineRender.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace {

constexpr uint32_t Rate = TOfflineRender::SampleRate;
// Songs longer than this show their progress.
constexpr uint32_t LongSongMs = 30000;

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
    if (!maxFrames && !TOfflineRender::Fits(endMs))
        return FileFailure(a.Song, "the song lasts " + Clock(endMs) +
                                       ", longer than a WAV file holds (" +
                                       Clock(TWavFileWriter::MaxFrames * 1000 / Rate) + ")");

    // As the piano sets it up: the normal synthesiser volume and the reverb of its
    // settings file (the defaults when there is none).
    TSettings settings;
    LoadSettings(settings);
    TOfflineRender render;
    if (!render.Open(a.VoiceSet, settings.ReverbLevel, reason)) return FileFailure(a.Song, reason);

    const uint64_t bound = maxFrames.value_or(0);
    const auto totalMs =
        static_cast<uint32_t>(TOfflineRender::SongFramesFor(endMs, bound) * 1000 / Rate);
    TProgress progress(totalMs);
    const TOfflineRenderResult r = render.Render(
        a.Out, endMs,
        [&](ISynthesizer& synth, const TVoiceList& voices,
            const std::function<bool(uint32_t)>& advance) { run.Play(synth, voices, advance); },
        [&](uint32_t ms) {
            progress.Update(ms);
            return true;
        },
        bound);
    progress.Done();
    // On failure the temporary file goes with the writer and OUT stays as it was.
    if (!r.Ok) return FileFailure(a.Out, r.Error);

    std::cout << a.Out << ": " << Seconds(r.Frames) << " of audio (the song "
              << Seconds(r.SongFrames) << ", then " << Seconds(r.Frames - r.SongFrames) << "), "
              << Rate << " Hz stereo 16-bit, " << run.EventCount() << " events\n";
    TExportDrops drops;
    drops.OutOfOrder = run.OutOfOrder();
    ReportDrops(a.Song, drops.Lines());
    if (r.ClippedSamples > 0)
        std::cerr << "talvimorena-tool: " << a.Out << ": " << r.ClippedSamples
                  << " samples were louder than full scale and clipped\n";
    return 0;
}
