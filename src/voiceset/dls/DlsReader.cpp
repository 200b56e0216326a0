// DLS collection reader: the RIFF tree first (bounds), then the chunks the model
// holds (records, counts), then the links between them (wave links, pool cues).
#include "voiceset/dls/DlsReader.h"

#include "base/FileUtil.h"
#include "voiceset/dls/DlsRecords.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Thrown inside the reader only; ReadDls turns it into its result.
struct TBadDls {
    std::string Message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw TBadDls{where.empty() ? what : where + ": " + what};
}

std::string Num(size_t n) {
    return std::to_string(n);
}

template <typename T> T RecordAt(std::span<const uint8_t> bytes, size_t pos) {
    T rec;
    std::memcpy(&rec, bytes.data() + pos, sizeof(T));
    return rec;
}

// The record at the start of a chunk that must hold at least `need` bytes.
template <typename T>
T HeadRecord(const TRiffChunk& chunk, const std::string& where, size_t need = sizeof(T)) {
    if (chunk.Data.size() < need)
        Fail(where, RiffIdText(chunk.Id) + " holds " + Num(chunk.Data.size()) + " bytes, needs " +
                        Num(need));
    return RecordAt<T>(chunk.Data, 0);
}

// The single data chunk `id` of a list: nullptr when absent (an error if required),
// an error when repeated.
const TRiffChunk* OneChunk(const TRiffChunk& list, uint32_t id, const std::string& where,
                           bool required) {
    const size_t n = list.Count(id);
    if (n > 1) Fail(where, RiffIdText(id) + " appears " + Num(n) + " times");
    if (n == 0 && required) Fail(where, "no " + RiffIdText(id) + " chunk");
    return list.Find(id);
}

const TRiffChunk* OneList(const TRiffChunk& list, uint32_t type, const std::string& where,
                          bool required) {
    const size_t n = list.CountLists(type);
    if (n > 1) Fail(where, "list " + RiffIdText(type) + " appears " + Num(n) + " times");
    if (n == 0 && required) Fail(where, "no " + RiffIdText(type) + " list");
    return list.FindList(type);
}

std::string TextOf(std::span<const uint8_t> bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
    return std::string(bytes.begin(), end);
}

// The first 'INAM' of the INFO lists of `list` is the name; the rest are kept in order.
void ReadInfo(const TRiffChunk& list, std::string& name, std::vector<TDlsInfoItem>& info) {
    bool named = false;
    for (const auto& l : list.Children) {
        if (!l.IsList(DlsId::Info)) continue;
        for (const auto& c : l.Children) {
            if (c.IsList()) continue;
            if (c.Id == DlsId::Inam && !named) {
                name = TextOf(c.Data);
                named = true;
            } else {
                info.push_back({c.Id, TextOf(c.Data)});
            }
        }
    }
}

// Where the entries of an 'art1'/'art2'/'ptbl' table start and how many there are,
// checked against the bytes present before anything is allocated for them.
TDlsTableRec TableHead(const TRiffChunk& chunk, size_t entrySize, const char* entries,
                       const std::string& where) {
    const auto head = HeadRecord<TDlsTableRec>(chunk, where);
    const size_t size = chunk.Data.size();
    if (head.Size < sizeof(TDlsTableRec) || head.Size > size)
        Fail(where, RiffIdText(chunk.Id) + " gives its header size as " + Num(head.Size) +
                        " in a chunk of " + Num(size) + " bytes");
    const size_t room = (size - head.Size) / entrySize;
    if (head.Count > room)
        Fail(where, RiffIdText(chunk.Id) + " declares " + Num(head.Count) + " " + entries +
                        " but holds room for " + Num(room));
    return head;
}

TDlsArticulation ReadArticulation(const TRiffChunk& chunk, TDlsLevel level,
                                  const std::string& where) {
    const auto head = TableHead(chunk, sizeof(TDlsConnectionRec), "connections", where);
    TDlsArticulation art;
    art.Level = level;
    art.Connections.reserve(head.Count);
    for (size_t i = 0; i < head.Count; ++i) {
        const auto rec =
            RecordAt<TDlsConnectionRec>(chunk.Data, head.Size + i * sizeof(TDlsConnectionRec));
        art.Connections.push_back(
            {rec.Source, rec.Control, rec.Destination, rec.Transform, rec.Scale});
    }
    return art;
}

// Every 'art1' and 'art2' of the 'lart' and 'lar2' lists of `list`, in file order.
std::vector<TDlsArticulation> ReadArticulations(const TRiffChunk& list, const std::string& where) {
    std::vector<TDlsArticulation> arts;
    for (const auto& l : list.Children) {
        if (!l.IsList(DlsId::Lart) && !l.IsList(DlsId::Lar2)) continue;
        for (const auto& c : l.Children) {
            if (c.IsList()) continue;
            if (c.Id == DlsId::Art1) arts.push_back(ReadArticulation(c, TDlsLevel::Level1, where));
            if (c.Id == DlsId::Art2) arts.push_back(ReadArticulation(c, TDlsLevel::Level2, where));
        }
    }
    return arts;
}

