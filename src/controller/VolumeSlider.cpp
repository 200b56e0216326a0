#include "controller/VolumeSlider.h"

#include <string>

void TVolumeSlider::ShowMasterVolume() {
    if (Master.HasMixer()) View.ShowSlider({0, 127, Master.Read()});
}

void TVolumeSlider::ResetSynthVolume() {
    SynthVolumeValue = 0;
    Synth.SetSynthVolume(0);
}

int TVolumeSlider::ReadMaster() {
    const int value = Master.Read();
    ShowMasterMessage();
    return value;
}

void TVolumeSlider::ShowMasterMessage() {
    const std::string message = Master.TakeMessage();
    if (!message.empty()) View.ShowMessage(message);
}

void TVolumeSlider::Changed(int position) {
    if (SynthModeOn) {
        SynthVolumeValue = position;
        Synth.SetSynthVolume(SynthVolumeValue);
        return;
    }
    const int shown = Master.Write(position);
    ShowMasterMessage();
    if (shown >= 0 && shown != position) View.ShowSlider({0, 127, shown});
}

TSliderSetting TVolumeSlider::DoubleClick() {
    SynthModeOn = !SynthModeOn;
    if (SynthModeOn) return {-2000, 2000, SynthVolumeValue};
    return {0, 127, ReadMaster()};
}

void TVolumeSlider::MixerChanged() {
    // A slider showing the synthesiser's volume keeps showing it.
    if (SynthModeOn) return;
    View.ShowSlider({0, 127, ReadMaster()});
}

void TVolumeSlider::StepMasterVolume(int delta) {
    Master.Write(ReadMaster() + delta);
    ShowMasterMessage();
    // The mixer's notice moves the slider too; the fallback sends none.
    if (!SynthModeOn) View.ShowSlider({0, 127, ReadMaster()});
}

void TVolumeSlider::WindowActivated(bool active) {
    if (active && ++Activations == 2 && !Master.HasMixer())
        View.ShowMessage("由于某种原因，Talvimorena在您的机器上无法调整总音量。");
}
