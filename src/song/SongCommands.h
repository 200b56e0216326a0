// The song commands: recording, playing once or in a loop, opening and saving song
// files and their information, with the buttons and the caption that follow. The
// rules live here; the window gives the dialogs, the core the performer's side.
#pragma once

#include "song/CommandButtons.h"
#include "song/SimpleRecorder.h"
#include "song/SongRecords.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the song Save dialog writes: the song file (its first filter, selected), or
// the recorded song exported as a MIDI file, a score or a sound file.
enum class TSongSaveFormat { Song, Midi, MusicXml, Wav };
struct TSongSaveChoice {
    std::string Path;
    TSongSaveFormat Filter = TSongSaveFormat::Song; // the filter chosen in the dialog
};
// The format a chosen name is written in: by its ending when it is one of .lyt,
// .mid, .musicxml and .wav (in any case), whatever the filter; else by the filter.
TSongSaveFormat SongSaveFormatFor(const std::string& path, TSongSaveFormat filter);

// What the song commands ask of the window. Texts are UTF-8.
class ISongWindow {
public:
    virtual ~ISongWindow() = default;
    // The open-file dialog for songs: the chosen path, or nothing when cancelled.
    virtual std::optional<std::string> AskOpenSongFile() = 0;
    // The save-file dialog (asking before an existing file is replaced), proposing
    // the given file name: the chosen path and filter.
    virtual std::optional<TSongSaveChoice> AskSaveSongFile(const std::string& proposedName) = 0;
    // Writes the song (the bytes of its song file) to `path` in an export format and
    // tells the player how it went: what was left out, or why nothing was written.
    // The song, its file and the caption stay as they are.
    virtual void ExportSong(TSongSaveFormat format, const std::string& path,
                            std::vector<uint8_t> song) = 0;
    // The song information dialog: true and `out` filled when closed with OK; `out`
    // untouched otherwise.
    virtual bool ShowSongInfo(std::string_view caption, const TSongInfoRec& in, TSongInfoRec& out,
                              bool readOnly) = 0;
    // The same, with the title also as typed (UTF-8, whole: the record keeps what code
    // page 936 can hold of it), for the file name proposed from it. Without a dialog
    // that tells, the record's title.
    virtual bool ShowSongInfoTyped(std::string_view caption, const TSongInfoRec& in,
                                   TSongInfoRec& out, std::string& typedTitle) {
        const bool ok = ShowSongInfo(caption, in, out, false);
        typedTitle = out.Title.Utf8();
        return ok;
    }
    virtual void ShowSongMessage(std::string_view text) = 0;
    virtual void SetSongCaption(std::string_view caption) = 0;
    virtual void ShowSongButtons(const TCommandButtonStates& states) = 0;
    // Off while a song plays: the PC keyboard picture, both piano strips and the five
    // boxes of transposition, octaves and velocities; on again afterwards, with the
    // volume slider.
    virtual void SetPlayingViewsEnabled(bool enabled) = 0;
    // Calls `then` once after `ms` milliseconds on the main thread, the window staying
    // responsive meanwhile. A later call replaces an earlier one still pending.
    virtual void StartSongPause(int ms, std::function<void()> then) = 0;
    virtual void CancelSongPause() = 0;
};

// What the song commands ask of the performer (the core and its controller).
class ISongPerformer {
public:
    virtual ~ISongPerformer() = default;
    // The performer state of the moment, as a recording starts with it.
    virtual TPerformSnapshot CurrentSnapshot() const = 0;
    // The general stop of notes, held keys, the staff, the PC keyboard picture and
    // the piano strips, with the accompaniment when asked.
    virtual void StopForSong(bool accompaniment) = 0;
    virtual void StopAccompaniment() = 0;
    virtual void ClearHeldKeys() = 0;
    virtual bool LoopPlay() const = 0;
    virtual void SetLoopPlay(bool on) = 0;
};

// Main thread only.
class TSongCommands {
public:
    static constexpr int LoopPauseMs = 500;
    static constexpr std::string_view CaptionFormat = "Talvimorena - %s";

    // Takes over the recorder's OnPlayEnd.
    TSongCommands(TSimpleRecorder& recorder, ISongPerformer& performer, ISongWindow& window);
    ~TSongCommands();
    TSongCommands(const TSongCommands&) = delete;
    TSongCommands& operator=(const TSongCommands&) = delete;

    void SetSongRecording(bool on);
    void ToggleRecordingWithEndMark();
    void SetSongPlaying(bool on);
    void StartLoopPlayback();
    // The recorder's OnPlayEnd: stop, and start again after a pause when looping.
    void SongEnded();
    void OpenSong();
    void OpenSongAndEditInfo();
    void SaveNewSong();
    void SaveSong();
    void UpdateButtons();

    // The pause between two runs of a looping song: the song counts as playing for
    // the keys (Esc and Power end the loop, others do nothing).
    bool LoopRestartPending() const { return RestartPending; }
    void CancelLoopRestart();

    const std::string& SongFileName() const { return FileName; }
    static std::string Caption(std::string_view songFileName);

private:
    bool Busy() const { return Recorder.IsRecording() || Recorder.IsPlaying(); }
    void SetSongFileName(const std::string& name);
    // Reads the file into the recorder, or says it cannot and leaves the song in
    // memory as it was.
    bool LoadSong(const std::string& path, TSongInfoRec& info);
    // What both Open commands do first: their guards, the file dialog and the load.
    // The path of the song now loaded, or nothing.
    std::optional<std::string> AskAndLoadSong(TSongInfoRec& info);
    bool SaveAs(const std::string& path, const TSongInfoRec& info);
    void AskNameAndSave();

    TSimpleRecorder& Recorder;
    ISongPerformer& Performer;
    ISongWindow& Window;
    std::string FileName;
    bool RestartPending = false;
};
