// The device list: PulseAudio sinks while a server answers, ALSA PCMs otherwise.
#include "sound/platform/TKTDirectSound.h"

#include "sound/platform/AlsaDevices.h"
#include "sound/platform/PulseAudioDevices.h"

#include <algorithm>

namespace {

const TSoundDevice NoDevice{};

TSoundCaps CapsOf(const TPcmCaps& pcm) {
    return {pcm.Opened, pcm.MinChannels, pcm.MaxChannels, pcm.MinRate, pcm.MaxRate};
}

} // namespace

std::vector<TSoundDevice> OrderSoundDevices(std::vector<TSoundDevice> devices,
                                            std::string_view defaultName) {
    auto it = std::find_if(devices.begin(), devices.end(),
                           [&](const TSoundDevice& d) { return d.Name == defaultName; });
    if (it != devices.end()) std::rotate(devices.begin(), it, it + 1);
    if (devices.size() > TKTDirectSound::MaxDevices) devices.resize(TKTDirectSound::MaxDevices);
    return devices;
}

std::vector<TSoundDevice> ListPulseAudioDevices() {
    TPulseServerState server = QueryPulseServer();
    std::vector<TSoundDevice> devices;
    if (!server.Answered) return devices;
    for (const TPulseSink& sink : server.Sinks) {
        TSoundDevice d;
        d.System = TAudioSystem::PulseAudio;
        d.Name = sink.Name;
        d.Description = sink.Description.empty() ? sink.Name : sink.Description;
        // The server states the sink's format; it needs no opening to learn it.
        d.Caps = {true, sink.Channels, sink.Channels, sink.Rate, sink.Rate};
        devices.push_back(std::move(d));
    }
    return OrderSoundDevices(std::move(devices), server.DefaultSinkName);
}

std::vector<TSoundDevice> ListAlsaDevices() {
    // "default" is what ALSA programs play through unless told otherwise; the
    // configuration defines it even when it does not advertise it as a hint.
    std::vector<TSoundDevice> devices;
    devices.push_back(
        {TAudioSystem::Alsa, TKTDirectSound::AlsaDefaultName, "默认输出设备 (ALSA)", {}});
    for (TPcmHint& hint : ListPcmPlaybackHints()) {
        if (hint.Name == TKTDirectSound::AlsaDefaultName) {
            if (!hint.Description.empty()) devices[0].Description = std::move(hint.Description);
            continue;
        }
        if (devices.size() == TKTDirectSound::MaxDevices) continue; // keep looking for "default"
        std::string description =
            hint.Description.empty() ? hint.Name : std::move(hint.Description);
        devices.push_back({TAudioSystem::Alsa, std::move(hint.Name), std::move(description), {}});
    }
    for (TSoundDevice& d : devices)
        d.Caps = CapsOf(ProbePcm(d.Name));
    return devices;
}

TKTDirectSound::TKTDirectSound() {
    Devices = ListPulseAudioDevices();
    if (Devices.empty()) Devices = ListAlsaDevices();
}

TKTDirectSound::TKTDirectSound(std::vector<TSoundDevice> devices) : Devices(std::move(devices)) {
    if (Devices.size() > MaxDevices) Devices.resize(MaxDevices);
}

const TSoundDevice& TKTDirectSound::Device(int index) const {
    return index >= 0 && index < Count() ? Devices[index] : NoDevice;
}

bool TKTDirectSound::SelectDevice(int index) {
    Selected = index;
    SelectedUsable = false;
    if (index < 0 || index >= Count()) return false;
    const TSoundDevice& d = Devices[index];
    SelectedUsable =
        d.System == TAudioSystem::PulseAudio ? PulseSinkExists(d.Name) : ProbePcm(d.Name).Opened;
    return SelectedUsable;
}

const TSoundDevice* TKTDirectSound::SelectedDevice() const {
    return SelectedUsable ? &Devices[Selected] : nullptr;
}
