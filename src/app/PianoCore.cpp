#include "app/PianoCore.h"

#include "base/FileUtil.h"
#include "keys/KeyDef.h"
#include "keys/KeyTable.h"
#include "sound/PortList.h"

#include <algorithm>
#include <utility>

namespace {

// The song commands' window where there is none (headless): every dialog cancelled;
// the buttons still shown.
class TNoSongWindow final : public ISongWindow {
public:
    explicit TNoSongWindow(IPianoWindow& window) : Window(window) {}
    std::optional<std::string> AskOpenSongFile() override { return std::nullopt; }
    std::optional<TSongSaveChoice> AskSaveSongFile(const std::string&) override {
        return std::nullopt;
    }
    void ExportSong(TSongSaveFormat, const std::string&, std::vector<uint8_t>) override {}
    bool ShowSongInfo(std::string_view, const TSongInfoRec&, TSongInfoRec&, bool) override {
        return false;
    }
    void ShowSongMessage(std::string_view) override {}
    void SetSongCaption(std::string_view) override {}
    void ShowSongButtons(const TCommandButtonStates& states) override {
        Window.ShowCommandButtons(states);
    }
    void SetPlayingViewsEnabled(bool) override {}
    void StartSongPause(int, std::function<void()>) override {}
    void CancelSongPause() override {}

private:
    IPianoWindow& Window;
};

} // namespace

TPianoCore::TPianoCore(TPianoCoreSetup setup, TSettings& settings, const ITickClock& clock,
                       IPianoWindow& window, TControllerPorts views)
    : Setup(std::move(setup)), Settings(settings), Window(window), SongRecorder(clock) {
    // The synthesiser exists from here on, opened or not, so that the controller always
    // has one to speak to.
    Music = std::make_unique<TKTDirectMusic>(VoiceList, Setup.Sound);
    // The tempo clock and the accompaniment exist before the controller that switches
    // them; the accompaniment is linked up once the sound is set up.
    Tempo = std::make_unique<TMetronome>(clock, Setup.ManualTempoClock ? TTempoDriver::Manual
                                                                       : TTempoDriver::Thread);
    Accomp = std::make_unique<TAutoAccomp>(*Tempo);
    AccompPort = std::make_unique<TAccompanimentPort>(*Accomp);
    TempoPort = std::make_unique<TTempoClockPort>(*Tempo);
    CommandKeys = std::make_unique<TCommandTable>(AccompPort.get());
    views.Window = &Window;
    views.Songs = this;
    views.Accomp = AccompPort.get();
    views.Tempo = TempoPort.get();
    views.Commands = CommandKeys.get();
    Performer =
        std::make_unique<TPerformanceController>(*Music, SongRecorder, clock, VoiceList, views);
    CommandKeys->Attach(*Performer, SongRecorder);
    CommandKeys->SetSongs(this);
    CommandKeys->SetHost(this);
    CommandKeys->SetTempo(TempoPort.get());
    CommandKeys->SetFavorites(&FavoriteVoices);

    Reader = std::make_unique<TKTDIKeyBoard>(Setup.PostKeyMessage, Setup.ExtraKeySource);
    Reader->SetActive(true);
    Performer->HeldKeys().Clear();
    LoadDefaultKeyDefs();

    SetUpSound();

    // The master volume: the slider shows the mixer's level once it has one.
    std::unique_ptr<IMixerLines> mixer;
    if (Setup.MakeMixer) mixer = Setup.MakeMixer(Setup.PostMixerChange);
    NoMixer = !mixer;
    Master = std::make_unique<TMasterVolume>(std::move(mixer),
                                             Setup.MakeFallback ? Setup.MakeFallback() : nullptr);
    if (Master->HasMixer()) Window.ShowSlider({0, 127, Master->Read()});

    Performer->SetPerformerDefaults();
    Performer->ConnectRecorder();
    SongRecorder.SetTimerPoster(Setup.PostTimerEvent);
    if (!Setup.SongWindow) NoSongWindow = std::make_unique<TNoSongWindow>(Window);
    ISongPerformer& performer = *this;
    SongCmds = std::make_unique<TSongCommands>(
        SongRecorder, performer, Setup.SongWindow ? *Setup.SongWindow : *NoSongWindow);

    SynthVolumeValue = 0;
    Music->SetSynthVolume(0);
    Performer->SelectRightVoice(0);
    Performer->SelectLeftVoice(0);
    LoadFavoriteVoices(ProgramFile(DefaultFavoriteVoicesFile), FavoriteVoices);
    Performer->SelectRightVoice(0);
    Performer->SelectLeftVoice(0);
    Music->SelectDrumKit();

    // The tempo clock's notices go nowhere; the accompaniment starts with style group 0.
    Tempo->SetOnStart([](TMetronome&) {});
    Tempo->SetOnStop([](TMetronome&) {});
    Accomp->SetSynthesizer(Music.get());
    Accomp->SetAccompStyleGroupNum(0);
    Accomp->SetOnAutoChordChange([](TAutoAccomp&, std::string_view) {});
    Accomp->SetRecorder(&SongRecorder);
    BeginBuiltInVoiceSet();
}

