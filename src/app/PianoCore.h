// The piano without its window: builds the program's objects (voice list,
// favourites, recorder, synthesiser, tempo clock and accompaniment, performance
// controller, command table, keyboard reader, master volume, song commands and the
// objects that hold the window's rules: the slider, the external lists, the
// settings steps and the start-up sequence), connects them and hands the window's
// events on to them. It speaks to the window through the controller's view
// interfaces and IPianoWindow only, so that it runs headless in tests. Main thread
// only, but for the keyboard reader's worker (which only posts) and what the
// synthesiser and the recorder guard themselves.
#pragma once

#include "app/MusicPorts.h"
#include "app/PianoParts.h"
#include "app/SettingsSteps.h"
#include "app/StartUpSequence.h"
#include "base/ITickClock.h"
#include "controller/CommandTable.h"
#include "controller/ExternalVoiceLists.h"
#include "controller/IControllerPorts.h"
#include "controller/PerformanceController.h"
#include "controller/VolumeSlider.h"
#include "keys/KTDIKeyBoard.h"
#include "music/AutoAccomp.h"
#include "music/KTMetronome.h"
#include "song/SimpleRecorder.h"
#include "song/SongCommands.h"
#include "sound/FavoriteVoices.h"
#include "sound/MasterVolume.h"
#include "sound/VoiceList.h"

#include <memory>
#include <string>
#include <string_view>

class TPianoCore final : public ISongCommands, private ISongPerformer, private ICommandHost {
public:
    // Builds and connects the objects, then runs the start-up sequence: the window
    // has built its views, which `views` points at (its IValueBoxes and the others;
    // Window and Songs are filled in here).
    TPianoCore(TPianoCoreSetup setup, TSettings& settings, const ITickClock& clock,
               IPianoWindow& window, TControllerPorts views);
    // The start-up sequence's stop; the reader ends before anything it posts to could go.
    ~TPianoCore() override;
    TPianoCore(const TPianoCore&) = delete;
    TPianoCore& operator=(const TPianoCore&) = delete;

    // The synthesiser's latency, period and reverb from the record, and the four
    // performance switches.
    void ApplySettings(const TSettings& record, const TSwitchBlock& switches) {
        Steps->Apply(record, switches);
    }
    // A key message of the keyboard reader, on the main thread.
    void KeyMessage(int message, int code, int keyIndex);
    // A command button released over itself, by index.
    void CommandButtonClick(int index);
    // The Setup button: the settings dialog and the steps after its OK.
    void RunSetup() { Steps->RunDialog(StartUp->SoundOpen()); }
    // The key-definition editor confirmed: its set is the live one from the next key
    // on, and goes into a running recording.
    void InstallEditedKeyDefs(const TKeyDefSet& set);
    // The buttons' states after a song command.
    void UpdateButtons() { SongCmds->UpdateButtons(); }
    // The window became active (a click or otherwise) or inactive.
    void WindowActivated(bool active) { StartUp->WindowActivated(active); }

    // The volume slider: a move and a double click (the other mode's range and
    // position); the mixer's change notice, on the main thread.
    void SliderChanged(int position) { Slider->Changed(position); }
    TSliderSetting SliderDoubleClick() { return Slider->DoubleClick(); }
    void MixerChanged() { Slider->MixerChanged(); }
    static constexpr TSliderSetting InitialSlider = TVolumeSlider::Initial;
    // The built-in set's background load is over (main thread).
    void VoiceSetLoaded() { StartUp->VoiceSetLoaded(); }
    // Ctrl+PageUp and Ctrl+PageDown: the master volume up or down on its 0..127 scale.
    void StepMasterVolume(int delta) override { Slider->StepMasterVolume(delta); }
    // Alt+Backspace, and the start with the external voice set: the two lists made
    // anew from the voice list, item 0 selected (nothing is sent).
    void RebuildExternalVoiceLists() override { Lists->Rebuild(); }

    // ISongCommands: recording and playback switched, the buttons following.
    void SetSongRecording(bool on) override { SongCmds->SetSongRecording(on); }
    void SetSongPlaying(bool on) override { SongCmds->SetSongPlaying(on); }
    void RunSongCommand(TSongCommand command) override;
    TSongCommands& Songs() { return *SongCmds; }

    TPerformanceController& Controller() { return *Performer; }
    ISynthesizer& Synth() { return Sound->Synth(); }
    TKTDIKeyBoard& Keyboard() { return *Reader; }
    TSimpleRecorder& Recorder() { return SongRecorder; }
    TMetronome& Metronome() { return *Tempo; }
    TAutoAccomp& Accompaniment() { return *Accomp; }
    TCommandTable& Commands() { return *CommandKeys; }
    const TVoiceList& Voices() const { return VoiceList; }
    const TFavoriteVoiceSet& Favorites() const { return FavoriteVoices; }
    // The favourites editor confirmed: F1..F12 choose from the new set (not saved).
    void SetFavorites(const TFavoriteVoiceSet& set) { FavoriteVoices = set; }
    bool SoundOpen() const { return StartUp->SoundOpen(); }
    bool ExternalVoiceSetInUse() const { return Lists->InUse(); }
    bool SynthVolumeMode() const { return Slider->SynthMode(); }
    int SynthVolume() const { return Slider->SynthVolume(); }
    int LatencyCopy() const { return Steps->Latency(); }
    int PeriodCopy() const { return Steps->Period(); }
    // A file of the program folder.
    std::string ProgramFile(std::string_view name) const {
        return ProgramFolderFile(Setup.ProgramFolder, name);
    }

private:
    // ISongPerformer.
    TPerformSnapshot CurrentSnapshot() const override;
    void StopForSong(bool accompaniment) override;
    void StopAccompaniment() override { Performer->SetAccompaniment(false); }
    void ClearHeldKeys() override { Performer->HeldKeys().Clear(); }
    bool LoopPlay() const override { return Performer->IsLoopPlay(); }
    void SetLoopPlay(bool on) override { Performer->SetLoopPlay(on); }
    // ICommandHost.
    void ShowAbout() override { Window.ShowAbout(); }
    void CloseMainWindow() override { Window.CloseWindow(); }
    bool StepExternalVoiceList(bool down) override { return Lists->Step(down); }

    TPianoCoreSetup Setup;
    TSettings& Settings;
    IPianoWindow& Window;
    // Declared before what uses them, so that they outlive it.
    TVoiceList VoiceList;
    TFavoriteVoiceSet FavoriteVoices = DefaultFavoriteVoiceSet();
    TSimpleRecorder SongRecorder;
    std::unique_ptr<ISoundDevice> Sound;
    // The accompaniment plays into the synthesiser and the recorder on the tempo
    // clock's thread, so it goes before them, and before its clock.
    std::unique_ptr<TMetronome> Tempo;
    std::unique_ptr<TAutoAccomp> Accomp;
    std::unique_ptr<TAccompanimentPort> AccompPort;
    std::unique_ptr<TTempoClockPort> TempoPort;
    std::unique_ptr<TCommandTable> CommandKeys;
    std::unique_ptr<TPerformanceController> Performer;
    std::unique_ptr<TKTDIKeyBoard> Reader;
    std::unique_ptr<TMasterVolume> Master;
    std::unique_ptr<TVolumeSlider> Slider;
    std::unique_ptr<TExternalVoiceLists> Lists;
    std::unique_ptr<TSettingsSteps> Steps;
    std::unique_ptr<ISongWindow> NoSongWindow; // when the setup gives none
    std::unique_ptr<TSongCommands> SongCmds;
    std::unique_ptr<TStartUpSequence> StartUp;
};
