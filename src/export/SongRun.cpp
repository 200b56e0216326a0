// The offline song run shared by every export.
#include "export/SongRun.h"

#include "base/FileUtil.h"
#include "controller/PerformanceController.h"
#include "keys/KeyDef.h"
#include "song/SongFile.h"

#include <algorithm>
#include <memory>

bool TSongRun::Load(const std::string& path, std::string& reason) {
    std::vector<uint8_t> bytes;
    const TReadResult read = ReadFilePrefix(path, MaxSongFileSize, bytes, true);
    switch (read) {
    case TReadResult::Ok:
        return LoadBytes(bytes, reason);
    case TReadResult::Missing:
        reason = "no such file";
        return false;
    case TReadResult::TooLarge:
        reason = "the file is larger than any song";
        return false;
    default:
        reason = "cannot be read (not a readable regular file)";
        return false;
    }
}

bool TSongRun::LoadBytes(std::span<const uint8_t> bytes, std::string& reason) {
    TSongHeader header{};
    TSimpleBuffer events;
    const TSongFileResult read = ReadSong(bytes, header, events);
    if (!read.Ok()) {
        reason = read.Message.empty() ? "not a song file" : read.Message;
        return false;
    }
    // The song again with every event that goes back in time passed over, in the
    // version it came in (a version-1 song is still told apart by its header).
    TSimpleBuffer kept;
    DroppedOutOfOrder = 0;
    uint32_t latest = 0;
    for (const TSongEventEntry& e : events) {
        TSongEvent ev = e.Event;
        if (ev.Skip == 0) {
            if (ev.Time < latest) {
                ev.Skip = -1;
                ++DroppedOutOfOrder;
            } else {
                latest = ev.Time;
            }
        }
        kept.Add(ev, e.KeyTable ? std::make_unique<TKeyDefSet>(*e.KeyTable) : nullptr);
    }
    const int32_t version = header.Version;
    std::vector<uint8_t> image;
    const TSongInfoRec info = header.Info;
    if (!WriteSong(header, info, kept, image).Ok() || !Recorder.LoadFromBytes(image, SongInfo)) {
        reason = Recorder.LastError();
        if (reason.empty()) reason = "not a song file";
        return false;
    }
    FileVersion = version;
    Times.clear();
    Transposes.assign(1, {0, Recorder.Header().Snapshot.Transpose});
    Recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet*) {
        if (e.Skip != 0) return;
        Times.push_back(e.Time);
        if (e.Kind == evTranspose) Transposes.push_back({e.Time, e.Value});
    });
    Times.erase(std::unique(Times.begin(), Times.end()), Times.end());
    // A song of skipped events only ends in its first pass.
    if (Times.empty() && Recorder.EventCount() > 0) Times.push_back(0);
    return true;
}

void TSongRun::Play(ISynthesizer& synth, const TVoiceList& voices,
                    const std::function<bool(uint32_t timeMs)>& advance) {
    // The main window's start-up, as far as it reaches the synthesiser and the
    // performer: default key layout and performer state, both voices at the first
    // position of the voice list, the drum kit on the percussion channel. No views,
    // no accompaniment, no command keys: the headless controller leaves them out.
    // The run borrows the process-wide key definitions and gives them back as they
    // were: in the piano they are the player's.
    const TKeyDefSet playersKeys = KeyDefs;
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

    bool going = advance(0);
    // Raises OnPlayStart: the song's snapshot, applied as the piano applies it.
    Recorder.SetPlaying(true);
    for (uint32_t t : Times) {
        if (ended || !going) break;
        going = advance(t);
        Clock.Now = t;
        if (going) Recorder.PlaybackTick();
    }
    Recorder.SetPlaying(false);
    Recorder.SetOnPlayEnd({});
    Recorder.SetOnPlayEvent({});
    Recorder.SetOnPlayStart({});
    if (going) advance(EndTime());
    synth.AllNotesOff(LeftChannel);
    synth.AllNotesOff(RightChannel);
    KeyDefs = playersKeys;
}
