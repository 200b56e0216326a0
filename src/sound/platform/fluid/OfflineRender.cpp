// The offline render loop: blocks of the synthesiser's output into the WAV writer.
#include "sound/platform/fluid/OfflineRender.h"

#include "base/FileUtil.h"
#include "sound/WavFileWriter.h"
#include "sound/platform/fluid/TKTDirectMusic.h"
#include "voiceset/dls/DlsReader.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr uint32_t Rate = TOfflineRender::SampleRate;
constexpr uint32_t TailBlockFrames = Rate / 100; // 10 ms
// Below half a step of 16 bits: what the file would hold as zero.
constexpr float SilentLevel = 0.5f / 32767.0f;

uint64_t FrameAt(uint32_t ms) {
    return uint64_t{ms} * Rate / 1000;
}

} // namespace

static_assert(TOfflineRender::SampleRate == TKTDirectMusic::SampleRate);

std::string DefaultVoiceSetPath() {
    return ProgramFolder() + "msf4.s";
}

bool LoadVoiceSetFile(const std::string& path, TKTDirectMusic& synth, std::string& reason) {
    std::vector<uint8_t> image;
    const TReadResult read = ReadFilePrefix(path, MaxDlsFileSize, image, true);
    switch (read) {
    case TReadResult::Ok:
        break;
    case TReadResult::Missing:
        reason = "no such file";
        return false;
    case TReadResult::TooLarge:
        reason = "the file is larger than any voice set";
        return false;
    default:
        reason = "cannot be read (not a readable regular file)";
        return false;
    }
    if (!synth.LoadVoiceSetFromMemory(image)) {
        reason = "not a voice set: " + synth.LastVoiceSetError();
        return false;
    }
    return true;
}

TOfflineRender::TOfflineRender() = default;
TOfflineRender::~TOfflineRender() = default;

bool TOfflineRender::Fits(uint32_t endMs) {
    return FrameAt(endMs) + FrameAt(TailMs) <= TWavFileWriter::MaxFrames;
}

bool TOfflineRender::Open(const std::string& voiceSetPath, int reverbLevel, std::string& reason) {
    Synth = std::make_unique<TKTDirectMusic>(VoiceList, TKTDirectMusicSetup::Offline(&Quiet));
    if (!Synth->OpenOfflinePort()) {
        reason = "the synthesiser cannot be started";
        return false;
    }
    if (!LoadVoiceSetFile(voiceSetPath, *Synth, reason)) {
        reason = voiceSetPath + ": voice set does not load: " + reason;
        return false;
    }
    Synth->SetSynthVolume(0);
    Synth->SetReverbLevel(reverbLevel);
    return true;
}

uint64_t TOfflineRender::SongFramesFor(uint32_t endMs, uint64_t maxFrames) {
    return maxFrames ? std::min(FrameAt(endMs), maxFrames) : FrameAt(endMs);
}

TOfflineRenderResult TOfflineRender::Render(const std::string& path, uint32_t endMs,
                                            const TPlayer& play,
                                            const std::function<bool(uint32_t ms)>& progress,
                                            uint64_t maxFrames) {
    TOfflineRenderResult r;
    if (!Synth) {
        r.Error = "the synthesiser is not started";
        return r;
    }
    TWavFileWriter wav(path, Rate);
    if (!wav.Open(r.Error)) return r;

    std::vector<float> left(4096), right(4096);
    bool ok = true;
    const auto render = [&](size_t n) {
        if (ok && !Synth->RenderOffline({left.data(), n}, {right.data(), n})) {
            ok = false;
            r.Error = "the synthesiser stopped rendering";
        }
        return ok;
    };
    const auto write = [&](size_t n) {
        if (ok && !wav.Write({left.data(), n}, {right.data(), n})) {
            ok = false;
            r.Error = wav.Error();
        }
        return ok;
    };
    // The song's frames end at endMs, or sooner at maxFrames: the events after that
    // still reach the synthesiser (they sound nothing, or nothing that is kept).
    const uint64_t endFrame = SongFramesFor(endMs, maxFrames);
    const auto totalMs = static_cast<uint32_t>(endFrame * 1000 / Rate);
    uint64_t frame = 0;
    bool cancelled = false;
    play(*Synth, VoiceList, [&](uint32_t ms) {
        const uint64_t target = std::min(FrameAt(ms), endFrame);
        while (ok && frame < target) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(target - frame, left.size()));
            if (render(n)) write(n);
            frame += n;
        }
        if (ok && progress && !progress(std::min(ms, totalMs))) cancelled = true;
        return ok && !cancelled;
    });
    r.SongFrames = frame;
    uint64_t tailFrames = FrameAt(TailMs);
    if (maxFrames) tailFrames = std::min(tailFrames, maxFrames - std::min(maxFrames, frame));
    const uint64_t fadeFrames = std::min(FrameAt(TailFadeMs), tailFrames);
    for (uint64_t done = 0; ok && !cancelled && done < tailFrames;) {
        const size_t n =
            static_cast<size_t>(std::min<uint64_t>(TailBlockFrames, tailFrames - done));
        if (progress && !progress(totalMs)) {
            cancelled = true;
            break;
        }
        if (!render(n)) break;
        float peak = 0;
        for (size_t i = 0; i < n; ++i)
            peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
        if (peak < SilentLevel && Synth->ActiveVoiceCount() == 0) break;
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
    // Cancelled or failed: the temporary file goes with the writer.
    if (cancelled) {
        r.Cancelled = true;
        return r;
    }
    if (!ok) return r;
    if (!wav.Commit(r.Error)) return r;
    r.Ok = true;
    r.Frames = wav.Frames();
    r.ClippedSamples = wav.ClippedSamples();
    return r;
}
