// Writing SoundFont 2 banks: the bytes FluidSynth and other players load.
#pragma once

#include "voiceset/sf2/Sf2Bank.h"

#include <string>
#include <vector>

struct TSf2WriteResult {
    bool Ok = false;
    std::string Message; // why the bank cannot be written: "preset 3 name is 24 bytes, ..."
};

// Writes the whole bank into out (replaced). The terminal records (EOP, EOI, EOS and
// those of the bag, generator and modulator tables) are added; every INFO text ends in
// a NUL and is padded to an even size; odd-sized chunks get their pad byte. When every
// sample is followed by its Sf2GuardPoints zero points the sample data is written as
// it is, so that ReadSf2 gives back an equal bank; otherwise the samples are laid out
// as RepackSf2Samples does and ReadSf2 gives back the repacked bank.
// Refused: a version other than 2.x, a name longer than 20 bytes, an INFO id that is
// not four characters, a failing CheckSf2Links, more zones, generators or modulators
// than the 16-bit indices of the bag tables reach, more than 4 GiB of data.
// A bank without any sample points is written as it is, though FluidSynth 2.3 will
// not load one.
TSf2WriteResult WriteSf2(const TSf2Bank& bank, std::vector<uint8_t>& out);

// WriteSf2 into a file, replacing it only with a complete new one.
TSf2WriteResult SaveSf2File(const std::string& path, const TSf2Bank& bank);
