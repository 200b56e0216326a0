// FluidSynth's synthesiser with its audio driver and the ports: built once by the
// wrapper; the open port (a software synthesiser, the offline one, or a sequencer
// port), the driver started on the port's audio system and the selected device while
// the engine and the port are active, its buffer worked out from the write latency
// and period. Used under the wrapper's lock.
#pragma once

#include "sound/PortList.h"
#include "sound/platform/AlsaDevices.h"
#include "sound/platform/fluid/FluidTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TKTDirectSound;
struct TSynthRenderer;

enum class TOpenPort { None, Software, Offline, Sequencer };

struct TSynthDriver {
    // Builds the settings and the synthesiser (null when FluidSynth refuses), with
    // the memory files as a loader.
    explicit TSynthDriver(int sampleRate);
    ~TSynthDriver();
    TSynthDriver(const TSynthDriver&) = delete;
    TSynthDriver& operator=(const TSynthDriver&) = delete;

    // Silences FluidSynth's own messages on the console.
    static void QuietLog();
    // A synthesiser can be built.
    static bool Usable();
    // The audio drivers this build of FluidSynth offers, in its own order.
    static std::vector<std::string> AudioDrivers();

    // What the ports and the driver work with, once built: the renderer the driver
    // renders through, the port list and the devices (null: the system's default).
    void Connect(TSynthRenderer& renderer, const TPortList& ports, const TKTDirectSound* sound);

    // Opens port `index` of the list: a software synthesiser starts its audio driver
    // (false when it cannot start, or the engine is not active), a sequencer port is
    // connected to. False when a port is open already; on failure none is.
    bool SelectPort(int32_t index);
    // Opens the software synthesiser with no audio driver.
    bool OpenOffline();
    // The engine (a usable device) and the open port: the driver runs while both are
    // active.
    void SetEngineActive(bool on);
    void SetPortActive(bool on);
    // A software synthesiser port, with or without a driver, is open.
    bool SoftwarePort() const;
    // Stops the driver, if one runs; what its thread left waiting plays now.
    void StopDriver();

    // The write latency and period asked for: the period and the number of periods in
    // force, and the driver's own buffer; a running driver is rebuilt when its buffer
    // changes (false when it then cannot start).
    bool ChangePeriods(uint32_t latencyMs, uint32_t periodMs);
    // The latency and period in force, in whole milliseconds.
    uint32_t LatencyInForceMs() const;
    uint32_t PeriodInForceMs() const;

    // Hundredths of a decibel around the synthesiser's normal level (0).
    void SetVolume(int32_t level);
    // The reverb's room size now; none when FluidSynth cannot say.
    std::optional<double> RoomSize() const;
    // The reverb at `mixDb` and `timeMs`, or, with none, written back as it was
    // (damping and width always are): the room size in force, none when the reverb
    // cannot be read.
    std::optional<double> SetReverb(std::optional<std::pair<float, float>> mixAndTime);
    int ActiveVoices() const;

    const int SampleRate;
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    fluid_audio_driver_t* Driver = nullptr;
    int SoundFont = -1;    // id of the loaded voice set in the synthesiser
    int PeriodFrames = 64; // the write period in force
    int Periods = 16;      // write latency = PeriodFrames * Periods
    // The driver's own periods: smaller than the write period, so that the latency
    // clock's delay (one driver period and the renderer's lead) stays well inside the
    // write latency.
    int DriverFrames = 64;
    int DriverPeriodCount = 16;
    // The latency and period last asked for: each setter keeps the other's request,
    // so that lowering the latency from a long period does not keep it high.
    uint32_t LatencyMs = 23, PeriodMs = 1;
    TSeqMidiOutput Sequencer;
    TOpenPort Open = TOpenPort::None;

private:
    void ApplyPeriods(uint32_t latencyMs, uint32_t periodMs);
    // The latency clock's period and largest delay from the driver's buffer.
    void ConfigureClock() const;
    bool StartDriver();

    TSynthRenderer* Renderer = nullptr;
    const TPortList* Ports = nullptr;
    const TKTDirectSound* Sound = nullptr;
    int OpenIndex = -1;
    bool EngineActive = false;
    bool PortActive = false;
};
