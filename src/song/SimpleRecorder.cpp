// The song recorder: recording, playback passes, and loading and saving songs.
#include "song/SimpleRecorder.h"

#include "base/FileUtil.h"

#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>

TSimpleRecorder::TSimpleRecorder(const ITickClock& clock) : Clock(clock), Hdr(NewSongHeader()) {}

void TSimpleRecorder::SetOnPlayEvent(TPlayEventHandler handler) {
    TLock lock(Mutex);
    OnPlayEvent = std::move(handler);
}

void TSimpleRecorder::SetOnPlayEnd(TPlayHandler handler) {
    TLock lock(Mutex);
    OnPlayEnd = std::move(handler);
}

void TSimpleRecorder::SetOnPlayStart(TPlayHandler handler) {
    TLock lock(Mutex);
    OnPlayStart = std::move(handler);
}

void TSimpleRecorder::SetRecording(bool on) {
    TLock lock(Mutex);
    if (Playing || on == Recording) return;
    if (on) {
        Events.Clear();
        RecordStart = Clock.TickCount();
    }
    Recording = on;
}

bool TSimpleRecorder::IsRecording() const {
    TLock lock(Mutex);
    return Recording;
}

void TSimpleRecorder::SetTimerPoster(THighTimer::TPost post) {
    TLock lock(Mutex);
    TimerPoster = std::move(post);
}

void TSimpleRecorder::SetPlaying(bool on) {
    TLock lock(Mutex);
    if (on == Playing) return;
    if (!on) {
        Playing = false;
        // Stopped outside the lock: this may run inside the timer's own tick, which
        // is fine, since the tick runs on the main thread and the worker only posts.
        std::unique_ptr<THighTimer> timer = std::move(Timer);
        lock.Unlock();
        timer.reset();
        return;
    }
    if (Events.IsEmpty() || Recording) return;
    PlayStart = Clock.TickCount();
    Cursor = 0;
    Playing = true;
    const unsigned run = ++PlayRun;
    const TPlayHandler handler = OnPlayStart;
    THighTimer::TPost post = TimerPoster;
    std::unique_ptr<THighTimer> old = std::move(Timer);
    lock.Unlock();
    old.reset();
    if (handler) {
        try {
            handler();
        } catch (...) {
            // The owner could not set up for playing: do not start.
            lock.Lock();
            Playing = false;
            throw;
        }
    }
    if (!post) return;
    auto timer = std::make_unique<THighTimer>(std::move(post));
    timer->SetTimerRes(PlaybackTimerRes);
    timer->SetInterval(PlaybackInterval);
    timer->SetOnTimer([this](THighTimer&) { PlaybackTick(); });
    timer->SetEnabled(true);
    lock.Lock();
    // The start handler may have stopped or restarted playback meanwhile.
    if (SameRun(run)) {
        Timer = std::move(timer);
        return;
    }
    lock.Unlock();
    timer.reset();
}

bool TSimpleRecorder::IsPlaying() const {
    TLock lock(Mutex);
    return Playing;
}

void TSimpleRecorder::PlaybackTick() {
    TLock lock(Mutex);
    if (!Playing) return;
    const unsigned run = PlayRun;
    const uint32_t elapsed = Clock.TickCount() - PlayStart;
    // A handler may stop or restart playback; the pass ends with the run it began.
    while (SameRun(run) && Cursor < Events.Count()) {
        const TSongEventEntry& entry = Events[Cursor];
        if (entry.Event.Skip != 0) {
            ++Cursor;
            continue;
        }
        if (entry.Event.Time > elapsed) return;
        ++Cursor;
        const uint8_t kind = entry.Event.Kind;
        const int32_t value = entry.Event.Value;
        // The handler gets its own copy: the list may be cleared while it runs.
        std::unique_ptr<TKeyDefSet> table;
        if (entry.KeyTable) table = std::make_unique<TKeyDefSet>(*entry.KeyTable);
        const TPlayEventHandler handler = OnPlayEvent;
        lock.Unlock();
        if (handler) handler(kind, value, table.get());
        lock.Lock();
    }
    if (!SameRun(run)) return;
    const TPlayHandler handler = OnPlayEnd;
    lock.Unlock();
    if (handler) handler();
}

void TSimpleRecorder::Append(uint8_t kind, int32_t value, std::unique_ptr<TKeyDefSet> keyTable) {
    TLock lock(Mutex);
    if (!Recording) return;
    // The time is taken under the lock, so events from two threads stay in time order.
    const TSongEvent ev{Clock.TickCount() - RecordStart, 0, kind, value};
    Events.Add(ev, std::move(keyTable));
}

void TSimpleRecorder::RecordKeyDown(int code) {
    Append(evKeyDown, code);
}
void TSimpleRecorder::RecordKeyUp(int code) {
    Append(evKeyUp, code);
}
void TSimpleRecorder::RecordRightOctave(int32_t value) {
    Append(evRightOctave, value);
}
void TSimpleRecorder::RecordLeftOctave(int32_t value) {
    Append(evLeftOctave, value);
}
void TSimpleRecorder::RecordTranspose(int32_t value) {
    Append(evTranspose, value);
}
void TSimpleRecorder::RecordRightVoice(int32_t patch) {
    Append(evRightVoice, patch);
}
void TSimpleRecorder::RecordLeftVoice(int32_t patch) {
    Append(evLeftVoice, patch);
}
void TSimpleRecorder::RecordRightVolume(int32_t value) {
    Append(evRightVolume, value);
}
void TSimpleRecorder::RecordLeftVolume(int32_t value) {
    Append(evLeftVolume, value);
}
void TSimpleRecorder::RecordRightPedal(int32_t value) {
    Append(evRightPedal, value);
}
void TSimpleRecorder::RecordLeftPedal(int32_t value) {
    Append(evLeftPedal, value);
}
void TSimpleRecorder::RecordSixKeyMode(uint8_t on) {
    Append(evSixKeyMode, on);
}
void TSimpleRecorder::RecordEndMark() {
    Append(evEndMark, 0);
}

