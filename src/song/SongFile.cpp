// Reading and writing .lyt song files, with the conversion of the first version.
#include "song/SongFile.h"

#include "base/BinaryIO.h"
#include "base/MappedFile.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <istream>
#include <memory>
#include <vector>

namespace {

// Where the bytes of a song come from: a memory image or a stream. Read returns how
// many bytes it copied; fewer than asked means the input has ended.
class TSongInput {
public:
    virtual ~TSongInput() = default;
    virtual size_t Read(void* dst, size_t n) = 0;
    // At most how many bytes are still to come (SIZE_MAX when unknown): room for the
    // events is made from it, never from a count the file claims.
    virtual size_t Available() const { return SIZE_MAX; }
};

class TSpanInput final : public TSongInput {
public:
    explicit TSpanInput(std::span<const uint8_t> bytes) : Reader(bytes) {}
    size_t Read(void* dst, size_t n) override {
        n = std::min(n, Reader.Remaining());
        Reader.ReadBytes(dst, n);
        return n;
    }
    size_t Available() const override { return Reader.Remaining(); }

private:
    TByteReader Reader;
};

// A file read in blocks from where the last read ended, never more than `limit`
// bytes in all: the trailing bytes a song never uses are not read.
class TFileInput final : public TSongInput {
public:
    TFileInput(const TReadOnlyFile& file, uint64_t limit)
        : File(file), Limit(std::min(limit, file.Size())), Block(64 * 1024) {}
    size_t Read(void* dst, size_t n) override {
        auto* out = static_cast<uint8_t*>(dst);
        size_t got = 0;
        while (got < n) {
            if (At == Filled && !Refill()) break;
            const size_t take = std::min(n - got, Filled - At);
            std::memcpy(out + got, Block.data() + At, take);
            At += take;
            got += take;
        }
        return got;
    }
    size_t Available() const override {
        return static_cast<size_t>(Limit - Offset) + (Filled - At);
    }
    // The limit lowered to what the header says the song can use.
    void LimitTo(uint64_t consumedSoFar, uint64_t more) {
        const uint64_t end =
            consumedSoFar + more < consumedSoFar ? UINT64_MAX : consumedSoFar + more;
        Limit = std::max(Offset, std::min(Limit, end));
    }

private:
    bool Refill() {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(Block.size(), Limit - Offset));
        if (want == 0 || !File.ReadAt(Offset, {Block.data(), want})) return false;
        Offset += want;
        At = 0;
        Filled = want;
        return true;
    }

    const TReadOnlyFile& File;
    uint64_t Limit;
    uint64_t Offset = 0; // of the file, after the block
    std::vector<uint8_t> Block;
    size_t At = 0, Filled = 0;
};

class TStreamInput final : public TSongInput {
public:
    explicit TStreamInput(std::istream& in) : In(in) {}
    size_t Read(void* dst, size_t n) override {
        size_t got = 0;
        while (got < n && In) {
            In.read(static_cast<char*>(dst) + got, static_cast<std::streamsize>(n - got));
            got += static_cast<size_t>(In.gcount());
        }
        return got;
    }

private:
    std::istream& In;
};

// The bytes read ahead with the header, then the rest of the input: a version-1
// file is shorter than the version-4 header, so its first events arrive in the
// header's read.
class TPrefixedInput final : public TSongInput {
public:
    TPrefixedInput(std::span<const uint8_t> prefix, TSongInput& rest)
        : Prefix(prefix), Rest(rest) {}
    size_t Read(void* dst, size_t n) override {
        size_t got = Prefix.Read(dst, n);
        if (got < n) got += Rest.Read(static_cast<uint8_t*>(dst) + got, n - got);
        return got;
    }
    size_t Available() const override {
        const size_t rest = Rest.Available();
        return rest == SIZE_MAX ? rest : rest + Prefix.Available();
    }

private:
    TSpanInput Prefix;
    TSongInput& Rest;
};

TSongFileResult Fail(TSongFileError error, std::string message) {
    return {error, std::move(message)};
}

