// Conversions between SoundFont 2 banks and DLS collections: the built-in voice set is
// made from a General MIDI SoundFont, and every DLS collection the program plays is
// turned into a SoundFont image for the synthesiser. The articulation mapping both
// directions share is declared at the end.
#pragma once

#include "voiceset/VoiceSet.h"
#include "voiceset/convert/RuntimeSoundFont.h"
#include "voiceset/sf2/Sf2Bank.h"
#include "voiceset/sf2/Sf2Resolver.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TVoiceSetConvertResult {
    bool Ok = false;
    // The reason on failure; on success a one-line summary for people: "msf4.s: 159
    // instruments, 1326 waves, 146.8 MB (...)", with what could not be carried over
    // ("..., 3 modulators without a DLS form").
    std::string Message;
};

// Where the run-time SoundFont puts instrument i of a collection: every instrument
// becomes one preset, bank i / 128, program i % 128, so that no two collide whatever
// the collection's own numbering.
int RuntimeSoundFontBank(int instrumentIndex);
int RuntimeSoundFontProgram(int instrumentIndex);

// DLS collection -> SoundFont bank: preset i (numbered as above, named as the
// instrument) plays instrument i. Each region becomes an instrument zone (a region
// that plays both channels of a stereo wave becomes two, panned apart), each wave
// channel a sample with its guard points; every connection goes back to its generator
// or to a modulator, and what a collection leaves out takes the DLS defaults
// (DlsDefaultConnections). `out` is replaced only on success.
// Refused, with the reason: a collection without instruments; a region linking to a
// cue or wave that does not exist; a wave with sample rate 0; more zones, generators
// or modulators than a SoundFont can index (65535); a playing wave whose samples were
// left in place (TDlsReadOptions).
TVoiceSetConvertResult ConvertDlsToSf2(const TDlsCollection& dls, TSf2Bank& out);
// ... and written as a SoundFont 2 image that FluidSynth loads from memory (the same
// bytes as WriteSf2 of the converted bank). Refused as above, and for a playing wave
// whose samples were left in place.
TVoiceSetConvertResult BuildRuntimeSoundFont(const TDlsCollection& dls,
                                             std::vector<uint8_t>& image);
// ... or held without its sample data, which is read from `source` whenever the image
// is read: for a collection read with its samples in place (TDlsReadOptions), from
// the bytes or the file it was read from. The image's bytes are those of the form
// above. Refused as above, and for a playing wave that holds its samples. `image` is
// replaced only on success.
TVoiceSetConvertResult BuildRuntimeSoundFont(const TDlsCollection& dls,
                                             std::shared_ptr<const IWaveBytes> source,
                                             TRuntimeSoundFont& image);

// The built-in set: General MIDI melodic voices at MSB 65, variations at LSB = their
// SoundFont bank, one drum kit, and no more instruments than the voice list holds.
constexpr uint8_t BuiltInMelodicMsb = 65;
constexpr size_t BuiltInMaxInstruments = 300;

struct TSf2ToDlsOptions {
    // The built-in selection: bank 0's melodic presets as MSB 65, LSB 0, program =
    // preset; melodic presets of bank b (0 < b < 128) as MSB 65, LSB b; the standard
    // kit (bank 128, preset 0) with the drum flag at MSB 0, LSB 0, program 0 as the
    // only kit, last. At most BuiltInMaxInstruments: bank 0 and the kit always, then
    // whole variation banks in ascending order while they fit (the first that does not
    // fit ends the selection). A preset number above 127 and a repeated bank/preset
    // pair are skipped.
    // Otherwise every preset, numbered from its bank: bank 128 -> drum flag, MSB 0,
    // LSB 0; bank b -> MSB b >> 7 & 0x7F, LSB b & 0x7F; program = preset & 0x7F; in
    // patch order (melodic by MSB, LSB, program, then the kits), without a cap: the
    // program lists the first 300 of a collection.
    bool BuiltIn = false;
    // Not built in: the presets in the file's own order instead (as the program lists
    // an external voice set), a repeated bank/preset pair only at its first place.
    bool FileOrder = false;
};

// What a bank may make of its sample data, so that a hostile file cannot take the
// conversion's time and memory: regions over all presets, and the points of the
// waves, which copy each played part of the data (a region may play any part).
constexpr size_t Sf2MaxRegionsPerBank = size_t{1} << 18;
// Resolving reads every zone of a preset zone's instrument, whether it plays or not:
// the instrument zones all preset zones name, added up.
constexpr size_t Sf2MaxZonePairs = size_t{1} << 22;
// Layering compares every two regions of a preset: the squares of the presets'
// region counts, added up.
constexpr size_t Sf2MaxRegionPairs = size_t{1} << 26;
constexpr size_t Sf2MaxWaveShare = 4;                      // times the bank's points...
constexpr size_t Sf2WavePointsAllowance = size_t{1} << 20; // ... and this many more

// The patch number a preset gets when every preset is kept (below): bank 128 -> the
// drum flag at MSB 0, LSB 0; bank b -> MSB b >> 7 & 0x7F, LSB b & 0x7F; program =
// preset & 0x7F.
uint32_t Sf2PresetPatch(const TSf2Preset& preset);

