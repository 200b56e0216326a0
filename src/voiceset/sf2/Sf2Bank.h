// A SoundFont 2 bank as it is stored: the INFO texts, the sample data and the hydra
// (presets and instruments with their zones, generators and modulators, sample headers).
// The hydra's bag and index tables become nested zones; everything else keeps the
// file's values, so that a bank read and written again gives the same records.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Generator operators, 0..60, with the names the format gives them.
namespace Sf2Gen {
enum : uint16_t {
    StartAddrsOffset = 0,
    EndAddrsOffset = 1,
    StartloopAddrsOffset = 2,
    EndloopAddrsOffset = 3,
    StartAddrsCoarseOffset = 4,
    ModLfoToPitch = 5,
    VibLfoToPitch = 6,
    ModEnvToPitch = 7,
    InitialFilterFc = 8,
    InitialFilterQ = 9,
    ModLfoToFilterFc = 10,
    ModEnvToFilterFc = 11,
    EndAddrsCoarseOffset = 12,
    ModLfoToVolume = 13,
    Unused1 = 14,
    ChorusEffectsSend = 15,
    ReverbEffectsSend = 16,
    Pan = 17,
    Unused2 = 18,
    Unused3 = 19,
    Unused4 = 20,
    DelayModLfo = 21,
    FreqModLfo = 22,
    DelayVibLfo = 23,
    FreqVibLfo = 24,
    DelayModEnv = 25,
    AttackModEnv = 26,
    HoldModEnv = 27,
    DecayModEnv = 28,
    SustainModEnv = 29,
    ReleaseModEnv = 30,
    KeynumToModEnvHold = 31,
    KeynumToModEnvDecay = 32,
    DelayVolEnv = 33,
    AttackVolEnv = 34,
    HoldVolEnv = 35,
    DecayVolEnv = 36,
    SustainVolEnv = 37,
    ReleaseVolEnv = 38,
    KeynumToVolEnvHold = 39,
    KeynumToVolEnvDecay = 40,
    Instrument = 41,
    Reserved1 = 42,
    KeyRange = 43,
    VelRange = 44,
    StartloopAddrsCoarseOffset = 45,
    Keynum = 46,
    Velocity = 47,
    InitialAttenuation = 48,
    Reserved2 = 49,
    EndloopAddrsCoarseOffset = 50,
    CoarseTune = 51,
    FineTune = 52,
    SampleId = 53,
    SampleModes = 54,
    Reserved3 = 55,
    ScaleTuning = 56,
    ExclusiveClass = 57,
    OverridingRootKey = 58,
    Unused5 = 59,
    EndOper = 60,
};
} // namespace Sf2Gen
constexpr size_t Sf2GenCount = 61;

enum class TSf2GenKind : uint8_t {
    Unused,       // unused, reserved, endOper: ignored wherever they appear
    Value,        // a signed amount in the generator's unit
    SampleOffset, // a sample address offset in points (coarse ones count 32768 points)
    Range,        // keyRange / velRange: lo byte, hi byte
    Index,        // instrument / sampleID: the zone's link, always its last generator
    Flags,        // sampleModes: bit 0 loops, bit 1 (with bit 0) loops until release
};

struct TSf2GenInfo {
    const char* Name; // "initialFilterFc"
    TSf2GenKind Kind;
    int16_t Default; // the value a zone has when no level sets it
    bool Clamped;    // Value generators: the sum is held within [Min, Max]
    int16_t Min, Max;
    bool PresetLevel; // may appear in a preset zone (as an offset to the instrument's value)
};
// The table for operator 0..60; an unknown operator (61 and up) gets an Unused entry.
const TSf2GenInfo& Sf2GenInfo(uint16_t oper);

// A generator amount is the union of a signed short, an unsigned word and a byte range.
struct TSf2GenAmount {
    uint16_t Raw = 0;

    int16_t Short() const { return static_cast<int16_t>(Raw); }
    uint16_t Word() const { return Raw; }
    uint8_t Lo() const { return static_cast<uint8_t>(Raw & 0xFF); }
    uint8_t Hi() const { return static_cast<uint8_t>(Raw >> 8); }