TSongFileResult ShortEventsResult(size_t read, int32_t count) {
    return Fail(TSongFileError::ShortEvents, "file ends after " + std::to_string(read) + " of " +
                                                 std::to_string(count) + " events");
}

// Room for the events the input can still hold, at most the count.
void ReserveEvents(const TSongInput& in, int32_t count, size_t eventBytes, TSimpleBuffer& events) {
    const size_t available = in.Available();
    if (available == SIZE_MAX) return;
    events.Reserve(std::min(static_cast<size_t>(count), available / eventBytes));
}

TSongFileResult ReadEvents(TSongInput& in, int32_t count, TSimpleBuffer& events) {
    ReserveEvents(in, count, sizeof(TSongEvent), events);
    for (int32_t i = 0; i < count; ++i) {
        uint8_t raw[sizeof(TSongEvent)];
        if (in.Read(raw, sizeof raw) < sizeof raw) return ShortEventsResult(events.Count(), count);
        TByteReader r(raw);
        TSongEvent ev;
        r.ReadRecord(ev);
        if (ev.Kind != evKeyTable) {
            events.Add(ev);
            continue;
        }
        auto table = std::make_unique<TKeyDefSet>();
        if (in.Read(table.get(), sizeof(TKeyDefSet)) < sizeof(TKeyDefSet))
            return Fail(TSongFileError::ShortKeyTable,
                        "key table of event " + std::to_string(i) + " is cut short");
        ev.Value = 0; // the stored value is meaningless; the image is what counts
        events.Add(ev, std::move(table));
    }
    return {};
}

TSongFileResult ReadV1Events(TSongInput& in, int32_t count, TSimpleBuffer& events) {
    ReserveEvents(in, count, SongV1EventSize, events);
    for (int32_t i = 0; i < count; ++i) {
        uint8_t raw[SongV1EventSize];
        if (in.Read(raw, sizeof raw) < sizeof raw) return ShortEventsResult(events.Count(), count);
        TByteReader r(raw);
        TSongEvent ev;
        ev.Time = r.ReadU32();
        const uint8_t skip = r.ReadU8();
        const uint8_t code = r.ReadU8();
        const uint8_t down = r.ReadU8();
        // Code 63 (F5) was a command key of the first version, never a note.
        ev.Skip = (skip != 0 || code == 63) ? -1 : 0;
        ev.Kind = down ? evKeyDown : evKeyUp;
        ev.Value = code;
        events.Add(ev);
    }
    return {};
}

// The version-4 header of a version-1 file: its information and the first five
// snapshot words; the voices, the key layout and the rest take the defaults.
TSongHeader ConvertV1Header(std::span<const uint8_t, SongV1HeaderSize> old) {
    TSongHeader header = NewSongHeader();
    TByteReader r(old);
    r.ReadBytes(header.Magic, sizeof header.Magic);
    r.Skip(4); // version
    r.ReadRecord(header.Info);
    r.Skip(1);
    TPerformSnapshot& snap = header.Snapshot;
    snap.Transpose = r.ReadI32();
    snap.RightVolume = r.ReadI32();
    snap.LeftVolume = r.ReadI32();
    snap.RightOctave = r.ReadI32();
    snap.LeftOctave = r.ReadI32();
    snap.RightVoice = DefaultSongVoice;
    snap.LeftVoice = DefaultSongVoice;
    snap.SmartSemitone = 0;
    r.Skip(15);
    header.EventCount = r.ReadI32();
    return header;
}

// The most bytes after the header that `count` events can use: every one a key
// table, or the 8 bytes of each first-version event.
uint64_t MostEventBytes(int32_t version, int32_t count) {
    if (count <= 0) return 0;
    const uint64_t each = version == 1 ? SongV1EventSize : sizeof(TSongEvent) + sizeof(TKeyDefSet);
    return uint64_t(count) * each;
}

