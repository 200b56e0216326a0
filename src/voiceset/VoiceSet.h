// The voice-set model: a DLS collection in memory (instruments with their locale,
// regions, articulation, and the wave pool), as the DLS reader fills it and the DLS
// writer and the SoundFont bridge take it. Values keep their file units.
#pragma once

#include "voiceset/DlsConnection.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr uint32_t DlsDrumFlag = 0x80000000; // bit 31 of a locale's bank and of a patch

// The program's patch number: MSB in bits 16..23, LSB in 8..15, program in 0..7 and
// the drum flag in bit 31.
constexpr uint32_t DlsPatchNumber(uint8_t msb, uint8_t lsb, uint8_t program, bool drum) {
    return uint32_t(msb) << 16 | uint32_t(lsb) << 8 | program | (drum ? DlsDrumFlag : 0);
}

// One INFO sub-chunk other than the name: 'ICOP', 'ICMT', 'IENG', ...
struct TDlsInfoItem {
    uint32_t Id = 0;
    std::string Text; // the bytes up to the first NUL
    bool operator==(const TDlsInfoItem&) const = default;
};

struct TDlsConnection {
    uint16_t Source = DlsSrc::None;
    uint16_t Control = DlsSrc::None;
    uint16_t Destination = DlsDst::None;
    uint16_t Transform = 0; // Level 2: TDlsTransform::Pack(); Level 1: a DlsTrn curve
    int32_t Scale = 0;
    bool operator==(const TDlsConnection&) const = default;
};

enum class TDlsLevel : uint8_t { Level1 = 1, Level2 = 2 };

// The connection blocks of one 'art1' (Level 1) or 'art2' (Level 2) chunk.
struct TDlsArticulation {
    TDlsLevel Level = TDlsLevel::Level2;
    std::vector<TDlsConnection> Connections;
    bool operator==(const TDlsArticulation&) const = default;
};

struct TDlsRange {
    uint16_t Low = 0;
    uint16_t High = 127;
    bool operator==(const TDlsRange&) const = default;
};

constexpr uint32_t DlsLoopForward = 0;
constexpr uint32_t DlsLoopRelease = 1; // loop until release, then play on (Level 2)

struct TDlsLoop {
    uint32_t Type = DlsLoopForward;
    uint32_t Start = 0;  // in sample frames
    uint32_t Length = 0; // in sample frames
    bool operator==(const TDlsLoop&) const = default;
};

constexpr uint32_t DlsSampleNoTruncation = 0x1;
constexpr uint32_t DlsSampleNoCompression = 0x2;

// A 'wsmp' chunk: how a wave is played. Loop points are kept as written; they are
// not checked against the wave (a consumer clamps them).
struct TDlsSample {
    uint16_t UnityNote = 60;
    int16_t FineTune = 0; // in cents
    int32_t Gain = 0;     // in 1/655360 dB, negative is quieter (Level 1: "attenuation")
    uint32_t Options = 0; // DlsSampleNo...
    std::vector<TDlsLoop> Loops;
    bool operator==(const TDlsSample&) const = default;
};

constexpr uint16_t DlsWaveLinkPhaseMaster = 0x1;
constexpr uint16_t DlsWaveLinkMultiChannel = 0x2;
constexpr uint32_t DlsChannelLeft = 0x1;
constexpr uint32_t DlsChannelRight = 0x2;

struct TDlsWaveLink {
    uint16_t Options = 0;
    uint16_t PhaseGroup = 0;
    uint32_t Channel = DlsChannelLeft; // which channel(s) of the wave, a bit mask
    uint32_t TableIndex = 0;           // a cue of TDlsCollection::Cues
    bool operator==(const TDlsWaveLink&) const = default;
};

constexpr uint16_t DlsRegionSelfNonExclusive = 0x1;

struct TDlsRegion {
    TDlsRange Keys;
    TDlsRange Velocities;             // kept as written; Level 1 files often leave 0..0
    uint16_t Options = 0;             // DlsRegion...
    uint16_t KeyGroup = 0;            // exclusive class; 0 for none
    std::optional<uint16_t> Layer;    // present when the header has one: written as 'rgn2'
    std::optional<TDlsSample> Sample; // overrides the wave's own when present
    TDlsWaveLink WaveLink;
    std::vector<TDlsArticulation> Articulations;
    bool operator==(const TDlsRegion&) const = default;
};

