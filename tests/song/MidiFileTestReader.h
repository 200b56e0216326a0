// A strict reader of Standard MIDI Files for the tests: it takes a file apart the
// way a player does (chunks, variable-length delta times, running status, meta and
// system-exclusive events) and refuses anything a careful player would stumble on,
// so that a test can check what was written message by message.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

struct TSmfEvent {
    uint32_t Tick;              // absolute, from the start of its track
    std::vector<uint8_t> Bytes; // a channel message with its status; for meta: FF type data...
    bool IsMeta() const { return !Bytes.empty() && Bytes[0] == 0xFF; }
};

struct TSmfTrack {
    std::vector<TSmfEvent> Events; // the end of the track included
};

struct TSmf {
    uint16_t Format = 0;
    uint16_t Division = 0;
    std::vector<TSmfTrack> Tracks;
};

// "90 3C 46" for a channel message; meta events as "meta 51 07 A1 20".
inline std::string SmfText(const TSmfEvent& e) {
    std::string s;
    size_t from = 0;
    if (e.IsMeta() && e.Bytes.size() >= 2) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "meta %02X", e.Bytes[1]);
        s = buf;
        from = 2;
    }
    for (size_t i = from; i < e.Bytes.size(); ++i) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", e.Bytes[i]);
        if (!s.empty()) s += ' ';
        s += buf;
    }
    return s;
}

class TSmfReader {
public:
    // False with Error set when the file is not a well-formed Standard MIDI File.
    bool Read(std::span<const uint8_t> bytes, TSmf& out) {
        Data = bytes;
        Pos = 0;
        out = {};
        uint32_t length = 0;
        if (!Chunk("MThd", length)) return false;
        if (length != 6) return Fail("header chunk of " + std::to_string(length) + " bytes");
        uint16_t tracks = 0;
        if (!U16(out.Format) || !U16(tracks) || !U16(out.Division)) return false;
        if (out.Format > 2) return Fail("format " + std::to_string(out.Format));
        if (out.Format == 0 && tracks != 1) return Fail("format 0 with several tracks");
        if (out.Division == 0 || (out.Division & 0x8000)) return Fail("not a metrical division");
        for (uint16_t t = 0; t < tracks; ++t) {
            if (!Chunk("MTrk", length)) return false;
            if (length > Data.size() - Pos) return Fail("track runs past the end of the file");
            const size_t end = Pos + length;
            TSmfTrack track;
            if (!Track(end, track)) return false;
            if (Pos != end) return Fail("track chunk length does not match its events");
            out.Tracks.push_back(std::move(track));
        }
        if (Pos != Data.size()) return Fail("bytes after the last track");
        return true;
    }
    std::string Error;

private:
    bool Fail(const std::string& why) {
        Error = why + " (at byte " + std::to_string(Pos) + ")";
        return false;
    }
    bool Byte(uint8_t& b, size_t end) {
        if (Pos >= end) return Fail("event cut short");
        b = Data[Pos++];
        return true;
    }
    bool U16(uint16_t& v) {
        if (Data.size() - Pos < 2) return Fail("file cut short");
        v = static_cast<uint16_t>(Data[Pos] << 8 | Data[Pos + 1]);
        Pos += 2;
        return true;
    }
    bool Chunk(const char* id, uint32_t& length) {
        if (Data.size() - Pos < 8) return Fail(std::string("no ") + id + " chunk");
        if (std::string(reinterpret_cast<const char*>(Data.data() + Pos), 4) != id)
            return Fail(std::string("expected ") + id);
        length = uint32_t{Data[Pos + 4]} << 24 | uint32_t{Data[Pos + 5]} << 16 |
                 uint32_t{Data[Pos + 6]} << 8 | Data[Pos + 7];
        Pos += 8;
        return true;
    }
    bool VarLen(uint32_t& v, size_t end) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = 0;
            if (!Byte(b, end)) return false;
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return Fail("variable-length number of more than four bytes");
    }
    bool Track(size_t end, TSmfTrack& track) {
        uint32_t tick = 0;
        uint8_t running = 0;
        bool ended = false;
        while (Pos < end) {
            if (ended) return Fail("events after the end of the track");
            uint32_t delta = 0;
            if (!VarLen(delta, end)) return false;
            tick += delta;
            uint8_t first = 0;
            if (!Byte(first, end)) return false;
            TSmfEvent e{tick, {}};
            if (first == 0xFF) {
                uint8_t type = 0;
                uint32_t length = 0;
                if (!Byte(type, end) || !VarLen(length, end)) return false;
                if (length > end - Pos) return Fail("meta event runs past its track");
                e.Bytes = {0xFF, type};
                e.Bytes.insert(e.Bytes.end(), Data.begin() + static_cast<ptrdiff_t>(Pos),
                               Data.begin() + static_cast<ptrdiff_t>(Pos + length));
                Pos += length;
                running = 0;
                if (type == 0x2F) {
                    if (length != 0) return Fail("end of track with data");
                    ended = true;
                }
            } else if (first == 0xF0 || first == 0xF7) {
                uint32_t length = 0;
                if (!VarLen(length, end)) return false;
                if (length > end - Pos) return Fail("system-exclusive event runs past its track");
                e.Bytes = {first};
                e.Bytes.insert(e.Bytes.end(), Data.begin() + static_cast<ptrdiff_t>(Pos),
                               Data.begin() + static_cast<ptrdiff_t>(Pos + length));
                Pos += length;
                running = 0;
            } else {
                uint8_t status = first;
                if (first < 0x80) {
                    if (running == 0) return Fail("data byte without a status");
                    status = running;
                    --Pos; // the byte is the first data byte
                }
                if (status >= 0xF0) return Fail("system message inside a track");
                running = status;
                const uint8_t type = status & 0xF0;
                const int dataBytes = type == 0xC0 || type == 0xD0 ? 1 : 2;
                e.Bytes.push_back(status);
                for (int i = 0; i < dataBytes; ++i) {
                    uint8_t d = 0;
                    if (!Byte(d, end)) return false;
                    if (d & 0x80) return Fail("status byte where a data byte belongs");
                    e.Bytes.push_back(d);
                }
            }
            track.Events.push_back(std::move(e));
        }
        if (!ended) return Fail("track without an end");
        return true;
    }

    std::span<const uint8_t> Data;
    size_t Pos = 0;
};

// The channel messages of a track as "time: bytes" lines, meta events left out.
inline std::vector<std::string> SmfChannelLines(const TSmfTrack& track) {
    std::vector<std::string> out;
    for (const TSmfEvent& e : track.Events)
        if (!e.IsMeta()) out.push_back(std::to_string(e.Tick) + ": " + SmfText(e));
    return out;
}
