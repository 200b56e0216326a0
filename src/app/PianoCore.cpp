#include "app/PianoCore.h"

#include "keys/KeyDef.h"

#include <cassert>
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
    assert(Setup.MakeSound && "the start-up code gives the synthesiser");
    Sound = Setup.MakeSound(VoiceList);
    ISynthesizer& synth = Sound->Synth();
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
        std::make_unique<TPerformanceController>(synth, SongRecorder, clock, VoiceList, views);
    Reader = std::make_unique<TKTDIKeyBoard>(Setup.PostKeyMessage, Setup.ExtraKeySource);
    std::unique_ptr<IMixerLines> mixer;
    if (Setup.MakeMixer) mixer = Setup.MakeMixer(Setup.PostMixerChange);
    Master = std::make_unique<TMasterVolume>(std::move(mixer),
                                             Setup.MakeFallback ? Setup.MakeFallback() : nullptr);
    Slider = std::make_unique<TVolumeSlider>(*Master, *Sound, Window);
    Lists = std::make_unique<TExternalVoiceLists>(VoiceList, *Performer, Window);
    Steps = std::make_unique<TSettingsSteps>(Settings, *Sound, *Performer, *Lists, Window);
    if (!Setup.SongWindow) NoSongWindow = std::make_unique<TNoSongWindow>(Window);
    ISongPerformer& performer = *this;
    SongCmds = std::make_unique<TSongCommands>(
        SongRecorder, performer, Setup.SongWindow ? *Setup.SongWindow : *NoSongWindow);
    StartUp =
        std::make_unique<TStartUpSequence>(Setup, Settings, Window,
                                           TStartUpParts{*Reader, *Sound, *Performer, SongRecorder,
                                                         *Slider, *Lists, *Steps, FavoriteVoices});

    // What the objects built above are linked by after their construction.
    CommandKeys->Attach(*Performer, SongRecorder);
    CommandKeys->SetSongs(this);
    CommandKeys->SetHost(this);
    CommandKeys->SetTempo(TempoPort.get());
    CommandKeys->SetFavorites(&FavoriteVoices);
    Performer->ConnectRecorder();
    SongRecorder.SetTimerPoster(Setup.PostTimerEvent);
    // The tempo clock's notices go nowhere; the accompaniment starts with style group 0.
    Tempo->SetOnStart([](TMetronome&) {});
    Tempo->SetOnStop([](TMetronome&) {});
    Accomp->SetSynthesizer(&synth);
    Accomp->SetAccompStyleGroupNum(0);
    Accomp->SetOnAutoChordChange([](TAutoAccomp&, std::string_view) {});
    Accomp->SetRecorder(&SongRecorder);

    StartUp->Run();
}

TPianoCore::~TPianoCore() {
    StartUp->ShutDown();
    SongCmds.reset();
    Reader.reset();
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
        Performer->StopAll(TStop::Everything);
        Window.ShowAbout();
        break;
    case cbSetup:
        RunSetup();
        break;
    default:
        break;
    }
}

void TPianoCore::InstallEditedKeyDefs(const TKeyDefSet& set) {
    Performer->InstallKeyDefs(set);
    // A song played back sounds as it was played: the new keys go into it.
    if (SongRecorder.IsRecording()) SongRecorder.RecordKeyTable(KeyDefs);
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
    snap.RightVoice = static_cast<int32_t>(Sound->Synth().ChannelPatch(RightChannel));
    snap.LeftVoice = static_cast<int32_t>(Sound->Synth().ChannelPatch(LeftChannel));
    snap.SmartSemitone = Performer->IsSmartSemitone() ? -1 : 0;
    return snap;
}

void TPianoCore::StopForSong(bool accompaniment) {
    Performer->StopAll((accompaniment ? TStop::Accompaniment : TStop::None) | TStop::Performance);
}
