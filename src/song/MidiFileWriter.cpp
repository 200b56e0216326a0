// Standard MIDI File writing: header chunk, one track of delta-timed channel
// messages between a tempo and the end of the track. MIDI files are big-endian.
#include "song/MidiFileWriter.h"

#include <algorithm>
#include <numeric>

namespace {

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

// A variable-length quantity: seven bits a byte, most significant first, bit 7 set
// on every byte but the last. Values up to MidiFileMaxDelta take at most four bytes.
void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t bytes[4];
    int n = 0;
    do {
        bytes[n++] = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0 && n < 4);
    while (n > 1)
        out.push_back(static_cast<uint8_t>(bytes[--n] | 0x80));
    out.push_back(bytes[0]);
}

void PutMeta(std::vector<uint8_t>& track, uint32_t delta, uint8_t type,
             std::span<const uint8_t> data) {
    PutVarLen(track, delta);
    track.push_back(0xFF);
    track.push_back(type);
    PutVarLen(track, static_cast<uint32_t>(data.size()));
    track.insert(track.end(), data.begin(), data.end());
}

} // namespace

size_t MidiChannelMessageLength(uint8_t status, uint8_t data1, uint8_t data2) {
    if (status < 0x80 || status >= 0xF0) return 0;
    const uint8_t type = status & 0xF0;
    const bool oneDataByte = type == 0xC0 || type == 0xD0;
    // The second data byte of a two-byte message is not sent, so only the bytes that
    // go into the file must be data bytes.
    if ((data1 & 0x80) || (!oneDataByte && (data2 & 0x80))) return 0;
    return oneDataByte ? 2 : 3;
}

TMidiFileResult BuildMidiFile(std::span<const TMidiFileMessage> messages,
                              const TMidiFileOptions& options, std::vector<uint8_t>& out) {
    TMidiFileResult result;
    std::vector<size_t> order(messages.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return messages[a].TimeMs < messages[b].TimeMs; });

    std::vector<uint8_t> track;
    if (!options.TrackName.empty()) {
        const auto* name = reinterpret_cast<const uint8_t*>(options.TrackName.data());
        PutMeta(track, 0, 0x03, {name, options.TrackName.size()});
    }
    const uint8_t tempo[3] = {static_cast<uint8_t>(MidiFileTempo >> 16),
                              static_cast<uint8_t>(MidiFileTempo >> 8),
                              static_cast<uint8_t>(MidiFileTempo)};
    PutMeta(track, 0, 0x51, tempo);

    uint32_t now = 0; // ticks are milliseconds
    const auto delta = [&](uint32_t time, uint32_t& d) {
        d = time - now;
        if (d > MidiFileMaxDelta) {
            result.Message = "the " + std::to_string(d) + " ms between " + std::to_string(now) +
                             " ms and " + std::to_string(time) +
                             " ms are more than a MIDI file's delta time holds (" +
                             std::to_string(MidiFileMaxDelta) + " ms)";
            return false;
        }
        now = time;
        return true;
    };
    for (size_t i : order) {
        const TMidiFileMessage& m = messages[i];
        const size_t length = MidiChannelMessageLength(m.Status, m.Data1, m.Data2);
        if (length == 0) {
            ++result.Dropped;
            continue;
        }
        uint32_t d;
        if (!delta(m.TimeMs, d)) return result;
        PutVarLen(track, d);
        // Every message carries its status: no running status, which some readers
        // get wrong after meta events.
        track.push_back(m.Status);
        track.push_back(m.Data1);
        if (length == 3) track.push_back(m.Data2);
    }
    uint32_t endDelta = 0;
    if (!delta(std::max(now, options.EndMs), endDelta)) return result;
    PutMeta(track, endDelta, 0x2F, {});

    if (track.size() > UINT32_MAX) {
        result.Message = "the track is larger than a MIDI file's chunk holds";
        return result;
    }
    out.reserve(out.size() + 22 + track.size());
    out.insert(out.end(), {'M', 'T', 'h', 'd'});
    PutU32(out, 6);
    PutU16(out, 0); // format 0: one track with every channel
    PutU16(out, 1);
    PutU16(out, MidiFileDivision);
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    PutU32(out, static_cast<uint32_t>(track.size()));
    out.insert(out.end(), track.begin(), track.end());
    result.Ok = true;
    return result;
}