    static TSf2GenAmount FromShort(int16_t v) { return {static_cast<uint16_t>(v)}; }
    static TSf2GenAmount FromWord(uint16_t v) { return {v}; }
    static TSf2GenAmount FromRange(uint8_t lo, uint8_t hi) {
        return {static_cast<uint16_t>(lo | hi << 8)};
    }
    bool operator==(const TSf2GenAmount&) const = default;
};

struct TSf2Generator {
    uint16_t Oper = 0;
    TSf2GenAmount Amount;
    bool operator==(const TSf2Generator&) const = default;
};

// Modulator sources: controller index in bits 0..6, the CC flag (bit 7: a MIDI
// controller number rather than a general controller), direction (bit 8: max to min),
// polarity (bit 9: bipolar) and curve type (bits 10..15).
namespace Sf2Mod {
enum : uint16_t {
    // general controllers (CC flag clear)
    NoController = 0,
    NoteOnVelocity = 2,
    NoteOnKey = 3,
    PolyPressure = 10,
    ChannelPressure = 13,
    PitchWheel = 14,
    PitchWheelSensitivity = 16,
    Link = 127,
    // flags and curve types
    IndexMask = 0x7F,
    Cc = 0x80,
    Negative = 0x100,
    Bipolar = 0x200,
    Linear = 0 << 10,
    Concave = 1 << 10,
    Convex = 2 << 10,
    Switch = 3 << 10,
    TypeMask = 0xFC00,
    // transforms
    TransformLinear = 0,
    TransformAbsolute = 2,
    // a destination with this bit set names another modulator of the zone
    DestLink = 0x8000,
};
} // namespace Sf2Mod

struct TSf2Modulator {
    uint16_t Src = 0;
    uint16_t Dest = 0; // a generator operator, or Sf2Mod::DestLink | modulator index
    int16_t Amount = 0;
    uint16_t AmtSrc = 0;
    uint16_t Transform = 0;

    // Modulators that share source, destination and amount source are the same
    // modulator: a later one (or one at a more specific level) replaces it.
    bool SameAs(const TSf2Modulator& o) const {
        return Src == o.Src && Dest == o.Dest && AmtSrc == o.AmtSrc;
    }
    bool operator==(const TSf2Modulator&) const = default;
};

// The ten modulators every instrument zone starts with, as of version 2.04 (velocity
// to filter cutoff without an amount source). Two entries are as the synthesiser we
// play through has them rather than as the format lists them: the pitch wheel acts
// on fineTune (the listed "initial pitch" is no generator; this way a file can
// replace the modulator), and CC10 to pan has amount 500, which takes the
// controller's travel to the full pan range. Note that FluidSynth 2.3 itself keeps
// velocity to filter cutoff behind a velocity switch (amount source 0x0C02), and that
// files of version 2.01 often disable that modulator in its old form (amount source
// 0x0D02), which is not the same modulator as this one.
const std::array<TSf2Modulator, 10>& Sf2DefaultModulators();

struct TSf2Zone {
    std::vector<TSf2Generator> Gens; // file order
    std::vector<TSf2Modulator> Mods; // file order
    bool operator==(const TSf2Zone&) const = default;
};

constexpr size_t Sf2NameSize = 20; // names are stored in 20 bytes, NUL-padded

struct TSf2Preset {
    std::string Name; // up to 20 bytes, without the padding
    uint16_t Preset = 0;
    uint16_t Bank = 0;
    uint32_t Library = 0;
    uint32_t Genre = 0;
    uint32_t Morphology = 0;
    std::vector<TSf2Zone> Zones; // a first zone without an instrument generator is global
    bool operator==(const TSf2Preset&) const = default;
};

struct TSf2Instrument {
    std::string Name;
    std::vector<TSf2Zone> Zones; // a first zone without a sampleID generator is global
    bool operator==(const TSf2Instrument&) const = default;
};

