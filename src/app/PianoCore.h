// The piano without its window: owns the voice list, the favourites, the song
// recorder, the synthesiser, the performance controller and the keyboard reader,
// builds them in the program's start-up order and holds the rules the main window's
// controls lead to. It speaks to the window through the controller's view interfaces
// and IPianoWindow only, so that it runs headless in tests. Main thread only, but for
// the keyboard reader's worker (which only posts) and what the synthesiser and the
// recorder guard themselves.
#pragma once

#include "app/CommandLine.h"
#include "app/MusicPorts.h"
#include "base/ITickClock.h"
#include "controller/CommandTable.h"
#include "controller/IControllerPorts.h"
#include "controller/PerformanceController.h"
#include "keys/KTDIKeyBoard.h"
#include "music/AutoAccomp.h"
#include "music/KTMetronome.h"
#include "settings/Settings.h"
#include "song/CommandButtons.h"
#include "song/SimpleRecorder.h"
#include "song/SongCommands.h"
#include "sound/FavoriteVoices.h"
#include "sound/MasterVolume.h"
#include "sound/VoiceList.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The volume slider's range and position as the core wants them shown.
struct TSliderSetting {
    int Min = 0, Max = 127, Position = 0;
    bool operator==(const TSliderSetting&) const = default;
};

// What the core asks of the main window beyond the controller's views.
class IPianoWindow : public IMainWindow {
public:
    virtual void ShowCommandButtons(const TCommandButtonStates& states) = 0;
    // A plain message box ("msf4.s not found.").
    virtual void ShowMessage(std::string_view text) = 0;
    // The external voice set's two drop-down lists, made anew from the voice list
    // ("%d: %s" for each position), item 0 selected in both.
    virtual void ShowExternalVoiceLists(const TVoiceList& voices) = 0;
    // The position selected in the left or right list; -1 while there are no lists.
    virtual int ExternalVoiceListSelection(bool right) const = 0;
    // Selects a position in the left or right list without running its change handler.
    virtual void SelectExternalVoiceListItem(bool right, int position) = 0;
    // Closes the window as its close box does.
    virtual void CloseWindow() = 0;
    // The settings dialog on the record and the four switches (it saves the record
    // on OK); true for OK.
    virtual bool ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches) = 0;
    // A file of the program folder handed to the desktop's default application.
    virtual void OpenWithDesktop(const std::string& path) = 0;
    virtual void ShowAbout() = 0;
    // The volume slider's range and position, shown without writing anything back.
    virtual void ShowSlider(const TSliderSetting& setting) = 0;
};

struct TPianoCoreSetup {
    TCommandLine CommandLine;
    std::string ProgramFolder;
    // The synthesiser's surroundings; the system's by default.
    TKTDirectMusicSetup Sound;
    // Headless: the synthesiser renders on demand through its offline port instead of
    // opening one of the port list (tests; nothing reaches a sound device).
    bool OfflinePort = false;
    // The keyboard reader's messages, handed to the main thread (called on the reader's
    // worker); and a source beside the window's key events (the evdev keyboards).
    TKTDIKeyBoard::TPostMessage PostKeyMessage;
    TKeySourceStarter ExtraKeySource;
    // The system's master volume: the sound server's mixer, made with the function
    // that hands its change notices to the main thread (which then calls
    // MixerChanged), and the fallback used without it. The program gives the
    // system's; left empty there is neither (the slider reads 0 and writes nothing).
    std::function<std::unique_ptr<IMixerLines>(std::function<void()> notify)> MakeMixer;
    std::function<std::unique_ptr<IMasterVolumeFallback>()> MakeFallback;
    std::function<void()> PostMixerChange;
    // The tempo clock moved by the caller's Tick (tests) instead of its own thread.
    bool ManualTempoClock = false;
    // The song commands' dialogs, caption and pause (the window's); none: every
    // dialog is cancelled, only the buttons are shown. The playback timer's ticks,
    // handed to the main thread; none: playback moves only by the recorder's
    // PlaybackTick.
    ISongWindow* SongWindow = nullptr;
    THighTimer::TPost PostTimerEvent;
    // The built-in voice set is loaded on a thread of its own and its end handed to
    // the main thread through this (the window then shows before the set is in); none:
    // it is loaded before the constructor returns.
    THighTimer::TPost PostVoiceSetLoaded;
};

class TPianoCore final : public ISongCommands, private ISongPerformer, private ICommandHost {
public:
    // Runs the window's start-up from the keyboard reader on: the window has built
    // its views, which `views` points at (its IValueBoxes and the others; Window and
    // Songs are filled in here).
    TPianoCore(TPianoCoreSetup setup, TSettings& settings, const ITickClock& clock,
               IPianoWindow& window, TControllerPorts views);
    // Stops everything (StopAll with every switch, mouse pedal off); the reader ends
    // before anything it posts to could go.
    ~TPianoCore() override;
    TPianoCore(const TPianoCore&) = delete;
    TPianoCore& operator=(const TPianoCore&) = delete;

