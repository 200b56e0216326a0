// The master volume's mixer on the sound server: the default sink's levels, front
// left and right on the 0..65535 scale (100 % is 65535; a louder sink reads 65535),
// its mute state, and a notice whenever the sink changes. One connection for the
// mixer's life, served by libpulse's own thread; every call waits a bounded time.
// Implemented with the rest of the PulseAudio adapter (PulseAudioDevices.cpp).
#pragma once

#include "sound/MasterVolume.h"

#include <functional>
#include <memory>
#include <string>

class TPulseMixer final : public IMixerLines {
public:
    // Called on the connection's thread whenever the default sink (or which sink is
    // the default) changes; it only hands the news on.
    using TNotify = std::function<void()>;
    // Null when no sound server answers within the time.
    static std::unique_ptr<TPulseMixer> Create(TNotify onChange, int timeoutMs = 3000);
    ~TPulseMixer() override;
    TPulseMixer(const TPulseMixer&) = delete;
    TPulseMixer& operator=(const TPulseMixer&) = delete;

    // Destination 0, index 0 is the default sink; no other line exists. A sink with
    // one channel reads the same level left and right; one with more than two maps
    // front left and right, and a write scales the other channels with them.
    bool GetLineVolume(int destination, int index, TLineVolume& out) override;
    bool SetLineVolume(int destination, int index, bool mute, uint16_t left,
                       uint16_t right) override;
    std::string LastError() const override { return Error; }

    struct TConnection;

private:
    TPulseMixer();
    std::unique_ptr<TConnection> Server;
    std::string Error;
};