// SoundFont -> DLS Level 2. Each preset is flattened (ResolveSf2Preset) into regions;
// regions that overlap another one are written as 'rgn2' with a layer (the lowest
// layer that keeps the layer free of overlaps). Each distinct played part of the
// sample data (after the address offsets) is one 16-bit mono wave shared by every
// region that plays it; a stereo pair is two mono waves, each region keeping the pan
// of its zone. The region's 'wsmp' holds the root key, the sample's pitch correction,
// initialAttenuation as gain and the loop; coarse and fine tune are a pitch
// connection; every other generator with a DLS counterpart and every modulator DLS
// can express is a connection of one 'art2' block per region. Names come from the
// presets and samples. `out` is replaced only on success.
// Refused, with the reason: no presets (or, built in, no melodic preset in bank 0,
// or no standard kit); a preset that does not resolve; more regions or wave points
// than the limits above.
TVoiceSetConvertResult ConvertSf2ToDls(const TSf2Bank& sf2, const TSf2ToDlsOptions& options,
                                       TDlsCollection& out);

// Files: read IN.sf2, convert, write OUT whole or not at all (WriteFileAtomic).
TVoiceSetConvertResult BuildBuiltInVoiceSetFile(const std::string& sf2Path,
                                                const std::string& outPath); // built in
TVoiceSetConvertResult ConvertSf2FileToDls(const std::string& sf2Path,
                                           const std::string& outPath); // every preset

// ---- The articulation mapping both directions share ----------------------------

// The connections a DLS synthesiser assumes where a region's articulation gives none
// of the same source, control and destination, in the Level 2 form (transform fields
// as Level 2 packs them). Level 1 collections get the same table with the modulation
// wheel acting on the one LFO Level 1 has instead of the vibrato LFO.
const std::vector<TDlsConnection>& DlsDefaultConnections(TDlsLevel level);

// The connections in effect for a region: the defaults, replaced or added to by the
// region's articulation when it has one, else by the instrument's, in order (a later
// block with the same source, control and destination replaces an earlier one).
// Level 1 blocks are read in the Level 2 form: their concave curve is the inverted
// concave source curve of Level 1's velocity and volume connections, pitch wheel and
// pan sources are bipolar, and a pitch-wheel connection without control is the
// bend-range one (RPN 0 as control, its cents over two semitones scaled to 128).
std::vector<TDlsConnection> DlsEffectiveConnections(const TDlsInstrument& instrument,
                                                    const TDlsRegion& region);

// The ten modulators FluidSynth gives every voice. They are Sf2DefaultModulators()
// except velocity to filter cutoff, whose amount source FluidSynth sets to the
// velocity through a switch (so that soft notes are not filtered): a file's
// modulator replaces this one only with that very amount source.
const std::array<TSf2Modulator, 10>& PlayerDefaultModulators();

// The modulators a region has as FluidSynth plays it: the resolver's list with the
// velocity-to-filter default replaced by FluidSynth's own, whose amount follows the
// zones that name it exactly. This is what the conversion to DLS keeps.
std::vector<TSf2RegionModulator> Sf2PlayedModulators(const TSf2Bank& bank, size_t presetIndex,
                                                     const TSf2Region& region);

// The generator values a region has as FluidSynth plays it: the resolver's, except
// that the sum of the instrument and preset values is not held within the generator's
// range. FluidSynth holds a value in range only after the modulators have acted, so
// a preset that takes the attenuation below 0 makes its voice louder, and a cutoff
// opened past 13500 cents stays open under the velocity's pull.
std::array<int32_t, Sf2GenCount> Sf2PlayedGenerators(const TSf2Bank& bank, size_t presetIndex,
                                                     const TSf2Region& region);

// What a region's generators and played modulators become as connections, and back.
// `gen` is what Sf2PlayedGenerators gives, and FromConnections gives generator values
// outside the SoundFont ranges where DLS has them (FluidSynth holds them in range).
// Attenuation, root key, pitch correction, loops and the exclusive class travel in
// 'wsmp' and 'rgnh' and are the callers' business; coarse and fine tune are one pitch
// connection. Connections equal to a Level 2 default are left out. `unexpressed`
// counts the modulators (or connections) the other format has no form for.
namespace VoiceSetMap {
std::vector<TDlsConnection> ToConnections(const std::array<int32_t, Sf2GenCount>& gen,
                                          const std::vector<TSf2RegionModulator>& played,
                                          size_t& unexpressed);

struct TSf2Articulation {
    std::array<int32_t, Sf2GenCount> Gen{}; // Sf2GenInfo defaults where nothing maps
    // Cents of the pitch connection (coarse and fine tune together), and centibels of
    // a gain connection (as attenuation: positive is quieter); outside the generator
    // ranges until the caller adds the 'wsmp' values and splits or clamps them.
    int32_t TuningCents = 0;
    int32_t AttenuationCb = 0;
    // The modulators FluidSynth should play: compare with PlayerDefaultModulators().
    std::vector<TSf2RegionModulator> Played;
};
TSf2Articulation FromConnections(const std::vector<TDlsConnection>& effective, size_t& unexpressed);
} // namespace VoiceSetMap
