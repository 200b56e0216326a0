// The piano's life cycle after its objects are built: the start-up steps in their
// order (keyboard reader, key definitions, sound and voice set, master volume,
// performer values, first voices and favourites), the built-in set arriving later,
// the window's activations, and the stop before the objects go. Main thread only.
#pragma once

#include "app/PianoParts.h"
#include "app/SettingsSteps.h"
#include "controller/ExternalVoiceLists.h"
#include "controller/PerformanceController.h"
#include "controller/VolumeSlider.h"
#include "keys/KTDIKeyBoard.h"
#include "song/SimpleRecorder.h"
#include "sound/FavoriteVoices.h"

#include <string>

struct TStartUpParts {
    TKTDIKeyBoard& Reader;
    ISoundDevice& Sound;
    TPerformanceController& Performer;
    TSimpleRecorder& Recorder;
    TVolumeSlider& Slider;
    TExternalVoiceLists& Lists;
    TSettingsSteps& Steps;
    TFavoriteVoiceSet& Favorites;
};

class TStartUpSequence {
public:
    TStartUpSequence(const TPianoCoreSetup& setup, TSettings& settings, IPianoWindow& window,
                     TStartUpParts parts)
        : Setup(setup), Settings(settings), Window(window), P(parts) {}

    // Every start-up step from the keyboard reader's start on; the built-in set's
    // background load is begun last, once every other message is sent.
    void Run();
    // The built-in set's background load is over: its voices are in the list and
    // both keyboards and the drum channel get their first voices.
    void VoiceSetLoaded();
    // The window became active or inactive: no key is read while another window is
    // active, and none is left down.
    void WindowActivated(bool active);
    // Before the objects go: the set's load ended, everything stopped, the mouse
    // pedal off, the playback timer stopped.
    void ShutDown();

    bool SoundOpen() const { return SoundIsOpen; }

private:
    void SetUpSound();
    void BeginBuiltInVoiceSet();
    void StartWithFirstVoices();
    // Reads the built-in set's file and loads it before returning; false when the file
    // cannot be read (a file that is no voice set loads nothing and is no failure here).
    bool LoadVoiceSetNow(const std::string& path);
    std::string ProgramFile(std::string_view name) const {
        return ProgramFolderFile(Setup.ProgramFolder, name);
    }

    const TPianoCoreSetup& Setup;
    TSettings& Settings;
    IPianoWindow& Window;
    TStartUpParts P;
    bool SoundIsOpen = false;
    // The built-in set's file, to be loaded once the other start-up messages are
    // sent ("" when it is loaded already, or not at all).
    std::string PendingVoiceSet;
};
