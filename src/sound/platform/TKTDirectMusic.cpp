// FluidSynth behind the synthesiser wrapper: every message of the program, its
// properties and audio driver; voice sets reach it as SoundFont images in memory,
// converted from the collections the program reads (DLS or SoundFont 2), or the
// compressed SoundFont's own.
#include "sound/platform/TKTDirectMusic.h"

#include "base/FileUtil.h"
#include "base/ShortString.h"
#include "sound/LatencyClock.h"
#include "sound/MidiLog.h"
#include "sound/platform/AlsaDevices.h"
#include "sound/platform/PulseAudioDevices.h"
#include "voiceset/convert/RuntimeSoundFont.h"
#include "voiceset/convert/VoiceSetConvert.h"
#include "voiceset/convert/VoiceSetReader.h"

#include <fluidsynth.h>
#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <thread>

namespace {

// A SoundFont image FluidSynth reads: bytes in memory, or a run-time image whose
// samples are read from the voice set's file as FluidSynth asks for them.
struct TImageSource {
    std::shared_ptr<const std::vector<uint8_t>> Bytes;
    std::shared_ptr<const TRuntimeSoundFont> Runtime;

    uint64_t Size() const { return Runtime ? Runtime->Size() : Bytes->size(); }
    bool Read(uint64_t offset, std::span<uint8_t> out) const {
        if (Runtime) return Runtime->Read(offset, out);
        if (offset > Bytes->size() || out.size() > Bytes->size() - offset) return false;
        std::memcpy(out.data(), Bytes->data() + offset, out.size());
        return true;
    }
};

// FluidSynth opens sound fonts by name through loader callbacks. Images are published
// under names "talvimorena-memory:<n>" that the callbacks resolve here.
class TMemoryImages {
public:
    static TMemoryImages& Instance() {
        static TMemoryImages images;
        return images;
    }
    std::string Publish(TImageSource image) EXCLUDES(Mutex) {
        TLock lock(Mutex);
        const std::string name = Prefix + std::to_string(++Last);
        Images[name] = std::move(image);
        return name;
    }
    void Withdraw(const std::string& name) EXCLUDES(Mutex) {
        TLock lock(Mutex);
        Images.erase(name);
    }
    std::optional<TImageSource> Find(const char* name) EXCLUDES(Mutex) {
        TLock lock(Mutex);
        auto it = Images.find(name ? name : "");
        if (it == Images.end()) return std::nullopt;
        return it->second;
    }
    static constexpr const char* Prefix = "talvimorena-memory:";

private:
    TMutex Mutex; // wrappers on several threads may load sets at once
    unsigned Last GUARDED_BY(Mutex) = 0;
    std::map<std::string, TImageSource> Images GUARDED_BY(Mutex);
};

struct TMemoryHandle {
    TImageSource Image;
    fluid_long_long_t Pos = 0;
};

void* MemOpen(const char* filename) {
    auto image = TMemoryImages::Instance().Find(filename);
    if (!image) return nullptr; // not ours: FluidSynth's own file loader takes it
    return new TMemoryHandle{std::move(*image), 0};
}

// FluidSynth reads a set's samples in one piece into a buffer it has just allocated,
// 140 MB for the built-in set: its pages are asked to be huge ones, so that filling it
// costs a few dozen page faults instead of tens of thousands.
void PreferHugePages(void* buf, size_t count) {
    constexpr uintptr_t Huge = uintptr_t{2} << 20;
    if (count < 4 * Huge) return;
    const auto from = (reinterpret_cast<uintptr_t>(buf) + Huge - 1) & ~(Huge - 1);
    const auto to = (reinterpret_cast<uintptr_t>(buf) + count) & ~(Huge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

int MemRead(void* buf, fluid_long_long_t count, void* handle) {
    auto* h = static_cast<TMemoryHandle*>(handle);
    const auto size = static_cast<fluid_long_long_t>(h->Image.Size());
    if (count < 0 || h->Pos > size - count) return FLUID_FAILED;
    PreferHugePages(buf, static_cast<size_t>(count));
    if (!h->Image.Read(static_cast<uint64_t>(h->Pos),
                       {static_cast<uint8_t*>(buf), static_cast<size_t>(count)}))
        return FLUID_FAILED;
    h->Pos += count;
    return FLUID_OK;
}

int MemSeek(void* handle, fluid_long_long_t offset, int origin) {
    auto* h = static_cast<TMemoryHandle*>(handle);
    const auto size = static_cast<fluid_long_long_t>(h->Image.Size());
    fluid_long_long_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? h->Pos : size;
    if (origin != SEEK_SET && origin != SEEK_CUR && origin != SEEK_END) return FLUID_FAILED;
    const fluid_long_long_t pos = base + offset;
    if (pos < 0 || pos > size) return FLUID_FAILED;
    h->Pos = pos;
    return FLUID_OK;
}

fluid_long_long_t MemTell(void* handle) {
    return static_cast<TMemoryHandle*>(handle)->Pos;
}

int MemClose(void* handle) {
    delete static_cast<TMemoryHandle*>(handle);
    return FLUID_OK;
}

} // namespace

namespace {

// FluidSynth's own level, what the program calls 0 dB.
constexpr double NormalGain = 0.2;
// FluidSynth's limits on the driver's buffer.
constexpr int MinPeriodFrames = 64, MaxPeriodFrames = 8192;
constexpr int MinPeriods = 2, MaxPeriods = 64;
// FluidSynth's reverb turns its room size into a decay time at low frequencies of
// 0.7 s (room size 0) to 12.5 s (room size 1), in a straight line.
constexpr double ReverbMinTime = 0.7, ReverbMaxTime = 12.5;

void QuietFluidLog() {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

bool FluidSynthUsable() {
    QuietFluidLog();
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) return false;
    fluid_synth_t* synth = new_fluid_synth(settings);
    const bool ok = synth != nullptr;
    if (synth) delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return ok;
}

void CollectOption(void* data, const char*, const char* option) {
    static_cast<std::vector<std::string>*>(data)->push_back(option);
}

// Bytes of a channel message by its status: program change and channel pressure
// carry one data byte.
size_t MessageLength(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

} // namespace

struct TKTDirectMusic::TFluid {
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    fluid_audio_driver_t* Driver = nullptr;
    int SoundFont = -1;    // id of the loaded voice set in the synthesiser
    int PeriodFrames = 64; // the write period in force
    int Periods = 16;      // write latency = PeriodFrames * Periods
    // The driver's own periods: smaller than the write period, so that the latency
    // clock's delay (one driver period and the renderer's lead) stays well inside
    // the write latency.
    int DriverFrames = 64;
    int DriverPeriodCount = 16;
    // The latency and period last asked for: each setter keeps the other's request,
    // so that lowering the latency from a long period does not keep it high.
    uint32_t LatencyMs = 23, PeriodMs = 1;
    TSeqMidiOutput Sequencer;

    ~TFluid() {
        if (Driver) delete_fluid_audio_driver(Driver);
        if (Synth) delete_fluid_synth(Synth);
        if (Settings) delete_fluid_settings(Settings);
    }
};

namespace {

// FluidSynth renders in blocks of this many frames: a message takes effect at the
// start of the next block.
constexpr int FluidBlock = 64;
// Messages that can wait for the renderer; a key press sends at most 16 (a chord of
// eight notes and their pedal), the accompaniment a few per step.
constexpr size_t QueueCapacity = 4096;

int64_t MonotonicNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The reverb's decay for a room size of FluidSynth's, in seconds.
double ReverbDecaySeconds(double roomsize) {
    return ReverbMinTime + std::clamp(roomsize, 0.0, 1.0) * (ReverbMaxTime - ReverbMinTime);
}

// Frames of silence after the last voice before the effects' tails are taken as over.
int64_t TailFramesFor(double roomsize) {
    return std::llround((ReverbDecaySeconds(roomsize) + 0.5) * TKTDirectMusic::SampleRate);
}

// Applies one message to the synthesiser.
void ApplyToSynth(fluid_synth_t* synth, const TTimedMessage& m) {
    const uint8_t ch = m.Status & 0x0F;
    switch (m.Status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(synth, ch, m.Data1);
        break;
    case 0x90:
        if (m.Data2 == 0)
            fluid_synth_noteoff(synth, ch, m.Data1);
        else
            fluid_synth_noteon(synth, ch, m.Data1, m.Data2);
        break;
    case 0xA0:
        fluid_synth_key_pressure(synth, ch, m.Data1, m.Data2);
        break;
    case 0xB0:
        fluid_synth_cc(synth, ch, m.Data1, m.Data2);
        break;
    case 0xC0:
        fluid_synth_program_select(synth, ch, m.SoundFont, m.Bank, m.Program);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(synth, ch, m.Data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(synth, ch, m.Data1 | (m.Data2 << 7));
        break;
    }
}

bool StartsSound(const TTimedMessage& m) {
    return (m.Status & 0xF0) == 0x90 && m.Data2 != 0;
}

} // namespace

// The rendering side. Render runs on one thread at a time: the audio driver's, or the
// caller of RenderOffline. The senders reach it only through the queue and atomics.
struct TKTDirectMusic::TRenderer {
    TTimedMessageQueue<QueueCapacity> Queue;
    fluid_synth_t* Synth = nullptr;
    std::function<int64_t()> Now; // the senders' clock

    // Set by the senders' side, read by the renderer.
    std::atomic<bool> SampleStamps{false};
    std::atomic<int> PeriodFrames{64};
    std::atomic<int> MaxDelayFrames{1 << 30};
    std::atomic<int64_t> TailFrames{TailFramesFor(0.2)};
    std::atomic<bool> RestartLine{true};
    // The driver is being stopped: its thread must not fall asleep in the callback.
    std::atomic<bool> Halting{false};
    // A voice set is being loaded into the synthesiser, which holds FluidSynth's own
    // lock meanwhile: the renderer leaves FluidSynth alone (silence) and keeps the
    // messages until it is over.
    std::atomic<bool> SetArriving{false};
    // Frames the driver's stream holds in front of the period being rendered, once it
    // runs; a stream that starts again after a sleep plays its first period at once.
    std::atomic<int> StreamLeadFrames{0};
    // Published by the renderer.
    std::atomic<int64_t> Rendered{0};
    std::atomic<int> Delay{0};
    std::atomic<bool> Resting{true};
    // The driver's thread sleeps in the callback while nothing sounds; a sender that
    // finds it asleep bumps the count and wakes it (a futex wake, no lock).
    std::atomic<bool> Sleeping{false};
    std::atomic<uint32_t> WakeCount{0};

    // The renderer's own.
    TLatencyClock Clock{SampleRate};
    int64_t Position = 0;    // frames rendered
    int64_t FluidFrames = 0; // frames FluidSynth rendered (none at rest)
    int64_t QuietFrames = 0; // frames rendered since the last voice ended
    bool AtRest = true;      // nothing has sounded yet
    bool Slept = false;      // the driver's stream ran dry while the thread slept
    std::array<float, 2 * FluidBlock> Scratch{};

    int64_t Stamp() const {
        if (SampleStamps.load(std::memory_order_relaxed))
            return Rendered.load(std::memory_order_acquire);
        return Now ? Now() : MonotonicNanos();
    }

    void Render(float* left, float* right, int frames, int64_t now) {
        const bool sampleStamps = SampleStamps.load(std::memory_order_relaxed);
        if (!sampleStamps) {
            if (RestartLine.exchange(false)) Clock.Reset();
            Clock.Configure(PeriodFrames.load(std::memory_order_relaxed),
                            MaxDelayFrames.load(std::memory_order_relaxed));
            // After a sleep the stream is empty and this period is heard at once, where
            // a running stream holds its lead in front of it: the line starts that lead
            // ahead, so that a note after a rest is as late as any other. The periods
            // after it, rendered while the stream fills up again, meet the line.
            int64_t lead = 0;
            if (Slept) {
                Slept = false;
                Clock.Reset();
                lead = StreamLeadFrames.load(std::memory_order_relaxed);
            }
            Clock.Period(now, Position + lead, frames);
            Delay.store(Clock.DelayFrames(), std::memory_order_relaxed);
        }
        if (SetArriving.load(std::memory_order_acquire)) {
            std::fill(left, left + frames, 0.0f);
            std::fill(right, right + frames, 0.0f);
            Position += frames;
            Rendered.store(Position, std::memory_order_release);
            return;
        }
        // Notes played while nothing rendered (the driver stopped) wake the renderer.
        if (AtRest && fluid_synth_get_active_voice_count(Synth) > 0) SetAtRest(false);
        int done = 0;
        while (const TTimedMessage* m = Queue.Front()) {
            const int64_t due = sampleStamps ? m->Sent : Clock.Due(m->Sent);
            if (due - Position >= frames) break; // a later period's
            // A message whose time has passed plays at once, after those before it.
            const int at = static_cast<int>(std::clamp<int64_t>(due - Position, done, frames));
            Segment(left, right, done, at);
            done = at;
            if (AtRest && StartsSound(*m)) Wake();
            ApplyToSynth(Synth, *m);
            Queue.Pop();
        }
        Segment(left, right, done, frames);
        Position += frames;
        Rendered.store(Position, std::memory_order_release);
    }

    // Frames [from, to) of the period.
    void Segment(float* left, float* right, int from, int to) {
        const int frames = to - from;
        if (frames <= 0) return;
        std::fill(left + from, left + to, 0.0f);
        std::fill(right + from, right + to, 0.0f);
        if (AtRest) return;
        float* out[2] = {left + from, right + from};
        float* fx[4] = {out[0], out[1], out[0], out[1]};
        fluid_synth_process(Synth, frames, 4, fx, 2, out);
        FluidFrames += frames;
        if (fluid_synth_get_active_voice_count(Synth) > 0) {
            QuietFrames = 0;
        } else if ((QuietFrames += frames) >= TailFrames.load(std::memory_order_relaxed)) {
            SetAtRest(true);
        }
    }

    // Leaving rest for a note: what is left of FluidSynth's current block is silence
    // and is dropped, so that the note's block starts exactly where the note is due.
    void Wake() {
        const int rest = static_cast<int>((FluidBlock - FluidFrames % FluidBlock) % FluidBlock);
        if (rest > 0) {
            float* out[2] = {Scratch.data(), Scratch.data() + FluidBlock};
            float* fx[4] = {out[0], out[1], out[0], out[1]};
            fluid_synth_process(Synth, rest, 4, fx, 2, out);
            FluidFrames += rest;
        }
        SetAtRest(false);
    }

    void SetAtRest(bool on) {
        AtRest = on;
        QuietFrames = 0;
        Resting.store(on, std::memory_order_relaxed);
    }

    // While nothing sounds and nothing waits, the driver's thread sleeps here instead
    // of rendering silence: its stream runs dry and costs nothing. A message wakes it
    // (Nudge), and so does a driver being stopped.
    void SleepWhileAtRest() {
        while (AtRest && !Halting.load(std::memory_order_acquire)) {
            const uint32_t seen = WakeCount.load(std::memory_order_acquire);
            Sleeping.store(true, std::memory_order_seq_cst);
            std::atomic_thread_fence(std::memory_order_seq_cst);
            if (!Queue.Empty() || Halting.load(std::memory_order_seq_cst)) {
                Sleeping.store(false, std::memory_order_relaxed);
                return;
            }
            WakeCount.wait(seen, std::memory_order_acquire);
            Sleeping.store(false, std::memory_order_relaxed);
            Slept = true;
        }
    }

    // Senders' side, after a push or a halt: wakes a sleeping driver thread.
    void Nudge() {
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (!Sleeping.load(std::memory_order_seq_cst)) return;
        WakeCount.fetch_add(1, std::memory_order_release);
        WakeCount.notify_all();
    }

    // The audio driver's callback: one period of FluidSynth's output, with the
    // messages due in it applied at their frames.
    static int DriverCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]) {
        auto* renderer = static_cast<TRenderer*>(data);
        renderer->SleepWhileAtRest();
        for (int i = 0; i < nfx; ++i)
            if (fx[i]) std::fill(fx[i], fx[i] + len, 0.0f);
        for (int i = 2; i < nout; ++i)
            std::fill(out[i], out[i] + len, 0.0f);
        if (nout < 2) return FLUID_FAILED;
        renderer->Render(out[0], out[1], len, renderer->Now ? renderer->Now() : MonotonicNanos());
        return FLUID_OK;
    }

    // With no renderer running: every message waiting goes to the synthesiser now.
    void Flush() {
        while (const TTimedMessage* m = Queue.Front()) {
            ApplyToSynth(Synth, *m);
            Queue.Pop();
        }
    }
};

namespace {

// The SoundFont image the synthesiser loads for a set read into memory: the set's own
// (samples the run-time image cannot carry, which the synthesiser decodes itself), or
// its collection converted, whose samples are then let go (the image carries them).
// Null, with the reason, when the conversion refuses the collection.
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

} // namespace

// A background load of the built-in set (BeginVoiceSetLoad).
struct TKTDirectMusic::TLoad {
    std::thread Thread;
    // Filled by the thread, read once it is joined.
    std::unique_ptr<TVoiceSet> Set;
    int SoundFont = -1;
    std::string Error;

    // Reads the file and loads it into `synth`, on the load's own thread. The file is
    // mapped and its collection read with the samples left in it; FluidSynth then reads
    // the run-time image, whose samples come from the file straight into its buffer:
    // its copy is the only one ever made.
    void Run(const std::string& path, fluid_synth_t* synth) {
        auto set = std::make_unique<TVoiceSet>();
        auto image = std::make_shared<TRuntimeSoundFont>();
        TImageSource source{nullptr, image};
        if (!ReadVoiceSetFileInPlace(path, *set, *image).Ok) {
            // Not a DLS collection read in place (a SoundFont, or a broken file): read
            // whole as any voice set is.
            set = std::make_unique<TVoiceSet>();
            source = {ReadWhole(path, *set), nullptr};
            if (!source.Bytes) return;
        }
        const std::string name = TMemoryImages::Instance().Publish(std::move(source));
        SoundFont = fluid_synth_sfload(synth, name.c_str(), 1);
        TMemoryImages::Instance().Withdraw(name);
        malloc_trim(0);
        if (SoundFont < 0) {
            Error = "the synthesiser refused the voice set's image";
            return;
        }
        Set = std::move(set);
    }

    // The file read whole into `set`, and the SoundFont image the synthesiser loads
    // for it; null, with the reason kept, when it is no voice set.
    std::shared_ptr<const std::vector<uint8_t>> ReadWhole(const std::string& path, TVoiceSet& set) {
        const TVoiceSetReadResult read = ReadVoiceSetFile(path, set);
        if (!read.Ok) {
            Error = read.Message;
            return nullptr;
        }
        return TakeSoundFontImage(set, Error);
    }
};

TKTDirectMusic::TKTDirectMusic(TVoiceList& voices, TKTDirectMusicSetup setup)
    : Voices(voices), Log(setup.Log ? *setup.Log : ProcessMidiLog()),
      PlatformVersion(setup.DirectXVersion), Fluid(new TFluid) {
    Program.fill(-1);
    MelodicFallback.fill(-1);
    DrumByProgram.fill(-1);
    QuietFluidLog();
    DirectSound = setup.Devices ? std::make_unique<TKTDirectSound>(std::move(*setup.Devices))
                                : std::make_unique<TKTDirectSound>();
    Fluid->Settings = new_fluid_settings();
    if (Fluid->Settings) {
        fluid_settings_setnum(Fluid->Settings, "synth.sample-rate", SampleRate);
        fluid_settings_setint(Fluid->Settings, "synth.polyphony", 256);
        fluid_settings_setint(Fluid->Settings, "synth.threadsafe-api", 1);
        fluid_settings_setint(Fluid->Settings, "synth.dynamic-sample-loading", 0);
        fluid_settings_setnum(Fluid->Settings, "synth.gain", NormalGain);
        fluid_settings_getint(Fluid->Settings, "audio.period-size", &Fluid->PeriodFrames);
        fluid_settings_getint(Fluid->Settings, "audio.periods", &Fluid->Periods);
        Fluid->Synth = new_fluid_synth(Fluid->Settings);
    }
    if (Fluid->Synth) {
        fluid_sfloader_t* loader = new_fluid_defsfloader(Fluid->Settings);
        if (loader) {
            fluid_sfloader_set_callbacks(loader, MemOpen, MemRead, MemSeek, MemTell, MemClose);
            fluid_synth_add_sfloader(Fluid->Synth, loader);
        }
    }
    Renderer = std::make_unique<TRenderer>();
    Renderer->Synth = Fluid->Synth;
    Renderer->Now = std::move(setup.Clock);
    double roomsize = 0;
    if (Fluid->Synth &&
        fluid_synth_get_reverb_group_roomsize(Fluid->Synth, -1, &roomsize) == FLUID_OK)
        Renderer->TailFrames = TailFramesFor(roomsize);
    AttachDirectSound(0);
    Ports = setup.Ports ? std::move(*setup.Ports) : EnumeratePorts(AudioDrivers());
}

TKTDirectMusic::~TKTDirectMusic() {
    std::unique_ptr<TLoad> load;
    {
        TLock lock(Mutex);
        load = std::move(Loading);
    }
    if (load && load->Thread.joinable()) load->Thread.join();
    {
        TLock lock(Mutex);
        StopDriverLocked();
        Fluid->Sequencer.Close();
    }
    Fluid.reset();
    Voices.Clear();
}

std::vector<std::string> TKTDirectMusic::AudioDrivers() {
    std::vector<std::string> drivers;
    QuietFluidLog();
    if (fluid_settings_t* settings = new_fluid_settings()) {
        fluid_settings_foreach_option(settings, "audio.driver", &drivers, CollectOption);
        delete_fluid_settings(settings);
    }
    return drivers;
}

TPlatformCheck TKTDirectMusic::PlatformCheck() {
    return {"libfluidsynth", FluidSynthUsable};
}

// ---- Ports and devices ----

int32_t TKTDirectMusic::DefaultOutputPortIndex() const {
    if (Ports.OutputCount() == 0) return -1;
    return ::DefaultOutputPortIndex(Ports, PulseServerAnswers());
}

bool TKTDirectMusic::SelectOutputPort(int32_t index) {
    TLock lock(Mutex);
    if (Open != TOpenPort::None || !Fluid->Synth || index < 0 || index >= Ports.OutputCount())
        return false;
    const TPortIdentity& id = Ports.Output(index).Identity;
    if (id.Kind == TPortKind::SequencerPort) {
        if (!Fluid->Sequencer.Open(id.Client, id.Port)) return false;
        Open = TOpenPort::Sequencer;
    } else {
        // The driver starts when the port is activated; no engine (no usable
        // device) or a driver that cannot start leaves the port closed.
        Open = TOpenPort::Software;
        PortActive = true;
        if (!EngineActive || !StartDriverLocked()) {
            Open = TOpenPort::None;
            PortActive = false;
            return false;
        }
    }
    OpenIndex = index;
    PortActive = true;
    return true;
}

bool TKTDirectMusic::OpenOfflinePort() {
    TLock lock(Mutex);
    if (Open != TOpenPort::None || !Fluid->Synth) return false;
    Open = TOpenPort::Offline;
    PortActive = true;
    // Without a clock of its own the offline port's time is the sample it rendered.
    Renderer->SampleStamps = !Renderer->Now;
    ConfigureClockLocked();
    return true;
}

bool TKTDirectMusic::IsPortOpen() const {
    TLock lock(Mutex);
    return Open != TOpenPort::None;
}

bool TKTDirectMusic::AttachDirectSound(int32_t deviceIndex) {
    TLock lock(Mutex);
    if (!DirectSound) return true;
    SetActiveLocked(false);
    if (!DirectSound->SelectDevice(deviceIndex)) return false;
    SetActiveLocked(true);
    return true;
}

void TKTDirectMusic::SetActive(bool on) {
    TLock lock(Mutex);
    SetActiveLocked(on);
}

void TKTDirectMusic::SetActiveLocked(bool on) {
    EngineActive = on;
    if (on && PortActive) StartDriverLocked();
    if (!on) StopDriverLocked();
}

void TKTDirectMusic::ActivatePort(bool on) {
    TLock lock(Mutex);
    if (Open == TOpenPort::None) return;
    PortActive = on;
    if (on && EngineActive) StartDriverLocked();
    if (!on) StopDriverLocked();
}

bool TKTDirectMusic::StartDriverLocked() {
    if (Open != TOpenPort::Software || !Fluid->Synth) return false;
    if (Fluid->Driver) return true;
    const std::string& driver = Ports.Output(OpenIndex >= 0 ? OpenIndex : 0).Identity.Driver;
    fluid_settings_t* s = Fluid->Settings;
    if (fluid_settings_setstr(s, "audio.driver", driver.c_str()) != FLUID_OK) return false;
    fluid_settings_setint(s, "audio.period-size", Fluid->DriverFrames);
    fluid_settings_setint(s, "audio.periods", Fluid->DriverPeriodCount);
    // Render through the selected device when it belongs to this driver's system.
    const TSoundDevice* device = DirectSound ? DirectSound->SelectedDevice() : nullptr;
    if (driver == "pulseaudio")
        fluid_settings_setstr(s, "audio.pulseaudio.device",
                              device && device->System == TAudioSystem::PulseAudio
                                  ? device->Name.c_str()
                                  : "default");
    if (driver == "alsa")
        fluid_settings_setstr(s, "audio.alsa.device",
                              device && device->System == TAudioSystem::Alsa ? device->Name.c_str()
                                                                             : "default");
    ConfigureClockLocked();
    Renderer->RestartLine = true;
    // The sound server's stream holds one period in front of the one being rendered.
    Renderer->StreamLeadFrames = Fluid->DriverFrames;
    Fluid->Driver = new_fluid_audio_driver2(s, TRenderer::DriverCallback, Renderer.get());
    return Fluid->Driver != nullptr;
}

void TKTDirectMusic::StopDriverLocked() {
    if (!Fluid || !Fluid->Driver) return;
    // A thread asleep in the callback would never see the driver's end.
    Renderer->Halting.store(true, std::memory_order_seq_cst);
    Renderer->Nudge();
    delete_fluid_audio_driver(Fluid->Driver);
    Renderer->Halting.store(false, std::memory_order_relaxed);
    Fluid->Driver = nullptr;
    // The driver's thread is gone: what it left waiting plays now.
    Renderer->Flush();
}

void TKTDirectMusic::ConfigureClockLocked() {
    Renderer->PeriodFrames = Fluid->DriverFrames;
    Renderer->MaxDelayFrames = Fluid->PeriodFrames * Fluid->Periods;
}

bool TKTDirectMusic::SoftwarePortLocked() const {
    return (Open == TOpenPort::Software || Open == TOpenPort::Offline) && Fluid->Synth;
}

// ---- Voice sets ----

std::string TKTDirectMusic::LastVoiceSetError() const {
    TLock lock(Mutex);
    return VoiceSetError;
}

void TKTDirectMusic::FillVoiceList() {
    Voices.Clear();
    if (!Set) return;
    const bool ownImage = Set->PlaysOwnImage();
    int i = 0;
    for (const TDlsInstrument& inst : Set->Collection.Instruments) {
        TVoiceEntry e;
        e.Index = i;
        e.Patch = inst.Patch();
        e.Name = VoiceNameOf(inst.Name);
        // The run-time image numbers the instruments by position; a set that plays
        // its own image keeps its presets' numbers.
        const auto at = static_cast<size_t>(i);
        e.SynthBank = ownImage ? Set->SoundFontPresets[at].Bank : RuntimeSoundFontBank(i);
        e.SynthProgram = ownImage ? Set->SoundFontPresets[at].Program : RuntimeSoundFontProgram(i);
        if (!Voices.Add(e)) break; // the list holds 300 voices; the rest stay unplayable
        ++i;
    }
}

bool TKTDirectMusic::BeginVoiceSetLoad(const std::string& path, std::function<void()> loaded) {
    TLock lock(Mutex);
    if (Loading || Open != TOpenPort::Software || !Fluid->Synth) return false;
    if (Fluid->SoundFont >= 0) {
        fluid_synth_all_sounds_off(Fluid->Synth, -1);
        fluid_synth_sfunload(Fluid->Synth, Fluid->SoundFont, 1);
        Fluid->SoundFont = -1;
    }
    Voices.Clear();
    Set.reset();
    SamplesHandedOver = false;
    BuildPatchIndex();
    Loading = std::make_unique<TLoad>();
    Renderer->SetArriving.store(true, std::memory_order_release);
    TLoad* load = Loading.get();
    TRenderer* renderer = Renderer.get();
    fluid_synth_t* synth = Fluid->Synth;
    load->Thread = std::thread([load, renderer, synth, path, loaded = std::move(loaded)] {
        load->Run(path, synth);
        renderer->SetArriving.store(false, std::memory_order_release);
        renderer->Nudge();
        if (loaded) loaded();
    });
    return true;
}

bool TKTDirectMusic::FinishVoiceSetLoad() {
    std::unique_ptr<TLoad> load;
    {
        TLock lock(Mutex);
        load = std::move(Loading);
    }
    if (!load) return false;
    if (load->Thread.joinable()) load->Thread.join();
    TLock lock(Mutex);
    if (!load->Set) {
        VoiceSetError = load->Error;
        return false;
    }
    Set = std::move(load->Set);
    SamplesHandedOver = true;
    Fluid->SoundFont = load->SoundFont;
    VoiceSetError.clear();
    FillVoiceList();
    Voices.Sort();
    // The synthesiser plays the set from here on; of the collection only the list's
    // instruments (patches and names) are kept, not how they play.
    for (TDlsInstrument& inst : Set->Collection.Instruments) {
        std::vector<TDlsRegion>().swap(inst.Regions);
        std::vector<TDlsArticulation>().swap(inst.Articulations);
    }
    std::vector<TDlsWave>().swap(Set->Collection.Waves);
    std::vector<uint32_t>().swap(Set->Collection.Cues);
    malloc_trim(0);
    BuildPatchIndex();
    for (uint8_t ch = 0; ch < ChannelCount; ++ch)
        if (Program[ch] >= 0) ProgramChangeLocked(ch, static_cast<uint8_t>(Program[ch]));
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
    auto set = std::make_unique<TVoiceSet>();
    const TVoiceSetReadResult read = ReadVoiceSet(image, *set);
    Set.reset();
    SamplesHandedOver = false;
    if (!read.Ok) {
        Voices.Clear();
        BuildPatchIndex();
        VoiceSetError = read.Message;
        return false;
    }
    Set = std::move(set);
    VoiceSetError.clear();
    FillVoiceList();
    Voices.Sort();
    return true;
}

bool TKTDirectMusic::LoadExternalDLS(const std::string& path) {
    TLock lock(Mutex);
    Voices.Clear();
    BuildPatchIndex();
    // With the list emptied, the old set has nothing left to play: let it go, so that
    // a later download cannot hand the synthesiser a set the list does not show.
    Set.reset();
    SamplesHandedOver = false;
    if (path.empty() || !FileExists(path)) return false;
    auto set = std::make_unique<TVoiceSet>();
    const TVoiceSetReadResult read = ReadVoiceSetFile(path, *set);
    if (!read.Ok) {
        VoiceSetError = read.Message;
        return false;
    }
    Set = std::move(set);
    VoiceSetError.clear();
    FillVoiceList();
    return true;
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
        if (!Set || !SoftwarePortLocked()) return false;
        if (SamplesHandedOver) {
            // The synthesiser holds this very set: downloading it again changes nothing.
            if (Fluid->SoundFont >= 0) return true;
            VoiceSetError = "the voice set's samples were handed to the synthesiser already";
            return false;
        }
        image = TakeSoundFontImage(*Set, VoiceSetError);
        if (!image) return false;
        SamplesHandedOver = true;
    }
    const bool loaded = LoadSoundFontImage(std::move(image));
    // The collection's samples and the converted image were many blocks of the heap:
    // give their pages back to the system now rather than keep them for later.
    malloc_trim(0);
    return loaded;
}

bool TKTDirectMusic::LoadSoundFontImage(std::shared_ptr<const std::vector<uint8_t>> image) {
    TLock lock(Mutex);
    if (!SoftwarePortLocked()) return false;
    if (Fluid->SoundFont >= 0) {
        fluid_synth_all_sounds_off(Fluid->Synth, -1);
        fluid_synth_sfunload(Fluid->Synth, Fluid->SoundFont, 1);
        Fluid->SoundFont = -1;
    }
    // FluidSynth copies the samples while it loads (samples are not loaded on demand),
    // so the image is only published for the duration of the load.
    const std::string name = TMemoryImages::Instance().Publish({std::move(image), nullptr});
    Fluid->SoundFont = fluid_synth_sfload(Fluid->Synth, name.c_str(), 1);
    TMemoryImages::Instance().Withdraw(name);
    BuildPatchIndex();
    if (Fluid->SoundFont < 0) {
        VoiceSetError = "the synthesiser refused the voice set's image";
        return false;
    }
    // Channels keep the programs they were given, now from the new set.
    for (uint8_t ch = 0; ch < ChannelCount; ++ch)
        if (Program[ch] >= 0) ProgramChangeLocked(ch, static_cast<uint8_t>(Program[ch]));
    return true;
}

void TKTDirectMusic::BuildPatchIndex() {
    PatchIndex.clear();
    MelodicFallback.fill(-1);
    DrumByProgram.fill(-1);
    FirstDrumKit = -1;
    if (!Fluid || Fluid->SoundFont < 0) return;
    PatchIndex.reserve(static_cast<size_t>(Voices.Count()));
    for (int i = 0; i < Voices.Count(); ++i)
        PatchIndex.emplace_back(Voices[i].Patch, i);
    std::stable_sort(PatchIndex.begin(), PatchIndex.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    // Fallbacks, in patch order: a melodic program falls back to the lowest bank
    // that has it with LSB 0 (the main bank of a General MIDI set), else to the
    // lowest bank that has it at all; a drum program to the kit of that program,
    // else to the first kit.
    std::array<int16_t, 128> anyBank;
    anyBank.fill(-1);
    for (const auto& [patch, position] : PatchIndex) {
        const uint8_t program = PatchProgram(patch);
        const auto pos = static_cast<int16_t>(position);
        if (IsDrumPatch(patch)) {
            if (FirstDrumKit < 0) FirstDrumKit = pos;
            if (DrumByProgram[program] < 0) DrumByProgram[program] = pos;
            continue;
        }
        if (anyBank[program] < 0) anyBank[program] = pos;
        if (PatchLSB(patch) == 0 && MelodicFallback[program] < 0) MelodicFallback[program] = pos;
    }
    for (size_t p = 0; p < 128; ++p)
        if (MelodicFallback[p] < 0) MelodicFallback[p] = anyBank[p];
}

int TKTDirectMusic::ResolveProgram(uint8_t channel, uint8_t program) const {
    const bool drum = channel == 9 || DrumRequest[channel];
    const uint32_t patch = MakePatch(BankMSB[channel], BankLSB[channel], program, drum);
    const auto it = std::lower_bound(PatchIndex.begin(), PatchIndex.end(), patch,
                                     [](const auto& e, uint32_t p) { return e.first < p; });
    if (it != PatchIndex.end() && it->first == patch) return it->second;
    if (drum) return DrumByProgram[program] >= 0 ? DrumByProgram[program] : FirstDrumKit;
    return MelodicFallback[program];
}

// ---- Messages ----

bool TKTDirectMusic::SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
    TLock lock(Mutex);
    return SendLocked(status, data1, data2);
}

bool TKTDirectMusic::SendLocked(uint8_t status, uint8_t data1, uint8_t data2) {
    Log.Log(status, data1, data2);
    if (Open == TOpenPort::None) return false;
    if (status < 0x80 || status >= 0xF0 || ((data1 | data2) & 0x80)) return false;
    if (Open == TOpenPort::Sequencer) {
        const uint8_t bytes[3] = {status, data1, data2};
        return Fluid->Sequencer.Send(bytes, MessageLength(status));
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
    TTimedMessage m{Renderer->Stamp(), status, data1, data2, soundFont, bank, program};
    // While a set is arriving there is no voice to play: a note is dropped rather than
    // sounded late, once the samples are in; everything else waits for them.
    if (StartsSound(m) && Renderer->SetArriving.load(std::memory_order_acquire)) return;
    // The offline port renders whenever its caller asks; a software port only while
    // its driver runs.
    if (Open == TOpenPort::Offline) {
        if (Renderer->Queue.Push(m)) return;
        // Nobody has rendered for thousands of messages: what waits is applied now,
        // in order, as the renderer would.
        TLock rendering(RenderMutex);
        Renderer->Flush();
    } else if (Fluid->Driver) {
        // A full queue means the driver's thread is behind: it takes what is due each
        // period, so wait for it a little rather than overtake what waits. A driver
        // that stopped rendering altogether gets the message directly.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        do {
            if (Renderer->Queue.Push(m)) {
                Renderer->Nudge();
                return;
            }
            std::this_thread::yield();
        } while (std::chrono::steady_clock::now() < giveUp);
    } else {
        Renderer->Flush(); // nothing renders: what the last driver left, first
    }
    ApplyToSynth(Fluid->Synth, m);
}

bool TKTDirectMusic::ProgramChangeLocked(uint8_t channel, uint8_t program) {
    if (Fluid->SoundFont < 0) return false;
    const int position = ResolveProgram(channel, program);
    // Nothing in the set answers: the channel keeps its voice.
    if (position < 0 || position >= Voices.Count()) return false;
    const TVoiceEntry& e = Voices[position];
    ScheduleLocked(0xC0 | channel, program, 0, Fluid->SoundFont, e.SynthBank, e.SynthProgram);
    return true;
}

bool TKTDirectMusic::NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    const bool ok = SendLocked(0x90 | channel, note, velocity);
    LastNotes[channel].store(note, std::memory_order_relaxed);
    return ok;
}

