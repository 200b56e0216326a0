// Voice-set files: the RIFF form decides the reader. A SoundFont becomes a collection
// through the same conversion as every bank; a compressed one, whose samples the
// collection cannot carry, lists its presets and keeps its samples in a fresh image
// of itself for the synthesiser.
#include "voiceset/convert/VoiceSetReader.h"

#include "base/FileUtil.h"
#include "base/MappedFile.h"
#include "voiceset/RiffChunk.h"
#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/sf2/Sf2Reader.h"

#include <cstring>
#include <set>
#include <utility>

namespace {

const uint32_t HydraIds[9] = {RiffId("phdr"), RiffId("pbag"), RiffId("pmod"),
                              RiffId("pgen"), RiffId("inst"), RiffId("ibag"),
                              RiffId("imod"), RiffId("igen"), RiffId("shdr")};

// An INFO text as loaders take it: at most 255 bytes, NUL-terminated, of even size.
void InfoText(TRiffWriter& w, uint32_t id, const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.begin() + std::min<size_t>(text.size(), 255));
    bytes.push_back(0);
    if (bytes.size() & 1) bytes.push_back(0);
    w.Chunk(id, bytes);
}

// The compressed bank laid out anew from the chunks the reader accepted: what the
// synthesiser's loader needs, in the order it reads it. The streams in 'smpl' and the
// hydra's records are copied as they are, so every position stays valid.
bool LayOutCompressedBank(std::span<const uint8_t> bytes, const TSf2Info& info,
                          std::vector<uint8_t>& image) {
    TRiffChunk root;
    if (!ParseRiff(bytes, root).Ok) return false;
    const TRiffChunk* sdta = root.FindList(RiffId("sdta"));
    const TRiffChunk* pdta = root.FindList(RiffId("pdta"));
    if (!sdta || !pdta) return false;
    image.clear();
    TRiffWriter w(image);
    w.BeginRiff(RiffId("sfbk"));
    w.BeginList(RiffId("INFO"));
    w.BeginChunk(RiffId("ifil"));
    w.AppendU16(info.VersionMajor);
    w.AppendU16(info.VersionMinor);
    w.End();
    InfoText(w, RiffId("isng"), info.SoundEngine);
    if (!info.Name.empty()) InfoText(w, RiffId("INAM"), info.Name);
    w.End();
    w.BeginList(RiffId("sdta"));
    const TRiffChunk* smpl = sdta->Find(RiffId("smpl"));
    w.Chunk(RiffId("smpl"), smpl ? smpl->Data : std::span<const uint8_t>{});
    w.End();
    w.BeginList(RiffId("pdta"));
    for (uint32_t id : HydraIds) {
        const TRiffChunk* table = pdta->Find(id);
        if (!table) return false;
        w.Chunk(id, table->Data);
    }
    w.End();
    w.End();
    return w.Finish();
}

// A compressed bank's presets as instruments without regions, each with the preset
// that plays it.
void ListPresets(const TSf2Bank& bank, TVoiceSet& set) {
    std::set<uint32_t> seen;
    for (const TSf2Preset& p : bank.Presets) {
        const uint32_t patch = Sf2PresetPatch(p);
        if (!seen.insert(patch).second) continue;
        TDlsInstrument inst;
        inst.SetPatch(patch);
        inst.Name = p.Name;
        set.Collection.Instruments.push_back(std::move(inst));
        set.SoundFontPresets.push_back({p.Bank, p.Preset});
    }
}

// `owned`, when given, holds `bytes` and is let go as soon as they are read.
TVoiceSetReadResult ReadSoundFont(std::span<const uint8_t> bytes, std::vector<uint8_t>* owned,
                                  TVoiceSet& out) {
    TSf2Bank bank;
    TSf2ReadOptions options;
    options.AcceptCompressed = true;
    const TSf2ReadResult read = ReadSf2(bytes, bank, options);
    if (!read.Ok) return {false, read.Message};
    TVoiceSet set;
    if (bank.Presets.empty()) return {false, "the bank has no presets"};
    if (bank.Info.VersionMajor == 3) {
        set.Format = TVoiceSetFormat::SoundFont3;
        if (!LayOutCompressedBank(bytes, bank.Info, set.SoundFontImage))
            return {false, "the bank cannot be laid out for the synthesiser"};
        set.Collection.Name = bank.Info.Name;
        ListPresets(bank, set);
    } else {
        set.Format = TVoiceSetFormat::SoundFont2;
        if (owned) std::vector<uint8_t>().swap(*owned); // the bank holds the samples now
        TSf2ToDlsOptions convert;
        convert.FileOrder = true;
        const TVoiceSetConvertResult converted = ConvertSf2ToDls(bank, convert, set.Collection);
        if (!converted.Ok) return {false, converted.Message};
    }
    out = std::move(set);
    return {true, {}};
}

