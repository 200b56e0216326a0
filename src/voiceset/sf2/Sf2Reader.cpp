// SoundFont 2 reader: RIFF lists -> INFO, sample data and the hydra tables, which are
// checked against each other and then folded into nested zones.
#include "voiceset/sf2/Sf2Reader.h"

#include "base/FileUtil.h"
#include "voiceset/RiffChunk.h"

#include <cstring>
#include <fstream>
#include <memory>

namespace {
constexpr size_t PhdrSize = 38, InstSize = 22, ShdrSize = 46, BagSize = 4, GenSize = 4,
                 ModSize = 10;

template <typename T> T Get(std::span<const uint8_t> d, size_t off) {
    T v;
    std::memcpy(&v, d.data() + off, sizeof v);
    return v;
}

std::string Text(std::span<const uint8_t> d, size_t maxLen) {
    size_t n = 0;
    while (n < d.size() && n < maxLen && d[n])
        ++n;
    return std::string(reinterpret_cast<const char*>(d.data()), n);
}

std::string Num(size_t v) {
    return std::to_string(v);
}

// The index columns of the hydra, as read, before they are checked and folded.
struct THydra {
    std::vector<uint16_t> PresetBags, InstBags; // terminal record included
    std::vector<uint16_t> PBagGens, PBagMods, IBagGens, IBagMods;
    size_t PGens = 0, PMods = 0, IGens = 0, IMods = 0; // records in the tables
};

class TReader {
public:
    explicit TReader(const TSf2ReadOptions& options) : Options(options) {}

    std::string Error;

    bool Read(std::span<const uint8_t> bytes, TSf2Bank& bank) {
        TRiffChunk root;
        const TRiffParseResult parsed = ParseRiff(bytes, root);
        if (!parsed.Ok) return Fail(parsed.Message);
        if (root.ListType != RiffId("sfbk"))
            return Fail("not a SoundFont 2 bank: the RIFF form is " + RiffIdText(root.ListType));
        const TRiffChunk* lists[3];
        const uint32_t types[3] = {RiffId("INFO"), RiffId("sdta"), RiffId("pdta")};
        for (int i = 0; i < 3; ++i) {
            if (root.CountLists(types[i]) > 1)
                return Fail("the bank holds two " + RiffIdText(types[i]) + " lists");
            lists[i] = root.FindList(types[i]);
            if (!lists[i]) return Fail("the bank has no " + RiffIdText(types[i]) + " list");
        }
        return ReadInfo(*lists[0], bank.Info) && ReadSdta(*lists[1], bank) &&
               ReadPdta(*lists[2], bank);
    }

private:
    const TSf2ReadOptions& Options;
    bool Compressed = false; // a version 3 bank, taken as the options allow
    size_t DataBytes = 0;    // its smpl chunk's size

    bool Fail(std::string m) {
        Error = std::move(m);
        return false;
    }

    // The one data chunk of a list with this id, or nullptr; two of them are an error.
    bool Unique(const TRiffChunk& list, uint32_t id, const TRiffChunk*& chunk) {
        chunk = list.Find(id);
        if (list.Count(id) < 2) return true;
        return Fail("the " + RiffIdText(list.ListType) + " list holds two " + RiffIdText(id) +
                    " chunks");
    }

    bool ReadInfo(const TRiffChunk& list, TSf2Info& info) {
        bool haveVersion = false, haveEngine = false, haveName = false;
        info = TSf2Info{};
        for (const auto& c : list.Children) {
            if (c.IsList()) continue;
            if (c.Id == RiffId("ifil") && !haveVersion) {
                if (c.Data.size() != 4)
                    return Fail("ifil holds " + Num(c.Data.size()) + " bytes, not 4");
                info.VersionMajor = Get<uint16_t>(c.Data, 0);
                info.VersionMinor = Get<uint16_t>(c.Data, 2);
                haveVersion = true;
            } else if (c.Id == RiffId("isng") && !haveEngine) {
                info.SoundEngine = Text(c.Data, c.Data.size());
                haveEngine = true;
            } else if (c.Id == RiffId("INAM") && !haveName) {
                info.Name = Text(c.Data, c.Data.size());
                haveName = true;
            } else {
                TSf2InfoChunk other;
                other.Id.assign(reinterpret_cast<const char*>(&c.Id), 4);
                other.Bytes.assign(c.Data.begin(), c.Data.end());
                info.Others.push_back(std::move(other));
            }
        }
        if (!haveVersion) return Fail("the INFO list has no ifil version");
        if (info.VersionMajor == 3 && Options.AcceptCompressed) {
            Compressed = true;
        } else if (info.VersionMajor == 3) {
            return Fail("version " + Num(info.VersionMajor) + "." + Num(info.VersionMinor) +
                        " is a compressed SoundFont, whose samples cannot be read here");
        } else if (info.VersionMajor != 2) {
            return Fail("version " + Num(info.VersionMajor) + "." + Num(info.VersionMinor) +
                        " is not a SoundFont 2 bank");
        }
        if (info.SoundEngine.empty()) info.SoundEngine = "EMU8000";
        return true;
    }

