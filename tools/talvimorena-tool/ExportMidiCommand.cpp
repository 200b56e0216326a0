// export-midi: the messages a song sends to the synthesiser when it plays, written
// as a Standard MIDI File.
#include "CaptureSynthesizer.h"
#include "Commands.h"
#include "SongRun.h"

#include "base/FileUtil.h"
#include "song/MidiFileWriter.h"
#include "sound/MidiLog.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <iostream>
#include <sys/stat.h>

int ExportMidiCommand(const TArgs& args) {
    TSongCommandArgs a;
    TSongRun run;
    std::string reason;
    if (const int status = StartSongCommand("export-midi", args, a, run)) return status;
    struct stat st {};
    if (::stat(a.Out.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return FileFailure(a.Out, "exists and is not a regular file");
    if (!DirectoryExists(ExtractFileDir(a.Out)))
        return FileFailure(a.Out, "the folder does not exist");

    // The voice set only fills the voice list here (no port, nothing is played): it
    // decides which voices a song's patch numbers find, as in the piano.
    TMidiLog quiet;
    TVoiceList list;
    TKTDirectMusic voices(list, TKTDirectMusicSetup::Offline(&quiet));
    if (!LoadVoiceSetFile(a.VoiceSet, voices, reason))
        return FileFailure(a.VoiceSet, "voice set does not load: " + reason);

    TCaptureSynthesizer capture(list);
    run.Play(capture, list, [&](uint32_t ms) { capture.NowMs = ms; });

    TMidiFileOptions options;
    options.TrackName = run.Info().Title.Utf8();
    options.EndMs = run.EndTime();
    std::vector<uint8_t> bytes;
    const TMidiFileResult built = BuildMidiFile(capture.Messages, options, bytes);
    if (!built.Ok) return FileFailure(a.Song, "cannot be written as a MIDI file: " + built.Message);
    if (!WriteFileAtomic(a.Out, bytes)) return FileFailure(a.Out, "cannot be written");

    std::cout << a.Out << ": " << capture.Messages.size() - built.Dropped << " messages over "
              << run.EndTime() << " ms, " << run.EventCount() << " events\n";
    if (built.Dropped > 0)
        std::cerr << "talvimorena-tool: " << a.Song << ": " << built.Dropped
                  << " messages that are no MIDI channel messages were left out\n";
    return 0;
}
