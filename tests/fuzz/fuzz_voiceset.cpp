// Voice-set files as the program takes them (DLS, SoundFont 2 or 3): any bytes are read
// into a set or refused with a reason. A SoundFont that reads has instruments; a
// compressed one's own image reads back as the same set; any other set becomes a
// run-time SoundFont that reads back with a preset for each instrument, or is refused
// with a reason.
#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/convert/VoiceSetReader.h"
#include "voiceset/sf2/Sf2Reader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TVoiceSet set;
    set.Collection.Name = "before";
    const TVoiceSetReadResult read = ReadVoiceSet({data, size}, set);
    if (!read.Ok) {
        if (read.Message.empty() || set.Collection.Name != "before") std::abort();
        return 0;
    }
    // A DLS collection may be empty; a SoundFont without presets is refused.
    if (set.Format != TVoiceSetFormat::Dls && set.Collection.Instruments.empty()) std::abort();

    if (set.PlaysOwnImage()) {
        if (set.Format != TVoiceSetFormat::SoundFont3 ||
            set.SoundFontPresets.size() != set.Collection.Instruments.size() ||
            !set.Collection.Waves.empty())
            std::abort();
        TVoiceSet again;
        if (!ReadVoiceSet(set.SoundFontImage, again).Ok ||
            again.Collection.Instruments != set.Collection.Instruments ||
            again.SoundFontPresets != set.SoundFontPresets ||
            again.SoundFontImage != set.SoundFontImage)
            std::abort();
        return 0;
    }
    if (!set.SoundFontPresets.empty()) std::abort();
    std::vector<uint8_t> image;
    const TVoiceSetConvertResult built = BuildRuntimeSoundFont(set.Collection, image);
    if (!built.Ok) {
        if (built.Message.empty()) std::abort();
        return 0;
    }
    TSf2Bank bank;
    if (!ReadSf2(image, bank).Ok || bank.Presets.size() != set.Collection.Instruments.size())
        std::abort();
    return 0;
}