    // The synthesiser's latency, period and reverb from the record, and the four
    // performance switches.
    void ApplySettings(const TSettings& record, const TSwitchBlock& switches);

    // A key message of the keyboard reader, on the main thread.
    void KeyMessage(int message, int code, int keyIndex);
    // A command button released over itself, by index.
    void CommandButtonClick(int index);
    // The Setup button: the settings dialog; on OK its settings and switches are
    // applied, and an external voice set whose file changed is loaded at once.
    void RunSetup();
    // The key-definition editor confirmed: its set is the live one from the next key
    // on, and goes into a running recording.
    void InstallEditedKeyDefs(const TKeyDefSet& set);
    // The buttons' states after a song command.
    void UpdateButtons();
    // The window became active (a click or otherwise) or inactive.
    void WindowActivated(bool active);

    // The volume slider: a move, and a double click switching between the system's
    // master volume (0..127) and the synthesiser's (-2000..+2000 hundredths of a dB).
    void SliderChanged(int position);
    TSliderSetting SliderDoubleClick();
    // The mixer noticed a change of the master volume (on the main thread): a slider
    // showing the master volume follows it.
    void MixerChanged();
    // The built-in set's background load is over (main thread): its voices are taken
    // into the list and both keyboards and the drum channel get their first voices.
    void VoiceSetLoaded();
    // Ctrl+PageUp and Ctrl+PageDown: the master volume up or down on its 0..127 scale.
    void StepMasterVolume(int delta) override;
    // Alt+Backspace, and the start with the external voice set: the two lists made
    // anew from the voice list, item 0 selected (nothing is sent).
    void RebuildExternalVoiceLists() override;
    // The slider's range and position at start.
    static constexpr TSliderSetting InitialSlider{0, 127, 50};

    // ISongCommands: recording and playback switched, the buttons following.
    void SetSongRecording(bool on) override;
    void SetSongPlaying(bool on) override;
    void RunSongCommand(TSongCommand command) override;
    TSongCommands& Songs() { return *SongCmds; }

    TPerformanceController& Controller() { return *Performer; }
    TKTDirectMusic& Synth() { return *Music; }
    TKTDIKeyBoard& Keyboard() { return *Reader; }
    TSimpleRecorder& Recorder() { return SongRecorder; }
    TMetronome& Metronome() { return *Tempo; }
    TAutoAccomp& Accompaniment() { return *Accomp; }
    TCommandTable& Commands() { return *CommandKeys; }
    const TVoiceList& Voices() const { return VoiceList; }
    const TFavoriteVoiceSet& Favorites() const { return FavoriteVoices; }
    // The favourites editor confirmed: F1..F12 choose from the new set (not saved).
    void SetFavorites(const TFavoriteVoiceSet& set) { FavoriteVoices = set; }
    bool SoundOpen() const { return SoundIsOpen; }
    bool ExternalVoiceSetInUse() const { return ExternalInUse; }
    bool SynthVolumeMode() const { return SliderSynthMode; }
    int SynthVolume() const { return SynthVolumeValue; }
    int LatencyCopy() const { return Latency; }
    int PeriodCopy() const { return Period; }
    // A file of the program folder.
    std::string ProgramFile(std::string_view name) const;

private:
    void SetUpSound();
    // Begins the built-in set's background load (or loads it now when it cannot).
    void BeginBuiltInVoiceSet();
    void StartWithFirstVoices();
    // Reads the built-in set's file and loads it before returning; false when the file
    // cannot be read (a file that is no voice set loads nothing and is no failure here).
    bool LoadVoiceSetNow(const std::string& path);
    int MasterVolume();
    void ShowVolumeMessage();
    // ISongPerformer.
    TPerformSnapshot CurrentSnapshot() const override;
    void StopForSong(bool accompaniment) override;
    void StopAccompaniment() override;
    void ClearHeldKeys() override;
    bool LoopPlay() const override;
    void SetLoopPlay(bool on) override;
    // ICommandHost.
    void ShowAbout() override;
    void CloseMainWindow() override;
    bool StepExternalVoiceList(bool down) override;

    TPianoCoreSetup Setup;
    TSettings& Settings;
    IPianoWindow& Window;
    // Declared before what uses them, so that they outlive it.
    TVoiceList VoiceList;
    TFavoriteVoiceSet FavoriteVoices = DefaultFavoriteVoiceSet();
    TSimpleRecorder SongRecorder;
    std::unique_ptr<TKTDirectMusic> Music;
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
    std::unique_ptr<ISongWindow> NoSongWindow; // when the setup gives none
    std::unique_ptr<TSongCommands> SongCmds;

    bool SoundIsOpen = false;
    bool ExternalInUse = false;
    // The built-in set's file, to be loaded once the constructor's own messages are
    // sent ("" when it is loaded already, or not at all).
    std::string PendingVoiceSet;
    bool SliderSynthMode = false;
    int SynthVolumeValue = 0;
    int Latency = 0, Period = 0;
    bool FirstActivationDone = false;
    int Activations = 0;
    bool NoMixer = false;
};
