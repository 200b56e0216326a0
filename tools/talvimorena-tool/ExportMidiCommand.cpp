// export-midi: the messages a song sends to the synthesiser when it plays, written
// as a Standard MIDI File; export-musicxml: the notes of that run as a score.
#include "Commands.h"
#include "SongCommandArgs.h"

#include "base/FileUtil.h"
#include "export/SongExport.h"
#include "sound/MidiLog.h"
#include "sound/platform/fluid/OfflineRender.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <cstdlib>
#include <iostream>

namespace {

// The voice set only fills the voice list (no port, nothing is played): it decides
// which voices a song's patch numbers find, as in the piano.
// The synthesiser keeps the list filled while it lives.
struct TVoices {
    TMidiLog Quiet;
    TVoiceList List;
    TKTDirectMusic Synth{List, TKTDirectMusicSetup::Offline(&Quiet)};
};
int LoadVoices(const TSongCommandArgs& a, TVoices& voices) {
    std::string reason;
    if (!LoadVoiceSetFile(a.VoiceSet, voices.Synth, reason))
        return FileFailure(a.VoiceSet, "voice set does not load: " + reason);
    return 0;
}

int Finish(const TSongCommandArgs& a, const TSongExportResult& r) {
    if (!r.Ok) return FileFailure(a.Song, r.Error);
    if (!WriteFileAtomic(a.Out, r.Bytes)) return FileFailure(a.Out, "cannot be written");
    return 0;
}

} // namespace

int ExportMidiCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    const bool gm = TakeFlag(args, "--gm");
    TSongCommandArgs a;
    TSongRun run;
    if (const int status = StartSongCommand("export-midi", args, a, run, " [--gm]")) return status;
    if (const int status = CheckOutput(a.Out)) return status;
    TVoices voices;
    if (const int status = LoadVoices(a, voices)) return status;
    const TVoiceList& list = voices.List;

    const TSongExportResult r =
        ExportSongMidi(run, list, gm ? TCaptureBanks::GeneralMidi : TCaptureBanks::AsPlayed);
    if (const int status = Finish(a, r)) return status;
    std::cout << a.Out << ": " << r.Messages << " messages over " << run.EndTime() << " ms, "
              << run.EventCount() << " events\n";
    ReportDrops(a.Song, r.Drops.Lines());
    return 0;
}

int ExportMusicXmlCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    TScoreOptions options;
    std::string tempo, grid, staves;
    if (TakeOption(args, "--tempo", tempo) < 0) return UsageError("--tempo takes one BPM");
    if (TakeOption(args, "--grid", grid) < 0) return UsageError("--grid takes one GRID");
    if (TakeOption(args, "--staves", staves) < 0)
        return UsageError("--staves takes one of middle-c, keyboard");
    if (!tempo.empty()) {
        char* end = nullptr;
        const double bpm = std::strtod(tempo.c_str(), &end);
        if (*end != '\0' || !(bpm >= 20 && bpm <= 400))
            return UsageError("--tempo takes beats a minute from 20 to 400, not '" + tempo + "'");
        options.Tempo = bpm;
    }
    if (!grid.empty()) {
        const auto g = ParseScoreGrid(grid);
        if (!g) return UsageError("--grid takes 8, 16, 32, 8t, 16t or auto, not '" + grid + "'");
        options.Grid = *g;
    }
    if (staves == "keyboard")
        options.Staves = TStaffSplit::Keyboard;
    else if (!staves.empty() && staves != "middle-c")
        return UsageError("--staves takes middle-c or keyboard, not '" + staves + "'");
    TSongCommandArgs a;
    TSongRun run;
    if (const int status = StartSongCommand("export-musicxml", args, a, run,
                                            " [--tempo BPM] [--grid GRID] [--staves keyboard]"))
        return status;
    if (const int status = CheckOutput(a.Out)) return status;
    TVoices voices;
    if (const int status = LoadVoices(a, voices)) return status;
    const TVoiceList& list = voices.List;

    const TSongExportResult r = ExportSongMusicXml(run, list, options);
    if (const int status = Finish(a, r)) return status;
    std::cout << a.Out << ": a score of " << run.EndTime() << " ms, " << run.EventCount()
              << " events\n";
    ReportDrops(a.Song, r.Drops.Lines());
    return 0;
}
