// DLS collection writer: checks that the model can be stored, then lays it out.
#include "voiceset/dls/DlsWriter.h"

#include "voiceset/RiffChunk.h"
#include "voiceset/dls/DlsRecords.h"

#include <cstring>

namespace {

std::string Num(size_t n) {
    return std::to_string(n);
}

template <typename T> void AppendRecord(TRiffWriter& w, const T& rec) {
    w.Append({reinterpret_cast<const uint8_t*>(&rec), sizeof(T)});
}

// The reason the collection cannot be written faithfully, or "".
std::string CheckInfo(const std::string& name, const std::vector<TDlsInfoItem>& info) {
    if (name.find('\0') != std::string::npos) return "the name holds a NUL byte";
    for (const auto& item : info) {
        if (item.Id == RiffIdList || item.Id == RiffIdRiff)
            return "INFO item " + RiffIdText(item.Id) + " would read as a list";
        if (item.Text.find('\0') != std::string::npos)
            return "INFO item " + RiffIdText(item.Id) + " holds a NUL byte";
    }
    return {};
}

std::string CheckCollection(const TDlsCollection& c) {
    if (auto why = CheckInfo(c.Name, c.Info); !why.empty()) return why;
    for (size_t i = 0; i < c.Instruments.size(); ++i) {
        const auto& ins = c.Instruments[i];
        const std::string where = "instrument " + Num(i) + ": ";
        if (ins.MSB > 127) return where + "MSB " + Num(ins.MSB) + " is not 0..127";
        if (ins.LSB > 127) return where + "LSB " + Num(ins.LSB) + " is not 0..127";
        if (ins.Program > 127) return where + "program " + Num(ins.Program) + " is not 0..127";
        if (auto why = CheckInfo(ins.Name, ins.Info); !why.empty()) return where + why;
        for (size_t r = 0; r < ins.Regions.size(); ++r)
            if (ins.Regions[r].WaveLink.TableIndex >= c.Cues.size())
                return where + "region " + Num(r) + " links to cue " +
                       Num(ins.Regions[r].WaveLink.TableIndex) + " of " + Num(c.Cues.size());
    }
    for (size_t i = 0; i < c.Cues.size(); ++i)
        if (c.Cues[i] >= c.Waves.size())
            return "pool cue " + Num(i) + " names wave " + Num(c.Cues[i]) + " of " +
                   Num(c.Waves.size());
    for (size_t i = 0; i < c.Waves.size(); ++i) {
        const auto& w = c.Waves[i];
        const std::string where = "wave " + Num(i) + ": ";
        if (w.DataInPlace) return where + "its samples were left in the file it was read from";
        if (!w.Decoded() && !w.Samples.empty())
            return where + "holds samples in a format that is not written";
        if (w.Decoded() && w.Samples.size() % w.Channels != 0)
            return where + "ends with a partial frame";
        if (auto why = CheckInfo(w.Name, w.Info); !why.empty()) return where + why;
    }
    return {};
}

void WriteInfo(TRiffWriter& w, const std::string& name, const std::vector<TDlsInfoItem>& info) {
    bool nameInInfo = false;
    for (const auto& item : info)
        nameInInfo |= item.Id == DlsId::Inam;
    if (name.empty() && info.empty()) return;
    auto text = [&](uint32_t id, const std::string& s) {
        w.BeginChunk(id);
        w.Append({reinterpret_cast<const uint8_t*>(s.data()), s.size()});
        w.Out().push_back(0);
        w.End();
    };
    w.BeginList(DlsId::Info);
    // An empty name is written when a later 'INAM' would otherwise be read as the name.
    if (!name.empty() || nameInInfo) text(DlsId::Inam, name);
    for (const auto& item : info)
        text(item.Id, item.Text);
    w.End();
}

void WriteSample(TRiffWriter& w, const TDlsSample& s) {
    w.BeginChunk(DlsId::Wsmp);
    AppendRecord(w, TDlsWsmpRec{sizeof(TDlsWsmpRec), s.UnityNote, s.FineTune, s.Gain, s.Options,
                                static_cast<uint32_t>(s.Loops.size())});
    for (const auto& loop : s.Loops)
        AppendRecord(w, TDlsLoopRec{sizeof(TDlsLoopRec), loop.Type, loop.Start, loop.Length});
    w.End();
}

void WriteArticulations(TRiffWriter& w, const std::vector<TDlsArticulation>& arts) {
    for (size_t i = 0; i < arts.size();) {
        const TDlsLevel level = arts[i].Level;
        const bool one = level == TDlsLevel::Level1;
        w.BeginList(one ? DlsId::Lart : DlsId::Lar2);
        for (; i < arts.size() && arts[i].Level == level; ++i) {
            w.BeginChunk(one ? DlsId::Art1 : DlsId::Art2);
            AppendRecord(w, TDlsTableRec{sizeof(TDlsTableRec),
                                         static_cast<uint32_t>(arts[i].Connections.size())});
            for (const auto& k : arts[i].Connections)
                AppendRecord(
                    w, TDlsConnectionRec{k.Source, k.Control, k.Destination, k.Transform, k.Scale});
            w.End();
        }
        w.End();
    }
}

void WriteRegion(TRiffWriter& w, const TDlsRegion& r) {
    w.BeginList(r.Layer ? DlsId::Rgn2 : DlsId::Rgn);
    w.BeginChunk(DlsId::Rgnh);
    AppendRecord(w, TDlsRgnhRec{r.Keys.Low, r.Keys.High, r.Velocities.Low, r.Velocities.High,
                                r.Options, r.KeyGroup});
    if (r.Layer) w.AppendU16(*r.Layer);
    w.End();
    if (r.Sample) WriteSample(w, *r.Sample);
    const auto& link = r.WaveLink;
    w.BeginChunk(DlsId::Wlnk);
    AppendRecord(w, TDlsWlnkRec{link.Options, link.PhaseGroup, link.Channel, link.TableIndex});
    w.End();
    WriteArticulations(w, r.Articulations);
    w.End();
}

void WriteInstrument(TRiffWriter& w, const TDlsInstrument& ins) {
    w.BeginList(DlsId::Ins);
    const uint32_t bank = uint32_t{ins.MSB} << 8 | ins.LSB | (ins.Drum ? DlsDrumFlag : 0);
    w.BeginChunk(DlsId::Insh);
    AppendRecord(w, TDlsInshRec{static_cast<uint32_t>(ins.Regions.size()), bank, ins.Program});
    w.End();
    w.BeginList(DlsId::Lrgn);
    for (const auto& r : ins.Regions)
        WriteRegion(w, r);
    w.End();
    WriteArticulations(w, ins.Articulations);
    WriteInfo(w, ins.Name, ins.Info);
    w.End();
}

void WriteWave(TRiffWriter& w, const TDlsWave& wave) {
    w.BeginList(DlsId::Wave);
    const uint16_t blockAlign =
        static_cast<uint16_t>(wave.Channels * ((wave.BitsPerSample + 7) / 8));
    w.BeginChunk(DlsId::Fmt);
    AppendRecord(w, TDlsFmtRec{wave.FormatTag, wave.Channels, wave.SampleRate,
                               static_cast<uint32_t>(uint64_t{wave.SampleRate} * blockAlign),
                               blockAlign, wave.BitsPerSample});
    w.End();
    if (wave.Sample) WriteSample(w, *wave.Sample);
    w.BeginChunk(DlsId::Data);
    auto& out = w.Out();
    if (wave.BitsPerSample == 16) {
        const size_t at = out.size();
        out.resize(at + wave.Samples.size() * 2);
        if (!wave.Samples.empty())
            std::memcpy(out.data() + at, wave.Samples.data(), wave.Samples.size() * 2);
    } else {
        for (int16_t s : wave.Samples)
            out.push_back(static_cast<uint8_t>((s >> 8) + 128));
    }
    w.End();
    WriteInfo(w, wave.Name, wave.Info);
    w.End();
}

} // namespace

