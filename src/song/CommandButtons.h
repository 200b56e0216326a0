// The enabled and latched states of the main window's seven command buttons, as the
// song commands decide them: while a recording or a playback runs only its own button
// works; otherwise Save waits for an unsaved song and Play for a song with events.
#pragma once

#include <array>
#include <string_view>

// The buttons by index, left to right.
enum TCommandButton : int { cbOpen, cbSave, cbPlay, cbRecord, cbSetup, cbHelp, cbAbout };
constexpr int CommandButtonCount = 7;

// The name a new recording goes by until it is saved.
constexpr std::string_view NewSongFileName = "NewFile";

struct TCommandButtonStates {
    std::array<bool, CommandButtonCount> Enabled{};
    bool PlayLatched = false;
    bool RecordLatched = false;
    bool operator==(const TCommandButtonStates&) const = default;
};

// The buttons of a fresh window: Open, Record, Setup, Help and About; no song yet to
// save or play.
TCommandButtonStates InitialCommandButtons();

// The states after a song command. songFileName is "" before any song, NewFileName
// for an unsaved recording, else the song's path; songEmpty when it holds no events.
TCommandButtonStates CommandButtonsFor(bool recording, bool playing, std::string_view songFileName,
                                       bool songEmpty);