struct TDlsInstrument {
    uint8_t MSB = 0;     // 0..127
    uint8_t LSB = 0;     // 0..127
    uint8_t Program = 0; // 0..127
    bool Drum = false;
    // Raw bytes up to the first NUL: usually ASCII; the reader does not transcode.
    std::string Name;
    std::vector<TDlsInfoItem> Info;
    std::vector<TDlsRegion> Regions;
    std::vector<TDlsArticulation> Articulations; // global to the instrument
    bool operator==(const TDlsInstrument&) const = default;

    uint32_t Patch() const { return DlsPatchNumber(MSB, LSB, Program, Drum); }
    void SetPatch(uint32_t patch) {
        MSB = (patch >> 16) & 0x7F;
        LSB = (patch >> 8) & 0x7F;
        Program = patch & 0x7F;
        Drum = (patch & DlsDrumFlag) != 0;
    }
};

constexpr uint16_t DlsFormatPcm = 1;

// Where a wave's sample data lies in the bytes it was read from, for a wave read with
// its samples left in place (TDlsReadOptions): the offset of the 'data' chunk's first
// byte from the start of those bytes, and the length of its whole frames, stored as
// the file has them (16 bits signed or 8 bits unsigned, frames interleaved).
struct TDlsDataPlace {
    uint64_t Offset = 0;
    uint64_t Bytes = 0;
    bool operator==(const TDlsDataPlace&) const = default;
};

struct TDlsWave {
    uint16_t FormatTag = DlsFormatPcm;
    uint16_t Channels = 1;
    uint32_t SampleRate = 44100;
    uint16_t BitsPerSample = 16; // as stored: 8 (unsigned) or 16 (signed) for PCM
    // PCM data as signed 16-bit values, frames interleaved when there are two channels;
    // 8-bit data is converted ((v - 128) << 8) and written back as 8 bits. Empty when
    // the format is not one we decode (see Decoded()): such a wave stays in the pool
    // so that links keep their meaning, but it has no sound.
    std::vector<int16_t> Samples;
    // Instead of Samples (then empty): where the data lies in the source. Such a wave
    // plays only through a run-time SoundFont that reads the source; the writer and
    // the bank conversion refuse it.
    std::optional<TDlsDataPlace> DataInPlace;
    std::optional<TDlsSample> Sample; // the wave's own 'wsmp'
    std::string Name;
    std::vector<TDlsInfoItem> Info;
    bool operator==(const TDlsWave&) const = default;

    // PCM, 8 or 16 bits, one or two channels.
    bool Decoded() const {
        return FormatTag == DlsFormatPcm && (BitsPerSample == 8 || BitsPerSample == 16) &&
               (Channels == 1 || Channels == 2);
    }
    size_t FrameCount() const {
        if (!DataInPlace) return Channels ? Samples.size() / Channels : 0;
        return Decoded()
                   ? static_cast<size_t>(DataInPlace->Bytes / (Channels * (BitsPerSample / 8)))
                   : 0;
    }
};

struct TDlsVersion {
    uint32_t MS = 0;
    uint32_t LS = 0;
    bool operator==(const TDlsVersion&) const = default;
};

struct TDlsCollection {
    std::optional<TDlsVersion> Version;
    std::string Name;
    std::vector<TDlsInfoItem> Info;
    std::vector<TDlsInstrument> Instruments; // in collection order
    // The pool table: for each cue (what a wave link's TableIndex counts), the index
    // of its wave in Waves.
    std::vector<uint32_t> Cues;
    std::vector<TDlsWave> Waves;
    bool operator==(const TDlsCollection&) const = default;

    // The wave a region plays, or nullptr when its link or cue leads nowhere (never
    // for a collection the reader returned).
    const TDlsWave* WaveOf(const TDlsRegion& region) const;
};

// One channel (0 = left) of a wave's frames as mono samples; empty when the wave has
// no such channel or holds no samples.
std::vector<int16_t> DlsChannelSamples(const TDlsWave& wave, unsigned channel);
