// Reading DLS Level 1 and Level 2 collections into the voice-set model.
#pragma once

#include "voiceset/VoiceSet.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The largest collection file ReadDlsFile takes; a General MIDI set is far smaller.
constexpr size_t MaxDlsFileSize = size_t{1} << 30;

struct TDlsReadResult {
    bool Ok = false;
    // For people, with where it happened: "instrument 3, region 0: links to cue 12 of
    // 10"; "" when Ok.
    std::string Message;
};

struct TDlsReadOptions {
    // Decoded waves keep, instead of their samples, where their data lies in the
    // bytes read (TDlsWave::DataInPlace): the caller keeps those bytes, or the file
    // they came from, for as long as the samples are to be played.
    bool SamplesInPlace = false;
};

// Reads a whole collection image. `out` is replaced only on success.
//
// Rejected, with the reason: anything the RIFF layer rejects (sizes past their list,
// stray bytes, nesting and chunk-count limits); a form other than 'DLS '; a missing or
// repeated 'colh', 'lins', 'ptbl' or 'wvpl'; an 'insh', 'rgnh', 'wlnk' or 'wsmp'
// missing where it is needed or repeated; any fixed-size chunk shorter than its
// record; a count ('colh' instruments, 'insh' regions, 'ptbl' cues, 'wsmp' loops,
// 'art1'/'art2' connections) that the chunk or list does not match; a pool cue that
// does not point at the start of a wave in 'wvpl'; a wave link to a cue that does not
// exist; a wave without 'fmt ' or 'data'.
//
// Tolerated: unknown chunks and lists at any level (skipped, as are 'dlid', 'cdl ' and
// the conditions they state); records longer than we know (the extra bytes are
// ignored); reserved bits of the locale; musical values out of the usual ranges (key
// and velocity ranges, loop points, tuning: kept as written); waves in a format we do
// not decode (kept without samples, see TDlsWave::Decoded); a trailing partial frame
// of sample data (dropped); waves no cue points at.
TDlsReadResult ReadDls(std::span<const uint8_t> bytes, TDlsCollection& out,
                       const TDlsReadOptions& options = {});

// Reads the file (at most MaxDlsFileSize bytes) and then the collection in it.
TDlsReadResult ReadDlsFile(const std::string& path, TDlsCollection& out);
