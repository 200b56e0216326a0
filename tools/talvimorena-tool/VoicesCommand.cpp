// voices and convert: look into a voice set (DLS or SoundFont), and make a DLS set from
// a SoundFont.
#include "Commands.h"
#include "Report.h"

#include "sound/VoiceList.h"
#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/convert/VoiceSetReader.h"

#include <iostream>

namespace {

TReport DescribeList(const TVoiceList& list) {
    TReport r = TReport::Array();
    for (int i = 0; i < list.Count(); ++i) {
        const TVoiceEntry& e = list[i];
        TReport v = TReport::Object();
        v.Set("position", i);
        v.Set("index", e.Index);
        v.Set("msb", int{PatchMSB(e.Patch)});
        v.Set("lsb", int{PatchLSB(e.Patch)});
        v.Set("program", int{PatchProgram(e.Patch)});
        v.Set("drum", IsDrumPatch(e.Patch));
        v.Set("name", e.Name);
        v.Set("text", list.FavoriteText(i) + (IsDrumPatch(e.Patch) ? " [drum]" : ""));
        r.Add(std::move(v));
    }
    return r;
}

// Plain text: one line a voice in the favourites editor's form.
void PrintList(const char* title, const TVoiceList& list) {
    std::cout << title << " (" << list.Count() << "):\n";
    for (int i = 0; i < list.Count(); ++i)
        std::cout << "  " << list.FavoriteText(i) << (IsDrumPatch(list[i].Patch) ? " [drum]" : "")
                  << "\n";
}

} // namespace

int VoicesCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    const bool json = TakeFlag(args, "--json");
    if (args.size() != 1) return UsageError("voices takes one FILE (and --json)");
    TVoiceSet set;
    const TVoiceSetReadResult read = ReadVoiceSetFile(args[0], set);
    if (!read.Ok) {
        std::cerr << "talvimorena-tool: " << args[0] << ": not a voice set: " << read.Message
                  << "\n";
        return 1;
    }
    const TDlsCollection& collection = set.Collection;
    // A compressed SoundFont's samples stay in the bank, for the synthesiser to decode.
    const std::string waves = set.PlaysOwnImage() ? "compressed, kept in the bank"
                                                  : std::to_string(collection.Waves.size());
    TVoiceList ordered, sorted;
    for (size_t i = 0; i < collection.Instruments.size(); ++i) {
        const TDlsInstrument& inst = collection.Instruments[i];
        TVoiceEntry e;
        e.Index = static_cast<int32_t>(i);
        e.Patch = inst.Patch();
        e.Name = inst.Name;
        if (!ordered.Add(e)) break;
        sorted.Add(e);
    }
    sorted.Sort();
    const size_t beyond = collection.Instruments.size() > VoiceListCapacity
                              ? collection.Instruments.size() - VoiceListCapacity
                              : 0;
    if (json) {
        TReport r = TReport::Object();
        r.Set("file", args[0]);
        r.Set("format", VoiceSetFormatName(set.Format));
        r.Set("name", collection.Name);
        r.Set("instruments", static_cast<int64_t>(collection.Instruments.size()));
        r.Set("waves", static_cast<int64_t>(collection.Waves.size()));
        r.Set("compressed", set.PlaysOwnImage());
        r.Set("beyondCapacity", static_cast<int64_t>(beyond));
        r.Set("collectionOrder", DescribeList(ordered));
        r.Set("sorted", DescribeList(sorted));
        r.PrintJson(std::cout);
        return 0;
    }
    std::cout << "file: " << args[0] << "\nformat: " << VoiceSetFormatName(set.Format)
              << "\nname: " << collection.Name << "\ninstruments: " << collection.Instruments.size()
              << "\nwaves: " << waves << "\n";
    if (beyond)
        std::cout << "note: " << beyond << " instruments lie beyond the voice list's 300 places\n";
    PrintList("collection order", ordered);
    PrintList("sorted", sorted);
    return 0;
}

int ConvertCommand(const TArgs& argsIn) {
    TArgs args = argsIn;
    const bool builtIn = TakeFlag(args, "--built-in");
    if (args.size() != 2) return UsageError("convert takes IN.sf2 OUT.dls (and --built-in)");
    const TVoiceSetConvertResult result = builtIn ? BuildBuiltInVoiceSetFile(args[0], args[1])
                                                  : ConvertSf2FileToDls(args[0], args[1]);
    if (!result.Ok) {
        std::cerr << "talvimorena-tool: " << args[0] << ": " << result.Message << "\n";
        return 1;
    }
    std::cout << result.Message << "\n";
    return 0;
}
