// The offline song run shared by render and export-midi.
#include "SongRun.h"

#include "Commands.h"
#include "base/FileUtil.h"
#include "controller/PerformanceController.h"
#include "keys/KeyDef.h"
#include "song/SongFile.h"
#include "sound/platform/fluid/TKTDirectMusic.h"
#include "voiceset/dls/DlsReader.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace {

std::string ReadFailure(TReadResult r, const std::string& what) {
    switch (r) {
    case TReadResult::Missing:
        return "no such file";
    case TReadResult::TooLarge:
        return "the file is larger than any " + what;
    default:
        return "cannot be read (not a readable regular file)";
    }
}

} // namespace

int ParseSongCommandArgs(const std::string& command, const std::vector<std::string>& argsIn,
                         TSongCommandArgs& out) {
    TArgs args = argsIn;
    const std::string usage = command + " takes SONG.lyt OUT and --voice-set FILE at most";
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

int StartSongCommand(const std::string& command, const std::vector<std::string>& args,
                     TSongCommandArgs& a, TSongRun& run) {
    if (const int usage = ParseSongCommandArgs(command, args, a)) return usage;
    std::string reason;
    if (!run.Load(a.Song, reason)) return FileFailure(a.Song, "song does not load: " + reason);
    if (run.Header().Version < SongFileVersion)
        std::cerr << "talvimorena-tool: " << a.Song << ": a song of file version "
                  << run.Header().Version
                  << ", converted on loading; it may not play as it was recorded\n";
    return 0;
}

std::string DefaultVoiceSetPath() {
    return ProgramFolder() + "msf4.s";
}

bool LoadVoiceSetFile(const std::string& path, TKTDirectMusic& synth, std::string& reason) {
    std::vector<uint8_t> image;
    const TReadResult read = ReadFilePrefix(path, MaxDlsFileSize, image, true);
    if (read != TReadResult::Ok) {
        reason = ReadFailure(read, "voice set");
        return false;
    }
    if (!synth.LoadVoiceSetFromMemory(image)) {
        reason = "not a voice set: " + synth.LastVoiceSetError();
        return false;
    }
    return true;
}

bool TSongRun::Load(const std::string& path, std::string& reason) {
    TSongHeader header{};
    TSimpleBuffer events;
    const TSongFileResult read = ReadSongFile(path, header, events);
    if (!read.Ok()) {
        switch (read.Error) {
        case TSongFileError::Missing:
            reason = ReadFailure(TReadResult::Missing, "song");
            break;
        case TSongFileError::TooLarge:
            reason = ReadFailure(TReadResult::TooLarge, "song");
            break;
        case TSongFileError::Unreadable:
            reason = ReadFailure(TReadResult::Unreadable, "song");
            break;
        default:
            reason = read.Message.empty() ? "not a song file" : read.Message;
        }
        return false;
    }
    Recorder.TakeSong(header, std::move(events), SongInfo);
    Times.clear();
    ContentEnd = 0;
    // The song's sound ends with its last event that starts or ends a note (a key that
    // carries notes in the key table of that moment, a raw note message) or with the
    // recording's end mark.
    // What follows (a voice chosen, a key table, a pedal) sounds nothing.
    const TSongHeader head = Recorder.Header();
    const TKeyDefSet* table = &head.KeyTable;
    Recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet* eventTable) {
        if (e.Skip != 0) return;
        Times.push_back(e.Time);
        if (e.Kind == evKeyTable && eventTable) table = eventTable;
        bool sounds = false;
        if (e.Kind == evKeyDown || e.Kind == evKeyUp) {
            const int k = KeyIndexOfCode(e.Value);
            sounds = k >= 0 && DefinableKeys[static_cast<size_t>(k)] && table->Keys[k].Count > 0;
        } else if (e.Kind == evEndMark) {
            sounds = true; // the recording's own end: its last silence is the performer's
        } else if (e.Kind == evMidiMessage) {
            const int status = (e.Value >> 16) & 0xF0;
            sounds = status == 0x80 || status == 0x90;
        }
        if (sounds) ContentEnd = std::max(ContentEnd, e.Time);
    });
    // An event earlier than one before it plays together with that one: playback
    // hands it over in the same pass. Playing at every distinct time in rising order
    // therefore delivers each event exactly when playback would.
    std::sort(Times.begin(), Times.end());
    Times.erase(std::unique(Times.begin(), Times.end()), Times.end());
    // A song of skipped events only ends in its first pass.
    if (Times.empty() && Recorder.EventCount() > 0) Times.push_back(0);
    return true;
}

void TSongRun::Play(ISynthesizer& synth, const TVoiceList& voices,
                    const std::function<void(uint32_t timeMs)>& advance) {
    // The main window's start-up, as far as it reaches the synthesiser and the
    // performer: default key layout and performer state, both voices at the first
    // position of the voice list, the drum kit on the percussion channel. No views,
    // no accompaniment, no command keys: the headless controller leaves them out.
    LoadDefaultKeyDefs();
    Clock.Now = 0;
    TPerformanceController controller(synth, Recorder, Clock, voices);
    controller.SetPerformerDefaults();
    controller.SelectRightVoice(0);
    controller.SelectLeftVoice(0);
    synth.SelectDrumKit();
    controller.ConnectRecorder();
    bool ended = false;
    Recorder.SetOnPlayEnd([&] { ended = true; });

    advance(0);
    // Raises OnPlayStart: the song's snapshot, applied as the piano applies it.
    Recorder.SetPlaying(true);
    for (uint32_t t : Times) {
        if (ended) break;
        advance(t);
        Clock.Now = t;
        Recorder.PlaybackTick();
    }
    Recorder.SetPlaying(false);
    Recorder.SetOnPlayEnd({});
    Recorder.SetOnPlayEvent({});
    Recorder.SetOnPlayStart({});
    advance(EndTime());
    synth.AllNotesOff(LeftChannel);
    synth.AllNotesOff(RightChannel);
}
