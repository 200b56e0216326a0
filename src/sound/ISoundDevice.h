// What the piano asks of its synthesiser beyond the MIDI messages: the output port,
// the driver's latency and period, the reverb and the synthesiser's own volume, and
// the voice sets. The start-up code makes the real one (FluidSynth's, in
// SystemParts); the core and the objects it builds know only this.
#pragma once

#include "sound/ISynthesizer.h"
#include "sound/PortList.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The synthesiser's own volume.
class ISynthVolume {
public:
    virtual ~ISynthVolume() = default;
    virtual bool SetSynthVolume(int32_t level) = 0;
};

class ISoundDevice : public ISynthVolume {
public:
    // The synthesiser's MIDI face, alive as long as the device.
    virtual ISynthesizer& Synth() = 0;

    // Ports: the list, the default, one of the list opened, or the offline port that
    // renders on demand (tests; nothing reaches a sound device). False: not opened.
    virtual const TPortList& PortList() const = 0;
    virtual int32_t DefaultOutputPortIndex() const = 0;
    virtual bool SelectOutputPort(int32_t index) = 0;
    virtual bool OpenOfflinePort() = 0;

    // Milliseconds of audio queued ahead and of one driver period; reverb level 0..4.
    virtual uint32_t GetWriteLatency() const = 0;
    virtual uint32_t GetWritePeriod() const = 0;
    virtual bool SetWriteLatency(uint32_t ms) = 0;
    virtual bool SetWritePeriod(uint32_t ms) = 0;
    virtual void SetReverbLevel(uint8_t level) = 0;

    // Voice sets: an external set's file loaded and downloaded; a set's image in
    // memory loaded (false: no voice set); a set's file loaded on a thread of its own
    // (`loaded` called there; false and no thread where it cannot be) and what it
    // gave taken into the voice list on the caller's thread (false: no voice set).
    virtual bool ReloadExternalDLS(const std::string& path) = 0;
    virtual bool LoadVoiceSetFromMemory(std::vector<uint8_t>&& image) = 0;
    virtual bool BeginVoiceSetLoad(const std::string& path, std::function<void()> loaded) = 0;
    virtual bool FinishVoiceSetLoad() = 0;
};
