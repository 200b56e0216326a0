// The synthesiser wrapper: owns the FluidSynth synthesiser, its audio driver, the
// open output port and the loaded voice set, fills the voice list from that set and
// carries every MIDI message of the program. It and the parts beside it in this
// folder are the only code of the program that speaks to FluidSynth: the renderer
// (SynthRenderer), the memory files (MemoryImages), the voice-set load (VoiceSetLoad)
// and the driver (SynthDriver); which voice a program plays is sound/ProgramResolver.
#pragma once

#include "base/ThreadSafety.h"
#include "sound/ISynthesizer.h"
#include "sound/PortList.h"
#include "sound/ProgramResolver.h"
#include "sound/VoiceList.h"
#include "sound/platform/SoundPlatform.h"
#include "sound/platform/TKTDirectSound.h"
#include "sound/platform/fluid/VoiceSetLoad.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class TMidiLog;
struct TBackgroundLoad;
struct TSynthDriver;
struct TSynthRenderer;

// What the wrapper finds around it. The program takes the defaults (the system's
// devices and ports, the process-wide log and platform version); tests hand in
// their own.
struct TKTDirectMusicSetup {
    // The audio devices; the system's when empty.
    std::optional<std::vector<TSoundDevice>> Devices;
    // The ports; enumerated from the audio drivers and the sequencer when empty.
    std::optional<TPortList> Ports;
    // Where every message handed to the synthesiser is logged; the process-wide log
    // when null.
    TMidiLog* Log = nullptr;
    // The platform version found at start-up: reverb is set only from 0x700 on.
    uint32_t DirectXVersion = DirectXVersionUsable;
    // The latency clock's time in nanoseconds; the monotonic clock when empty. With
    // an offline port and a clock given, each RenderOffline call renders as one
    // driver period that starts at the clock's time, so messages play one delay after
    // the time they were sent; without a clock an offline port stamps messages with
    // the sample rendered so far and plays them there, with no delay.
    std::function<int64_t()> Clock;

    // No devices and no ports: for a wrapper that renders offline only (tests, songs
    // rendered to files), which then opens its offline port.
    static TKTDirectMusicSetup Offline(TMidiLog* log = nullptr) {
        TKTDirectMusicSetup setup;
        setup.Devices = std::vector<TSoundDevice>{};
        setup.Ports = TPortList{};
        setup.Log = log;
        return setup;
    }
};

class TKTDirectMusic : public ISynthesizer {
public:
    static constexpr int SampleRate = 44100;
    static constexpr int ChannelCount = 16;
    // The reverb table: mix in decibels and time in milliseconds, by level.
    struct TReverbRow {
        float MixDb;
        float TimeMs;
    };
    static constexpr std::array<TReverbRow, 5> ReverbLevels = {
        {{-100.0f, 0.0f}, {-12.0f, 500.0f}, {-10.0f, 1000.0f}, {-8.0f, 2000.0f}, {-6.0f, 3000.0f}}};

    // Builds the synthesiser, lists the devices, attaches device 0 and lists the
    // ports; `voices` is the list it fills (the program has one, made at start).
    // Every part that fails stays absent and the operations needing it return false.
    explicit TKTDirectMusic(TVoiceList& voices, TKTDirectMusicSetup setup = {});
    ~TKTDirectMusic() override;
    TKTDirectMusic(const TKTDirectMusic&) = delete;
    TKTDirectMusic& operator=(const TKTDirectMusic&) = delete;

    // The audio drivers this build of FluidSynth offers, in its own order.
    static std::vector<std::string> AudioDrivers();
    // The start-up probe's check of the synthesiser library: it builds a synthesiser.
    static TPlatformCheck PlatformCheck();

    // Ports and devices.
    const TPortList& PortList() const { return Ports; }
    // The software synthesiser on the driver the desktop normally uses; -1 if none.
    int32_t DefaultOutputPortIndex() const;
    // Opens output port `index`: a software synthesiser starts its audio driver
    // (false when the driver cannot start: no server, no card), a sequencer port is
    // connected to. False for an index outside the list, and when a port is already
    // open. On failure no port is open and the messages stay silent.
    bool SelectOutputPort(int32_t index) EXCLUDES(Mutex);
    // Opens the software synthesiser with no audio driver: its sound is taken with
    // RenderOffline (tests, rendering songs to files).
    bool OpenOfflinePort() EXCLUDES(Mutex);
    bool IsPortOpen() const EXCLUDES(Mutex);
    bool AttachDirectSound(int32_t deviceIndex) EXCLUDES(Mutex);
    void SetActive(bool on) EXCLUDES(Mutex);
    void ActivatePort(bool on) EXCLUDES(Mutex);
    const TKTDirectSound* Sound() const { return DirectSound.get(); }

