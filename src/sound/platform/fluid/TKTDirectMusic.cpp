// The synthesiser wrapper's face: the ports and the driver's state, the channels'
// messages and programs, the properties, and the voice sets handed to the parts that
// load them.
#include "sound/platform/fluid/TKTDirectMusic.h"

#include "base/FileUtil.h"
#include "sound/MidiEncoding.h"
#include "sound/MidiLog.h"
#include "sound/platform/PulseAudioDevices.h"
#include "sound/platform/fluid/MemoryImages.h"
#include "sound/platform/fluid/SynthDriver.h"
#include "sound/platform/fluid/SynthRenderer.h"
#include "sound/platform/fluid/VoiceSetLoad.h"

#include <malloc.h>

#include <chrono>
#include <thread>

TKTDirectMusic::TKTDirectMusic(TVoiceList& voices, TKTDirectMusicSetup setup)
    : Voices(voices), Log(setup.Log ? *setup.Log : ProcessMidiLog()),
      PlatformVersion(setup.DirectXVersion), Fluid(std::make_unique<TSynthDriver>(SampleRate)) {
    Program.fill(-1);
    DirectSound = setup.Devices ? std::make_unique<TKTDirectSound>(std::move(*setup.Devices))
                                : std::make_unique<TKTDirectSound>();
    Renderer = std::make_unique<TSynthRenderer>(Fluid->Synth, SampleRate, std::move(setup.Clock));
    Fluid->Connect(*Renderer, Ports, DirectSound.get());
    if (const auto roomsize = Fluid->RoomSize())
        Renderer->TailFrames = TailFramesFor(*roomsize, SampleRate);
    AttachDirectSound(0);
    Ports = setup.Ports ? std::move(*setup.Ports) : EnumeratePorts(AudioDrivers());
}

TKTDirectMusic::~TKTDirectMusic() {
    std::unique_ptr<TBackgroundLoad> load;
    {
        TLock lock(Mutex);
        load = std::move(Loading);
    }
    if (load && load->Thread.joinable()) load->Thread.join();
    {
        TLock lock(Mutex);
        Fluid->StopDriver();
        Fluid->Sequencer.Close();
    }
    Fluid.reset();
    Voices.Clear();
}

std::vector<std::string> TKTDirectMusic::AudioDrivers() {
    return TSynthDriver::AudioDrivers();
}

TPlatformCheck TKTDirectMusic::PlatformCheck() {
    return {"libfluidsynth", TSynthDriver::Usable};
}

// ---- Ports and devices ----

int32_t TKTDirectMusic::DefaultOutputPortIndex() const {
    if (Ports.OutputCount() == 0) return -1;
    return ::DefaultOutputPortIndex(Ports, PulseServerAnswers());
}

bool TKTDirectMusic::SelectOutputPort(int32_t index) {
    TLock lock(Mutex);
    return Fluid->SelectPort(index);
}

bool TKTDirectMusic::OpenOfflinePort() {
    TLock lock(Mutex);
    if (!Fluid->OpenOffline()) return false;
    OfflineOpen.store(true, std::memory_order_release);
    return true;
}

bool TKTDirectMusic::IsPortOpen() const {
    TLock lock(Mutex);
    return Fluid->Open != TOpenPort::None;
}

bool TKTDirectMusic::AttachDirectSound(int32_t deviceIndex) {
    TLock lock(Mutex);
    if (!DirectSound) return true;
    Fluid->SetEngineActive(false);
    if (!DirectSound->SelectDevice(deviceIndex)) return false;
    Fluid->SetEngineActive(true);
    return true;
}

void TKTDirectMusic::SetActive(bool on) {
    TLock lock(Mutex);
    Fluid->SetEngineActive(on);
}

void TKTDirectMusic::ActivatePort(bool on) {
    TLock lock(Mutex);
    Fluid->SetPortActive(on);
}

// ---- Voice sets ----

std::string TKTDirectMusic::LastVoiceSetError() const {
    TLock lock(Mutex);
    return Loaded.Error;
}

