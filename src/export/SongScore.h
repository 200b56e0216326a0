// A song as a score: the notes a song's run sends (real pitch, milliseconds), put
// on a grid of the song's tempo and laid out in bars on a grand staff, with the
// percussion on a staff of its own. Plain data; MusicXml.h writes it.
#pragma once

#include "song/MidiFileWriter.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What an export left out or had to mend, counted for the player.
struct TExportDrops {
    size_t OutOfOrder = 0;  // song events stamped before an earlier one: left out
    size_t Overlapping = 0; // notes started again while sounding: the first ends there
    size_t NotMidi = 0;     // messages that are no MIDI channel messages: left out
    bool NoNotes = false;   // nothing to write but rests
    bool Any() const { return OutOfOrder || Overlapping || NotMidi || NoNotes; }
    // One line for each kind, in English ("3 events out of time order were left out").
    std::vector<std::string> Lines() const;
    // The same for the window, in Chinese, one line each.
    std::vector<std::string> ChineseLines() const;
};

// A note as it sounded: channel 0 the left keyboard, 1 the right, 9 the percussion.
struct TSongNote {
    uint8_t Channel;
    uint8_t Pitch;
    uint32_t OnMs, OffMs; // OffMs >= OnMs
};
struct TPedalSpan {
    uint32_t OnMs, OffMs;
};
// A percussion note of the accompaniment: when, and which drum.
struct TAccompanimentOnset {
    uint32_t Ms;
    uint8_t Pitch;
};
struct TSongNotes {
    std::vector<TSongNote> Notes;                         // by onset
    std::vector<TPedalSpan> Pedals;                       // either pedal down, merged, by onset
    std::vector<TAccompanimentOnset> AccompanimentOnsets; // percussion after it started
    bool HasAccompaniment = false;
};

// Pairs note-ons with their note-offs (a note-on of velocity 0 is one, all notes off
// ends every note of its channel, a note still sounding at endMs ends there) and
// collects the sustain pedals of both keyboards. Percussion notes have no end of
// their own: they last until the next percussion onset, a beat at most, at layout.
TSongNotes CollectSongNotes(std::span<const TMidiFileMessage> messages, uint32_t endMs,
                            TExportDrops& drops);

// The grid notes are put on, in units a quarter note.
enum class TScoreGrid {
    Auto,
    Eighths,
    Sixteenths,
    ThirtySeconds,
    EighthTriplets,
    SixteenthTriplets
};
// "8", "16", "32", "8t", "16t", "auto"; nothing for anything else.
std::optional<TScoreGrid> ParseScoreGrid(const std::string& text);
int GridUnitsPerQuarter(TScoreGrid grid);

enum class TStaffSplit {
    MiddleC,  // from middle C up on the treble staff, below it on the bass
    Keyboard, // the left keyboard's notes on the bass, the right's on the treble
};

struct TScoreOptions {
    std::string Title, Performer, Remark; // UTF-8
    // The tempo when the song has no accompaniment to take it from (or when given).
    std::optional<double> Tempo;
    TScoreGrid Grid = TScoreGrid::Auto;
    TStaffSplit Staves = TStaffSplit::MiddleC;
};

// The tempo and bar of a song's accompaniment, read from its percussion onsets: the
// tempo clock steps a quarter of a beat at a time, and the pattern repeats each bar
// (or each two bars).
struct TAccompanimentTime {
    double Tempo;     // beats a minute
    int Beats;        // a bar, in quarter notes
    uint32_t StartMs; // the first step heard, a bar line
};
std::optional<TAccompanimentTime>
ReadAccompanimentTime(std::span<const TAccompanimentOnset> onsets);

// Position and length in grid units from the first bar line.
struct TScoreNote {
    int Staff; // 1 treble, 2 bass, 3 percussion
    int Pitch;
    int64_t Start, Length;
};
struct TScorePedal {
    int64_t Start, End;
};
struct TScoreKey {
    int64_t Start; // the bar it starts in is the first bar of this key
    int Fifths;    // sharps (> 0) or flats (< 0)
};

struct TScore {
    std::string Title, Performer, Remark;
    double Tempo = 120;
    int Beats = 4; // quarter notes a bar
    int UnitsPerQuarter = 4;
    bool Triplets = false;         // the grid divides the beat in threes
    std::vector<TScoreNote> Notes; // by start
    std::vector<TScorePedal> Pedals;
    std::vector<TScoreKey> Keys; // by start, the first at 0
    int64_t Bars = 1;
    int64_t UnitsPerBar() const { return int64_t{Beats} * UnitsPerQuarter; }
    bool HasPercussion() const;
};

// The key signature a transposition gives: the key of "1=" (-4 A flat ... 7 G).
int KeyFifthsOfTranspose(int transpose);

struct TTransposeAt {
    uint32_t TimeMs;
    int Transpose;
};
TScore BuildScore(const TSongNotes& notes, std::span<const TTransposeAt> transposes,
                  const TScoreOptions& options);
