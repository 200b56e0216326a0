// A song played offline as the piano plays it: the main window's start-up state,
// the song's snapshot at the start of playback, and every event handed to the
// performance controller at its time by the recorder's own playback pass. render
// and export-midi differ only in the synthesiser they give it.
#pragma once

#include "base/ITickClock.h"
#include "song/SimpleRecorder.h"
#include "sound/ISynthesizer.h"
#include "sound/VoiceList.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TKTDirectMusic;

// The arguments of render and export-midi: SONG OUT [--voice-set FILE].
struct TSongCommandArgs {
    std::string Song;
    std::string Out;
    std::string VoiceSet; // DefaultVoiceSetPath() when not given
};
// 0 when the arguments are usable, else the usage error's exit status (printed).
// OUT may not be the song or the voice set: the run would replace its own input.
int ParseSongCommandArgs(const std::string& command, const std::vector<std::string>& args,
                         TSongCommandArgs& out);
// Prints "talvimorena-tool: PATH: REASON" and gives exit status 1.
int FileFailure(const std::string& path, const std::string& reason);

// The built-in voice set beside the tool: msf4.s in the program folder.
std::string DefaultVoiceSetPath();
// Reads a voice set (a DLS file) into the synthesiser, which fills the voice list
// from it; false with the reason in words.
bool LoadVoiceSetFile(const std::string& path, TKTDirectMusic& synth, std::string& reason);

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

    // Reads and loads the song file; false with the reason in words.
    bool Load(const std::string& path, std::string& reason);
    TSongHeader Header() const { return Recorder.Header(); }
    TSongInfoRec Info() const { return SongInfo; }
    size_t EventCount() const { return Recorder.EventCount(); }
    // When playback ends: the time of the last event that plays (0 for a song with
    // none). Skipped events are passed over wherever they lie, as playback does.
    uint32_t EndTime() const { return Times.empty() ? 0 : Times.back(); }
    // The time of the last event that plays and starts or ends a note, or of the end
    // mark (0 for none): where the song's sound ends before its tail.
    uint32_t ContentEndTime() const { return ContentEnd; }

    // Plays the loaded song through synth. Before the events due at a time are handed
    // over, advance(time) is called, times rising from 0; the last call is
    // advance(EndTime()), after which the notes still sounding on the two keyboards
    // are released (all notes off, as the end of playback does, but without cutting
    // the sound: what follows is the song's natural tail). Voices are chosen from
    // `voices`, the list the loaded voice set filled; the key definitions are the
    // process-wide ones, as the controller's.
    void Play(ISynthesizer& synth, const TVoiceList& voices,
              const std::function<void(uint32_t timeMs)>& advance);

private:
    TSongRunClock Clock;
    TSimpleRecorder Recorder{Clock};
    TSongInfoRec SongInfo{};
    std::vector<uint32_t> Times; // the distinct times at which events play, rising
    uint32_t ContentEnd = 0;
};

// The start both song commands share: their arguments, then the song, with a note on
// stderr for a song of an older file version. 0 on success, else the exit status.
int StartSongCommand(const std::string& command, const std::vector<std::string>& args,
                     TSongCommandArgs& a, TSongRun& run);