bool TKTDirectMusic::BeginVoiceSetLoad(const std::string& path, std::function<void()> loaded) {
    TLock lock(Mutex);
    if (Loading || Fluid->Open != TOpenPort::Software || !Fluid->Synth) return false;
    // From here the renderer leaves FluidSynth alone until the thread is done.
    auto arrival = std::make_shared<TSetArrival>(*Renderer, *Fluid);
    Loaded.Clear(Voices);
    BuildPatchIndex();
    Loading = std::make_unique<TBackgroundLoad>();
    TBackgroundLoad* load = Loading.get();
    load->Thread = std::thread(
        [load, arrival = std::move(arrival), path, loaded = std::move(loaded)]() mutable {
            load->Run(path, *arrival);
            arrival.reset();
            if (loaded) loaded();
        });
    return true;
}

bool TKTDirectMusic::FinishVoiceSetLoad() {
    std::unique_ptr<TBackgroundLoad> load;
    {
        TLock lock(Mutex);
        load = std::move(Loading);
    }
    if (!load) return false;
    if (load->Thread.joinable()) load->Thread.join();
    TLock lock(Mutex);
    const int soundFont = load->SoundFont;
    if (!Loaded.Take(*load, Voices)) return false;
    Fluid->SoundFont = soundFont;
    BuildPatchIndex();
    ReprogramChannelsLocked();
    return true;
}

bool TKTDirectMusic::LoadVoiceSetFromMemory(std::span<const uint8_t> image) {
    if (!ReadVoiceSetImage(image)) return false;
    DownloadVoices();
    return true;
}

bool TKTDirectMusic::LoadVoiceSetFromMemory(std::vector<uint8_t>&& image) {
    const bool read = ReadVoiceSetImage(image);
    // The collection holds what it needs: the file's bytes go before the download
    // makes its own copies.
    std::vector<uint8_t>().swap(image);
    if (!read) return false;
    DownloadVoices();
    return true;
}

bool TKTDirectMusic::ReadVoiceSetImage(std::span<const uint8_t> image) {
    TLock lock(Mutex);
    if (Loaded.ReadImage(image, Voices)) return true;
    BuildPatchIndex();
    return false;
}

bool TKTDirectMusic::LoadExternalDLS(const std::string& path) {
    TLock lock(Mutex);
    // The set the synthesiser holds has nothing left to play until the download.
    Loaded.Clear(Voices);
    BuildPatchIndex();
    return Loaded.ReadFile(path, Voices);
}

bool TKTDirectMusic::ReloadExternalDLS(const std::string& path) {
    LoadExternalDLS(path);
    DownloadVoices();
    return true;
}

bool TKTDirectMusic::DownloadVoices() {
    std::shared_ptr<std::vector<uint8_t>> image;
    {
        TLock lock(Mutex);
        if (!Loaded.Has() || !Fluid->SoftwarePort()) return false;
        if (Loaded.HandedOver()) {
            // The synthesiser holds this very set: downloading it again changes nothing.
            if (Fluid->SoundFont >= 0) return true;
            Loaded.Error = "the voice set's samples were handed to the synthesiser already";
            return false;
        }
        image = Loaded.TakeImage();
        if (!image) return false;
    }
    const bool loaded = LoadSoundFontImage(std::move(image));
    // The collection's samples and the converted image were many blocks of the heap:
    // give their pages back to the system now rather than keep them for later.
    malloc_trim(0);
    return loaded;
}

bool TKTDirectMusic::LoadSoundFontImage(std::shared_ptr<const std::vector<uint8_t>> image) {
    TLock lock(Mutex);
    if (!Fluid->SoftwarePort()) return false;
    {
        // The same guard as the built-in set's: the stream goes on in silence while
        // FluidSynth holds its lock for the load.
        TSetArrival arrival(*Renderer, *Fluid);
        Fluid->SoundFont = arrival.Load(ImageInMemory(std::move(image)));
    }
    BuildPatchIndex();
    if (Fluid->SoundFont < 0) {
        Loaded.Error = "the synthesiser refused the voice set's image";
        return false;
    }
    // Channels keep the programs they were given, now from the new set.
    ReprogramChannelsLocked();
    return true;
}

void TKTDirectMusic::BuildPatchIndex() {
    if (!Fluid || Fluid->SoundFont < 0)
        Resolver.Clear();
    else
        Resolver.Build(Voices);
}

