// The offline song run shared by every export.
#include "export/SongRun.h"

#include "base/FileUtil.h"
#include "controller/PerformanceController.h"
#include "keys/KeyDef.h"
#include "song/SongFile.h"

#include <algorithm>
#include <memory>

namespace {

std::string SongReadFailure(const TSongFileResult& read) {
    switch (read.Error) {
    case TSongFileError::Missing:
        return "no such file";
    case TSongFileError::TooLarge:
        return "the file is larger than any song";
    case TSongFileError::Unreadable:
        return "cannot be read (not a readable regular file)";
    default:
        return read.Message.empty() ? "not a song file" : read.Message;
    }
}

} // namespace

bool TSongRun::Load(const std::string& path, std::string& reason) {
    TSongHeader header{};
    TSimpleBuffer events;
    const TSongFileResult read = ReadSongFile(path, header, events);
    if (!read.Ok()) {
        reason = SongReadFailure(read);
        return false;
    }
    Take(header, std::move(events));
    return true;
}

bool TSongRun::LoadBytes(std::span<const uint8_t> bytes, std::string& reason) {
    TSongHeader header{};
    TSimpleBuffer events;
    const TSongFileResult read = ReadSong(bytes, header, events);
    if (!read.Ok()) {
        reason = SongReadFailure(read);
        return false;
    }
    Take(header, std::move(events));
    return true;
}

void TSongRun::Take(const TSongHeader& header, TSimpleBuffer&& events) {
    // Every event that goes back in time is passed over: recorded times only grow.
    DroppedOutOfOrder = 0;
    uint32_t latest = 0;
    for (const TSongEventEntry& e : events) {
        if (e.Event.Skip != 0) continue;
        if (e.Event.Time < latest)
            ++DroppedOutOfOrder;
        else
            latest = e.Event.Time;
    }
    if (DroppedOutOfOrder > 0) {
        TSimpleBuffer kept;
        kept.Reserve(events.Count());
        latest = 0;
        for (const TSongEventEntry& e : events) {
            TSongEvent ev = e.Event;
            if (ev.Skip == 0) {
                if (ev.Time < latest)
                    ev.Skip = -1;
                else
                    latest = ev.Time;
            }
            kept.Add(ev, e.KeyTable ? std::make_unique<TKeyDefSet>(*e.KeyTable) : nullptr);
        }
        events = std::move(kept);
    }
    // A version-1 song was converted on reading; its header still says version 1.
    FileVersion = header.Version;
    Recorder.TakeSong(header, std::move(events), SongInfo);

    Times.clear();
    ContentEnd = 0;
    Transposes.assign(1, {0, header.Snapshot.Transpose});
    // The song's sound ends with its last event that starts or ends a note (a key that
    // carries notes in the key table of that moment, a raw note message) or with the
    // recording's end mark. What follows (a voice chosen, a key table, a pedal)
    // sounds nothing.
    const TKeyDefSet* table = &header.KeyTable;
    Recorder.ForEachEvent([&](const TSongEvent& e, const TKeyDefSet* eventTable) {
        if (e.Skip != 0) return;
        Times.push_back(e.Time);
        if (e.Kind == evTranspose) Transposes.push_back({e.Time, e.Value});
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
    // The events left play in rising time.
    Times.erase(std::unique(Times.begin(), Times.end()), Times.end());
    // A song of skipped events only ends in its first pass.
    if (Times.empty() && Recorder.EventCount() > 0) Times.push_back(0);
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
