// Flattening a preset into the regions a note can start: every instrument zone under
// every preset zone, with the generator and modulator values that apply to it. This
// is what a conversion to another instrument format needs, and what a player does
// at note-on, done once.
#pragma once

#include "voiceset/sf2/Sf2Bank.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum class TSf2ModOrigin : uint8_t {
    Default,    // one of Sf2DefaultModulators(), untouched by the zones
    Instrument, // set by an instrument zone (possibly replacing a default)
    Preset,     // added by a preset zone, or a preset zone added to its amount
};

struct TSf2RegionModulator {
    uint16_t Src = 0;
    uint16_t Dest = 0;
    uint16_t AmtSrc = 0;
    uint16_t Transform = 0;
    int32_t Amount = 0; // the sum can leave the 16 bits a file stores
    TSf2ModOrigin Origin = TSf2ModOrigin::Default;
    bool operator==(const TSf2RegionModulator&) const = default;
};

// One instrument zone as heard through one preset zone.
//
// Zones. A first zone without its link generator (instrument in a preset, sampleID in
// an instrument) is the global zone; any later zone without one is ignored. In a zone,
// keyRange counts only as the first generator and velRange only first or right after
// keyRange; generators after the link are ignored; a repeated generator counts with
// its last value; unused/reserved operators and those above 60 are ignored. Preset
// zones also ignore the generators that belong to instruments only (sample offsets,
// keynum, velocity, sampleModes, exclusiveClass, overridingRootKey, sampleID).
//
// Generators (Gen, indexed by Sf2Gen::*):
//  - Value and Flags operators: the instrument zone's value, else the instrument global
//    zone's, else the default of Sf2GenInfo; for operators allowed at preset level,
//    plus the preset zone's value, else the preset global zone's (else nothing); the
//    sum is then held within [Min, Max] for the operators marked Clamped.
//  - SampleOffset operators: the instrument-level value as stored (coarse ones not yet
//    multiplied); they are already applied in Start/End/LoopStart/LoopEnd.
//  - keyRange, velRange: the region's ranges packed as lo | hi << 8.
//  - instrument, sampleID: the indices of the region's instrument and sample.
//  - unused and reserved operators: 0.
// Ranges: each level's range is its zone's, else its global zone's, else 0..127; the
// region's range is the intersection of the preset and instrument ranges. Regions
// whose intersection is empty are left out, as are those whose sample is in ROM.
//
// Modulators: the ten defaults; then the instrument level (the instrument zone's
// modulators and those of its global zone that it has no identical one for): each
// replaces an identical one in the list (amount and transform) or is appended; then
// the preset level (formed the same way from the preset zone and preset global zone):
// each adds its amount to an identical one in the list or is appended. "Identical" is
// TSf2Modulator::SameAs; within one zone a later identical modulator replaces an
// earlier one. Modulators whose final amount is 0 have no effect and are left out, so
// a zone that switches off a default with amount 0 removes it. Linked modulators
// (a destination with Sf2Mod::DestLink, or the link source) are left out.
// Order: defaults in table order, then appended ones in the order met (instrument
// global zone, instrument zone, preset global zone, preset zone).
struct TSf2Region {
    uint16_t PresetZone = 0;     // index into the preset's Zones
    uint16_t Instrument = 0;     // index into the bank's Instruments
    uint16_t InstrumentZone = 0; // index into that instrument's Zones
    uint16_t SampleIndex = 0;    // index into the bank's SampleHeaders
    uint8_t KeyLo = 0, KeyHi = 127, VelLo = 0, VelHi = 127;
    std::array<int32_t, Sf2GenCount> Gen{};
    std::vector<TSf2RegionModulator> Modulators;
    TSf2Sample Sample; // a copy of the header, positions as stored
    // The played part of the sample data with the address offsets applied, in points
    // of TSf2Bank::Samples, held within the sample's [Start, End]: Start <= LoopStart
    // <= LoopEnd <= End.
    uint32_t Start = 0, End = 0, LoopStart = 0, LoopEnd = 0;
    // overridingRootKey when set, else the sample's original pitch (60 for 128..255).
    uint8_t RootKey = 60;
};

// Work stays bounded however the zones multiply.
constexpr size_t Sf2MaxRegionsPerPreset = 16384;

struct TSf2ResolveResult {
    bool Ok = false;
    std::string Message;             // "preset 7 zone 2 names instrument 40 of 12", "" when Ok
    std::vector<TSf2Region> Regions; // preset zones in order, each with its instrument
                                     // zones in order
};

// Fails for a preset index out of range, a zone linking to a missing instrument or
// sample, a sample outside the sample data (none of which a bank from ReadSf2 has),
// and a preset that would give more than Sf2MaxRegionsPerPreset regions.
TSf2ResolveResult ResolveSf2Preset(const TSf2Bank& bank, size_t presetIndex);
