// Writing the voice-set model as a DLS Level 2 collection.
#pragma once

#include "voiceset/VoiceSet.h"

#include <cstdint>
#include <string>
#include <vector>

struct TDlsWriteResult {
    bool Ok = false;
    std::string Message; // for people: "instrument 2: MSB 200 is not 0..127"; "" when Ok
};

// Replaces out with the collection's file image: 'colh', 'vers' when the collection
// has a version, 'lins' ('ins ' with 'insh', 'lrgn', the articulation lists and INFO),
// 'ptbl', 'wvpl' and INFO. A region with a layer is written as 'rgn2', others as
// 'rgn '; consecutive articulations of one level share one 'lart' (Level 1) or 'lar2'
// (Level 2) list. Whatever ReadDls returns (without leaving samples in place) writes
// to an image that reads back equal.
//
// Refused (out is then cleared), because the image would not read back as the same
// collection: MSB, LSB or program above 127; a cue naming a wave that does not
// exist; a region linking to a cue that does not exist; sample data in a format that
// is not decoded, or a partial frame; a wave whose samples were left in the file it
// was read from; a NUL inside a name or INFO text; an INFO id
// 'LIST' or 'RIFF'; an image larger than 4 GiB.
TDlsWriteResult WriteDls(const TDlsCollection& collection, std::vector<uint8_t>& out);
