// The song commands' rules: guards, the order of each step and the texts shown.
#include "song/SongCommands.h"

#include "base/FileUtil.h"
#include "keys/KeyDef.h"
#include "song/SongFile.h"

#include <algorithm>
#include <cctype>

namespace {
constexpr std::string_view ReadFailedText = "读取文件失败!";
constexpr std::string_view OldVersionText = "旧版文件，可能无法正确播放。";
constexpr std::string_view InfoCaption = "歌曲信息";
constexpr std::string_view EditInfoCaption = "修改歌曲信息";
constexpr std::string_view EnterInfoCaption = "请输入歌曲信息";
// A failed save is told, so that the player does not believe the song kept.
constexpr std::string_view NotSavedText = "歌曲没有保存！\n";
constexpr std::string_view NotExportedText = "文件没有导出！";
} // namespace

TSongSaveFormat SongSaveFormatFor(const std::string& path, TSongSaveFormat filter) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto endsWith = [&](std::string_view end) {
        return lower.size() > end.size() &&
               lower.compare(lower.size() - end.size(), end.size(), end) == 0;
    };
    if (endsWith(".lyt")) return TSongSaveFormat::Song;
    if (endsWith(".mid")) return TSongSaveFormat::Midi;
    if (endsWith(".musicxml")) return TSongSaveFormat::MusicXml;
    if (endsWith(".wav")) return TSongSaveFormat::Wav;
    return filter;
}

TSongCommands::TSongCommands(TSimpleRecorder& recorder, ISongPerformer& performer,
                             ISongWindow& window)
    : Recorder(recorder), Performer(performer), Window(window) {
    Recorder.SetOnPlayEnd([this] { SongEnded(); });
}

TSongCommands::~TSongCommands() {
    Recorder.SetOnPlayEnd({});
    CancelLoopRestart();
}

std::string TSongCommands::Caption(std::string_view songFileName) {
    std::string caption(CaptionFormat);
    caption.replace(caption.find("%s"), 2, songFileName);
    return caption;
}

void TSongCommands::SetSongFileName(const std::string& name) {
    FileName = name;
    Window.SetSongCaption(Caption(FileName));
}

void TSongCommands::UpdateButtons() {
    Window.ShowSongButtons(CommandButtonsFor(Recorder.IsRecording(), Recorder.IsPlaying(), FileName,
                                             Recorder.IsEmpty()));
}

void TSongCommands::CancelLoopRestart() {
    if (!RestartPending) return;
    RestartPending = false;
    Window.CancelSongPause();
}

void TSongCommands::SetSongRecording(bool on) {
    if (Recorder.IsPlaying() || on == Recorder.IsRecording()) return;
    CancelLoopRestart();
    if (on) {
        Recorder.SetSongInfo(MakeSongInfo("SongTitle", "Marevo", "SongRemark"));
        Recorder.SetSnapshot(Performer.CurrentSnapshot());
        Recorder.SetStartKeyTable(KeyDefs);
        SetSongFileName(std::string(NewSongFileName));
    }
    Recorder.SetRecording(on);
    UpdateButtons(); // the Record button's latch follows the recorder
}

void TSongCommands::ToggleRecordingWithEndMark() {
    if (Recorder.IsRecording()) {
        Recorder.RecordEndMark();
        SetSongRecording(false);
    } else {
        SetSongRecording(true);
    }
}

void TSongCommands::SetSongPlaying(bool on) {
    if (Recorder.IsRecording() || on == Recorder.IsPlaying()) return;
    if (on && Recorder.IsEmpty()) return;
    CancelLoopRestart();
    if (on) {
        Performer.StopAccompaniment();
        Window.SetPlayingViewsEnabled(false);
        Recorder.SetPlaying(true); // OnPlayStart applies the song's snapshot
    } else {
        Recorder.SetPlaying(false);
        Performer.StopForSong(true);
        Window.SetPlayingViewsEnabled(true);
    }
    Performer.ClearHeldKeys();
    UpdateButtons();
}

void TSongCommands::StartLoopPlayback() {
    Performer.SetLoopPlay(true);
    if (!Recorder.IsPlaying()) SetSongPlaying(true);
}