TVoiceSetReadResult Read(std::span<const uint8_t> bytes, std::vector<uint8_t>* owned,
                         TVoiceSet& out) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0)
        return {false, "not a RIFF file"};
    uint32_t form;
    std::memcpy(&form, bytes.data() + 8, 4);
    if (form == RiffId("sfbk")) return ReadSoundFont(bytes, owned, out);
    if (form != RiffId("DLS "))
        return {false,
                "neither a DLS collection nor a SoundFont: the RIFF form is " + RiffIdText(form)};
    TVoiceSet set;
    const TDlsReadResult read = ReadDls(bytes, set.Collection);
    if (!read.Ok) return {false, read.Message};
    out = std::move(set);
    return {true, {}};
}

} // namespace

const char* VoiceSetFormatName(TVoiceSetFormat format) {
    switch (format) {
    case TVoiceSetFormat::Dls:
        return "DLS";
    case TVoiceSetFormat::SoundFont2:
        return "SoundFont 2";
    case TVoiceSetFormat::SoundFont3:
        return "SoundFont 3 (compressed)";
    }
    return "?";
}

TVoiceSetReadResult ReadVoiceSet(std::span<const uint8_t> bytes, TVoiceSet& out) {
    return Read(bytes, nullptr, out);
}

TVoiceSetReadResult ReadVoiceSetFile(const std::string& path, TVoiceSet& out) {
    std::vector<uint8_t> bytes;
    switch (ReadFilePrefix(path, MaxVoiceSetFileSize, bytes, true)) {
    case TReadResult::Ok:
        return Read(bytes, &bytes, out);
    case TReadResult::Missing:
        return {false, "no such file"};
    case TReadResult::Unreadable:
        return {false, "the file cannot be read"};
    case TReadResult::TooLarge:
        return {false, "larger than " + std::to_string(MaxVoiceSetFileSize >> 20) + " MiB"};
    }
    return {false, "the file cannot be read"};
}

TVoiceSetReadResult ReadVoiceSetFileInPlace(const std::string& path, TVoiceSet& out,
                                            TRuntimeSoundFont& image) {
    TReadOnlyFile file;
    TMappedFile mapped;
    TFileOpenResult opened = file.Open(path);
    if (opened == TFileOpenResult::Ok) opened = mapped.Map(file, MaxVoiceSetFileSize);
    switch (opened) {
    case TFileOpenResult::Ok:
        break;
    case TFileOpenResult::Missing:
        return {false, "no such file"};
    case TFileOpenResult::Unreadable:
        return {false, "the file cannot be read"};
    case TFileOpenResult::TooLarge:
        return {false, "larger than " + std::to_string(MaxVoiceSetFileSize >> 20) + " MiB"};
    case TFileOpenResult::Empty:
        return {false, "the file is empty"};
    }
    const std::span<const uint8_t> bytes = mapped.Bytes();
    uint32_t form = 0;
    if (bytes.size() >= 12) std::memcpy(&form, bytes.data() + 8, 4);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || form != RiffId("DLS "))
        return {false, "not a DLS collection"};
    TVoiceSet set;
    TDlsReadOptions options;
    options.SamplesInPlace = true;
    if (const TDlsReadResult read = ReadDls(bytes, set.Collection, options); !read.Ok)
        return {false, read.Message};
    mapped.Unmap();
    TRuntimeSoundFont built;
    const TVoiceSetConvertResult converted = BuildRuntimeSoundFont(
        set.Collection, std::make_shared<const TFileWaveBytes>(std::move(file)), built);
    if (!converted.Ok) return {false, converted.Message};
    out = std::move(set);
    image = std::move(built);
    return {true, {}};
}
