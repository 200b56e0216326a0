// Hand-laid RIFF and DLS bytes for the tests, built without the program's RIFF
// writer, so that the reader is checked against the file layout itself.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

inline TBytes Cat(std::initializer_list<TBytes> parts) {
    TBytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline TBytes U16(uint16_t v) {
    return {uint8_t(v), uint8_t(v >> 8)};
}
inline TBytes U32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
inline TBytes Id(const char* fourcc) {
    return TBytes(fourcc, fourcc + 4);
}

// A chunk with its true size, or with `size` written in its place; padded when odd.
inline TBytes Chunk(const char* id, const TBytes& data, int64_t size = -1) {
    TBytes out = Cat({Id(id), U32(size < 0 ? uint32_t(data.size()) : uint32_t(size)), data});
    if (data.size() & 1) out.push_back(0);
    return out;
}
inline TBytes List(const char* type, std::initializer_list<TBytes> children) {
    return Chunk("LIST", Cat({Id(type), Cat(children)}));
}
inline TBytes Riff(const char* form, std::initializer_list<TBytes> children) {
    return Chunk("RIFF", Cat({Id(form), Cat(children)}));
}
inline TBytes Text(const char* id, const std::string& s) {
    TBytes data(s.begin(), s.end());
    data.push_back(0);
    return Chunk(id, data);
}

inline uint32_t U32At(const TBytes& b, size_t pos) {
    uint32_t v;
    std::memcpy(&v, b.data() + pos, 4);
    return v;
}
inline void PutU32(TBytes& b, size_t pos, uint32_t v) {
    std::memcpy(b.data() + pos, &v, 4);
}
// Where `fourcc` first occurs at or after `from` (npos when it does not).
inline size_t FindId(const TBytes& b, const char* fourcc, size_t from = 0) {
    for (size_t i = from; i + 4 <= b.size(); ++i)
        if (std::memcmp(b.data() + i, fourcc, 4) == 0) return i;
    return std::string::npos;
}

// DLS records, field by field.
inline TBytes Insh(uint32_t regions, uint32_t bank, uint32_t program) {
    return Chunk("insh", Cat({U32(regions), U32(bank), U32(program)}));
}
inline TBytes Rgnh(uint16_t keyLo, uint16_t keyHi, uint16_t velLo, uint16_t velHi,
                   uint16_t options = 0, uint16_t keyGroup = 0) {
    return Chunk(
        "rgnh", Cat({U16(keyLo), U16(keyHi), U16(velLo), U16(velHi), U16(options), U16(keyGroup)}));
}
inline TBytes Wlnk(uint32_t tableIndex, uint16_t options = 0, uint16_t phaseGroup = 0,
                   uint32_t channel = 1) {
    return Chunk("wlnk", Cat({U16(options), U16(phaseGroup), U32(channel), U32(tableIndex)}));
}
// One forward loop when loopLength > 0.
inline TBytes Wsmp(uint16_t unity, int16_t fine, int32_t gain, uint32_t loopStart = 0,
                   uint32_t loopLength = 0) {
    TBytes head = Cat({U32(20), U16(unity), U16(uint16_t(fine)), U32(uint32_t(gain)), U32(0),
                       U32(loopLength ? 1 : 0)});
    if (loopLength) head = Cat({head, U32(16), U32(0), U32(loopStart), U32(loopLength)});
    return Chunk("wsmp", head);
}
inline TBytes Connection(uint16_t src, uint16_t ctl, uint16_t dst, uint16_t trn, int32_t scale) {
    return Cat({U16(src), U16(ctl), U16(dst), U16(trn), U32(uint32_t(scale))});
}
inline TBytes Art(const char* id, std::initializer_list<TBytes> connections) {
    return Chunk(id, Cat({U32(8), U32(uint32_t(connections.size())), Cat(connections)}));
}
inline TBytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = uint16_t(channels * ((bits + 7) / 8));
    return Chunk("fmt ", Cat({U16(tag), U16(channels), U32(rate), U32(rate * align), U16(align),
                              U16(bits)}));
}