bool TKTDirectMusic::NoteOff(uint8_t channel, uint8_t note) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    return SendLocked(0x80 | channel, note, 64);
}

bool TKTDirectMusic::ControlChange(uint8_t channel, uint8_t controller, uint8_t value) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    return SendLocked(0xB0 | channel, controller, value);
}

bool TKTDirectMusic::SetPatch(uint8_t channel, uint32_t patch) {
    if (channel >= ChannelCount) return false;
    TLock lock(Mutex);
    // The drum flag is not sent, but it tells this program change to look among the
    // kits, so that a kit chosen as a keyboard's voice plays as a kit on any channel.
    DrumRequest[channel] = IsDrumPatch(patch);
    SendLocked(0xB0 | channel, 0x00, PatchMSB(patch));
    SendLocked(0xB0 | channel, 0x20, PatchLSB(patch));
    const bool ok = SendLocked(0xC0 | channel, PatchProgram(patch), 0);
    DrumRequest[channel] = false;
    Patches[channel].store(patch, std::memory_order_relaxed);
    return ok;
}

void TKTDirectMusic::SetSustain(uint8_t channel, bool on) {
    ControlChange(channel, 0x40, on ? 127 : 0);
}

void TKTDirectMusic::AllNotesOff(uint8_t channel) {
    ControlChange(channel, 0x7B, 0);
}

