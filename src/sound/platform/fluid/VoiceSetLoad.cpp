#include "sound/platform/fluid/VoiceSetLoad.h"

#include "base/FileUtil.h"
#include "sound/VoiceList.h"
#include "sound/platform/fluid/MemoryImages.h"
#include "sound/platform/fluid/SynthDriver.h"
#include "sound/platform/fluid/SynthRenderer.h"
#include "voiceset/convert/RuntimeSoundFont.h"
#include "voiceset/convert/VoiceSetConvert.h"

#include <fluidsynth.h>
#include <malloc.h>

std::shared_ptr<std::vector<uint8_t>> TakeSoundFontImage(TVoiceSet& set, std::string& error) {
    auto image = std::make_shared<std::vector<uint8_t>>();
    if (set.PlaysOwnImage()) {
        image->swap(set.SoundFontImage);
        return image;
    }
    const TVoiceSetConvertResult result = BuildRuntimeSoundFont(set.Collection, *image);
    if (!result.Ok) {
        error = result.Message;
        return nullptr;
    }
    for (TDlsWave& wave : set.Collection.Waves)
        std::vector<int16_t>().swap(wave.Samples);
    return image;
}

void FillVoiceList(const TVoiceSet* set, TVoiceList& voices) {
    voices.Clear();
    if (!set) return;
    const bool ownImage = set->PlaysOwnImage();
    int i = 0;
    for (const TDlsInstrument& inst : set->Collection.Instruments) {
        TVoiceEntry e;
        e.Index = i;
        e.Patch = inst.Patch();
        e.Name = VoiceNameOf(inst.Name);
        // The run-time image numbers the instruments by position; a set that plays
        // its own image keeps its presets' numbers.
        const auto at = static_cast<size_t>(i);
        e.SynthBank = ownImage ? set->SoundFontPresets[at].Bank : RuntimeSoundFontBank(i);
        e.SynthProgram = ownImage ? set->SoundFontPresets[at].Program : RuntimeSoundFontProgram(i);
        if (!voices.Add(e)) break; // the list holds 300 voices; the rest stay unplayable
        ++i;
    }
}

void KeepInstrumentsOnly(TVoiceSet& set) {
    for (TDlsInstrument& inst : set.Collection.Instruments) {
        std::vector<TDlsRegion>().swap(inst.Regions);
        std::vector<TDlsArticulation>().swap(inst.Articulations);
    }
    std::vector<TDlsWave>().swap(set.Collection.Waves);
    std::vector<uint32_t>().swap(set.Collection.Cues);
    malloc_trim(0);
}

TSetArrival::TSetArrival(TSynthRenderer& renderer, TSynthDriver& synth)
    : Renderer(renderer), Synth(synth) {
    Renderer.BeginArrival();
    if (Synth.SoundFont >= 0) {
        fluid_synth_all_sounds_off(Synth.Synth, -1);
        fluid_synth_sfunload(Synth.Synth, Synth.SoundFont, 1);
        Synth.SoundFont = -1;
    }
}

TSetArrival::~TSetArrival() {
    Renderer.EndArrival();
}

int TSetArrival::Load(std::shared_ptr<const TImageBytes> image) {
    // FluidSynth copies the samples while it loads (samples are not loaded on
    // demand), so the image is only published for the duration of the load.
    return LoadImage(Synth.Synth, std::move(image));
}

void TBackgroundLoad::Run(const std::string& path, TSetArrival& arrival) {
    auto set = std::make_unique<TVoiceSet>();
    auto inPlace = std::make_shared<TRuntimeSoundFont>();
    std::shared_ptr<const TImageBytes> image;
    if (ReadVoiceSetFileInPlace(path, *set, *inPlace).Ok) {
        image = ImageInPlace(std::move(inPlace));
    } else {
        // Not a DLS collection read in place (a SoundFont, or a broken file): read
        // whole as any voice set is.
        set = std::make_unique<TVoiceSet>();
        auto bytes = ReadWhole(path, *set);
        if (!bytes) return;
        image = ImageInMemory(std::move(bytes));
    }
    SoundFont = arrival.Load(std::move(image));
    malloc_trim(0);
    if (SoundFont < 0) {
        Error = "the synthesiser refused the voice set's image";
        return;
    }
    Set = std::move(set);
}

std::shared_ptr<const std::vector<uint8_t>> TBackgroundLoad::ReadWhole(const std::string& path,
                                                                       TVoiceSet& set) {
    const TVoiceSetReadResult read = ReadVoiceSetFile(path, set);
    if (!read.Ok) {
        Error = read.Message;
        return nullptr;
    }
    return TakeSoundFontImage(set, Error);
}

void TLoadedVoiceSet::Clear(TVoiceList& voices) {
    voices.Clear();
    Set.reset();
    SamplesHandedOver = false;
}

bool TLoadedVoiceSet::ReadImage(std::span<const uint8_t> image, TVoiceList& voices) {
    auto set = std::make_unique<TVoiceSet>();
    const TVoiceSetReadResult read = ReadVoiceSet(image, *set);
    Set.reset();
    SamplesHandedOver = false;
    if (!read.Ok) {
        voices.Clear();
        Error = read.Message;
        return false;
    }
    Set = std::move(set);
    Error.clear();
    FillVoiceList(Set.get(), voices);
    voices.Sort();
    return true;
}

bool TLoadedVoiceSet::ReadFile(const std::string& path, TVoiceList& voices) {
    // With the list emptied, the old set has nothing left to play: let it go, so that
    // a later download cannot hand the synthesiser a set the list does not show.
    Clear(voices);
    if (path.empty() || !FileExists(path)) return false;
    auto set = std::make_unique<TVoiceSet>();
    const TVoiceSetReadResult read = ReadVoiceSetFile(path, *set);
    if (!read.Ok) {
        Error = read.Message;
        return false;
    }
    Set = std::move(set);
    Error.clear();
    FillVoiceList(Set.get(), voices);
    return true;
}

bool TLoadedVoiceSet::Take(TBackgroundLoad& load, TVoiceList& voices) {
    if (!load.Set) {
        Error = load.Error;
        return false;
    }
    Set = std::move(load.Set);
    SamplesHandedOver = true;
    Error.clear();
    FillVoiceList(Set.get(), voices);
    voices.Sort();
    // The synthesiser plays the set from here on.
    KeepInstrumentsOnly(*Set);
    return true;
}

std::shared_ptr<std::vector<uint8_t>> TLoadedVoiceSet::TakeImage() {
    auto image = TakeSoundFontImage(*Set, Error);
    if (image) SamplesHandedOver = true;
    return image;
}