TDlsWriteResult WriteDls(const TDlsCollection& c, std::vector<uint8_t>& out) {
    out.clear();
    if (auto why = CheckCollection(c); !why.empty()) return {false, why};

    TRiffWriter w(out);
    w.BeginRiff(DlsId::Dls);
    w.BeginChunk(DlsId::Colh);
    w.AppendU32(static_cast<uint32_t>(c.Instruments.size()));
    w.End();
    if (c.Version) {
        w.BeginChunk(DlsId::Vers);
        AppendRecord(w, TDlsVersRec{c.Version->MS, c.Version->LS});
        w.End();
    }
    w.BeginList(DlsId::Lins);
    for (const auto& ins : c.Instruments)
        WriteInstrument(w, ins);
    w.End();

    // The cue offsets are known once the pool is written; they are patched in then.
    w.BeginChunk(DlsId::Ptbl);
    AppendRecord(w, TDlsTableRec{sizeof(TDlsTableRec), static_cast<uint32_t>(c.Cues.size())});
    const size_t cuesAt = w.Size();
    for (size_t i = 0; i < c.Cues.size(); ++i)
        w.AppendU32(0);
    w.End();
    w.BeginList(DlsId::Wvpl);
    const size_t poolData = w.Size();
    std::vector<size_t> waveAt;
    waveAt.reserve(c.Waves.size());
    for (const auto& wave : c.Waves) {
        waveAt.push_back(w.Size() - poolData);
        WriteWave(w, wave);
    }
    w.End();
    for (size_t i = 0; i < c.Cues.size(); ++i)
        w.PatchU32(cuesAt + 4 * i, static_cast<uint32_t>(waveAt[c.Cues[i]]));

    WriteInfo(w, c.Name, c.Info);
    w.End();
    if (!w.Finish()) {
        out.clear();
        return {false, "the collection does not fit a 4 GiB file"};
    }
    return {true, {}};
}