void TKTDirectMusic::AllSoundOff(uint8_t channel) {
    ControlChange(channel, 0x78, 0);
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
    if (!SoftwarePortLocked()) return false;
    const double gain = std::clamp(NormalGain * std::pow(10.0, level / 2000.0), 0.0, 10.0);
    fluid_synth_set_gain(Fluid->Synth, static_cast<float>(gain));
    return true;
}

void TKTDirectMusic::ApplyPeriodsLocked(uint32_t latencyMs, uint32_t periodMs) {
    Fluid->LatencyMs = latencyMs;
    Fluid->PeriodMs = periodMs;
    Fluid->PeriodFrames = static_cast<int>(std::clamp<int64_t>(
        std::llround(double(periodMs) * SampleRate / 1000.0), MinPeriodFrames, MaxPeriodFrames));
    const double periodInForce = Fluid->PeriodFrames * 1000.0 / SampleRate;
    Fluid->Periods = static_cast<int>(
        std::clamp<int64_t>(std::llround(latencyMs / periodInForce), MinPeriods, MaxPeriods));
    // The driver renders an eighth of the latency at a time (at most a write period),
    // in whole blocks of FluidSynth's: the lowest latencies get its smallest periods.
    const int latencyFrames = Fluid->PeriodFrames * Fluid->Periods;
    const int driver = std::min(Fluid->PeriodFrames, latencyFrames / 8) / FluidBlock * FluidBlock;
    Fluid->DriverFrames = std::clamp(driver, MinPeriodFrames, MaxPeriodFrames);
    Fluid->DriverPeriodCount =
        std::clamp(latencyFrames / Fluid->DriverFrames, MinPeriods, MaxPeriods);
}

