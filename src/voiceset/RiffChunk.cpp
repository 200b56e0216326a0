// Parsing and building RIFF chunk trees.
#include "voiceset/RiffChunk.h"

#include <cstring>
#include <string_view>

std::string RiffIdText(uint32_t id) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string s = "'";
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<uint8_t>(id >> (8 * i));
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            s += static_cast<char>(c);
        } else {
            s += "\\x";
            s += Hex[c >> 4];
            s += Hex[c & 15];
        }
    }
    return s + "'";
}

const TRiffChunk* TRiffChunk::Find(uint32_t id) const {
    for (const auto& c : Children)
        if (!c.IsList() && c.Id == id) return &c;
    return nullptr;
}

const TRiffChunk* TRiffChunk::FindList(uint32_t type) const {
    for (const auto& c : Children)
        if (c.IsList(type)) return &c;
    return nullptr;
}

size_t TRiffChunk::Count(uint32_t id) const {
    size_t n = 0;
    for (const auto& c : Children)
        n += !c.IsList() && c.Id == id;
    return n;
}

size_t TRiffChunk::CountLists(uint32_t type) const {
    size_t n = 0;
    for (const auto& c : Children)
        n += c.IsList(type);
    return n;
}

namespace {

uint32_t U32At(std::span<const uint8_t> b, size_t pos) {
    uint32_t v;
    std::memcpy(&v, b.data() + pos, 4);
    return v;
}

class TRiffParser {
public:
    TRiffParser(std::span<const uint8_t> all, const TRiffLimits& limits)
        : All(all), Limits(limits) {}

    // Reads the chunk whose header is at pos; the chunk must end by `end` (the end of
    // its parent's data). On success the chunk's padded end is in next.
    bool ParseChunk(size_t pos, size_t end, size_t depth, std::string_view parent, TRiffChunk& out,
                    size_t& next) {
        if (++ChunkCount > Limits.MaxChunks)
            return Fail("more than " + std::to_string(Limits.MaxChunks) + " chunks");
        out.Offset = pos;
        out.Id = U32At(All, pos);
        const uint32_t size = U32At(All, pos + 4);
        const size_t room = end - pos - 8;
        if (size > room)
            return Fail("chunk " + RiffIdText(out.Id) + " at " + std::to_string(pos) +
                        " declares " + std::to_string(size) + " bytes, but " + std::string(parent) +
                        " has " + std::to_string(room) + " left");
        const size_t dataEnd = pos + 8 + size;
        next = NextChunkAt(dataEnd, size, end);
        if (!out.IsList()) {
            out.Data = All.subspan(pos + 8, size);
            return true;
        }
        if (size < 4)
            return Fail("list at " + std::to_string(pos) + " holds " + std::to_string(size) +
                        " bytes, too few for its type");
        out.ListType = U32At(All, pos + 8);
        out.Data = All.subspan(pos + 12, size - 4);
        if (depth + 1 > Limits.MaxDepth)
            return Fail("lists nested deeper than " + std::to_string(Limits.MaxDepth) + " at " +
                        std::to_string(pos));
        const std::string name = "list " + RiffIdText(out.ListType);
        size_t at = pos + 12;
        while (at < dataEnd) {
            if (dataEnd - at < 8)
                return Fail(name + " ends with " + std::to_string(dataEnd - at) +
                            " bytes that are not a chunk");
            TRiffChunk child;
            size_t childNext = 0;
            if (!ParseChunk(at, dataEnd, depth + 1, name, child, childNext)) return false;
            out.Children.push_back(std::move(child));
            at = childNext;
        }
        return true;
    }

    std::string Message;

private:
    // Where the chunk after one of `size` bytes ending at dataEnd starts. An odd-sized
    // chunk is followed by a pad byte, but writers often leave it out: the pad is
    // taken as missing when the list (or the file) ends right after the data, and
    // when only the reading without it finds a chunk header that makes sense there.
    // Otherwise the padded place stands and the parent reports what it finds.
    size_t NextChunkAt(size_t dataEnd, uint32_t size, size_t end) const {
        if (!(size & 1) || dataEnd == end) return dataEnd;
        const size_t padded = dataEnd + 1;
        if (padded == end || PlausibleHeader(padded, end) || !PlausibleHeader(dataEnd, end))
            return padded;
        return dataEnd;
    }

    // A chunk header that makes sense at pos: a four-character code of printable
    // ASCII (not starting with a blank) and a size that fits the room left.
    bool PlausibleHeader(size_t pos, size_t end) const {
        if (end - pos < 8) return false;
        for (size_t i = 0; i < 4; ++i) {
            const uint8_t c = All[pos + i];
            if (c < 0x20 || c > 0x7E || (i == 0 && c == ' ')) return false;
        }
        return U32At(All, pos + 4) <= end - pos - 8;
    }

    bool Fail(std::string msg) {
        Message = std::move(msg);
        return false;
    }

    std::span<const uint8_t> All;
    const TRiffLimits& Limits;
    size_t ChunkCount = 0;
};

} // namespace

TRiffParseResult ParseRiff(std::span<const uint8_t> bytes, TRiffChunk& root,
                           const TRiffLimits& limits) {
    if (bytes.size() < 12 || U32At(bytes, 0) != RiffIdRiff) return {false, "not a RIFF file"};
    TRiffParser parser(bytes, limits);
    TRiffChunk tree;
    size_t next = 0;
    if (!parser.ParseChunk(0, bytes.size(), 0, "the file", tree, next))
        return {false, parser.Message};
    root = std::move(tree);
    return {true, {}};
}

void TRiffWriter::BeginContainer(uint32_t id, uint32_t type) {
    BeginChunk(id);
    AppendU32(type);
}

void TRiffWriter::BeginChunk(uint32_t id) {
    Open.push_back(Buf.size());
    AppendU32(id);
    AppendU32(0);
}

void TRiffWriter::End() {
    if (Open.empty()) {
        Good = false;
        return;
    }
    const size_t start = Open.back();
    Open.pop_back();
    const size_t size = Buf.size() - start - 8;
    if (size > UINT32_MAX) Good = false;
    PatchU32(start + 4, static_cast<uint32_t>(size));
    if (size & 1) Buf.push_back(0);
}

void TRiffWriter::Chunk(uint32_t id, std::span<const uint8_t> data) {
    BeginChunk(id);
    Append(data);
    End();
}

void TRiffWriter::AppendU16(uint16_t v) {
    uint8_t b[2];
    std::memcpy(b, &v, 2);
    Buf.insert(Buf.end(), b, b + 2);
}

void TRiffWriter::AppendU32(uint32_t v) {
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    Buf.insert(Buf.end(), b, b + 4);
}

void TRiffWriter::PatchU32(size_t pos, uint32_t v) {
    if (pos > Buf.size() || Buf.size() - pos < 4) {
        Good = false;
        return;
    }
    std::memcpy(Buf.data() + pos, &v, 4);
}
