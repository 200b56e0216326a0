// FluidSynth's settings, synthesiser and audio driver.
#include "sound/platform/fluid/SynthDriver.h"

#include "sound/platform/TKTDirectSound.h"
#include "sound/platform/fluid/MemoryImages.h"
#include "sound/platform/fluid/SynthRenderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>

namespace {

// FluidSynth's own level, what the program calls 0 dB.
constexpr double NormalGain = 0.2;
// FluidSynth's limits on the driver's buffer.
constexpr int MinPeriodFrames = 64, MaxPeriodFrames = 8192;
constexpr int MinPeriods = 2, MaxPeriods = 64;
// FluidSynth's reverb turns its room size into a decay time at low frequencies of
// 0.7 s (room size 0) to 12.5 s (room size 1), in a straight line.
constexpr double ReverbMinTime = 0.7, ReverbMaxTime = 12.5;

void CollectOption(void* data, const char*, const char* option) {
    static_cast<std::vector<std::string>*>(data)->push_back(option);
}

} // namespace

void TSynthDriver::QuietLog() {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

bool TSynthDriver::Usable() {
    QuietLog();
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) return false;
    fluid_synth_t* synth = new_fluid_synth(settings);
    const bool ok = synth != nullptr;
    if (synth) delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return ok;
}

std::vector<std::string> TSynthDriver::AudioDrivers() {
    std::vector<std::string> drivers;
    QuietLog();
    if (fluid_settings_t* settings = new_fluid_settings()) {
        fluid_settings_foreach_option(settings, "audio.driver", &drivers, CollectOption);
        delete_fluid_settings(settings);
    }
    return drivers;
}

TSynthDriver::TSynthDriver(int sampleRate) : SampleRate(sampleRate) {
    QuietLog();
    Settings = new_fluid_settings();
    if (!Settings) return;
    fluid_settings_setnum(Settings, "synth.sample-rate", sampleRate);
    fluid_settings_setint(Settings, "synth.polyphony", 256);
    fluid_settings_setint(Settings, "synth.threadsafe-api", 1);
    fluid_settings_setint(Settings, "synth.dynamic-sample-loading", 0);
    fluid_settings_setnum(Settings, "synth.gain", NormalGain);
    fluid_settings_getint(Settings, "audio.period-size", &PeriodFrames);
    fluid_settings_getint(Settings, "audio.periods", &Periods);
    Synth = new_fluid_synth(Settings);
    if (Synth) AddMemoryLoader(Settings, Synth);
}

TSynthDriver::~TSynthDriver() {
    if (Driver) delete_fluid_audio_driver(Driver);
    if (Synth) delete_fluid_synth(Synth);
    if (Settings) delete_fluid_settings(Settings);
}

void TSynthDriver::ApplyPeriods(uint32_t latencyMs, uint32_t periodMs) {
    LatencyMs = latencyMs;
    PeriodMs = periodMs;
    PeriodFrames = static_cast<int>(std::clamp<int64_t>(
        std::llround(double(periodMs) * SampleRate / 1000.0), MinPeriodFrames, MaxPeriodFrames));
    const double periodInForce = PeriodFrames * 1000.0 / SampleRate;
    Periods = static_cast<int>(
        std::clamp<int64_t>(std::llround(latencyMs / periodInForce), MinPeriods, MaxPeriods));
    // The driver renders an eighth of the latency at a time (at most a write period),
    // in whole blocks of FluidSynth's: the lowest latencies get its smallest periods.
    const int latencyFrames = PeriodFrames * Periods;
    const int driver = std::min(PeriodFrames, latencyFrames / 8) / FluidBlock * FluidBlock;
    DriverFrames = std::clamp(driver, MinPeriodFrames, MaxPeriodFrames);
    DriverPeriodCount = std::clamp(latencyFrames / DriverFrames, MinPeriods, MaxPeriods);
}

void TSynthDriver::Connect(TSynthRenderer& renderer, const TPortList& ports,
                           const TKTDirectSound* sound) {
    Renderer = &renderer;
    Ports = &ports;
    Sound = sound;
}

bool TSynthDriver::SelectPort(int32_t index) {
    if (Open != TOpenPort::None || !Synth || index < 0 || index >= Ports->OutputCount())
        return false;
    const TPortIdentity& id = Ports->Output(index).Identity;
    if (id.Kind == TPortKind::SequencerPort) {
        if (!Sequencer.Open(id.Client, id.Port)) return false;
        Open = TOpenPort::Sequencer;
    } else {
        // The driver starts when the port is activated; no engine (no usable
        // device) or a driver that cannot start leaves the port closed.
        Open = TOpenPort::Software;
        PortActive = true;
        if (!EngineActive || !StartDriver()) {
            Open = TOpenPort::None;
            PortActive = false;
            return false;
        }
    }
    OpenIndex = index;
    PortActive = true;
    return true;
}

bool TSynthDriver::OpenOffline() {
    if (Open != TOpenPort::None || !Synth) return false;
    Open = TOpenPort::Offline;
    PortActive = true;
    // Without a clock of its own the offline port's time is the sample it rendered.
    Renderer->SampleStamps = !Renderer->Now;
    ConfigureClock();
    return true;
}

void TSynthDriver::SetEngineActive(bool on) {
    EngineActive = on;
    if (on && PortActive) StartDriver();
    if (!on) StopDriver();
}