void TSimpleRecorder::RecordKeyTable(const TKeyDefSet& table) {
    Append(evKeyTable, 0, std::make_unique<TKeyDefSet>(table));
}

void TSimpleRecorder::RecordMidi(uint8_t status, uint8_t data1, uint8_t data2) {
    Append(evMidiMessage, status << 16 | data1 << 8 | data2);
}

bool TSimpleRecorder::IsEmpty() const {
    TLock lock(Mutex);
    return Events.IsEmpty();
}

size_t TSimpleRecorder::EventCount() const {
    TLock lock(Mutex);
    return Events.Count();
}

void TSimpleRecorder::Clear() {
    TLock lock(Mutex);
    Events.Clear();
}

void TSimpleRecorder::ForEachEvent(
    const std::function<void(const TSongEvent&, const TKeyDefSet*)>& visit) const {
    TLock lock(Mutex);
    for (const TSongEventEntry& entry : Events)
        visit(entry.Event, entry.KeyTable.get());
}

TSongHeader TSimpleRecorder::Header() const {
    TLock lock(Mutex);
    return Hdr;
}

void TSimpleRecorder::SetSongInfo(const TSongInfoRec& info) {
    TLock lock(Mutex);
    Hdr.Info = info;
}

void TSimpleRecorder::SetSnapshot(const TPerformSnapshot& snapshot) {
    TLock lock(Mutex);
    Hdr.Snapshot = snapshot;
}

void TSimpleRecorder::SetStartKeyTable(const TKeyDefSet& table) {
    TLock lock(Mutex);
    Hdr.KeyTable = table;
}

template <typename TSource> bool TSimpleRecorder::Load(TSource& source, TSongInfoRec& info) {
    // Read in place: a failed load leaves what it read, and a load that fails before
    // the events (wrong magic, say) leaves the old events alone.
    TLock lock(Mutex);
    LastFile = ReadSong(source, Hdr, Events);
    if (!LastFile.Ok()) return false;
    info = Hdr.Info;
    return true;
}

bool TSimpleRecorder::LoadFromBytes(std::span<const uint8_t> bytes, TSongInfoRec& info) {
    return Load(bytes, info);
}

bool TSimpleRecorder::LoadFromStream(std::istream* stream, TSongInfoRec& info) {
    if (!stream) {
        TLock lock(Mutex);
        LastFile = {TSongFileError::NoStream, "no stream to read from"};
        return false;
    }
    return Load(*stream, info);
}

bool TSimpleRecorder::LoadFromFile(const std::string& fileName, TSongInfoRec& info) {
    TLock lock(Mutex);
    LastFile = ReadSongFile(fileName, Hdr, Events);
    if (!LastFile.Ok()) return false;
    info = Hdr.Info;
    return true;
}

void TSimpleRecorder::TakeSong(const TSongHeader& header, TSimpleBuffer&& events,
                               TSongInfoRec& info) {
    TLock lock(Mutex);
    Hdr = header;
    Events = std::move(events);
    LastFile = {};
    info = Hdr.Info;
}

TSongFileResult TSimpleRecorder::BuildImage(const TSongInfoRec& info, std::vector<uint8_t>& out) {
    TLock lock(Mutex);
    LastFile = WriteSong(Hdr, info, Events, out);
    return LastFile;
}

bool TSimpleRecorder::SongImage(const TSongInfoRec& info, std::vector<uint8_t>& out) const {
    TLock lock(Mutex);
    TSongHeader header = Hdr;
    return WriteSong(header, info, Events, out).Ok();
}

bool TSimpleRecorder::SaveToFile(const std::string& fileName, const TSongInfoRec& info) {
    std::vector<uint8_t> image;
    if (!BuildImage(info, image).Ok()) return false;
    errno = 0;
    if (WriteFileAtomic(fileName, image)) return true;
    TLock lock(Mutex);
    const int error = errno;
    LastFile = {TSongFileError::WriteFailed,
                "cannot write " + fileName +
                    (error != 0 ? ": " + std::string(std::strerror(error)) : "")};
    return false;
}

bool TSimpleRecorder::WriteToStream(std::ostream* stream, const TSongInfoRec& info) {
    if (!stream) {
        TLock lock(Mutex);
        LastFile = {TSongFileError::NoStream, "no stream to write to"};
        return false;
    }
    std::vector<uint8_t> image;
    if (!BuildImage(info, image).Ok()) return false;
    stream->write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
    if (*stream) return true;
    TLock lock(Mutex);
    LastFile = {TSongFileError::WriteFailed, "the stream refused the song"};
    return false;
}

TSongFileResult TSimpleRecorder::LastResult() const {
    TLock lock(Mutex);
    return LastFile;
}