TPianoCore::~TPianoCore() {
    // The set's load posts to the window: it ends before the window goes.
    Music->FinishVoiceSetLoad();
    Performer->StopAll(true, true, true, true, true, true, true, true);
    Performer->SetMousePedal(false);
    SongRecorder.SetPlaying(false); // its timer stops before what it posts to goes
    SongCmds.reset();
    Reader.reset();
}

std::string TPianoCore::ProgramFile(std::string_view name) const {
    std::string path = Setup.ProgramFolder;
    if (!path.empty() && path.back() != '/') path += '/';
    return path.append(name);
}

void TPianoCore::SetUpSound() {
    if (Setup.OfflinePort) {
        SoundIsOpen = Music->OpenOfflinePort();
    } else {
        int port = Setup.CommandLine.PortNumber;
        if (port >= 0)
            WriteOutDevList(Music->PortList(),
                            OwnFilesFolder(Setup.ProgramFolder) + OutDevListFileName);
        else
            port = Music->DefaultOutputPortIndex();
        SoundIsOpen = Music->SelectOutputPort(port);
    }
    if (!SoundIsOpen) return; // the program runs silently
    Latency = static_cast<int>(Music->GetWriteLatency());
    Period = static_cast<int>(Music->GetWritePeriod());
    ApplySettings(Settings, TSwitchBlock{});
    const std::string external = ExternalVoiceSetPath(Settings);
    ExternalInUse = !external.empty();
    if (ExternalInUse) {
        Music->ReloadExternalDLS(external);
        RebuildExternalVoiceLists();
        return;
    }
    const std::string builtIn = ProgramFile("msf4.s");
    if (Setup.PostVoiceSetLoaded && FileExists(builtIn)) {
        PendingVoiceSet = builtIn; // begun at the end of start-up
        return;
    }
    if (!LoadVoiceSetNow(builtIn)) Window.ShowMessage("msf4.s not found.");
}

bool TPianoCore::LoadVoiceSetNow(const std::string& path) {
    std::vector<uint8_t> image;
    if (ReadFilePrefix(path, size_t{1} << 30, image) != TReadResult::Ok) return false;
    Music->LoadVoiceSetFromMemory(std::move(image));
    return true;
}

void TPianoCore::BeginBuiltInVoiceSet() {
    if (PendingVoiceSet.empty()) return;
    const std::string path = std::exchange(PendingVoiceSet, {});
    // Every message of start-up is sent by now: while the set arrives, the synthesiser
    // is busy taking its samples.
    THighTimer::TPost post = Setup.PostVoiceSetLoaded;
    if (Music->BeginVoiceSetLoad(path, [this, post] { post([this] { VoiceSetLoaded(); }); }))
        return;
    // No software synthesiser to load it beside the player (a sequencer port): the set
    // is read now, as it always was.
    if (LoadVoiceSetNow(path)) StartWithFirstVoices();
}

void TPianoCore::VoiceSetLoaded() {
    // A file that is no voice set leaves the program silent, as it always did.
    if (Music->FinishVoiceSetLoad()) StartWithFirstVoices();
}

void TPianoCore::StartWithFirstVoices() {
    Performer->SelectRightVoice(0);
    Performer->SelectLeftVoice(0);
    Music->SelectDrumKit();
}

void TPianoCore::ApplySettings(const TSettings& record, const TSwitchBlock& switches) {
    Latency = record.Latency;
    Period = WritePeriodForLatency(record.Latency);
    Music->SetWriteLatency(static_cast<uint32_t>(std::max(Latency, 0)));
    Music->SetWritePeriod(static_cast<uint32_t>(std::max(Period, 0)));
    Music->SetReverbLevel(record.ReverbLevel);
    Performer->SetNotebookMode(switches.NotebookMode);
    Performer->SetLoopPlay(switches.LoopPlay);
    Performer->SetSmartSemitone(switches.SmartSemitone);
    Performer->SetTimedPedal(switches.TimedPedal);
}

