// Reading and writing .lyt song files, with the conversion of the first version.
#include "song/SongFile.h"

#include "base/BinaryIO.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <istream>
#include <memory>

namespace {

// Where the bytes of a song come from: a memory image or a stream. Read returns how
// many bytes it copied; fewer than asked means the input has ended.
class TSongInput {
public:
    virtual ~TSongInput() = default;
    virtual size_t Read(void* dst, size_t n) = 0;
};

class TSpanInput final : public TSongInput {
public:
    explicit TSpanInput(std::span<const uint8_t> bytes) : Reader(bytes) {}
    size_t Read(void* dst, size_t n) override {
        n = std::min(n, Reader.Remaining());
        Reader.ReadBytes(dst, n);
        return n;
    }

private:
    TByteReader Reader;
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

TSongFileResult ReadEvents(TSongInput& in, int32_t count, TSimpleBuffer& events) {
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

TSongFileResult ReadSongFrom(TSongInput& in, TSongHeader& header, TSimpleBuffer& events) {
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
