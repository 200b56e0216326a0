// The song commands' arguments and start.
#include "SongCommandArgs.h"

#include "base/FileUtil.h"
#include "sound/platform/fluid/OfflineRender.h"

#include <filesystem>
#include <iostream>
#include <sys/stat.h>

int ParseSongCommandArgs(const std::string& command, const TArgs& argsIn, TSongCommandArgs& out,
                         const std::string& moreOptions) {
    TArgs args = argsIn;
    const std::string usage =
        command + " takes SONG.lyt OUT" + moreOptions + " and --voice-set FILE at most";
    out.VoiceSet.clear();
    if (TakeOption(args, "--voice-set", out.VoiceSet) < 0)
        return UsageError("--voice-set takes one FILE");
    const std::string unknown = UnknownOption(args);
    if (!unknown.empty()) return UsageError("unknown option '" + unknown + "'; " + usage);
    if (args.size() != 2) return UsageError(usage);
    out.Song = args[0];
    out.Out = args[1];
    if (out.VoiceSet.empty()) out.VoiceSet = DefaultVoiceSetPath();
    std::error_code ec;
    if (std::filesystem::equivalent(out.Song, out.Out, ec))
        return UsageError("OUT is the song itself; it would be overwritten");
    if (std::filesystem::equivalent(out.VoiceSet, out.Out, ec))
        return UsageError("OUT is the voice set itself; it would be overwritten");
    return 0;
}

int FileFailure(const std::string& path, const std::string& reason) {
    std::cerr << "talvimorena-tool: " << path << ": " << reason << "\n";
    return 1;
}

int CheckOutput(const std::string& out) {
    struct stat st {};
    if (::stat(out.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return FileFailure(out, "exists and is not a regular file");
    if (!DirectoryExists(ExtractFileDir(out))) return FileFailure(out, "the folder does not exist");
    return 0;
}

void ReportDrops(const std::string& song, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        std::cerr << "talvimorena-tool: " << song << ": " << line << "\n";
}

int StartSongCommand(const std::string& command, const TArgs& args, TSongCommandArgs& a,
                     TSongRun& run, const std::string& moreOptions) {
    if (const int usage = ParseSongCommandArgs(command, args, a, moreOptions)) return usage;
    std::string reason;
    if (!run.Load(a.Song, reason)) return FileFailure(a.Song, "song does not load: " + reason);
    if (run.Version() < SongFileVersion)
        std::cerr << "talvimorena-tool: " << a.Song << ": a song of file version " << run.Version()
                  << ", converted on loading; it may not play as it was recorded\n";
    return 0;
}
