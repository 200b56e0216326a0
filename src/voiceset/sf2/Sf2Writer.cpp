// SoundFont 2 writer: the nested zones become the hydra's index tables again.
#include "voiceset/sf2/Sf2Writer.h"

#include "base/FileUtil.h"
#include "voiceset/RiffChunk.h"

#include <cstring>

namespace {
std::string Num(size_t v) {
    return std::to_string(v);
}

template <typename T> void Put(std::vector<uint8_t>& out, T v) {
    const auto* p = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

void PutName(std::vector<uint8_t>& out, const std::string& name) {
    uint8_t field[Sf2NameSize] = {};
    std::memcpy(field, name.data(), std::min(name.size(), Sf2NameSize));
    out.insert(out.end(), field, field + Sf2NameSize);
}

// A zero-terminated INFO text of even size.
std::vector<uint8_t> InfoText(const std::string& s) {
    std::vector<uint8_t> b(s.begin(), s.end());
    b.push_back(0);
    if (b.size() & 1) b.push_back(0);
    return b;
}

std::string CheckNames(const TSf2Bank& bank) {
    auto tooLong = [](const std::string& what, size_t i, const std::string& name) {
        return what + " " + Num(i) + " name is " + Num(name.size()) + " bytes, at most " +
               Num(Sf2NameSize) + " fit";
    };
    for (size_t i = 0; i < bank.Presets.size(); ++i)
        if (bank.Presets[i].Name.size() > Sf2NameSize)
            return tooLong("preset", i, bank.Presets[i].Name);
    for (size_t i = 0; i < bank.Instruments.size(); ++i)
        if (bank.Instruments[i].Name.size() > Sf2NameSize)
            return tooLong("instrument", i, bank.Instruments[i].Name);
    for (size_t i = 0; i < bank.SampleHeaders.size(); ++i)
        if (bank.SampleHeaders[i].Name.size() > Sf2NameSize)
            return tooLong("sample", i, bank.SampleHeaders[i].Name);
    for (const auto& c : bank.Info.Others)
        if (c.Id.size() != 4) return "INFO chunk id \"" + c.Id + "\" is not four characters";
    return {};
}

// The bag, generator and modulator tables of presets or instruments, terminal
// records included. Fails when a 16-bit index would overflow.
struct TZoneTables {
    std::vector<uint8_t> Bags, Gens, Mods;
    std::vector<uint16_t> FirstBag; // per header, then the terminal's

    template <typename THeader>
    bool Build(const std::vector<THeader>& headers, const char* what, std::string& error) {
        size_t bags = 0, gens = 0, mods = 0;
        for (const auto& h : headers) {
            FirstBag.push_back(static_cast<uint16_t>(bags));
            for (const auto& z : h.Zones) {
                Put<uint16_t>(Bags, static_cast<uint16_t>(gens));
                Put<uint16_t>(Bags, static_cast<uint16_t>(mods));
                for (const auto& g : z.Gens) {
                    Put<uint16_t>(Gens, g.Oper);
                    Put<uint16_t>(Gens, g.Amount.Raw);
                }
                for (const auto& m : z.Mods) {
                    Put<uint16_t>(Mods, m.Src);
                    Put<uint16_t>(Mods, m.Dest);
                    Put<int16_t>(Mods, m.Amount);
                    Put<uint16_t>(Mods, m.AmtSrc);
                    Put<uint16_t>(Mods, m.Transform);
                }
                gens += z.Gens.size();
                mods += z.Mods.size();
                ++bags;
                if (bags > 0xFFFF || gens > 0xFFFF || mods > 0xFFFF) {
                    error = std::string("the ") + what +
                            "s hold more zones, generators or modulators than 65535";
                    return false;
                }
            }
        }
        FirstBag.push_back(static_cast<uint16_t>(bags));
        Put<uint16_t>(Bags, static_cast<uint16_t>(gens));
        Put<uint16_t>(Bags, static_cast<uint16_t>(mods));
        Gens.insert(Gens.end(), 4, 0);
        Mods.insert(Mods.end(), 10, 0);
        return true;
    }
};

void WriteInfo(TRiffWriter& w, const TSf2Info& info) {
    w.BeginList(RiffId("INFO"));
    w.BeginChunk(RiffId("ifil"));
    w.AppendU16(info.VersionMajor);
    w.AppendU16(info.VersionMinor);
    w.End();
    w.Chunk(RiffId("isng"), InfoText(info.SoundEngine.empty() ? "EMU8000" : info.SoundEngine));
    w.Chunk(RiffId("INAM"), InfoText(info.Name));
    for (const auto& c : info.Others) {
        uint32_t id;
        std::memcpy(&id, c.Id.data(), 4);
        w.Chunk(id, c.Bytes);
    }
    w.End();
}

void WriteSdta(TRiffWriter& w, const std::vector<int16_t>& samples,
               const std::vector<uint8_t>& samples24) {
    w.BeginList(RiffId("sdta"));
    w.Chunk(RiffId("smpl"),
            {reinterpret_cast<const uint8_t*>(samples.data()), samples.size() * sizeof(int16_t)});
    if (!samples24.empty()) w.Chunk(RiffId("sm24"), samples24);
    w.End();
}

std::vector<uint8_t> SampleHeaderTable(const std::vector<TSf2Sample>& headers) {
    std::vector<uint8_t> t;
    t.reserve((headers.size() + 1) * 46);
    for (const auto& s : headers) {
        PutName(t, s.Name);
        Put(t, s.Start);
        Put(t, s.End);
        Put(t, s.LoopStart);
        Put(t, s.LoopEnd);
        Put(t, s.SampleRate);
        Put(t, s.OriginalPitch);
        Put(t, s.PitchCorrection);
        Put(t, s.SampleLink);
        Put(t, s.SampleType);
    }
    PutName(t, "EOS");
    t.insert(t.end(), 46 - Sf2NameSize, 0);
    return t;
}
} // namespace

TSf2WriteResult WriteSf2(const TSf2Bank& bank, std::vector<uint8_t>& out) {
    TSf2WriteResult result;
    out.clear();
    if (bank.Info.VersionMajor != 2) {
        result.Message = "version " + Num(bank.Info.VersionMajor) + "." +
                         Num(bank.Info.VersionMinor) + " is not a SoundFont 2 version";
        return result;
    }
    result.Message = CheckNames(bank);
    if (result.Message.empty()) result.Message = CheckSf2Links(bank);
    TZoneTables presets, instruments;
    if (result.Message.empty())
        if (presets.Build(bank.Presets, "preset", result.Message))
            instruments.Build(bank.Instruments, "instrument", result.Message);
    if (!result.Message.empty()) return result;

    // Players interpolate past a sample's end: give every sample its silent tail.
    const std::vector<int16_t>* samples = &bank.Samples;
    const std::vector<uint8_t>* samples24 = &bank.Samples24;
    const std::vector<TSf2Sample>* headers = &bank.SampleHeaders;
    TSf2Bank packed;
    if (!Sf2SamplesGuarded(bank)) {
        packed.Samples = bank.Samples;
        packed.Samples24 = bank.Samples24;
        packed.SampleHeaders = bank.SampleHeaders;
        RepackSf2Samples(packed);
        samples = &packed.Samples;
        samples24 = &packed.Samples24;
        headers = &packed.SampleHeaders;
    }

    std::vector<uint8_t> phdr, inst;
    TSf2Preset eop;
    eop.Name = "EOP";
    for (size_t i = 0; i <= bank.Presets.size(); ++i) {
        const TSf2Preset& p = i == bank.Presets.size() ? eop : bank.Presets[i];
        PutName(phdr, p.Name);
        Put(phdr, p.Preset);
        Put(phdr, p.Bank);
        Put(phdr, presets.FirstBag[i]);
        Put(phdr, p.Library);
        Put(phdr, p.Genre);
        Put(phdr, p.Morphology);
    }
    for (size_t i = 0; i <= bank.Instruments.size(); ++i) {
        PutName(inst, i == bank.Instruments.size() ? "EOI" : bank.Instruments[i].Name);
        Put(inst, instruments.FirstBag[i]);
    }

    out.reserve(samples->size() * 2 + samples24->size() + phdr.size() + inst.size() +
                presets.Gens.size() + instruments.Gens.size() + 4096);
    TRiffWriter w(out);
    w.BeginRiff(RiffId("sfbk"));
    WriteInfo(w, bank.Info);
    WriteSdta(w, *samples, *samples24);
    w.BeginList(RiffId("pdta"));
    w.Chunk(RiffId("phdr"), phdr);
    w.Chunk(RiffId("pbag"), presets.Bags);
    w.Chunk(RiffId("pmod"), presets.Mods);
    w.Chunk(RiffId("pgen"), presets.Gens);
    w.Chunk(RiffId("inst"), inst);
    w.Chunk(RiffId("ibag"), instruments.Bags);
    w.Chunk(RiffId("imod"), instruments.Mods);
    w.Chunk(RiffId("igen"), instruments.Gens);
    w.Chunk(RiffId("shdr"), SampleHeaderTable(*headers));
    w.End();
    w.End();
    if (!w.Finish()) {
        out.clear();
        result.Message = "the bank is larger than a RIFF file can hold";
        return result;
    }
    result.Ok = true;
    return result;
}

TSf2WriteResult SaveSf2File(const std::string& path, const TSf2Bank& bank) {
    std::vector<uint8_t> bytes;
    TSf2WriteResult result = WriteSf2(bank, bytes);
    if (result.Ok && !WriteFileAtomic(path, bytes)) {
        result.Ok = false;
        result.Message = path + " cannot be written";
    }
    return result;
}
