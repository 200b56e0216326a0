// Voice-set files as the program takes them: a DLS collection or a SoundFont, told
// apart by content and read into the one collection that the voice list and the
// synthesiser's image are made from.
#pragma once

#include "voiceset/VoiceSet.h"
#include "voiceset/convert/RuntimeSoundFont.h"
#include "voiceset/dls/DlsReader.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class TVoiceSetFormat : uint8_t {
    Dls,
    SoundFont2,
    SoundFont3, // compressed: Ogg Vorbis samples
};
// For people: "DLS", "SoundFont 2", "SoundFont 3 (compressed)".
const char* VoiceSetFormatName(TVoiceSetFormat format);

// The largest voice-set file read, whatever its format.
constexpr size_t MaxVoiceSetFileSize = MaxDlsFileSize;

// A preset as a SoundFont numbers it, which is how the synthesiser finds it.
struct TSoundFontPresetNumber {
    uint16_t Bank = 0;
    uint16_t Program = 0;
    bool operator==(const TSoundFontPresetNumber&) const = default;
};

struct TVoiceSet {
    TVoiceSetFormat Format = TVoiceSetFormat::Dls;
    // The instruments in the file's own order: a DLS collection's; a SoundFont's
    // presets, numbered by Sf2PresetPatch, a repeated bank/preset pair only at its
    // first place. A compressed SoundFont's instruments have names and numbers but no
    // regions, and the collection has no waves: its samples stay in SoundFontImage.
    TDlsCollection Collection;
    // Empty unless the collection cannot carry the samples (a compressed SoundFont):
    // then the bank itself for the synthesiser to load instead of the run-time image,
    // laid out anew as a SoundFont loader expects it (INFO with the version, engine
    // and name; the sample data; the nine hydra tables in their order; every pad
    // byte), its samples untouched; and for each instrument the preset that plays it.
    std::vector<uint8_t> SoundFontImage;
    std::vector<TSoundFontPresetNumber> SoundFontPresets;

    bool PlaysOwnImage() const { return !SoundFontImage.empty(); }
};

struct TVoiceSetReadResult {
    bool Ok = false;
    std::string Message; // why it is no voice set, for people; "" when Ok
};

// Reads a DLS collection (RIFF form 'DLS '), a SoundFont 2 bank or a compressed
// SoundFont (form 'sfbk', version 2 or 3). `out` is replaced only on success.
// Refused, with the reason: another form, whatever the DLS and SoundFont readers
// refuse, a SoundFont without presets or whose presets do not convert
// (ConvertSf2ToDls, with its limits on what a bank may make of its samples).
TVoiceSetReadResult ReadVoiceSet(std::span<const uint8_t> bytes, TVoiceSet& out);

// Reads the file (at most MaxVoiceSetFileSize bytes) and then the set in it. The
// file's bytes are let go once read, before a SoundFont is converted.
TVoiceSetReadResult ReadVoiceSetFile(const std::string& path, TVoiceSet& out);

// The built-in voice set as the program loads it: the DLS collection of the file,
// read through a mapping of the file with its samples left there, and the run-time
// SoundFont the synthesiser loads (BuildRuntimeSoundFont), which reads the samples
// from the file by position whenever it is read. The mapping is let go before the
// return; the image keeps the file open, and the file must stay as it is while the
// image is read. `out` and `image` are replaced only on success.
// Refused, with the reason: a file ReadVoiceSetFile would refuse, an empty one, one
// that is not a DLS collection, a collection the image cannot be built from.
TVoiceSetReadResult ReadVoiceSetFileInPlace(const std::string& path, TVoiceSet& out,
                                            TRuntimeSoundFont& image);
