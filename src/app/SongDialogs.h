// The window's side of the song commands: Qt's file dialogs for songs, the song
// information dialog, message boxes, the caption and the pause before a loop
// restarts; and the event that carries the playback timer's ticks to the window.
#pragma once

#include "base/HighTimer.h"
#include "song/SongCommands.h"

#include <QEvent>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

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

// What the window does itself when the song commands ask.
struct TSongWindowHooks {
    std::function<void(const QString&)> ShowMessage;
    std::function<void(const TCommandButtonStates&)> ShowButtons;
    std::function<void(bool)> SetPlayingViewsEnabled;
};

class TSongDialogs final : public ISongWindow {
public:
    // The dialogs start in programFolder when it can be written to (a program run
    // from its build or unpacked folder), else in the user's home folder.
    TSongDialogs(QWidget* window, const QString& programFolder, TSongWindowHooks hooks);

    QString StartFolder() const { return Folder; }

    std::optional<std::string> AskOpenSongFile() override;
    std::optional<std::string> AskSaveSongFile(const std::string& proposedName) override;
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
};
