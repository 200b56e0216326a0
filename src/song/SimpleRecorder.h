// The song recorder and player: records what the player does as time-stamped
// events, hands them back to its owner on playback, and opens and saves songs.
#pragma once

#include "base/ITickClock.h"
#include "song/SimpleBuffer.h"
#include "song/SongFile.h"
#include "song/SongRecords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <span>
#include <string>

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

    explicit TSimpleRecorder(const ITickClock& clock);
    TSimpleRecorder(const TSimpleRecorder&) = delete;
    TSimpleRecorder& operator=(const TSimpleRecorder&) = delete;

    // An empty handler silences the callback.
    void SetOnPlayEvent(TPlayEventHandler handler);
    void SetOnPlayEnd(TPlayHandler handler);
    void SetOnPlayStart(TPlayHandler handler);

    // Ignored while playing or when nothing changes. On discards the old events and
    // starts the clock of the recording; off keeps the events.
    void SetRecording(bool on);
    bool IsRecording() const;

    // Ignored with no events, while recording, or when nothing changes. On restarts
    // from the first event and raises OnPlayStart.
    void SetPlaying(bool on);
    bool IsPlaying() const;
    // One pass of playback (the owner's 10 ms timer calls it): delivers, in order,
    // every event that has become due, passes over skipped ones, and raises OnPlayEnd
    // once the last event is behind - again on each later pass until playback stops.
    // An exception from a handler leaves the recorder consistent: the event that
    // raised it counts as delivered and the next pass carries on after it.
    void PlaybackTick();

    // Appended with the time since the recording started; nothing while not recording.
    void RecordKeyDown(int code);
    void RecordKeyUp(int code);
    void RecordRightOctave(int32_t value);
    void RecordLeftOctave(int32_t value);
    void RecordTranspose(int32_t value);
    void RecordRightVoice(int32_t patch);
    void RecordLeftVoice(int32_t patch);
    void RecordRightVolume(int32_t value);
    void RecordLeftVolume(int32_t value);
    void RecordRightPedal(int32_t value);
    void RecordLeftPedal(int32_t value);
    void RecordKeyTable(const TKeyDefSet& table); // keeps its own copy
    void RecordSixKeyMode(uint8_t on);
    void RecordMidi(uint8_t status, uint8_t data1, uint8_t data2);
    void RecordEndMark();

    bool IsEmpty() const;
    size_t EventCount() const;
    void Clear();
    // Visits the events in order under the lock; the visitor must not call the recorder.
    void ForEachEvent(
        const std::function<void(const TSongEvent&, const TKeyDefSet* keyTable)>& visit) const;

    // A copy of the header: version after a load (below 4 = an old file), the
    // snapshot to apply at OnPlayStart.
    TSongHeader Header() const;
    // What the owner fills in when it starts a recording.
    void SetSongInfo(const TSongInfoRec& info);
    void SetSnapshot(const TPerformSnapshot& snapshot);
    void SetStartKeyTable(const TKeyDefSet& table);

    // On success info receives the song's information, and header and events are the
    // file's. On failure what was read so far stays (the owner treats the song as not
    // loaded) and LastError() says why. A missing stream fails.
    bool LoadFromFile(const std::string& fileName, TSongInfoRec& info);
    bool LoadFromStream(std::istream* stream, TSongInfoRec& info);
    bool LoadFromBytes(std::span<const uint8_t> bytes, TSongInfoRec& info);
    // Write the header with the given information, then every event. A failed save
    // leaves any old file as it was.
    bool SaveToFile(const std::string& fileName, const TSongInfoRec& info);
    bool WriteToStream(std::ostream* stream, const TSongInfoRec& info);

    // The outcome of the last load or save.
    TSongFileResult LastResult() const;
    std::string LastError() const { return LastResult().Message; }

private:
    void Append(uint8_t kind, int32_t value, std::unique_ptr<TKeyDefSet> keyTable = nullptr);
    template <typename TSource> bool Load(TSource& source, TSongInfoRec& info);
    TSongFileResult BuildImage(const TSongInfoRec& info, std::vector<uint8_t>& out);

    const ITickClock& Clock;
    mutable std::mutex Mutex;
    uint32_t RecordStart = 0;
    uint32_t PlayStart = 0;
    size_t Cursor = 0;    // index of the next event to play
    unsigned PlayRun = 0; // counts playback starts, so a pass notices a restart
    TPlayEventHandler OnPlayEvent;
    TPlayHandler OnPlayEnd;
    TPlayHandler OnPlayStart;
    TSimpleBuffer Events;
    bool Recording = false;
    bool Playing = false;
    TSongHeader Hdr;
    TSongFileResult LastFile;
};