void TSongCommands::SongEnded() {
    SetSongPlaying(false);
    if (!Performer.LoopPlay()) return;
    // A pause on a timer of the window, not a sleep of the main thread: the window
    // stays responsive, and Esc or Power ends the loop meanwhile.
    RestartPending = true;
    Window.StartSongPause(LoopPauseMs, [this] {
        if (!RestartPending) return;
        RestartPending = false;
        SetSongPlaying(true);
    });
}

bool TSongCommands::LoadSong(const std::string& path, TSongInfoRec& info) {
    // The file is checked whole before the recorder takes it: a file that is not a
    // song must leave the song in memory (perhaps an unsaved recording) as it was.
    // It is read once, in blocks: a named pipe or a device is refused without
    // waiting, and a file larger than any song before anything is read.
    TSongHeader header{};
    TSimpleBuffer events;
    if (!ReadSongFile(path, header, events).Ok()) {
        Window.ShowSongMessage(ReadFailedText);
        return false;
    }
    Recorder.TakeSong(header, std::move(events), info);
    return true;
}

std::optional<std::string> TSongCommands::AskAndLoadSong(TSongInfoRec& info) {
    if (Busy()) return std::nullopt;
    CancelLoopRestart();
    Performer.StopForSong(false);
    std::optional<std::string> path = Window.AskOpenSongFile();
    if (!path || !LoadSong(*path, info)) return std::nullopt;
    return path;
}

void TSongCommands::OpenSong() {
    TSongInfoRec info{};
    const std::optional<std::string> path = AskAndLoadSong(info);
    if (!path) return;
    if (Recorder.Header().Version < SongFileVersion) Window.ShowSongMessage(OldVersionText);
    SetSongFileName(*path);
    UpdateButtons();
    TSongInfoRec shown = info;
    Window.ShowSongInfo(InfoCaption, info, shown, true);
}

void TSongCommands::OpenSongAndEditInfo() {
    TSongInfoRec info{};
    const std::optional<std::string> path = AskAndLoadSong(info);
    if (!path) return;
    SetSongFileName(*path);
    UpdateButtons();
    TSongInfoRec edited = info;
    if (Window.ShowSongInfo(EditInfoCaption, info, edited, false)) SaveAs(FileName, edited);
}

bool TSongCommands::SaveAs(const std::string& path, const TSongInfoRec& info) {
    if (Recorder.SaveToFile(path, info)) return true;
    Window.ShowSongMessage(std::string(NotSavedText) + Recorder.LastError());
    return false;
}

void TSongCommands::AskNameAndSave() {
    Performer.StopForSong(false);
    const TSongInfoRec empty{};
    TSongInfoRec info = empty;
    // Cancel keeps the empty information, and the save goes on. The name is proposed
    // from the title as typed: the stored one loses what code page 936 cannot hold.
    std::string proposed;
    if (!Window.ShowSongInfoTyped(EnterInfoCaption, empty, info, proposed)) proposed.clear();
    std::replace(proposed.begin(), proposed.end(), '/', '_'); // a name, not a path
    const std::optional<TSongSaveChoice> choice = Window.AskSaveSongFile(proposed);
    if (!choice) return;
    const TSongSaveFormat format = SongSaveFormatFor(choice->Path, choice->Filter);
    if (format != TSongSaveFormat::Song) {
        // An export: the song stays unsaved, under its name and caption, with the
        // information entered for its title.
        std::vector<uint8_t> image;
        if (!Recorder.SongImage(info, image)) {
            Window.ShowSongMessage(NotExportedText);
            return;
        }
        Window.ExportSong(format, choice->Path, std::move(image));
        return;
    }
    // A failed save leaves the name, the caption and the buttons as they were, so
    // that the recording can still be saved elsewhere.
    if (!SaveAs(choice->Path, info)) return;
    SetSongFileName(choice->Path);
    UpdateButtons();
}

void TSongCommands::SaveNewSong() {
    if (Busy() || Recorder.IsEmpty() || FileName != NewSongFileName) return;
    CancelLoopRestart();
    AskNameAndSave();
}

void TSongCommands::SaveSong() {
    if (Busy() || Recorder.IsEmpty()) return;
    CancelLoopRestart();
    // A song without a file of its own is asked a name for, as a new one is: saved
    // under the bare name it would land in whatever folder the process started in.
    if (FileName.empty() || FileName == NewSongFileName) {
        AskNameAndSave();
        return;
    }
    Performer.StopForSong(false);
    SaveAs(FileName, Recorder.Header().Info);
}
