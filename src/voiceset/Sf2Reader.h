// Reading SoundFont 2 banks (versions 2.00 to 2.04) from bytes or a file.
#pragma once

#include "voiceset/Sf2Bank.h"

#include <span>
#include <string>

struct TSf2ReadResult {
    bool Ok = false;
    std::string Message; // why the bytes are no bank: "shdr size 47 is not a multiple of 46"
};

// Parses a whole bank; the target is replaced only on success. Strict about what a
// player would trip over: sizes, counts, the terminal records of the header and bag
// tables, index links between tables, sample positions. Lenient where writers commonly
// are: unknown INFO, sdta, pdta and top-level chunks are skipped (unknown INFO chunks
// are kept in Info.Others), isng may be absent, the generator and modulator tables may
// lack their terminal record, bytes after the RIFF chunk are ignored. Work and memory
// are bounded by the input: every record counted is a record present.
TSf2ReadResult ReadSf2(std::span<const uint8_t> bytes, TSf2Bank& bank);

// Reads the file (at most 4 GiB and 8 bytes, the most RIFF can describe) and parses it.
TSf2ReadResult LoadSf2File(const std::string& path, TSf2Bank& bank);