void TKTDirectMusic::ReprogramChannelsLocked() {
    for (uint8_t ch = 0; ch < ChannelCount; ++ch)
        if (Program[ch] >= 0) ProgramChangeLocked(ch, static_cast<uint8_t>(Program[ch]));
}

// ---- Messages ----

bool TKTDirectMusic::SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
    TLock lock(Mutex);
    return SendLocked(status, data1, data2);
}

bool TKTDirectMusic::SendLocked(uint8_t status, uint8_t data1, uint8_t data2) {
    Log.Log(status, data1, data2);
    if (Fluid->Open == TOpenPort::None) return false;
    if (status < 0x80 || status >= 0xF0 || ((data1 | data2) & 0x80)) return false;
    if (Fluid->Open == TOpenPort::Sequencer) {
        const uint8_t bytes[3] = {status, data1, data2};
        return Fluid->Sequencer.Send(bytes, MidiEncoding::MessageLength(status));
    }
    const uint8_t ch = status & 0x0F;
    switch (status & 0xF0) {
    case 0xB0:
        // Bank selects are kept here and take effect with the next program change.
        if (data1 == 0x00) {
            BankMSB[ch] = data2;
            return true;
        }
        if (data1 == 0x20) {
            BankLSB[ch] = data2;
            return true;
        }
        break;
    case 0xC0:
        Program[ch] = data1;
        return ProgramChangeLocked(ch, data1);
    }
    // A note that already ended is no failure: the message reached the synthesiser.
    ScheduleLocked(status, data1, data2);
    return true;
}

void TKTDirectMusic::ScheduleLocked(uint8_t status, uint8_t data1, uint8_t data2, int soundFont,
                                    int bank, int program) {
    using TRendering = TSynthRenderer::TRendering;
    const TRendering rendering = Fluid->Open == TOpenPort::Offline ? TRendering::Offline
                                 : Fluid->Driver                   ? TRendering::Driver
                                                                   : TRendering::None;
    Renderer->Hand({0, status, data1, data2, soundFont, bank, program}, rendering, RenderMutex);
}

bool TKTDirectMusic::ProgramChangeLocked(uint8_t channel, uint8_t program) {
    if (Fluid->SoundFont < 0) return false;
    const bool drum = channel == 9 || DrumRequest[channel];
    const int position =
        Resolver.Resolve(MakePatch(BankMSB[channel], BankLSB[channel], program, drum));
    // Nothing in the set answers: the channel keeps its voice.
    if (position < 0 || position >= Voices.Count()) return false;
    const TVoiceEntry& e = Voices[position];
    ScheduleLocked(0xC0 | channel, program, 0, Fluid->SoundFont, e.SynthBank, e.SynthProgram);
    return true;
}

bool TKTDirectMusic::NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    const TShortMessage m = MidiEncoding::NoteOn(channel, note, velocity);
    const bool ok = SendLocked(m.Status, m.Data1, m.Data2);
    LastNotes[channel].store(note, std::memory_order_relaxed);
    return ok;
}

bool TKTDirectMusic::NoteOff(uint8_t channel, uint8_t note) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    const TShortMessage m = MidiEncoding::NoteOff(channel, note);
    return SendLocked(m.Status, m.Data1, m.Data2);
}

bool TKTDirectMusic::ControlChange(uint8_t channel, uint8_t controller, uint8_t value) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    const TShortMessage m = MidiEncoding::ControlChange(channel, controller, value);
    return SendLocked(m.Status, m.Data1, m.Data2);
}

bool TKTDirectMusic::SetPatch(uint8_t channel, uint32_t patch) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    // The drum flag is not sent, but it tells this program change to look among the
    // kits, so that a kit chosen as a keyboard's voice plays as a kit on any channel.
    DrumRequest[channel] = IsDrumPatch(patch);
    bool ok = false;
    for (const TShortMessage& m : MidiEncoding::SetPatch(channel, patch))
        ok = SendLocked(m.Status, m.Data1, m.Data2); // the program change's result
    DrumRequest[channel] = false;
    Patches[channel].store(patch, std::memory_order_relaxed);
    return ok;
}

void TKTDirectMusic::SetSustain(uint8_t channel, bool on) {
    const TShortMessage m = MidiEncoding::Sustain(channel, on);
    ControlChange(channel, m.Data1, m.Data2);
}

