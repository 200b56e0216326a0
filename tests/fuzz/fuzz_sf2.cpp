// SoundFont banks: any bytes are read into a bank or refused. A bank that reads is
// consistent, resolves into regions that stay inside its sample data, and writes out
// to bytes that read back as the same bank (with its samples laid out anew when they
// lacked their guard points).
#include "voiceset/sf2/Sf2Reader.h"
#include "voiceset/sf2/Sf2Resolver.h"
#include "voiceset/sf2/Sf2Writer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TSf2Bank bank;
    bank.Info.Name = "before";
    const TSf2ReadResult read = ReadSf2({data, size}, bank);
    if (!read.Ok) {
        if (read.Message.empty() || bank.Info.Name != "before") std::abort();
        return 0;
    }
    if (!CheckSf2Links(bank).empty()) std::abort();

    for (size_t i = 0; i < bank.Presets.size(); ++i) {
        const TSf2ResolveResult res = ResolveSf2Preset(bank, i);
        if (!res.Ok) {
            // A bank that reads has no broken links; only the region limit may stop it.
            if (res.Message.find("regions") == std::string::npos) std::abort();
            continue;
        }
        for (const auto& r : res.Regions) {
            const TSf2Sample& s = bank.SampleHeaders.at(r.SampleIndex);
            if (!(s.Start <= r.Start && r.Start <= r.LoopStart && r.LoopStart <= r.LoopEnd &&
                  r.LoopEnd <= r.End && r.End <= s.End && s.End <= bank.Samples.size()))
                std::abort();
            if (r.KeyLo > r.KeyHi || r.VelLo > r.VelHi || r.RootKey > 127) std::abort();
            for (const auto& m : r.Modulators)
                if (m.Amount == 0 || (m.Dest & Sf2Mod::DestLink)) std::abort();
        }
    }

    std::vector<uint8_t> bytes;
    if (!WriteSf2(bank, bytes).Ok) std::abort();
    TSf2Bank expected = bank;
    if (!Sf2SamplesGuarded(expected)) RepackSf2Samples(expected);
    TSf2Bank back;
    if (!ReadSf2(bytes, back).Ok || !(back == expected)) std::abort();
    std::vector<uint8_t> again;
    if (!WriteSf2(back, again).Ok || again != bytes) std::abort();
    return 0;
}
