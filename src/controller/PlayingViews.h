// What a song's playback leaves the player to use: while it plays, the keys and the
// value boxes it sets are the song's (the voice boxes and the slider stay usable);
// when it stops they are the player's again, and the slider is enabled.
#pragma once

#include "controller/IControllerPorts.h"

#include <array>
#include <optional>

constexpr size_t ValueBoxCount = 7;

struct TPlayingViews {
    // The PC keyboard picture and both piano strips.
    bool Keys = true;
    // Each value box's state, or none: left as it is.
    std::array<std::optional<bool>, ValueBoxCount> Boxes{};
    std::optional<bool> Slider;
};

constexpr TPlayingViews PlayingViewsEnabled(bool enabled) {
    TPlayingViews views;
    views.Keys = enabled;
    for (TValueBox box : {TValueBox::Transpose, TValueBox::LeftOctave, TValueBox::RightOctave,
                          TValueBox::LeftVelocity, TValueBox::RightVelocity})
        views.Boxes[static_cast<size_t>(box)] = enabled;
    if (enabled) views.Slider = true;
    return views;
}