    bool ReadSdta(const TRiffChunk& list, TSf2Bank& bank) {
        const TRiffChunk *smpl = nullptr, *sm24 = nullptr;
        if (!Unique(list, RiffId("smpl"), smpl) || !Unique(list, RiffId("sm24"), sm24))
            return false;
        bank.Samples.clear();
        bank.Samples24.clear();
        if (Compressed) {
            // Ogg streams of any length: the hydra's positions are checked against it.
            DataBytes = smpl ? smpl->Data.size() : 0;
            return true;
        }
        if (smpl) {
            if (smpl->Data.size() % 2)
                return Fail("smpl size " + Num(smpl->Data.size()) + " is odd");
            bank.Samples.resize(smpl->Data.size() / 2);
            if (!bank.Samples.empty())
                std::memcpy(bank.Samples.data(), smpl->Data.data(), smpl->Data.size());
        }
        if (sm24) {
            const size_t points = bank.Samples.size();
            // The chunk may carry one byte of padding to an even size.
            if (sm24->Data.size() != points && sm24->Data.size() != points + (points & 1))
                return Fail("sm24 holds " + Num(sm24->Data.size()) + " bytes for " + Num(points) +
                            " sample points");
            bank.Samples24.assign(sm24->Data.begin(), sm24->Data.begin() + points);
        }
        return true;
    }

    // The nine tables of the hydra, each exactly once.
    bool ReadPdta(const TRiffChunk& list, TSf2Bank& bank) {
        static const char* const Names[9] = {"phdr", "pbag", "pmod", "pgen", "inst",
                                             "ibag", "imod", "igen", "shdr"};
        static const uint32_t Ids[9] = {RiffId("phdr"), RiffId("pbag"), RiffId("pmod"),
                                        RiffId("pgen"), RiffId("inst"), RiffId("ibag"),
                                        RiffId("imod"), RiffId("igen"), RiffId("shdr")};
        static const size_t Sizes[9] = {PhdrSize, BagSize, ModSize, GenSize, InstSize,
                                        BagSize,  ModSize, GenSize, ShdrSize};
        std::span<const uint8_t> t[9];
        for (int i = 0; i < 9; ++i) {
            const TRiffChunk* c = nullptr;
            if (!Unique(list, Ids[i], c)) return false;
            if (!c) return Fail(std::string("the 'pdta' list has no '") + Names[i] + "' chunk");
            t[i] = c->Data;
        }
        for (int i = 0; i < 9; ++i) {
            if (t[i].size() % Sizes[i])
                return Fail(std::string(Names[i]) + " size " + Num(t[i].size()) +
                            " is not a multiple of " + Num(Sizes[i]));
            // Header and bag tables end with a terminal record that closes the last entry.
            const bool needsTerminal = Sizes[i] != ModSize && Sizes[i] != GenSize;
            if (needsTerminal && t[i].empty())
                return Fail(std::string(Names[i]) + " is empty: its terminal record is missing");
        }
        THydra h;
        ReadHeaders(t[0], t[4], bank, h);
        ReadBags(t[1], h.PBagGens, h.PBagMods);
        ReadBags(t[5], h.IBagGens, h.IBagMods);
        h.PMods = t[2].size() / ModSize;
        h.PGens = t[3].size() / GenSize;
        h.IMods = t[6].size() / ModSize;
        h.IGens = t[7].size() / GenSize;
        if (!CheckHeaderBags(h.PresetBags, h.PBagGens.size(), "phdr", "pbag", "preset") ||
            !CheckHeaderBags(h.InstBags, h.IBagGens.size(), "inst", "ibag", "instrument") ||
            !CheckBagItems(h.PBagGens, h.PGens, "pbag", "pgen", "generator") ||
            !CheckBagItems(h.PBagMods, h.PMods, "pbag", "pmod", "modulator") ||
            !CheckBagItems(h.IBagGens, h.IGens, "ibag", "igen", "generator") ||
            !CheckBagItems(h.IBagMods, h.IMods, "ibag", "imod", "modulator"))
            return false;
        for (size_t p = 0; p < bank.Presets.size(); ++p)
            FillZones(bank.Presets[p].Zones, h.PresetBags[p], h.PresetBags[p + 1], h.PBagGens,
                      h.PBagMods, t[3], t[2]);
        for (size_t i = 0; i < bank.Instruments.size(); ++i)
            FillZones(bank.Instruments[i].Zones, h.InstBags[i], h.InstBags[i + 1], h.IBagGens,
                      h.IBagMods, t[7], t[6]);
        ReadSampleHeaders(t[8], bank);
        Error = Compressed ? CheckSf3Links(bank, DataBytes) : CheckSf2Links(bank);
        return Error.empty();
    }