void TSynthDriver::SetPortActive(bool on) {
    if (Open == TOpenPort::None) return;
    PortActive = on;
    if (on && EngineActive) StartDriver();
    if (!on) StopDriver();
}

bool TSynthDriver::SoftwarePort() const {
    return (Open == TOpenPort::Software || Open == TOpenPort::Offline) && Synth;
}

bool TSynthDriver::ChangePeriods(uint32_t latencyMs, uint32_t periodMs) {
    const int frames = DriverFrames, periods = DriverPeriodCount;
    ApplyPeriods(latencyMs, periodMs);
    ConfigureClock();
    if (frames == DriverFrames && periods == DriverPeriodCount) return true;
    if (!Driver) return true;
    StopDriver();
    return StartDriver();
}

uint32_t TSynthDriver::LatencyInForceMs() const {
    return static_cast<uint32_t>(std::lround(PeriodFrames * Periods * 1000.0 / SampleRate));
}

uint32_t TSynthDriver::PeriodInForceMs() const {
    return static_cast<uint32_t>(std::lround(PeriodFrames * 1000.0 / SampleRate));
}

void TSynthDriver::ConfigureClock() const {
    Renderer->PeriodFrames = DriverFrames;
    Renderer->MaxDelayFrames = PeriodFrames * Periods;
}

bool TSynthDriver::StartDriver() {
    if (Open != TOpenPort::Software || !Synth) return false;
    if (Driver) return true;
    const std::string& driver = Ports->Output(OpenIndex >= 0 ? OpenIndex : 0).Identity.Driver;
    fluid_settings_t* s = Settings;
    if (fluid_settings_setstr(s, "audio.driver", driver.c_str()) != FLUID_OK) return false;
    fluid_settings_setint(s, "audio.period-size", DriverFrames);
    fluid_settings_setint(s, "audio.periods", DriverPeriodCount);
    // Render through the selected device when it belongs to this driver's system.
    const TSoundDevice* device = Sound ? Sound->SelectedDevice() : nullptr;
    if (driver == "pulseaudio")
        fluid_settings_setstr(s, "audio.pulseaudio.device",
                              device && device->System == TAudioSystem::PulseAudio
                                  ? device->Name.c_str()
                                  : "default");
    if (driver == "alsa")
        fluid_settings_setstr(s, "audio.alsa.device",
                              device && device->System == TAudioSystem::Alsa ? device->Name.c_str()
                                                                             : "default");
    ConfigureClock();
    Renderer->RestartLine = true;
    // The sound server's stream holds one period in front of the one being rendered.
    Renderer->StreamLeadFrames = DriverFrames;
    Driver = new_fluid_audio_driver2(s, TSynthRenderer::DriverCallback, Renderer);
    return Driver != nullptr;
}

void TSynthDriver::StopDriver() {
    if (!Driver) return;
    // A thread asleep in the callback would never see the driver's end.
    Renderer->Halting.store(true, std::memory_order_seq_cst);
    Renderer->Nudge();
    delete_fluid_audio_driver(Driver);
    Renderer->Halting.store(false, std::memory_order_relaxed);
    Driver = nullptr;
    // The driver's thread is gone: what it left waiting plays now.
    Renderer->Flush();
}

void TSynthDriver::SetVolume(int32_t level) {
    const double gain = std::clamp(NormalGain * std::pow(10.0, level / 2000.0), 0.0, 10.0);
    fluid_synth_set_gain(Synth, static_cast<float>(gain));
}

std::optional<double> TSynthDriver::RoomSize() const {
    double roomsize = 0;
    if (!Synth || fluid_synth_get_reverb_group_roomsize(Synth, -1, &roomsize) != FLUID_OK)
        return std::nullopt;
    return roomsize;
}

std::optional<double> TSynthDriver::SetReverb(std::optional<std::pair<float, float>> mixAndTime) {
    double roomsize = 0, damp = 0, width = 0, wet = 0;
    if (fluid_synth_get_reverb_group_roomsize(Synth, -1, &roomsize) != FLUID_OK ||
        fluid_synth_get_reverb_group_damp(Synth, -1, &damp) != FLUID_OK ||
        fluid_synth_get_reverb_group_width(Synth, -1, &width) != FLUID_OK ||
        fluid_synth_get_reverb_group_level(Synth, -1, &wet) != FLUID_OK)
        return std::nullopt;
    if (mixAndTime) {
        // The mix is the wet level in decibels, -6 dB being FluidSynth's own 0.9; the
        // time picks the room size whose decay lasts that long (the shortest room
        // FluidSynth has stands for times below it).
        const auto [mixDb, timeMs] = *mixAndTime;
        wet = std::clamp(1.8 * std::pow(10.0, mixDb / 20.0), 0.0, 1.0);
        roomsize = std::clamp((timeMs / 1000.0 - ReverbMinTime) / (ReverbMaxTime - ReverbMinTime),
                              0.0, 1.0);
    }
    fluid_synth_set_reverb_group_roomsize(Synth, -1, roomsize);
    fluid_synth_set_reverb_group_damp(Synth, -1, damp);
    fluid_synth_set_reverb_group_width(Synth, -1, width);
    fluid_synth_set_reverb_group_level(Synth, -1, wet);
    return roomsize;
}

int TSynthDriver::ActiveVoices() const {
    return Synth ? fluid_synth_get_active_voice_count(Synth) : 0;
}