void TPianoCore::KeyMessage(int message, int code, int keyIndex) {
    // The pause between two runs of a looping song belongs to the playback: Esc and
    // Power end the loop there, other keys do nothing.
    if (SongCmds->LoopRestartPending()) {
        if (message == WM_DIKEYDOWN && (code == DIK::ESCAPE || code == DIK::POWER))
            SongCmds->CancelLoopRestart();
        return;
    }
    if (message == WM_DIKEYDOWN)
        Performer->WMDIKeyDown(code, keyIndex);
    else if (message == WM_DIKEYUP)
        Performer->WMDIKeyUp(code, keyIndex);
}

void TPianoCore::CommandButtonClick(int index) {
    switch (index) {
    case cbOpen:
        SongCmds->OpenSong();
        break;
    case cbSave:
        SongCmds->SaveNewSong();
        break;
    case cbPlay:
        if (Performer->HeldKeys().ShiftState() == 1) Performer->SetLoopPlay(true);
        SongCmds->SetSongPlaying(!SongRecorder.IsPlaying());
        break;
    case cbRecord:
        SongCmds->SetSongRecording(!SongRecorder.IsRecording());
        break;
    case cbHelp:
        Window.OpenWithDesktop(ProgramFile("Talvimorena3.chm"));
        Window.OpenWithDesktop(ProgramFile("Talvimorena4.0简要说明.htm"));
        break;
    case cbAbout:
        Performer->StopAll(true, true, true, true, true, true, true, true);
        Window.ShowAbout();
        break;
    case cbSetup:
        RunSetup();
        break;
    default:
        break;
    }
}

void TPianoCore::RunSetup() {
    const TSettings before = Settings;
    TSwitchBlock switches{Performer->IsNotebookMode(), Performer->IsLoopPlay(),
                          Performer->IsTimedPedal(), Performer->IsSmartSemitone()};
    if (!Window.ShowSettingsDialog(Settings, switches)) return;
    ApplySettings(Settings, switches);
    // A set switched on now is loaded at the next start; its lists come with it. A
    // named file that is not there is not loaded: the voices in use stay.
    ExternalInUse = !ExternalVoiceSetPath(Settings).empty();
    if (before.UseExternalDLS && Settings.UseExternalDLS &&
        before.ExternalDLSFile != Settings.ExternalDLSFile && SoundIsOpen && ExternalInUse) {
        Music->ReloadExternalDLS(ExternalVoiceSetPath(Settings));
        RebuildExternalVoiceLists();
        // The lists' first voices, as a choice in each list sends them.
        Performer->SelectExternalVoice(false, Window.ExternalVoiceListSelection(false));
        Performer->SelectExternalVoice(true, Window.ExternalVoiceListSelection(true));
    }
}

void TPianoCore::InstallEditedKeyDefs(const TKeyDefSet& set) {
    Performer->InstallKeyDefs(set);
    // A song played back sounds as it was played: the new keys go into it.
    if (SongRecorder.IsRecording()) SongRecorder.RecordKeyTable(KeyDefs);
}

void TPianoCore::UpdateButtons() {
    SongCmds->UpdateButtons();
}

void TPianoCore::SetSongRecording(bool on) {
    SongCmds->SetSongRecording(on);
}

void TPianoCore::SetSongPlaying(bool on) {
    SongCmds->SetSongPlaying(on);
}

void TPianoCore::RunSongCommand(TSongCommand command) {
    switch (command) {
    case TSongCommand::ToggleRecording:
        SongCmds->ToggleRecordingWithEndMark();
        break;
    case TSongCommand::TogglePlaying:
        SongCmds->SetSongPlaying(!SongRecorder.IsPlaying());
        break;
    case TSongCommand::LoopPlayback:
        SongCmds->StartLoopPlayback();
        break;
    case TSongCommand::Open:
        SongCmds->OpenSong();
        break;
    case TSongCommand::OpenAndEditInfo:
        SongCmds->OpenSongAndEditInfo();
        break;
    case TSongCommand::SaveNew:
        SongCmds->SaveNewSong();
        break;
    case TSongCommand::Save:
        SongCmds->SaveSong();
        break;
    }
}

