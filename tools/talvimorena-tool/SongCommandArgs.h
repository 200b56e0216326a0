// The arguments and the start that the song commands (render, export-midi,
// export-musicxml) share.
#pragma once

#include "Commands.h"
#include "export/SongRun.h"

#include <string>
#include <vector>

// SONG OUT [--voice-set FILE], with the options a command takes besides.
struct TSongCommandArgs {
    std::string Song;
    std::string Out;
    std::string VoiceSet; // DefaultVoiceSetPath() when not given
};
// 0 when the arguments are usable, else the usage error's exit status (printed).
// OUT may not be the song or the voice set: the run would replace its own input.
// The command's own options are taken out of args beforehand.
int ParseSongCommandArgs(const std::string& command, const TArgs& args, TSongCommandArgs& out,
                         const std::string& moreOptions = "");
// Prints "talvimorena-tool: PATH: REASON" and gives exit status 1.
int FileFailure(const std::string& path, const std::string& reason);
// Refuses an OUT that exists and is no regular file, or whose folder is missing.
int CheckOutput(const std::string& out);
// What an export had to leave out, one line each on stderr, naming the song.
void ReportDrops(const std::string& song, const std::vector<std::string>& lines);

// The start the song commands share: their arguments, then the song, with a note on
// stderr for a song of an older file version or with events out of order. 0 on
// success, else the exit status.
int StartSongCommand(const std::string& command, const TArgs& args, TSongCommandArgs& a,
                     TSongRun& run, const std::string& moreOptions = "");