    // Voice sets.
    // The built-in set: a voice-set image in memory (DLS, or a SoundFont as
    // ReadVoiceSet takes it). Fills the voice list in the set's order, sorts it and
    // downloads the voices; false when the image is no voice set (the voice list is
    // then empty).
    bool LoadVoiceSetFromMemory(std::span<const uint8_t> image) EXCLUDES(Mutex);
    // The same with the image handed over: it is let go as soon as it is read, before
    // the download, so that the file's bytes, the collection, the converted SoundFont
    // and the synthesiser's samples are never all held at once.
    bool LoadVoiceSetFromMemory(std::vector<uint8_t>&& image) EXCLUDES(Mutex);
    // The built-in set from its file, loaded on a thread of its own so that the
    // window need not wait for it: the file is read, converted and handed to the
    // synthesiser there, and `loaded` is called on that thread when it is over. Until
    // then a note sent finds no voice and is dropped (no sound, late or otherwise, and
    // nothing left hanging); other messages wait in the renderer's queue for the
    // samples. The caller then calls FinishVoiceSetLoad on the thread that reads the
    // voice list. False, and no thread, without a software synthesiser port or while
    // a load is under way.
    bool BeginVoiceSetLoad(const std::string& path, std::function<void()> loaded) EXCLUDES(Mutex);
    // Takes what the load gave: fills the voice list in the set's order, sorts it, and
    // gives the channels their programs from the set. False when the load failed
    // (LastVoiceSetError says why) or none was begun.
    bool FinishVoiceSetLoad() EXCLUDES(Mutex);
    // An external set (a UTF-8 path; "" when the settings ask for none): a DLS
    // collection or a SoundFont (2, or 3 with compressed samples), told by content.
    // Empties the voice list, then, when the file exists and reads, fills it in the
    // set's own order (no sorting): the collection's instruments, the bank's presets.
    bool LoadExternalDLS(const std::string& path) EXCLUDES(Mutex);
    // Hands the loaded set's instruments to the synthesiser: false without a set or
    // without a software synthesiser port. The set's samples are let go once the
    // synthesiser holds them; downloading the same set again is then a success that
    // changes nothing.
    bool DownloadVoices() EXCLUDES(Mutex);
    // LoadExternalDLS, then DownloadVoices; always true.
    bool ReloadExternalDLS(const std::string& path) EXCLUDES(Mutex);
    // Why the last voice-set load failed, for diagnostics ("" after a success).
    std::string LastVoiceSetError() const EXCLUDES(Mutex);

    // Messages (ISynthesizer).
    bool SendShortMessage(uint8_t status, uint8_t data1, uint8_t data2) override EXCLUDES(Mutex);
    bool NoteOn(uint8_t channel, uint8_t note, uint8_t velocity) override EXCLUDES(Mutex);
    bool NoteOff(uint8_t channel, uint8_t note) override EXCLUDES(Mutex);
    bool ControlChange(uint8_t channel, uint8_t controller, uint8_t value) override EXCLUDES(Mutex);
    bool SetPatch(uint8_t channel, uint32_t patch) override EXCLUDES(Mutex);
    void SetSustain(uint8_t channel, bool on) override EXCLUDES(Mutex);
    void AllNotesOff(uint8_t channel) override EXCLUDES(Mutex);
    void AllSoundOff(uint8_t channel) override EXCLUDES(Mutex);
    bool SelectDrumKit() override EXCLUDES(Mutex);
    uint32_t ChannelPatch(uint8_t channel) const override;
    uint8_t LastNote(uint8_t channel) const override;

    // Properties: false or 0 without a software synthesiser port.
    // Hundredths of a decibel around the synthesiser's normal level (0).
    bool SetSynthVolume(int32_t level) EXCLUDES(Mutex);
    // Milliseconds of audio queued ahead (the driver's periods together) and of one
    // period; the driver is rebuilt when they change. The getters report what is in
    // force, rounded to whole milliseconds.
    bool SetWriteLatency(uint32_t ms) EXCLUDES(Mutex);
    uint32_t GetWriteLatency() const EXCLUDES(Mutex);
    bool SetWritePeriod(uint32_t ms) EXCLUDES(Mutex);
    uint32_t GetWritePeriod() const EXCLUDES(Mutex);
    // Levels 0..4 of the reverb table; a higher level leaves the reverb as it was.
    void SetReverbLevel(uint8_t level) EXCLUDES(Mutex);

