// A song played offline as the piano plays it: the main window's start-up state,
// the song's snapshot at the start of playback, and every event handed to the
// performance controller at its time by the recorder's own playback pass. Every
// export of a song (sound, MIDI, score) is such a run; they differ only in the
// synthesiser they give it.
#pragma once

#include "base/ITickClock.h"
#include "song/SimpleRecorder.h"
#include "sound/ISynthesizer.h"
#include "sound/VoiceList.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Time as the run moves it: the song's milliseconds.
class TSongRunClock final : public ITickClock {
public:
    uint32_t TickCount() const override { return Now; }
    uint32_t Now = 0;
};

class TSongRun {
public:
    TSongRun() = default;
    TSongRun(const TSongRun&) = delete;
    TSongRun& operator=(const TSongRun&) = delete;

    // Reads and loads the song file, read once and no further than its events reach
    // (ReadSongFile); false with the reason in words.
    bool Load(const std::string& path, std::string& reason);
    // The same from a song file's bytes (a song in memory, saved to bytes). An event
    // stamped earlier than one before it is left out of the run and counted
    // (OutOfOrder): recorded times only grow, so such an event is damage.
    bool LoadBytes(std::span<const uint8_t> bytes, std::string& reason);
    TSongHeader Header() const { return Recorder.Header(); }
    // The version of the file read (a version-1 song was converted on loading).
    int32_t Version() const { return FileVersion; }
    TSongInfoRec Info() const { return SongInfo; }
    size_t EventCount() const { return Recorder.EventCount(); }
    // Events left out because their time lies before an earlier event's.
    size_t OutOfOrder() const { return DroppedOutOfOrder; }
    // When playback ends: the time of the last event that plays (0 for a song with
    // none). Skipped events are passed over wherever they lie, as playback does.
    uint32_t EndTime() const { return Times.empty() ? 0 : Times.back(); }
    // The time of the last event that plays and starts or ends a note, or of the end
    // mark (0 for none): where the song's sound ends before its tail.
    uint32_t ContentEndTime() const { return ContentEnd; }
    // The global transposition at each time it changes, from the snapshot's at 0.
    struct TTransposeChange {
        uint32_t TimeMs;
        int Transpose;
    };
    const std::vector<TTransposeChange>& Transpositions() const { return Transposes; }

    // Plays the loaded song through synth. Before the events due at a time are handed
    // over, advance(time) is called, times rising from 0; the last call is
    // advance(EndTime()), after which the notes still sounding on the two keyboards
    // are released (all notes off, as the end of playback does, but without cutting
    // the sound: what follows is the song's natural tail). Voices are chosen from
    // `voices`, the list the loaded voice set filled; the key definitions are the
    // process-wide ones, as the controller's, restored afterwards (main thread
    // only, where they live). advance may return false to end the run
    // early (a cancelled render); the notes are released all the same.
    void Play(ISynthesizer& synth, const TVoiceList& voices,
              const std::function<bool(uint32_t timeMs)>& advance);

private:
    // Takes a song read whole and well: the events out of time order passed over,
    // the times it plays at, its content's end and its transpositions.
    void Take(const TSongHeader& header, TSimpleBuffer&& events);

    TSongRunClock Clock;
    TSimpleRecorder Recorder{Clock};
    TSongInfoRec SongInfo{};
    std::vector<uint32_t> Times; // the distinct times at which events play, rising
    uint32_t ContentEnd = 0;
    std::vector<TTransposeChange> Transposes;
    size_t DroppedOutOfOrder = 0;
    int32_t FileVersion = SongFileVersion;
};
