#include "app/SystemParts.h"

#include "keys/platform/EvdevKeyboard.h"
#include "sound/platform/AlsaMixer.h"
#include "sound/platform/PulseMixer.h"

namespace {

class TFluidSynthDevice final : public ISoundDevice {
public:
    TFluidSynthDevice(TVoiceList& voices, const TKTDirectMusicSetup& setup)
        : Music(voices, setup) {}
    ISynthesizer& Synth() override { return Music; }
    const TPortList& PortList() const override { return Music.PortList(); }
    int32_t DefaultOutputPortIndex() const override { return Music.DefaultOutputPortIndex(); }
    bool SelectOutputPort(int32_t index) override { return Music.SelectOutputPort(index); }
    bool OpenOfflinePort() override { return Music.OpenOfflinePort(); }
    uint32_t GetWriteLatency() const override { return Music.GetWriteLatency(); }
    uint32_t GetWritePeriod() const override { return Music.GetWritePeriod(); }
    bool SetWriteLatency(uint32_t ms) override { return Music.SetWriteLatency(ms); }
    bool SetWritePeriod(uint32_t ms) override { return Music.SetWritePeriod(ms); }
    void SetReverbLevel(uint8_t level) override { Music.SetReverbLevel(level); }
    bool SetSynthVolume(int32_t level) override { return Music.SetSynthVolume(level); }
    bool ReloadExternalDLS(const std::string& path) override {
        return Music.ReloadExternalDLS(path);
    }
    bool LoadVoiceSetFromMemory(std::vector<uint8_t>&& image) override {
        return Music.LoadVoiceSetFromMemory(std::move(image));
    }
    bool BeginVoiceSetLoad(const std::string& path, std::function<void()> loaded) override {
        return Music.BeginVoiceSetLoad(path, std::move(loaded));
    }
    bool FinishVoiceSetLoad() override { return Music.FinishVoiceSetLoad(); }

private:
    TKTDirectMusic Music;
};

} // namespace

TPianoCoreSetup::TMakeSound FluidSynthSound(TKTDirectMusicSetup sound) {
    return [sound = std::move(sound)](TVoiceList& voices) -> std::unique_ptr<ISoundDevice> {
        return std::make_unique<TFluidSynthDevice>(voices, sound);
    };
}

void UseSystemParts(TPianoCoreSetup& setup) {
    setup.MakeSound = FluidSynthSound();
    // The master volume: the sound server's default sink, else ALSA's simple mixer.
    setup.MakeMixer = [](std::function<void()> notify) -> std::unique_ptr<IMixerLines> {
        return TPulseMixer::Create(std::move(notify));
    };
    setup.MakeFallback = [] { return std::make_unique<TAlsaMasterVolume>(); };
    setup.ExtraKeySource = TEvdevKeyboard::StartOn;
}
