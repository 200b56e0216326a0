// The song recorder and player: records what the player does as time-stamped
// events, hands them back to its owner on playback, and opens and saves songs.
#pragma once

#include "base/HighTimer.h"
#include "base/ITickClock.h"
#include "base/ThreadSafety.h"
#include "song/SimpleBuffer.h"
#include "song/SongFile.h"
#include "song/SongRecords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Every operation takes the recorder's own lock: the accompaniment records MIDI from
// the tempo clock's thread while the main thread records keys. Callbacks are raised
// with the lock released, so a handler may call back into the recorder (the end
// handler stops playback, say).
class TSimpleRecorder {
public:
    // kind and value of the event; for evKeyTable the event's key table, else null.
    using TPlayEventHandler =
        std::function<void(uint8_t kind, int32_t value, const TKeyDefSet* keyTable)>;
    using TPlayHandler = std::function<void()>;
    // The playback timer: 10 ms ticks with 1 ms resolution.
    static constexpr uint32_t PlaybackInterval = 10, PlaybackTimerRes = 1;

    explicit TSimpleRecorder(const ITickClock& clock);
    TSimpleRecorder(const TSimpleRecorder&) = delete;
    TSimpleRecorder& operator=(const TSimpleRecorder&) = delete;

    // An empty handler silences the callback.
    void SetOnPlayEvent(TPlayEventHandler handler) EXCLUDES(Mutex);
    void SetOnPlayEnd(TPlayHandler handler) EXCLUDES(Mutex);
    void SetOnPlayStart(TPlayHandler handler) EXCLUDES(Mutex);
    // How the playback timer's ticks reach the main thread. Without it playback runs
    // only as far as the owner calls PlaybackTick itself (tests, the headless tool).
    void SetTimerPoster(THighTimer::TPost post) EXCLUDES(Mutex);

    // Ignored while playing or when nothing changes. On discards the old events and
    // starts the clock of the recording; off keeps the events.
    void SetRecording(bool on) EXCLUDES(Mutex);
    bool IsRecording() const EXCLUDES(Mutex);

    // Ignored with no events, while recording, or when nothing changes. On restarts
    // from the first event, raises OnPlayStart and starts a fresh playback timer (10 ms
    // ticks calling PlaybackTick on the main thread); off stops the timer. Main thread.
    void SetPlaying(bool on) EXCLUDES(Mutex);
    bool IsPlaying() const EXCLUDES(Mutex);
    // One pass of playback (the owner's 10 ms timer calls it): delivers, in order,
    // every event that has become due, passes over skipped ones, and raises OnPlayEnd
    // once the last event is behind - again on each later pass until playback stops.
    // An exception from a handler leaves the recorder consistent: the event that
    // raised it counts as delivered and the next pass carries on after it.
    void PlaybackTick() EXCLUDES(Mutex);

    // Appended with the time since the recording started; nothing while not recording.
    void RecordKeyDown(int code) EXCLUDES(Mutex);
    void RecordKeyUp(int code) EXCLUDES(Mutex);
    void RecordRightOctave(int32_t value) EXCLUDES(Mutex);
    void RecordLeftOctave(int32_t value) EXCLUDES(Mutex);
    void RecordTranspose(int32_t value) EXCLUDES(Mutex);
    void RecordRightVoice(int32_t patch) EXCLUDES(Mutex);
    void RecordLeftVoice(int32_t patch) EXCLUDES(Mutex);
    void RecordRightVolume(int32_t value) EXCLUDES(Mutex);
    void RecordLeftVolume(int32_t value) EXCLUDES(Mutex);
    void RecordRightPedal(int32_t value) EXCLUDES(Mutex);
    void RecordLeftPedal(int32_t value) EXCLUDES(Mutex);
    void RecordKeyTable(const TKeyDefSet& table) EXCLUDES(Mutex); // keeps its own copy
    void RecordSixKeyMode(uint8_t on) EXCLUDES(Mutex);
    void RecordMidi(uint8_t status, uint8_t data1, uint8_t data2) EXCLUDES(Mutex);
    void RecordEndMark() EXCLUDES(Mutex);