bool TKTDirectMusic::SetWriteLatency(uint32_t ms) {
    TLock lock(Mutex);
    if (!SoftwarePortLocked()) return false;
    const int frames = Fluid->DriverFrames, periods = Fluid->DriverPeriodCount;
    ApplyPeriodsLocked(ms, Fluid->PeriodMs);
    ConfigureClockLocked();
    if (frames == Fluid->DriverFrames && periods == Fluid->DriverPeriodCount) return true;
    if (!Fluid->Driver) return true;
    StopDriverLocked();
    return StartDriverLocked();
}

bool TKTDirectMusic::SetWritePeriod(uint32_t ms) {
    TLock lock(Mutex);
    if (!SoftwarePortLocked()) return false;
    const int frames = Fluid->DriverFrames, periods = Fluid->DriverPeriodCount;
    // The latency asked for stays; the number of periods follows the new period.
    ApplyPeriodsLocked(Fluid->LatencyMs, ms);
    ConfigureClockLocked();
    if (frames == Fluid->DriverFrames && periods == Fluid->DriverPeriodCount) return true;
    if (!Fluid->Driver) return true;
    StopDriverLocked();
    return StartDriverLocked();
}

uint32_t TKTDirectMusic::GetWriteLatency() const {
    TLock lock(Mutex);
    if (!SoftwarePortLocked()) return 0;
    return static_cast<uint32_t>(
        std::lround(Fluid->PeriodFrames * Fluid->Periods * 1000.0 / SampleRate));
}

