// The main window's volume slider in its two modes: the system's master volume
// (0..127, the mode at start) and the synthesiser's own volume (-2000..+2000
// hundredths of a dB); a double click switches between them. The master volume
// also follows the mixer's change notices and Ctrl+PageUp/PageDown. Main thread only.
#pragma once

#include "sound/ISoundDevice.h"
#include "sound/MasterVolume.h"

#include <cstdint>
#include <string_view>

// The slider's range and position as it should be shown.
struct TSliderSetting {
    int Min = 0, Max = 127, Position = 0;
    bool operator==(const TSliderSetting&) const = default;
};

class IVolumeSliderView {
public:
    virtual ~IVolumeSliderView() = default;
    // The range and position, shown without writing anything back.
    virtual void ShowSlider(const TSliderSetting& setting) = 0;
    // A plain message box.
    virtual void ShowMessage(std::string_view text) = 0;
};

class TVolumeSlider {
public:
    // The slider's range and position before the master volume is read.
    static constexpr TSliderSetting Initial{0, 127, 50};

    TVolumeSlider(TMasterVolume& master, ISynthVolume& synth, IVolumeSliderView& view)
        : Master(master), Synth(synth), View(view) {}

    // At start: a mixer's level shown (without one the slider stays where it is).
    void ShowMasterVolume();
    // At start: the synthesiser's volume 0.
    void ResetSynthVolume();
    // The player moved the slider.
    void Changed(int position);
    // The other mode, and the range and position to show for it.
    TSliderSetting DoubleClick();
    // The mixer noticed a change: a slider showing the master volume follows it.
    void MixerChanged();
    // The master volume a step up or down on its 0..127 scale.
    void StepMasterVolume(int delta);
    // Without a mixer the player hears of it once, when the window is activated the
    // second time (the first is its own appearance).
    void WindowActivated(bool active);

    bool SynthMode() const { return SynthModeOn; }
    int SynthVolume() const { return SynthVolumeValue; }

private:
    int ReadMaster();
    void ShowMasterMessage();

    TMasterVolume& Master;
    ISynthVolume& Synth;
    IVolumeSliderView& View;
    bool SynthModeOn = false;
    int SynthVolumeValue = 0;
    int Activations = 0;
};