    bool IsEmpty() const EXCLUDES(Mutex);
    size_t EventCount() const EXCLUDES(Mutex);
    void Clear() EXCLUDES(Mutex);
    // Visits the events in order under the lock; the visitor must not call the recorder.
    void ForEachEvent(
        const std::function<void(const TSongEvent&, const TKeyDefSet* keyTable)>& visit) const
        EXCLUDES(Mutex);

    // A copy of the header: version after a load (below 4 = an old file), the
    // snapshot to apply at OnPlayStart.
    TSongHeader Header() const EXCLUDES(Mutex);
    // What the owner fills in when it starts a recording.
    void SetSongInfo(const TSongInfoRec& info) EXCLUDES(Mutex);
    void SetSnapshot(const TPerformSnapshot& snapshot) EXCLUDES(Mutex);
    void SetStartKeyTable(const TKeyDefSet& table) EXCLUDES(Mutex);

    // On success info receives the song's information, and header and events are the
    // file's. On failure what was read so far stays (the owner treats the song as not
    // loaded) and LastError() says why. A missing stream fails.
    bool LoadFromFile(const std::string& fileName, TSongInfoRec& info) EXCLUDES(Mutex);
    bool LoadFromStream(std::istream* stream, TSongInfoRec& info) EXCLUDES(Mutex);
    bool LoadFromBytes(std::span<const uint8_t> bytes, TSongInfoRec& info) EXCLUDES(Mutex);
    // Takes a song read whole and well (ReadSongFile's result): the one read of a
    // file that must leave the song in memory alone unless it loads.
    void TakeSong(const TSongHeader& header, TSimpleBuffer&& events, TSongInfoRec& info)
        EXCLUDES(Mutex);
    // Write the header with the given information, then every event. A failed save
    // leaves any old file as it was.
    bool SaveToFile(const std::string& fileName, const TSongInfoRec& info) EXCLUDES(Mutex);
    bool WriteToStream(std::ostream* stream, const TSongInfoRec& info) EXCLUDES(Mutex);
    // The song file's bytes with the given information, as a save writes them; the
    // song in memory (its header included) stays as it is.
    bool SongImage(const TSongInfoRec& info, std::vector<uint8_t>& out) const EXCLUDES(Mutex);

    // The outcome of the last load or save.
    TSongFileResult LastResult() const EXCLUDES(Mutex);
    std::string LastError() const { return LastResult().Message; }

private:
    void Append(uint8_t kind, int32_t value, std::unique_ptr<TKeyDefSet> keyTable = nullptr)
        EXCLUDES(Mutex);
    template <typename TSource> bool Load(TSource& source, TSongInfoRec& info) EXCLUDES(Mutex);
    TSongFileResult BuildImage(const TSongInfoRec& info, std::vector<uint8_t>& out) EXCLUDES(Mutex);
    // Playback is still in the run a pass began with (a handler may stop or restart it).
    bool SameRun(unsigned run) const REQUIRES(Mutex) { return Playing && PlayRun == run; }

    const ITickClock& Clock;
    mutable TMutex Mutex;
    uint32_t RecordStart GUARDED_BY(Mutex) = 0;
    uint32_t PlayStart GUARDED_BY(Mutex) = 0;
    size_t Cursor GUARDED_BY(Mutex) = 0; // index of the next event to play
    // Counts playback starts, so that a pass notices a restart.
    unsigned PlayRun GUARDED_BY(Mutex) = 0;
    TPlayEventHandler OnPlayEvent GUARDED_BY(Mutex);
    TPlayHandler OnPlayEnd GUARDED_BY(Mutex);
    TPlayHandler OnPlayStart GUARDED_BY(Mutex);
    TSimpleBuffer Events GUARDED_BY(Mutex);
    bool Recording GUARDED_BY(Mutex) = false;
    bool Playing GUARDED_BY(Mutex) = false;
    TSongHeader Hdr GUARDED_BY(Mutex);
    TSongFileResult LastFile GUARDED_BY(Mutex);
    THighTimer::TPost TimerPoster GUARDED_BY(Mutex);
    // Present only while playing; made and dropped on the main thread, never destroyed
    // with the lock held (its stop waits for its worker).
    std::unique_ptr<THighTimer> Timer GUARDED_BY(Mutex);
};