TSongFileResult ReadSongFrom(TSongInput& in, TSongHeader& header, TSimpleBuffer& events,
                             TFileInput* file = nullptr) {
    std::array<uint8_t, sizeof(TSongHeader)> head;
    const size_t got = in.Read(head.data(), head.size());
    std::memcpy(&header, head.data(), got);

    if (std::memcmp(head.data(), SongFileMagic, std::min(got, sizeof SongFileMagic)) != 0)
        return Fail(TSongFileError::BadMagic, "not a song file (wrong magic)");
    const auto shortHeader = [got](size_t want) {
        return Fail(TSongFileError::ShortHeader, "file ends inside the header (" +
                                                     std::to_string(got) + " of " +
                                                     std::to_string(want) + " bytes)");
    };
    if (got < offsetof(TSongHeader, Info)) return shortHeader(sizeof(TSongHeader));
    const int32_t version = header.Version;
    if (version <= 0)
        return Fail(TSongFileError::BadVersion,
                    "version " + std::to_string(version) + " is not supported");

    if (version == 1) {
        if (got < SongV1HeaderSize) return shortHeader(SongV1HeaderSize);
        header = ConvertV1Header(std::span(head).first<SongV1HeaderSize>());
        if (file) file->LimitTo(SongV1HeaderSize, MostEventBytes(1, header.EventCount));
        events.Clear();
        const std::span<const uint8_t> ahead(head.data() + SongV1HeaderSize,
                                             got - SongV1HeaderSize);
        TPrefixedInput rest(ahead, in);
        TSongFileResult result = header.EventCount < 0
                                     ? Fail(TSongFileError::BadEventCount, "negative event count")
                                     : ReadV1Events(rest, header.EventCount, events);
        header.Version = 1; // so that the owner knows to warn about an old file
        return result;
    }

    // Versions 2 and 3 share the layout of the current version.
    if (got < sizeof(TSongHeader)) return shortHeader(sizeof(TSongHeader));
    if (file) file->LimitTo(sizeof(TSongHeader), MostEventBytes(version, header.EventCount));
    events.Clear();
    if (header.EventCount < 0)
        return Fail(TSongFileError::BadEventCount,
                    "negative event count " + std::to_string(header.EventCount));
    return ReadEvents(in, header.EventCount, events);
}

} // namespace

TSongFileResult ReadSong(std::span<const uint8_t> bytes, TSongHeader& header,
                         TSimpleBuffer& events) {
    TSpanInput in(bytes);
    return ReadSongFrom(in, header, events);
}

TSongFileResult ReadSong(std::istream& in, TSongHeader& header, TSimpleBuffer& events) {
    TStreamInput input(in);
    return ReadSongFrom(input, header, events);
}

TSongFileResult ReadSongFile(const std::string& path, TSongHeader& header, TSimpleBuffer& events) {
    TReadOnlyFile file;
    switch (file.Open(path)) {
    case TFileOpenResult::Ok:
        break;
    case TFileOpenResult::Missing:
        return Fail(TSongFileError::Missing, "no such file: " + path);
    default:
        return Fail(TSongFileError::Unreadable, "cannot read " + path);
    }
    if (file.Size() > MaxSongFileSize)
        return Fail(TSongFileError::TooLarge,
                    "file is larger than " + std::to_string(MaxSongFileSize >> 20) + " MiB");
    TFileInput input(file, file.Size());
    return ReadSongFrom(input, header, events, &input);
}

TSongFileResult WriteSong(TSongHeader& header, const TSongInfoRec& info,
                          const TSimpleBuffer& events, std::vector<uint8_t>& out) {
    if (events.Count() > static_cast<size_t>(INT32_MAX))
        return Fail(TSongFileError::WriteFailed, "too many events for one file");
    std::memcpy(header.Magic, SongFileMagic, sizeof header.Magic);
    header.Version = SongFileVersion;
    header.Info = CleanSongInfo(info);
    header.EventCount = static_cast<int32_t>(events.Count());

    TByteWriter w(out);
    w.WriteRecord(header);
    for (const TSongEventEntry& entry : events) {
        TSongEvent ev = entry.Event;
        if (entry.KeyTable) ev.Value = 0;
        w.WriteRecord(ev);
        if (entry.KeyTable) w.WriteRecord(*entry.KeyTable);
    }
    return {};
}
