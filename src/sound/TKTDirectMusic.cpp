// FluidSynth behind the synthesiser wrapper: voice sets reach it as SoundFont images
// in memory, converted from the DLS collections the program loads.
#include "sound/TKTDirectMusic.h"

#include "base/FileUtil.h"
#include "base/ShortString.h"
#include "settings/Settings.h"
#include "sound/formats/DlsReader.h"
#include "sound/formats/VoiceSetConvert.h"

#include <fluidsynth.h>

#include <cstdio>
#include <cstring>
#include <map>

namespace {

// FluidSynth opens sound fonts by name through loader callbacks. Images in memory are
// published under names "talvimorena-memory:<n>" that the callbacks resolve here.
class TMemoryImages {
public:
    static TMemoryImages& Instance() {
        static TMemoryImages images;
        return images;
    }
    std::string Publish(std::shared_ptr<const std::vector<uint8_t>> image) {
        std::lock_guard lock(Mutex);
        const std::string name = Prefix + std::to_string(++Last);
        Images[name] = std::move(image);
        return name;
    }
    void Withdraw(const std::string& name) {
        std::lock_guard lock(Mutex);
        Images.erase(name);
    }
    std::shared_ptr<const std::vector<uint8_t>> Find(const char* name) {
        std::lock_guard lock(Mutex);
        auto it = Images.find(name ? name : "");
        return it == Images.end() ? nullptr : it->second;
    }
    static constexpr const char* Prefix = "talvimorena-memory:";

private:
    std::mutex Mutex;
    unsigned Last = 0;
    std::map<std::string, std::shared_ptr<const std::vector<uint8_t>>> Images;
};

struct TMemoryHandle {
    std::shared_ptr<const std::vector<uint8_t>> Image;
    fluid_long_long_t Pos = 0;
};

void* MemOpen(const char* filename) {
    auto image = TMemoryImages::Instance().Find(filename);
    if (!image) return nullptr; // not ours: FluidSynth's own file loader takes it
    return new TMemoryHandle{std::move(image), 0};
}

int MemRead(void* buf, fluid_long_long_t count, void* handle) {
    auto* h = static_cast<TMemoryHandle*>(handle);
    const auto size = static_cast<fluid_long_long_t>(h->Image->size());
    if (count < 0 || h->Pos > size - count) return FLUID_FAILED;
    std::memcpy(buf, h->Image->data() + h->Pos, static_cast<size_t>(count));
    h->Pos += count;
    return FLUID_OK;
}

int MemSeek(void* handle, fluid_long_long_t offset, int origin) {
    auto* h = static_cast<TMemoryHandle*>(handle);
    const auto size = static_cast<fluid_long_long_t>(h->Image->size());
    fluid_long_long_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? h->Pos : size;
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FLUID_FAILED;
    const fluid_long_long_t pos = base + offset;
    if (pos < 0 || pos > size) return FLUID_FAILED;
    h->Pos = pos;
    return FLUID_OK;
}

fluid_long_long_t MemTell(void* handle) { return static_cast<TMemoryHandle*>(handle)->Pos; }

int MemClose(void* handle) {
    delete static_cast<TMemoryHandle*>(handle);
    return FLUID_OK;
}

} // namespace

struct TKTDirectMusic::TFluid {
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    int SoundFont = -1;      // id of the loaded voice set in the synthesiser

    ~TFluid() {
        if (Synth) delete_fluid_synth(Synth);
        if (Settings) delete_fluid_settings(Settings);
    }
};

TKTDirectMusic::TKTDirectMusic(TVoiceList& voices) : Voices(voices), Fluid(new TFluid) {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    Fluid->Settings = new_fluid_settings();
    if (!Fluid->Settings) return;
    fluid_settings_setnum(Fluid->Settings, "synth.sample-rate", SampleRate);
    fluid_settings_setint(Fluid->Settings, "synth.polyphony", 256);
    fluid_settings_setint(Fluid->Settings, "synth.threadsafe-api", 1);
    fluid_settings_setint(Fluid->Settings, "synth.dynamic-sample-loading", 0);
    Fluid->Synth = new_fluid_synth(Fluid->Settings);
    if (!Fluid->Synth) return;
    fluid_sfloader_t* loader = new_fluid_defsfloader(Fluid->Settings);
    if (loader) {
        fluid_sfloader_set_callbacks(loader, MemOpen, MemRead, MemSeek, MemTell, MemClose);
        fluid_synth_add_sfloader(Fluid->Synth, loader);
    }
}

TKTDirectMusic::~TKTDirectMusic() {
    Fluid.reset();
    Voices.Clear();
}

bool TKTDirectMusic::HasSynth() const { return Fluid && Fluid->Synth; }

std::string TKTDirectMusic::LastVoiceSetError() const {
    std::lock_guard lock(Mutex);
    return VoiceSetError;
}

