// Reading SoundFont 2 banks (versions 2.00 to 2.04) from bytes or a file.
#pragma once

#include "voiceset/sf2/Sf2Bank.h"

#include <span>
#include <string>

struct TSf2ReadResult {
    bool Ok = false;
    std::string Message; // why the bytes are no bank: "shdr size 47 is not a multiple of 46"
};

struct TSf2ReadOptions {
    // Also take compressed banks (version 3, samples as Ogg Vorbis streams): their INFO
    // and hydra are read and checked as ever, the sample positions with CheckSf3Links;
    // their sample data is not read (Samples and Samples24 stay empty). Such a bank
    // tells its presets, but it cannot be resolved, converted or written.
    bool AcceptCompressed = false;
};

// Parses a whole bank; the target is replaced only on success. Strict about what a
// player would trip over: sizes, counts, the terminal records of the header and bag
// tables, index links between tables, sample positions. Lenient where writers commonly
// are: unknown INFO, sdta, pdta and top-level chunks are skipped (unknown INFO chunks
// are kept in Info.Others), isng may be absent, the generator and modulator tables may
// lack their terminal record, bytes after the RIFF chunk are ignored. Work and memory
// are bounded by the input: every record counted is a record present.
// A version 3 bank is refused unless the options accept it.
TSf2ReadResult ReadSf2(std::span<const uint8_t> bytes, TSf2Bank& bank,
                       const TSf2ReadOptions& options = {});

// Reads the file (at most 4 GiB and 8 bytes, the most RIFF can describe) and parses it.
TSf2ReadResult LoadSf2File(const std::string& path, TSf2Bank& bank);