    static void ReadHeaders(std::span<const uint8_t> phdr, std::span<const uint8_t> inst,
                            TSf2Bank& bank, THydra& h) {
        const size_t np = phdr.size() / PhdrSize, ni = inst.size() / InstSize;
        bank.Presets.assign(np - 1, {});
        h.PresetBags.resize(np);
        for (size_t i = 0; i < np; ++i) {
            const auto r = phdr.subspan(i * PhdrSize, PhdrSize);
            h.PresetBags[i] = Get<uint16_t>(r, 24);
            if (i + 1 == np) break; // the terminal record ("EOP") only closes the last bag
            TSf2Preset& p = bank.Presets[i];
            p.Name = Text(r, Sf2NameSize);
            p.Preset = Get<uint16_t>(r, 20);
            p.Bank = Get<uint16_t>(r, 22);
            p.Library = Get<uint32_t>(r, 26);
            p.Genre = Get<uint32_t>(r, 30);
            p.Morphology = Get<uint32_t>(r, 34);
        }
        bank.Instruments.assign(ni - 1, {});
        h.InstBags.resize(ni);
        for (size_t i = 0; i < ni; ++i) {
            const auto r = inst.subspan(i * InstSize, InstSize);
            h.InstBags[i] = Get<uint16_t>(r, 20);
            if (i + 1 < ni) bank.Instruments[i].Name = Text(r, Sf2NameSize);
        }
    }

    static void ReadBags(std::span<const uint8_t> bags, std::vector<uint16_t>& gens,
                         std::vector<uint16_t>& mods) {
        const size_t n = bags.size() / BagSize;
        gens.resize(n);
        mods.resize(n);
        for (size_t i = 0; i < n; ++i) {
            gens[i] = Get<uint16_t>(bags, i * BagSize);
            mods[i] = Get<uint16_t>(bags, i * BagSize + 2);
        }
    }

    // starts: each header's first bag, the terminal record's last. Every header must
    // start where the one before it ends, the first at bag 0, the terminal at the end.
    bool CheckHeaderBags(const std::vector<uint16_t>& starts, size_t bagRecords, const char* hdr,
                         const char* bag, const char* item) {
        const size_t bags = bagRecords - 1; // the last bag record is the terminal one
        for (size_t i = 0; i < starts.size(); ++i) {
            const bool terminal = i + 1 == starts.size();
            const std::string who =
                terminal ? std::string(hdr) + " terminal record" : std::string(item) + " " + Num(i);
            if (starts[i] > bags)
                return Fail(who + " " + bag + " index " + Num(starts[i]) + " past the " +
                            Num(bags) + " bags");
            if (i == 0 && starts[0] != 0)
                return Fail(who + " starts at bag " + Num(starts[0]) + ", not at bag 0");
            if (i > 0 && starts[i] < starts[i - 1])
                return Fail(who + " starts at bag " + Num(starts[i]) + ", before bag " +
                            Num(starts[i - 1]) + " of the " + item + " before it");
            if (terminal && starts[i] != bags)
                return Fail(who + " closes at bag " + Num(starts[i]) + " but there are " +
                            Num(bags) + " bags: is a terminal record missing?");
        }
        return true;
    }