void TKTDirectMusic::AllNotesOff(uint8_t channel) {
    const TShortMessage m = MidiEncoding::AllNotesOff(channel);
    ControlChange(channel, m.Data1, m.Data2);
}

void TKTDirectMusic::AllSoundOff(uint8_t channel) {
    const TShortMessage m = MidiEncoding::AllSoundOff(channel);
    ControlChange(channel, m.Data1, m.Data2);
}

bool TKTDirectMusic::SelectDrumKit() {
    uint32_t patch;
    {
        TLock lock(Mutex);
        if (Voices.Count() == 0) return false;
        patch = Voices[Voices.Count() - 1].Patch;
    }
    return SetPatch(9, patch);
}

uint32_t TKTDirectMusic::ChannelPatch(uint8_t channel) const {
    return channel < ChannelCount ? Patches[channel].load(std::memory_order_relaxed) : 0;
}

uint8_t TKTDirectMusic::LastNote(uint8_t channel) const {
    return channel < ChannelCount ? LastNotes[channel].load(std::memory_order_relaxed) : 0;
}

// ---- Properties ----

bool TKTDirectMusic::SetSynthVolume(int32_t level) {
    TLock lock(Mutex);
    if (!Fluid->SoftwarePort()) return false;
    Fluid->SetVolume(level);
    return true;
}

bool TKTDirectMusic::SetWriteLatency(uint32_t ms) {
    TLock lock(Mutex);
    return Fluid->SoftwarePort() && Fluid->ChangePeriods(ms, Fluid->PeriodMs);
}

bool TKTDirectMusic::SetWritePeriod(uint32_t ms) {
    TLock lock(Mutex);
    // The latency asked for stays; the number of periods follows the new period.
    return Fluid->SoftwarePort() && Fluid->ChangePeriods(Fluid->LatencyMs, ms);
}

uint32_t TKTDirectMusic::GetWriteLatency() const {
    TLock lock(Mutex);
    return Fluid->SoftwarePort() ? Fluid->LatencyInForceMs() : 0;
}

uint32_t TKTDirectMusic::GetWritePeriod() const {
    TLock lock(Mutex);
    return Fluid->SoftwarePort() ? Fluid->PeriodInForceMs() : 0;
}

int TKTDirectMusic::DriverPeriodFrames() const {
    TLock lock(Mutex);
    return Fluid->DriverFrames;
}

int TKTDirectMusic::DriverPeriods() const {
    TLock lock(Mutex);
    return Fluid->DriverPeriodCount;
}

void TKTDirectMusic::SetReverbLevel(uint8_t level) {
    if (PlatformVersion < 0x700) return;
    TLock lock(Mutex);
    if (!Fluid->SoftwarePort()) return;
    std::optional<std::pair<float, float>> row;
    if (level < ReverbLevels.size()) row = {ReverbLevels[level].MixDb, ReverbLevels[level].TimeMs};
    // A level past the table writes the reverb back as it was.
    if (const auto roomsize = Fluid->SetReverb(row))
        Renderer->TailFrames = TailFramesFor(*roomsize, SampleRate);
}

// ---- Offline audio ----

bool TKTDirectMusic::RenderOffline(std::span<float> left, std::span<float> right) {
    // The port stays open once opened: the rendering needs the senders' lock not at
    // all, so that it goes on while a sender loads a set.
    if (!OfflineOpen.load(std::memory_order_acquire) || left.size() != right.size()) return false;
    TLock rendering(RenderMutex);
    Renderer->Render(left.data(), right.data(), static_cast<int>(left.size()),
                     Renderer->SampleStamps ? 0 : Renderer->Stamp());
    return true;
}

int TKTDirectMusic::LatencyDelayFrames() const {
    return Renderer->Delay.load(std::memory_order_relaxed);
}

bool TKTDirectMusic::RenderingAtRest() const {
    return Renderer->Resting.load(std::memory_order_relaxed);
}

bool TKTDirectMusic::DriverAsleep() const {
    return Renderer->Sleeping.load(std::memory_order_relaxed);
}

int TKTDirectMusic::ActiveVoiceCount() const {
    TLock lock(Mutex);
    return Fluid->ActiveVoices();
}
