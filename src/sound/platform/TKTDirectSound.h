// The audio output devices the synthesiser can render through: the sound server's
// sinks when a PulseAudio server answers, else the playback PCMs of ALSA. At most
// 16, the system default first. Owned by the synthesiser wrapper, which renders
// through the selected device.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class TAudioSystem { PulseAudio, Alsa };

// What the device offers, as far as it could be learned without playing. Valid is
// false when the device could not be opened while the list was made.
struct TSoundCaps {
    bool Valid = false;
    unsigned MinChannels = 0, MaxChannels = 0;
    unsigned MinRate = 0, MaxRate = 0;
};

struct TSoundDevice {
    TAudioSystem System = TAudioSystem::Alsa;
    std::string Name;        // identity: the sink name or the ALSA PCM name
    std::string Description; // UTF-8
    TSoundCaps Caps;
};

class TKTDirectSound {
public:
    static constexpr int MaxDevices = 16;
    // The ALSA device every configuration defines; it leads the ALSA list.
    static constexpr const char* AlsaDefaultName = "default";

    // Enumerates the devices of the audio system in use now.
    TKTDirectSound();
    // A given list, already in order (at most MaxDevices are kept).
    explicit TKTDirectSound(std::vector<TSoundDevice> devices);

    int Count() const { return static_cast<int>(Devices.size()); }
    // The device at index; an empty record outside 0..Count-1.
    const TSoundDevice& Device(int index) const;

    // Remembers index as the selected one and checks that the device can be used
    // now: the sink still exists on a server that answers, or the PCM opens. False
    // at once for an index outside the list.
    bool SelectDevice(int index);
    int SelectedIndex() const { return Selected; }
    // The device of the last successful SelectDevice, or null.
    const TSoundDevice* SelectedDevice() const;

private:
    std::vector<TSoundDevice> Devices;
    int Selected = -1;
    bool SelectedUsable = false;
};

// Moves the device named defaultName to the front (the others keep their order)
// and keeps at most TKTDirectSound::MaxDevices; the default is kept even when it
// came after the 16th.
std::vector<TSoundDevice> OrderSoundDevices(std::vector<TSoundDevice> devices,
                                            std::string_view defaultName);

// The two enumerations behind TKTDirectSound(): empty when the system offers none.
std::vector<TSoundDevice> ListPulseAudioDevices();
std::vector<TSoundDevice> ListAlsaDevices();