    // idx: each bag's first generator (or modulator), the terminal bag's last. The
    // terminal bag may point at the table's terminal record or, when a writer left that
    // record out, just past the table.
    bool CheckBagItems(const std::vector<uint16_t>& idx, size_t records, const char* bag,
                       const char* table, const char* what) {
        for (size_t b = 0; b < idx.size(); ++b) {
            const bool terminal = b + 1 == idx.size();
            const std::string who =
                terminal ? std::string(bag) + " terminal record" : std::string(bag) + " " + Num(b);
            if (idx[b] > records)
                return Fail(who + " " + table + " index " + Num(idx[b]) + " past the " +
                            Num(records) + " " + what + "s");
            if (b == 0 && idx[0] != 0)
                return Fail(who + " starts at " + what + " " + Num(idx[0]) + ", not at 0");
            if (b > 0 && idx[b] < idx[b - 1])
                return Fail(who + " starts at " + what + " " + Num(idx[b]) + ", before " +
                            Num(idx[b - 1]) + " of the bag before it");
            if (terminal && idx[b] != records && size_t{idx[b]} + 1 != records)
                return Fail(who + " closes at " + what + " " + Num(idx[b]) + " but " + table +
                            " holds " + Num(records) + " records");
        }
        return true;
    }

    static void FillZones(std::vector<TSf2Zone>& zones, size_t firstBag, size_t endBag,
                          const std::vector<uint16_t>& bagGens,
                          const std::vector<uint16_t>& bagMods, std::span<const uint8_t> gens,
                          std::span<const uint8_t> mods) {
        zones.resize(endBag - firstBag);
        for (size_t b = firstBag; b < endBag; ++b) {
            TSf2Zone& z = zones[b - firstBag];
            z.Gens.resize(bagGens[b + 1] - bagGens[b]);
            for (size_t g = 0; g < z.Gens.size(); ++g) {
                const size_t at = (bagGens[b] + g) * GenSize;
                z.Gens[g].Oper = Get<uint16_t>(gens, at);
                z.Gens[g].Amount.Raw = Get<uint16_t>(gens, at + 2);
            }
            z.Mods.resize(bagMods[b + 1] - bagMods[b]);
            for (size_t m = 0; m < z.Mods.size(); ++m) {
                const size_t at = (bagMods[b] + m) * ModSize;
                TSf2Modulator& mod = z.Mods[m];
                mod.Src = Get<uint16_t>(mods, at);
                mod.Dest = Get<uint16_t>(mods, at + 2);
                mod.Amount = Get<int16_t>(mods, at + 4);
                mod.AmtSrc = Get<uint16_t>(mods, at + 6);
                mod.Transform = Get<uint16_t>(mods, at + 8);
            }
        }
    }

    static void ReadSampleHeaders(std::span<const uint8_t> shdr, TSf2Bank& bank) {
        const size_t n = shdr.size() / ShdrSize - 1; // without the terminal "EOS"
        bank.SampleHeaders.assign(n, {});
        for (size_t i = 0; i < n; ++i) {
            const auto r = shdr.subspan(i * ShdrSize, ShdrSize);
            TSf2Sample& s = bank.SampleHeaders[i];
            s.Name = Text(r, Sf2NameSize);
            s.Start = Get<uint32_t>(r, 20);
            s.End = Get<uint32_t>(r, 24);
            s.LoopStart = Get<uint32_t>(r, 28);
            s.LoopEnd = Get<uint32_t>(r, 32);
            s.SampleRate = Get<uint32_t>(r, 36);
            s.OriginalPitch = r[40];
            s.PitchCorrection = static_cast<int8_t>(r[41]);
            s.SampleLink = Get<uint16_t>(r, 42);
            s.SampleType = Get<uint16_t>(r, 44);
        }
    }
};
} // namespace

TSf2ReadResult ReadSf2(std::span<const uint8_t> bytes, TSf2Bank& bank,
                       const TSf2ReadOptions& options) {
    TSf2ReadResult result;
    TSf2Bank read;
    TReader reader(options);
    if (!reader.Read(bytes, read)) {
        result.Message = reader.Error;
        return result;
    }
    bank = std::move(read);
    result.Ok = true;
    return result;
}

TSf2ReadResult LoadSf2File(const std::string& path, TSf2Bank& bank) {
    // One read into a buffer of the file's size: a bank can be 150 MB, and growing a
    // buffer as the bytes come would copy it several times over.
    TSf2ReadResult result;
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    if (!f) {
        result.Message = (FileExists(path) ? "cannot read " : "no file ") + path;
        return result;
    }
    const std::streamoff size = f.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > uint64_t{0xFFFFFFFF} + 8) {
        result.Message = path + " is larger than a RIFF file can be";
        return result;
    }
    const size_t n = static_cast<size_t>(size);
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[n ? n : 1]);
    f.seekg(0);
    if (!f.read(reinterpret_cast<char*>(bytes.get()), static_cast<std::streamsize>(n))) {
        result.Message = "cannot read " + path;
        return result;
    }
    return ReadSf2({bytes.get(), n}, bank);
}
