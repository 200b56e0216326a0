// RIFF chunk trees: the container of DLS collections and SoundFont banks. The reader
// maps a byte span into a tree of chunks that point into it (nothing is copied); the
// writer builds nested chunks into a byte vector and patches their sizes in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A four-character code as it is stored: RiffId("wsmp") reads "wsmp" in the file.
constexpr uint32_t RiffId(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}
// The code quoted for messages: 'wsmp'; bytes outside printable ASCII as \xNN.
std::string RiffIdText(uint32_t id);

constexpr uint32_t RiffIdRiff = RiffId("RIFF");
constexpr uint32_t RiffIdList = RiffId("LIST");

struct TRiffChunk {
    uint32_t Id = 0;       // 'RIFF', 'LIST' or the id of a data chunk
    uint32_t ListType = 0; // form or list type of a 'RIFF' or 'LIST' chunk; 0 otherwise
    size_t Offset = 0;     // where the chunk's 8-byte header starts in the parsed bytes
    // A data chunk: its bytes (without the pad byte). A list: the bytes after its type.
    std::span<const uint8_t> Data;
    std::vector<TRiffChunk> Children; // of a list, in file order

    bool IsList() const { return Id == RiffIdRiff || Id == RiffIdList; }
    bool IsList(uint32_t type) const { return IsList() && ListType == type; }
    // Offset of the first byte of Data in the parsed bytes.
    size_t DataOffset() const { return Offset + (IsList() ? 12 : 8); }

    // The first child data chunk with this id, or nullptr.
    const TRiffChunk* Find(uint32_t id) const;
    // The first child list ('LIST' or 'RIFF') of this type, or nullptr.
    const TRiffChunk* FindList(uint32_t type) const;
    // How many child data chunks carry this id / how many child lists have this type.
    size_t Count(uint32_t id) const;
    size_t CountLists(uint32_t type) const;
};

struct TRiffLimits {
    size_t MaxDepth = 16;        // lists inside lists, the outer 'RIFF' counting as 1
    size_t MaxChunks = 1u << 20; // chunks in the whole tree, lists included
};

struct TRiffParseResult {
    bool Ok = false;
    std::string Message; // for people: "chunk 'wsmp' at 88 declares 40 bytes, ..."; "" when Ok
};

// Parses the 'RIFF' chunk at the start of bytes into root (replaced only on success).
// Strict about bounds: a chunk whose size runs past its list, a list too short for its
// type, bytes left at the end of a list that cannot hold a chunk header, lists nested
// deeper than limits.MaxDepth and more than limits.MaxChunks chunks are errors. Lenient
// where writers commonly are sloppy: the pad byte after an odd-sized chunk may be
// missing, when that chunk ends its list or when the next chunk's header makes sense
// only without the pad (a printable code and a size that fits; the padded reading wins
// when both do), and bytes after the 'RIFF' chunk are ignored.
// Only 'RIFF' and 'LIST' are treated as lists. Work and memory are bounded by the
// input: every chunk advances at least 8 bytes and the tree holds at most MaxChunks.
TRiffParseResult ParseRiff(std::span<const uint8_t> bytes, TRiffChunk& root,
                           const TRiffLimits& limits = {});

// Builds a RIFF image: Begin a list, add chunks, End it; sizes are written on End.
//   TRiffWriter w(out);
//   w.BeginRiff(RiffId("DLS "));
//   w.Chunk(RiffId("colh"), colhBytes);
//   w.BeginList(RiffId("lins")); ... w.End();
//   w.End();
//   if (!w.Finish()) ... // a size did not fit 32 bits, or a Begin was left open
// A data chunk may also be written piecewise: BeginChunk(id), append through
// Out() / Append*(), End(). Odd-sized chunks get their pad byte on End.
class TRiffWriter {
public:
    explicit TRiffWriter(std::vector<uint8_t>& out) : Buf(out) {}

    void BeginRiff(uint32_t formType) { BeginContainer(RiffIdRiff, formType); }
    void BeginList(uint32_t listType) { BeginContainer(RiffIdList, listType); }
    void BeginChunk(uint32_t id);
    // Closes the innermost open list or chunk.
    void End();
    // A whole data chunk at once.
    void Chunk(uint32_t id, std::span<const uint8_t> data);

    void Append(std::span<const uint8_t> data) { Buf.insert(Buf.end(), data.begin(), data.end()); }
    void AppendU16(uint16_t v);
    void AppendU32(uint32_t v);
    std::vector<uint8_t>& Out() { return Buf; }

    // Bytes written so far; with PatchU32 lets a caller fill in a field whose value
    // is known only later (a table of offsets to chunks that follow it).
    size_t Size() const { return Buf.size(); }
    void PatchU32(size_t pos, uint32_t v);

    // True when every Begin was ended and every size fitted 32 bits.
    bool Finish() const { return Good && Open.empty(); }

private:
    void BeginContainer(uint32_t id, uint32_t type);

    std::vector<uint8_t>& Buf;
    std::vector<size_t> Open; // header positions of the open lists and chunks
    bool Good = true;
};