void TKTDirectMusic::FillVoiceList() {
    Voices.Clear();
    if (!Collection) return;
    int i = 0;
    for (const TDlsInstrument& inst : Collection->Instruments) {
        TVoiceEntry e;
        e.Index = i;
        e.Patch = inst.Patch();
        e.Name = VoiceNameOf(inst.Name);
        e.SynthBank = RuntimeSoundFontBank(i);
        e.SynthProgram = RuntimeSoundFontProgram(i);
        if (!Voices.Add(e)) break; // the list holds 300 voices; the rest stay unplayable
        ++i;
    }
}

bool TKTDirectMusic::LoadVoiceSetFromMemory(std::span<const uint8_t> image) {
    {
        std::lock_guard lock(Mutex);
        auto collection = std::make_unique<TDlsCollection>();
        const TDlsReadResult read = ReadDls(image, *collection);
        Collection.reset();
        if (!read.Ok) {
            Voices.Clear();
            VoiceSetError = read.Message;
            return false;
        }
        Collection = std::move(collection);
        VoiceSetError.clear();
        FillVoiceList();
        Voices.Sort();
    }
    DownloadVoices();
    return true;
}

bool TKTDirectMusic::LoadExternalDLS(const TSettings& settings) {
    std::lock_guard lock(Mutex);
    Voices.Clear();
    // With the list emptied, the old set has nothing left to play: let it go, so that
    // a later download cannot hand the synthesiser a set the list does not show.
    Collection.reset();
    // The settings keep the path in code page 936, as the file stores it.
    const std::string path = Cp936ToUtf8(settings.ExternalDLSFile);
    if (!settings.UseExternalDLS || !FileExists(path)) return false;
    auto collection = std::make_unique<TDlsCollection>();
    const TDlsReadResult read = ReadDlsFile(path, *collection);
    if (!read.Ok) {
        VoiceSetError = read.Message;
        return false;
    }
    Collection = std::move(collection);
    VoiceSetError.clear();
    FillVoiceList();
    return true;
}

bool TKTDirectMusic::ReloadExternalDLS(const TSettings& settings) {
    LoadExternalDLS(settings);
    DownloadVoices();
    return true;
}

bool TKTDirectMusic::DownloadVoices() {
    std::shared_ptr<std::vector<uint8_t>> image;
    {
        std::lock_guard lock(Mutex);
        if (!Collection || !HasSynth()) return false;
        image = std::make_shared<std::vector<uint8_t>>();
        const TVoiceSetConvertResult result = BuildRuntimeSoundFont(*Collection, *image);
        if (!result.Ok) {
            VoiceSetError = result.Message;
            return false;
        }
    }
    return LoadSoundFontImage(std::move(image));
}

bool TKTDirectMusic::LoadSoundFontImage(std::shared_ptr<const std::vector<uint8_t>> image) {
    std::lock_guard lock(Mutex);
    if (!HasSynth()) return false;
    if (Fluid->SoundFont >= 0) {
        fluid_synth_all_sounds_off(Fluid->Synth, -1);
        fluid_synth_sfunload(Fluid->Synth, Fluid->SoundFont, 1);
        Fluid->SoundFont = -1;
    }
    // FluidSynth copies the samples while it loads (samples are not loaded on demand),
    // so the image is only published for the duration of the load.
    const std::string name = TMemoryImages::Instance().Publish(std::move(image));
    Fluid->SoundFont = fluid_synth_sfload(Fluid->Synth, name.c_str(), 1);
    TMemoryImages::Instance().Withdraw(name);
    if (Fluid->SoundFont < 0) {
        VoiceSetError = "the synthesiser refused the converted voice set";
        return false;
    }
    return true;
}

bool TKTDirectMusic::SelectVoice(int channel, int position) {
    std::lock_guard lock(Mutex);
    if (!HasSynth() || Fluid->SoundFont < 0 || position < 0 || position >= Voices.Count())
        return false;
    const TVoiceEntry& e = Voices[position];
    return fluid_synth_program_select(Fluid->Synth, channel, Fluid->SoundFont,
                                      e.SynthBank, e.SynthProgram) == FLUID_OK;
}

bool TKTDirectMusic::NoteOn(int channel, int note, int velocity) {
    std::lock_guard lock(Mutex);
    return HasSynth() && fluid_synth_noteon(Fluid->Synth, channel, note, velocity) == FLUID_OK;
}

bool TKTDirectMusic::NoteOff(int channel, int note) {
    std::lock_guard lock(Mutex);
    return HasSynth() && fluid_synth_noteoff(Fluid->Synth, channel, note) == FLUID_OK;
}

bool TKTDirectMusic::RenderOffline(std::span<float> left, std::span<float> right) {
    std::lock_guard lock(Mutex);
    if (!HasSynth() || left.size() != right.size()) return false;
    return fluid_synth_write_float(Fluid->Synth, static_cast<int>(left.size()), left.data(), 0, 1,
                                   right.data(), 0, 1) == FLUID_OK;
}