TDlsSample ReadSample(const TRiffChunk& chunk, const std::string& where) {
    const auto head = HeadRecord<TDlsWsmpRec>(chunk, where);
    const size_t size = chunk.Data.size();
    if (head.Size < sizeof(TDlsWsmpRec) || head.Size > size)
        Fail(where, "'wsmp' gives its header size as " + Num(head.Size) + " in a chunk of " +
                        Num(size) + " bytes");
    const size_t room = (size - head.Size) / sizeof(TDlsLoopRec);
    if (head.Loops > room)
        Fail(where,
             "'wsmp' declares " + Num(head.Loops) + " loops but holds room for " + Num(room));
    TDlsSample s;
    s.UnityNote = head.UnityNote;
    s.FineTune = head.FineTune;
    s.Gain = head.Gain;
    s.Options = head.Options;
    s.Loops.reserve(head.Loops);
    size_t pos = head.Size;
    for (size_t i = 0; i < head.Loops; ++i) {
        if (size - pos < sizeof(TDlsLoopRec))
            Fail(where, "'wsmp' loop " + Num(i) + " runs past the chunk");
        const auto loop = RecordAt<TDlsLoopRec>(chunk.Data, pos);
        if (loop.Size < sizeof(TDlsLoopRec) || loop.Size > size - pos)
            Fail(where, "'wsmp' loop " + Num(i) + " gives its size as " + Num(loop.Size));
        s.Loops.push_back({loop.Type, loop.Start, loop.Length});
        pos += loop.Size;
    }
    return s;
}

TDlsRegion ReadRegion(const TRiffChunk& list, const std::string& where) {
    TDlsRegion r;
    const auto& rgnh = *OneChunk(list, DlsId::Rgnh, where, true);
    const auto head = HeadRecord<TDlsRgnhRec>(rgnh, where);
    r.Keys = {head.KeyLow, head.KeyHigh};
    r.Velocities = {head.VelLow, head.VelHigh};
    r.Options = head.Options;
    r.KeyGroup = head.KeyGroup;
    if (rgnh.Data.size() >= DlsRgnhLayerSize)
        r.Layer = RecordAt<uint16_t>(rgnh.Data, sizeof(TDlsRgnhRec));
    if (const auto* wsmp = OneChunk(list, DlsId::Wsmp, where, false))
        r.Sample = ReadSample(*wsmp, where);
    const auto link = HeadRecord<TDlsWlnkRec>(*OneChunk(list, DlsId::Wlnk, where, true), where);
    r.WaveLink = {link.Options, link.PhaseGroup, link.Channel, link.TableIndex};
    r.Articulations = ReadArticulations(list, where);
    return r;
}

TDlsInstrument ReadInstrument(const TRiffChunk& list, const std::string& where) {
    TDlsInstrument ins;
    const auto head = HeadRecord<TDlsInshRec>(*OneChunk(list, DlsId::Insh, where, true), where);
    ins.LSB = head.Bank & 0x7F;
    ins.MSB = (head.Bank >> 8) & 0x7F;
    ins.Drum = (head.Bank & DlsDrumFlag) != 0;
    ins.Program = head.Instrument & 0x7F;
    ReadInfo(list, ins.Name, ins.Info);
    if (const auto* lrgn = OneList(list, DlsId::Lrgn, where, false)) {
        for (const auto& c : lrgn->Children)
            if (c.IsList(DlsId::Rgn) || c.IsList(DlsId::Rgn2))
                ins.Regions.push_back(ReadRegion(c, where + ", region " + Num(ins.Regions.size())));
    }
    if (head.Regions != ins.Regions.size())
        Fail(where, "'insh' counts " + Num(head.Regions) + " regions, the instrument holds " +
                        Num(ins.Regions.size()));
    ins.Articulations = ReadArticulations(list, where);
    return ins;
}

// What the wave readers need besides the chunk: where the bytes start, so that a
// sample left in place knows its offset, and the options.
struct TReadContext {
    std::span<const uint8_t> Bytes;
    TDlsReadOptions Options;
};

TDlsWave ReadWave(const TRiffChunk& list, const TReadContext& context, const std::string& where) {
    TDlsWave w;
    const auto fmt = HeadRecord<TDlsFmtRec>(*OneChunk(list, DlsId::Fmt, where, true), where);
    const auto& data = *OneChunk(list, DlsId::Data, where, true);
    w.FormatTag = fmt.FormatTag;
    w.Channels = fmt.Channels;
    w.SampleRate = fmt.SamplesPerSec;
    w.BitsPerSample = fmt.BitsPerSample;
    if (const auto* wsmp = OneChunk(list, DlsId::Wsmp, where, false))
        w.Sample = ReadSample(*wsmp, where);
    ReadInfo(list, w.Name, w.Info);
    if (!w.Decoded()) return w;
    const size_t bytesPerFrame = size_t{w.Channels} * (w.BitsPerSample / 8);
    const size_t count = data.Data.size() / bytesPerFrame * w.Channels;
    if (context.Options.SamplesInPlace) {
        w.DataInPlace =
            TDlsDataPlace{static_cast<uint64_t>(data.Data.data() - context.Bytes.data()),
                          count * (w.BitsPerSample / 8)};
        return w;
    }
    w.Samples.resize(count);
    if (count == 0) return w;
    if (w.BitsPerSample == 16) {
        std::memcpy(w.Samples.data(), data.Data.data(), count * 2);
    } else {
        for (size_t i = 0; i < count; ++i)
            w.Samples[i] = static_cast<int16_t>((int(data.Data[i]) - 128) * 256);
    }
    return w;
}

