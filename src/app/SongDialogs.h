// The window's side of the song commands: Qt's file dialogs for songs, the song
// information dialog, message boxes, the caption and the pause before a loop
// restarts; and the event that carries the playback timer's ticks to the window.
#pragma once

#include "base/HighTimer.h"
#include "export/SongScore.h"
#include "song/SongCommands.h"

#include <QEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class TVoiceList;

// A job for the window's thread, posted under the playback timer's event number.
class TPostedJob : public QEvent {
public:
    explicit TPostedJob(std::function<void()> job)
        : QEvent(static_cast<QEvent::Type>(THighTimer::TimerEventType)), Job(std::move(job)) {}
    void Run() const { Job(); }

private:
    std::function<void()> Job;
};

// The song file dialogs' filter and default suffix.
inline constexpr const char* SongDialogFilter = "Talvimorena Song File(*.lyt)";
inline constexpr const char* SongDialogSuffix = "lyt";
// The Save dialog's further filters, after the song file's, in TSongSaveFormat's
// order, and the suffix each gives a name typed without one.
inline constexpr const char* SongExportFilters[] = {
    "General MIDI File(*.mid)", "MusicXML Score(*.musicxml)", "WAV Sound File(*.wav)"};
inline constexpr const char* SongExportSuffixes[] = {"mid", "musicxml", "wav"};

// What the window does itself when the song commands ask.
struct TSongWindowHooks {
    std::function<void(const QString&)> ShowMessage;
    std::function<void(const TCommandButtonStates&)> ShowButtons;
    std::function<void(bool)> SetPlayingViewsEnabled;
    // The voices the piano plays with, and the voice set file they come from with
    // the reverb level: what a song's exports are played with.
    std::function<const TVoiceList&()> Voices;
    std::function<std::string()> VoiceSetPath;
    std::function<int()> ReverbLevel;
};

// A WAV render on a thread of its own: the song's calls, made on the main thread,
// rendered through a synthesiser of the render's own.
class TSongWavJob;

class TSongDialogs final : public ISongWindow {
public:
    // The dialogs start in programFolder when it can be written to (a program run
    // from its build or unpacked folder), else in the user's home folder.
    TSongDialogs(QWidget* window, const QString& programFolder, TSongWindowHooks hooks);
    // A render still going is cancelled (its file is not written) and waited for.
    ~TSongDialogs() override;

    QString StartFolder() const { return Folder; }

    std::optional<std::string> AskOpenSongFile() override;
    std::optional<TSongSaveChoice> AskSaveSongFile(const std::string& proposedName) override;
    void ExportSong(TSongSaveFormat format, const std::string& path,
                    std::vector<uint8_t> song) override;
    // The WAV render's progress dialog while one runs (tests), else null.
    QProgressDialog* RenderProgress() const { return Progress; }
    bool Rendering() const { return Job != nullptr; }
    bool ShowSongInfo(std::string_view caption, const TSongInfoRec& in, TSongInfoRec& out,
                      bool readOnly) override;
    bool ShowSongInfoTyped(std::string_view caption, const TSongInfoRec& in, TSongInfoRec& out,
                           std::string& typedTitle) override;
    void ShowSongMessage(std::string_view text) override;
    void SetSongCaption(std::string_view caption) override;
    void ShowSongButtons(const TCommandButtonStates& states) override;
    void SetPlayingViewsEnabled(bool enabled) override;
    void StartSongPause(int ms, std::function<void()> then) override;
    void CancelSongPause() override;

private:
    QWidget* Window;
    QString Folder;
    TSongWindowHooks Hooks;
    QTimer Pause;
    std::function<void()> AfterPause;
    // The WAV render: its job, the dialog that shows it and the timer that looks at it.
    void WatchRender();
    void FinishRender();
    std::unique_ptr<TSongWavJob> Job;
    TExportDrops PendingDrops; // of the song being rendered
    QPointer<QProgressDialog> Progress;
    QTimer RenderWatch;
};