    // The driver's period in frames and the number of periods in force.
    int DriverPeriodFrames() const EXCLUDES(Mutex);
    int DriverPeriods() const EXCLUDES(Mutex);

    // Renders frames of stereo audio from an offline port; false otherwise. Messages
    // sent from other threads meanwhile wait for the next call: the sending side and
    // the rendering side share no lock.
    bool RenderOffline(std::span<float> left, std::span<float> right) EXCLUDES(RenderMutex);
    // The latency clock's delay in frames: a message plays this long after it was
    // sent (0 for an offline port that stamps with samples).
    int LatencyDelayFrames() const;
    // True while nothing sounds and the renderer spends nothing on silence.
    bool RenderingAtRest() const;
    // True while the audio driver's thread sleeps at rest (its stream left to run dry);
    // the next message wakes it.
    bool DriverAsleep() const;
    // Voices sounding now (all channels).
    int ActiveVoiceCount() const EXCLUDES(Mutex);

private:
    bool SendLocked(uint8_t status, uint8_t data1, uint8_t data2) REQUIRES(Mutex);
    // Reads a voice-set image into the set and fills the voice list, sorted.
    bool ReadVoiceSetImage(std::span<const uint8_t> image) EXCLUDES(Mutex);
    // Hands a message to the renderer, stamped with the latency clock.
    void ScheduleLocked(uint8_t status, uint8_t data1, uint8_t data2, int soundFont = -1,
                        int bank = 0, int program = 0) REQUIRES(Mutex) EXCLUDES(RenderMutex);
    bool ProgramChangeLocked(uint8_t channel, uint8_t program) REQUIRES(Mutex);
    // Every channel given a program plays it again, from the set now loaded.
    void ReprogramChannelsLocked() REQUIRES(Mutex);
    // The resolver over the voice list, or over nothing without a loaded set.
    void BuildPatchIndex() REQUIRES(Mutex);
    // Loads an image into the synthesiser in place of its set; the renderer keeps
    // running meanwhile, in silence.
    bool LoadSoundFontImage(std::shared_ptr<const std::vector<uint8_t>> image) EXCLUDES(Mutex);

    // The voice list is the program's: it is filled here under the lock, and read by
    // the main thread.
    TVoiceList& Voices;
    TMidiLog& Log;
    const uint32_t PlatformVersion;
    mutable TMutex Mutex; // one caller at a time: the main thread and the tempo clock
    // The synthesiser, its driver and the open port.
    std::unique_ptr<TSynthDriver> Fluid PT_GUARDED_BY(Mutex);
    // The rendering side: its queue, latency clock and state belong to whichever
    // thread renders (the driver's, or the caller of RenderOffline under RenderMutex).
    std::unique_ptr<TSynthRenderer> Renderer;
    // Offline renders, one at a time; a sender takes it only when the offline queue
    // overflowed because nobody rendered.
    mutable TMutex RenderMutex;
    // The offline port is open (it stays open once opened).
    std::atomic<bool> OfflineOpen{false};
    std::unique_ptr<TKTDirectSound> DirectSound PT_GUARDED_BY(Mutex);
    TPortList Ports; // filled by the constructor, read-only after
    TLoadedVoiceSet Loaded GUARDED_BY(Mutex);

    // Channel state kept from the messages sent.
    std::array<uint8_t, ChannelCount> BankMSB GUARDED_BY(Mutex){};
    std::array<uint8_t, ChannelCount> BankLSB GUARDED_BY(Mutex){};
    // last program change, -1 before any
    std::array<int16_t, ChannelCount> Program GUARDED_BY(Mutex){};
    // SetPatch of a kit under way
    std::array<bool, ChannelCount> DrumRequest GUARDED_BY(Mutex){};
    // Read without the lock (ChannelPatch, LastNote).
    std::array<std::atomic<uint32_t>, ChannelCount> Patches{};
    std::array<std::atomic<uint8_t>, ChannelCount> LastNotes{};

    // Program resolution over the downloaded set.
    TProgramResolver Resolver GUARDED_BY(Mutex);

    // A background load of the built-in set: its thread and what it gave. The thread
    // touches nothing guarded by Mutex; its result is read after it is joined.
    std::unique_ptr<TBackgroundLoad> Loading GUARDED_BY(Mutex);
};