namespace Sf2SampleType {
// Vorbis: a compressed SoundFont's sample (version 3), whose Start and End are byte
// positions of an Ogg Vorbis stream in the sample data.
enum : uint16_t { Mono = 1, Right = 2, Left = 4, Linked = 8, Vorbis = 0x10, Rom = 0x8000 };
} // namespace Sf2SampleType

// A sample header. Positions are sample points from the start of the sample data:
// the sample plays [Start, End), its loop is [LoopStart, LoopEnd).
struct TSf2Sample {
    std::string Name;
    uint32_t Start = 0;
    uint32_t End = 0;
    uint32_t LoopStart = 0;
    uint32_t LoopEnd = 0;
    uint32_t SampleRate = 44100;
    uint8_t OriginalPitch = 60; // MIDI key; 255 for sounds without pitch
    int8_t PitchCorrection = 0; // cents
    uint16_t SampleLink = 0;    // the other channel of a stereo pair
    uint16_t SampleType = Sf2SampleType::Mono;

    bool InRom() const { return (SampleType & Sf2SampleType::Rom) != 0; }
    bool Compressed() const { return (SampleType & Sf2SampleType::Vorbis) != 0; }
    bool operator==(const TSf2Sample&) const = default;
};

// An INFO sub-chunk other than ifil, isng and INAM, kept as stored.
struct TSf2InfoChunk {
    std::string Id; // four characters: "ICMT", "ISFT", "irom", ...
    std::vector<uint8_t> Bytes;
    bool operator==(const TSf2InfoChunk&) const = default;
};

struct TSf2Info {
    uint16_t VersionMajor = 2; // ifil
    uint16_t VersionMinor = 1;
    std::string SoundEngine = "EMU8000"; // isng; a file without one means this engine
    std::string Name;                    // INAM
    std::vector<TSf2InfoChunk> Others;   // file order
    bool operator==(const TSf2Info&) const = default;
};

// Sample points of silence the format asks for after every sample, so that an
// interpolating player never reads another sample's points.
constexpr size_t Sf2GuardPoints = 46;

struct TSf2Bank {
    TSf2Info Info;
    std::vector<int16_t> Samples;   // smpl: every sample's 16-bit points
    std::vector<uint8_t> Samples24; // sm24: the low bytes of 24-bit samples, one per
                                    // point; empty when the bank has none
    std::vector<TSf2Preset> Presets;
    std::vector<TSf2Instrument> Instruments;
    std::vector<TSf2Sample> SampleHeaders;
    bool operator==(const TSf2Bank&) const = default;
};

// Why a bank cannot be stored or played as it is, or "" when it can: a zone names a
// missing instrument or sample, a sample (other than a ROM one) reaches past the
// sample data, a stereo sample links to a missing sample, sm24 does not hold one byte
// per point. The reader never returns a bank that fails this.
std::string CheckSf2Links(const TSf2Bank& bank);

// The same for a compressed bank (version 3), whose sample data of `dataBytes` bytes
// was not read: a compressed sample's [Start, End) must lie in those bytes, any other
// sample's in the points they hold. Loops are not checked: a compressed sample's loop
// counts from the first point of its decoded stream, which only decoding can tell.
std::string CheckSf3Links(const TSf2Bank& bank, size_t dataBytes);

// True when every sample outside ROM is followed by Sf2GuardPoints zero points.
bool Sf2SamplesGuarded(const TSf2Bank& bank);
// Lays the sample data out anew: each sample's points in header order, then the guard
// points. Headers move with their points; loop points keep their place in the sample
// (held within it). Samples that shared points get a copy each. ROM samples stay.
void RepackSf2Samples(TSf2Bank& bank);

// Appends a sample's points and the guard points to the data and a header for them;
// loopStart/loopEnd count from the sample's first point. Returns the header's index.
size_t AddSf2Sample(TSf2Bank& bank, const std::string& name, std::span<const int16_t> points,
                    uint32_t sampleRate, uint8_t originalPitch, int8_t pitchCorrection,
                    uint32_t loopStart, uint32_t loopEnd);