uint32_t TKTDirectMusic::GetWritePeriod() const {
    TLock lock(Mutex);
    if (!SoftwarePortLocked()) return 0;
    return static_cast<uint32_t>(std::lround(Fluid->PeriodFrames * 1000.0 / SampleRate));
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
    if (!SoftwarePortLocked()) return;
    fluid_synth_t* synth = Fluid->Synth;
    double roomsize = 0, damp = 0, width = 0, wet = 0;
    if (fluid_synth_get_reverb_group_roomsize(synth, -1, &roomsize) != FLUID_OK ||
        fluid_synth_get_reverb_group_damp(synth, -1, &damp) != FLUID_OK ||
        fluid_synth_get_reverb_group_width(synth, -1, &width) != FLUID_OK ||
        fluid_synth_get_reverb_group_level(synth, -1, &wet) != FLUID_OK)
        return;
    if (level < ReverbLevels.size()) {
        // The mix is the wet level in decibels, -6 dB being FluidSynth's own 0.9; the
        // time picks the room size whose decay lasts that long (the shortest room
        // FluidSynth has stands for times below it).
        const TReverbRow row = ReverbLevels[level];
        wet = std::clamp(1.8 * std::pow(10.0, row.MixDb / 20.0), 0.0, 1.0);
        roomsize = std::clamp(
            (row.TimeMs / 1000.0 - ReverbMinTime) / (ReverbMaxTime - ReverbMinTime), 0.0, 1.0);
    }
    // Damping and width keep what was read; a level past the table writes it all back.
    fluid_synth_set_reverb_group_roomsize(synth, -1, roomsize);
    fluid_synth_set_reverb_group_damp(synth, -1, damp);
    fluid_synth_set_reverb_group_width(synth, -1, width);
    fluid_synth_set_reverb_group_level(synth, -1, wet);
    Renderer->TailFrames = TailFramesFor(roomsize);
}

// ---- Offline audio ----

bool TKTDirectMusic::RenderOffline(std::span<float> left, std::span<float> right) {
    {
        TLock lock(Mutex);
        if (Open != TOpenPort::Offline || left.size() != right.size()) return false;
    }
    // The port stays open once opened: the rendering needs the senders' lock no more.
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
    return Fluid->Synth ? fluid_synth_get_active_voice_count(Fluid->Synth) : 0;
}
