#include "sound/MasterVolume.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A ratio to keep for a right channel at 0: the left one is "infinitely" louder.
constexpr double SilentRightRatio = 6442450941.0;

uint16_t RoundedLevel(double v) {
    // Nearest integer, ties to even (the default rounding mode).
    const double r = std::nearbyint(v);
    return static_cast<uint16_t>(std::clamp(r, 0.0, 65535.0));
}

} // namespace

TLineVolume LevelsForSlider(uint16_t left, uint16_t right, int slider, double& ratio) {
    const uint32_t v = static_cast<uint32_t>(std::clamp(slider, 0, 127)) * MixerUnitsPerSliderStep;
    const bool sounding = left != 0 || right != 0;
    if (sounding && v == 0) ratio = right == 0 ? SilentRightRatio : double(left) / double(right);
    TLineVolume out;
    if (sounding || v == 0) {
        if (left == right) {
            out.Left = out.Right = static_cast<uint16_t>(v);
        } else if (left > right) {
            out.Left = static_cast<uint16_t>(v);
            out.Right = static_cast<uint16_t>(uint32_t{right} * v / left);
        } else {
            out.Right = static_cast<uint16_t>(v);
            out.Left = static_cast<uint16_t>(uint32_t{left} * v / right);
        }
    } else if (ratio > 1.0) {
        out.Left = static_cast<uint16_t>(v);
        out.Right = RoundedLevel(v / ratio);
    } else {
        out.Right = static_cast<uint16_t>(v);
        out.Left = RoundedLevel(v * ratio);
    }
    return out;
}

TMasterVolume::TMasterVolume(std::unique_ptr<IMixerLines> mixer,
                             std::unique_ptr<IMasterVolumeFallback> fallback)
    : Mixer(std::move(mixer)), Fallback(std::move(fallback)) {}

int TMasterVolume::Read() {
    if (Mixer) {
        TLineVolume line;
        if (!Mixer->GetLineVolume(0, 0, line)) return 0;
        return std::max(line.Left, line.Right) / MixerUnitsPerSliderStep;
    }
    uint16_t value = 0;
    if (!Fallback || !Fallback->GetMasterVolume(value, Message)) return 0;
    return (value >> 9) & 127;
}

int TMasterVolume::Write(int slider) {
    const int clamped = std::clamp(slider, 0, 127);
    const auto v = static_cast<uint16_t>(clamped * MixerUnitsPerSliderStep);
    if (!Mixer) {
        if (!Fallback) return -1;
        Fallback->SetMasterVolume(v, Message);
        return v / MixerUnitsPerSliderStep;
    }
    TLineVolume line;
    if (!Mixer->GetLineVolume(0, 0, line)) return -1;
    const TLineVolume levels = LevelsForSlider(line.Left, line.Right, clamped, BalanceRatio);
    Mixer->SetLineVolume(0, 0, line.Mute, levels.Left, levels.Right);
    return -1;
}

std::string TMasterVolume::TakeMessage() {
    return std::exchange(Message, {});
}