// ---- What the song commands ask of the performer ----

TPerformSnapshot TPianoCore::CurrentSnapshot() const {
    const TPerformerState& state = Performer->State();
    TPerformSnapshot snap = EmptyPerformSnapshot();
    snap.Transpose = state.Transpose;
    snap.RightVolume = state.RightVelocity;
    snap.LeftVolume = state.LeftVelocity;
    snap.RightOctave = state.RightOctave;
    snap.LeftOctave = state.LeftOctave;
    snap.RightVoice = static_cast<int32_t>(Music->ChannelPatch(RightChannel));
    snap.LeftVoice = static_cast<int32_t>(Music->ChannelPatch(LeftChannel));
    snap.SmartSemitone = Performer->IsSmartSemitone() ? -1 : 0;
    return snap;
}

void TPianoCore::StopForSong(bool accompaniment) {
    Performer->StopAll(accompaniment, true, false, false, true, true, true, true);
}

void TPianoCore::StopAccompaniment() {
    Performer->SetAccompaniment(false);
}

void TPianoCore::ClearHeldKeys() {
    Performer->HeldKeys().Clear();
}

bool TPianoCore::LoopPlay() const {
    return Performer->IsLoopPlay();
}

void TPianoCore::SetLoopPlay(bool on) {
    Performer->SetLoopPlay(on);
}

void TPianoCore::WindowActivated(bool active) {
    // Without a mixer the player hears of it once, when the window is activated the
    // second time (the first is its own appearance).
    if (active && ++Activations == 2 && NoMixer)
        Window.ShowMessage("由于某种原因，Talvimorena在您的机器上无法调整总音量。");
    if (!active) {
        // No key is read while another window is active, and none is left down.
        Reader->Unacquire();
        return;
    }
    if (!FirstActivationDone) {
        FirstActivationDone = true;
        // The lists' voices are sent again once the window first shows them.
        if (ExternalInUse) {
            Performer->SelectExternalVoice(false, Window.ExternalVoiceListSelection(false));
            Performer->SelectExternalVoice(true, Window.ExternalVoiceListSelection(true));
        }
    }
    Reader->Acquire();
}

int TPianoCore::MasterVolume() {
    const int value = Master->Read();
    ShowVolumeMessage();
    return value;
}

void TPianoCore::ShowVolumeMessage() {
    const std::string message = Master->TakeMessage();
    if (!message.empty()) Window.ShowMessage(message);
}

void TPianoCore::SliderChanged(int position) {
    if (SliderSynthMode) {
        SynthVolumeValue = position;
        Music->SetSynthVolume(SynthVolumeValue);
        return;
    }
    const int shown = Master->Write(position);
    ShowVolumeMessage();
    if (shown >= 0 && shown != position) Window.ShowSlider({0, 127, shown});
}

TSliderSetting TPianoCore::SliderDoubleClick() {
    SliderSynthMode = !SliderSynthMode;
    if (SliderSynthMode) return {-2000, 2000, SynthVolumeValue};
    return {0, 127, MasterVolume()};
}

void TPianoCore::MixerChanged() {
    // A slider showing the synthesiser's volume keeps showing it.
    if (SliderSynthMode) return;
    Window.ShowSlider({0, 127, MasterVolume()});
}

void TPianoCore::StepMasterVolume(int delta) {
    Master->Write(MasterVolume() + delta);
    ShowVolumeMessage();
    // The mixer's notice moves the slider too; the fallback sends none.
    if (!SliderSynthMode) Window.ShowSlider({0, 127, MasterVolume()});
}

void TPianoCore::RebuildExternalVoiceLists() {
    Window.ShowExternalVoiceLists(VoiceList);
}

void TPianoCore::ShowAbout() {
    Window.ShowAbout();
}

void TPianoCore::CloseMainWindow() {
    Window.CloseWindow();
}

bool TPianoCore::StepExternalVoiceList(bool down) {
    const int count = VoiceList.Count();
    const int selected = Window.ExternalVoiceListSelection(true);
    if (!ExternalInUse || selected < 0 || count <= 0) return false;
    // Round about at either end, as the voice positions step.
    const int position = (selected + (down ? 1 : -1) + count) % count;
    Window.SelectExternalVoiceListItem(true, position);
    Performer->SelectExternalVoice(true, position);
    return true;
}
