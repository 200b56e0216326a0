// The master volume's fallback on ALSA's simple mixer: the element "Master" of the
// default control device, else its first element with a playback volume, read and
// written as one uniform level on the 0..65535 scale. Each call opens the mixer and
// closes it again. Implemented with the rest of the ALSA adapter (AlsaDevices.cpp).
#pragma once

#include "sound/MasterVolume.h"

#include <string>

class TAlsaMasterVolume final : public IMasterVolumeFallback {
public:
    // The control device to open; "default" unless a test says otherwise.
    explicit TAlsaMasterVolume(std::string device = "default") : Device(std::move(device)) {}
    // A control device that is not there or will not open fails without a message.
    // One without a playback volume says so ("etLineInfo Error" on reading,
    // "GetLineInfo Error" on writing), as does an element that will not be read or
    // written ("GetControlDetails Error", "SetControlDetails Error").
    bool GetMasterVolume(uint16_t& value, std::string& message) override;
    bool SetMasterVolume(uint16_t value, std::string& message) override;

private:
    std::string Device;
};