// The waves of 'wvpl' and, for each, its offset from the start of the pool's data:
// what the pool cues point at.
void ReadWavePool(const TRiffChunk& wvpl, const TReadContext& context, TDlsCollection& c,
                  std::vector<size_t>& offsets) {
    for (const auto& child : wvpl.Children) {
        if (!child.IsList(DlsId::Wave)) continue;
        offsets.push_back(child.Offset - wvpl.DataOffset());
        c.Waves.push_back(ReadWave(child, context, "wave " + Num(c.Waves.size())));
    }
}

void ReadPoolTable(const TRiffChunk& ptbl, const std::vector<size_t>& offsets, TDlsCollection& c) {
    const auto head = TableHead(ptbl, 4, "cues", "");
    c.Cues.reserve(head.Count);
    for (size_t i = 0; i < head.Count; ++i) {
        const auto offset = RecordAt<uint32_t>(ptbl.Data, head.Size + i * 4);
        const auto it = std::lower_bound(offsets.begin(), offsets.end(), size_t{offset});
        if (it == offsets.end() || *it != offset)
            Fail("", "pool cue " + Num(i) + " points at offset " + Num(offset) +
                         " of 'wvpl', where no wave starts");
        c.Cues.push_back(static_cast<uint32_t>(it - offsets.begin()));
    }
}

TDlsCollection ReadCollection(const TRiffChunk& root, const TReadContext& context) {
    if (root.ListType != DlsId::Dls)
        Fail("", "not a DLS collection (RIFF form " + RiffIdText(root.ListType) + ")");
    TDlsCollection c;
    const auto& colh = *OneChunk(root, DlsId::Colh, "", true);
    const auto declared = HeadRecord<uint32_t>(colh, "");
    if (const auto* vers = OneChunk(root, DlsId::Vers, "", false)) {
        const auto v = HeadRecord<TDlsVersRec>(*vers, "");
        c.Version = TDlsVersion{v.MS, v.LS};
    }
    ReadInfo(root, c.Name, c.Info);

    std::vector<size_t> offsets;
    ReadWavePool(*OneList(root, DlsId::Wvpl, "", true), context, c, offsets);
    ReadPoolTable(*OneChunk(root, DlsId::Ptbl, "", true), offsets, c);

    for (const auto& child : OneList(root, DlsId::Lins, "", true)->Children)
        if (child.IsList(DlsId::Ins))
            c.Instruments.push_back(
                ReadInstrument(child, "instrument " + Num(c.Instruments.size())));
    if (declared != c.Instruments.size())
        Fail("", "'colh' counts " + Num(declared) + " instruments, 'lins' holds " +
                     Num(c.Instruments.size()));

    for (size_t i = 0; i < c.Instruments.size(); ++i) {
        const auto& regions = c.Instruments[i].Regions;
        for (size_t r = 0; r < regions.size(); ++r)
            if (regions[r].WaveLink.TableIndex >= c.Cues.size())
                Fail("instrument " + Num(i) + ", region " + Num(r),
                     "links to cue " + Num(regions[r].WaveLink.TableIndex) + " of " +
                         Num(c.Cues.size()));
    }
    return c;
}

} // namespace

TDlsReadResult ReadDls(std::span<const uint8_t> bytes, TDlsCollection& out,
                       const TDlsReadOptions& options) {
    TRiffChunk root;
    if (auto parsed = ParseRiff(bytes, root); !parsed.Ok) return {false, parsed.Message};
    try {
        out = ReadCollection(root, TReadContext{bytes, options});
    } catch (const TBadDls& bad) {
        return {false, bad.Message};
    }
    return {true, {}};
}

TDlsReadResult ReadDlsFile(const std::string& path, TDlsCollection& out) {
    std::vector<uint8_t> bytes;
    switch (ReadFilePrefix(path, MaxDlsFileSize, bytes, true)) {
    case TReadResult::Ok:
        return ReadDls(bytes, out);
    case TReadResult::Missing:
        return {false, "no such file"};
    case TReadResult::Unreadable:
        return {false, "the file cannot be read"};
    case TReadResult::TooLarge:
        return {false, "larger than " + std::to_string(MaxDlsFileSize >> 20) + " MiB"};
    }
    return {false, "the file cannot be read"};
}
