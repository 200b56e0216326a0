// What the piano's core is built from: the window it speaks to beyond the
// controller's views, and its surroundings (the start-up code's platform parts, the
// hand-overs to the main thread, the test switches).
#pragma once

#include "app/CommandLine.h"
#include "base/HighTimer.h"
#include "controller/ExternalVoiceLists.h"
#include "controller/IControllerPorts.h"
#include "controller/VolumeSlider.h"
#include "keys/KTDIKeyBoard.h"
#include "settings/Settings.h"
#include "song/CommandButtons.h"
#include "song/SongCommands.h"
#include "sound/ISoundDevice.h"
#include "sound/MasterVolume.h"
#include "sound/VoiceList.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The settings dialog on the record and the four switches (it saves the record on
// OK); true for OK.
class ISettingsDialog {
public:
    virtual ~ISettingsDialog() = default;
    virtual bool ShowSettingsDialog(TSettings& settings, TSwitchBlock& switches) = 0;
};

// What the core asks of the main window beyond the controller's views: the slider,
// the external lists, the settings dialog and these.
class IPianoWindow : public IMainWindow,
                     public IVolumeSliderView,
                     public IExternalVoiceListsView,
                     public ISettingsDialog {
public:
    virtual void ShowCommandButtons(const TCommandButtonStates& states) = 0;
    // Closes the window as its close box does.
    virtual void CloseWindow() = 0;
    // A file of the program folder handed to the desktop's default application.
    virtual void OpenWithDesktop(const std::string& path) = 0;
    virtual void ShowAbout() = 0;
};

struct TPianoCoreSetup {
    TCommandLine CommandLine;
    std::string ProgramFolder;
    // The synthesiser, made over the core's voice list (it fills the list); the
    // start-up code gives FluidSynth's (SystemParts).
    using TMakeSound = std::function<std::unique_ptr<ISoundDevice>(TVoiceList& voices)>;
    TMakeSound MakeSound;
    // Headless: the synthesiser renders on demand through its offline port instead of
    // opening one of the port list (tests; nothing reaches a sound device).
    bool OfflinePort = false;
    // The keyboard reader's messages, handed to the main thread (called on the reader's
    // worker); and a source beside the window's key events (the evdev keyboards).
    TKTDIKeyBoard::TPostMessage PostKeyMessage;
    TKeySourceStarter ExtraKeySource;
    // The system's master volume: the sound server's mixer, made with the function
    // that hands its change notices to the main thread (which then calls
    // MixerChanged), and the fallback used without it. Left empty there is neither
    // (the slider reads 0 and writes nothing).
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

// A file of the program folder.
std::string ProgramFolderFile(const std::string& folder, std::string_view name);
