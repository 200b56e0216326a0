#include "app/StartUpSequence.h"

#include "base/FileUtil.h"
#include "keys/KeyTable.h"
#include "sound/PortList.h"

#include <utility>

namespace {
// Said for a built-in set that is not there and for one that cannot be read.
constexpr const char* NoBuiltInSet = "msf4.s not found.";
} // namespace

std::string ProgramFolderFile(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path.append(name);
}

void TStartUpSequence::Run() {
    P.Reader.SetActive(true);
    P.Performer.HeldKeys().Clear();
    LoadDefaultKeyDefs();
    SetUpSound();
    P.Slider.ShowMasterVolume();
    P.Performer.SetPerformerDefaults();
    P.Slider.ResetSynthVolume();
    P.Performer.SelectRightVoice(0);
    P.Performer.SelectLeftVoice(0);
    LoadFavoriteVoices(ProgramFile(DefaultFavoriteVoicesFile), P.Favorites);
    P.Performer.SelectRightVoice(0);
    P.Performer.SelectLeftVoice(0);
    P.Sound.Synth().SelectDrumKit();
    BeginBuiltInVoiceSet();
}

void TStartUpSequence::SetUpSound() {
    if (Setup.OfflinePort) {
        SoundIsOpen = P.Sound.OpenOfflinePort();
    } else {
        int port = Setup.CommandLine.PortNumber;
        if (port >= 0)
            WriteOutDevList(P.Sound.PortList(),
                            OwnFilesFolder(Setup.ProgramFolder) + OutDevListFileName);
        else
            port = P.Sound.DefaultOutputPortIndex();
        SoundIsOpen = P.Sound.SelectOutputPort(port);
    }
    if (!SoundIsOpen) return; // the program runs silently
    P.Steps.ReadDeviceTimes();
    P.Steps.Apply(Settings, TSwitchBlock{});
    const std::string external = ExternalVoiceSetPath(Settings);
    P.Lists.SetInUse(!external.empty());
    if (P.Lists.InUse()) {
        P.Sound.ReloadExternalDLS(external);
        P.Lists.Rebuild();
        return;
    }
    const std::string builtIn = ProgramFile("msf4.s");
    if (Setup.PostVoiceSetLoaded && FileExists(builtIn)) {
        PendingVoiceSet = builtIn; // begun at the end of start-up
        return;
    }
    if (!LoadVoiceSetNow(builtIn)) Window.ShowMessage(NoBuiltInSet);
}

bool TStartUpSequence::LoadVoiceSetNow(const std::string& path) {
    std::vector<uint8_t> image;
    if (ReadFilePrefix(path, size_t{1} << 30, image) != TReadResult::Ok) return false;
    return P.Sound.LoadVoiceSetFromMemory(std::move(image));
}

void TStartUpSequence::BeginBuiltInVoiceSet() {
    if (PendingVoiceSet.empty()) return;
    const std::string path = std::exchange(PendingVoiceSet, {});
    // Every message of start-up is sent by now: while the set arrives, the synthesiser
    // is busy taking its samples.
    THighTimer::TPost post = Setup.PostVoiceSetLoaded;
    if (P.Sound.BeginVoiceSetLoad(path, [this, post] { post([this] { VoiceSetLoaded(); }); }))
        return;
    // No software synthesiser to load it beside the player (a sequencer port): the set
    // is read now, as it always was.
    if (LoadVoiceSetNow(path))
        StartWithFirstVoices();
    else
        Window.ShowMessage(NoBuiltInSet);
}

void TStartUpSequence::VoiceSetLoaded() {
    // A file that is no voice set (empty, cut short, anything else) leaves the
    // program silent, and says so as for a missing file.
    if (P.Sound.FinishVoiceSetLoad())
        StartWithFirstVoices();
    else
        Window.ShowMessage(NoBuiltInSet);
}

void TStartUpSequence::StartWithFirstVoices() {
    P.Performer.SelectRightVoice(0);
    P.Performer.SelectLeftVoice(0);
    P.Sound.Synth().SelectDrumKit();
}

void TStartUpSequence::WindowActivated(bool active) {
    P.Slider.WindowActivated(active);
    if (!active) {
        P.Reader.Unacquire();
        return;
    }
    P.Lists.WindowActivated();
    P.Reader.Acquire();
}

void TStartUpSequence::ShutDown() {
    // The set's load posts to the window: it ends before the window goes.
    P.Sound.FinishVoiceSetLoad();
    P.Performer.StopAll(TStop::Everything);
    P.Performer.SetMousePedal(false);
    P.Recorder.SetPlaying(false); // its timer stops before what it posts to goes
}
